#include "AES-Standards/Conversions.h"
#include "ZUNet/Core/AudioDrivers.h"
#include "ZUNet/Core/SystemBuilder.h"
#include "tests/support/HexData.h"
#include "tests/support/MessageData.h"
#include "tests/support/ProbeObject.h"
#include "tests/support/RouterFixture.h"
#include "tests/support/TraceCapture.h"

#include <QtTest>

#include <limits>
#include <memory>
#include <utility>

namespace
{

/// A fader whose value the test moves; it clamps what it is given, as a motor fader would.
class cFakeController : public cContinuousControllerWithDeltaDriver
{
public:
    using cContinuousControllerWithDeltaDriver::cContinuousControllerWithDeltaDriver;
    bool ReadControllerTouched() override { return mTouched; }
    UWORD ReadControllerValue() override { return mValue; }
    void WriteControllerValue(UWORD value) override
    {
        ++mWrites;
        mValue = ClampValue(value);
    }
    void WriteControllerRange(UWORD lower, UWORD upper, bool levelType) override
    {
        ++mWrites;
        cContinuousControllerDriver::WriteControllerRange(lower, upper, levelType);
    }
    void WriteControllerFaderNULL(bool faderNull) override
    {
        ++mWrites;
        cContinuousControllerDriver::WriteControllerFaderNULL(faderNull);
    }
    SWORD ReadControllerDelta() override { return mDeltas.isEmpty() ? 0 : mDeltas.takeFirst(); }
    void WriteControllerDelta(SWORD delta) override
    {
        ++mWrites;
        mWrittenDelta = delta;
    }

    UWORD mValue = 0;
    bool mTouched = false;
    int mWrites = 0;
    QList<SWORD> mDeltas;
    SWORD mWrittenDelta = 0;
};

class cFakeLED : public cLEDBaseDriver
{
public:
    using cLEDBaseDriver::cLEDBaseDriver;
    void WriteLEDState(UBYTE state) override { mStates.append(state); }
    QList<UBYTE> mStates;
};

class cFakeSwitch : public cSwitchBaseDriver
{
public:
    using cSwitchBaseDriver::cSwitchBaseDriver;
    UBYTE ReadSwitchValue() override { return mValue; }
    void WriteSwitchValue(UBYTE value) override
    {
        ++mWrites;
        mValue = value;
    }
    void WriteSwitchDelta(SWORD delta) override
    {
        ++mWrites;
        mDelta = delta;
    }
    UBYTE mValue = 0;
    SWORD mDelta = 0;
    int mWrites = 0;
};

class cFakeMeter : public cMeterDisplayDriverBase
{
public:
    using cMeterDisplayDriverBase::cMeterDisplayDriverBase;
    void ShowLevelAndPeak(SWORD level, SWORD peak) override
    {
        mShown.append(QStringLiteral("%1/%2").arg(level).arg(peak));
    }
    void WriteMeterFlag(UBYTE flag) override { mFlags.append(flag); }
    void AttackStepSet(SWORD step) override
    {
        mShown.append(QStringLiteral("attack %1").arg(step));
        cMeterDisplayDriverBase::AttackStepSet(step);
    }
    void DecayStepSet(SWORD step) override
    {
        mShown.append(QStringLiteral("decay %1").arg(step));
        cMeterDisplayDriverBase::DecayStepSet(step);
    }
    QStringList mShown;
    QList<UBYTE> mFlags;
};

class cFakeMultiController : public cMultiContinuousControllerDriverBase
{
public:
    using cMultiContinuousControllerDriverBase::cMultiContinuousControllerDriverBase;
    SWORD ReadSelectedChildDelta() override { return std::exchange(mDelta, SWORD(0)); }
    SWORD mDelta = 0;
};

/// Keeps its audio object past its own destructor, as a careless subclass would.
class cForgetfulDriver : public cAudioDriver
{
public:
    cForgetfulDriver() { mAudioObject = std::make_unique<cProbeObject>("forgotten"); }
};

cZUNetMessage To(const cNetObject& object, UWORD method, const QString& hex, UWORD source = 0x7777)
{
    return MessageWithData(ZUNET_LOCAL_CONNECTION, object.GetHandle(), source, method, HexBytes(hex));
}

QStringList Summaries(const QVector<cZUNetMessage>& messages)
{
    QStringList summaries;
    for (const cZUNetMessage& message : messages)
        summaries << QStringLiteral("%1: %2").arg(message.mMethod, 0, 16).arg(ToHex(MessageData(message)));
    return summaries;
}

} // namespace

class tst_AudioDrivers : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void uwordForFloat_data();
    void uwordForFloat();
    void floatForUWORD_data();
    void floatForUWORD();
    void clampAndLevelType();
    void rangeMessage_data();
    void rangeMessage();
    void firstTickRecordsChangesSend();
    void incomingValueTouchedAndFaderNull();
    void syncLinksGetTheCurrentState();
    void postValueClamps_data();
    void postValueClamps();
    void postRangeAndValue();
    void deltaPassedOnAndSlowDeltas();
    void ledPassesOnChanges();
    void switchTicksAndMessages();
    void meterBallistics_data();
    void meterBallistics();
    void meterMessages();
    void scaleFactor_data();
    void scaleFactor();
    void multiControllerMovesTheSelectedChild();
    void shortMessagesAreDropped_data();
    void shortMessagesAreDropped();
    void audioObjectLeftBehindIsReported();

