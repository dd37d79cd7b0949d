#include "ZUNet/Core/SystemBuilder.h"
#include "tests/support/FakeNetwork.h"
#include "tests/support/HexData.h"
#include "tests/support/MessageData.h"
#include "tests/support/ProbeObject.h"
#include "tests/support/RouterFixture.h"
#include "tests/support/TraceCapture.h"
#include "tests/support/ValueObject.h"

#include <QtTest>

#include <memory>
#include <vector>

namespace
{

sParameterLinkingCommand Command(
    const char* source, const char* destination, UWORD sourceParam = PARAMETER_BASE, UWORD destParam = PARAMETER_BASE)
{
    sParameterLinkingCommand command;
    command.SetSourcePath(source);
    command.SetDestinationPath(destination);
    command.mSourceParam = sourceParam;
    command.mDestParam = destParam;
    return command;
}

QString Header(const cZUNetMessage& m)
{
    return QStringLiteral("C%1 D%2 S%3 M%4 L%5")
        .arg(m.mConnectionId)
        .arg(m.mDestination, 0, 16)
        .arg(m.mSource)
        .arg(m.mMethod)
        .arg(m.mLength);
}

QString Data(const cZUNetMessage& m)
{
    return ToHex(MessageData(m));
}

} // namespace

class tst_SystemBuilder : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void createdByInitialiseSyscall();
    void burstStartsOnCallerThenRunsOnDispatch();
    void eachBurstSearchesAfresh();
    void linkMessageBytes_data();
    void linkMessageBytes();
    void linkedValuesTravel();
    void notFoundWithoutCallbackTracesOnceAndRetries();
    void notFoundWithCallbackGivesUp();
    void removalOfMissingObjectIsDropped();
    void tooLongPathIsRefused_data();
    void tooLongPathIsRefused();
    void connectionEndDropsOnlyItsCommands();
    void connectionEndMatchesTheWholeUnitName();
    void connectionEndAbandonsSearchWithoutStaleAnswer();
    void connectionEndWhileWaitingOnIt();
    void dropUnitCommandsBehaviour();
    void delegateChoosesTheBehaviour();
    void longGiveUpChains_data();
    void longGiveUpChains();
    void abortDiscardsEverything();
    void poolsFullReportNamesCurrentLink();
    void releaseAfterEarlierCommands_data();
    void releaseAfterEarlierCommands();

private:
    void MakeBuilder(eConnectionTerminatedBehaviour behaviour);
    /// Answers the unit-side find requests the fake network saw since the last call.
    void AnswerUnitFinds(const QMap<QString, UWORD>& handles);

    std::unique_ptr<cRouterFixture> mRouter;
    std::unique_ptr<cFakeNetwork> mNetwork;
    std::unique_ptr<cSystemBuilder> mBuilder;
    int mAnsweredSends = 0;
};

void tst_SystemBuilder::init()
{
    mRouter.reset(new cRouterFixture());
    mNetwork.reset(new cFakeNetwork());
    mNetwork->AddConnection("UnitA", 3);
    mNetwork->AddConnection("UnitB", 4);
    mAnsweredSends = 0;
    MakeBuilder(CONNECTION_TERMINATED_ABORT_COMMANDS);
}

void tst_SystemBuilder::cleanup()
{
    mBuilder.reset();
    mNetwork.reset();
    mRouter.reset();
}

void tst_SystemBuilder::MakeBuilder(eConnectionTerminatedBehaviour behaviour)
{
    mBuilder.reset();
    mBuilder.reset(new cSystemBuilder("ZUNet System Builder", 0, 40, behaviour, nullptr));
}

void tst_SystemBuilder::AnswerUnitFinds(const QMap<QString, UWORD>& handles)
{
    const auto sent = mNetwork->Sent();
    for (; mAnsweredSends < sent.size(); ++mAnsweredSends) {
        const cZUNetMessage& request = sent[mAnsweredSends];
        if (request.mMethod != M_REG_FIND_OBJECT)
            continue;
        const QString name = QString::fromUtf8(request.GetDataBufferString(0));
        const bool known = handles.contains(name);
        mRouter->Router().PostLocalMessage(UnitReply(known ? M_REPLY_OK : M_REPLY_FAIL, request.mConnectionId,
            request.mSource, handles.value(name), known ? 2 : 0));
    }
}

