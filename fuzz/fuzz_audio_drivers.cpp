// Feeds the audio objects of the audio-driver family any message (any method, any connection,
// any length, any bytes) and moves their controls, ticks them and posts to them, in any order.
// Nothing may read past a message's data, loop or crash; whatever they send is dispatched in turn.
//
// Input: records, each starting with a byte whose low bit chooses the kind:
//   message: target, connection, method (2), length (2), data (up to what is left)
//   action:  target, action, argument (2)
// The target byte picks one of the six objects (modulo 6): controller with delta, LED, switch,
// meter, multi-controller, plain controller.

#include "ZUNet/Core/AudioDrivers.h"
#include "fuzz/FuzzNetObjects.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>

namespace
{

class cController : public cContinuousControllerWithDeltaDriver
{
public:
    using cContinuousControllerWithDeltaDriver::cContinuousControllerWithDeltaDriver;
    bool ReadControllerTouched() override { return mTouched; }
    UWORD ReadControllerValue() override { return mValue; }
    void WriteControllerValue(UWORD value) override { mValue = ClampValue(value); }
    SWORD ReadControllerDelta() override { return std::exchange(mDelta, SWORD(0)); }
    UWORD mValue = 0;
    bool mTouched = false;
    SWORD mDelta = 0;
};

class cPlainController : public cContinuousControllerDriver
{
public:
    using cContinuousControllerDriver::cContinuousControllerDriver;
    bool ReadControllerTouched() override { return false; }
    UWORD ReadControllerValue() override { return mValue; }
    // Takes values as they come, out of range or not.
    void WriteControllerValue(UWORD value) override { mValue = value; }
    UWORD mValue = 0;
};

class cSwitch : public cSwitchBaseDriver
{
public:
    using cSwitchBaseDriver::cSwitchBaseDriver;
    UBYTE ReadSwitchValue() override { return mValue; }
    void WriteSwitchValue(UBYTE value) override { mValue = value; }
    UBYTE mValue = 0;
};

class cMeter : public cMeterDisplayDriverBase
{
public:
    using cMeterDisplayDriverBase::cMeterDisplayDriverBase;
    void ShowLevelAndPeak(SWORD level, SWORD peak) override { mShown += level + peak; }
    long mShown = 0;
};

class cMulti : public cMultiContinuousControllerDriverBase
{
public:
    using cMultiContinuousControllerDriverBase::cMultiContinuousControllerDriverBase;
    SWORD ReadSelectedChildDelta() override { return std::exchange(mDelta, SWORD(0)); }
    SWORD mDelta = 0;
};

struct sObjects {
    cController mController { "controller" };
    cLEDBaseDriver mLED { "led" };
    cSwitch mSwitch { "switch", true };
    cMeter mMeter { "meter" };
    cMulti mMulti { "multi", 3, nullptr };
    cPlainController mPlain { "plain" };

    cNetObject& Target(int index)
    {
        cNetObject* objects[] = { mController.GetAudioObject(), mLED.GetAudioObject(), mSwitch.GetAudioObject(),
            mMeter.GetAudioObject(), &mMulti, mPlain.GetAudioObject() };
        return *objects[index % 6];
    }

    void Act(int target, UBYTE action, UWORD argument)
    {
        switch (action % 8) {
        case 0:
            if (target % 6 != 1 && target % 6 != 3 && target % 6 != 4)
                Target(target).ActionTick();
            break;
        case 1:
            mController.mValue = argument;
            mController.mTouched = argument & 1;
            break;
        case 2:
            mController.mDelta = SWORD(argument);
            mController.UseSlowDeltaGeneration(argument & 1);
            break;
        case 3:
            (target & 1 ? static_cast<cContinuousControllerDriver&>(mPlain) : mController)
                .PostContinuousControllerValue(int(SWORD(argument)) * 3);
            break;
        case 4:
            mController.PostContinuousControllerRangeAndValue(argument >> 8, int(argument & 0xFF) * 300, argument);
            break;
        case 5:
            mSwitch.mValue = UBYTE(argument);
            break;
        case 6:
            mMulti.mDelta = SWORD(argument);
            if (cMultiCCDriverChild* child = mMulti.Child(target % 4)) {
                child->ReadControllerValue();
                child->WriteControllerRange(argument >> 4, argument, argument & 1);
            }
            break;
        default:
            Target(target).UpdateNewObject(ZUNET_LOCAL_CONNECTION, Target(target + 1).GetHandle(), PARAMETER_BASE,
                UWORD(PARAMETER_BASE + argument % 8));
            break;
        }
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    StartQuietRouter();

    auto objects = std::make_unique<sObjects>();
    RunRecords(
        data, size, 8, [&](int index) -> cNetObject& { return objects->Target(index); },
        [&](std::size_t& at) {
            if (size - at < 4)
                return false;
            const int target = data[at];
            const UBYTE action = data[at + 1];
            const UWORD argument = UWORD((data[at + 2] << 8) | data[at + 3]);
            at += 4;
            cPollLocker poll;
            objects->Act(target, action, argument);
            return true;
        });
    DropAndDrain(objects);
    return 0;
}