private:
    /// Queues a link from `source`'s parameter to the probe, with Sync, and drains.
    void LinkToProbe(const char* source, UWORD method, cProbeObject& probe, UWORD probeMethod = PARAMETER_BASE);

    std::unique_ptr<cRouterFixture> mRouter;
    std::unique_ptr<cSystemBuilder> mBuilder;
};

void tst_AudioDrivers::init()
{
    mRouter = std::make_unique<cRouterFixture>();
    mBuilder = std::make_unique<cSystemBuilder>(
        "ZUNet System Builder", 0, 40, CONNECTION_TERMINATED_ABORT_COMMANDS, nullptr);
    gSystemBuilder = mBuilder.get();
}

void tst_AudioDrivers::cleanup()
{
    gSystemBuilder = nullptr;
    mBuilder.reset();
    mRouter.reset();
}

void tst_AudioDrivers::LinkToProbe(const char* source, UWORD method, cProbeObject& probe, UWORD probeMethod)
{
    sParameterLinkingCommand command;
    QVERIFY(command.SetSourcePath(source));
    QVERIFY(command.SetDestinationPath(probe.GetName()));
    command.mSourceParam = method;
    command.mDestParam = probeMethod;
    command.mSync = true;
    mBuilder->AddLinkCommandToList(command, false);
    mRouter->Drain();
}

void tst_AudioDrivers::uwordForFloat_data()
{
    QTest::addColumn<int>("lower");
    QTest::addColumn<int>("upper");
    QTest::addColumn<bool>("levelType");
    QTest::addColumn<float>("value");
    QTest::addColumn<int>("expected");
    QTest::newRow("half") << 100 << 200 << false << 0.5f << 150;
    QTest::newRow("one") << 100 << 200 << false << 1.0f << 200;
    QTest::newRow("zero") << 100 << 200 << false << 0.0f << 100;
    QTest::newRow("below zero") << 100 << 200 << false << -1.0f << 100;
    QTest::newRow("above one") << 100 << 200 << false << 2.0f << 200;
    QTest::newRow("rounds to nearest") << 0 << 10 << false << 0.26f << 3;
    QTest::newRow("level type zero is off") << 100 << 200 << true << 0.0f << 0;
    QTest::newRow("level type below zero is off") << 100 << 200 << true << -0.5f << 0;
    QTest::newRow("level type just above zero") << 100 << 200 << true << 0.01f << 101;
    QTest::newRow("span 0") << 100 << 100 << false << 0.7f << 100;
    QTest::newRow("whole word range") << 0 << 65535 << false << 1.0f << 65535;
    QTest::newRow("not a number") << 100 << 200 << false << std::numeric_limits<float>::quiet_NaN() << 100;
}

void tst_AudioDrivers::uwordForFloat()
{
    QFETCH(int, lower);
    QFETCH(int, upper);
    QFETCH(bool, levelType);
    QFETCH(float, value);
    QFETCH(int, expected);
    cFakeController controller;
    controller.WriteControllerRange(UWORD(lower), UWORD(upper), levelType);
    QCOMPARE(int(controller.GetUWORDForFloat(value)), expected);
}

void tst_AudioDrivers::floatForUWORD_data()
{
    QTest::addColumn<int>("lower");
    QTest::addColumn<int>("upper");
    QTest::addColumn<bool>("levelType");
    QTest::addColumn<int>("value");
    QTest::addColumn<float>("expected");
    QTest::newRow("middle") << 100 << 200 << false << 150 << 0.5f;
    QTest::newRow("below the range") << 100 << 200 << false << 50 << 0.0f;
    QTest::newRow("above the range") << 100 << 200 << false << 250 << 1.0f;
    QTest::newRow("span 0") << 100 << 100 << false << 100 << 0.0f;
    QTest::newRow("upper below lower: span 0") << 200 << 100 << false << 150 << 0.0f;
    QTest::newRow("level type 0") << 100 << 200 << true << 0 << 0.0f;
    QTest::newRow("level type lower bound") << 100 << 200 << true << 100 << 0.0f;
    QTest::newRow("level type upper bound") << 100 << 200 << true << 200 << 1.0f;
    QTest::newRow("0 without level type is clamped") << 100 << 200 << false << 0 << 0.0f;
}

void tst_AudioDrivers::floatForUWORD()
{
    QFETCH(int, lower);
    QFETCH(int, upper);
    QFETCH(bool, levelType);
    QFETCH(int, value);
    QFETCH(float, expected);
    cFakeController controller;
    controller.WriteControllerRange(UWORD(lower), UWORD(upper), levelType);
    QCOMPARE(controller.GetFloatForUWORD(UWORD(value)), expected);
}

