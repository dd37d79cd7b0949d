#pragma once

#include "ZUNet/Core/NetObject.h"

#include <memory>
#include <vector>

// Generic parameter drivers for hardware-style controls. Each driver talks to its control through
// virtual operations and owns an "audio object", the net object with numbered parameters that
// other objects link to. Audio objects run on the syscall thread; callers off it hold the poll lock.

/// Parameter methods of the audio objects.
enum : UWORD {
    M_CONTINUOUS_CONTROLLER_VALUE = PARAMETER_BASE,
    M_CONTINUOUS_CONTROLLER_TOUCHED = PARAMETER_BASE + 1,
    M_CONTINUOUS_CONTROLLER_RANGE = PARAMETER_BASE + 2,
    M_CONTINUOUS_CONTROLLER_FADER_NULL = PARAMETER_BASE + 3,
    M_CONTINUOUS_CONTROLLER_DELTA = PARAMETER_BASE + 4,

    M_LED_STATE = PARAMETER_BASE,

    M_SWITCH_VALUE = PARAMETER_BASE,
    M_SWITCH_DELTA = PARAMETER_BASE + 1,

    M_METER_VALUE = PARAMETER_BASE,
    M_METER_VALUE_NO_BALLISTICS = PARAMETER_BASE + 1,
    M_METER_ATTACK_STEP = PARAMETER_BASE + 2,
    M_METER_DECAY_STEP = PARAMETER_BASE + 3,
    M_METER_PEAK_HOLD_COUNT = PARAMETER_BASE + 4,
    M_METER_PEAK_HOLD_ON = PARAMETER_BASE + 5,
    M_METER_FLAG = PARAMETER_BASE + 6,

    M_MULTI_CC_SELECTED_CHILD = PARAMETER_BASE,
};

/// Layout of a range message: lower, upper, level-type flag, then optionally a value.
namespace ControllerRange
{
constexpr int kLower = 0;
constexpr int kUpper = 2;
constexpr int kLevelType = 4;
constexpr int kValue = 5;
constexpr UWORD kLength = 5;
constexpr UWORD kLengthWithValue = 7;
constexpr UBYTE kLevelTypeSet = 0xFF;
} // namespace ControllerRange

/// Queues a link from (sourcePath, sourceMethod) to (destinationPath, destinationMethod) with the
/// system builder.
void QueueAudioLink(const char* sourcePath, UWORD sourceMethod, const char* destinationPath, UWORD destinationMethod,
    UBYTE remove, bool sync, bool bidirect);

/// Base of the drivers: owns the audio object. A subclass's destructor calls `DestroyAudioObject`;
/// while dispatch may still reach the audio object, the concrete driver does so first, under the
/// poll lock, since the object calls the driver's own operations.
class cAudioDriver
{
public:
    cAudioDriver() = default;
    virtual ~cAudioDriver();
    cAudioDriver(const cAudioDriver&) = delete;
    cAudioDriver& operator=(const cAudioDriver&) = delete;

    void DestroyAudioObject();
    cNetObject* GetAudioObject() const { return mAudioObject.get(); }

protected:
    /// Traces "Audio object not created!" when there is none.
    bool HasAudioObject() const;

    std::unique_ptr<cNetObject> mAudioObject;
};

/// A fader or rotary: a value within a range, a touched state, a fader-null flag. With the
/// level-type flag set, the lower bound stands for "off" and goes on the wire as 0.
class cContinuousControllerDriver : public cAudioDriver
{
public:
    /// Makes the audio object `cContinuousController` under `name` when given one and asked to.
    explicit cContinuousControllerDriver(const char* name = nullptr, bool createAudioObject = true);
    ~cContinuousControllerDriver() override;

    virtual void LinkRange(const char* path, UWORD method, UBYTE remove);
    virtual void Link(const char* path, UWORD method, UBYTE remove, bool bidirect);
    virtual void ReverseLinkRange(const char* path, UWORD method, UBYTE remove);
    virtual void ReverseLink(const char* path, UWORD method, UBYTE remove, bool bidirect);
    virtual bool ReadControllerTouched() = 0;
    virtual UWORD ReadControllerValue() = 0;
    virtual void WriteControllerValue(UWORD value) = 0;
    virtual void WriteControllerRange(UWORD lower, UWORD upper, bool levelType);
    virtual void WriteControllerFaderNULL(bool faderNull);

    UWORD ClampValue(int value) const;
    UWORD EncodeLevelTypeValue(UWORD value) const;
    UWORD DecodeLevelTypeValue(UWORD value) const;
    float GetFloatForUWORD(UWORD value) const;
    UWORD GetUWORDForFloat(float value) const;