void tst_SystemBuilder::createdByInitialiseSyscall()
{
    mBuilder.reset();
    mRouter.reset();
    InitialiseSyscall(CONNECTION_TERMINATED_ABORT_COMMANDS, true);
    QVERIFY(gSystemBuilder);
    QCOMPARE(gRegistryRouter->GetHandle("ZUNet System Builder"), gSystemBuilder->GetHandle());
    gSystemBuilder->AddLinkCommandToList(Command("a", "b"), false); // destroyed with the builder
    UninitialiseSyscall();
    QVERIFY(!gSystemBuilder);
    QVERIFY(!gRegistryRouter);
    mRouter.reset(new cRouterFixture());
}

void tst_SystemBuilder::burstStartsOnCallerThenRunsOnDispatch()
{
    std::vector<std::unique_ptr<cValueObject>> objects;
    for (const char* name : { "s1", "d1", "s2", "d2", "s3", "d3" })
        objects.push_back(std::make_unique<cValueObject>(name));
    mBuilder->AddLinkCommandToList(Command("s1", "d1"), false);
    QVERIFY(mBuilder->IsBusy());
    QCOMPARE(mBuilder->GetState(), int(cSystemBuilder::STATE_SEEKING_SOURCE));
    QCOMPARE(mRouter->Router().GetNumberOfMessagesInBuffer(), ULONG(1)); // the first find, sent from here
    mBuilder->AddLinkCommandToList(Command("s2", "d2"), false);
    mBuilder->AddLinkCommandToList(Command("s3", "d3"), false);
    QCOMPARE(mRouter->Router().GetNumberOfMessagesInBuffer(), ULONG(1));
    QCOMPARE(QString(mBuilder->GetHead().mSourcePath), QString("s1"));

    mRouter->Drain();
    for (int i = 0; i < 6; i += 2) {
        const auto* list = objects[i]->GetInformList(PARAMETER_BASE);
        QCOMPARE(int(list->size()), 1);
        QCOMPARE(list->front().mHandle, objects[i + 1]->GetHandle());
    }
    QCOMPARE(mBuilder->GetRequested(), ULONG(3));
    QCOMPARE(mBuilder->GetMade(), ULONG(3));
    QCOMPARE(mBuilder->GetQueued(), UWORD(0));
    QVERIFY(!mBuilder->IsBusy());
    QCOMPARE(mBuilder->GetState(), int(cSystemBuilder::STATE_IDLE));
    QCOMPARE(QString(mBuilder->GetHead().mSourcePath), QString());
}

void tst_SystemBuilder::eachBurstSearchesAfresh()
{
    auto source = std::make_unique<cValueObject>("s");
    cValueObject destination("d");
    mBuilder->AddLinkCommandToList(Command("s", "d"), false);
    mRouter->Drain();
    // "s" comes back under another handle; a new burst must not use the old answer.
    source.reset();
    cValueObject other("other");
    source = std::make_unique<cValueObject>("s");
    mBuilder->AddLinkCommandToList(Command("s", "d", PARAMETER_BASE, PARAMETER_BASE), false);
    mRouter->Drain();
    QCOMPARE(int(source->GetNumberOfInformListItems(PARAMETER_BASE)), 1);
    QCOMPARE(int(other.GetNumberOfInformListItems(PARAMETER_BASE)), 0);
}

