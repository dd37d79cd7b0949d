#include "ZUNet/Core/AudioDrivers.h"
#include "ZUNet/Core/Trace.h"

#include <algorithm>

cMultiCCDriverChild::cMultiCCDriverChild(cMultiContinuousControllerDriverBase* parent, UBYTE index)
    : cContinuousControllerDriver(nullptr, false)
    , mParent(parent)
    , mIndex(index)
    , mRotaryScaleFactor(RotaryScaleFactorForSpan(mControllerSpan))
{
}

UWORD cMultiCCDriverChild::RotaryScaleFactorForSpan(UWORD span)
{
    const int factor = int(double(span) * 3.0 / 256.0 + 0.5);
    return UWORD(std::max(1, std::min(factor, 256)));
}

UWORD cMultiCCDriverChild::ReadControllerValue()
{
    if (mIndex == mParent->GetSelectedChild()) {
        const SWORD delta = mParent->ReadSelectedChildDelta();
        if (delta != 0 && mParent->IsChildEnabled(mIndex))
            mValue = ClampValue(int(mValue) + int(delta) * int(mRotaryScaleFactor));
    }
    return EncodeLevelTypeValue(mValue);
}

void cMultiCCDriverChild::WriteControllerValue(UWORD value)
{
    mValue = ClampValue(DecodeLevelTypeValue(value));
}

void cMultiCCDriverChild::WriteControllerRange(UWORD lower, UWORD upper, bool levelType)
{
    cContinuousControllerDriver::WriteControllerRange(lower, upper, levelType);
    mRotaryScaleFactor = RotaryScaleFactorForSpan(mControllerSpan);
}

cMultiContinuousControllerDriverBase::cMultiContinuousControllerDriverBase(
    const char* name, UBYTE numberOfChildren, const char* path)
    : cNetObject(name, 1)
    , mChildEnabled(numberOfChildren, true)
{
    for (int i = 0; i < numberOfChildren; ++i)
        mChildren.push_back(std::make_unique<cMultiCCDriverChild>(this, UBYTE(i)));
    if (path)
        QueueAudioLink(path, M_MULTI_CC_SELECTED_CHILD, GetName(), M_MULTI_CC_SELECTED_CHILD, 0, true, false);
}

cMultiContinuousControllerDriverBase::~cMultiContinuousControllerDriverBase()
{
    Unregister();
}

cMultiCCDriverChild* cMultiContinuousControllerDriverBase::Child(int index) const
{
    return index >= 0 && index < int(mChildren.size()) ? mChildren[std::size_t(index)].get() : nullptr;
}

void cMultiContinuousControllerDriverBase::SetChildEnabled(int index, bool enabled)
{
    if (index >= 0 && index < int(mChildEnabled.size()))
        mChildEnabled[std::size_t(index)] = enabled;
}

bool cMultiContinuousControllerDriverBase::IsChildEnabled(int index) const
{
    return index >= 0 && index < int(mChildEnabled.size()) && mChildEnabled[std::size_t(index)];
}

void cMultiContinuousControllerDriverBase::EntrypointMessage(cZUNetMessage& message)
{
    if (message.mMethod != M_MULTI_CC_SELECTED_CHILD) {
        cNetObject::EntrypointMessage(message);
        return;
    }
    if (!ZU_CHECK_LENGTH(message, 1))
        return;
    const UBYTE selected = message.GetDataBufferUBYTE(0);
    if (selected >= mChildren.size()) {
        ZU_ERR("Selected child %d out of range, %d children: \"%s\"", selected, int(mChildren.size()), GetName());
        return;
    }
    mSelectedChild = selected;
}
