#include "ZUNet/Core/SeekObject.h"
#include "tests/support/FakeNetwork.h"
#include "tests/support/MessageData.h"
#include "tests/support/ProbeObject.h"
#include "tests/support/RouterFixture.h"
#include "tests/support/TraceCapture.h"

#include <QtTest>

#include <memory>

namespace
{

struct sFound {
    QString mPath;
    UWORD mConnectionId;
    UWORD mHandle;
    bool operator==(const sFound& other) const
    {
        return mPath == other.mPath && mConnectionId == other.mConnectionId && mHandle == other.mHandle;
    }
};

class cTestSeeker : public cSeekObject
{
public:
    explicit cTestSeeker(UWORD cacheSize = 40, const char* name = "seeker")
        : cSeekObject(name, 0, false, cacheSize)
    {
    }
    ~cTestSeeker() override { Unregister(); }
    void FoundObject(const char* path, UWORD connectionId, UWORD handle) override
    {
        mFound.append(sFound { QString::fromUtf8(path), connectionId, handle });
    }
    int CacheEntriesFor(const char* path) const
    {
        int n = 0;
        for (UWORD i = 0; mCache && i < mCache->Size(); ++i)
            n += (mCache->Item(i).mValid && qstrcmp(mCache->Item(i).mPath, path) == 0) ? 1 : 0;
        return n;
    }
    QVector<sFound> mFound;
};

/// Shown by QCOMPARE when the answers differ.
char* toString(const QVector<sFound>& found)
{
    QStringList parts;
    for (const sFound& f : found)
        parts << QStringLiteral("(%1, %2, 0x%3)").arg(f.mPath).arg(f.mConnectionId).arg(f.mHandle, 0, 16);
    return qstrdup(parts.join(", ").toUtf8().constData());
}

} // namespace

class tst_SeekObject : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void secondSeekWhileBusySendsNothing();
    void localAnswerIsCachedOnce();
    void remoteSearchGoesThroughTheConnection();
    void notFoundAndIdleReplies();
    void shortReplyOkIsNotFound_data();
    void shortReplyOkIsNotFound();
    void cacheRingOverwritesOldest();
    void clearCache_data();
    void clearCache();
    void findLocalSeekRemote();
    void staleReplies_data();
    void staleReplies();
    void connectionEndKeepsSearchBusy();
    void replyQueuedBeforeItsConnectionEnded();
    void pathLengthLimit_data();
    void pathLengthLimit();

private:
    std::unique_ptr<cRouterFixture> mRouter;
    std::unique_ptr<cFakeNetwork> mNetwork;
};

void tst_SeekObject::init()
{
    mRouter.reset(new cRouterFixture());
    mNetwork.reset(new cFakeNetwork());
    mNetwork->AddConnection("UnitA", 3);
}

void tst_SeekObject::cleanup()
{
    mNetwork.reset();
    mRouter.reset();
}

void tst_SeekObject::secondSeekWhileBusySendsNothing()
{
    cTestSeeker seeker;
    QVERIFY(!seeker.SeekObject("x"));
    QVERIFY(seeker.IsSeekBusy());
    QCOMPARE(mRouter->Router().GetNumberOfMessagesInBuffer(), ULONG(1));
    QVERIFY(seeker.SeekObject("y"));
    QCOMPARE(mRouter->Router().GetNumberOfMessagesInBuffer(), ULONG(1));
    QCOMPARE(QString(seeker.GetSeekPath()), QString("x"));
}

void tst_SeekObject::localAnswerIsCachedOnce()
{
    cProbeObject target("target");
    cTestSeeker seeker;
    seeker.SeekObject("target");
    mRouter->Drain();
    const UWORD handle = target.GetHandle();
    target.Unregister(); // the registry would now say "not found": the answer comes from the cache
    seeker.SeekObject("target");
    mRouter->Drain();
    const sFound expected { "target", 0, handle };
    QCOMPARE(seeker.mFound, (QVector<sFound> { expected, expected }));
    QCOMPARE(seeker.CacheEntriesFor("target"), 1);
    QCOMPARE(seeker.RepliesDue(), 0);
}

