#include "Quendle/Widgets/Plain/RectangleWidget.h"

#include "Quendle/Properties/Properties.h"
#include "Quendle/Widgets/WidgetHelpers.h"
#include "Quendle/Widgets/WidgetXmlNames.h"

#include <QColor>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

cRectangleWidget::cRectangleWidget(int id, QObject* parent)
    : cWidget(id, parent)
    , mColour(new cColourProperty(QStringLiteral("Colour"), QColor(QStringLiteral("#000000")), this, true))
    , mRadius(new cSizeFractionProperty(QStringLiteral("Radius"), 0.0f, this, 0.0f, 1.0f))
    , mColourMode(new cComboProperty(
          QStringLiteral("Colour Mode"), 0, { QStringLiteral("Solid"), QStringLiteral("Gradient") }, this))
    , mGradientStyle(new cComboProperty(QStringLiteral("Gradient Style"), 0,
          { QStringLiteral("Top-to-bottom"), QStringLiteral("Left-to-right") }, this))
    , mGradientStart(
          new cColourProperty(QStringLiteral("Gradient Start"), QColor(QStringLiteral("#000000")), this, true))
    , mGradientEnd(new cColourProperty(QStringLiteral("Gradient End"), QColor(QStringLiteral("#000000")), this, true))
{
    AppendPropertyOrGroup(mRadius);
    AppendPropertyOrGroup(mColour);
    AppendPropertyOrGroup(mColourMode);
    AppendPropertyOrGroup(mGradientStyle);
    AppendPropertyOrGroup(mGradientStart);
    AppendPropertyOrGroup(mGradientEnd);

    connect(mColour, &cProperty::valueChanged, this, &cRectangleWidget::colourChanged);
    connect(mRadius, &cProperty::valueChanged, this, &cRectangleWidget::cornerRadiusChanged);
    connect(mColourMode, &cProperty::valueChanged, this, &cRectangleWidget::useGradientChanged);
    connect(mColourMode, &cProperty::valueChanged, this, &cRectangleWidget::SetPropertyVisibility);
    connect(mGradientStyle, &cProperty::valueChanged, this, &cRectangleWidget::gradientTopToBottomChanged);
    connect(mGradientStart, &cProperty::valueChanged, this, &cRectangleWidget::gradientColourStartChanged);
    connect(mGradientEnd, &cProperty::valueChanged, this, &cRectangleWidget::gradientColourEndChanged);

    SetPropertyVisibility();
}

cWidget* cRectangleWidget::CreateWidget(int id, QObject* parent, const cConfigBase&)
{
    auto* widget = new cRectangleWidget(id, parent);
    widget->Init();
    return widget;
}

const QString& cRectangleWidget::TypeKey()
{
    static const QString type = QStringLiteral("rect");
    return type;
}

void cRectangleWidget::LoadAttributes(QXmlStreamReader& reader)
{
    cWidget::LoadAttributes(reader);
    const QXmlStreamAttributes attributes = reader.attributes();
    for (const QXmlStreamAttribute& attribute : attributes) {
        const QStringRef name = attribute.name();
        const QStringRef value = attribute.value();
        if (name == WidgetXml::kColour)
            mColour->setStringValue(value.toString());
        else if (name == WidgetXml::kRadius)
            mRadius->setFloatValue(ReadFiniteFloat(value));
        else if (name == WidgetXml::kColourMode)
            mColourMode->setIntValue(value == QLatin1String("solid") ? 0 : 1);
        else if (name == WidgetXml::kGradientMode)
            mGradientStyle->setIntValue(value == QLatin1String("t-b") ? 0 : 1);
        else if (name == WidgetXml::kGradientStartColour)
            mGradientStart->setStringValue(value.toString());
        else if (name == WidgetXml::kGradientEndColour)
            mGradientEnd->setStringValue(value.toString());
    }
    SetPropertyVisibility();
}

void cRectangleWidget::WriteAttributes(QXmlStreamWriter& writer) const
{
    cWidget::WriteAttributes(writer);
    writer.writeAttribute(WidgetXml::kColour, colour());
    writer.writeAttribute(WidgetXml::kRadius, QString::number(double(cornerRadius()), 'g', 6));
    writer.writeAttribute(WidgetXml::kColourMode, useGradient() ? QStringLiteral("gradient") : QStringLiteral("solid"));
    writer.writeAttribute(
        WidgetXml::kGradientMode, gradientTopToBottom() ? QStringLiteral("t-b") : QStringLiteral("l-r"));
    writer.writeAttribute(WidgetXml::kGradientStartColour, gradientColourStart());
    writer.writeAttribute(WidgetXml::kGradientEndColour, gradientColourEnd());
}

QString cRectangleWidget::colour() const
{
    return mColour->stringValue();
}

float cRectangleWidget::cornerRadius() const
{
    return mRadius->FloatValue();
}

bool cRectangleWidget::useGradient() const
{
    return mColourMode->Index() != 0;
}

bool cRectangleWidget::gradientTopToBottom() const
{
    return mGradientStyle->Index() == 0;
}

QString cRectangleWidget::gradientColourStart() const
{
    return mGradientStart->stringValue();
}

QString cRectangleWidget::gradientColourEnd() const
{
    return mGradientEnd->stringValue();
}

void cRectangleWidget::SetPropertyVisibility()
{
    const bool gradient = useGradient();
    mColour->setVisible(!gradient);
    mGradientStyle->setVisible(gradient);
    mGradientStart->setVisible(gradient);
    mGradientEnd->setVisible(gradient);
}
