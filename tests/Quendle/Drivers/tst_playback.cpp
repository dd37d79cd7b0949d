#include "Quendle/Drivers/CustomIPNetObject.h"
#include "Quendle/Drivers/PlaybackNetObject.h"
#include "ZUNet/Core/RegistryRouter.h"
#include "ZUNet/Core/Syscall.h"
#include "ZUNet/Core/SystemBuilder.h"
#include "ZUNet/QT/NetworkStack.h"
#include "tests/support/HexData.h"
#include "tests/support/MessageData.h"
#include "tests/support/ProbeObject.h"
#include "tests/support/TraceCapture.h"
#include "tests/support/ValueObject.h"

#include <QtTest>

#include <memory>

namespace
{
using tPairs = std::list<std::pair<std::string, UWORD>>;
constexpr UWORD kTrack = 0x0102;
} // namespace

class tst_Playback : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void clicked_data();
    void clicked();
    void noRequestWithoutASlot();
    void reports_data();
    void reports();
    void badReportsAreDropped_data();
    void badReportsAreDropped();
    void assignments();
    void noAssignmentsForTrackZero();
    void shortAnswerLinksNothingAndReports();
    void customIPMessageBytes_data();
    void customIPMessageBytes();
    void customIPMessageTooLongIsRefused();

private:
    int Drain() { return gRegistryRouter->SyscallPollAtMost(100000); }
    bool DrainUntilBuilderIdle();
    /// Links a parameter of `object` one way to `probe`, which then records what it sends.
    void Listen(cNetObject& object, UWORD method, cProbeObject& probe);
    void Report(cQuendlePlaybackNetObject& player, const QByteArray& data);

    std::unique_ptr<cNetworkStack> mStack;
    std::unique_ptr<cProbeObject> mUnit;
};

void tst_Playback::init()
{
    mStack = std::make_unique<cNetworkStack>(cNetworkStack::SystemBuilder);
    mUnit = std::make_unique<cProbeObject>("unit player", 3);
}

void tst_Playback::cleanup()
{
    mUnit.reset();
    mStack->Stop();
    mStack.reset();
}

bool tst_Playback::DrainUntilBuilderIdle()
{
    for (int i = 0; i < 1000; ++i) {
        Drain();
        if (!gSystemBuilder->IsBusy() && gRegistryRouter->GetNumberOfMessagesInBuffer() == 0)
            return true;
    }
    return false;
}

void tst_Playback::Listen(cNetObject& object, UWORD method, cProbeObject& probe)
{
    sParameterLinkingCommand command;
    QVERIFY(command.SetSourcePath(object.GetName()));
    QVERIFY(command.SetDestinationPath(probe.GetName()));
    command.mSourceParam = method;
    command.mDestParam = PARAMETER_BASE;
    SyscallMessagesPollLock();
    gSystemBuilder->AddLinkCommandToList(command, false);
    SyscallMessagesPollUnLock();
    QVERIFY(DrainUntilBuilderIdle());
    probe.mReceived.clear(); // the link's own bookkeeping
}

void tst_Playback::Report(cQuendlePlaybackNetObject& player, const QByteArray& data)
{
    cZUNetMessage report
        = MessageWithData(ZUNET_LOCAL_CONNECTION, player.GetHandle(), mUnit->GetHandle(), PARAMETER_BASE + 2, data);
    SyscallSendMessage(report);
    Drain();
}

void tst_Playback::clicked_data()
{
    QTest::addColumn<QByteArray>("report"); // empty: stays stopped
    QTest::addColumn<bool>("longPress");
    QTest::addColumn<int>("parameter");
    QTest::addColumn<QByteArray>("sent");
    QTest::newRow("stopped") << QByteArray() << false << 0 << HexBytes("02 01 02");
    QTest::newRow("stopped, long press starts too") << QByteArray() << true << 0 << HexBytes("02 01 02");
    QTest::newRow("paused: play on") << HexBytes("03 0102 02 01") << false << 1 << HexBytes("03 00");
    QTest::newRow("paused, long press: stop") << HexBytes("03 0102 02 01") << true << 1 << HexBytes("03 02");
    QTest::newRow("playing: pause") << HexBytes("03 0102 02 00") << false << 1 << HexBytes("03 01");
    QTest::newRow("playing, long press: stop") << HexBytes("03 0102 02 00") << true << 1 << HexBytes("03 02");
}

void tst_Playback::clicked()
{
    QFETCH(QByteArray, report);
    QFETCH(bool, longPress);
    QFETCH(int, parameter);
    QFETCH(QByteArray, sent);
    cQuendlePlaybackNetObject player(nullptr, "player", kTrack, PLAYBACK_CHANNEL_STEREO);
    cProbeObject start("start", 1);
    cProbeObject request("request", 1);
    Listen(player, PARAMETER_BASE, start);
    Listen(player, PARAMETER_BASE + 1, request);
    if (!report.isEmpty())
        Report(player, report);

    player.Clicked(longPress);
    Drain();
    const cProbeObject& to = parameter == 0 ? start : request;
    const cProbeObject& notTo = parameter == 0 ? request : start;
    QCOMPARE(to.mReceived.size(), 1);
    QCOMPARE(notTo.mReceived.size(), 0);
    QCOMPARE(ToHex(MessageData(to.mReceived.first())), ToHex(sent));
    QCOMPARE(to.mReceived.first().mSource, player.GetHandle());
}

