#include "ZUNet/Core/AudioDrivers.h"

#include "ZUNet/Core/Syscall.h"
#include "ZUNet/Core/SystemBuilder.h"
#include "ZUNet/Core/Trace.h"

#include <algorithm>
#include <cmath>

cAudioDriver::~cAudioDriver()
{
    if (mAudioObject)
        ZU_ERR("ERROR - The audio object should have been destroyed by now");
}

void cAudioDriver::DestroyAudioObject()
{
    mAudioObject.reset();
}

bool cAudioDriver::HasAudioObject() const
{
    if (mAudioObject)
        return true;
    ZU_ERR("Audio object not created!");
    return false;
}

void QueueAudioLink(const char* sourcePath, UWORD sourceMethod, const char* destinationPath, UWORD destinationMethod,
    UBYTE remove, bool sync, bool bidirect)
{
    cSystemBuilder* builder = gSystemBuilder;
    if (!builder) {
        ZU_ERR("No system builder, link not queued: \"%s\" to \"%s\"", sourcePath, destinationPath);
        return;
    }
    builder->AddLinkCommandToList(
        sParameterLinkingCommand::Make(sourcePath, sourceMethod, destinationPath, destinationMethod, sync, remove != 0),
        bidirect);
}

// Continuous controller --------------------------------------------------------------------------

cContinuousControllerDriver::cContinuousControllerDriver(const char* name, bool createAudioObject)
{
    if (name && createAudioObject)
        mAudioObject = std::make_unique<cContinuousController>(name, this);
}

cContinuousControllerDriver::~cContinuousControllerDriver()
{
    DestroyAudioObject();
}

void cContinuousControllerDriver::Link(const char* path, UWORD method, UBYTE remove, bool bidirect)
{
    if (HasAudioObject())
        QueueAudioLink(path, method, mAudioObject->GetName(), M_CONTINUOUS_CONTROLLER_VALUE, remove, true, bidirect);
}

void cContinuousControllerDriver::ReverseLink(const char* path, UWORD method, UBYTE remove, bool bidirect)
{
    if (HasAudioObject())
        QueueAudioLink(mAudioObject->GetName(), M_CONTINUOUS_CONTROLLER_VALUE, path, method, remove, true, bidirect);
}

void cContinuousControllerDriver::LinkRange(const char* path, UWORD method, UBYTE remove)
{
    if (HasAudioObject())
        QueueAudioLink(path, method, mAudioObject->GetName(), M_CONTINUOUS_CONTROLLER_RANGE, remove, true, false);
}

void cContinuousControllerDriver::ReverseLinkRange(const char* path, UWORD method, UBYTE remove)
{
    if (HasAudioObject())
        QueueAudioLink(mAudioObject->GetName(), M_CONTINUOUS_CONTROLLER_RANGE, path, method, remove, true, false);
}

void cContinuousControllerDriver::WriteControllerRange(UWORD lower, UWORD upper, bool levelType)
{
    mControllerRangeLower = lower;
    mControllerRangeUpper = upper;
    mControllerSpan = upper > lower ? UWORD(upper - lower) : 0;
    mLevelType = levelType;
}

void cContinuousControllerDriver::WriteControllerFaderNULL(bool faderNull)
{
    mFaderNull = faderNull;
}

UWORD cContinuousControllerDriver::ClampValue(int value) const
{
    // A range whose upper bound is below its lower one never reaches the driver; clamp to the
    // lower bound all the same.
    return UWORD(std::max(int(mControllerRangeLower), std::min(value, int(mControllerRangeUpper))));
}

UWORD cContinuousControllerDriver::EncodeLevelTypeValue(UWORD value) const
{
    return mLevelType && value == mControllerRangeLower ? 0 : value;
}

UWORD cContinuousControllerDriver::DecodeLevelTypeValue(UWORD value) const
{
    return mLevelType && value == 0 ? mControllerRangeLower : value;
}

float cContinuousControllerDriver::GetFloatForUWORD(UWORD value) const
{
    if (mControllerSpan == 0 || (mLevelType && value == 0))
        return 0.0f;
    return float(ClampValue(value) - mControllerRangeLower) / float(mControllerSpan);
}

UWORD cContinuousControllerDriver::GetUWORDForFloat(float value) const
{
    // NaN compares false both ways and ends as 0.
    value = value > 0.0f ? std::min(value, 1.0f) : 0.0f;
    if (mLevelType && value == 0.0f)
        return 0;
    return UWORD(mControllerRangeLower + int(float(mControllerSpan) * value + 0.49999997f));
}

