#pragma once

#include "ZUNet/Core/ZUNetTypes.h"

class cZUNetLevelControlWidgetBase;

/// How a level control maps its on-screen position (0 at the bottom or fully anticlockwise, 1 at
/// the top) to the unit's gain code (dB × 256 + 32768, 0 = minus infinity) and back: through the
/// fader law, or linear in dB between the two gains. The gains are clamped to their property range
/// when read: a layout can hold any integer, and the arithmetic must neither overflow nor run long.
struct sLevelLaw {
    static constexpr int kLowestGain = -128;
    static constexpr int kHighestGain = 10;

    bool mAudioTaper = true;
    bool mMinToInf = false;
    int mMinGain = kLowestGain;
    int mMaxGain = kHighestGain;

    /// The widget's Audio Taper, Min = -Inf, Min Gain and Max Gain.
    static sLevelLaw Of(const cZUNetLevelControlWidgetBase& widget);
    /// `minGain` and `maxGain` clamped to the property range.
    static sLevelLaw Make(bool audioTaper, bool minToInf, int minGain, int maxGain);

    /// The code for a position in 0..1 (callers clamp and drop non-finite input first).
    UWORD CodeOf(double position) const;
    /// The position of a code, in 0..1. With equal gains in linear mode: 0 below the gain, else 1.
    double PositionOf(UWORD code) const;
};
