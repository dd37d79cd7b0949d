#include "Quendle/AppCommon/AppCommonQml.h"

#include "Quendle/AppCommon/QQmlObjectListModel.h"

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
}

} // namespace Quendle