void tst_SystemBuilder::linkMessageBytes_data()
{
    // Source "UnitA/src" is handle 0x21 over connection 3, destination "UnitB/dst" handle 0x42 over
    // connection 4; source parameter 0x1005, destination parameter 0x1000. Builder handle is 1.
    QTest::addColumn<bool>("sync");
    QTest::addColumn<bool>("dataGram");
    QTest::addColumn<bool>("bidirect");
    QTest::addColumn<bool>("remove");
    QTest::addColumn<QStringList>("messages"); // header | data, in send order
    const QString toSource = "C3 D21 S1 M%1 L10|";
    const QString toDestination = "C4 D42 S1 M%1 L10|";
    const QString forward = "00 04 00 42 10 00 10 05 %1 %2";
    const QString backward = "00 03 00 21 10 05 10 00 %1 00";
    QTest::newRow("plain") << false << false << false << false
                           << QStringList { toSource.arg(6) + forward.arg("00", "00") };
    QTest::newRow("sync") << true << false << false << false
                          << QStringList { toSource.arg(6) + forward.arg("00", "01") };
    QTest::newRow("datagram") << false << true << false << false
                              << QStringList { toSource.arg(6) + forward.arg("01", "00") };
    QTest::newRow("sync datagram") << true << true << false << false
                                   << QStringList { toSource.arg(6) + forward.arg("01", "01") };
    QTest::newRow("bidirect") << false << false << true << false
                              << QStringList { toSource.arg(6) + forward.arg("00", "00"),
                                     toDestination.arg(6) + backward.arg("00") };
    QTest::newRow("bidirect sync datagram")
        << true << true << true << false
        << QStringList { toSource.arg(6) + forward.arg("01", "01"), toDestination.arg(6) + backward.arg("01") };
    QTest::newRow("remove") << false << false << false << true
                            << QStringList { toSource.arg(7) + forward.arg("00", "00") };
    QTest::newRow("remove sync datagram bidirect")
        << true << true << true << true
        << QStringList { toSource.arg(7) + forward.arg("00", "00"), toDestination.arg(7) + backward.arg("00") };
}

void tst_SystemBuilder::linkMessageBytes()
{
    QFETCH(bool, sync);
    QFETCH(bool, dataGram);
    QFETCH(bool, bidirect);
    QFETCH(bool, remove);
    QFETCH(QStringList, messages);
    QCOMPARE(mBuilder->GetHandle(), UWORD(1));
    sParameterLinkingCommand command = Command("UnitA/src", "UnitB/dst", 0x1005, 0x1000);
    command.mSync = sync;
    command.mDataGram = dataGram;
    command.mRemove = remove;
    mBuilder->AddLinkCommandToList(command, bidirect);
    for (int round = 0; round < 3; ++round) {
        mRouter->Drain();
        AnswerUnitFinds({ { "src", 0x21 }, { "dst", 0x42 } });
    }
    QStringList links;
    for (const cZUNetMessage& m : mNetwork->Sent()) {
        if (m.mMethod != M_REG_FIND_OBJECT)
            links << Header(m) + "|" + Data(m);
    }
    QCOMPARE(links, messages);
    QVERIFY(mNetwork->SentDatagrams().isEmpty());
    QCOMPARE(mBuilder->GetMade(), ULONG(1));
}

void tst_SystemBuilder::linkedValuesTravel()
{
    cValueObject a("a");
    cValueObject b("b");
    cValueObject c("c");
    cValueObject d("d");
    a.SetValue(11);
    sParameterLinkingCommand oneWay = Command("a", "b");
    oneWay.mSync = true;
    mBuilder->AddLinkCommandToList(oneWay, false);
    mBuilder->AddLinkCommandToList(Command("c", "d"), true);
    mRouter->Drain();
    QCOMPARE(b.Value(), UWORD(11)); // Sync: the current value at once

    a.SetValue(5);
    b.SetValue(7); // not linked back
    c.SetValue(21);
    mRouter->Drain();
    d.SetValue(22);
    mRouter->Drain();
    QCOMPARE(b.Value(), UWORD(5));
    QCOMPARE(a.Value(), UWORD(5));
    QCOMPARE(c.Value(), UWORD(22));
    QCOMPARE(d.Value(), UWORD(22));

    sParameterLinkingCommand unlink = Command("c", "d");
    unlink.mRemove = true;
    mBuilder->AddLinkCommandToList(unlink, true);
    mBuilder->AddLinkCommandToList(Command("a", "b"), false);
    mRouter->Drain();
    const int updates = c.Updates() + d.Updates();
    c.SetValue(1);
    d.SetValue(2);
    mRouter->Drain();
    QCOMPARE(c.Updates() + d.Updates(), updates);
    QCOMPARE(int(a.GetNumberOfInformListItems(PARAMETER_BASE)), 1); // linking twice adds no second entry
}

