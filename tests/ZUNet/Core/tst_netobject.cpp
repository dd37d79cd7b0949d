#include "tests/support/FakeNetwork.h"
#include "tests/support/ProbeObject.h"
#include "tests/support/RouterFixture.h"
#include "tests/support/TraceCapture.h"

#include <QtTest>

#include <cstring>

#include <memory>

namespace
{

class cPlain : public cNetObject
{
public:
    cPlain(const char* name, UWORD parameters)
        : cNetObject(name, parameters)
    {
    }
    ~cPlain() override { Unregister(); }
};

cZUNetMessage LinkMessage(UWORD method, UWORD connectionId, UWORD handle, UWORD destinationMethod, UWORD sourceMethod,
    bool dataGram = false, bool sync = false, UWORD length = 10)
{
    cZUNetMessage m(length);
    if (length)
        std::memset(m.mDataBuffer, 0, length);
    const UWORD words[] = { connectionId, handle, destinationMethod, sourceMethod };
    for (int i = 0; i < 4 && 2 * i + 2 <= length; ++i)
        m.SetDataBufferUWORD(words[i], 2 * i);
    if (length > 8)
        m.SetDataBufferUBYTE(dataGram ? 1 : 0, 8);
    if (length > 9)
        m.SetDataBufferUBYTE(sync ? 1 : 0, 9);
    m.mMethod = method;
    m.mConnectionId = 0;
    m.mSource = 0xFFFF;
    return m;
}

cZUNetMessage FromObject(UWORD method, UWORD connectionId, UWORD source)
{
    cZUNetMessage m;
    m.mMethod = method;
    m.mConnectionId = connectionId;
    m.mSource = source;
    return m;
}

QVector<UWORD> Methods(const QVector<cZUNetMessage>& messages)
{
    QVector<UWORD> out;
    for (const auto& m : messages)
        out.append(m.mMethod);
    return out;
}

} // namespace

class tst_NetObject : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void addLinkOnceAndDeleteListCounts();
    void syncCallsUpdateNewObjectOnce();
    void linkRequestOutOfRange_data();
    void linkRequestOutOfRange();
    void shortLinkRequestsAreDropped_data();
    void shortLinkRequestsAreDropped();
    void removeLink();
    void deleteListAndObjectDeleted();
    void connectionTerminatedKeepsOtherConnections();
    void informOtherObjects();
    void informThisObject();
    void unregisterTellsInformers();
    void destroyedWhileRegisteredLeavesRouter();
    void failedRegistrationDoesNotDisturbTheFirst();
    void baseMethodTable_data();
    void baseMethodTable();
    void baseUpdateNewObjectAndScans();
    void tooManyParameters();

private:
    std::unique_ptr<cRouterFixture> mRouter;
    std::unique_ptr<cFakeNetwork> mNetwork;
};

void tst_NetObject::init()
{
    mRouter.reset(new cRouterFixture());
    mNetwork.reset(new cFakeNetwork());
}

void tst_NetObject::cleanup()
{
    mNetwork.reset();
    mRouter.reset();
}

void tst_NetObject::addLinkOnceAndDeleteListCounts()
{
    cProbeObject source("source", 2);
    cProbeObject target("target", 2);
    auto add = LinkMessage(M_OBJECT_ADD_TO_INFORM_LIST, 0, target.GetHandle(), PARAMETER_BASE, PARAMETER_BASE);
    source.EntrypointMessage(add);
    mRouter->Drain();
    QCOMPARE(source.GetNumberOfInformListItems(PARAMETER_BASE), UWORD(1));
    QCOMPARE(Methods(target.mReceived), QVector<UWORD> { M_OBJECT_ADD_TO_DELETE_LIST });
    QCOMPARE(target.mReceived[0].mSource, source.GetHandle());
    QCOMPARE(target.mReceived[0].mLength, UWORD(0));

    source.EntrypointMessage(add); // the same triple again: nothing at all
    mRouter->Drain();
    QCOMPARE(source.GetNumberOfInformListItems(PARAMETER_BASE), UWORD(1));
    QCOMPARE(target.mReceived.size(), 1);

    auto other = LinkMessage(M_OBJECT_ADD_TO_INFORM_LIST, 0, target.GetHandle(), PARAMETER_BASE + 1, PARAMETER_BASE);
    source.EntrypointMessage(other);
    mRouter->Drain();
    QCOMPARE(source.GetNumberOfInformListItems(PARAMETER_BASE), UWORD(2));
    QCOMPARE(source.GetInformList(PARAMETER_BASE)->front().mMethod, UWORD(PARAMETER_BASE + 1)); // newest first
    QCOMPARE(target.GetDeleteList().size(), size_t(1));
    QCOMPARE(target.GetDeleteList().front().mRefCount, UWORD(2));
    QCOMPARE(target.GetDeleteList().front().mHandle, source.GetHandle());
}