void tst_AudioDrivers::clampAndLevelType()
{
    cFakeController controller;
    QCOMPARE(controller.GetControllerSpan(), UWORD(0xFFFF));
    controller.WriteControllerRange(100, 200, false);
    QCOMPARE(controller.GetControllerSpan(), UWORD(100));
    QCOMPARE(controller.ClampValue(-5), UWORD(100));
    QCOMPARE(controller.ClampValue(150), UWORD(150));
    QCOMPARE(controller.ClampValue(70000), UWORD(200));
    QCOMPARE(controller.EncodeLevelTypeValue(100), UWORD(100));
    QCOMPARE(controller.DecodeLevelTypeValue(0), UWORD(0));

    controller.WriteControllerRange(100, 200, true);
    QCOMPARE(controller.EncodeLevelTypeValue(100), UWORD(0));
    QCOMPARE(controller.EncodeLevelTypeValue(150), UWORD(150));
    QCOMPARE(controller.DecodeLevelTypeValue(0), UWORD(100));
    QCOMPARE(controller.DecodeLevelTypeValue(150), UWORD(150));

    controller.WriteControllerRange(200, 100, false);
    QCOMPARE(controller.GetControllerSpan(), UWORD(0));
}

void tst_AudioDrivers::rangeMessage_data()
{
    QTest::addColumn<QString>("data");
    QTest::addColumn<int>("lower");
    QTest::addColumn<int>("upper");
    QTest::addColumn<bool>("levelType");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("trace");

    // The controller starts at 0..1000 holding 500.
    QTest::newRow("with a value") << "0064 00C8 00 0096" << 100 << 200 << false << 150 << "";
    QTest::newRow("value clamped") << "0064 00C8 FF 0190" << 100 << 200 << true << 200 << "";
    QTest::newRow("any non-zero flag byte") << "0064 00C8 01 0096" << 100 << 200 << true << 150 << "";
    QTest::newRow("without a value the current one is clamped") << "0064 00C8 00" << 100 << 200 << false << 200 << "";
    QTest::newRow("six bytes carry no value") << "0000 03E8 00 01" << 0 << 1000 << false << 500 << "";
    QTest::newRow("equal bounds") << "0190 0190 00 0000" << 400 << 400 << false << 400 << "";
    QTest::newRow("upper below lower is refused")
        << "00C8 0064 00 0096" << 0 << 1000 << false << 500
        << "ERROR: ControllerRangeUpper = 100, is lower than ControllerRangeLower = 200";
}

void tst_AudioDrivers::rangeMessage()
{
    QFETCH(QString, data);
    QFETCH(int, lower);
    QFETCH(int, upper);
    QFETCH(bool, levelType);
    QFETCH(int, value);
    QFETCH(QString, trace);

    cFakeController controller("cc");
    controller.WriteControllerRange(0, 1000, false);
    controller.mValue = 500;
    cProbeObject probe("probe", 1);
    LinkToProbe("cc", M_CONTINUOUS_CONTROLLER_RANGE, probe);
    probe.mReceived.clear();

    cTraceCapture traces;
    auto* object = static_cast<cContinuousController*>(controller.GetAudioObject());
    object->ActionTick(); // takes its starting value
    cZUNetMessage message = To(*object, M_CONTINUOUS_CONTROLLER_RANGE, data);
    object->EntrypointMessage(message);
    mRouter->Drain();

    QCOMPARE(int(controller.GetControllerRangeLower()), lower);
    QCOMPARE(int(controller.GetControllerRangeUpper()), upper);
    QCOMPARE(controller.IsLevelType(), levelType);
    QCOMPARE(int(controller.mValue), value);
    QCOMPARE(int(object->GetValue()), value);
    if (trace.isEmpty()) {
        QCOMPARE(traces.Lines(), QStringList());
        QCOMPARE(Summaries(probe.mReceived), QStringList { "1000: " + ToHex(HexBytes(data)) });
    } else {
        QCOMPARE(traces.Lines(), QStringList { trace });
        QCOMPARE(probe.mReceived.size(), 0);
    }
}

void tst_AudioDrivers::firstTickRecordsChangesSend()
{
    cFakeController controller("cc");
    cProbeObject probe("probe", 2);
    LinkToProbe("cc", M_CONTINUOUS_CONTROLLER_VALUE, probe);
    LinkToProbe("cc", M_CONTINUOUS_CONTROLLER_TOUCHED, probe, PARAMETER_BASE + 1);
    probe.mReceived.clear();
    auto* object = static_cast<cContinuousController*>(controller.GetAudioObject());

    controller.mValue = 10;
    controller.mTouched = true;
    object->ActionTick();
    mRouter->Drain();
    QCOMPARE(probe.mReceived.size(), 0);
    QCOMPARE(object->GetValue(), UWORD(10));

    object->ActionTick();
    mRouter->Drain();
    QCOMPARE(probe.mReceived.size(), 0);

    controller.mValue = 0x1234;
    object->ActionTick();
    mRouter->Drain();
    QCOMPARE(Summaries(probe.mReceived), QStringList { "1000: 12 34" });

    controller.mTouched = false;
    object->ActionTick();
    controller.mValue = 0x4321;
    controller.mTouched = true;
    object->ActionTick();
    mRouter->Drain();
    QCOMPARE(Summaries(probe.mReceived), (QStringList { "1000: 12 34", "1001: 00", "1000: 43 21", "1001: 01" }));
    // Each went to the parameter it was linked to.
    QCOMPARE(probe.mReceived[1].mMethod, UWORD(PARAMETER_BASE + 1));
    QCOMPARE(probe.mReceived[2].mMethod, UWORD(PARAMETER_BASE));
    QCOMPARE(probe.mReceived[2].mSource, object->GetHandle());
}

