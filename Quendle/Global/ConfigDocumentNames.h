#pragma once

/// Element and attribute names of the configuration document, shared by the unit's manager and
/// reply worker and by the runner that reads what they send.
namespace Quendle::ConfigNames
{

// Elements
inline constexpr char kUnits[] = "Units";
inline constexpr char kUnit[] = "Unit";
inline constexpr char kLayouts[] = "Layouts";
inline constexpr char kLayout[] = "Layout";
inline constexpr char kWidget[] = "Widget";
inline constexpr char kResources[] = "Resources";
inline constexpr char kResource[] = "Resource";

// Attributes of the root element
inline constexpr char kAllowUserList[] = "allowUserList";

// Attributes of `Unit`
inline constexpr char kNameOrIpAddress[] = "nameOrIpAddress";
inline constexpr char kPassword[] = "password";
inline constexpr char kUnitFinderIpAddress[] = "unitFinderIpAddress";

// Attributes of `Layout`
inline constexpr char kAllUsers[] = "allUsers";
inline constexpr char kUsers[] = "users";
inline constexpr char kDesktop[] = "desktop";
inline constexpr char kPhone[] = "phone";
inline constexpr char kTablet[] = "tablet";
inline constexpr char kOrientation[] = "orientation";
inline constexpr char kAllScenes[] = "allScenes";
inline constexpr char kScenes[] = "scenes";

// Attributes of `Resource`; widgets name resources by attributes ending in "resourceId" or "ResourceId"
inline constexpr char kId[] = "id";
inline constexpr char kResourceIdSuffix[] = "esourceId";

} // namespace Quendle::ConfigNames