void tst_NetObject::syncCallsUpdateNewObjectOnce()
{
    cProbeObject source("source", 1);
    auto add = LinkMessage(M_OBJECT_ADD_TO_INFORM_LIST, 3, 44, PARAMETER_BASE + 5, PARAMETER_BASE, false, true);
    source.EntrypointMessage(add);
    QCOMPARE(source.mUpdates.size(), 1);
    QCOMPARE(source.mUpdates[0].mConnectionId, UWORD(3));
    QCOMPARE(source.mUpdates[0].mHandle, UWORD(44));
    QCOMPARE(source.mUpdates[0].mDestinationMethod, UWORD(PARAMETER_BASE + 5));
    QCOMPARE(source.mUpdates[0].mSourceMethod, UWORD(PARAMETER_BASE));
    // The delete-list message for a remote entry goes through the connection.
    QCOMPARE(Methods(mNetwork->Sent()), QVector<UWORD> { M_OBJECT_ADD_TO_DELETE_LIST });
    QCOMPARE(mNetwork->Sent()[0].mConnectionId, UWORD(3));
    QCOMPARE(mNetwork->Sent()[0].mDestination, UWORD(44));
    source.EntrypointMessage(add);
    QCOMPARE(source.mUpdates.size(), 1);
}

void tst_NetObject::linkRequestOutOfRange_data()
{
    QTest::addColumn<int>("parameters");
    QTest::addColumn<int>("method");
    QTest::addColumn<int>("sourceMethod");
    QTest::addColumn<QStringList>("traces");
    QTest::newRow("add below base")
        << 2 << 6 << 0x0FFF
        << QStringList { "ERROR: Add Parameter out of range Object Name: \"obj\" Parameter: -1, mNumberOfParameters: 2",
               "ERROR: ConnectionId: 0, Handle: 7, DestinationMethod: 0x1000, SourceMethod: 0xFFF" };
    QTest::newRow("add past last")
        << 2 << 6 << 0x1002
        << QStringList { "ERROR: Add Parameter out of range Object Name: \"obj\" Parameter: 2, mNumberOfParameters: 2",
               "ERROR: ConnectionId: 0, Handle: 7, DestinationMethod: 0x1000, SourceMethod: 0x1002" };
    QTest::newRow("add to no parameters")
        << 0 << 6 << 0x1000
        << QStringList { "ERROR: Add Parameter out of range Object Name: \"obj\" Parameter: 0, mNumberOfParameters: 0",
               "ERROR: ConnectionId: 0, Handle: 7, DestinationMethod: 0x1000, SourceMethod: 0x1000" };
    QTest::newRow("remove past last")
        << 1 << 7 << 0x1001
        << QStringList { "ERROR: Remove Parameter out of range Object Name: \"obj\" Parameter: 4097 Adjusted: 1, "
                         "mNumberOfParameters: 1",
               "ERROR: ConnectionId: 0, Handle: 7, Method: 4096" };
}

void tst_NetObject::linkRequestOutOfRange()
{
    QFETCH(int, parameters);
    QFETCH(int, method);
    QFETCH(int, sourceMethod);
    QFETCH(QStringList, traces);
    cProbeObject object("obj", UWORD(parameters));
    cTraceCapture capture;
    auto request = LinkMessage(UWORD(method), 0, 7, PARAMETER_BASE, UWORD(sourceMethod));
    object.EntrypointMessage(request);
    QCOMPARE(capture.Lines(), traces);
    QCOMPARE(mRouter->Router().GetNumberOfMessagesInBuffer(), ULONG(0));
}