void cContinuousControllerDriver::PostContinuousControllerValue(int value)
{
    if (!HasAudioObject())
        return;
    if (value < mControllerRangeLower || value > mControllerRangeUpper) {
        ZU_ERR("PostCCValue provided out of range value. Min:%d, Max:%d, Val:%d, \"%s\"", mControllerRangeLower,
            mControllerRangeUpper, value, mAudioObject->GetName());
        value = ClampValue(value);
    }
    const UWORD handle = mAudioObject->GetHandle();
    cZUNetMessage message(2);
    message.SetDataBufferUWORD(UWORD(value), 0);
    message.SetAddress(ZUNET_LOCAL_CONNECTION, handle, handle, M_CONTINUOUS_CONTROLLER_VALUE);
    SyscallSendMessage(message);
}

void cContinuousControllerDriver::PostContinuousControllerRangeAndValue(int lower, int upper, int value)
{
    if (!HasAudioObject())
        return;
    const int clampedLower = std::max(0, std::min(lower, 0xFFFF));
    const int clampedUpper = std::max(clampedLower, std::min(upper, 0xFFFF));
    const int clampedValue = std::max(clampedLower, std::min(value, clampedUpper));
    if (clampedLower != lower || clampedUpper != upper || clampedValue != value) {
        ZU_ERR("PostContinuousControllerRangeAndValue provided out of range values. Min:%d, Max:%d, Val:%d", lower,
            upper, value);
    }
    const UWORD handle = mAudioObject->GetHandle();
    cZUNetMessage range(ControllerRange::kLengthWithValue);
    range.SetDataBufferUWORD(UWORD(clampedLower), ControllerRange::kLower);
    range.SetDataBufferUWORD(UWORD(clampedUpper), ControllerRange::kUpper);
    range.SetDataBufferUBYTE(mLevelType ? ControllerRange::kLevelTypeSet : 0, ControllerRange::kLevelType);
    range.SetDataBufferUWORD(UWORD(clampedValue), ControllerRange::kValue);
    range.SetAddress(ZUNET_LOCAL_CONNECTION, handle, handle, M_CONTINUOUS_CONTROLLER_RANGE);
    SyscallSendMessage(range);
    cZUNetMessage message(2);
    message.SetDataBufferUWORD(UWORD(clampedValue), 0);
    message.SetAddress(ZUNET_LOCAL_CONNECTION, handle, handle, M_CONTINUOUS_CONTROLLER_VALUE);
    SyscallSendMessage(message);
}

cContinuousController::cContinuousController(
    const char* name, cContinuousControllerDriver* driver, UWORD numberOfParameters)
    : cNetObject(name, numberOfParameters, true)
    , mDriver(driver)
{
}

cContinuousController::~cContinuousController()
{
    Unregister();
}

void cContinuousController::InformOfChange(UWORD method)
{
    mServiceMessage.SetAddress(ZUNET_NO_CONNECTION, ZUNET_NO_HANDLE, mHandle, method);
    InformOtherObjects(mServiceMessage);
}

void cContinuousController::ActionTick()
{
    const UWORD value = mDriver->ReadControllerValue();
    const bool touched = mDriver->ReadControllerTouched();
    if (mFirstTick) {
        mFirstTick = false;
        mValue = value;
        mTouched = touched;
        return;
    }
    if (value != mValue) {
        mValue = value;
        mServiceMessage.SetLength(2);
        mServiceMessage.SetDataBufferUWORD(value, 0);
        InformOfChange(M_CONTINUOUS_CONTROLLER_VALUE);
    }
    if (touched != mTouched) {
        mTouched = touched;
        mServiceMessage.SetLength(1);
        mServiceMessage.SetDataBufferUBYTE(touched ? 1 : 0, 0);
        InformOfChange(M_CONTINUOUS_CONTROLLER_TOUCHED);
    }
}

void cContinuousController::EntrypointMessage(cZUNetMessage& message)
{
    switch (message.mMethod) {
    case M_CONTINUOUS_CONTROLLER_VALUE:
        if (!ZU_CHECK_LENGTH(message, 2))
            return;
        mDriver->WriteControllerValue(message.GetDataBufferUWORD(0));
        mValue = mDriver->ReadControllerValue();
        InformOtherObjects(message);
        break;
    case M_CONTINUOUS_CONTROLLER_TOUCHED:
        ZU_ERR("M_CONTINUOUS_CONTROLLER_TOUCHED - is read only");
        break;
    case M_CONTINUOUS_CONTROLLER_RANGE: {
        if (!ZU_CHECK_LENGTH(message, ControllerRange::kLength))
            return;
        const UWORD lower = message.GetDataBufferUWORD(ControllerRange::kLower);
        const UWORD upper = message.GetDataBufferUWORD(ControllerRange::kUpper);
        if (upper < lower) {
            ZU_ERR("ControllerRangeUpper = %d, is lower than ControllerRangeLower = %d", upper, lower);
            return;
        }
        mDriver->WriteControllerRange(lower, upper, message.GetDataBufferUBYTE(ControllerRange::kLevelType) != 0);
        const UWORD value = message.mLength >= ControllerRange::kLengthWithValue
            ? message.GetDataBufferUWORD(ControllerRange::kValue)
            : mValue;
        mDriver->WriteControllerValue(mDriver->ClampValue(value));
        mValue = mDriver->ReadControllerValue();
        InformOtherObjects(message);
        break;
    }
    case M_CONTINUOUS_CONTROLLER_FADER_NULL:
        if (!ZU_CHECK_LENGTH(message, 1))
            return;
        mDriver->WriteControllerFaderNULL(message.GetDataBufferUBYTE(0) != 0);
        InformOtherObjects(message);
        break;
    default:
        cNetObject::EntrypointMessage(message);
        break;
    }
}

