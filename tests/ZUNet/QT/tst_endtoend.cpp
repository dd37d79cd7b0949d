// The runner's connection manager against the unit side running as a separate process.
#include "ZUNet/Core/RegistryRouter.h"
#include "ZUNet/Core/Syscall.h"
#include "ZUNet/Core/SystemBuilder.h"
#include "ZUNet/Core/ZUNetMethods.h"
#include "ZUNet/QT/FrameWriter.h"
#include "ZUNet/QT/LostComms.h"
#include "ZUNet/QT/NetworkConnection.h"
#include "ZUNet/QT/NetworkStack.h"
#include "ZUNet/QT/TestSettings.h"
#include "tests/support/NetTestHelpers.h"
#include "tests/support/ProbeObject.h"
#include "tests/support/TestNetwork.h"
#include "tests/support/TraceCapture.h"
#include "tests/support/UnitProcess.h"
#include "tests/support/ValueObject.h"

#include <QTcpSocket>
#include <QtTest>

#include <algorithm>

#include <signal.h>

#include <functional>
#include <memory>
#include <vector>

namespace
{

constexpr int kKeepAliveMs = 100;
const QString kUnitAddress = QStringLiteral("10.77.0.2");

cZUNetMessage Message(UWORD connectionId, UWORD destination, UWORD source, UWORD method, const QByteArray& data)
{
    cZUNetMessage message(UWORD(data.size()));
    for (int i = 0; i < data.size(); ++i)
        message.SetDataBufferUBYTE(UBYTE(data[i]), i);
    message.SetAddress(connectionId, destination, source, method);
    return message;
}

} // namespace

class tst_EndToEnd : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void objectMessagesBothWays();
    void closingSaysByeToTheUnit();
    void unitClosingEndsTheConnection();
    void seventyConnectionsAndNoMore();
    void unitEnds_data();
    void unitEnds();
    void unitAnswersOneHelloWithOneDatagramLink();
    void linkByUnitPathThroughTheSystemBuilder();
    void unfinishedHandshakesFreeTheirIds_data();
    void unfinishedHandshakesFreeTheirIds();
    void datagramsComeFromTheAddressConnectedTo();

private:
    UWORD FindOnUnit(UWORD connectionId, const char* name);
    /// Sends a parameter message to the unit object and waits for the echo.
    bool RoundTrip(UWORD connectionId, UWORD handle, bool datagram, const QByteArray& data);

    std::unique_ptr<cNetworkStack> mStack;
    cNetworkConnection* mManager = nullptr;
    std::unique_ptr<cProbeObject> mProbe;
};

void tst_EndToEnd::initTestCase()
{
    ZU_REQUIRE_PRIVATE_TEST_NETWORK();
}

void tst_EndToEnd::init()
{
    // Seventy connections, each with threads of its own on both sides, can hold a thread up
    // under a sanitizer for seconds: that test keeps the product's lost-comms time, so that
    // a late keep-alive is not taken for a lost unit.
    if (qstrcmp(QTest::currentTestFunction(), "seventyConnectionsAndNoMore") != 0)
        ZUNetTestSettings::SetLostCommsPeriod(kKeepAliveMs);
    // Dispatch runs on the test's thread.
    mStack = std::make_unique<cNetworkStack>(cNetworkStack::SystemBuilder);
    mManager = mStack->Connections();
    QVERIFY(mManager);
    mProbe = std::make_unique<cProbeObject>("runner probe");
    mProbe->mSwallowAll = true;
}

void tst_EndToEnd::cleanup()
{
    mStack->Stop();
    mProbe.reset();
    mStack.reset();
    ZUNetTestSettings::Reset();
}

UWORD tst_EndToEnd::FindOnUnit(UWORD connectionId, const char* name)
{
    const int before = mProbe->mReceived.size();
    cZUNetMessage find = Message(connectionId, ZUNET_REGISTRY_HANDLE, mProbe->GetHandle(), M_REG_FIND_OBJECT,
        QByteArray(name, int(strlen(name)) + 1));
    SyscallSendMessage(find);
    if (!DispatchUntil([&] { return mProbe->mReceived.size() > before; }))
        return ZUNET_NO_HANDLE;
    const cZUNetMessage& reply = mProbe->mReceived.last();
    UWORD handle = ZUNET_NO_HANDLE;
    if (reply.mMethod != M_REPLY_OK || !reply.ReadUWORD(0, handle))
        return ZUNET_NO_HANDLE;
    return handle;
}

