#include "Quendle/AppCommon/ImageResource.h"

#include "Quendle/Properties/Properties.h"

#include <QXmlStreamWriter>

cImageResource::cImageResource(QObject* parent, const QString& resourceId, const QString& name, QImage image,
    QByteArray rawData, QString subtype, const QString& group, const QStringList& tags, bool recolourable,
    QColor recolourableColour, const cConfigBase* config)
    : cResource(parent, resourceId, name, subtype + QStringLiteral(" image"), group, tags, config)
    , mSubtype(std::move(subtype))
    , mImage(std::move(image))
    , mRawData(std::move(rawData))
    , mSourceSizeProperty(nullptr)
    , mSizeInConfigProperty(nullptr)
    , mRecolourable(recolourable)
    , mRecolourableColour(recolourableColour)
{
    // Each goes before the entry the base put last, in this order.
    auto insert = [this](cStringProperty* property) { properties()->insert(properties()->count() - 1, property); };

    mSourceSizeProperty = new cStringProperty(
        QStringLiteral("Source size"), QStringLiteral("%1 x %2").arg(mImage.width()).arg(mImage.height()), this, false);
    if (mSubtype == SvgSubtype())
        mSourceSizeProperty->setVisible(false);
    insert(mSourceSizeProperty);

    mSizeInConfigProperty
        = new cStringProperty(QStringLiteral("Size in config"), SizeInConfigText(mRawData.size()), this, false);
    insert(mSizeInConfigProperty);

    insert(new cStringProperty(
        QStringLiteral("Recolourable"), mRecolourable ? QStringLiteral("Yes") : QStringLiteral("No"), this, false));
}

const QString& cImageResource::Type()
{
    static const QString type = QStringLiteral("image");
    return type;
}

const QString& cImageResource::SvgSubtype()
{
    static const QString subtype = QStringLiteral("svg");
    return subtype;
}

QString cImageResource::SizeInConfigText(qint64 rawDataSize)
{
    const qint64 base64Size = (rawDataSize + 2) / 3 * 4;
    if (base64Size <= 1024)
        return QString::number(base64Size) + QStringLiteral(" B");
    if (base64Size <= 1048576)
        return QString::number(double(base64Size) / 1024.0, 'f', 1) + QStringLiteral(" KB");
    return QString::number(double(base64Size) / 1048576.0, 'f', 1) + QStringLiteral(" MB");
}

void cImageResource::WriteXml(QXmlStreamWriter& writer, bool writeIds) const
{
    writer.writeStartElement(QStringLiteral("Resource"));
    if (writeIds)
        writer.writeAttribute(QStringLiteral("id"), resourceId());
    writer.writeAttribute(QStringLiteral("type"), Type());
    writer.writeAttribute(QStringLiteral("name"), Name());
    writer.writeAttribute(QStringLiteral("subtype"), mSubtype);
    const QStringList tags(Tags().begin(), Tags().end());
    writer.writeAttribute(QStringLiteral("tags"), tags.join(QLatin1Char(',')));
    if (mRecolourable)
        writer.writeAttribute(QStringLiteral("recolourableColour"), mRecolourableColour.name());
    writer.writeCharacters(QString::fromLatin1(mRawData.toBase64()));
    writer.writeEndElement();
}
