#include "Common/Qt/UnitFinder.h"
#include "tests/support/TestNetwork.h"

#include <QNetworkDatagram>
#include <QUdpSocket>
#include <QtTest>

#include <atomic>
#include <future>
#include <memory>
#include <thread>

namespace
{

const QString kFind = QStringLiteral("Test Find");
const QString kOtherFind = QStringLiteral("Other Find");

template <std::size_t N> QByteArray Bytes(const char (&text)[N])
{
    return QByteArray(text, int(N - 1));
}

QByteArray Reply(const QString& find, const QString& name, const QString& info = QStringLiteral("{}"))
{
    QByteArray datagram("ZU_UFV2");
    datagram.append('\0').append(find.toLatin1()).append('\0');
    datagram.append(name.toLatin1()).append('\0').append(info.toLatin1()).append('\0');
    return datagram;
}

/// A multi finder with its timer off: tests tick it by hand.
struct cFinderFixture {
    cFinderFixture() { mFinder.SetTimerRunning(false); }
    /// Hands the finder a datagram as the reply socket would, from `from`.
    void Hear(const QByteArray& datagram, const char* from = "10.77.0.2")
    {
        mFinder.ProcessDiscoveryDatagram(datagram, QHostAddress(from));
    }
    /// Ticks as long as a unit lives: every unit not heard meanwhile is lost.
    void OutliveEveryUnit()
    {
        for (int tick = 0; tick < cMultiUnitFinder::UNIT_LIFE; ++tick)
            mFinder.TimerFired();
    }
    cMultiUnitFinder mFinder;
};

} // namespace

class tst_UnitFinder : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { ZU_REQUIRE_PRIVATE_TEST_NETWORK(); }
    void takeString_data();
    void takeString();
    void request_data();
    void request();
    void socketsOnEveryNonLoopbackIPv4Address();
    void parseReply_data();
    void parseReply();
    void replyForFindStringNotSearched();
    void repliesOverTheSocket();
    void sameUnitOnceKeepingFirstDescription();
    void ageing_data();
    void ageing();
    void atMost256SeenUnits();
    void startTwiceOneFinder();
    void stopEmitsLostForItsUnitsOnly();
    void hostAddressByUnitName();
    void legacyReplyWithoutNulIsTheName();
    void stopFromInsideTheFindersOwnSignal();
    void signalsNotEmittedUnderLocks();
    void rebindsOnTickWhenPortWasBusy();
    void readersOnOtherThreads();
    void processFinderOutlivesReaders();
};

void tst_UnitFinder::takeString_data()
{
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<int>("offset");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("nextOffset");

    const QByteArray reply = Bytes("ZU_UFV2\0F\0N\0D\0");
    QTest::newRow("first") << reply << 0 << true << "ZU_UFV2" << 8;
    QTest::newRow("middle") << reply << 10 << true << "N" << 12;
    QTest::newRow("last") << reply << 12 << true << "D" << 14;
    QTest::newRow("at end") << reply << 14 << false << "" << 14;
    QTest::newRow("past end") << reply << 99 << false << "" << 99;
    QTest::newRow("negative") << reply << -1 << false << "" << -1;
    QTest::newRow("empty datagram") << QByteArray() << 0 << false << "" << 0;
    QTest::newRow("no NUL: rest") << Bytes("abc") << 1 << true << "bc" << 4;
    QTest::newRow("two NULs: empty") << Bytes("a\0\0b") << 2 << true << "" << 3;
    QTest::newRow("latin-1") << QByteArray::fromHex("e900") << 0 << true << QString(QChar(0xE9)) << 2;
}

void tst_UnitFinder::takeString()
{
    QFETCH(QByteArray, datagram);
    QFETCH(int, offset);
    QFETCH(bool, ok);
    QFETCH(QString, text);
    QFETCH(int, nextOffset);
    QString taken;
    QCOMPARE(cMultiUnitFinder::TakeStringFromDatagram(datagram, offset, taken), ok);
    QCOMPARE(taken, text);
    QCOMPARE(offset, nextOffset);
}