void tst_SeekObject::remoteSearchGoesThroughTheConnection()
{
    cTestSeeker seeker;
    seeker.SeekObject("UnitA/mixer");
    mRouter->Drain();
    const auto sent = mNetwork->Sent();
    QCOMPARE(sent.size(), 1);
    QCOMPARE(sent[0].mConnectionId, UWORD(3));
    QCOMPARE(sent[0].mMethod, UWORD(M_REG_FIND_OBJECT));
    QCOMPARE(sent[0].mSource, seeker.GetHandle());
    QCOMPARE(QByteArray(sent[0].GetDataBufferString(0)), QByteArray("mixer"));
    QVERIFY(seeker.mFound.isEmpty());

    mRouter->Router().PostLocalMessage(UnitReply(M_REPLY_OK, 3, seeker.GetHandle(), 77));
    mRouter->Drain();
    seeker.SeekObject("UnitA/mixer"); // from the cache, with the connection it came over
    mRouter->Drain();
    const sFound expected { "UnitA/mixer", 3, 77 };
    QCOMPARE(seeker.mFound, (QVector<sFound> { expected, expected }));
    QCOMPARE(mNetwork->Sent().size(), 1);
}

void tst_SeekObject::notFoundAndIdleReplies()
{
    cTestSeeker seeker;
    seeker.SeekObject("nobody");
    mRouter->Drain();
    QCOMPARE(seeker.mFound, (QVector<sFound> { { "nobody", 0xFFFF, 0xFFFF } }));
    QVERIFY(!seeker.IsSeekBusy());
    QCOMPARE(seeker.CacheEntriesFor("nobody"), 0);

    // Nobody asked: ignored.
    mRouter->Router().PostLocalMessage(UnitReply(M_REPLY_OK, 0, seeker.GetHandle(), 5));
    mRouter->Router().PostLocalMessage(UnitReply(M_REPLY_FAIL, 0, seeker.GetHandle(), 0, 0));
    mRouter->Drain();
    QCOMPARE(seeker.mFound.size(), 1);
}

void tst_SeekObject::shortReplyOkIsNotFound_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("found");
    QTest::newRow("0 bytes") << 0 << false;
    QTest::newRow("1 byte") << 1 << false;
    QTest::newRow("2 bytes") << 2 << true;
}

void tst_SeekObject::shortReplyOkIsNotFound()
{
    QFETCH(int, length);
    QFETCH(bool, found);
    cTestSeeker seeker;
    seeker.SeekObject("UnitA/mixer");
    mRouter->Drain();
    cTraceCapture capture;
    cZUNetMessage reply = UnitReply(M_REPLY_OK, 3, seeker.GetHandle(), 0x1234, UWORD(length));
    if (length == 1)
        reply.SetDataBufferUBYTE(0x12, 0);
    mRouter->Router().PostLocalMessage(reply);
    mRouter->Drain();
    const sFound expected = found ? sFound { "UnitA/mixer", 3, 0x1234 } : sFound { "UnitA/mixer", 0xFFFF, 0xFFFF };
    QCOMPARE(seeker.mFound, QVector<sFound> { expected });
    QCOMPARE(capture.CountContaining("Message too short, dropped: Method: 2"), found ? 0 : 1);
    QCOMPARE(seeker.CacheEntriesFor("UnitA/mixer"), found ? 1 : 0);
}

void tst_SeekObject::cacheRingOverwritesOldest()
{
    cObjectHandleCache cache(40);
    for (int i = 0; i < 41; ++i)
        cache.AddObjectToCache(QByteArray::number(i).constData(), 0, UWORD(100 + i));
    UWORD connectionId = 0;
    UWORD handle = 0;
    QVERIFY(!cache.TryCacheFind("0", connectionId, handle));
    QVERIFY(cache.TryCacheFind("1", connectionId, handle));
    QCOMPARE(handle, UWORD(101));
    QVERIFY(cache.TryCacheFind("40", connectionId, handle));
    QCOMPARE(handle, UWORD(140));
    // The same path twice takes two entries; the newer one is not preferred, the first found is.
    QVERIFY(cache.TryCacheFind("1", connectionId, handle));
    cObjectHandleCache none(0);
    none.AddObjectToCache("a", 0, 1);
    QVERIFY(!none.TryCacheFind("a", connectionId, handle));
}

void tst_SeekObject::clearCache_data()
{
    QTest::addColumn<int>("cleared");
    QTest::addColumn<QStringList>("left");
    QTest::newRow("connection 3") << 3 << QStringList { "local", "four" };
    QTest::newRow("connection 0") << 0 << QStringList { "three", "four" };
    QTest::newRow("every connection") << 0xFFFF << QStringList {};
}

