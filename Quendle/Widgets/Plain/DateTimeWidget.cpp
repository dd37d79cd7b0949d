#include "Quendle/Widgets/Plain/DateTimeWidget.h"

#include "Quendle/AppCommon/QuendleFonts.h"
#include "Quendle/Properties/Properties.h"
#include "Quendle/Widgets/WidgetXmlNames.h"

#include <QColor>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

const cDateTimeWidget::tCodeTable cDateTimeWidget::mFaceTypesToCodes {
    { QStringLiteral("Digital"), QStringLiteral("digital") },
    { QStringLiteral("Analogue"), QStringLiteral("analogue") },
    { QStringLiteral("Date Only"), QStringLiteral("date") },
};

const cDateTimeWidget::tCodeTable cDateTimeWidget::mDigitalTimeTypesToCodes {
    { QStringLiteral("24 Hour"), QStringLiteral("hh:mm:ss") },
    { QStringLiteral("24 Hour (No Seconds)"), QStringLiteral("hh:mm") },
    { QStringLiteral("12 Hour AM/PM"), QStringLiteral("h:mm:ss:a") },
    { QStringLiteral("12 Hour AM/PM (No Seconds)"), QStringLiteral("h:mm:a") },
};

const cDateTimeWidget::tCodeTable cDateTimeWidget::mAnalogueTimeTypesToCodes {
    { QStringLiteral("Show second hand"), QStringLiteral("hh:mm:ss") },
    { QStringLiteral("Hide second hand"), QStringLiteral("hh:mm") },
};

const cDateTimeWidget::tCodeTable cDateTimeWidget::mDateTypesToCodes {
    { QStringLiteral("dd.MM"), QStringLiteral("dd.MM") },
    { QStringLiteral("MM.dd"), QStringLiteral("MM.dd") },
    { QStringLiteral("dd.MM.yyyy"), QStringLiteral("dd.MM.yyyy") },
    { QStringLiteral("MM.dd.yyyy"), QStringLiteral("MM.dd.yyyy") },
    { QStringLiteral("yyyy.MM.dd"), QStringLiteral("yyyy.MM.dd") },
    { QStringLiteral("Day (short) dd Month (short) yyyy"), QStringLiteral("ddd dd MMM yyyy") },
    { QStringLiteral("Day (long) d Month (long) yyyy"), QStringLiteral("dddd d MMMM yyyy") },
    { QStringLiteral("Day (short), Month (short) dd, yyyy"), QStringLiteral("ddd, MMM dd, yyyy") },
    { QStringLiteral("Day (long), Month (long) d, yyyy"), QStringLiteral("dddd, MMMM d, yyyy") },
    { QStringLiteral("yyyy, Month (short) dd, Day(short)"), QStringLiteral("yyyy, MMM dd, ddd") },
    { QStringLiteral("yyyy, Month (long) d, Day(long)"), QStringLiteral("yyyy, MMMM d, dddd") },
    { QStringLiteral("Hidden"), QStringLiteral("hidden") },
    { QStringLiteral("Custom"), QStringLiteral("custom") },
};

const cDateTimeWidget::tCodeTable cDateTimeWidget::mYesNoTypesToCodes {
    { QStringLiteral("Yes"), QStringLiteral("yes") },
    { QStringLiteral("No"), QStringLiteral("no") },
};