void tst_SystemBuilder::notFoundWithoutCallbackTracesOnceAndRetries()
{
    cValueObject destination("d");
    cTraceCapture capture;
    sParameterLinkingCommand command = Command("missing", "d");
    command.mSync = true;
    mBuilder->AddLinkCommandToList(command, false);
    QVERIFY(mRouter->Drain(60) == 60); // keeps searching
    QCOMPARE(capture.Lines(),
        (QStringList { "ERROR: Can't find = \"missing\"", "ERROR: mSourcePath = \"missing\", mDestinationPath = \"d\"",
            "ERROR: SourceParam: 4096,  DestParam: 4096,  Remove: False,  Sync: True,  Bidirect: False,  "
            "DataGram: False," }));
    QVERIFY(mBuilder->IsBusy());
    QCOMPARE(mBuilder->GetQueueLength(), 1);

    cValueObject source("missing");
    mRouter->Drain();
    QCOMPARE(int(source.GetNumberOfInformListItems(PARAMETER_BASE)), 1);
    QVERIFY(!mBuilder->IsBusy());
    QCOMPARE(capture.Lines().size(), 3);
}

void tst_SystemBuilder::notFoundWithCallbackGivesUp()
{
    cValueObject s1("s1");
    cValueObject s2("s2");
    cValueObject d2("d2");
    QStringList calls;
    sParameterLinkingCommand first = Command("s1", "missing");
    first.mCompletionCallback = [&calls](sParameterLinkingCommand* command) {
        calls << QStringLiteral("%1>%2").arg(command->mSourcePath, command->mDestinationPath);
    };
    sParameterLinkingCommand second = Command("s2", "d2");
    second.mCompletionCallback = first.mCompletionCallback;
    cTraceCapture capture;
    mBuilder->AddLinkCommandToList(first, false);
    mBuilder->AddLinkCommandToList(second, false);
    mRouter->Drain();
    QCOMPARE(calls, QStringList { "s1>missing" }); // a made link never calls back
    QCOMPARE(int(s2.GetNumberOfInformListItems(PARAMETER_BASE)), 1);
    QCOMPARE(int(s1.GetNumberOfInformListItems(PARAMETER_BASE)), 0);
    QCOMPARE(mBuilder->GetMade(), ULONG(2));
    QCOMPARE(mBuilder->GetQueued(), UWORD(0));
    QCOMPARE(capture.Lines(), QStringList {});
}

void tst_SystemBuilder::removalOfMissingObjectIsDropped()
{
    cTraceCapture capture;
    sParameterLinkingCommand command = Command("missing", "d");
    command.mRemove = true;
    mBuilder->AddLinkCommandToList(command, false);
    mRouter->Drain();
    QCOMPARE(capture.Count("ERROR: Can't find = \"missing\""), 1);
    QCOMPARE(capture.Lines().size(), 3);
    QVERIFY(!mBuilder->IsBusy());
    QCOMPARE(mBuilder->GetMade(), ULONG(1));
}

void tst_SystemBuilder::tooLongPathIsRefused_data()
{
    QTest::addColumn<bool>("longSource");
    QTest::newRow("source") << true;
    QTest::newRow("destination") << false;
}

void tst_SystemBuilder::tooLongPathIsRefused()
{
    QFETCH(bool, longSource);
    // Cut to 127 characters this would be "UnitA/" + 121 x: an object that may well exist.
    const QByteArray longPath = "UnitA/" + QByteArray(122, 'x');
    sParameterLinkingCommand command;
    QCOMPARE(command.SetSourcePath(longSource ? longPath.constData() : "s"), !longSource);
    QCOMPARE(command.SetDestinationPath(longSource ? "d" : longPath.constData()), longSource);
    int calls = 0;
    command.mCompletionCallback = [&calls](sParameterLinkingCommand*) { ++calls; };
    cTraceCapture capture;
    mBuilder->AddLinkCommandToList(command, false);
    QCOMPARE(calls, 1);
    QCOMPARE(capture.CountContaining("ERROR: Link path too long (at most 127 characters)"), 1);
    QCOMPARE(mBuilder->GetRequested(), ULONG(0));
    QVERIFY(!mBuilder->IsBusy());
    QCOMPARE(mRouter->Router().GetNumberOfMessagesInBuffer(), ULONG(0));

    QVERIFY(command.SetSourcePath(QByteArray(127, 's').constData()));
}