void tst_Playback::noRequestWithoutASlot()
{
    cQuendlePlaybackNetObject player(nullptr, "player", kTrack, PLAYBACK_CHANNEL_LEFT);
    cProbeObject request("request", 1);
    Listen(player, PARAMETER_BASE + 1, request);
    player.Pause();
    player.Unpause();
    player.Stop();
    Drain();
    QCOMPARE(request.mReceived.size(), 0);
}

void tst_Playback::reports_data()
{
    QTest::addColumn<QList<QByteArray>>("reports");
    QTest::addColumn<int>("slot");
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("changes");
    // Reports: slot, track, channel (the player's is 1, right), state.
    QTest::newRow("own track and channel adopted") << QList<QByteArray> { HexBytes("04 0102 01 00") } << 4 << 0 << 1;
    QTest::newRow("same track, other channel ignored")
        << QList<QByteArray> { HexBytes("04 0102 00 00") } << -1 << 2 << 0;
    QTest::newRow("other track ignored") << QList<QByteArray> { HexBytes("04 0103 01 00") } << -1 << 2 << 0;
    QTest::newRow("followed slot wins over the track")
        << QList<QByteArray> { HexBytes("03 0102 01 00"), HexBytes("03 0999 00 01") } << 3 << 1 << 2;
    QTest::newRow("other slot ignored while following")
        << QList<QByteArray> { HexBytes("03 0102 01 00"), HexBytes("05 0102 01 01") } << 3 << 0 << 1;
    QTest::newRow("stopped frees the slot; the next match is adopted")
        << QList<QByteArray> { HexBytes("03 0102 01 00"), HexBytes("03 0102 01 02"), HexBytes("07 0102 01 01") } << 7
        << 1 << 3;
}

void tst_Playback::reports()
{
    QFETCH(QList<QByteArray>, reports);
    QFETCH(int, slot);
    QFETCH(int, state);
    QFETCH(int, changes);
    cQuendlePlaybackNetObject player(nullptr, "player", kTrack, PLAYBACK_CHANNEL_RIGHT);
    QSignalSpy changed(&player, &cQuendlePlaybackNetObject::PlaybackStateChanged);
    for (const QByteArray& report : reports)
        Report(player, report);
    QCOMPARE(player.Slot(), slot);
    QCOMPARE(player.State(), state);
    QCOMPARE(player.IsPlaying(), state < 2);
    QCOMPARE(player.IsPaused(), state == 1);
    QCOMPARE(changed.count(), changes);
}

void tst_Playback::badReportsAreDropped_data()
{
    QTest::addColumn<QByteArray>("report");
    QTest::addColumn<QString>("trace");
    QTest::newRow("four bytes") << HexBytes("03 0102 01")
                                << "ERROR: Message too short, dropped: Method: 4098 Length: 4";
    QTest::newRow("empty") << QByteArray() << "ERROR: Message too short, dropped: Method: 4098 Length: 0";
    QTest::newRow("state 3") << HexBytes("03 0102 01 03") << "ERROR: Playback object player: state 3 of slot 3 ignored";
    QTest::newRow("state 255") << HexBytes("03 0102 01 ff")
                               << "ERROR: Playback object player: state 255 of slot 3 ignored";
}

void tst_Playback::badReportsAreDropped()
{
    QFETCH(QByteArray, report);
    QFETCH(QString, trace);
    cQuendlePlaybackNetObject player(nullptr, "player", kTrack, PLAYBACK_CHANNEL_RIGHT);
    QSignalSpy changed(&player, &cQuendlePlaybackNetObject::PlaybackStateChanged);
    cTraceCapture capture;
    Report(player, report);
    QCOMPARE(capture.CountContaining(trace), 1);
    QCOMPARE(changed.count(), 0);
    QCOMPARE(player.Slot(), -1);

    // The button still works: a good report after it is adopted.
    Report(player, HexBytes("03 0102 01 00"));
    QCOMPARE(player.Slot(), 3);
    QVERIFY(player.IsPlaying());
}