cDateTimeWidget::cDateTimeWidget(int id, QObject* parent)
    : cWidget(id, parent)
    , mFaceFormat(new cComboProperty(QStringLiteral("Face Format"), 0, mFaceTypesToCodes.Labels(), this))
    , mDigitalTime(new cComboProperty(QStringLiteral("Digital Time"), 0, mDigitalTimeTypesToCodes.Labels(), this))
    , mAnalogueTime(new cComboProperty(QStringLiteral("Analogue Time"), 0, mAnalogueTimeTypesToCodes.Labels(), this))
    , mDateFormat(new cComboProperty(QStringLiteral("Date Format"), 0, mDateTypesToCodes.Labels(), this))
    , mShowBorder(new cComboProperty(QStringLiteral("Show Border"), 0, mYesNoTypesToCodes.Labels(), this))
    , mFont(new cFontProperty(QStringLiteral("Font"), cQuendleFonts::mDefaultFontCode, this, true))
    , mColour(new cColourProperty(QStringLiteral("Colour"), QColor(QStringLiteral("black")), this, true))
    , mBackgroundColour(
          new cColourProperty(QStringLiteral("Background Colour"), QColor(QStringLiteral("white")), this, true))
    , mBorderColour(new cColourProperty(QStringLiteral("Border Colour"), QColor(QStringLiteral("black")), this, true))
    , mRadius(new cSizeFractionProperty(QStringLiteral("Radius"), 0.0f, this, 0.0f, 1.0f))
    , mCustomDateFormat(new cStringProperty(QStringLiteral("Custom Date Format"), QString(), this, true))
{
    mCustomDateFormat->setStringValue(QStringLiteral("dd/MM/yy"));

    AppendPropertyOrGroup(mFaceFormat);
    AppendPropertyOrGroup(mDigitalTime);
    AppendPropertyOrGroup(mAnalogueTime);
    AppendPropertyOrGroup(mDateFormat);
    AppendPropertyOrGroup(mCustomDateFormat);
    AppendPropertyOrGroup(mFont);
    AppendPropertyOrGroup(mColour);
    AppendPropertyOrGroup(mBackgroundColour);
    AppendPropertyOrGroup(mShowBorder);
    AppendPropertyOrGroup(mBorderColour);
    AppendPropertyOrGroup(mRadius);

    connect(mFaceFormat, &cProperty::valueChanged, this, &cDateTimeWidget::faceFormatChanged);
    connect(mFaceFormat, &cProperty::valueChanged, this, &cDateTimeWidget::timeFormatChanged);
    connect(mFaceFormat, &cProperty::valueChanged, this, &cDateTimeWidget::SetPropertyVisibility);
    connect(mDigitalTime, &cProperty::valueChanged, this, &cDateTimeWidget::timeFormatChanged);
    connect(mAnalogueTime, &cProperty::valueChanged, this, &cDateTimeWidget::timeFormatChanged);
    connect(mDateFormat, &cProperty::valueChanged, this, &cDateTimeWidget::selectedDateFormatChanged);
    connect(mDateFormat, &cProperty::valueChanged, this, &cDateTimeWidget::SetPropertyVisibility);
    connect(mCustomDateFormat, &cProperty::valueChanged, this, &cDateTimeWidget::selectedDateFormatChanged);
    connect(mShowBorder, &cProperty::valueChanged, this, &cDateTimeWidget::showBorderChanged);
    connect(mShowBorder, &cProperty::valueChanged, this, &cDateTimeWidget::SetPropertyVisibility);
    connect(mFont, &cProperty::valueChanged, this, &cDateTimeWidget::fontChanged);
    connect(mColour, &cProperty::valueChanged, this, &cDateTimeWidget::colourChanged);
    connect(mBackgroundColour, &cProperty::valueChanged, this, &cDateTimeWidget::backgroundColourChanged);
    connect(mBorderColour, &cProperty::valueChanged, this, &cDateTimeWidget::borderColourChanged);
    connect(mRadius, &cProperty::valueChanged, this, &cDateTimeWidget::cornerRadiusChanged);

    SetPropertyVisibility();
}

cWidget* cDateTimeWidget::CreateWidget(int id, QObject* parent, const cConfigBase&)
{
    auto* widget = new cDateTimeWidget(id, parent);
    widget->Init();
    return widget;
}

const QString& cDateTimeWidget::TypeKey()
{
    static const QString type = QStringLiteral("datetime");
    return type;
}

void cDateTimeWidget::LoadAttributes(QXmlStreamReader& reader)
{
    cWidget::LoadAttributes(reader);
    const QXmlStreamAttributes attributes = reader.attributes();
    for (const QXmlStreamAttribute& attribute : attributes) {
        const QStringRef name = attribute.name();
        const QString value = attribute.value().toString();
        if (name == WidgetXml::kFaceFormat)
            mFaceTypesToCodes.SetCombo(value, mFaceFormat);
        else if (name == WidgetXml::kDigitalTimeFormat)
            mDigitalTimeTypesToCodes.SetCombo(value, mDigitalTime);
        else if (name == WidgetXml::kAnalogueTimeFormat)
            mAnalogueTimeTypesToCodes.SetCombo(value, mAnalogueTime);
        else if (name == WidgetXml::kDateFormat)
            mDateTypesToCodes.SetCombo(value, mDateFormat);
        else if (name == WidgetXml::kCustomDateFormat)
            mCustomDateFormat->setStringValue(ReadBoundedText(attribute.value(), kMaxCustomDateFormatLength));
        else if (name == WidgetXml::kShowBorder)
            mYesNoTypesToCodes.SetCombo(value, mShowBorder);
        else if (name == WidgetXml::kTextFont)
            mFont->setStringValue(value);
        else if (name == WidgetXml::kColour)
            mColour->setStringValue(value);
        else if (name == WidgetXml::kBackgroundColour)
            mBackgroundColour->setStringValue(value);
        else if (name == WidgetXml::kBorderColour)
            mBorderColour->setStringValue(value);
        else if (name == WidgetXml::kRadius)
            mRadius->setFloatValue(ReadFiniteFloat(attribute.value()));
    }
}

