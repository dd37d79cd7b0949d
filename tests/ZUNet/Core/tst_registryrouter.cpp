#include "tests/support/FakeNetwork.h"
#include "tests/support/MessageData.h"
#include "tests/support/ProbeObject.h"
#include "tests/support/RouterFixture.h"
#include "tests/support/TraceCapture.h"

#include <QtTest>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace
{

class cPlain : public cNetObject
{
public:
    explicit cPlain(const char* name)
        : cNetObject(name, 0)
    {
    }
    ~cPlain() override { Unregister(); }
};

cZUNetMessage FindRequest(const QByteArray& text, UWORD connectionId, UWORD source, bool terminate = true)
{
    return MessageWithData(connectionId, 0, source, M_REG_FIND_OBJECT, terminate ? text + '\0' : text);
}

} // namespace

class tst_RegistryRouter : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void handlesInOrderAndReusedFirstInFirstOut();
    void registryHoldsAtMost59999();
    void releaseWithNoHandleInUseChangesNothing();
    void nameLengths_data();
    void nameLengths();
    void namesSurviveMapGrowth();
    void objectNames();
    void findObject_data();
    void findObject();
    void malformedFindRequestsFail_data();
    void malformedFindRequestsFail();
    void routing();
    void prependGoesToTheFront();
    void tickRunsScanInOrderThenTock();
    void unregisterLeavesScans();
    void pollDropsUnknownAndInvalidDestinations_data();
    void pollDropsUnknownAndInvalidDestinations();
    void pollStopsWhenToldFromAHandler();
    void registryUnknownMethod();
    void exhaustedPoolReportedOnce();
    void messpoolsDump();
    void messpoolsDumpUnwritable();
    void connectionTerminatedInHandleOrder();
    void systemBuilderSetOnlyOnce();
    void syscallGlobals();
    void pollLockHoldsOffDispatch();

private:
    std::unique_ptr<cRouterFixture> mRouter;
    std::unique_ptr<cFakeNetwork> mNetwork;
};

void tst_RegistryRouter::init()
{
    mRouter.reset(new cRouterFixture());
    mNetwork.reset(new cFakeNetwork());
}

void tst_RegistryRouter::cleanup()
{
    mNetwork.reset();
    mRouter.reset();
}

void tst_RegistryRouter::handlesInOrderAndReusedFirstInFirstOut()
{
    auto a = std::make_unique<cPlain>("a");
    auto b = std::make_unique<cPlain>("b");
    auto c = std::make_unique<cPlain>("c");
    QCOMPARE(a->GetHandle(), UWORD(1));
    QCOMPARE(b->GetHandle(), UWORD(2));
    QCOMPARE(c->GetHandle(), UWORD(3));
    b.reset();
    cPlain d("d");
    QCOMPARE(d.GetHandle(), UWORD(4));
    QCOMPARE(mRouter->Router().GetHandle("b"), UWORD(0xFFFF));
}

void tst_RegistryRouter::registryHoldsAtMost59999()
{
    std::vector<std::unique_ptr<cPlain>> objects;
    objects.reserve(59999);
    for (int i = 0; i < 59999; ++i)
        objects.push_back(std::make_unique<cPlain>(QByteArray::number(i).constData()));
    QCOMPARE(objects.back()->GetHandle(), UWORD(59999));
    cTraceCapture capture;
    {
        cPlain extra("extra");
        QCOMPARE(extra.GetHandle(), UWORD(0xFFFF));
    }
    QCOMPARE(capture.Lines(), (QStringList { "ERROR: Not enough handles available!", "ERROR: Registry is full" }));
    // After one leaves, the ring wraps: the next handle is 60000, then the freed one.
    const UWORD freed = objects[10]->GetHandle();
    objects[10].reset();
    cPlain next("next");
    QCOMPARE(next.GetHandle(), UWORD(60000));
    objects[20].reset();
    next.Unregister();
    cPlain after("after");
    QCOMPARE(after.GetHandle(), freed);
    QCOMPARE(mRouter->Router().GetHandle("5000"), UWORD(5001));
}