void cContinuousController::UpdateNewObject(
    UWORD connectionId, UWORD handle, UWORD destinationMethod, UWORD sourceMethod)
{
    switch (sourceMethod) {
    case M_CONTINUOUS_CONTROLLER_VALUE:
        mServiceMessage.SetLength(2);
        mServiceMessage.SetDataBufferUWORD(mValue, 0);
        break;
    case M_CONTINUOUS_CONTROLLER_TOUCHED:
        mServiceMessage.SetLength(1);
        mServiceMessage.SetDataBufferUBYTE(mTouched ? 1 : 0, 0);
        break;
    case M_CONTINUOUS_CONTROLLER_RANGE:
        mServiceMessage.SetLength(ControllerRange::kLength);
        mServiceMessage.SetDataBufferUWORD(mDriver->GetControllerRangeLower(), ControllerRange::kLower);
        mServiceMessage.SetDataBufferUWORD(mDriver->GetControllerRangeUpper(), ControllerRange::kUpper);
        mServiceMessage.SetDataBufferUBYTE(
            mDriver->IsLevelType() ? ControllerRange::kLevelTypeSet : 0, ControllerRange::kLevelType);
        break;
    default:
        cNetObject::UpdateNewObject(connectionId, handle, destinationMethod, sourceMethod);
        return;
    }
    mServiceMessage.SetAddress(connectionId, handle, mHandle, destinationMethod);
    SyscallSendMessage(mServiceMessage);
}

// Continuous controller with delta ---------------------------------------------------------------

cContinuousControllerWithDeltaDriver::cContinuousControllerWithDeltaDriver(const char* name, bool createAudioObject)
    : cContinuousControllerDriver(nullptr, false)
{
    if (name && createAudioObject)
        mAudioObject = std::make_unique<cContinuousControllerWithDelta>(name, this);
}

cContinuousControllerWithDeltaDriver::~cContinuousControllerWithDeltaDriver()
{
    DestroyAudioObject();
}

void cContinuousControllerWithDeltaDriver::ReverseLinkDelta(const char* path, UWORD method, UBYTE remove)
{
    if (HasAudioObject())
        QueueAudioLink(mAudioObject->GetName(), M_CONTINUOUS_CONTROLLER_DELTA, path, method, remove, false, false);
}

void cContinuousControllerWithDeltaDriver::UseSlowDeltaGeneration(bool use)
{
    if (HasAudioObject())
        static_cast<cContinuousControllerWithDelta*>(mAudioObject.get())->mSlowDeltaGeneration = use;
}

cContinuousControllerWithDelta::cContinuousControllerWithDelta(
    const char* name, cContinuousControllerWithDeltaDriver* driver)
    : cContinuousController(name, driver, 5)
    , mDeltaDriver(driver)
{
}

void cContinuousControllerWithDelta::EntrypointMessage(cZUNetMessage& message)
{
    if (message.mMethod != M_CONTINUOUS_CONTROLLER_DELTA) {
        cContinuousController::EntrypointMessage(message);
        return;
    }
    if (!ZU_CHECK_LENGTH(message, 2))
        return;
    mDeltaDriver->WriteControllerDelta(message.GetDataBufferSWORD(0));
    InformOtherObjects(message);
}

void cContinuousControllerWithDelta::ActionTick()
{
    if (mSlowDeltaGeneration) {
        const SWORD delta = mDeltaDriver->ReadControllerDelta();
        if (mDeltaHeld) {
            const int total = std::max(-0x8000, std::min(int(mHeldDelta) + int(delta), 0x7FFF));
            mDeltaHeld = false;
            mHeldDelta = 0;
            if (total != 0) {
                mServiceMessage.SetLength(2);
                mServiceMessage.SetDataBufferSWORD(SWORD(total), 0);
                InformOfChange(M_CONTINUOUS_CONTROLLER_DELTA);
            }
        } else if (delta != 0) {
            mDeltaHeld = true;
            mHeldDelta = delta;
        }
    }
    cContinuousController::ActionTick();
}