void tst_NetObject::shortLinkRequestsAreDropped_data()
{
    QTest::addColumn<int>("method");
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("add 9 bytes") << 6 << 9 << false;
    QTest::newRow("add 0 bytes") << 6 << 0 << false;
    QTest::newRow("add 10 bytes") << 6 << 10 << true;
    QTest::newRow("remove 7 bytes") << 7 << 7 << false;
    QTest::newRow("remove 8 bytes") << 7 << 8 << true;
}

void tst_NetObject::shortLinkRequestsAreDropped()
{
    QFETCH(int, method);
    QFETCH(int, length);
    QFETCH(bool, accepted);
    cProbeObject object("obj", 1);
    auto add = LinkMessage(M_OBJECT_ADD_TO_INFORM_LIST, 0, 9, PARAMETER_BASE, PARAMETER_BASE);
    if (method == 7)
        object.EntrypointMessage(add);
    mRouter->Drain();
    cTraceCapture capture;
    auto request = LinkMessage(UWORD(method), 0, 9, PARAMETER_BASE, PARAMETER_BASE, false, false, UWORD(length));
    object.EntrypointMessage(request);
    const int expectedItems = (method == 6) == accepted ? 1 : 0;
    QCOMPARE(int(object.GetNumberOfInformListItems(PARAMETER_BASE)), expectedItems);
    QCOMPARE(capture.CountContaining("Message too short, dropped"), accepted ? 0 : 1);
}

void tst_NetObject::removeLink()
{
    cProbeObject source("source", 1);
    cProbeObject target("target", 1);
    auto add = LinkMessage(M_OBJECT_ADD_TO_INFORM_LIST, 0, target.GetHandle(), PARAMETER_BASE, PARAMETER_BASE);
    source.EntrypointMessage(add);
    mRouter->Drain();
    QCOMPARE(target.GetDeleteList().size(), size_t(1));

    cTraceCapture capture;
    auto missing = LinkMessage(
        M_OBJECT_REMOVE_FROM_INFORM_LIST, 0, target.GetHandle(), PARAMETER_BASE + 9, PARAMETER_BASE, false, false, 8);
    source.EntrypointMessage(missing); // silently ignored
    QCOMPARE(mRouter->Router().GetNumberOfMessagesInBuffer(), ULONG(0));

    auto remove = LinkMessage(
        M_OBJECT_REMOVE_FROM_INFORM_LIST, 0, target.GetHandle(), PARAMETER_BASE, PARAMETER_BASE, false, false, 8);
    source.EntrypointMessage(remove);
    mRouter->Drain();
    QCOMPARE(source.GetNumberOfInformListItems(PARAMETER_BASE), UWORD(0));
    QCOMPARE(
        Methods(target.mReceived), (QVector<UWORD> { M_OBJECT_ADD_TO_DELETE_LIST, M_OBJECT_REMOVE_FROM_DELETE_LIST }));
    QVERIFY(target.GetDeleteList().empty());
    QCOMPARE(capture.Lines(), QStringList {});
}

void tst_NetObject::deleteListAndObjectDeleted()
{
    cProbeObject object("obj", 2);
    auto fromFive = FromObject(M_OBJECT_ADD_TO_DELETE_LIST, 0, 5);
    object.EntrypointMessage(fromFive);
    object.EntrypointMessage(fromFive);
    QCOMPARE(object.GetDeleteList().front().mRefCount, UWORD(2));
    auto decrement = FromObject(M_OBJECT_REMOVE_FROM_DELETE_LIST, 0, 5);
    object.EntrypointMessage(decrement);
    QCOMPARE(object.GetDeleteList().front().mRefCount, UWORD(1));
    object.EntrypointMessage(decrement);
    QVERIFY(object.GetDeleteList().empty());
    object.EntrypointMessage(decrement); // nothing left to decrement
    QVERIFY(object.GetDeleteList().empty());

    // Entries for (0,5) on both parameters with several methods, plus (3,5) that must stay.
    for (UWORD p = 0; p < 2; ++p) {
        auto a = LinkMessage(M_OBJECT_ADD_TO_INFORM_LIST, 0, 5, PARAMETER_BASE, PARAMETER_BASE + p);
        auto b = LinkMessage(M_OBJECT_ADD_TO_INFORM_LIST, 0, 5, PARAMETER_BASE + 1, PARAMETER_BASE + p);
        auto c = LinkMessage(M_OBJECT_ADD_TO_INFORM_LIST, 3, 5, PARAMETER_BASE, PARAMETER_BASE + p);
        object.EntrypointMessage(a);
        object.EntrypointMessage(b);
        object.EntrypointMessage(c);
    }
    object.EntrypointMessage(fromFive);
    object.EntrypointMessage(fromFive);
    auto deleted = FromObject(M_OBJECT_DELETED, 0, 5);
    object.EntrypointMessage(deleted);
    QCOMPARE(object.GetNumberOfInformListItems(PARAMETER_BASE), UWORD(1));
    QCOMPARE(object.GetNumberOfInformListItems(PARAMETER_BASE + 1), UWORD(1));
    QCOMPARE(object.GetInformList(PARAMETER_BASE)->front().mConnectionId, UWORD(3));
    QVERIFY(object.GetDeleteList().empty());
}