void tst_RegistryRouter::releaseWithNoHandleInUseChangesNothing()
{
    cTraceCapture capture;
    mRouter->Router().ReleaseHandle(77);
    QCOMPARE(capture.Lines(), QStringList { "ERROR: There are no used handles to release!" });
    // The ring is untouched: handles still go out 1, 2, 3 and 77 is not handed out twice.
    QCOMPARE(mRouter->Router().TakeHandle(), UWORD(1));
    QCOMPARE(mRouter->Router().TakeHandle(), UWORD(2));
    mRouter->Router().ReleaseHandle(1);
    mRouter->Router().ReleaseHandle(2);
    capture.Clear();
    mRouter->Router().ReleaseHandle(3);
    QCOMPARE(capture.Lines(), QStringList { "ERROR: There are no used handles to release!" });
}

void tst_RegistryRouter::nameLengths_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("registers");
    QTest::newRow("1") << 1 << true;
    QTest::newRow("63") << 63 << true;
    QTest::newRow("64") << 64 << false;
    QTest::newRow("200") << 200 << false;
}

void tst_RegistryRouter::nameLengths()
{
    QFETCH(int, length);
    QFETCH(bool, registers);
    const QByteArray name(length, 'n');
    cTraceCapture capture;
    cPlain object(name.constData());
    QCOMPARE(object.GetHandle() != 0xFFFF, registers);
    if (registers) {
        QCOMPARE(capture.Lines(), QStringList {});
        QCOMPARE(mRouter->Router().GetHandle(name.constData()), object.GetHandle());
        QCOMPARE(QByteArray(object.GetName()), name);
    } else {
        QCOMPARE(capture.Lines(),
            (QStringList { QString("ERROR: ObjectName length too long: %1").arg(length),
                QString("ERROR: Name: \"%1\"").arg(QString(name)) }));
    }
}

void tst_RegistryRouter::namesSurviveMapGrowth()
{
    std::vector<std::unique_ptr<cPlain>> objects;
    QList<QByteArray> names;
    for (int i = 0; i < 2000; ++i)
        names.append("obj/" + QByteArray::number(i));
    names.append("Case");
    names.append("case");
    names.append("\xC3\xA9t\xC3\xA9");
    names.append("\xFF\x80");
    for (const QByteArray& name : names)
        objects.push_back(std::make_unique<cPlain>(name.constData()));
    for (int i = 0; i < names.size(); ++i)
        QCOMPARE(mRouter->Router().GetHandle(names[i].constData()), objects[size_t(i)]->GetHandle());
    QCOMPARE(mRouter->Router().GetHandle("CASE"), UWORD(0xFFFF));
    objects[3].reset();
    QCOMPARE(mRouter->Router().GetHandle("obj/3"), UWORD(0xFFFF));
    QCOMPARE(mRouter->Router().GetHandle("obj/4"), objects[4]->GetHandle());
}

void tst_RegistryRouter::objectNames()
{
    cTraceCapture capture;
    {
        cPlain a("alpha");
    }
    QCOMPARE(QByteArray(mRouter->Router().GetObjectName(1)), QByteArray("alpha")); // the last holder's name
    QCOMPARE(QByteArray(mRouter->Router().GetObjectName(2)), QByteArray(""));
    QCOMPARE(QByteArray(mRouter->Router().GetObjectName(0)), QByteArray(""));
    QCOMPARE(QByteArray(mRouter->Router().GetObjectName(60001)), QByteArray(""));
    QCOMPARE(capture.Lines(), QStringList { "ERROR: Invalid Handle 60001" });
}

void tst_RegistryRouter::findObject_data()
{
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<int>("requestConnection");
    QTest::addColumn<int>("reply"); // method expected back, 0 = forwarded
    QTest::addColumn<int>("replyConnection"); // where the reply or forward goes
    QTest::addColumn<QByteArray>("forwarded");
    QTest::newRow("local name") << QByteArray("mixer") << 0 << int(M_REPLY_OK) << 0 << QByteArray();
    QTest::newRow("unknown name") << QByteArray("nobody") << 0 << int(M_REPLY_FAIL) << 0 << QByteArray();
    QTest::newRow("name from a peer") << QByteArray("mixer") << 5 << int(M_REPLY_OK) << 5 << QByteArray();
    QTest::newRow("unknown from a peer") << QByteArray("x") << 5 << int(M_REPLY_FAIL) << 5 << QByteArray();
    QTest::newRow("unit path") << QByteArray("UnitA/Obj") << 0 << 0 << 3 << QByteArray("Obj\0", 4);
    QTest::newRow("unit path, deeper") << QByteArray("UnitA/Sub/Obj") << 0 << 0 << 3 << QByteArray("Sub/Obj\0", 8);
    QTest::newRow("unit not found") << QByteArray("Nowhere/Obj") << 0 << int(M_REPLY_FAIL) << 0 << QByteArray();
    QTest::newRow("unit path from a peer") << QByteArray("UnitA/Obj") << 5 << int(M_REPLY_FAIL) << 5 << QByteArray();
}

