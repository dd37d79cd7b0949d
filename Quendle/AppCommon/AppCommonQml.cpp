#include "Quendle/AppCommon/AppCommonQml.h"

#include "Quendle/AppCommon/ConfigBase.h"
#include "Quendle/AppCommon/FoundUnitsManager.h"
#include "Quendle/AppCommon/QQmlObjectListModel.h"
#include "Quendle/AppCommon/QmlUnit.h"
#include "Quendle/AppCommon/QuendleFonts.h"

#include <QMetaType>
#include <QtQml>

namespace Quendle
{

void RegisterAppCommonQmlTypes()
{
    static bool registered = false;
    if (registered)
        return;
    registered = true;

    qRegisterMetaType<QQmlObjectListModelBase*>("QQmlObjectListModelBase*");

    qmlRegisterUncreatableType<cQmlUnit>(kQmlModule, kQmlModuleMajor, kQmlModuleMinor, "QmlUnit",
        QStringLiteral("Cannot instantiate cQmlUnit objects from qml"));
    qmlRegisterSingletonType<cQuendleFontsQml>(kQmlModule, kQmlModuleMajor, kQmlModuleMinor, "QuendleFonts",
        [](QQmlEngine*, QJSEngine*) -> QObject* { return new cQuendleFontsQml; });
    qRegisterMetaType<sUnit>("sUnit");
    qRegisterMetaType<cFoundUnitsManager*>("cFoundUnitsManager*");
    qRegisterMetaType<cQmlUnit*>("cQmlUnit*");
    qRegisterMetaType<cUserListEntry*>("cUserListEntry*");
    qRegisterMetaType<cConnectionUnit*>("cConnectionUnit*");
    qRegisterMetaType<cConfigUnit*>("cConfigUnit*");
    qRegisterMetaType<cConfigBase*>("cConfigBase*");
    qRegisterMetaType<cResource*>("cResource*");
    qRegisterMetaType<cImageResource*>("cImageResource*");
    qRegisterMetaType<QQmlObjectListModel<cQmlUnit>*>("QQmlObjectListModel<cQmlUnit>*");
    qRegisterMetaType<QQmlObjectListModel<cUserListEntry>*>("QQmlObjectListModel<cUserListEntry>*");
    qRegisterMetaType<QQmlObjectListModel<cConfigUnit>*>("QQmlObjectListModel<cConfigUnit>*");
    qRegisterMetaType<QQmlObjectListModel<cResource>*>("QQmlObjectListModel<cResource>*");
}

} // namespace Quendle