void tst_AudioDrivers::incomingValueTouchedAndFaderNull()
{
    cFakeController controller("cc");
    controller.WriteControllerRange(0, 1000, false);
    cProbeObject sender("sender", 1);
    cProbeObject other("other", 1);
    LinkToProbe("cc", M_CONTINUOUS_CONTROLLER_VALUE, sender);
    LinkToProbe("cc", M_CONTINUOUS_CONTROLLER_VALUE, other);
    LinkToProbe("cc", M_CONTINUOUS_CONTROLLER_FADER_NULL, other);
    sender.mReceived.clear();
    other.mReceived.clear();
    auto* object = static_cast<cContinuousController*>(controller.GetAudioObject());

    // The driver clamps; the object keeps what the driver holds.
    cZUNetMessage value = To(*object, M_CONTINUOUS_CONTROLLER_VALUE, "07 D0", sender.GetHandle());
    object->EntrypointMessage(value);
    mRouter->Drain();
    QCOMPARE(controller.mValue, UWORD(1000));
    QCOMPARE(object->GetValue(), UWORD(1000));
    QCOMPARE(Summaries(other.mReceived), QStringList { "1000: 07 D0" });
    QCOMPARE(sender.mReceived.size(), 0); // not back to its sender

    cTraceCapture traces;
    cZUNetMessage touched = To(*object, M_CONTINUOUS_CONTROLLER_TOUCHED, "01");
    object->EntrypointMessage(touched);
    QCOMPARE(traces.Lines(), QStringList { "ERROR: M_CONTINUOUS_CONTROLLER_TOUCHED - is read only" });
    QVERIFY(!controller.ReadControllerTouched());

    cZUNetMessage faderNull = To(*object, M_CONTINUOUS_CONTROLLER_FADER_NULL, "02");
    object->EntrypointMessage(faderNull);
    mRouter->Drain();
    QVERIFY(controller.IsFaderNull());
    QCOMPARE(Summaries(other.mReceived), (QStringList { "1000: 07 D0", "1000: 02" }));
}

void tst_AudioDrivers::syncLinksGetTheCurrentState()
{
    cFakeController controller("cc");
    controller.WriteControllerRange(100, 200, true);
    controller.mValue = 150;
    controller.mTouched = true;
    auto* object = static_cast<cContinuousController*>(controller.GetAudioObject());
    object->ActionTick();
    cProbeObject probe("probe", 3);
    controller.ReverseLink("probe", PARAMETER_BASE, 0, false);
    controller.ReverseLinkRange("probe", PARAMETER_BASE + 2, 0);
    LinkToProbe("cc", M_CONTINUOUS_CONTROLLER_TOUCHED, probe, PARAMETER_BASE + 1);
    mRouter->Drain();
    QStringList received;
    for (const cZUNetMessage& message : probe.mReceived) {
        if (message.mMethod >= PARAMETER_BASE)
            received << Summaries({ message });
    }
    QCOMPARE(received, (QStringList { "1000: 00 96", "1002: 00 64 00 C8 FF", "1001: 01" }));

    // A link the other way: the probe's parameter drives the controller.
    cProbeObject source("source", 1);
    controller.Link("source", PARAMETER_BASE, 0, false);
    mRouter->Drain();
    QCOMPARE(mBuilder->GetMade(), ULONG(4));
    const std::vector<sInformListItem>* links = source.GetInformList(PARAMETER_BASE);
    QVERIFY(links);
    QCOMPARE(links->size(), std::size_t(1));
    QCOMPARE(links->front().mHandle, object->GetHandle());
    QCOMPARE(links->front().mMethod, UWORD(M_CONTINUOUS_CONTROLLER_VALUE));
}

void tst_AudioDrivers::postValueClamps_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("expected");
    QTest::addColumn<QString>("trace");
    QTest::newRow("in range") << 150 << 150 << "";
    QTest::newRow("bounds are in range") << 200 << 200 << "";
    QTest::newRow("above") << 250 << 200
                           << "ERROR: PostCCValue provided out of range value. Min:100, Max:200, Val:250, \"cc\"";
    QTest::newRow("below") << -3 << 100
                           << "ERROR: PostCCValue provided out of range value. Min:100, Max:200, Val:-3, \"cc\"";
}