void tst_RegistryRouter::findObject()
{
    QFETCH(QByteArray, path);
    QFETCH(int, requestConnection);
    QFETCH(int, reply);
    QFETCH(int, replyConnection);
    QFETCH(QByteArray, forwarded);
    mNetwork->AddConnection("UnitA", 3);
    cPlain padding("padding");
    cPlain mixer("mixer");
    cProbeObject seeker("seeker", 0);
    seeker.mSwallowAll = true;

    const UWORD source = requestConnection == 0 ? seeker.GetHandle() : UWORD(40);
    cZUNetMessage request = FindRequest(path, UWORD(requestConnection), source);
    mRouter->Router().PostLocalMessage(request);
    mRouter->Drain();

    QVector<cZUNetMessage> out = replyConnection == 0 ? seeker.mReceived : mNetwork->Sent();
    QCOMPARE(out.size(), 1);
    const cZUNetMessage& m = out[0];
    QCOMPARE(m.mConnectionId, UWORD(replyConnection));
    QCOMPARE(m.mDestination, reply == 0 ? UWORD(0) : source);
    if (reply == 0) { // forwarded to the unit's registry, on behalf of the seeker
        QCOMPARE(m.mMethod, UWORD(M_REG_FIND_OBJECT));
        QCOMPARE(m.mSource, seeker.GetHandle());
        QCOMPARE(MessageData(m), forwarded);
        QCOMPARE(mNetwork->FindRequests(), QStringList { "UnitA" });
        return;
    }
    QCOMPARE(m.mMethod, UWORD(reply));
    QCOMPARE(m.mSource, UWORD(0));
    if (reply == M_REPLY_OK) {
        QCOMPARE(m.mLength, UWORD(2));
        QCOMPARE(m.GetDataBufferUWORD(0), mixer.GetHandle());
    } else {
        QCOMPARE(m.mLength, UWORD(0));
    }
    if (requestConnection != 0)
        QVERIFY(mNetwork->FindRequests().isEmpty()); // a peer never makes us open connections
}

void tst_RegistryRouter::malformedFindRequestsFail_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<bool>("terminate");
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("no NUL") << QByteArray("mixer") << false;
    QTest::newRow("path without NUL") << QByteArray("UnitA/mixer") << false;
}

void tst_RegistryRouter::malformedFindRequestsFail()
{
    QFETCH(QByteArray, data);
    QFETCH(bool, terminate);
    mNetwork->AddConnection("UnitA", 3);
    cPlain mixer("mixer");
    cTraceCapture capture;
    cZUNetMessage request = FindRequest(data, 4, 40, terminate);
    mRouter->Router().PostLocalMessage(request);
    mRouter->Drain();
    const auto sent = mNetwork->Sent();
    QCOMPARE(sent.size(), 1);
    QCOMPARE(sent[0].mMethod, UWORD(M_REPLY_FAIL));
    QCOMPARE(sent[0].mConnectionId, UWORD(4));
    QCOMPARE(sent[0].mDestination, UWORD(40));
    QCOMPARE(capture.CountContaining("Message holds no terminated text, dropped"), 1);
}

void tst_RegistryRouter::routing()
{
    cZUNetMessage local(1);
    local.mConnectionId = 0;
    local.mDestination = 0;
    SyscallSendMessage(local);
    QCOMPARE(mRouter->Router().GetNumberOfMessagesInBuffer(), ULONG(1));
    QCOMPARE(SyscallGetNumberOfMessagesInBuffer(), ULONG(1));

    cZUNetMessage remote(1);
    remote.mConnectionId = 3;
    remote.mDestination = 0; // the unit's registry: still goes to the connection
    SyscallSendMessage(remote);
    SyscallSendDatagramMessage(remote);
    QCOMPARE(mRouter->Router().GetNumberOfMessagesInBuffer(), ULONG(1));
    QCOMPARE(mNetwork->Sent().size(), 1);
    QCOMPARE(mNetwork->SentDatagrams().size(), 1);
    QCOMPARE(mNetwork->Sent()[0].mConnectionId, UWORD(3));

    cZUNetMessage localDatagram(1);
    localDatagram.mConnectionId = 0;
    SyscallSendDatagramMessage(localDatagram);
    QCOMPARE(mRouter->Router().GetNumberOfMessagesInBuffer(), ULONG(2));
}