bool tst_EndToEnd::RoundTrip(UWORD connectionId, UWORD handle, bool datagram, const QByteArray& data)
{
    const int before = mProbe->mReceived.size();
    cZUNetMessage message = Message(connectionId, handle, mProbe->GetHandle(), PARAMETER_BASE + 1, data);
    if (datagram)
        SyscallSendDatagramMessage(message);
    else
        SyscallSendMessage(message);
    if (!DispatchUntil([&] { return mProbe->mReceived.size() > before; }, 2000))
        return false;
    const cZUNetMessage& echo = mProbe->mReceived.last();
    return echo.mConnectionId == connectionId && echo.mSource == handle && echo.mMethod == PARAMETER_BASE + 1
        && QByteArray(reinterpret_cast<const char*>(echo.mDataBuffer), echo.mLength) == data;
}

void tst_EndToEnd::objectMessagesBothWays()
{
    cUnitProcess unit;
    QVERIFY(unit.Start({ "--listen", kUnitAddress, "--keepalive-ms", QString::number(kKeepAliveMs) }));
    const UWORD id = NetworkFindConnection(kUnitAddress.toLatin1().constData());
    QCOMPARE(id, UWORD(1));
    QVERIFY(unit.WaitForLine("unit: connections 1"));

    const UWORD echo = FindOnUnit(id, "Echo");
    QVERIFY(echo != ZUNET_NO_HANDLE);
    QVERIFY(RoundTrip(id, echo, false, QByteArray("\x01\x02\xF0\xF7\xE0\xE7", 6)));
    QByteArray large(32004, 'x');
    QVERIFY(RoundTrip(id, echo, false, large));

    // Datagrams flow once HELLO ACK has given each side the other's port; until then they are dropped.
    const UWORD echoDatagram = FindOnUnit(id, "EchoDatagram");
    QVERIFY(echoDatagram != ZUNET_NO_HANDLE);
    QElapsedTimer timer;
    timer.start();
    bool datagramEcho = false;
    while (!datagramEcho && timer.elapsed() < 5000)
        datagramEcho = RoundTrip(id, echoDatagram, true, QByteArray("\x12\x34", 2));
    QVERIFY(datagramEcho);
    QVERIFY(unit.Stop());
}

void tst_EndToEnd::closingSaysByeToTheUnit()
{
    cUnitProcess unit;
    QVERIFY(unit.Start({ "--listen", kUnitAddress }));
    QCOMPARE(NetworkFindConnection(kUnitAddress.toLatin1().constData()), UWORD(1));
    mManager->DisconnectConnectionID(1);
    QVERIFY(DispatchUntil([&] { return TerminatedUnderPollLock(*mProbe).size() == 1; }));
    QCOMPARE(TerminatedUnderPollLock(*mProbe).first(), qMakePair(UWORD(1), false));
    QVERIFY(unit.WaitForLine("unit: terminated 1 0"));
    QVERIFY(unit.WaitForLine("unit: connections 0"));
    QTRY_COMPARE(mManager->GetNumberOfConnections(), UWORD(0)); // once the closing threads are joined
    QVERIFY(unit.Stop());
}

void tst_EndToEnd::unitClosingEndsTheConnection()
{
    cUnitProcess unit;
    QVERIFY(unit.Start({ "--listen", kUnitAddress }));
    QCOMPARE(NetworkFindConnection(kUnitAddress.toLatin1().constData()), UWORD(1));
    QVERIFY(unit.WaitForLine("unit: connections 1"));
    QVERIFY(unit.Stop()); // the unit says BYE to every connection
    QVERIFY(DispatchUntil([&] { return TerminatedUnderPollLock(*mProbe).size() == 1; }));
    QCOMPARE(TerminatedUnderPollLock(*mProbe).first(), qMakePair(UWORD(1), false));
    QTRY_COMPARE(mManager->GetNumberOfConnections(), UWORD(0));
}