void tst_UnitFinder::request_data()
{
    QTest::addColumn<QString>("find");
    QTest::addColumn<bool>("legacy");
    QTest::addColumn<QByteArray>("request");
    QTest::newRow("version 2") << kFind << false << Bytes("Test Find\0V2\0");
    QTest::newRow("legacy") << QStringLiteral("Aster Find") << true << QByteArray("Aster Find");
    QTest::newRow("legacy compared exactly") << QStringLiteral("aster find") << false << Bytes("aster find\0V2\0");
}

void tst_UnitFinder::request()
{
    QFETCH(QString, find);
    QFETCH(bool, legacy);
    QFETCH(QByteArray, request);
    cUnitFinder finder(find, nullptr);
    QCOMPARE(finder.IsLegacy(), legacy);
    QCOMPARE(finder.GetRequest(), request);
    QCOMPARE(cUnitFinder::LegacyFindStrings().size(), 11);
}

void tst_UnitFinder::socketsOnEveryNonLoopbackIPv4Address()
{
    cUnitFinder finder(kFind, nullptr);
    QStringList bound;
    for (QUdpSocket* socket : finder.findChildren<QUdpSocket*>())
        bound << socket->localAddress().toString();
    bound.sort();
    QCOMPARE(bound, QStringList({ "10.77.0.1", "10.77.0.2" }));
}

// One row per reason a reply is refused, then the accepted shapes.
void tst_UnitFinder::parseReply_data()
{
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("info");

    QTest::newRow("empty") << QByteArray() << false << ""
                           << "";
    QTest::newRow("wrong sentinel") << Bytes("ZU_UFV3\0Test Find\0N\0D\0") << false << ""
                                    << "";
    QTest::newRow("sentinel case") << Bytes("zu_ufv2\0Test Find\0N\0D\0") << false << ""
                                   << "";
    QTest::newRow("sentinel without NUL") << Bytes("ZU_UFV2") << false << ""
                                          << "";
    QTest::newRow("sentinel only") << Bytes("ZU_UFV2\0") << false << ""
                                   << "";
    QTest::newRow("two texts") << Bytes("ZU_UFV2\0Test Find\0") << false << ""
                               << "";
    QTest::newRow("three texts") << Bytes("ZU_UFV2\0Test Find\0N\0") << false << ""
                                 << "";
    QTest::newRow("find string not searched") << Bytes("ZU_UFV2\0Nope Find\0N\0D\0") << false << ""
                                              << "";
    QTest::newRow("find string prefix") << Bytes("ZU_UFV2\0Test\0N\0D\0") << false << ""
                                        << "";
    QTest::newRow("four texts") << Bytes("ZU_UFV2\0Test Find\0N\0D\0") << true << "N"
                                << "D";
    QTest::newRow("last text unterminated") << Bytes("ZU_UFV2\0Test Find\0N\0D") << true << "N"
                                            << "D";
    QTest::newRow("empty texts") << Bytes("ZU_UFV2\0Test Find\0\0\0") << true << ""
                                 << "";
    QTest::newRow("trailing bytes ignored") << Bytes("ZU_UFV2\0Test Find\0N\0D\0xx") << true << "N"
                                            << "D";
}

void tst_UnitFinder::parseReply()
{
    QFETCH(QByteArray, datagram);
    QFETCH(bool, accepted);
    QFETCH(QString, name);
    QFETCH(QString, info);
    cFinderFixture f;
    f.mFinder.StartFindingUnits(kFind, false);
    QSignalSpy found(&f.mFinder, &cMultiUnitFinder::UnitFound);
    f.Hear(datagram);
    QCOMPARE(found.count(), accepted ? 1 : 0);
    if (accepted) {
        const sUnit unit = found.at(0).at(0).value<sUnit>();
        QCOMPARE(unit.mUnitName, name);
        QCOMPARE(unit.mUnitInfo, info);
        QCOMPARE(unit.mFindString, kFind);
        QCOMPARE(unit.mHostAddress, QHostAddress("10.77.0.2"));
    }
}