    /// Sends the value, clamped into the range, to the audio object as if a linked object had.
    void PostContinuousControllerValue(int value);
    /// Sends the range with the value (clamped), then the value, to the audio object.
    void PostContinuousControllerRangeAndValue(int lower, int upper, int value);

    UWORD GetControllerRangeLower() const { return mControllerRangeLower; }
    UWORD GetControllerRangeUpper() const { return mControllerRangeUpper; }
    UWORD GetControllerSpan() const { return mControllerSpan; }
    bool IsLevelType() const { return mLevelType; }
    bool IsFaderNull() const { return mFaderNull; }

protected:
    UWORD mControllerRangeLower = 0;
    UWORD mControllerRangeUpper = 0xFFFF;
    UWORD mControllerSpan = 0xFFFF;
    bool mLevelType = false;
    bool mFaderNull = false;
};

/// The audio object of a continuous controller: ticks send the driver's changes.
class cContinuousController : public cNetObject
{
public:
    cContinuousController(const char* name, cContinuousControllerDriver* driver, UWORD numberOfParameters = 4);
    ~cContinuousController() override;

    void EntrypointMessage(cZUNetMessage& message) override;
    void ActionTick() override;
    void UpdateNewObject(UWORD connectionId, UWORD handle, UWORD destinationMethod, UWORD sourceMethod) override;

    UWORD GetValue() const { return mValue; }
    bool GetTouched() const { return mTouched; }

protected:
    /// Sends `mServiceMessage`, filled by the caller, with `method` to the parameter's inform list.
    void InformOfChange(UWORD method);

    cContinuousControllerDriver* mDriver;
    UWORD mValue = 0;
    bool mTouched = false;
    bool mFirstTick = true;
};

/// A continuous controller that also reports the relative moves of an endless encoder.
class cContinuousControllerWithDeltaDriver : public cContinuousControllerDriver
{
public:
    explicit cContinuousControllerWithDeltaDriver(const char* name = nullptr, bool createAudioObject = true);
    ~cContinuousControllerWithDeltaDriver() override;

    virtual SWORD ReadControllerDelta() { return 0; }
    virtual void WriteControllerDelta(SWORD) { }

    /// Links the delta parameter to (path, method), without Sync.
    void ReverseLinkDelta(const char* path, UWORD method, UBYTE remove);
    /// Ticks then send the driver's deltas, each first one held back a tick and added to the next.
    void UseSlowDeltaGeneration(bool use);
};

class cContinuousControllerWithDelta : public cContinuousController
{
public:
    cContinuousControllerWithDelta(const char* name, cContinuousControllerWithDeltaDriver* driver);

    void EntrypointMessage(cZUNetMessage& message) override;
    void ActionTick() override;

    bool mSlowDeltaGeneration = false;

private:
    cContinuousControllerWithDeltaDriver* mDeltaDriver;
    bool mDeltaHeld = false;
    SWORD mHeldDelta = 0;
};

/// An LED: shows the state linked objects send.
class cLEDBaseDriver : public cAudioDriver
{
public:
    explicit cLEDBaseDriver(const char* name = nullptr);
    ~cLEDBaseDriver() override;

    virtual void WriteLEDState(UBYTE) { }
};

class cLEDObject : public cNetObject
{
public:
    cLEDObject(const char* name, cLEDBaseDriver* driver);
    ~cLEDObject() override;

    void EntrypointMessage(cZUNetMessage& message) override;
    void UpdateNewObject(UWORD connectionId, UWORD handle, UWORD destinationMethod, UWORD sourceMethod) override;

    UBYTE GetState() const { return mState; }

private:
    cLEDBaseDriver* mDriver;
    UBYTE mState = 0;
};

/// An on/off switch; with tick scan its changes are sent.
class cSwitchBaseDriver : public cAudioDriver
{
public:
    explicit cSwitchBaseDriver(const char* name = nullptr, bool tickScan = true);
    ~cSwitchBaseDriver() override;

    virtual void Link(const char* path, UWORD method, UBYTE remove, UBYTE sync, bool bidirect);
    virtual void ReverseLink(const char* path, UWORD method, UBYTE remove, UBYTE sync, bool bidirect);
    virtual UBYTE ReadSwitchValue() = 0;
    virtual void WriteSwitchValue(UBYTE value) = 0;
    virtual void WriteSwitchDelta(SWORD) { }
};

class cSwitchObject : public cNetObject
{
public:
    cSwitchObject(const char* name, cSwitchBaseDriver* driver, bool tickScan);
    ~cSwitchObject() override;

    void EntrypointMessage(cZUNetMessage& message) override;
    void ActionTick() override;
    void UpdateNewObject(UWORD connectionId, UWORD handle, UWORD destinationMethod, UWORD sourceMethod) override;

