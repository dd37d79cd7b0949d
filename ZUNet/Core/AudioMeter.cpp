#include "AES-Standards/Conversions.h"
#include "ZUNet/Core/AudioDrivers.h"
#include "ZUNet/Core/Trace.h"

#include <algorithm>
#include <cstdlib>

cMeterDisplayDriverBase::cMeterDisplayDriverBase(const char* name)
{
    if (name)
        mAudioObject = std::make_unique<cMeterNet>(name, this);
}

cMeterDisplayDriverBase::~cMeterDisplayDriverBase()
{
    DestroyAudioObject();
}

void cMeterDisplayDriverBase::CalculateNewMeterValues(SWORD level, bool reset)
{
    if (mFirstValue || reset) {
        mFirstValue = false;
        mLevel = level;
        mPeak = level;
        mPeakHeldFor = 0;
    } else if (level > mLevel) {
        const int step = std::abs(int(mAttackStep));
        mLevel = mAttackStep == kJumpAttackStep ? level : SWORD(std::min(int(level), mLevel + step));
    } else if (level < mLevel) {
        const int step = std::abs(int(mDecayStep));
        mLevel = mDecayStep == kJumpDecayStep ? level : SWORD(std::max(int(level), mLevel - step));
    }
    if (!mPeakHoldOn) {
        mPeak = mLevel;
    } else if (mLevel >= mPeak) {
        mPeak = mLevel;
        mPeakHeldFor = 0;
    } else if (mPeakHeldFor < mPeakHoldCount) {
        ++mPeakHeldFor;
    } else {
        mPeak = mLevel;
        mPeakHeldFor = 0;
    }
    ShowLevelAndPeak(mLevel, mPeak);
}

void cMeterDisplayDriverBase::SetLevelAndPeak(SWORD level, SWORD peak)
{
    mLevel = level;
    mPeak = peak;
    mPeakHeldFor = 0;
    ShowLevelAndPeak(level, peak);
}

cMeterNet::cMeterNet(const char* name, cMeterDisplayDriverBase* driver)
    : cNetObject(name, 7)
    , mDriver(driver)
{
}

cMeterNet::~cMeterNet()
{
    Unregister();
}

void cMeterNet::EntrypointMessage(cZUNetMessage& message)
{
    switch (message.mMethod) {
    case M_METER_VALUE:
        if (ZU_CHECK_LENGTH(message, 3))
            mDriver->CalculateNewMeterValues(message.GetDataBufferSWORD(0), message.GetDataBufferUBYTE(2) != 0);
        break;
    case M_METER_VALUE_NO_BALLISTICS:
        if (ZU_CHECK_LENGTH(message, 4))
            mDriver->SetLevelAndPeak(message.GetDataBufferSWORD(0), message.GetDataBufferSWORD(2));
        break;
    case M_METER_ATTACK_STEP:
        if (ZU_CHECK_LENGTH(message, 2))
            mDriver->AttackStepSet(UWORDToGain(message.GetDataBufferUWORD(0)));
        break;
    case M_METER_DECAY_STEP:
        if (ZU_CHECK_LENGTH(message, 2))
            mDriver->DecayStepSet(UWORDToGain(message.GetDataBufferUWORD(0)));
        break;
    case M_METER_PEAK_HOLD_COUNT:
        if (ZU_CHECK_LENGTH(message, 1))
            mDriver->SetPeakHoldCount(message.GetDataBufferUBYTE(0));
        break;
    case M_METER_PEAK_HOLD_ON:
        if (ZU_CHECK_LENGTH(message, 1))
            mDriver->SetPeakHoldOn(message.GetDataBufferUBYTE(0) != 0);
        break;
    case M_METER_FLAG:
        if (ZU_CHECK_LENGTH(message, 1))
            mDriver->WriteMeterFlag(message.GetDataBufferUBYTE(0));
        break;
    default:
        cNetObject::EntrypointMessage(message);
        break;
    }
}