void tst_UnitFinder::replyForFindStringNotSearched()
{
    cFinderFixture f;
    QSignalSpy found(&f.mFinder, &cMultiUnitFinder::UnitFound);
    const QByteArray reply = Reply(kFind, "A");
    f.Hear(reply);
    QCOMPARE(found.count(), 0);
    f.mFinder.StartFindingUnits(kFind, false);
    f.Hear(reply);
    QCOMPARE(found.count(), 1);
}

// The same name from two addresses is two units; the replies come over the real reply port.
void tst_UnitFinder::repliesOverTheSocket()
{
    cFinderFixture f;
    QVERIFY(f.mFinder.IsDiscoverySocketBound());
    f.mFinder.StartFindingUnits(kFind, false);
    QSignalSpy found(&f.mFinder, &cMultiUnitFinder::UnitFound);
    int expected = 0;
    for (const char* from : { "127.0.0.1", "127.0.0.2" }) {
        QUdpSocket sender;
        QVERIFY(sender.bind(QHostAddress(from), 0));
        sender.writeDatagram(Reply(kFind, "Stage", "{\"n\":1}"), QHostAddress::LocalHost, UNIT_FINDER_REPLY_PORT);
        ++expected;
        QTRY_COMPARE(found.count(), expected);
    }
    const QList<sUnit> units = f.mFinder.GetFoundUnits();
    QCOMPARE(units.at(0).mHostAddress, QHostAddress("127.0.0.1"));
    QCOMPARE(units.at(1).mHostAddress, QHostAddress("127.0.0.2"));
    for (const sUnit& unit : units) {
        QCOMPARE(unit.mUnitName, QStringLiteral("Stage"));
        QCOMPARE(unit.mUnitInfo, QStringLiteral("{\"n\":1}"));
    }
}

void tst_UnitFinder::sameUnitOnceKeepingFirstDescription()
{
    cFinderFixture f;
    f.mFinder.StartFindingUnits(kFind, false);
    QSignalSpy found(&f.mFinder, &cMultiUnitFinder::UnitFound);
    f.Hear(Reply(kFind, "A", "first"));
    f.Hear(Reply(kFind, "A", "second"));
    QCOMPARE(found.count(), 1);
    QCOMPARE(f.mFinder.GetFoundUnits().size(), 1);
    QCOMPARE(f.mFinder.GetFoundUnits().at(0).mUnitInfo, QStringLiteral("first"));
}

void tst_UnitFinder::ageing_data()
{
    QTest::addColumn<int>("refreshAfterTick"); // 0: never heard again
    QTest::addColumn<int>("lostOnTick");
    QTest::newRow("heard once") << 0 << 5;
    QTest::newRow("reply after the fourth tick") << 4 << 9;
    QTest::newRow("reply after the first tick") << 1 << 6;
}

void tst_UnitFinder::ageing()
{
    QFETCH(int, refreshAfterTick);
    QFETCH(int, lostOnTick);
    cFinderFixture f;
    f.mFinder.StartFindingUnits(kFind, false);
    QSignalSpy lost(&f.mFinder, &cMultiUnitFinder::UnitLost);
    const QByteArray reply = Reply(kFind, "A");
    f.Hear(reply);
    for (int tick = 1; tick <= lostOnTick; ++tick) {
        QCOMPARE(lost.count(), 0);
        f.mFinder.TimerFired();
        if (tick == refreshAfterTick)
            f.Hear(reply);
    }
    QCOMPARE(lost.count(), 1);
    QCOMPARE(lost.at(0).at(0).value<sUnit>().mUnitName, QStringLiteral("A"));
    QVERIFY(f.mFinder.GetFoundUnits().isEmpty());

    QSignalSpy found(&f.mFinder, &cMultiUnitFinder::UnitFound);
    f.Hear(reply);
    QCOMPARE(found.count(), 1); // found anew after being lost
}

