#pragma once

#include "Common/Qt/Latin1Text.h"

/// Attribute names of a layout's `Widget` element, shared by the widget classes that read and write them.
namespace WidgetXml
{

constexpr QLatin1String kAmmNumber = Latin1Text("ammNumber");
constexpr QLatin1String kAnalogueTimeFormat = Latin1Text("analogueTimeFormat");
constexpr QLatin1String kAudioTaper = Latin1Text("audioTaper");
constexpr QLatin1String kBackgroundColour = Latin1Text("backgroundColour");
constexpr QLatin1String kBorderColour = Latin1Text("borderColour");
constexpr QLatin1String kChannelNumber = Latin1Text("channelNumber");
constexpr QLatin1String kChannelType = Latin1Text("channelType");
constexpr QLatin1String kColour = Latin1Text("colour");
constexpr QLatin1String kColourMode = Latin1Text("colourMode");
constexpr QLatin1String kContentSizeMode = Latin1Text("contentSizeMode");
constexpr QLatin1String kControlColour = Latin1Text("controlColour");
constexpr QLatin1String kCustomDateFormat = Latin1Text("customDateFormat");
constexpr QLatin1String kDateFormat = Latin1Text("dateFormat");
constexpr QLatin1String kDestChannelNumber = Latin1Text("destChannelNumber");
constexpr QLatin1String kDestChannelType = Latin1Text("destChannelType");
constexpr QLatin1String kDigitalTimeFormat = Latin1Text("digitalTimeFormat");
constexpr QLatin1String kFaceFormat = Latin1Text("faceFormat");
constexpr QLatin1String kFunction = Latin1Text("function");
constexpr QLatin1String kFxUnitNumber = Latin1Text("fxUnitNumber");
constexpr QLatin1String kGlobalLocalSource = Latin1Text("globalLocalSource");
constexpr QLatin1String kGradientEndColour = Latin1Text("gradientEndColour");
constexpr QLatin1String kGradientMode = Latin1Text("gradientMode");
constexpr QLatin1String kGradientStartColour = Latin1Text("gradientStartColour");
constexpr QLatin1String kGroup = Latin1Text("group");
constexpr QLatin1String kHeight = Latin1Text("height");
constexpr QLatin1String kId = Latin1Text("id");
constexpr QLatin1String kLeftRightSource = Latin1Text("leftRightSource");
constexpr QLatin1String kLevelType = Latin1Text("levelType");
constexpr QLatin1String kMaxGain = Latin1Text("maxGain");
constexpr QLatin1String kMinGain = Latin1Text("minGain");
constexpr QLatin1String kMinToInf = Latin1Text("minToInf");
constexpr QLatin1String kMuteGrpNumber = Latin1Text("muteGrpNumber");
constexpr QLatin1String kNumTabs = Latin1Text("numTabs");
constexpr QLatin1String kOffColour = Latin1Text("offColour");
constexpr QLatin1String kOffImageResourceId = Latin1Text("offImageResourceId");
constexpr QLatin1String kOnImageResourceId = Latin1Text("onImageResourceId");
constexpr QLatin1String kOpacity = Latin1Text("opacity");
constexpr QLatin1String kOverlayColour = Latin1Text("overlayColour");
constexpr QLatin1String kPaflChannelNumber = Latin1Text("paflChannelNumber");
constexpr QLatin1String kPositionLock = Latin1Text("positionLock");
constexpr QLatin1String kRadius = Latin1Text("radius");
constexpr QLatin1String kResourceId = Latin1Text("resourceId");
constexpr QLatin1String kSceneNumber = Latin1Text("sceneNumber");
constexpr QLatin1String kShowBorder = Latin1Text("showBorder");
constexpr QLatin1String kTabName = Latin1Text("tabName");
constexpr QLatin1String kTabOffColour = Latin1Text("tabOffColour");
constexpr QLatin1String kTabOnColour = Latin1Text("tabOnColour");
constexpr QLatin1String kTabPosition = Latin1Text("tabPosition");
constexpr QLatin1String kText = Latin1Text("text");
constexpr QLatin1String kTextAlignment = Latin1Text("textAlignment");
constexpr QLatin1String kTextColour = Latin1Text("textColour");
constexpr QLatin1String kTextFont = Latin1Text("textFont");
constexpr QLatin1String kTextLabel = Latin1Text("textLabel");
constexpr QLatin1String kType = Latin1Text("type");
constexpr QLatin1String kUnitId = Latin1Text("unitId");
constexpr QLatin1String kWidth = Latin1Text("width");
constexpr QLatin1String kX = Latin1Text("x");
constexpr QLatin1String kY = Latin1Text("y");
constexpr QLatin1String kZ = Latin1Text("z");

} // namespace WidgetXml