void tst_SystemBuilder::connectionEndDropsOnlyItsCommands()
{
    cValueObject d1("d1");
    cValueObject d2("d2");
    cValueObject s3("s3");
    cValueObject s4("s4");
    cValueObject d4("d4");
    QStringList calls;
    auto callback = [&calls](sParameterLinkingCommand* command) {
        calls << QStringLiteral("%1>%2").arg(command->mSourcePath, command->mDestinationPath);
    };
    for (auto command :
        { Command("UnitA/x", "d1"), Command("UnitB/y", "d2"), Command("s3", "UnitA/z"), Command("s4", "d4") }) {
        command.mCompletionCallback = callback;
        mBuilder->AddLinkCommandToList(command, false);
    }
    mRouter->Drain(); // the search for UnitA/x went out over connection 3
    mRouter->Router().ConnectionTerminated(3, true);
    QCOMPARE(calls, (QStringList { "UnitA/x>d1", "s3>UnitA/z" }));
    QCOMPARE(mBuilder->GetQueueLength(), 2);
    QCOMPARE(QString(mBuilder->GetHead().mSourcePath), QString("UnitB/y"));
    QCOMPARE(mBuilder->GetRequested(), ULONG(4));
    QCOMPARE(mBuilder->GetMade(), ULONG(2));
    QCOMPARE(mBuilder->GetQueued(), UWORD(2));
    QVERIFY(mBuilder->IsBusy());

    // The other unit's link and the local one are still made.
    for (int round = 0; round < 3; ++round) {
        mRouter->Drain();
        AnswerUnitFinds({ { "y", 0x50 } });
    }
    QCOMPARE(int(s4.GetNumberOfInformListItems(PARAMETER_BASE)), 1);
    const auto sent = mNetwork->Sent();
    QCOMPARE(Header(sent.back()), QString("C4 D50 S%1 M6 L10").arg(mBuilder->GetHandle()));
    QCOMPARE(mBuilder->GetMade(), ULONG(4));
    QVERIFY(!mBuilder->IsBusy());
    QCOMPARE(calls.size(), 2);
}

void tst_SystemBuilder::connectionEndMatchesTheWholeUnitName()
{
    // "Unit" ends: only paths whose part before the first "/" is exactly "Unit" go through it.
    mNetwork->AddConnection("Unit", 5);
    cValueObject unit("Unit");
    cValueObject d("d");
    QStringList calls;
    auto callback = [&calls](sParameterLinkingCommand* command) {
        calls << QStringLiteral("%1>%2").arg(command->mSourcePath, command->mDestinationPath);
    };
    for (auto command : { Command("UnitA/x", "d"), Command("Unit", "d"), Command("d", "Unit/y"),
             Command("d/Unit/z", "d"), Command("Uni/w", "d"), Command("Unit/v", "UnitA/u") }) {
        command.mCompletionCallback = callback;
        mBuilder->AddLinkCommandToList(command, false);
    }
    mRouter->Router().ConnectionTerminated(5, true);
    QCOMPARE(calls, (QStringList { "d>Unit/y", "Unit/v>UnitA/u" }));
    QCOMPARE(mBuilder->GetQueueLength(), 4);
    QCOMPARE(QString(mBuilder->GetHead().mSourcePath), QString("UnitA/x"));
    QCOMPARE(mBuilder->GetMade(), ULONG(2));
    QCOMPARE(mBuilder->GetQueued(), UWORD(4));
}