void tst_UnitFinder::atMost256SeenUnits()
{
    cFinderFixture f;
    f.mFinder.StartFindingUnits(kFind, false);
    for (int i = 0; i < 256; ++i)
        f.Hear(Reply(kFind, QString::number(i)));
    QCOMPARE(f.mFinder.GetFoundUnits().size(), 256);

    QSignalSpy found(&f.mFinder, &cMultiUnitFinder::UnitFound);
    const QByteArray late = Reply(kFind, "late");
    f.Hear(late);
    QCOMPARE(found.count(), 0);

    // Keep the late unit's slot free: once the others are lost it is accepted.
    f.OutliveEveryUnit();
    QVERIFY(f.mFinder.GetFoundUnits().isEmpty());
    f.Hear(late);
    QCOMPARE(found.count(), 1);
}

void tst_UnitFinder::startTwiceOneFinder()
{
    cFinderFixture f;
    f.mFinder.StartFindingUnits(kFind, true);
    f.mFinder.StartFindingUnits(kFind, true);
    QCOMPARE(f.mFinder.FinderCount(), 1);
    f.mFinder.StartFindingUnits(kOtherFind, false);
    QCOMPARE(f.mFinder.FinderCount(), 1);
}

void tst_UnitFinder::stopEmitsLostForItsUnitsOnly()
{
    cFinderFixture f;
    f.mFinder.StartFindingUnits(kFind, true);
    f.mFinder.StartFindingUnits(kOtherFind, false);
    f.Hear(Reply(kFind, "A"));
    f.Hear(Reply(kOtherFind, "O"));
    f.Hear(Reply(kFind, "B"));
    QSignalSpy lost(&f.mFinder, &cMultiUnitFinder::UnitLost);

    f.mFinder.StopFindingUnits(kFind);
    QCOMPARE(lost.count(), 2);
    QCOMPARE(lost.at(0).at(0).value<sUnit>().mUnitName, QStringLiteral("A"));
    QCOMPARE(lost.at(1).at(0).value<sUnit>().mUnitName, QStringLiteral("B"));
    QCOMPARE(f.mFinder.FinderCount(), 0);
    QCOMPARE(f.mFinder.GetFoundUnits().size(), 1);
    QCOMPARE(f.mFinder.GetFoundUnits().at(0).mFindString, kOtherFind);

    // Its replies are ignored now, and ticks lose nothing more of it.
    f.Hear(Reply(kFind, "A"));
    QCOMPARE(f.mFinder.GetFoundUnitsOfFindString(kFind).size(), 0);
    f.OutliveEveryUnit();
    QCOMPARE(lost.count(), 3);

    f.Hear(Reply(kOtherFind, "O"));
    f.mFinder.StopFindingAllUnits();
    QCOMPARE(lost.count(), 4);
    f.Hear(Reply(kOtherFind, "O"));
    QVERIFY(f.mFinder.GetFoundUnits().isEmpty());
}

void tst_UnitFinder::hostAddressByUnitName()
{
    cFinderFixture f;
    f.mFinder.StartFindingUnits(kFind, false);
    f.mFinder.StartFindingUnits(kOtherFind, false);
    f.Hear(Reply(kOtherFind, "A"), "10.77.0.9");
    f.Hear(Reply(kFind, "A"));
    f.Hear(Reply(kFind, "A"), "10.77.0.3");
    QCOMPARE(f.mFinder.GetHostAddressByUnitName(kFind, "A"), QHostAddress("10.77.0.2"));
    QCOMPARE(f.mFinder.GetHostAddressByUnitName(kOtherFind, "A"), QHostAddress("10.77.0.9"));
    QVERIFY(f.mFinder.GetHostAddressByUnitName(kFind, "a").isNull());
    QVERIFY(f.mFinder.GetHostAddressByUnitName("Nope Find", "A").isNull());
    QCOMPARE(f.mFinder.GetFoundUnitsOfFindString(kFind).size(), 2);
}

