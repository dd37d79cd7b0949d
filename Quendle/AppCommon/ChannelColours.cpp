#include "Quendle/AppCommon/ChannelColours.h"

#include "ZUNet/Core/Trace.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

QString cChannelColourHelper::ChannelColourToQString(int colour)
{
    static const QStringList names { QStringLiteral("darkgrey"), QStringLiteral("red"), QStringLiteral("green"),
        QStringLiteral("yellow"), QStringLiteral("blue"), QStringLiteral("magenta"), QStringLiteral("cyan"),
        QStringLiteral("lightgrey") };
    if (colour < 0 || colour >= names.count()) {
        ZU_ERR("Un-known channel colour %d", colour);
        return names.first();
    }
    return names.at(colour);
}

namespace
{
constexpr double kWhiteX = 0.95047;
constexpr double kWhiteY = 1.0;
constexpr double kWhiteZ = 1.08883;
constexpr double kNoHueChroma = 0.001;
constexpr double kPi = 3.14159265358979323846;

double Clamped255(double v)
{
    if (std::isnan(v))
        return 0.0;
    return std::clamp(v, 0.0, 255.0);
}
} // namespace

double cColorInterpolator::InverseComprand(double v)
{
    const double s = v / 255.0;
    return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
}

double cColorInterpolator::Comprand(double v)
{
    const double s = v <= 0.00304 ? 12.92 * v : 1.055 * std::pow(v, 1.0 / 2.4) - 0.055;
    return s * 255.0;
}

double cColorInterpolator::XYZToLABHelper(double t)
{
    return t > 0.008856451679035631 ? std::cbrt(t) : 7.787037037037037 * t + 0.13793103448275862;
}

double cColorInterpolator::LABToXYZHelper(double t)
{
    static const double threshold = 0.20689655172413796;
    return t > threshold ? t * t * t : (t - 0.13793103448275862) * 0.12841854934601665;
}

void cColorInterpolator::ConvertRGBToLCH(double r, double g, double b, double& l, double& c, double& h)
{
    const double R = InverseComprand(r);
    const double G = InverseComprand(g);
    const double B = InverseComprand(b);
    const double x = (0.4124564 * R + 0.3575761 * G + 0.1804375 * B) / kWhiteX;
    const double y = (0.2126729 * R + 0.7151522 * G + 0.072175 * B) / kWhiteY;
    const double z = (0.0193339 * R + 0.119192 * G + 0.9503041 * B) / kWhiteZ;
    const double fx = XYZToLABHelper(x);
    const double fy = XYZToLABHelper(y);
    const double fz = XYZToLABHelper(z);
    l = 116.0 * fy - 16.0;
    const double a = 500.0 * (fx - fy);
    const double bb = 200.0 * (fy - fz);
    c = std::sqrt(a * a + bb * bb);
    h = c < kNoHueChroma ? std::nan("") : std::fmod(std::atan2(bb, a) * 180.0 / kPi + 360.0, 360.0);
}

void cColorInterpolator::ConvertLCHToRGB(double l, double c, double h, double& r, double& g, double& b)
{
    const double fy = (l + 16.0) / 116.0;
    double fx = fy;
    double fz = fy;
    if (!std::isnan(h)) {
        const double radians = h * kPi / 180.0;
        fx = fy + c * std::cos(radians) / 500.0;
        fz = fy - c * std::sin(radians) / 200.0;
    }
    const double x = kWhiteX * LABToXYZHelper(fx);
    const double y = kWhiteY * LABToXYZHelper(fy);
    const double z = kWhiteZ * LABToXYZHelper(fz);
    r = Comprand(3.2404542 * x - 1.5371385 * y - 0.4985314 * z);
    g = Comprand(-0.969266 * x + 1.8760108 * y + 0.041556 * z);
    b = Comprand(0.0556434 * x - 0.2040259 * y + 1.0572252 * z);
}

QColor cColorInterpolator::InterpolateColour(const QColor& from, const QColor& to, double t)
{
    double l1, c1, h1, l2, c2, h2;
    ConvertRGBToLCH(from.red(), from.green(), from.blue(), l1, c1, h1);
    ConvertRGBToLCH(to.red(), to.green(), to.blue(), l2, c2, h2);

    // A grey end has no hue of its own: it takes the other end's, so the blend keeps one hue and
    // t 1 reaches `to`. Chroma still grows from the grey's.
    if (std::isnan(h1))
        h1 = h2;
    if (std::isnan(h2))
        h2 = h1;

    double dH = h2 - h1;
    if (dH > 180.0)
        dH -= 360.0;
    else if (dH < -180.0)
        dH += 360.0;

    const double l = l1 + (l2 - l1) * t;
    const double c = c1 + (c2 - c1) * t;
    const double h = h1 + dH * t; // NaN (grey) only when both ends are grey
    double r, g, b;
    ConvertLCHToRGB(l, c, h, r, g, b);

    const int alpha = static_cast<int>(from.alpha() + (to.alpha() - from.alpha()) * t);
    if (alpha < 0 || alpha > 255)
        return QColor();
    return QColor(
        static_cast<int>(Clamped255(r)), static_cast<int>(Clamped255(g)), static_cast<int>(Clamped255(b)), alpha);
}