void tst_SystemBuilder::connectionEndAbandonsSearchWithoutStaleAnswer()
{
    // The head's source is local and its answer already queued when the unit of its destination
    // goes away; the next command's search must not take that answer as its own.
    cValueObject s1("s1");
    cValueObject s2("s2");
    cValueObject d2("d2");
    int calls = 0;
    sParameterLinkingCommand first = Command("s1", "UnitA/x");
    first.mCompletionCallback = [&calls](sParameterLinkingCommand*) { ++calls; };
    mBuilder->AddLinkCommandToList(first, false);
    mBuilder->AddLinkCommandToList(Command("s2", "d2"), false);
    mRouter->Drain(1); // the registry has answered "s1"; the answer waits in the queue
    mRouter->Router().ConnectionTerminated(3, false);
    QCOMPARE(calls, 1);
    mRouter->Drain();
    QCOMPARE(int(s2.GetNumberOfInformListItems(PARAMETER_BASE)), 1);
    QCOMPARE(s2.GetInformList(PARAMETER_BASE)->front().mHandle, d2.GetHandle());
    QCOMPARE(int(s1.GetNumberOfInformListItems(PARAMETER_BASE)), 0);
    QVERIFY(!mBuilder->IsBusy());
    UWORD connectionId = 0;
    UWORD handle = 0;
    QVERIFY(mBuilder->TryCacheFind("s2", connectionId, handle));
    QCOMPARE(handle, s2.GetHandle());
}

void tst_SystemBuilder::connectionEndWhileWaitingOnIt()
{
    // The manager no longer knows the ended connection's name; the search that waited on it is
    // given up all the same instead of waiting for ever.
    cValueObject d("d");
    cValueObject s2("s2");
    int calls = 0;
    sParameterLinkingCommand first = Command("UnitA/x", "d");
    first.mCompletionCallback = [&calls](sParameterLinkingCommand*) { ++calls; };
    mBuilder->AddLinkCommandToList(first, false);
    mBuilder->AddLinkCommandToList(Command("s2", "d"), false);
    mRouter->Drain();
    mNetwork->RemoveConnection("UnitA");
    mRouter->Router().ConnectionTerminated(3, true);
    QCOMPARE(calls, 1);
    mRouter->Drain();
    QCOMPARE(int(s2.GetNumberOfInformListItems(PARAMETER_BASE)), 1);
    QVERIFY(!mBuilder->IsBusy());
}

void tst_SystemBuilder::dropUnitCommandsBehaviour()
{
    MakeBuilder(CONNECTION_TERMINATED_DROP_UNIT_COMMANDS);
    cValueObject d("d");
    QStringList calls;
    auto callback = [&calls](sParameterLinkingCommand* command) { calls << command->mSourcePath; };
    for (auto command :
        { Command("UnitA/x", "d"), Command("UnitA/y", "d"), Command("UnitB/z", "d"), Command("UnitA/w", "d") }) {
        command.mCompletionCallback = callback;
        mBuilder->AddLinkCommandToList(command, false);
    }
    mRouter->Drain();
    mNetwork->Clear();
    mAnsweredSends = 0;
    mRouter->Router().ConnectionTerminated(3, true);
    // The commands at the head naming the lost unit are dropped; the third is sought.
    QCOMPARE(calls, (QStringList { "UnitA/x", "UnitA/y" }));
    QCOMPARE(QString(mBuilder->GetHead().mSourcePath), QString("UnitB/z"));
    mRouter->Drain();
    const auto sent = mNetwork->Sent();
    QCOMPARE(sent.size(), 1);
    QCOMPARE(sent[0].mConnectionId, UWORD(4));
    QCOMPARE(mBuilder->GetQueueLength(), 2);
}