void tst_RegistryRouter::prependGoesToTheFront()
{
    cProbeObject probe("probe", 0);
    probe.mSwallowAll = true;
    for (UWORD method : { UWORD(0x200), UWORD(0x201) }) {
        cZUNetMessage m;
        m.mConnectionId = 0;
        m.mDestination = probe.GetHandle();
        m.mMethod = method;
        mRouter->Router().PostLocalMessage(m);
    }
    cZUNetMessage first;
    first.mConnectionId = 0;
    first.mDestination = probe.GetHandle();
    first.mMethod = 0x1FF;
    mRouter->Router().PrependLocalMessage(first);
    QCOMPARE(mRouter->Drain(), 3);
    QCOMPARE(probe.mReceived.size(), 3);
    QCOMPARE(probe.mReceived[0].mMethod, UWORD(0x1FF));
    QCOMPARE(probe.mReceived[1].mMethod, UWORD(0x200));
    QCOMPARE(probe.mReceived[2].mMethod, UWORD(0x201));
}

void tst_RegistryRouter::tickRunsScanInOrderThenTock()
{
    QStringList journal;
    cProbeObject::sJournal = &journal;
    cProbeObject a("a", 0, true, true);
    cProbeObject b("b", 0, true, false);
    cProbeObject c("c", 0, false, true);
    b.mSwallowAll = true;
    mRouter->Router().AddObjectToScan(&a); // joined twice: ticked twice
    // During its tick, a posts a message to b: it must arrive before the tock.
    a.mOnTick = [&b](cProbeObject& self) {
        cZUNetMessage m;
        m.mConnectionId = 0;
        m.mDestination = b.GetHandle();
        m.mMethod = 0x300;
        SyscallSendMessage(m);
    };
    mRouter->Router().PostLocalMessage(MessageWithData(0, 0, ZUNET_NO_HANDLE, M_REG_TICK));
    mRouter->Drain();
    cProbeObject::sJournal = nullptr;
    QCOMPARE(journal, (QStringList { "a:tick", "b:tick", "a:tick", "b:msg:768", "b:msg:768", "a:tock", "c:tock" }));
}

void tst_RegistryRouter::unregisterLeavesScans()
{
    auto a = std::make_unique<cProbeObject>("a", 0, true, true);
    cProbeObject b("b", 0, true, true);
    a.reset();
    mRouter->Router().PostLocalMessage(MessageWithData(0, 0, ZUNET_NO_HANDLE, M_REG_TICK));
    mRouter->Drain();
    QCOMPARE(b.mTicks, 1);
    QCOMPARE(b.mTocks, 1);
}

void tst_RegistryRouter::pollDropsUnknownAndInvalidDestinations_data()
{
    QTest::addColumn<int>("destination");
    QTest::newRow("free handle") << 500;
    QTest::newRow("last handle, free") << 60000;
    QTest::newRow("past the table") << 60001;
    QTest::newRow("no handle") << 0xFFFF;
}

void tst_RegistryRouter::pollDropsUnknownAndInvalidDestinations()
{
    QFETCH(int, destination);
    cTraceCapture capture;
    cProbeObject probe("probe", 0);
    cZUNetMessage m(4);
    m.mConnectionId = 7;
    m.mDestination = UWORD(destination);
    m.mMethod = PARAMETER_BASE;
    mRouter->Router().PostLocalMessage(m);
    QCOMPARE(mRouter->Drain(), 1);
    QVERIFY(probe.mReceived.isEmpty());
    QCOMPARE(capture.Lines(), QStringList {});
    QCOMPARE(mRouter->Router().MessagePool().SmallPool().GetNumberFree(), size_t(25000));
}

