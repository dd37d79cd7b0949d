#include "Quendle/Widgets/Control/LevelLaw.h"

#include "Common/Misc/NonLinearLookup.h"
#include "Quendle/Widgets/Control/LevelControlWidgetBase.h"

#include <QtGlobal>

#include <cmath>

namespace
{

const cFaderLookup& FaderLaw()
{
    static const cFaderLookup law;
    return law;
}

constexpr int kZeroDbCode = 0x8000;
constexpr double kStepsPerDb = 256.0;

} // namespace

sLevelLaw sLevelLaw::Make(bool audioTaper, bool minToInf, int minGain, int maxGain)
{
    return { audioTaper, minToInf, qBound(kLowestGain, minGain, kHighestGain),
        qBound(kLowestGain, maxGain, kHighestGain) };
}

sLevelLaw sLevelLaw::Of(const cZUNetLevelControlWidgetBase& widget)
{
    const auto on = QLatin1String("on");
    return Make(widget.AudioTaperCode() == on,
        cZUNetLevelControlWidgetBase::mOnOffIndexToCodes.CodeOf(&widget.mMinToInf) == on, widget.mMinGain.IntValue(),
        widget.mMaxGain.IntValue());
}

UWORD sLevelLaw::CodeOf(double position) const
{
    if (mAudioTaper)
        return cFaderLookup::kFaderLawTable[qBound(0, int(255.0 * position), 255)];
    if (position == 0.0 && mMinToInf)
        return 0;
    const double db = mMinGain + (mMaxGain - mMinGain) * position;
    if (db > 127.99)
        return 0xFFFD;
    if (db < -128.0)
        return 0;
    return UWORD(std::trunc(db * kStepsPerDb + kZeroDbCode));
}

double sLevelLaw::PositionOf(UWORD code) const
{
    if (mAudioTaper)
        return FaderLaw().GetIndex(code) / 255.0;
    const double db = (int(code) - kZeroDbCode) / kStepsPerDb;
    if (mMaxGain == mMinGain)
        return db < mMinGain ? 0.0 : 1.0;
    return qBound(0.0, (db - mMinGain) / (mMaxGain - mMinGain), 1.0);
}