void tst_SystemBuilder::delegateChoosesTheBehaviour()
{
    struct cDelegate : cConnectionTerminatedBehaviourDelegate {
        eConnectionTerminatedBehaviour GetConnectionTerminatedBehaviour(UWORD connectionId) override
        {
            asked << connectionId;
            return connectionId == 3 ? eConnectionTerminatedBehaviour(2) : CONNECTION_TERMINATED_ABORT_COMMANDS;
        }
        QList<UWORD> asked;
    } delegate;
    mBuilder.reset();
    mBuilder.reset(new cSystemBuilder("ZUNet System Builder", 0, 40, CONNECTION_TERMINATED_ABORT_COMMANDS, &delegate));
    int calls = 0;
    for (auto command : { Command("UnitA/x", "UnitB/y"), Command("UnitB/z", "UnitA/w") }) {
        command.mCompletionCallback = [&calls](sParameterLinkingCommand*) { ++calls; };
        mBuilder->AddLinkCommandToList(command, false);
    }
    mRouter->Drain();
    mRouter->Router().ConnectionTerminated(3, true); // any other value: the queue is left alone
    QCOMPARE(calls, 0);
    QCOMPARE(mBuilder->GetQueueLength(), 2);
    mRouter->Router().ConnectionTerminated(4, true);
    QCOMPARE(calls, 2);
    QCOMPARE(mBuilder->GetQueueLength(), 0);
    QVERIFY(!mBuilder->IsBusy());
    QCOMPARE(delegate.asked, (QList<UWORD> { 3, 4 }));
}

void tst_SystemBuilder::longGiveUpChains_data()
{
    QTest::addColumn<int>("behaviour");
    QTest::newRow("drop unit commands") << int(CONNECTION_TERMINATED_DROP_UNIT_COMMANDS);
    QTest::newRow("drop commands through the connection") << int(CONNECTION_TERMINATED_ABORT_COMMANDS);
}

void tst_SystemBuilder::longGiveUpChains()
{
    QFETCH(int, behaviour);
    MakeBuilder(eConnectionTerminatedBehaviour(behaviour));
    constexpr int kCommands = 200000; // a call per dropped command would overflow the stack
    int calls = 0;
    sParameterLinkingCommand command = Command("UnitA/x", "d");
    command.mCompletionCallback = [&calls](sParameterLinkingCommand*) { ++calls; };
    for (int i = 0; i < kCommands; ++i)
        mBuilder->AddLinkCommandToList(command, false);
    mRouter->Drain();
    mRouter->Router().ConnectionTerminated(3, true);
    QCOMPARE(calls, kCommands);
    QCOMPARE(mBuilder->GetQueueLength(), 0);
    QVERIFY(!mBuilder->IsBusy());
    QCOMPARE(mBuilder->GetMade(), ULONG(kCommands));
}

void tst_SystemBuilder::abortDiscardsEverything()
{
    int calls = 0;
    sParameterLinkingCommand command = Command("UnitA/x", "UnitB/y");
    command.mCompletionCallback = [&calls](sParameterLinkingCommand*) { ++calls; };
    for (int i = 0; i < 3; ++i)
        mBuilder->AddLinkCommandToList(command, false);
    mRouter->Drain();
    mBuilder->AbortAllLinksAndExitbusy();
    QCOMPARE(calls, 0);
    QCOMPARE(mBuilder->GetQueueLength(), 0);
    QCOMPARE(mBuilder->GetState(), int(cSystemBuilder::STATE_IDLE));
    QVERIFY(!mBuilder->IsBusy());
    QVERIFY(!mBuilder->IsSeekBusy());
    QCOMPARE(mBuilder->GetRequested(), ULONG(3));
    QCOMPARE(mBuilder->GetQueued(), UWORD(0));
    // The abandoned search's answer, arriving now, starts nothing.
    AnswerUnitFinds({ { "x", 5 } });
    mRouter->Drain();
    QVERIFY(!mBuilder->IsBusy());
    QCOMPARE(mBuilder->GetState(), int(cSystemBuilder::STATE_IDLE));
}

