#pragma once

#include <QColor>
#include <QString>

/// The colour names of a mixing unit's channel colour indices.
class cChannelColourHelper
{
public:
    /// 0 "darkgrey" ... 7 "lightgrey"; any other index is traced and gives "darkgrey".
    static QString ChannelColourToQString(int colour);
};

/// Perceptual blending of two colours through CIE L*C*h (sRGB, D65). RGB values are 0 to 255;
/// a hue is in degrees, NaN when the colour has none (chroma below 0.001).
class cColorInterpolator
{
public:
    /// The colour at fraction t from `from` (t 0) to `to` (t 1): lightness and chroma linearly, hue
    /// the shorter way round, alpha linearly. A grey end takes the other end's hue. An alpha outside
    /// 0 .. 255 gives an invalid colour.
    static QColor InterpolateColour(const QColor& from, const QColor& to, double t);

    static void ConvertRGBToLCH(double r, double g, double b, double& l, double& c, double& h);
    static void ConvertLCHToRGB(double l, double c, double h, double& r, double& g, double& b);

    /// 0 .. 255 to linear 0 .. 1.
    static double InverseComprand(double v);
    /// Linear to 0 .. 255 (not clamped).
    static double Comprand(double v);
    static double XYZToLABHelper(double t);
    static double LABToXYZHelper(double t);
};