void tst_EndToEnd::seventyConnectionsAndNoMore()
{
    cTraceCapture trace;
    cUnitProcess unit;
    QVERIFY(unit.Start({ "--listen", "0.0.0.0" }));
    for (int i = 1; i <= 70; ++i)
        QCOMPARE(NetworkFindConnection(QByteArray("127.0.0." + QByteArray::number(i)).constData()), UWORD(i));
    QVERIFY(unit.WaitForLine("unit: connections 70"));
    QCOMPARE(NetworkFindConnection("127.0.0.71"), ZUNET_NO_CONNECTION);
    QCOMPARE(trace.Count("ERROR: All availible connections are in use"), 1);

    // The unit refuses a 71st connection by closing it.
    QTcpSocket extra;
    extra.connectToHost(QHostAddress("127.0.0.1"), 51321);
    QVERIFY(extra.waitForConnected(5000));
    QTRY_COMPARE(extra.state(), QAbstractSocket::UnconnectedState);
    QVERIFY(unit.WaitForLine("ERROR: All availible connections are in use"));

    const UWORD echo = FindOnUnit(70, "Echo");
    QVERIFY(RoundTrip(70, echo, false, QByteArray("seventy")));
    for (UWORD id = 1; id <= 70; ++id)
        mManager->DisconnectConnectionID(id);
    QVERIFY(DispatchUntil([&] { return TerminatedUnderPollLock(*mProbe).size() == 70; }));
    QVERIFY(unit.WaitForLine("unit: connections 0"));
    QTRY_COMPARE(mManager->GetNumberOfConnections(), UWORD(0)); // once the closing threads are joined
    QVERIFY(unit.Stop());
}

void tst_EndToEnd::unitEnds_data()
{
    QTest::addColumn<bool>("freezeFirst");
    QTest::newRow("killed") << false;
    QTest::newRow("frozen, then killed") << true;
}

void tst_EndToEnd::unitEnds()
{
    QFETCH(bool, freezeFirst);
    const QStringList arguments { "--listen", kUnitAddress, "--keepalive-ms", QString::number(kKeepAliveMs) };
    cTraceCapture trace;
    cUnitProcess unit;
    QVERIFY(unit.Start(arguments));
    QSignalSpy warnings(mManager, &cNetworkConnection::UnitLowTTLWarning);
    QSignalSpy lost(mManager, &cNetworkConnection::LostComms);
    const UWORD id = NetworkFindConnection(kUnitAddress.toLatin1().constData());
    QCOMPARE(id, UWORD(1));
    // A datagram round trip shows HELLO ACK arrived, so the connection is watched.
    const UWORD echoDatagram = FindOnUnit(id, "EchoDatagram");
    QVERIFY(DispatchUntil([&] { return RoundTrip(id, echoDatagram, true, QByteArray("\x01", 1)); }));

    if (freezeFirst) {
        // Silent but with its sockets open: only the missing keep-alives tell.
        unit.Signal(SIGSTOP);
        // Waits for the state, not for a new signal: under load the warning may come before
        // this line does, and an earlier low spell may have been reported already.
        const auto warnedLow = [&] {
            return std::any_of(warnings.cbegin(), warnings.cend(), [](const QList<QVariant>& arguments) {
                return arguments.at(0).toInt() == 1 && arguments.at(1).toBool();
            });
        };
        QTRY_VERIFY_WITH_TIMEOUT(warnedLow(), 5000);
        QVERIFY(DispatchUntil([&] { return TerminatedUnderPollLock(*mProbe).size() == 1; }));
        QCOMPARE(TerminatedUnderPollLock(*mProbe).first(), qMakePair(UWORD(1), true));
        QTRY_COMPARE(lost.count(), 1);
        QCOMPARE(trace.CountContaining("Notification: Communication lost to unit - " + kUnitAddress), 1);
        unit.Kill();
    } else {
        // The system closes the dead process's sockets: an ordinary disconnect.
        unit.Kill();
        QVERIFY(DispatchUntil([&] { return TerminatedUnderPollLock(*mProbe).size() == 1; }));
        QCOMPARE(TerminatedUnderPollLock(*mProbe).first(), qMakePair(UWORD(1), false));
        QCOMPARE(lost.count(), 0);
    }
    QTRY_COMPARE(mManager->GetNumberOfConnections(), UWORD(0));

    QVERIFY(unit.Start(arguments));
    QCOMPARE(NetworkFindConnection(kUnitAddress.toLatin1().constData()), UWORD(1));
    const UWORD echo = FindOnUnit(1, "Echo");
    QVERIFY(echo != ZUNET_NO_HANDLE);
    QVERIFY(RoundTrip(1, echo, false, QByteArray("again")));
    QVERIFY(unit.Stop());
}

