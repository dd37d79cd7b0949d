#include "Quendle/AppCommon/DefaultImageResource.h"

#include "Quendle/AppCommon/ImageResource.h"

cDefaultImageResource::cDefaultImageResource(
    QObject* parent, const QString& resourceId, const QString& name, const cConfigBase* config)
    : cResource(parent, resourceId, name, QStringLiteral("Default image"), QString(),
        QStringList { QStringLiteral("default") }, config)
{
}

QString cDefaultImageResource::type() const
{
    return cImageResource::Type();
}

void cDefaultImageResource::WriteXml(QXmlStreamWriter&, bool) const { }
