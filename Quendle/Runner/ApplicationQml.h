#pragma once

namespace Quendle
{

/// Registers what the runner's QML uses besides the widgets: the application layer's meta types
/// and "ZUQml" types, the singleton `MainActivity` ("MainActivitySingleton" 1.0), the singleton
/// instance `DeviceDetails` ("DeviceDetailsSingleton" 1.0) and `IOSWebView` ("IOSWebView" 1.0).
/// The program and the QML tests both call it; calling it again does nothing.
void RegisterApplicationQmlTypes();

} // namespace Quendle
