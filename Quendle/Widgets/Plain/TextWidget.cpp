#include "Quendle/Widgets/Plain/TextWidget.h"

#include "Quendle/AppCommon/QuendleFonts.h"
#include "Quendle/Properties/Properties.h"
#include "Quendle/Widgets/WidgetHelpers.h"
#include "Quendle/Widgets/WidgetXmlNames.h"

#include <QColor>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

cTextWidget::cTextWidget(int id, QObject* parent)
    : cWidget(id, parent)
    , mText(new cTextBlockProperty(QStringLiteral("Text"), QStringLiteral("Text..."), this, true))
    , mTextColour(new cColourProperty(QStringLiteral("Text Colour"), QColor(QStringLiteral("#000000")), this, true))
    , mBackgroundColour(new cColourProperty(QStringLiteral("Background Colour"), QColor(255, 255, 255, 0), this, true))
    , mRadius(new cSizeFractionProperty(QStringLiteral("Radius"), 0.0f, this, 0.0f, 1.0f))
    , mAlign(new cComboProperty(QStringLiteral("Align"), 0,
          { QStringLiteral("Left"), QStringLiteral("Center"), QStringLiteral("Right") }, this))
    , mFont(new cFontProperty(QStringLiteral("Font"), cQuendleFonts::mDefaultFontCode, this, true))
{
    AppendPropertyOrGroup(mRadius);
    AppendPropertyOrGroup(mText);
    AppendPropertyOrGroup(mAlign);
    AppendPropertyOrGroup(mFont);
    AppendPropertyOrGroup(mTextColour);
    AppendPropertyOrGroup(mBackgroundColour);

    connect(mText, &cProperty::valueChanged, this, &cTextWidget::textChanged);
    connect(mTextColour, &cProperty::valueChanged, this, &cTextWidget::textColourChanged);
    connect(mAlign, &cProperty::valueChanged, this, &cTextWidget::textAlignmentChanged);
    connect(mFont, &cProperty::valueChanged, this, &cTextWidget::textFontChanged);
    connect(mBackgroundColour, &cProperty::valueChanged, this, &cTextWidget::backgroundColourChanged);
    connect(mRadius, &cProperty::valueChanged, this, &cTextWidget::cornerRadiusChanged);
}

cWidget* cTextWidget::CreateWidget(int id, QObject* parent, const cConfigBase&)
{
    auto* widget = new cTextWidget(id, parent);
    widget->Init();
    return widget;
}

const QString& cTextWidget::TypeKey()
{
    static const QString type = QStringLiteral("text");
    return type;
}

const QStringList& cTextWidget::AlignmentCodes()
{
    static const QStringList codes { QStringLiteral("left"), QStringLiteral("center"), QStringLiteral("right") };
    return codes;
}

void cTextWidget::LoadAttributes(QXmlStreamReader& reader)
{
    cWidget::LoadAttributes(reader);
    const QXmlStreamAttributes attributes = reader.attributes();
    for (const QXmlStreamAttribute& attribute : attributes) {
        const QStringRef name = attribute.name();
        const QStringRef value = attribute.value();
        if (name == WidgetXml::kText)
            mText->setStringValue(ReadBoundedText(value, kMaxTextLength));
        else if (name == WidgetXml::kTextColour)
            mTextColour->setStringValue(value.toString());
        else if (name == WidgetXml::kTextAlignment)
            SetComboPropertyIndex(value.toString(), AlignmentCodes(), mAlign);
        else if (name == WidgetXml::kTextFont)
            mFont->setStringValue(value.toString());
        else if (name == WidgetXml::kBackgroundColour)
            mBackgroundColour->setStringValue(value.toString());
        else if (name == WidgetXml::kRadius)
            mRadius->setFloatValue(ReadFiniteFloat(value));
    }
}

void cTextWidget::WriteAttributes(QXmlStreamWriter& writer) const
{
    cWidget::WriteAttributes(writer);
    writer.writeAttribute(WidgetXml::kText, text());
    writer.writeAttribute(WidgetXml::kTextColour, textColour());
    writer.writeAttribute(WidgetXml::kTextAlignment, AlignmentCode());
    writer.writeAttribute(WidgetXml::kTextFont, textFont());
    writer.writeAttribute(WidgetXml::kBackgroundColour, backgroundColour());
    writer.writeAttribute(WidgetXml::kRadius, QString::number(double(cornerRadius()), 'g', 6));
}

QString cTextWidget::AlignmentCode() const
{
    const int index = mAlign->Index();
    return index >= 0 && index < AlignmentCodes().size() ? AlignmentCodes().at(index) : QString();
}

QString cTextWidget::text() const
{
    return mText->stringValue();
}

QString cTextWidget::textColour() const
{
    return mTextColour->stringValue();
}

QString cTextWidget::backgroundColour() const
{
    return mBackgroundColour->stringValue();
}

float cTextWidget::cornerRadius() const
{
    return mRadius->FloatValue();
}

int cTextWidget::textAlignment() const
{
    const QString code = AlignmentCode();
    if (code == QLatin1String("left"))
        return Qt::AlignLeft;
    if (code == QLatin1String("right"))
        return Qt::AlignRight;
    return Qt::AlignHCenter;
}

QString cTextWidget::textFont() const
{
    return mFont->stringValue();
}