void tst_AudioDrivers::postValueClamps()
{
    QFETCH(int, value);
    QFETCH(int, expected);
    QFETCH(QString, trace);
    cFakeController controller("cc");
    controller.WriteControllerRange(100, 200, false);
    cProbeObject probe("probe", 1);
    LinkToProbe("cc", M_CONTINUOUS_CONTROLLER_VALUE, probe);
    probe.mReceived.clear();

    cTraceCapture traces;
    controller.PostContinuousControllerValue(value);
    QCOMPARE(traces.Lines(), trace.isEmpty() ? QStringList() : QStringList { trace });
    mRouter->Drain();
    QCOMPARE(int(controller.mValue), expected);
    QCOMPARE(probe.mReceived.size(), 1);
    QCOMPARE(int(probe.mReceived[0].GetDataBufferUWORD(0)), expected);
}

void tst_AudioDrivers::postRangeAndValue()
{
    cFakeController controller("cc");
    cProbeObject probe("probe", 2);
    LinkToProbe("cc", M_CONTINUOUS_CONTROLLER_VALUE, probe);
    LinkToProbe("cc", M_CONTINUOUS_CONTROLLER_RANGE, probe, PARAMETER_BASE + 1);
    probe.mReceived.clear();

    cTraceCapture traces;
    controller.PostContinuousControllerRangeAndValue(10, 20, 15);
    mRouter->Drain();
    QCOMPARE(traces.Lines(), QStringList());
    QCOMPARE(Summaries(probe.mReceived), (QStringList { "1001: 00 0A 00 14 00 00 0F", "1000: 00 0F" }));

    controller.PostContinuousControllerRangeAndValue(10, 20, 30);
    mRouter->Drain();
    QCOMPARE(traces.Lines(),
        QStringList {
            "ERROR: PostContinuousControllerRangeAndValue provided out of range values. Min:10, Max:20, Val:30" });
    QCOMPARE(controller.GetControllerRangeUpper(), UWORD(20));
    QCOMPARE(controller.mValue, UWORD(20));
    QCOMPARE(probe.mReceived.last().GetDataBufferUWORD(0), UWORD(20));
}

void tst_AudioDrivers::deltaPassedOnAndSlowDeltas()
{
    cFakeController controller("encoder");
    cProbeObject probe("probe", 1);
    controller.ReverseLinkDelta("probe", PARAMETER_BASE, 0);
    mRouter->Drain();
    probe.mReceived.clear();
    auto* object = static_cast<cContinuousControllerWithDelta*>(controller.GetAudioObject());
    QCOMPARE(object->GetNumberOfParameters(), UWORD(5));

    cZUNetMessage delta = To(*object, M_CONTINUOUS_CONTROLLER_DELTA, "FF FE");
    object->EntrypointMessage(delta);
    mRouter->Drain();
    QCOMPARE(controller.mWrittenDelta, SWORD(-2));
    QCOMPARE(Summaries(probe.mReceived), QStringList { "1000: FF FE" });
    probe.mReceived.clear();

    // Without slow generation ticks send no deltas.
    controller.mDeltas = { 3, 3 };
    object->ActionTick();
    object->ActionTick();
    mRouter->Drain();
    QCOMPARE(probe.mReceived.size(), 0);

    // A first delta waits a tick and goes with the next; a sum of 0 is not sent.
    controller.UseSlowDeltaGeneration(true);
    controller.mDeltas = { 3, 0, 5, 4, 0, -2, 2, 0 };
    for (int i = 0; i < 8; ++i)
        object->ActionTick();
    mRouter->Drain();
    QCOMPARE(Summaries(probe.mReceived), (QStringList { "1000: 00 03", "1000: 00 09" }));

    cFakeController bare;
    cTraceCapture traces;
    bare.UseSlowDeltaGeneration(true);
    QCOMPARE(traces.Lines(), QStringList { "ERROR: Audio object not created!" });
}

void tst_AudioDrivers::ledPassesOnChanges()
{
    cFakeLED led("led");
    cProbeObject probe("probe", 1);
    LinkToProbe("led", M_LED_STATE, probe);
    QCOMPARE(Summaries(probe.mReceived.mid(probe.mReceived.size() - 1)), QStringList { "1000: 00" });
    probe.mReceived.clear();
    cNetObject* object = led.GetAudioObject();

    for (const char* state : { "01", "01", "00" }) {
        cZUNetMessage message = To(*object, M_LED_STATE, state);
        object->EntrypointMessage(message);
    }
    mRouter->Drain();
    QCOMPARE(led.mStates, (QList<UBYTE> { 1, 1, 0 }));
    QCOMPARE(Summaries(probe.mReceived), (QStringList { "1000: 01", "1000: 00" }));

    cTraceCapture traces;
    object->UpdateNewObject(ZUNET_LOCAL_CONNECTION, probe.GetHandle(), PARAMETER_BASE, PARAMETER_BASE + 1);
    QCOMPARE(traces.Lines(), QStringList { "ERROR: Method undefined at this level" });
}

