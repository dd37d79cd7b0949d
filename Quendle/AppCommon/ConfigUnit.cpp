#include "Quendle/AppCommon/ConfigUnit.h"

#include "Quendle/AppCommon/ConfigBase.h"
#include "Quendle/Properties/Properties.h"
#include "ZUNet/Core/Trace.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <climits>

cConfigUnit::cConfigUnit(QObject* parent, int unitId, const QString& nameOrIpAddress, const QString& type,
    bool isPrimaryUnit, const QString& unitFinderIpAddress, const cConfigBase* config)
    : cConnectionUnit(parent, nameOrIpAddress, type, unitFinderIpAddress, config)
    , mProperties(new QQmlObjectListModel<cProperty>(this, QByteArray(), QByteArray()))
    , mUnitId(unitId)
    , mIsPrimaryUnit(isPrimaryUnit)
    , mConfig(config)
{
    mProperties->append(nameOrIpAddressProperty());
    mProperties->append(userFacingTypeProperty());
    if (mConfig) {
        auto* target = const_cast<cConfigBase*>(mConfig);
        connect(nameOrIpAddressProperty(), &cProperty::valueChanged, target, &cConfigBase::UnitsListChanged);
        connect(userFacingTypeProperty(), &cProperty::valueChanged, target, &cConfigBase::UnitsListChanged);
    }
}

cConfigUnit* cConfigUnit::CreateFromXML(QXmlStreamReader& reader, cConfigBase* config, QByteArray& password)
{
    qint64 id = -1;
    bool primary = false;
    QString nameOrIpAddress;
    QString type;
    QString unitFinderIpAddress;

    const QXmlStreamAttributes attributes = reader.attributes();
    for (const QXmlStreamAttribute& attribute : attributes) {
        const QStringRef key = attribute.name();
        if (key == QLatin1String("id")) {
            bool ok = false;
            const int value = attribute.value().toInt(&ok);
            if (!ok) {
                ZU_ERR("Error reading unit id '%s'", qPrintable(attribute.value().toString()));
                id = 0;
                break;
            }
            // The next unit id is this one plus one: the top of the range has none.
            if (value == INT_MAX) {
                ZU_ERR("Error reading unit id '%s'", qPrintable(attribute.value().toString()));
                reader.skipCurrentElement();
                return nullptr;
            }
            id = value;
        } else if (key == QLatin1String("nameOrIpAddress")) {
            nameOrIpAddress = attribute.value().toString();
        } else if (key == QLatin1String("type")) {
            type = attribute.value().toString();
        } else if (key == QLatin1String("unitFinderIpAddress")) {
            unitFinderIpAddress = attribute.value().toString();
        } else if (key == QLatin1String("password")) {
            password = QByteArray::fromBase64(attribute.value().toLatin1());
            if (password.size() != kPasswordLength) {
                ZU_ERR("Invalid password");
                password.clear();
                // The caller goes on with the next sibling.
                reader.skipCurrentElement();
                return nullptr;
            }
        } else if (key == QLatin1String("primaryUnit")) {
            bool ok = false;
            const int value = attribute.value().toInt(&ok);
            if (!ok)
                ZU_ERR("Error reading unit primaryUnit '%s'", qPrintable(attribute.value().toString()));
            primary = ok && value == 1;
        }
    }
    reader.skipCurrentElement();
    if (id == -1) {
        ZU_ERR("Unit id not found");
        return nullptr;
    }
    return new cConfigUnit(config, int(id), nameOrIpAddress, type, primary, unitFinderIpAddress, config);
}

void cConfigUnit::WriteXml(QXmlStreamWriter& writer, const QString& password) const
{
    writer.writeStartElement(QStringLiteral("Unit"));
    writer.writeAttribute(QStringLiteral("id"), QString::number(mUnitId));
    writer.writeAttribute(QStringLiteral("nameOrIpAddress"), NameOrIpAddress());
    writer.writeAttribute(QStringLiteral("type"), type());
    if (!password.isEmpty())
        writer.writeAttribute(QStringLiteral("password"), password);
    writer.writeAttribute(QStringLiteral("primaryUnit"), mIsPrimaryUnit ? QStringLiteral("1") : QStringLiteral("0"));
    writer.writeEndElement();
}

void cConfigUnit::SetPrimaryUnit()
{
    mIsPrimaryUnit = true;
    Q_EMIT isPrimaryUnitChanged();
}

void cConfigUnit::UnsetPrimaryUnit()
{
    mIsPrimaryUnit = false;
    Q_EMIT isPrimaryUnitChanged();
}

void cConfigUnit::SetSelected(bool selected)
{
    if (selected == mSelected)
        return;
    mSelected = selected;
    Q_EMIT selectedChanged();
}

void cConfigUnit::IsPrimaryUnitChanged()
{
    if (mIsPrimaryUnit) {
        nameOrIpAddressProperty()->setVisible(false);
        if (mConfig) {
            QQmlObjectListModel<cConfigUnit>* units = mConfig->units();
            for (int i = 0; i < units->count(); ++i) {
                cConfigUnit* other = units->at(i);
                if (other == this)
                    continue;
                other->mIsPrimaryUnit = false;
                Q_EMIT other->isPrimaryUnitChanged();
            }
        }
    } else {
        nameOrIpAddressProperty()->setVisible(true);
    }
    Q_EMIT isPrimaryUnitChanged();
}
