#pragma once

#include <QLatin1String>

/// Attribute names of a layout's `Widget` element, shared by the widget classes that read and write them.
namespace WidgetXml
{

/// A name with its length known at compile time (QLatin1String's own constructor counts at run time).
template <int N> constexpr QLatin1String Name(const char (&text)[N])
{
    return QLatin1String(text, N - 1);
}

constexpr QLatin1String kAmmNumber = Name("ammNumber");
constexpr QLatin1String kAnalogueTimeFormat = Name("analogueTimeFormat");
constexpr QLatin1String kAudioTaper = Name("audioTaper");
constexpr QLatin1String kBackgroundColour = Name("backgroundColour");
constexpr QLatin1String kBorderColour = Name("borderColour");
constexpr QLatin1String kChannelNumber = Name("channelNumber");
constexpr QLatin1String kChannelType = Name("channelType");
constexpr QLatin1String kColour = Name("colour");
constexpr QLatin1String kColourMode = Name("colourMode");
constexpr QLatin1String kContentSizeMode = Name("contentSizeMode");
constexpr QLatin1String kControlColour = Name("controlColour");
constexpr QLatin1String kCustomDateFormat = Name("customDateFormat");
constexpr QLatin1String kDateFormat = Name("dateFormat");
constexpr QLatin1String kDestChannelNumber = Name("destChannelNumber");
constexpr QLatin1String kDestChannelType = Name("destChannelType");
constexpr QLatin1String kDigitalTimeFormat = Name("digitalTimeFormat");
constexpr QLatin1String kFaceFormat = Name("faceFormat");
constexpr QLatin1String kFunction = Name("function");
constexpr QLatin1String kFxUnitNumber = Name("fxUnitNumber");
constexpr QLatin1String kGlobalLocalSource = Name("globalLocalSource");
constexpr QLatin1String kGradientEndColour = Name("gradientEndColour");
constexpr QLatin1String kGradientMode = Name("gradientMode");
constexpr QLatin1String kGradientStartColour = Name("gradientStartColour");
constexpr QLatin1String kGroup = Name("group");
constexpr QLatin1String kHeight = Name("height");
constexpr QLatin1String kId = Name("id");
constexpr QLatin1String kLeftRightSource = Name("leftRightSource");
constexpr QLatin1String kLevelType = Name("levelType");
constexpr QLatin1String kMaxGain = Name("maxGain");
constexpr QLatin1String kMinGain = Name("minGain");
constexpr QLatin1String kMinToInf = Name("minToInf");
constexpr QLatin1String kMuteGrpNumber = Name("muteGrpNumber");
constexpr QLatin1String kNumTabs = Name("numTabs");
constexpr QLatin1String kOffColour = Name("offColour");
constexpr QLatin1String kOffImageResourceId = Name("offImageResourceId");
constexpr QLatin1String kOnImageResourceId = Name("onImageResourceId");
constexpr QLatin1String kOpacity = Name("opacity");
constexpr QLatin1String kOverlayColour = Name("overlayColour");
constexpr QLatin1String kPaflChannelNumber = Name("paflChannelNumber");
constexpr QLatin1String kPositionLock = Name("positionLock");
constexpr QLatin1String kRadius = Name("radius");
constexpr QLatin1String kResourceId = Name("resourceId");
constexpr QLatin1String kSceneNumber = Name("sceneNumber");
constexpr QLatin1String kShowBorder = Name("showBorder");
constexpr QLatin1String kTabName = Name("tabName");
constexpr QLatin1String kTabOffColour = Name("tabOffColour");
constexpr QLatin1String kTabOnColour = Name("tabOnColour");
constexpr QLatin1String kTabPosition = Name("tabPosition");
constexpr QLatin1String kText = Name("text");
constexpr QLatin1String kTextAlignment = Name("textAlignment");
constexpr QLatin1String kTextColour = Name("textColour");
constexpr QLatin1String kTextFont = Name("textFont");
constexpr QLatin1String kTextLabel = Name("textLabel");
constexpr QLatin1String kType = Name("type");
constexpr QLatin1String kUnitId = Name("unitId");
constexpr QLatin1String kWidth = Name("width");
constexpr QLatin1String kX = Name("x");
constexpr QLatin1String kY = Name("y");
constexpr QLatin1String kZ = Name("z");

} // namespace WidgetXml
