#pragma once

#include <QLatin1String>

/// Attribute names of a layout's `Widget` element, shared by the widget classes that read and write them.
namespace WidgetXml
{

constexpr QLatin1String kAmmNumber("ammNumber");
constexpr QLatin1String kAnalogueTimeFormat("analogueTimeFormat");
constexpr QLatin1String kAudioTaper("audioTaper");
constexpr QLatin1String kBackgroundColour("backgroundColour");
constexpr QLatin1String kBorderColour("borderColour");
constexpr QLatin1String kChannelNumber("channelNumber");
constexpr QLatin1String kChannelType("channelType");
constexpr QLatin1String kColour("colour");
constexpr QLatin1String kColourMode("colourMode");
constexpr QLatin1String kContentSizeMode("contentSizeMode");
constexpr QLatin1String kControlColour("controlColour");
constexpr QLatin1String kCustomDateFormat("customDateFormat");
constexpr QLatin1String kDateFormat("dateFormat");
constexpr QLatin1String kDestChannelNumber("destChannelNumber");
constexpr QLatin1String kDestChannelType("destChannelType");
constexpr QLatin1String kDigitalTimeFormat("digitalTimeFormat");
constexpr QLatin1String kFaceFormat("faceFormat");
constexpr QLatin1String kFunction("function");
constexpr QLatin1String kFxUnitNumber("fxUnitNumber");
constexpr QLatin1String kGlobalLocalSource("globalLocalSource");
constexpr QLatin1String kGradientEndColour("gradientEndColour");
constexpr QLatin1String kGradientMode("gradientMode");
constexpr QLatin1String kGradientStartColour("gradientStartColour");
constexpr QLatin1String kGroup("group");
constexpr QLatin1String kHeight("height");
constexpr QLatin1String kId("id");
constexpr QLatin1String kLeftRightSource("leftRightSource");
constexpr QLatin1String kLevelType("levelType");
constexpr QLatin1String kMaxGain("maxGain");
constexpr QLatin1String kMinGain("minGain");
constexpr QLatin1String kMinToInf("minToInf");
constexpr QLatin1String kMuteGrpNumber("muteGrpNumber");
constexpr QLatin1String kNumTabs("numTabs");
constexpr QLatin1String kOffColour("offColour");
constexpr QLatin1String kOffImageResourceId("offImageResourceId");
constexpr QLatin1String kOnImageResourceId("onImageResourceId");
constexpr QLatin1String kOpacity("opacity");
constexpr QLatin1String kOverlayColour("overlayColour");
constexpr QLatin1String kPaflChannelNumber("paflChannelNumber");
constexpr QLatin1String kPositionLock("positionLock");
constexpr QLatin1String kRadius("radius");
constexpr QLatin1String kResourceId("resourceId");
constexpr QLatin1String kSceneNumber("sceneNumber");
constexpr QLatin1String kShowBorder("showBorder");
constexpr QLatin1String kTabName("tabName");
constexpr QLatin1String kTabOffColour("tabOffColour");
constexpr QLatin1String kTabOnColour("tabOnColour");
constexpr QLatin1String kTabPosition("tabPosition");
constexpr QLatin1String kText("text");
constexpr QLatin1String kTextAlignment("textAlignment");
constexpr QLatin1String kTextColour("textColour");
constexpr QLatin1String kTextFont("textFont");
constexpr QLatin1String kTextLabel("textLabel");
constexpr QLatin1String kType("type");
constexpr QLatin1String kUnitId("unitId");
constexpr QLatin1String kWidth("width");
constexpr QLatin1String kX("x");
constexpr QLatin1String kY("y");
constexpr QLatin1String kZ("z");

} // namespace WidgetXml
