#include "Quendle/Widgets/WidgetsQml.h"

#include "Quendle/AppCommon/AppCommonQml.h"
#include "Quendle/AppCommon/QQmlObjectListModel.h"
#include "Quendle/Properties/PropertiesQml.h"
#include "Quendle/Widgets/Widget.h"

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
    qRegisterMetaType<QQmlObjectListModel<cWidget>*>("QQmlObjectListModel<cWidget>*");
    // Named for QML so that invokables taking a widget accept the objects QML holds.
    qmlRegisterUncreatableType<cWidget>(
        kQmlModule, kQmlModuleMajor, kQmlModuleMinor, "Widget", QStringLiteral("Cannot instantiate widgets from qml"));
}

} // namespace Quendle