// LED --------------------------------------------------------------------------------------------

cLEDBaseDriver::cLEDBaseDriver(const char* name)
{
    if (name)
        mAudioObject = std::make_unique<cLEDObject>(name, this);
}

cLEDBaseDriver::~cLEDBaseDriver()
{
    DestroyAudioObject();
}

cLEDObject::cLEDObject(const char* name, cLEDBaseDriver* driver)
    : cNetObject(name, 1)
    , mDriver(driver)
{
}

cLEDObject::~cLEDObject()
{
    Unregister();
}

void cLEDObject::EntrypointMessage(cZUNetMessage& message)
{
    if (message.mMethod != M_LED_STATE) {
        cNetObject::EntrypointMessage(message);
        return;
    }
    if (!ZU_CHECK_LENGTH(message, 1))
        return;
    const UBYTE state = message.GetDataBufferUBYTE(0);
    if (state != mState) {
        mState = state;
        InformOtherObjects(message);
    }
    mDriver->WriteLEDState(state);
}

void cLEDObject::UpdateNewObject(UWORD connectionId, UWORD handle, UWORD destinationMethod, UWORD sourceMethod)
{
    if (sourceMethod != M_LED_STATE) {
        ZU_ERR("Method undefined at this level");
        return;
    }
    mServiceMessage.SetLength(1);
    mServiceMessage.SetDataBufferUBYTE(mState, 0);
    mServiceMessage.SetAddress(connectionId, handle, mHandle, destinationMethod);
    SyscallSendMessage(mServiceMessage);
}

// Switch -----------------------------------------------------------------------------------------

cSwitchBaseDriver::cSwitchBaseDriver(const char* name, bool tickScan)
{
    if (name)
        mAudioObject = std::make_unique<cSwitchObject>(name, this, tickScan);
}

cSwitchBaseDriver::~cSwitchBaseDriver()
{
    DestroyAudioObject();
}

void cSwitchBaseDriver::Link(const char* path, UWORD method, UBYTE remove, UBYTE sync, bool bidirect)
{
    if (HasAudioObject())
        QueueAudioLink(path, method, mAudioObject->GetName(), M_SWITCH_VALUE, remove, sync != 0, bidirect);
}

void cSwitchBaseDriver::ReverseLink(const char* path, UWORD method, UBYTE remove, UBYTE sync, bool bidirect)
{
    if (HasAudioObject())
        QueueAudioLink(mAudioObject->GetName(), M_SWITCH_VALUE, path, method, remove, sync != 0, bidirect);
}

cSwitchObject::cSwitchObject(const char* name, cSwitchBaseDriver* driver, bool tickScan)
    : cNetObject(name, 2, tickScan)
    , mDriver(driver)
{
}

cSwitchObject::~cSwitchObject()
{
    Unregister();
}

void cSwitchObject::ActionTick()
{
    const UBYTE value = mDriver->ReadSwitchValue();
    if (!mStarted) {
        mStarted = true;
        mValue = value;
        return;
    }
    if (value == mValue)
        return;
    mValue = value;
    mServiceMessage.SetLength(1);
    mServiceMessage.SetDataBufferUBYTE(value, 0);
    mServiceMessage.SetAddress(ZUNET_NO_CONNECTION, ZUNET_NO_HANDLE, mHandle, M_SWITCH_VALUE);
    InformOtherObjects(mServiceMessage);
}

void cSwitchObject::EntrypointMessage(cZUNetMessage& message)
{
    switch (message.mMethod) {
    case M_SWITCH_VALUE:
        if (!ZU_CHECK_LENGTH(message, 1))
            return;
        mDriver->WriteSwitchValue(message.GetDataBufferUBYTE(0));
        // Taken as the last value, so the next tick does not send it back.
        mValue = message.GetDataBufferUBYTE(0);
        mStarted = true;
        InformOtherObjects(message);
        break;
    case M_SWITCH_DELTA:
        if (!ZU_CHECK_LENGTH(message, 2))
            return;
        mDriver->WriteSwitchDelta(message.GetDataBufferSWORD(0));
        break;
    default:
        cNetObject::EntrypointMessage(message);
        break;
    }
}

void cSwitchObject::UpdateNewObject(UWORD connectionId, UWORD handle, UWORD destinationMethod, UWORD sourceMethod)
{
    if (sourceMethod != M_SWITCH_VALUE) {
        cNetObject::UpdateNewObject(connectionId, handle, destinationMethod, sourceMethod);
        return;
    }
    if (!mStarted)
        ActionTick();
    mServiceMessage.SetLength(1);
    mServiceMessage.SetDataBufferUBYTE(mValue, 0);
    mServiceMessage.SetAddress(connectionId, handle, mHandle, destinationMethod);
    SyscallSendMessage(mServiceMessage);
}
