#include "Quendle/Widgets/Plain/ImageWidget.h"

#include "Quendle/AppCommon/ConfigBase.h"
#include "Quendle/Properties/Properties.h"
#include "Quendle/Widgets/WidgetHelpers.h"
#include "Quendle/Widgets/WidgetXmlNames.h"

#include <QColor>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

cImageWidget::cImageWidget(int id, QObject* parent, const cConfigBase& configuration)
    : cWidget(id, parent)
    , mConfiguration(&configuration)
    , mImage(new cImageProperty(QStringLiteral("Image"), ImageHost(configuration), this))
    , mColour(new cColourProperty(QStringLiteral("Colour"), QColor(QStringLiteral("#D7D6D5")), this, true))
    , mOpacity(new cIntProperty(QStringLiteral("Opacity"), 100, this, 0, 100))
{
    AppendPropertyOrGroup(mImage);
    AppendPropertyOrGroup(mColour);
    AppendPropertyOrGroup(mOpacity);

    connect(mImage, &cProperty::valueChanged, this, &cImageWidget::imageIdentifierChanged);
    connect(mImage, &cProperty::valueChanged, this, &cImageWidget::SetPropertyVisibility);
    connect(mImage, &cImageProperty::ImageChanged, this, &cImageWidget::imageChanged);
    connect(mImage, &cImageProperty::ImageChanged, this, &cImageWidget::SetPropertyVisibility);
    connect(mColour, &cProperty::valueChanged, this, &cImageWidget::colourChanged);
    connect(mOpacity, &cProperty::valueChanged, this, &cImageWidget::opacityChanged);

    SetPropertyVisibility();
}

cWidget* cImageWidget::CreateWidget(int id, QObject* parent, const cConfigBase& configuration)
{
    auto* widget = new cImageWidget(id, parent, configuration);
    widget->Init();
    return widget;
}

const QString& cImageWidget::TypeKey()
{
    static const QString type = QStringLiteral("image");
    return type;
}

void cImageWidget::LoadAttributes(QXmlStreamReader& reader)
{
    cWidget::LoadAttributes(reader);
    const QXmlStreamAttributes attributes = reader.attributes();
    for (const QXmlStreamAttribute& attribute : attributes) {
        const QStringRef name = attribute.name();
        if (name == WidgetXml::kResourceId)
            mImage->setStringValue(ImageHost(*mConfiguration).MapResourceId(attribute.value().toString()));
        else if (name == WidgetXml::kColour)
            mColour->setStringValue(attribute.value().toString());
        else if (name == WidgetXml::kOpacity)
            mOpacity->SetIntValue(attribute.value().toInt(nullptr, 10));
    }
}

void cImageWidget::WriteAttributes(QXmlStreamWriter& writer) const
{
    cWidget::WriteAttributes(writer);
    writer.writeAttribute(WidgetXml::kResourceId, imageIdentifier());
    writer.writeAttribute(WidgetXml::kColour, colour());
    writer.writeAttribute(WidgetXml::kOpacity, QString::number(mOpacity->IntValue()));
}

QStringList cImageWidget::ImageIdentifiers()
{
    return { imageIdentifier() };
}

void cImageWidget::ReplaceImageId(const QString& oldId, const QString& newId)
{
    if (imageIdentifier() == oldId)
        mImage->setStringValue(newId);
}

QString cImageWidget::imageIdentifier() const
{
    return mImage->stringValue();
}

QString cImageWidget::colour() const
{
    return mColour->stringValue();
}

float cImageWidget::opacity() const
{
    return float(mOpacity->IntValue()) * 0.01f;
}

void cImageWidget::SetPropertyVisibility()
{
    mColour->setVisible(ImageHost(*mConfiguration).isImageRecolourable(imageIdentifier()));
}