void tst_SeekObject::clearCache()
{
    QFETCH(int, cleared);
    QFETCH(QStringList, left);
    cTestSeeker seeker;
    seeker.AddObjectToCache("local", 0, 1);
    seeker.AddObjectToCache("three", 3, 2);
    seeker.AddObjectToCache("four", 4, 3);
    seeker.ClearObjectCache(UWORD(cleared));
    QStringList found;
    for (const char* path : { "local", "three", "four" }) {
        UWORD connectionId = 0;
        UWORD handle = 0;
        if (seeker.TryCacheFind(path, connectionId, handle))
            found << path;
    }
    QCOMPARE(found, left);
}

void tst_SeekObject::findLocalSeekRemote()
{
    QStringList journal;
    cProbeObject::sJournal = &journal;
    cProbeObject target("target");
    cTestSeeker seeker;
    cZUNetMessage earlier;
    earlier.mConnectionId = 0;
    earlier.mDestination = target.GetHandle();
    earlier.mMethod = PARAMETER_BASE;
    mRouter->Router().PostLocalMessage(earlier);
    QVERIFY(!seeker.FindLocalSeekRemote("target"));
    QVERIFY(seeker.FindLocalSeekRemote("other")); // busy
    QCOMPARE(mRouter->Drain(1), 1);
    QCOMPARE(seeker.mFound, (QVector<sFound> { { "target", 0, target.GetHandle() } }));
    QVERIFY(journal.isEmpty()); // the earlier message is still queued
    mRouter->Drain();
    QCOMPARE(journal, QStringList { "target:msg:4096" });
    cProbeObject::sJournal = nullptr;

    // A path, or a name not registered here, is searched through the registry.
    seeker.FindLocalSeekRemote("UnitA/target");
    mRouter->Drain();
    QCOMPARE(mNetwork->Sent().size(), 1);
    mRouter->Router().PostLocalMessage(UnitReply(M_REPLY_OK, 3, seeker.GetHandle(), 9));
    mRouter->Drain();
    seeker.FindLocalSeekRemote("nobody");
    mRouter->Drain();
    QCOMPARE(seeker.mFound.mid(1), (QVector<sFound> { { "UnitA/target", 3, 9 }, { "nobody", 0xFFFF, 0xFFFF } }));
}

void tst_SeekObject::staleReplies_data()
{
    // The owner gives a search up (as the system builder does when a unit goes away) and starts
    // another; the answer to the first, whenever it arrives, must not answer the second.
    QTest::addColumn<QString>("abandoned");
    QTest::addColumn<bool>("abandonedAnswerIsLate"); // arrives after the second search's request
    QTest::addColumn<QString>("next");
    QTest::newRow("local, then local") << "a" << false << "b";
    QTest::newRow("cached, then local") << "cached" << false << "b";
    QTest::newRow("local shortcut, then local") << "shortcut:a" << false << "b";
    QTest::newRow("remote, then local") << "UnitA/x" << true << "b";
    QTest::newRow("remote, then remote") << "UnitA/x" << true << "UnitA/y";
    QTest::newRow("local, then remote") << "a" << false << "UnitA/y";
}

void tst_SeekObject::staleReplies()
{
    QFETCH(QString, abandoned);
    QFETCH(bool, abandonedAnswerIsLate);
    QFETCH(QString, next);
    cProbeObject a("a");
    cProbeObject b("b");
    cProbeObject cached("cached");
    cTestSeeker seeker;
    seeker.SeekObject("cached");
    mRouter->Drain();
    seeker.mFound.clear();

    if (abandoned.startsWith("shortcut:"))
        seeker.FindLocalSeekRemote(abandoned.mid(9).toUtf8().constData());
    else
        seeker.SeekObject(abandoned.toUtf8().constData());
    if (abandoned.startsWith("UnitA/"))
        mRouter->Drain(); // forwarded to the unit, whose answer is still to come
    seeker.ClearSeekBusy();
    seeker.SeekObject(next.toUtf8().constData());
    mRouter->Drain();
    if (abandonedAnswerIsLate)
        mRouter->Router().PostLocalMessage(UnitReply(M_REPLY_OK, 3, seeker.GetHandle(), 0x0666));
    if (next.startsWith("UnitA/"))
        mRouter->Router().PostLocalMessage(UnitReply(M_REPLY_OK, 3, seeker.GetHandle(), 0x0777));
    mRouter->Drain();

    const sFound expected = next == "b" ? sFound { "b", 0, b.GetHandle() } : sFound { next, 3, 0x0777 };
    QCOMPARE(seeker.mFound, QVector<sFound> { expected });
    QCOMPARE(seeker.RepliesDue(), 0);
    // The cache holds the true answer, and nothing else for that path.
    UWORD connectionId = 0;
    UWORD handle = 0;
    QVERIFY(seeker.TryCacheFind(next.toUtf8().constData(), connectionId, handle));
    QCOMPARE(handle, expected.mHandle);
    QCOMPARE(seeker.CacheEntriesFor(next.toUtf8().constData()), 1);
}

