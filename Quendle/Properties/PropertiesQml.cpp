#include "Quendle/Properties/PropertiesQml.h"

#include "Quendle/Properties/PropertyGroup.h"
#include "Quendle/Properties/QmlModule.h"

#include <QtQml>

namespace Quendle
{

void RegisterPropertiesQmlTypes()
{
    static bool registered = false;
    if (registered)
        return;
    registered = true;

    qRegisterMetaType<cPropertyBase*>("cPropertyBase*");
    qRegisterMetaType<cProperty*>("cProperty*");
    qRegisterMetaType<cPropertyGroup*>("cPropertyGroup*");
    qmlRegisterUncreatableType<cProperty>(kQmlModule, kQmlModuleMajor, kQmlModuleMinor, "Property",
        QStringLiteral("Cannot instantiate properties from qml"));
}

} // namespace Quendle