void tst_EndToEnd::unitAnswersOneHelloWithOneDatagramLink()
{
    cUnitProcess unit;
    QVERIFY(unit.Start({ "--listen", kUnitAddress }));
    QTcpSocket raw;
    raw.connectToHost(QHostAddress(kUnitAddress), 51321);
    QVERIFY(raw.waitForConnected(5000));
    QVERIFY(unit.WaitForLine("unit: connections 1"));
    auto readSome = [&raw](int waitMs) {
        QByteArray bytes;
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < waitMs) {
            if (raw.waitForReadyRead(10))
                bytes += raw.readAll();
        }
        return bytes;
    };
    // An expected answer may take long on a loaded machine: wait for its bytes, not for a window.
    auto readExactly = [&raw](int count) {
        QByteArray bytes;
        QElapsedTimer timer;
        timer.start();
        while (bytes.size() < count && timer.elapsed() < 10000) {
            if (raw.waitForReadyRead(10))
                bytes += raw.readAll();
        }
        return bytes;
    };
    // Protocol version 2: refused, and the connection ends so that its id is free again.
    raw.write(QByteArray::fromHex("E0000401020001E7"));
    QCOMPARE(readExactly(7).toHex(), QByteArray("e00003425945e7")); // BYE
    QTRY_COMPARE(raw.state(), QAbstractSocket::UnconnectedState);
    QVERIFY(unit.WaitForLine("unit: connections 0"));
    raw.connectToHost(QHostAddress(kUnitAddress), 51321);
    QVERIFY(raw.waitForConnected(5000));
    QVERIFY(unit.WaitForLine("unit: connections 1", 2));
    const QByteArray ack = QByteArray::fromHex("E0000402 03C87D E7"); // 51324 + 1
    raw.write(QByteArray::fromHex("E0000401 03 1234 E7"));
    QCOMPARE(readExactly(ack.size()).toHex(), ack.toHex());
    raw.write(QByteArray::fromHex("E0000401 03 1235 E7")); // again: ignored, no second link
    QCOMPARE(readSome(300).toHex(), QByteArray());
    QVERIFY(unit.WaitForLine("ERROR: CONNECTION HELLO repeated, ignored: mConnectionId = 1"));
    QCOMPARE(unit.CountLines("already"), 0);
    QCOMPARE(unit.CountLines("UDP Bind"), 0);
    raw.write(QByteArray::fromHex("E0000342 5945E7")); // BYE
    QCOMPARE(readExactly(7).toHex(), QByteArray("e0000342 5945e7").replace(' ', ""));
    QVERIFY(unit.WaitForLine("unit: connections 0"));
    QVERIFY(unit.Stop());
}

void tst_EndToEnd::linkByUnitPathThroughTheSystemBuilder()
{
    cUnitProcess unit;
    QVERIFY(unit.Start({ "--listen", kUnitAddress }));
    cValueObject runnerValue("RunnerValue", 1);
    QVERIFY(AddSyncLink(kUnitAddress + "/Value2", "RunnerValue"));
    // Sync: the unit object sends its current value at once.
    QVERIFY(DispatchUntil([&] { return runnerValue.Value() == 200; }));
    QVERIFY(DispatchUntil([&] { return !gSystemBuilder->IsBusy(); }));
    QCOMPARE(gSystemBuilder->GetMade(), ULONG(1));

    // A value the unit object receives now goes on to the runner over the link.
    const UWORD connectionId = mManager->GetConnectionIDFromHostName(kUnitAddress.toStdString());
    const UWORD value2 = FindOnUnit(connectionId, "Value2");
    cZUNetMessage set = Message(connectionId, value2, mProbe->GetHandle(), PARAMETER_BASE, QByteArray("\x04\xD2", 2));
    SyscallSendMessage(set);
    QVERIFY(DispatchUntil([&] { return runnerValue.Value() == 1234; }));
    QVERIFY(unit.Stop());
}