void tst_AudioDrivers::switchTicksAndMessages()
{
    cFakeSwitch button("button");
    button.mValue = 1;
    cProbeObject probe("probe", 1);
    // A Sync link before any tick: the object takes its starting value from the driver first.
    button.ReverseLink("probe", PARAMETER_BASE, 0, 1, false);
    mRouter->Drain();
    QCOMPARE(Summaries(probe.mReceived.mid(probe.mReceived.size() - 1)), QStringList { "1000: 01" });
    probe.mReceived.clear();
    auto* object = static_cast<cSwitchObject*>(button.GetAudioObject());

    object->ActionTick();
    button.mValue = 0;
    object->ActionTick();
    object->ActionTick();
    mRouter->Drain();
    QCOMPARE(Summaries(probe.mReceived), QStringList { "1000: 00" });

    cZUNetMessage value = To(*object, M_SWITCH_VALUE, "01");
    object->EntrypointMessage(value);
    cZUNetMessage delta = To(*object, M_SWITCH_DELTA, "00 05");
    object->EntrypointMessage(delta);
    object->ActionTick(); // the value written is not sent back by the next tick
    mRouter->Drain();
    QCOMPARE(button.mValue, UBYTE(1));
    QCOMPARE(button.mDelta, SWORD(5));
    QCOMPARE(Summaries(probe.mReceived), (QStringList { "1000: 00", "1000: 01" }));

    // Without tick scan the router never ticks it.
    cFakeSwitch quiet("quiet", false);
    QCOMPARE(quiet.GetAudioObject()->GetNumberOfParameters(), UWORD(2));
}

void tst_AudioDrivers::meterBallistics_data()
{
    // Steps as gain codes (dB x 256 + 32768); values "level" or "level r" for the reset byte.
    QTest::addColumn<int>("attackCode");
    QTest::addColumn<int>("decayCode");
    QTest::addColumn<int>("holdCount"); // -1: peak hold off
    QTest::addColumn<QString>("levels");
    QTest::addColumn<QString>("shown"); // level/peak after each value

    QTest::newRow("first value taken directly") << 32868 << 32668 << -1 << "1000"
                                                << "1000/1000";
    QTest::newRow("attack steps") << 32868 << 32668 << -1 << "0 1000 1000"
                                  << "0/0 100/100 200/200";
    QTest::newRow("decay steps") << 32868 << 32668 << -1 << "0 -1000 -1000"
                                 << "0/0 -100/-100 -200/-200";
    QTest::newRow("steps stop at the level") << 32868 << 32668 << -1 << "0 50 -30"
                                             << "0/0 50/50 -30/-30";
    QTest::newRow("attack 0x7FFF jumps") << 65535 << 32668 << -1 << "0 1000 0"
                                         << "0/0 1000/1000 900/900";
    QTest::newRow("decay -0x7FFF jumps") << 32868 << 1 << -1 << "0 -1000 0"
                                         << "0/0 -1000/-1000 -900/-900";
    QTest::newRow("minus infinity decay jumps") << 32868 << 0 << -1 << "500 -32767"
                                                << "500/500 -32767/-32767";
    QTest::newRow("reset byte takes the value") << 32868 << 32668 << -1 << "0 1000r -1000r"
                                                << "0/0 1000/1000 -1000/-1000";
    QTest::newRow("peak held for the hold count") << 65535 << 1 << 2 << "1000 0 0 0 0"
                                                  << "1000/1000 0/1000 0/1000 0/0 0/0";
    QTest::newRow("peak follows a level above it") << 65535 << 1 << 3 << "0 500 200 800 100"
                                                   << "0/0 500/500 200/500 800/800 100/800";
    QTest::newRow("peak hold 0 drops at once") << 65535 << 1 << 0 << "1000 0"
                                               << "1000/1000 0/0";
    QTest::newRow("held peak with decaying level") << 65535 << 32668 << 1 << "1000 0 0"
                                                   << "1000/1000 900/1000 800/800";
    QTest::newRow("reset clears a held peak") << 65535 << 1 << 5 << "1000 0r"
                                              << "1000/1000 0/0";
}

void tst_AudioDrivers::meterBallistics()
{
    QFETCH(int, attackCode);
    QFETCH(int, decayCode);
    QFETCH(int, holdCount);
    QFETCH(QString, levels);
    QFETCH(QString, shown);

    cFakeMeter meter("meter");
    QCOMPARE(meter.GetLevel(), SWORD(-32767));
    QCOMPARE(meter.GetPeak(), SWORD(-32767));
    cNetObject* object = meter.GetAudioObject();
    auto send = [&](UWORD method, const QByteArray& data) {
        cZUNetMessage message = MessageWithData(ZUNET_LOCAL_CONNECTION, object->GetHandle(), 0x7777, method, data);
        object->EntrypointMessage(message);
    };
    auto word = [](int value) { return QByteArray(1, char(value >> 8)) + char(value); };
    send(M_METER_ATTACK_STEP, word(attackCode));
    send(M_METER_DECAY_STEP, word(decayCode));
    QCOMPARE(meter.GetAttackStep(), UWORDToGain(UWORD(attackCode)));
    QCOMPARE(meter.GetDecayStep(), UWORDToGain(UWORD(decayCode)));
    send(M_METER_PEAK_HOLD_ON, QByteArray(1, holdCount >= 0 ? '\x01' : '\0'));
    send(M_METER_PEAK_HOLD_COUNT, QByteArray(1, char(qMax(holdCount, 0))));
    meter.mShown.clear();

    for (const QString& level : levels.split(QLatin1Char(' '))) {
        const bool reset = level.endsWith(QLatin1Char('r'));
        send(M_METER_VALUE, word(QString(level).remove(QLatin1Char('r')).toInt()) + QByteArray(1, reset ? 1 : 0));
    }
    QCOMPARE(meter.mShown.join(QLatin1Char(' ')), shown);
}