void tst_Playback::assignments()
{
    cQuendlePlaybackNetObject player(nullptr, "player", kTrack, PLAYBACK_CHANNEL_LEFT);
    cProbeObject start("unit start", 1);
    cProbeObject request("unit request", 2);
    cProbeObject states("unit states", 1);
    int failures = 0;
    QVERIFY(player.CreateAssignments(
        { { "unit start", PARAMETER_BASE }, { "unit request", PARAMETER_BASE + 1 }, { "unit states", PARAMETER_BASE } },
        [&failures](sParameterLinkingCommand*) { ++failures; }));
    QVERIFY(DrainUntilBuilderIdle());
    QCOMPARE(failures, 0);
    QCOMPARE(gSystemBuilder->GetMade(), ULONG(3));

    auto only = [](const std::vector<sInformListItem>* list, const cNetObject& to, UWORD method) {
        return list && list->size() == 1 && list->front().mHandle == to.GetHandle() && list->front().mMethod == method;
    };
    // One way each: requests to the unit, reports from it (with Sync).
    QVERIFY(only(player.GetInformList(PARAMETER_BASE), start, PARAMETER_BASE));
    QVERIFY(only(player.GetInformList(PARAMETER_BASE + 1), request, PARAMETER_BASE + 1));
    QVERIFY(player.GetInformList(PARAMETER_BASE + 2)->empty());
    QVERIFY(only(states.GetInformList(PARAMETER_BASE), player, PARAMETER_BASE + 2));
    QVERIFY(start.GetInformList(PARAMETER_BASE)->empty());
    QCOMPARE(states.mUpdates.size(), 1); // asked for the current state at once

    // Reports are not passed on.
    cProbeObject listener("listener", 1);
    Listen(player, PARAMETER_BASE + 2, listener);
    Report(player, HexBytes("01 0102 00 00"));
    QCOMPARE(player.Slot(), 1);
    QCOMPARE(listener.mReceived.size(), 0);
}

void tst_Playback::noAssignmentsForTrackZero()
{
    cQuendlePlaybackNetObject player(nullptr, "player", 0, PLAYBACK_CHANNEL_LEFT);
    QVERIFY(player.CreateAssignments({ { "a", PARAMETER_BASE }, { "b", PARAMETER_BASE }, { "c", PARAMETER_BASE } },
        [](sParameterLinkingCommand*) { QFAIL("no link, no failure"); }));
    QVERIFY(DrainUntilBuilderIdle());
    QCOMPARE(gSystemBuilder->GetRequested(), ULONG(0));
}

void tst_Playback::shortAnswerLinksNothingAndReports()
{
    cQuendlePlaybackNetObject player(nullptr, "player", kTrack, PLAYBACK_CHANNEL_LEFT);
    cTraceCapture trace;
    int failures = 0;
    QVERIFY(!player.CreateAssignments({ { "unit start", PARAMETER_BASE }, { "unit request", PARAMETER_BASE } },
        [&failures](sParameterLinkingCommand*) { ++failures; }));
    QCOMPARE(failures, 1);
    QCOMPARE(gSystemBuilder->GetRequested(), ULONG(0));
    QCOMPARE(trace.Count("ERROR: Playback object player: 2 objects to link to, 3 needed"), 1);
    QVERIFY(!player.CreateAssignments({}, nullptr));
}

void tst_Playback::customIPMessageBytes_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<bool>("tcp");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QByteArray>("sent");
    QTest::newRow("UDP, two bytes")
        << "10.0.0.5" << false << HexBytes("aa bb")
        << HexBytes("02 01  31 30 2e 30 2e 30 2e 35 00 00 00 00 00 00 00 00  c8 79  00 02  aa bb");
    QTest::newRow("TCP, no data") << "10.0.0.5" << true << QByteArray()
                                  << HexBytes("02 00  31 30 2e 30 2e 30 2e 35 00 00 00 00 00 00 00 00  c8 79  00 00");
    QTest::newRow("20-character host cut to 15")
        << "abcdefghijklmnopqrst" << true << HexBytes("01")
        << HexBytes("02 00  6162636465666768696a6b6c6d6e6f 00  c8 79  00 01  01");
}

void tst_Playback::customIPMessageBytes()
{
    QFETCH(QString, host);
    QFETCH(bool, tcp);
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, sent);
    cCustomIPNetObject sender("zunet_button3_customip");
    cProbeObject unit("unit custom ip", 1);
    Listen(sender, PARAMETER_BASE, unit);
    const std::vector<UBYTE> bytes(data.begin(), data.end());
    QVERIFY(sender.SendIPMessage(host, 51321, tcp, bytes));
    Drain();
    QCOMPARE(unit.mReceived.size(), 1);
    QCOMPARE(int(unit.mReceived.first().mLength), data.size() + 22);
    QCOMPARE(ToHex(MessageData(unit.mReceived.first())), ToHex(sent));
}

void tst_Playback::customIPMessageTooLongIsRefused()
{
    cCustomIPNetObject sender("zunet_button3_customip");
    cCustomIPNetObject twin("zunet_button3_customip");
    QCOMPARE(QString(twin.GetName()), "zunet_button3_customip~2");
    cProbeObject unit("unit custom ip", 1);
    Listen(sender, PARAMETER_BASE, unit);
    cTraceCapture trace;
    QVERIFY(!sender.SendIPMessage("127.0.0.1", 80, true, std::vector<UBYTE>(1001, 1)));
    QVERIFY(sender.SendIPMessage("127.0.0.1", 80, true, std::vector<UBYTE>(1000, 1)));
    Drain();
    QCOMPARE(unit.mReceived.size(), 1);
    QCOMPARE(int(unit.mReceived.first().mLength), 1022);
    QCOMPARE(trace.Count("ERROR: Length 1001 greater max allowed string length"), 1);
}

QTEST_GUILESS_MAIN(tst_Playback)
#include "tst_playback.moc"