void tst_NetObject::connectionTerminatedKeepsOtherConnections()
{
    cProbeObject object("obj", 1);
    for (UWORD connection : { UWORD(0), UWORD(3), UWORD(4) }) {
        auto add = LinkMessage(M_OBJECT_ADD_TO_INFORM_LIST, connection, 8, PARAMETER_BASE, PARAMETER_BASE);
        object.EntrypointMessage(add);
        auto informer = FromObject(M_OBJECT_ADD_TO_DELETE_LIST, connection, 9);
        object.EntrypointMessage(informer);
    }
    mRouter->Router().ConnectionTerminated(4, true);
    QCOMPARE(object.mTerminated.size(), 1);
    QCOMPARE(object.mTerminated[0], qMakePair(UWORD(4), true));
    QCOMPARE(object.GetNumberOfInformListItems(PARAMETER_BASE), UWORD(2));
    for (const auto& item : *object.GetInformList(PARAMETER_BASE))
        QVERIFY(item.mConnectionId != 4);
    QCOMPARE(object.GetDeleteList().size(), size_t(2));
    for (const auto& item : object.GetDeleteList())
        QVERIFY(item.mConnectionId != 4);
}

void tst_NetObject::informOtherObjects()
{
    cProbeObject object("obj", 2);
    cProbeObject local("local-17", 0);
    // Entries: (3,17), (0,local), (3,18) as datagram; newest first means (3,18) goes out first.
    auto a = LinkMessage(M_OBJECT_ADD_TO_INFORM_LIST, 3, 17, PARAMETER_BASE + 4, PARAMETER_BASE + 1);
    auto b = LinkMessage(M_OBJECT_ADD_TO_INFORM_LIST, 0, local.GetHandle(), PARAMETER_BASE + 2, PARAMETER_BASE + 1);
    auto c = LinkMessage(M_OBJECT_ADD_TO_INFORM_LIST, 3, 18, PARAMETER_BASE + 3, PARAMETER_BASE + 1, true);
    auto d = LinkMessage(M_OBJECT_ADD_TO_INFORM_LIST, 3, 19, PARAMETER_BASE + 3, PARAMETER_BASE + 1);
    object.EntrypointMessage(a);
    object.EntrypointMessage(b);
    object.EntrypointMessage(c);
    object.EntrypointMessage(d);
    mRouter->Drain();
    mNetwork->Clear();
    local.mReceived.clear();

    cZUNetMessage value(2);
    value.SetDataBufferUWORD(0x4242, 0);
    value.mMethod = PARAMETER_BASE + 1;
    value.mConnectionId = 3;
    value.mSource = 17; // it came from (3,17): not sent back there
    object.InformOtherObjects(value);
    mRouter->Drain();

    const auto sent = mNetwork->Sent();
    QCOMPARE(sent.size(), 1);
    QCOMPARE(sent[0].mDestination, UWORD(19));
    QCOMPARE(sent[0].mMethod, UWORD(PARAMETER_BASE + 3));
    QCOMPARE(sent[0].mSource, object.GetHandle());
    QCOMPARE(sent[0].GetDataBufferUWORD(0), UWORD(0x4242));
    const auto datagrams = mNetwork->SentDatagrams();
    QCOMPARE(datagrams.size(), 1);
    QCOMPARE(datagrams[0].mDestination, UWORD(18));
    QCOMPARE(datagrams[0].mConnectionId, UWORD(3));
    QCOMPARE(local.mReceived.size(), 1);
    QCOMPARE(local.mReceived[0].mMethod, UWORD(PARAMETER_BASE + 2));
    QCOMPARE(local.mReceived[0].mSource, object.GetHandle());

    mNetwork->Clear();
    value.mMethod = 0x0FFF; // wraps below the parameter base: nothing goes out
    object.InformOtherObjects(value);
    value.mMethod = PARAMETER_BASE; // a parameter with no links
    object.InformOtherObjects(value);
    QVERIFY(mNetwork->Sent().isEmpty());
    QCOMPARE(mRouter->Router().GetNumberOfMessagesInBuffer(), ULONG(0));
}