void tst_AudioDrivers::meterMessages()
{
    cFakeMeter meter("meter");
    cNetObject* object = meter.GetAudioObject();
    QCOMPARE(object->GetNumberOfParameters(), UWORD(7));
    cZUNetMessage direct = To(*object, M_METER_VALUE_NO_BALLISTICS, "FF 00 00 20");
    object->EntrypointMessage(direct);
    cZUNetMessage flag = To(*object, M_METER_FLAG, "05");
    object->EntrypointMessage(flag);
    QCOMPARE(meter.mShown, QStringList { "-256/32" });
    QCOMPARE(meter.mFlags, QList<UBYTE> { 5 });
    // Steps arrive as gain codes: 2 dB up, 3 dB down.
    cZUNetMessage attack = To(*object, M_METER_ATTACK_STEP, "82 00");
    object->EntrypointMessage(attack);
    cZUNetMessage decay = To(*object, M_METER_DECAY_STEP, "7D 00");
    object->EntrypointMessage(decay);
    QCOMPARE(meter.mShown.mid(1), (QStringList { "attack 512", "decay -768" }));
}

void tst_AudioDrivers::scaleFactor_data()
{
    QTest::addColumn<int>("span");
    QTest::addColumn<int>("factor");
    QTest::newRow("span 0 gives at least 1") << 0 << 1;
    QTest::newRow("rounds down to 0, raised to 1") << 42 << 1;
    QTest::newRow("rounds half up") << 128 << 2;
    QTest::newRow("256") << 256 << 3;
    QTest::newRow("1000") << 1000 << 12;
    QTest::newRow("8000") << 8000 << 94;
    QTest::newRow("capped at 256") << 65535 << 256;
    QTest::newRow("just at the cap") << 21803 << 256;
}

void tst_AudioDrivers::scaleFactor()
{
    QFETCH(int, span);
    QFETCH(int, factor);
    QCOMPARE(int(cMultiCCDriverChild::RotaryScaleFactorForSpan(UWORD(span))), factor);
    // Recomputed whenever a child's range changes.
    cFakeMultiController multi("multi", 1, nullptr);
    multi.Child(0)->WriteControllerRange(0, UWORD(span), false);
    QCOMPARE(int(multi.Child(0)->GetRotaryScaleFactor()), factor);
}

void tst_AudioDrivers::multiControllerMovesTheSelectedChild()
{
    cProbeObject selector("selector", 1);
    cFakeMultiController multi("multi", 3, "selector");
    mRouter->Drain();
    QCOMPARE(mBuilder->GetMade(), ULONG(1));
    QCOMPARE(multi.NumberOfChildren(), 3);
    QCOMPARE(int(multi.Child(2)->GetRotaryScaleFactor()), 256); // the whole word range

    for (int i = 0; i < 3; ++i) {
        multi.Child(i)->WriteControllerRange(0, 1000, false);
        multi.Child(i)->WriteControllerValue(500);
    }
    cZUNetMessage select = To(multi, M_MULTI_CC_SELECTED_CHILD, "01", selector.GetHandle());
    multi.EntrypointMessage(select);
    QCOMPARE(multi.GetSelectedChild(), UBYTE(1));

    multi.mDelta = 2;
    QCOMPARE(multi.Child(0)->ReadControllerValue(), UWORD(500)); // not selected: the delta stays
    QCOMPARE(multi.mDelta, SWORD(2));
    QCOMPARE(multi.Child(1)->ReadControllerValue(), UWORD(524)); // 2 x 12
    QCOMPARE(multi.Child(1)->ReadControllerValue(), UWORD(524)); // read once
    multi.mDelta = 100;
    QCOMPARE(multi.Child(1)->ReadControllerValue(), UWORD(1000)); // clamped
    multi.mDelta = -200;
    QCOMPARE(multi.Child(1)->ReadControllerValue(), UWORD(0));

    multi.SetChildEnabled(1, false);
    multi.mDelta = 5;
    QCOMPARE(multi.Child(1)->ReadControllerValue(), UWORD(0));

    // Values go out encoded: with the level-type flag the lower bound reads as 0.
    multi.SetChildEnabled(1, true);
    multi.Child(1)->WriteControllerRange(100, 1000, true);
    multi.Child(1)->WriteControllerValue(0);
    QCOMPARE(multi.Child(1)->GetStoredValue(), UWORD(100));
    multi.mDelta = 0;
    QCOMPARE(multi.Child(1)->ReadControllerValue(), UWORD(0));

    cTraceCapture traces;
    cZUNetMessage beyond = To(multi, M_MULTI_CC_SELECTED_CHILD, "03");
    multi.EntrypointMessage(beyond);
    QCOMPARE(multi.GetSelectedChild(), UBYTE(1));
    QCOMPARE(traces.Lines(), QStringList { "ERROR: Selected child 3 out of range, 3 children: \"multi\"" });
}