    UBYTE GetValue() const { return mValue; }

private:
    cSwitchBaseDriver* mDriver;
    UBYTE mValue = 0;
    bool mStarted = false;
};

/// A meter with ballistics: the shown level moves towards each new level by at most the attack
/// step rising and the decay step falling, and a peak can be held for a number of updates.
class cMeterDisplayDriverBase : public cAudioDriver
{
public:
    static constexpr SWORD kJumpAttackStep = 0x7FFF;
    static constexpr SWORD kJumpDecayStep = -0x7FFF;
    static constexpr SWORD kBottom = -32767;

    explicit cMeterDisplayDriverBase(const char* name = nullptr);
    ~cMeterDisplayDriverBase() override;

    virtual void ShowLevelAndPeak(SWORD level, SWORD peak) = 0;
    virtual void WriteMeterFlag(UBYTE) { }
    virtual void AttackStepSet(SWORD step) { mAttackStep = step; }
    virtual void DecayStepSet(SWORD step) { mDecayStep = step; }

    /// Moves the shown level towards `level` (or takes it with `reset`), updates the peak and
    /// shows both.
    void CalculateNewMeterValues(SWORD level, bool reset);
    /// Takes level and peak as they are and shows them.
    void SetLevelAndPeak(SWORD level, SWORD peak);
    void SetPeakHoldCount(UBYTE count) { mPeakHoldCount = count; }
    void SetPeakHoldOn(bool on) { mPeakHoldOn = on; }

    SWORD GetLevel() const { return mLevel; }
    SWORD GetPeak() const { return mPeak; }
    SWORD GetAttackStep() const { return mAttackStep; }
    SWORD GetDecayStep() const { return mDecayStep; }

protected:
    SWORD mAttackStep = kJumpAttackStep;
    SWORD mDecayStep = kJumpDecayStep;
    UBYTE mPeakHoldCount = 0;
    bool mPeakHoldOn = false;
    SWORD mLevel = kBottom;
    SWORD mPeak = kBottom;
    int mPeakHeldFor = 0;
    bool mFirstValue = true;
};

class cMeterNet : public cNetObject
{
public:
    cMeterNet(const char* name, cMeterDisplayDriverBase* driver);
    ~cMeterNet() override;

    void EntrypointMessage(cZUNetMessage& message) override;

private:
    cMeterDisplayDriverBase* mDriver;
};

class cMultiContinuousControllerDriverBase;

/// One value of a multi-controller: no audio object of its own; the shared encoder moves the
/// value of the selected child by its delta times the child's scale factor.
class cMultiCCDriverChild : public cContinuousControllerDriver
{
public:
    cMultiCCDriverChild(cMultiContinuousControllerDriverBase* parent, UBYTE index);

    bool ReadControllerTouched() override { return false; }
    UWORD ReadControllerValue() override;
    void WriteControllerValue(UWORD value) override;
    void WriteControllerRange(UWORD lower, UWORD upper, bool levelType) override;

    UWORD GetRotaryScaleFactor() const { return mRotaryScaleFactor; }
    /// The integer part of span x 3 / 256 + 0.5, within 1 to 256.
    static UWORD RotaryScaleFactorForSpan(UWORD span);

    UBYTE GetIndex() const { return mIndex; }
    UWORD GetStoredValue() const { return mValue; }
    int mNumberOfLEDBarLEDs = 0;

private:
    cMultiContinuousControllerDriverBase* mParent;
    UBYTE mIndex;
    UWORD mValue = 0;
    UWORD mRotaryScaleFactor;
};

/// Shares one encoder among several values: parameter 4096 selects the child it moves.
class cMultiContinuousControllerDriverBase : public cNetObject
{
public:
    /// Links `path`'s parameter 4096 to the selection, with Sync.
    cMultiContinuousControllerDriverBase(const char* name, UBYTE numberOfChildren, const char* path);
    ~cMultiContinuousControllerDriverBase() override;

    void EntrypointMessage(cZUNetMessage& message) override;
    /// The encoder's delta since the last read, for the selected child.
    virtual SWORD ReadSelectedChildDelta() = 0;

    cMultiCCDriverChild* Child(int index) const;
    int NumberOfChildren() const { return int(mChildren.size()); }
    UBYTE GetSelectedChild() const { return mSelectedChild; }
    void SetChildEnabled(int index, bool enabled);
    bool IsChildEnabled(int index) const;

private:
    std::vector<std::unique_ptr<cMultiCCDriverChild>> mChildren;
    std::vector<bool> mChildEnabled;
    UBYTE mSelectedChild = 0;
};