void cDateTimeWidget::WriteAttributes(QXmlStreamWriter& writer) const
{
    cWidget::WriteAttributes(writer);
    writer.writeAttribute(WidgetXml::kFaceFormat, faceFormat());
    writer.writeAttribute(WidgetXml::kDigitalTimeFormat, mDigitalTimeTypesToCodes.CodeOf(mDigitalTime));
    writer.writeAttribute(WidgetXml::kAnalogueTimeFormat, mAnalogueTimeTypesToCodes.CodeOf(mAnalogueTime));
    writer.writeAttribute(WidgetXml::kDateFormat, dateFormat());
    writer.writeAttribute(WidgetXml::kCustomDateFormat, customDateFormatString());
    writer.writeAttribute(WidgetXml::kShowBorder, mYesNoTypesToCodes.CodeOf(mShowBorder));
    writer.writeAttribute(WidgetXml::kTextFont, font());
    writer.writeAttribute(WidgetXml::kColour, colour());
    writer.writeAttribute(WidgetXml::kBackgroundColour, backgroundColour());
    writer.writeAttribute(WidgetXml::kBorderColour, borderColour());
    writer.writeAttribute(WidgetXml::kRadius, QString::number(double(cornerRadius()), 'g', 6));
}

QString cDateTimeWidget::faceFormat() const
{
    return mFaceTypesToCodes.CodeOf(mFaceFormat);
}

QString cDateTimeWidget::timeFormat() const
{
    if (faceFormat() == QLatin1String("digital"))
        return mDigitalTimeTypesToCodes.CodeOf(mDigitalTime);
    return mAnalogueTimeTypesToCodes.CodeOf(mAnalogueTime);
}

QString cDateTimeWidget::dateFormat() const
{
    return mDateTypesToCodes.CodeOf(mDateFormat);
}

QString cDateTimeWidget::getSelectedDateFormat() const
{
    const QString code = dateFormat();
    return code == QLatin1String("custom") ? customDateFormatString() : code;
}

QString cDateTimeWidget::customDateFormatString() const
{
    return mCustomDateFormat->stringValue();
}

QString cDateTimeWidget::font() const
{
    return mFont->stringValue();
}

QString cDateTimeWidget::colour() const
{
    return mColour->stringValue();
}

QString cDateTimeWidget::backgroundColour() const
{
    return mBackgroundColour->stringValue();
}

QString cDateTimeWidget::borderColour() const
{
    return mBorderColour->stringValue();
}

bool cDateTimeWidget::showBorder() const
{
    return mYesNoTypesToCodes.CodeOf(mShowBorder) == QLatin1String("yes");
}

float cDateTimeWidget::cornerRadius() const
{
    return mRadius->FloatValue();
}

void cDateTimeWidget::SetPropertyVisibility()
{
    const QString face = faceFormat();
    if (face == QLatin1String("digital")) {
        mDigitalTime->setVisible(true);
        mAnalogueTime->setVisible(false);
        mRadius->setVisible(true);
    } else if (face == QLatin1String("analogue")) {
        mDigitalTime->setVisible(false);
        mAnalogueTime->setVisible(true);
        mRadius->setVisible(false);
    } else if (face == QLatin1String("date")) {
        mDigitalTime->setVisible(false);
        mAnalogueTime->setVisible(false);
        mRadius->setVisible(true);
    }
    mBorderColour->setVisible(mYesNoTypesToCodes.CodeOf(mShowBorder) != QLatin1String("no"));
    mCustomDateFormat->setVisible(dateFormat() == QLatin1String("custom"));
}