void tst_AudioDrivers::shortMessagesAreDropped_data()
{
    QTest::addColumn<QString>("object");
    QTest::addColumn<int>("method");
    QTest::addColumn<QString>("data");
    QTest::addColumn<int>("needed");
    QTest::newRow("controller value, 1 byte") << "controller" << 0x1000 << "07" << 2;
    QTest::newRow("controller range, 4 bytes") << "controller" << 0x1002 << "0000 0010" << 5;
    QTest::newRow("controller fader null, empty") << "controller" << 0x1003 << "" << 1;
    QTest::newRow("controller delta, 1 byte") << "controller" << 0x1004 << "FF" << 2;
    QTest::newRow("LED state, empty") << "led" << 0x1000 << "" << 1;
    QTest::newRow("switch value, empty") << "switch" << 0x1000 << "" << 1;
    QTest::newRow("switch delta, 1 byte") << "switch" << 0x1001 << "01" << 2;
    QTest::newRow("meter value, 2 bytes") << "meter" << 0x1000 << "0100" << 3;
    QTest::newRow("meter value without ballistics, 3 bytes") << "meter" << 0x1001 << "0100 01" << 4;
    QTest::newRow("meter attack step, 1 byte") << "meter" << 0x1002 << "80" << 2;
    QTest::newRow("meter decay step, 1 byte") << "meter" << 0x1003 << "80" << 2;
    QTest::newRow("meter peak hold count, empty") << "meter" << 0x1004 << "" << 1;
    QTest::newRow("meter peak hold on, empty") << "meter" << 0x1005 << "" << 1;
    QTest::newRow("meter flag, empty") << "meter" << 0x1006 << "" << 1;
    QTest::newRow("multi-controller selection, empty") << "multi" << 0x1000 << "" << 1;
}

void tst_AudioDrivers::shortMessagesAreDropped()
{
    QFETCH(QString, object);
    QFETCH(int, method);
    QFETCH(QString, data);
    QFETCH(int, needed);
    cFakeController controller("controller");
    cFakeLED led("led");
    cFakeSwitch button("switch");
    cFakeMeter meter("meter");
    cFakeMultiController multi("multi", 2, nullptr);
    cProbeObject probe("probe", 1);
    cNetObject* target = object == "controller" ? controller.GetAudioObject()
        : object == "led"                       ? led.GetAudioObject()
        : object == "switch"                    ? button.GetAudioObject()
        : object == "meter"                     ? meter.GetAudioObject()
                                                : static_cast<cNetObject*>(&multi);
    LinkToProbe(target->GetName(), UWORD(method), probe);
    probe.mReceived.clear();
    const int controllerWrites = controller.mWrites;

    cTraceCapture traces;
    // Sized exactly, so a read past the data is one past the buffer.
    const QByteArray bytes = HexBytes(data);
    cZUNetMessage message(UWORD(bytes.size()));
    for (int i = 0; i < bytes.size(); ++i)
        message.SetDataBufferUBYTE(UBYTE(bytes[i]), i);
    message.SetAddress(ZUNET_LOCAL_CONNECTION, target->GetHandle(), 0x7777, UWORD(method));
    target->EntrypointMessage(message);
    mRouter->Drain();

    QCOMPARE(traces.Lines(),
        QStringList { QStringLiteral("ERROR: Message too short, dropped: Method: %1 Length: %2 Needed: %3 ConnId: 0 "
                                     "Source: 30583")
                          .arg(method)
                          .arg(bytes.size())
                          .arg(needed) });
    QCOMPARE(controller.mWrites, controllerWrites);
    QCOMPARE(controller.mWrittenDelta, SWORD(0));
    QCOMPARE(led.mStates, QList<UBYTE>());
    QCOMPARE(button.mWrites, 0);
    QCOMPARE(meter.mShown, QStringList());
    QCOMPARE(meter.mFlags, QList<UBYTE>());
    QCOMPARE(multi.GetSelectedChild(), UBYTE(0));
    QCOMPARE(probe.mReceived.size(), 0);
}

void tst_AudioDrivers::audioObjectLeftBehindIsReported()
{
    cTraceCapture traces;
    {
        cFakeController controller("cc");
        cFakeMeter meter("meter");
    }
    QCOMPARE(traces.Lines(), QStringList());
    delete new cForgetfulDriver();
    QCOMPARE(traces.Lines(), QStringList { "ERROR: ERROR - The audio object should have been destroyed by now" });
}

QTEST_GUILESS_MAIN(tst_AudioDrivers)
#include "tst_audiodrivers.moc"