void tst_UnitFinder::legacyReplyWithoutNulIsTheName()
{
    cUnitFinder finder(QStringLiteral("Aster Find"), nullptr);
    QSignalSpy seen(&finder, &cUnitFinder::UnitSeen);
    QUdpSocket* target = finder.findChildren<QUdpSocket*>().value(0);
    QVERIFY(target);
    QUdpSocket unit;
    QVERIFY(unit.bind(QHostAddress("10.77.0.2"), 0));
    unit.writeDatagram(QByteArray("Old Unit"), target->localAddress(), target->localPort());
    unit.writeDatagram(Bytes("Named\0junk"), target->localAddress(), target->localPort());
    QTRY_COMPARE(seen.count(), 2);
    const sUnit first = seen.at(0).at(0).value<sUnit>();
    QCOMPARE(first.mUnitName, QStringLiteral("Old Unit"));
    QCOMPARE(first.mFindString, QStringLiteral("Aster Find"));
    QCOMPARE(first.mHostAddress, QHostAddress("10.77.0.2"));
    QVERIFY(first.mUnitInfo.isEmpty());
    QCOMPARE(seen.at(0).at(1).toBool(), false);
    QCOMPARE(seen.at(1).at(0).value<sUnit>().mUnitName, QStringLiteral("Named"));
}

// A receiver of UnitFound that stops the search while the finder is still reading its sockets.
void tst_UnitFinder::stopFromInsideTheFindersOwnSignal()
{
    cFinderFixture f;
    const QString legacy = QStringLiteral("Brio Find");
    f.mFinder.StartFindingUnits(legacy, true);
    QPointer<cUnitFinder> finder = f.mFinder.findChild<cUnitFinder*>();
    QVERIFY(finder);
    QUdpSocket* target = finder->findChildren<QUdpSocket*>().value(0);
    QVERIFY(target);

    bool aliveInsideSlot = false;
    connect(&f.mFinder, &cMultiUnitFinder::UnitFound, this, [&](const sUnit&) {
        f.mFinder.StopFindingUnits(legacy);
        aliveInsideSlot = !finder.isNull();
    });
    QSignalSpy lost(&f.mFinder, &cMultiUnitFinder::UnitLost);
    QUdpSocket unit;
    QVERIFY(unit.bind(QHostAddress("10.77.0.1"), 0));
    unit.writeDatagram(QByteArray("One"), target->localAddress(), target->localPort());
    unit.writeDatagram(QByteArray("Two"), target->localAddress(), target->localPort());
    // Both must be read in one UDPRead, so wait without running the event loop.
    QElapsedTimer waited;
    waited.start();
    while (!target->hasPendingDatagrams() && waited.elapsed() < 5000) { }
    finder->TimerFired();
    QTRY_VERIFY(finder.isNull());
    QVERIFY(aliveInsideSlot);
    QCOMPARE(lost.count(), 1); // "One", dropped by the stop; "Two" was read after the search had stopped
    QVERIFY(f.mFinder.GetFoundUnits().isEmpty());
}

// Receivers may call back into the finder: no signal is emitted while one of its locks is held.
void tst_UnitFinder::signalsNotEmittedUnderLocks()
{
    cFinderFixture f;
    f.mFinder.StartFindingUnits(kFind, false);
    // Another thread takes the found lock; a detached one, so a regression fails instead of hanging.
    auto foundLockFree = [&] {
        auto done = std::make_shared<std::promise<void>>();
        std::future<void> result = done->get_future();
        cMultiUnitFinder* finder = &f.mFinder;
        std::thread([finder, done] {
            finder->GetFoundUnits();
            done->set_value();
        }).detach();
        return result.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
    };
    int calls = 0;
    connect(&f.mFinder, &cMultiUnitFinder::UnitFound, this, [&](const sUnit& unit) {
        QVERIFY(foundLockFree());
        f.mFinder.StartFindingUnits(kOtherFind, false); // takes the search lock on this thread
        QCOMPARE(f.mFinder.GetHostAddressByUnitName(kFind, unit.mUnitName), unit.mHostAddress);
        ++calls;
    });
    connect(&f.mFinder, &cMultiUnitFinder::UnitLost, this, [&](const sUnit&) {
        QVERIFY(foundLockFree());
        f.mFinder.StartFindingUnits(kOtherFind, false);
        ++calls;
    });
    f.Hear(Reply(kFind, "A"));
    f.OutliveEveryUnit();
    f.Hear(Reply(kFind, "B"));
    f.mFinder.StopFindingUnits(kFind);
    QCOMPARE(calls, 4);
}