void tst_NetObject::informThisObject()
{
    cProbeObject object("obj", 1);
    auto a = LinkMessage(M_OBJECT_ADD_TO_INFORM_LIST, 3, 17, PARAMETER_BASE + 4, PARAMETER_BASE);
    auto b = LinkMessage(M_OBJECT_ADD_TO_INFORM_LIST, 3, 18, PARAMETER_BASE + 4, PARAMETER_BASE);
    object.EntrypointMessage(a);
    object.EntrypointMessage(b);
    mNetwork->Clear();
    cZUNetMessage value(1);
    value.SetDataBufferUBYTE(1, 0);
    value.mMethod = PARAMETER_BASE;
    value.mConnectionId = 3;
    value.mSource = 17;
    object.InformThisObject(value);
    const auto sent = mNetwork->Sent();
    QCOMPARE(sent.size(), 1);
    QCOMPARE(sent[0].mDestination, UWORD(17));
}

void tst_NetObject::unregisterTellsInformers()
{
    auto object = std::make_unique<cProbeObject>("obj", 1);
    cProbeObject informer("informer", 0);
    auto local = FromObject(M_OBJECT_ADD_TO_DELETE_LIST, 0, informer.GetHandle());
    auto remote = FromObject(M_OBJECT_ADD_TO_DELETE_LIST, 2, 33);
    object->EntrypointMessage(local);
    object->EntrypointMessage(remote);
    const UWORD handle = object->GetHandle();
    object->Unregister();
    QCOMPARE(mRouter->Router().GetHandle("obj"), UWORD(0xFFFF));
    QVERIFY(!mRouter->Router().GetObject(handle));
    mRouter->Drain();
    QCOMPARE(Methods(informer.mReceived), QVector<UWORD> { M_OBJECT_DELETED });
    QCOMPARE(informer.mReceived[0].mSource, handle);
    QCOMPARE(Methods(mNetwork->Sent()), QVector<UWORD> { M_OBJECT_DELETED });
    QCOMPARE(mNetwork->Sent()[0].mConnectionId, UWORD(2));

    mNetwork->Clear();
    object->Unregister(); // nothing left to do
    mRouter->Drain();
    QCOMPARE(informer.mReceived.size(), 1);
    QVERIFY(mNetwork->Sent().isEmpty());
}

void tst_NetObject::destroyedWhileRegisteredLeavesRouter()
{
    cTraceCapture capture;
    UWORD handle;
    {
        cPlain* plain = new cPlain("forgetful", 0);
        handle = plain->GetHandle();
        // Skip the owner's Unregister by destroying through the base alone.
        struct cLeaky : cNetObject {
            cLeaky()
                : cNetObject("leaky", 0)
            {
            }
        };
        auto* leaky = new cLeaky();
        const UWORD leakyHandle = leaky->GetHandle();
        delete leaky;
        QCOMPARE(capture.Lines(), QStringList { "ERROR: This object (leaky) should have been unregistered by now" });
        QVERIFY(!mRouter->Router().GetObject(leakyHandle));
        QCOMPARE(mRouter->Router().GetHandle("leaky"), UWORD(0xFFFF));
        // A late message to the old handle is dropped, not delivered to freed memory.
        cZUNetMessage late;
        late.mConnectionId = 0;
        late.mDestination = leakyHandle;
        late.mMethod = PARAMETER_BASE;
        mRouter->Router().PostLocalMessage(late);
        QCOMPARE(mRouter->Drain(), 1);
        delete plain;
    }
    QVERIFY(handle != 0xFFFF);
}

