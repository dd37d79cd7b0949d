#include "Quendle/Runner/PanelLEDControlHelper.h"

#include "ZUNet/Core/Trace.h"

cPanelLEDControlHelper* cPanelLEDControlHelper::mInstance = nullptr;
std::mutex cPanelLEDControlHelper::mInstanceMutex;

namespace
{

struct sNamedColour {
    const char* mName;
    const char* mRgb; // null: dark
    bool mRed;
    bool mGreen;
    bool mBlue;
};

// Pure channel colours: "green" is full green, not the darker colour QML gives the name.
const sNamedColour kNamedColours[] = {
    { "red", "#ff0000", true, false, false },
    { "green", "#00ff00", false, true, false },
    { "yellow", "#ffff00", true, true, false },
    { "blue", "#0000ff", false, false, true },
    { "purple", "#ff00ff", true, false, true },
    { "cyan", "#00ffff", false, true, true },
    { "white", "#ffffff", true, true, true },
    { "darkgrey", nullptr, false, false, false },
};

constexpr int kUnreadableChannel = 112;

int HexDigit(QChar c)
{
    const ushort u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

} // namespace

cPanelLEDControlHelper* cPanelLEDControlHelper::CreateSingleton(bool proDVX, double screenSize)
{
    std::lock_guard<std::mutex> locker(mInstanceMutex);
    if (!mInstance)
        mInstance = new cPanelLEDControlHelper(proDVX, screenSize);
    return mInstance;
}

cPanelLEDControlHelper::cPanelLEDControlHelper(bool proDVX, double screenSize)
    : mProDVX(proDVX)
    , mScreenSize(screenSize)
{
}

cPanelLEDControlHelper::~cPanelLEDControlHelper()
{
    std::lock_guard<std::mutex> locker(mInstanceMutex);
    if (mInstance == this)
        mInstance = nullptr;
}

void cPanelLEDControlHelper::SetPanelLED(bool) const { }

void cPanelLEDControlHelper::DisableLED()
{
    mOffColour = 0;
    mRed = mGreen = mBlue = false;
}

void cPanelLEDControlHelper::SetPanelLEDColour(QString colour)
{
    std::lock_guard<std::mutex> locker(mInstanceMutex);
    mOnColour = quint32(ConvertColourCodeToLRGB(colour));
}

void cPanelLEDControlHelper::SetPanelLEDOffColour(QString colour)
{
    std::lock_guard<std::mutex> locker(mInstanceMutex);
    mOffColour = quint32(ConvertColourCodeToLRGB(colour));
}

int cPanelLEDControlHelper::ConvertColourCodeToLRGB(QString colour)
{
    for (const sNamedColour& named : kNamedColours) {
        if (colour != QLatin1String(named.mName))
            continue;
        mRed = named.mRed;
        mGreen = named.mGreen;
        mBlue = named.mBlue;
        return named.mRgb ? ConvertColourStringToLRGB(QString::fromLatin1(named.mRgb)) : 0;
    }
    return 0;
}

int cPanelLEDControlHelper::ReadChannel(const QString& rgb, int position)
{
    if (position + 2 > rgb.size())
        return -1;
    const int high = HexDigit(rgb[position]);
    const int low = HexDigit(rgb[position + 1]);
    return high < 0 || low < 0 ? -1 : high * 16 + low;
}

int cPanelLEDControlHelper::ConvertColourStringToLRGB(QString rgb) const
{
    const int start = rgb.size() > 7 ? rgb.size() - 7 : 0;
    int red = ReadChannel(rgb, start + 1);
    if (red < 0) {
        ZU_ERR("Could not parse red from RGB string!");
        red = kUnreadableChannel;
    }
    int green = ReadChannel(rgb, start + 3);
    if (green < 0) {
        ZU_ERR("Could not parse green from RGB string!");
        green = kUnreadableChannel;
    }
    int blue = ReadChannel(rgb, start + 5);
    if (blue < 0) {
        ZU_ERR("Could not parse blue from RGB string!");
        blue = kUnreadableChannel;
    }

    // Luma in double, then the level and channels scaled in float, each truncated.
    const int luma = int(0.11 * blue + (0.59 * green + 0.3 * red));
    const int level = int(float(luma) * 0.0471f);
    auto scale = [](int value) { return int(float(value) * 0.4393f); };
    return (level << 24) | (scale(red) << 16) | (scale(green) << 8) | scale(blue);
}