void tst_SeekObject::connectionEndKeepsSearchBusy()
{
    cProbeObject b("b");
    cTestSeeker seeker(40);
    seeker.AddObjectToCache("UnitA/old", 3, 5);
    seeker.AddObjectToCache("b", 0, b.GetHandle());
    seeker.SeekObject("UnitA/x");
    mRouter->Drain();
    QCOMPARE(seeker.RepliesDue(), 1);
    mRouter->Router().ConnectionTerminated(3, true);
    QVERIFY(seeker.IsSeekBusy());
    QCOMPARE(seeker.RepliesDue(), 0); // its reply can no longer come
    QCOMPARE(seeker.CacheEntriesFor("UnitA/old"), 0);
    QCOMPARE(seeker.CacheEntriesFor("b"), 1);

    // A later connection may take id 3 again: what it sends is no answer to the given-up search.
    seeker.ClearSeekBusy();
    seeker.SeekObject("b");
    mRouter->Router().PostLocalMessage(UnitReply(M_REPLY_OK, 3, seeker.GetHandle(), 0x0666));
    mRouter->Drain();
    QCOMPARE(seeker.mFound, (QVector<sFound> { { "b", 0, b.GetHandle() } }));
}

void tst_SeekObject::replyQueuedBeforeItsConnectionEnded()
{
    // The unit's answer to a given-up search is already queued when its connection ends, and the
    // next search goes out over the next connection under the same id before that answer is
    // dispatched: it must not be taken as the next search's answer.
    cTestSeeker seeker;
    seeker.SeekObject("UnitA/x");
    mRouter->Drain();
    seeker.ClearSeekBusy();
    seeker.SeekObject("UnitA/y"); // its find request waits in the queue
    mRouter->Router().PostLocalMessage(UnitReply(M_REPLY_OK, 3, seeker.GetHandle(), 0x0666));
    mRouter->Router().ConnectionTerminated(3, true);
    mRouter->Drain();
    QCOMPARE(mNetwork->Sent().size(), 2); // "y" went out over the new connection 3
    QVERIFY(seeker.mFound.isEmpty());
    mRouter->Router().PostLocalMessage(UnitReply(M_REPLY_OK, 3, seeker.GetHandle(), 0x0777));
    mRouter->Drain();
    QCOMPARE(seeker.mFound, (QVector<sFound> { { "UnitA/y", 3, 0x0777 } }));
    QCOMPARE(seeker.RepliesDue(), 0);
}

void tst_SeekObject::pathLengthLimit_data()
{
    QTest::addColumn<int>("length");
    QTest::newRow("127 characters") << 127;
    QTest::newRow("128 characters") << 128;
    QTest::newRow("300 characters") << 300;
}

void tst_SeekObject::pathLengthLimit()
{
    QFETCH(int, length);
    const QByteArray path = "UnitA/" + QByteArray(length - 6, 'x');
    cTestSeeker seeker;
    cTraceCapture capture;
    seeker.SeekObject(path.constData());
    mRouter->Drain();
    if (length <= 127) {
        QCOMPARE(mNetwork->Sent().size(), 1);
        QCOMPARE(capture.Lines(), QStringList {});
        return;
    }
    // Refused, never cut to 127 characters (which could name another object).
    QCOMPARE(mNetwork->Sent().size(), 0);
    QCOMPARE(capture.Lines(),
        QStringList { QStringLiteral("ERROR: Seek path too long (%1 characters, at most 127): \"%2...\"")
                          .arg(length)
                          .arg(QString::fromUtf8(path.left(127))) });
    QCOMPARE(seeker.mFound, (QVector<sFound> { { QString::fromUtf8(path.left(127)), 0xFFFF, 0xFFFF } }));
    QVERIFY(!seeker.IsSeekBusy());
}

QTEST_GUILESS_MAIN(tst_SeekObject)
#include "tst_seekobject.moc"
