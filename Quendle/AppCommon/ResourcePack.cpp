#include "Quendle/AppCommon/ResourcePack.h"

#include "Quendle/AppCommon/ImageResource.h"

std::atomic<int> cResourcePackItem::mNextResourceId { 0 };

cResourcePackItem::cResourcePackItem(
    QObject* parent, const QString& name, QByteArray data, QString type, QString secondText, QStringList list)
    : QObject(parent)
    , mResourceId(mNextResourceId.fetch_add(1))
    , mData(std::move(data))
    , mName(name)
    , mType(std::move(type))
    , mSecondText(std::move(secondText))
    , mList(std::move(list))
{
}

QString cResourcePackItem::Text() const
{
    return QStringLiteral("NULL");
}

QColor cResourcePackItem::Colour() const
{
    // Not a colour name Qt knows: an invalid colour, as an item without one has.
    return QColor(QStringLiteral("0x000000"));
}

cResourcePackImage::cResourcePackImage(QObject* parent, const QString& name, QByteArray data, QImage image,
    QString text, QString secondText, QStringList list, bool recolourable, QColor colour)
    : cResourcePackItem(parent, name, std::move(data), cImageResource::Type(), std::move(secondText), std::move(list))
    , mText(std::move(text))
    , mImage(std::move(image))
    , mRecolourable(recolourable)
    , mColour(colour)
{
}