void tst_UnitFinder::rebindsOnTickWhenPortWasBusy()
{
    auto* blocker = new QUdpSocket(this);
    QVERIFY(blocker->bind(QHostAddress::AnyIPv4, UNIT_FINDER_REPLY_PORT, QAbstractSocket::DontShareAddress));
    cFinderFixture f;
    QVERIFY(!f.mFinder.IsDiscoverySocketBound());
    QTest::ignoreMessage(QtDebugMsg,
        QRegularExpression("^cMultiUnitFinder - TimerFired, not bound\\. attempting "
                           "to bind socket\\.\\.\\. .+"));
    f.mFinder.TimerFired();
    QVERIFY(!f.mFinder.IsDiscoverySocketBound());
    delete blocker;
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^cMultiUnitFinder - TimerFired, not bound"));
    f.mFinder.TimerFired();
    QVERIFY(f.mFinder.IsDiscoverySocketBound());

    f.mFinder.StartFindingUnits(kFind, false);
    QUdpSocket sender;
    sender.writeDatagram(Reply(kFind, "A"), QHostAddress::LocalHost, UNIT_FINDER_REPLY_PORT);
    QTRY_COMPARE(f.mFinder.GetFoundUnits().size(), 1);
}

// The connection manager's threads read the found list while the main thread finds and loses units.
void tst_UnitFinder::readersOnOtherThreads()
{
    cFinderFixture f;
    f.mFinder.StartFindingUnits(kFind, false);
    std::atomic<bool> stop { false };
    std::atomic<int> reads { 0 };
    std::vector<std::thread> readers;
    for (int r = 0; r < 2; ++r) {
        readers.emplace_back([&] {
            while (!stop) {
                const QList<sUnit> all = f.mFinder.GetFoundUnits();
                const QList<sUnit> ofFind = f.mFinder.GetFoundUnitsOfFindString(kFind);
                const QHostAddress address = f.mFinder.GetHostAddressByUnitName(kFind, "7");
                if (all.size() < 0 || ofFind.size() < 0 || address.isMulticast())
                    break;
                ++reads;
            }
        });
    }
    for (int round = 0; round < 20; ++round) {
        for (int i = 0; i < 20; ++i)
            f.Hear(Reply(kFind, QString::number(i)));
        f.OutliveEveryUnit();
    }
    QTRY_VERIFY(reads > 10);
    stop = true;
    for (std::thread& reader : readers)
        reader.join();
    QVERIFY(f.mFinder.GetFoundUnits().isEmpty());
}

// Another thread keeps reading through the process-wide finder while the main thread destroys it.
void tst_UnitFinder::processFinderOutlivesReaders()
{
    auto* finder = new cMultiUnitFinder();
    finder->SetTimerRunning(false);
    finder->StartFindingUnits(kFind, false);
    finder->ProcessDiscoveryDatagram(Reply(kFind, "A"), QHostAddress("10.77.0.2"));
    gMultiUnitFinder = finder;

    std::atomic<bool> stop { false };
    std::atomic<int> seen { 0 };
    std::atomic<int> missing { 0 };
    std::thread reader([&] {
        while (!stop) {
            QList<sUnit> units;
            if (cMultiUnitFinder::GetProcessFoundUnits(units)) {
                if (units.size() == 1
                    && cMultiUnitFinder::GetProcessHostAddressByUnitName(kFind, "A") == QHostAddress("10.77.0.2"))
                    ++seen;
            } else if (cMultiUnitFinder::GetProcessHostAddressByUnitName(kFind, "A").isNull()) {
                ++missing;
            }
        }
    });
    QTRY_VERIFY(seen > 0);
    delete finder; // clears the global itself
    QVERIFY(gMultiUnitFinder.load() == nullptr);
    QTRY_VERIFY(missing > 0);
    stop = true;
    reader.join();
}

QTEST_GUILESS_MAIN(tst_UnitFinder)
#include "tst_unitfinder.moc"