void tst_SystemBuilder::poolsFullReportNamesCurrentLink()
{
    mBuilder.reset();
    mRouter.reset();
    mRouter.reset(new cRouterFixture(cRouterFixture::OneSmallMessagePool()));
    MakeBuilder(CONNECTION_TERMINATED_ABORT_COMMANDS);
    SetSystemBuilder(mBuilder.get());
    sParameterLinkingCommand command = Command("UnitA/src", "dst", 0x1002, 0x1000);
    command.mSync = true;
    mBuilder->AddLinkCommandToList(command, true); // its find takes the only small message
    cTraceCapture capture;
    cZUNetMessage m(3);
    m.SetAddress(0, 0, 0, PARAMETER_BASE);
    mRouter->Router().PostLocalMessage(m);
    gSystemBuilder = nullptr;
    QCOMPARE(capture.Lines(),
        (QStringList { "ERROR: Mess Pools Full", "ERROR: Message Pools Full, Length: 3,  CID:0, S:0, D:0, M:4096",
            "ERROR: SysBuild is busy. Current link is:",
            "ERROR: mSourcePath = \"UnitA/src\", mDestinationPath = \"dst\"",
            "ERROR: SourceParam: 4098,  DestParam: 4096,  Remove: False,  Sync: True,  Bidirect: True,  DataGram: "
            "False,",
            "ERROR: SysBuild LinkPerformance:-  Requested: 1   Made: 0   Queued: 1" }));
}

namespace
{
/// How the commands queued before a release leave the queue.
enum eEnding { kMade, kGivenUp, kMissingRemoval, kConnectionEnded, kAborted, kBuilderGone };
} // namespace

void tst_SystemBuilder::releaseAfterEarlierCommands_data()
{
    QTest::addColumn<int>("ending");
    QTest::addColumn<int>("madeWhenReleased");
    QTest::newRow("made") << int(kMade) << 2;
    QTest::newRow("given up") << int(kGivenUp) << 2;
    QTest::newRow("removal of a missing object") << int(kMissingRemoval) << 2;
    QTest::newRow("their connection ended") << int(kConnectionEnded) << 2;
    QTest::newRow("aborted") << int(kAborted) << 0;
    QTest::newRow("builder gone") << int(kBuilderGone) << 0;
}

// A release waits for every command queued before it, however each leaves the queue, and not for
// those queued after it.
void tst_SystemBuilder::releaseAfterEarlierCommands()
{
    QFETCH(int, ending);
    QFETCH(int, madeWhenReleased);
    cValueObject s1("s1");
    cValueObject d1("d1");
    cValueObject s3("s3");
    cValueObject d3("d3");
    int releases = 0;
    ULONG made = 0;
    QVERIFY(!mBuilder->ReleaseAfterQueuedCommands([&] { ++releases; })); // nothing queued: not kept

    sParameterLinkingCommand second = Command("s1", "d1");
    if (ending == kGivenUp) {
        second = Command("s1", "missing");
        second.mCompletionCallback = [](sParameterLinkingCommand*) {};
    } else if (ending == kMissingRemoval) {
        second = Command("missing", "d1");
        second.mRemove = true;
    } else if (ending == kConnectionEnded) {
        second = Command("UnitA/x", "d1");
    }
    cTraceCapture capture;
    mBuilder->AddLinkCommandToList(Command("s1", "d1"), false);
    mBuilder->AddLinkCommandToList(second, false);
    cSystemBuilder* builder = mBuilder.get();
    QVERIFY(mBuilder->ReleaseAfterQueuedCommands([&releases, &made, builder] {
        ++releases;
        made = builder->GetMade();
    }));
    mBuilder->AddLinkCommandToList(Command("s3", "d3"), false);
    QCOMPARE(releases, 0);

    if (ending == kAborted) {
        mBuilder->AbortAllLinksAndExitbusy();
    } else if (ending == kBuilderGone) {
        mBuilder.reset();
    } else {
        mRouter->Drain();
        if (ending == kConnectionEnded)
            mRouter->Router().ConnectionTerminated(3, true);
        mRouter->Drain();
        QCOMPARE(int(s3.GetNumberOfInformListItems(PARAMETER_BASE)), 1);
    }
    QCOMPARE(releases, 1);
    QCOMPARE(made, ULONG(madeWhenReleased));
    QVERIFY(!mBuilder || mBuilder->GetQueueLength() == 0);
}

QTEST_GUILESS_MAIN(tst_SystemBuilder)
#include "tst_systembuilder.moc"