void tst_RegistryRouter::pollStopsWhenToldFromAHandler()
{
    cProbeObject probe("probe", 0);
    probe.mSwallowAll = true;
    probe.mOnMessage = [](cProbeObject& self, cZUNetMessage&) {
        if (self.mReceived.size() == 2)
            gRegistryRouter->SetSyscallPollCanRun(false);
    };
    for (int i = 0; i < 5; ++i) {
        cZUNetMessage m;
        m.mConnectionId = 0;
        m.mDestination = probe.GetHandle();
        m.mMethod = 0x200;
        mRouter->Router().PostLocalMessage(m);
    }
    mRouter->Router().SyscallPoll();
    QCOMPARE(probe.mReceived.size(), 2);
    QCOMPARE(mRouter->Router().GetNumberOfMessagesInBuffer(), ULONG(3));
    mRouter->Router().SetSyscallPollCanRun(true);
    QCOMPARE(mRouter->Router().SyscallPollAtMost(2), 2);
    QCOMPARE(mRouter->Router().GetNumberOfMessagesInBuffer(), ULONG(1));
}

void tst_RegistryRouter::registryUnknownMethod()
{
    cTraceCapture capture;
    cZUNetMessage m;
    m.SetAddress(2, 0, 0x33, 0x150);
    mRouter->Router().SendLocalMessage(m);
    for (UWORD quiet : { UWORD(M_REG_DO_WORK), UWORD(M_TEST_PRINT_REGISTRY) }) {
        m.mMethod = quiet;
        mRouter->Router().SendLocalMessage(m);
    }
    QCOMPARE(capture.Lines(),
        QStringList { "ERROR: Reg EntrypointMessage unknown method 0x150, Message->mSource = 0x33, "
                      "Message->mConnectionId = 0x2" });
}

void tst_RegistryRouter::exhaustedPoolReportedOnce()
{
    mRouter.reset();
    mRouter.reset(new cRouterFixture(cRouterFixture::OneSmallMessagePool()));
    cProbeObject source("src", 0);
    cProbeObject destination("dst", 0);
    cTraceCapture capture;
    cZUNetMessage m(3);
    m.SetAddress(0, destination.GetHandle(), source.GetHandle(), PARAMETER_BASE);
    mRouter->Router().PostLocalMessage(m); // takes the only small message
    mRouter->Router().PostLocalMessage(m);
    mRouter->Router().PostLocalMessage(m);
    QCOMPARE(mRouter->Router().GetNumberOfMessagesInBuffer(), ULONG(1));
    QCOMPARE(capture.Lines(),
        (QStringList { "ERROR: Mess Pools Full", "ERROR: Message Pools Full, Length: 3,  CID:0, S:1, D:2, M:4096",
            "ERROR: Possible Local Source = 0x1 :- \"src\"", "ERROR: Possible Local Destination = 0x2 :- \"dst\"",
            "ERROR: Mess Pools Full" }));
}

void tst_RegistryRouter::messpoolsDump()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    cProbeObject named("named", 0);
    auto queue = [](UWORD connection, UWORD source, UWORD destination, UWORD method, UWORD length) {
        cZUNetMessage m(length);
        m.SetAddress(connection, destination, source, method);
        gRegistryRouter->PostLocalMessage(m);
    };
    queue(0, 1, 0, PARAMETER_BASE + 3, 2);
    queue(0, 0, 1, NON_PARAMETER_BASE + 5, 0);
    queue(0, 61000, 77, 40, 0);
    queue(4, 9, 1, M_REG_FIND_OBJECT, 5);
    cZUNetMessage dump;
    dump.mConnectionId = 0;
    dump.mDestination = 0;
    dump.mMethod = M_TEST_PRINT_MESS_POOLS;
    mRouter->Router().SendLocalMessage(dump);
    QDir::setCurrent(previous);

    QFile file(dir.filePath("Messpools.txt"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 6);
    const QRegularExpression stamp("\\d\\d:\\d\\d:\\d\\d \\d\\d/\\d\\d/\\d{4}$");
    QVERIFY(lines[0].startsWith("-------------------Messpools Printout: "));
    QVERIFY(stamp.match(lines[0]).hasMatch());
    QCOMPARE(lines[1],
        QString("Message - Connection ID: 0   RawMethod: 4099  Adjusted: 3  PARAMETER_BASE method   "
                "Length: 2   Source: \"named\"   Destination: \"Registry\""));
    QCOMPARE(lines[2],
        QString("Message - Connection ID: 0   RawMethod: 261  Adjusted: 5  NON_PARAMETER_BASE method   "
                "Length: 0   Source: \"Registry\"   Destination: \"named\""));
    QCOMPARE(lines[3],
        QString("Message - Connection ID: 0   RawMethod: 40  Adjusted: 40  unspecified base method   "
                "Length: 0   Source: \"INVALID_HANDLE\"   Destination: \"NULL Object - Handle 77\""));
    QCOMPARE(lines[4],
        QString("Message - Connection ID: 4   RawMethod: 4  Adjusted: 4  Is: M_REG_FIND_OBJECT   "
                "Length: 5   Source: \"Remote Object - Handle 9\"   Destination: \"named\""));
    QVERIFY(lines[5].startsWith("----------------------------------End: "));
    QVERIFY(stamp.match(lines[5]).hasMatch());
}

