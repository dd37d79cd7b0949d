#include "Quendle/Widgets/WidgetsQml.h"

#include "Quendle/AppCommon/AppCommonQml.h"
#include "Quendle/AppCommon/QQmlObjectListModel.h"
#include "Quendle/Properties/PropertiesQml.h"
#include "Quendle/Widgets/Base/Container.h"
#include "Quendle/Widgets/Base/Tab.h"
#include "Quendle/Widgets/Base/TabContainer.h"
#include "Quendle/Widgets/Base/Widget.h"

#include <QtQml>

namespace Quendle
{

void RegisterWidgetsQmlTypes()
{
    static bool registered = false;
    if (registered)
        return;
    registered = true;

    RegisterAppCommonQmlTypes();
    RegisterPropertiesQmlTypes();

    qRegisterMetaType<cWidget*>("cWidget*");
    qRegisterMetaType<cTab*>("cTab*");
    qRegisterMetaType<QQmlObjectListModel<cWidget>*>("QQmlObjectListModel<cWidget>*");
    qRegisterMetaType<QQmlObjectListModel<cTab>*>("QQmlObjectListModel<cTab>*");
    // Named for QML so that invokables taking a widget accept the objects QML holds.
    qmlRegisterUncreatableType<cWidget>(
        kQmlModule, kQmlModuleMajor, kQmlModuleMinor, "Widget", QStringLiteral("Cannot instantiate widgets from qml"));
    // Known to QML without a name: "Container" and "Tab" are names of the Qt Quick Controls.
    qmlRegisterAnonymousType<cContainer>(kQmlModule, kQmlModuleMajor);
    qmlRegisterAnonymousType<cTabContainer>(kQmlModule, kQmlModuleMajor);
    qmlRegisterAnonymousType<cTab>(kQmlModule, kQmlModuleMajor);
}

} // namespace Quendle
