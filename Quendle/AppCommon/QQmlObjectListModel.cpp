#include "Quendle/AppCommon/QQmlObjectListModel.h"

#include <QDebug>

bool QQmlObjectListModelBase::IsForbiddenRoleName(const QByteArray& name)
{
    static const QList<QByteArray> forbidden { QByteArrayLiteral("id"), QByteArrayLiteral("index"),
        QByteArrayLiteral("class"), QByteArrayLiteral("model"), QByteArrayLiteral("modelData") };
    return forbidden.contains(name);
}

void QQmlObjectListModelBase::WarnForbiddenRoleName(const QByteArray& name, const QByteArray& modelClassName)
{
    qWarning().noquote() << "Can't have" << name << "as a role name in" << modelClassName;
}