void tst_NetObject::failedRegistrationDoesNotDisturbTheFirst()
{
    cTraceCapture capture;
    cProbeObject first("twin", 0);
    {
        cProbeObject second("twin", 0);
        QCOMPARE(second.GetHandle(), UWORD(0xFFFF));
        QCOMPARE(capture.Lines(), QStringList { "ERROR: Net object name is not unique, twin" });
    }
    QCOMPARE(mRouter->Router().GetHandle("twin"), first.GetHandle());
    QCOMPARE(mRouter->Router().GetObject(first.GetHandle()), static_cast<cNetObject*>(&first));
}

void tst_NetObject::baseMethodTable_data()
{
    QTest::addColumn<int>("method");
    QTest::addColumn<QString>("trace");
    QTest::addColumn<bool>("replyFail");
    QTest::newRow("absolute store") << 15 << "ERROR: NYI - M_ALL_ABSOLUTE_UPDATE_CURRENT_STORE for obj on 15" << true;
    QTest::newRow("relative store") << 19 << "ERROR: NYI - M_ALL_RELATIVE_UPDATE_CURRENT_STORE for obj on 19" << true;
    QTest::newRow("unknown") << 0x123
                             << "ERROR: Unknown Method: 291  Source: 55, ConnId: 0 ObjectName: \"obj\", mHandle = 1"
                             << false;
}

void tst_NetObject::baseMethodTable()
{
    QFETCH(int, method);
    QFETCH(QString, trace);
    QFETCH(bool, replyFail);
    cPlain object("obj", 0);
    cProbeObject asker("asker", 0);
    QCOMPARE(object.GetHandle(), UWORD(1));
    cTraceCapture capture;
    cZUNetMessage request;
    request.mMethod = UWORD(method);
    request.mConnectionId = 0;
    request.mSource = replyFail ? asker.GetHandle() : 55;
    object.EntrypointMessage(request);
    mRouter->Drain();
    QCOMPARE(capture.Lines(), QStringList { trace });
    if (replyFail) {
        QCOMPARE(Methods(asker.mReceived), QVector<UWORD> { M_REPLY_FAIL });
        QCOMPARE(asker.mReceived[0].mLength, UWORD(0));
        QCOMPARE(asker.mReceived[0].mSource, object.GetHandle());
    } else {
        QVERIFY(asker.mReceived.isEmpty());
    }
}

void tst_NetObject::baseUpdateNewObjectAndScans()
{
    cPlain object("obj", 1);
    cTraceCapture capture;
    object.UpdateNewObject(2, 0x21, PARAMETER_BASE, PARAMETER_BASE + 3);
    object.UpdateNewObject(2, 0x21, PARAMETER_BASE, NON_PARAMETER_BASE + 2);
    object.ActionTick();
    object.ActionTock();
    QCOMPARE(capture.Lines(),
        (QStringList { "ERROR: UpdateNewObject needs overloading to enable sync-up",
            "ERROR: Object Name: \"obj\" SourceMethod: 0x1003, Destination Handle: 0x21  ConnectionId: 2",
            "ERROR: PARAMETER_BASE Adjusted SourceMethod: 3,",
            "ERROR: UpdateNewObject needs overloading to enable sync-up",
            "ERROR: Object Name: \"obj\" SourceMethod: 0x102, Destination Handle: 0x21  ConnectionId: 2",
            "ERROR: NON_PARAMETER_BASE Adjusted SourceMethod: 2,", "ERROR: Object obj, scanned with no ActionTick?",
            "ERROR: Object obj, tock scanned with no ActionTock?" }));
}

void tst_NetObject::tooManyParameters()
{
    cTraceCapture capture;
    cPlain object("huge", 0xF001);
    QCOMPARE(capture.Lines(), QStringList { "ERROR: huge - mNumberOfParameters  = 0xF001, exceeds maximum" });
    QCOMPARE(object.GetNumberOfInformListItems(PARAMETER_BASE), UWORD(0));
    QCOMPARE(object.GetNumberOfInformListItems(PARAMETER_BASE + 0xEFFF), UWORD(0));
}

QTEST_GUILESS_MAIN(tst_NetObject)
#include "tst_netobject.moc"