void tst_RegistryRouter::messpoolsDumpUnwritable()
{
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    QVERIFY(QDir(dir.path()).mkdir("Messpools.txt")); // a folder in the way
    QDir::setCurrent(dir.path());
    cTraceCapture capture;
    mRouter->Router().PrintMesspools();
    QDir::setCurrent(previous);
    QCOMPARE(capture.Lines(), QStringList { "ERROR: Could not open Messpools.txt for writing" });
}

void tst_RegistryRouter::connectionTerminatedInHandleOrder()
{
    QStringList order;
    std::vector<std::unique_ptr<cProbeObject>> probes;
    for (const char* name : { "p1", "p2", "p3" })
        probes.push_back(std::make_unique<cProbeObject>(name, 0));
    probes[0].reset();
    probes.push_back(std::make_unique<cProbeObject>("p4", 0));
    mRouter->Router().ConnectionTerminated(6, false);
    for (size_t i = 1; i < probes.size(); ++i) {
        QCOMPARE(probes[i]->mTerminated.size(), 1);
        QCOMPARE(probes[i]->mTerminated[0], qMakePair(UWORD(6), false));
    }
}

void tst_RegistryRouter::systemBuilderSetOnlyOnce()
{
    cTraceCapture capture;
    auto* first = reinterpret_cast<cSystemBuilder*>(0x1000);
    auto* second = reinterpret_cast<cSystemBuilder*>(0x2000);
    SetSystemBuilder(first);
    SetSystemBuilder(second);
    QCOMPARE(gSystemBuilder, first);
    QCOMPARE(capture.Lines(), QStringList { "ERROR: SystemBuilder allready set!" });
    gSystemBuilder = nullptr;
}

void tst_RegistryRouter::syscallGlobals()
{
    mRouter.reset();
    QVERIFY(!gRegistryRouter);
    static int initialised = 0;
    SetNetworkInitialiser([] { ++initialised; });
    InitialiseSyscall(CONNECTION_TERMINATED_ABORT_COMMANDS, false);
    QVERIFY(gRegistryRouter);
    QCOMPARE(initialised, 1);
    QVERIFY(!SyscallGetStartTicks());
    SyscallSetStartTicks(true);
    QVERIFY(SyscallGetStartTicks());
    SyscallSetStartTicks(false);
    UninitialiseSyscall();
    QVERIFY(!gRegistryRouter);
    QVERIFY(!gSystemBuilder);
    SetNetworkInitialiser(nullptr);
}

void tst_RegistryRouter::pollLockHoldsOffDispatch()
{
    // While another thread holds the poll lock, the dispatcher must wait; a handler that takes the
    // poll lock itself does not block.
    cProbeObject probe("probe", 0);
    probe.mSwallowAll = true;
    probe.mOnMessage = [](cProbeObject&, cZUNetMessage&) {
        SyscallMessagesPollLock();
        SyscallMessagesPollUnLock();
    };
    cZUNetMessage m;
    m.mConnectionId = 0;
    m.mDestination = probe.GetHandle();
    m.mMethod = 0x200;
    mRouter->Router().PostLocalMessage(m);

    std::atomic<bool> locked { false };
    std::atomic<bool> release { false };
    std::thread holder([&] {
        SyscallMessagesPollLock();
        locked = true;
        while (!release)
            std::this_thread::yield();
        SyscallMessagesPollUnLock();
    });
    while (!locked)
        std::this_thread::yield();
    std::atomic<int> dispatched { -1 };
    std::thread dispatcher([&] { dispatched = mRouter->Drain(); });
    QTest::qWait(50);
    QCOMPARE(probe.mReceived.size(), 0);
    release = true;
    holder.join();
    dispatcher.join();
    QCOMPARE(dispatched.load(), 1);
    QCOMPARE(probe.mReceived.size(), 1);
}

QTEST_GUILESS_MAIN(tst_RegistryRouter)
#include "tst_registryrouter.moc"
