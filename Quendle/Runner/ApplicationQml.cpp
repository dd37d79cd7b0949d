#include "Quendle/Runner/ApplicationQml.h"

#include "Quendle/AppCommon/AppCommonQml.h"
#include "Quendle/Runner/MainActivity.h"
#include "Quendle/Runner/PanelLEDControlHelper.h"
#include "ZUNet/QT/NetworkMetaTypes.h"

#include <QMetaType>
#include <QtQml>

namespace Quendle
{

void RegisterApplicationQmlTypes()
{
    static bool registered = false;
    if (registered)
        return;
    registered = true;

    RegisterNetworkMetaTypes();
    RegisterAppCommonQmlTypes();

    qmlRegisterSingletonType<cMainActivity>(
        "MainActivitySingleton", 1, 0, "MainActivity", &cMainActivity::CreateSingleton);
    // The first call makes it: not a panel PC, no screen size.
    qmlRegisterSingletonInstance<cPanelLEDControlHelper>(
        "DeviceDetailsSingleton", 1, 0, "DeviceDetails", cPanelLEDControlHelper::CreateSingleton(false, 0.0));
    qmlRegisterType<cDummyWebView>("IOSWebView", 1, 0, "IOSWebView");
}

} // namespace Quendle