QTEST_GUILESS_MAIN(tst_EndToEnd)
void tst_EndToEnd::unfinishedHandshakesFreeTheirIds_data()
{
    QTest::addColumn<QByteArray>("sent");
    QTest::newRow("silent") << QByteArray();
    const UBYTE otherVersion[] = { 0x01, 0x02, 0x12, 0x34 }; // HELLO of protocol version 2
    QTest::newRow("HELLO of another version") << cFrameWriter::UtilityFrame(otherVersion, sizeof(otherVersion));
}

void tst_EndToEnd::unfinishedHandshakesFreeTheirIds()
{
    // Connections that never complete HELLO fill the unit's table, then go; a runner gets in.
    QFETCH(QByteArray, sent);
    cUnitProcess unit;
    QVERIFY(unit.Start({ "--listen", kUnitAddress, "--keepalive-ms", QString::number(kKeepAliveMs) }));
    std::vector<std::unique_ptr<QTcpSocket>> sockets;
    for (int i = 0; i < 70; ++i) {
        sockets.push_back(std::make_unique<QTcpSocket>());
        sockets.back()->connectToHost(QHostAddress(kUnitAddress), 51321);
        QVERIFY(sockets.back()->waitForConnected(5000));
        if (!sent.isEmpty()) {
            sockets.back()->write(sent);
            QVERIFY(sockets.back()->waitForBytesWritten(5000));
        }
    }
    if (sent.isEmpty())
        QVERIFY(unit.WaitForLine("unit: connections 70"));
    const auto allClosed = [&] {
        return std::all_of(sockets.cbegin(), sockets.cend(),
            [](const auto& socket) { return socket->state() == QAbstractSocket::UnconnectedState; });
    };
    QTRY_VERIFY_WITH_TIMEOUT(allClosed(), 30000);

    QCOMPARE(NetworkFindConnection(kUnitAddress.toLatin1().constData()), UWORD(1));
    QTest::qWait(kKeepAliveMs * 35); // past the deadline: a finished handshake is not dropped
    const UWORD echo = FindOnUnit(1, "Echo");
    QVERIFY(RoundTrip(1, echo, false, QByteArray("after")));
    QCOMPARE(mManager->GetNumberOfConnections(), UWORD(1));
    QVERIFY(unit.Stop());
}

void tst_EndToEnd::datagramsComeFromTheAddressConnectedTo()
{
    // The unit is reached at 127.0.0.2, one of its loopback's addresses; the kernel's preferred
    // source towards the runner is 127.0.0.1. Datagrams from any but the address connected to are
    // not the peer's, so keep-alives and datagram values must leave from 127.0.0.2.
    const QString secondAddress = QStringLiteral("127.0.0.2");
    cUnitProcess unit;
    QVERIFY(unit.Start({ "--listen", "0.0.0.0", "--keepalive-ms", QString::number(kKeepAliveMs) }));
    QSignalSpy lost(mManager, &cNetworkConnection::LostComms);
    const UWORD id = NetworkFindConnection(secondAddress.toLatin1().constData());
    QCOMPARE(id, UWORD(1));
    QVERIFY(unit.WaitForLine("unit: connections 1"));
    const UWORD echoDatagram = FindOnUnit(id, "EchoDatagram");
    QVERIFY(echoDatagram != ZUNET_NO_HANDLE);
    QVERIFY(DispatchUntil([&] { return RoundTrip(id, echoDatagram, true, QByteArray("\x56\x78", 2)); }, 5000));

    // Idle past the lost-comms time: the keep-alives of both sides keep the connection.
    QTest::qWait(kKeepAliveMs * int(LostComms::kTimeToLive + 5));
    DispatchUntil([] { return false; }, 10);
    QCOMPARE(lost.count(), 0);
    QCOMPARE(unit.CountLines("unit: terminated"), 0);
    QCOMPARE(mManager->GetNumberOfConnections(), UWORD(1));
    QVERIFY(RoundTrip(id, echoDatagram, true, QByteArray("\x9A", 1)));
    QVERIFY(unit.Stop());
}

#include "tst_endtoend.moc"
