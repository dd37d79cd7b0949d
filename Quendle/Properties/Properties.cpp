#include "Quendle/Properties/Properties.h"

#include "Quendle/Properties/ImageResourceHost.h"
#include "ZUNet/Core/Trace.h"

#include <QRegularExpression>

cIntProperty::cIntProperty(const QString& name, int value, QObject* parent, int min, int max)
    : cProperty(name, Int, parent)
    , mValue(value)
    , mMin(min)
    , mMax(max)
{
}

void cIntProperty::SetIntValue(int value)
{
    if (value == mValue)
        return;
    Q_EMIT ValueAboutToChange();
    mValue = value;
    Q_EMIT valueChanged();
}

void cIntProperty::setValue(const QVariant& value)
{
    bool ok = false;
    const int converted = value.toInt(&ok);
    SetIntValue(ok ? converted : 0);
    if (!ok)
        ZU_ERR("Error setting property int");
}

cNumberOfTabsProperty::cNumberOfTabsProperty(const QString& name, int value, QObject* parent)
    : cIntProperty(name, value, parent, 1, 10)
{
}

cFloatProperty::cFloatProperty(const QString& name, float value, QObject* parent, float min, float max)
    : cFloatProperty(name, Float, value, parent, min, max)
{
}

cFloatProperty::cFloatProperty(
    const QString& name, ePropertyType type, float value, QObject* parent, float min, float max)
    : cProperty(name, type, parent)
    , mValue(value)
    , mMin(min)
    , mMax(max)
{
}

void cFloatProperty::setFloatValue(float value)
{
    // NaN never equals anything, so it always counts as a change.
    if (value == mValue)
        return;
    Q_EMIT ValueAboutToChange();
    mValue = value;
    Q_EMIT valueChanged();
}

void cFloatProperty::setValue(const QVariant& value)
{
    bool ok = false;
    const float converted = value.toFloat(&ok);
    setFloatValue(ok ? converted : 0.0f);
    if (!ok)
        ZU_ERR("Error setting property float");
}

QString cFloatProperty::TrimmedFixed(double value, int decimals)
{
    static const QRegularExpression trailingZeros(QStringLiteral("0+$"));
    static const QRegularExpression trailingPoint(QStringLiteral("\\.$"));
    QString text = QString::number(value, 'f', decimals);
    text.remove(trailingZeros);
    text.remove(trailingPoint);
    return text;
}

QString cFloatProperty::stringValue() const
{
    return TrimmedFixed(mValue, 4);
}

cSizeFractionProperty::cSizeFractionProperty(const QString& name, float value, QObject* parent, float min, float max)
    : cFloatProperty(name, SizeFraction, value, parent, min, max)
{
}

QString cSizeFractionProperty::stringValue() const
{
    return TrimmedFixed(double(FloatValue()) * 100.0, 2);
}

cStringProperty::cStringProperty(const QString& name, const QString& text, QObject* parent, bool editable)
    : cStringProperty(name, text, parent, String, editable)
{
}

cStringProperty::cStringProperty(
    const QString& name, const QString& text, QObject* parent, ePropertyType type, bool editable)
    : cProperty(name, type, parent, editable)
    , mText(text)
{
}

void cStringProperty::setStringValue(const QString& text)
{
    if (text == mText)
        return;
    Q_EMIT ValueAboutToChange();
    mText = text;
    Q_EMIT valueChanged();
}

cTextBlockProperty::cTextBlockProperty(const QString& name, const QString& text, QObject* parent, bool editable)
    : cStringProperty(name, text, parent, TextBlock, editable)
{
}

cColourProperty::cColourProperty(const QString& name, const QColor& colour, QObject* parent, bool editable)
    : cProperty(name, Colour, parent, editable)
    , mColour(colour.toRgb())
{
}

void cColourProperty::setColourValue(const QColor& colour)
{
    if (!colour.isValid())
        return;
    // Compared as RGB: the same colour given in another colour model is no change.
    const QColor rgb = colour.toRgb();
    if (rgb == mColour)
        return;
    Q_EMIT ValueAboutToChange();
    mColour = rgb;
    Q_EMIT valueChanged();
}

void cColourProperty::setValue(const QVariant& value)
{
    QColor colour;
    if (value.userType() == QMetaType::QColor)
        colour = value.value<QColor>();
    else if (value.userType() == QMetaType::QString || value.userType() == QMetaType::QByteArray)
        colour.setNamedColor(value.toString());
    setColourValue(colour);
}

QString cColourProperty::stringValue() const
{
    return mColour.name(mColour.alpha() == 255 ? QColor::HexRgb : QColor::HexArgb);
}

void cColourProperty::setStringValue(const QString& text)
{
    QColor colour;
    colour.setNamedColor(text);
    setColourValue(colour);
}

cFontProperty::cFontProperty(const QString& name, const QString& fontCode, QObject* parent, bool editable)
    : cProperty(name, Font, parent, editable)
    , mFontCode(fontCode)
{
}

void cFontProperty::setStringValue(const QString& text)
{
    if (text == mFontCode)
        return;
    Q_EMIT ValueAboutToChange();
    mFontCode = text;
    Q_EMIT valueChanged();
}

cComboProperty::cComboProperty(const QString& name, int index, const QStringList& entries, QObject* parent)
    : cProperty(name, Combo, parent)
    , mIndex(index)
    , mEntries(entries)
{
}

void cComboProperty::setIntValue(int index, bool silent)
{
    if (index == mIndex)
        return;
    if (!silent)
        Q_EMIT ValueAboutToChange();
    mIndex = index;
    Q_EMIT valueChanged();
}

void cComboProperty::setValue(const QVariant& value)
{
    bool ok = false;
    const int converted = value.toInt(&ok);
    setIntValue(ok ? converted : 0);
    if (!ok)
        ZU_ERR("Error setting property combo int");
}

QString cComboProperty::stringValue() const
{
    return (mIndex >= 0 && mIndex < mEntries.count()) ? mEntries.at(mIndex) : QString();
}

void cComboProperty::UpdateComboValues(const QStringList& entries, int index, bool silent)
{
    if (entries != mEntries) {
        if (!silent)
            Q_EMIT ValueAboutToChange();
        mEntries = entries;
        Q_EMIT comboValuesChanged();
        if (index == mIndex)
            Q_EMIT valueChanged();
    }
    setIntValue(index, silent);
}

void cComboProperty::UpdateComboValuesAndIndexIfChanged(const QStringList& entries, int index)
{
    if (entries == mEntries)
        return;
    Q_EMIT ValueAboutToChange();
    mEntries = entries;
    Q_EMIT comboValuesChanged();
    if (index == mIndex) {
        Q_EMIT valueChanged();
    } else {
        Q_EMIT ValueAboutToChange();
        mIndex = index;
        Q_EMIT valueChanged();
    }
}

cCodeComboProperty::cCodeComboProperty(
    const QString& name, int initialCode, const QList<sCodeComboPair>& entries, QObject* parent)
    : cProperty(name, CodeCombo, parent)
    , mCode(initialCode)
    , mEntries(entries)
{
}

QStringList cCodeComboProperty::comboValues() const
{
    QStringList texts;
    for (const sCodeComboPair& entry : mEntries)
        texts << entry.text;
    return texts;
}

int cCodeComboProperty::comboIndex() const
{
    for (int i = 0; i < mEntries.count(); ++i) {
        if (mEntries.at(i).code == mCode)
            return i;
    }
    return -1;
}

void cCodeComboProperty::setComboIndex(int index)
{
    if (index >= 0 && index < mEntries.count())
        setValue(mEntries.at(index).code);
}

void cCodeComboProperty::setValue(const QVariant& value)
{
    if (value == mCode)
        return;
    Q_EMIT ValueAboutToChange();
    mCode = value;
    Q_EMIT valueChanged();
    Q_EMIT comboIndexChanged();
}

QString cCodeComboProperty::stringValue() const
{
    const int index = comboIndex();
    return index >= 0 ? mEntries.at(index).text : QString();
}

void cCodeComboProperty::UpdateComboValues(const QList<sCodeComboPair>& entries)
{
    if (entries == mEntries)
        return;
    mEntries = entries;
    Q_EMIT comboValuesChanged();
    Q_EMIT comboIndexChanged();
}

cImageProperty::cImageProperty(const QString& name, cImageResourceHost& configuration, QObject* parent)
    : cProperty(name, Image, parent)
    , mConfiguration(configuration)
    , mId(QStringLiteral("_default"))
{
    connect(&configuration, &cImageResourceHost::ResourceInserted, this, &cImageProperty::ResourceInserted);
    connect(&configuration, &cImageResourceHost::ResourceRemoved, this, &cImageProperty::ResourceRemoved);
    connect(&configuration, &cImageResourceHost::ResourceChanged, this, &cImageProperty::ResourceChanged);
    connect(this, &cProperty::valueChanged, &configuration, &cImageResourceHost::ImageResourceIdChanged);
}

void cImageProperty::setStringValue(const QString& text)
{
    if (text == mId)
        return;
    Q_EMIT ValueAboutToChange();
    mId = text;
    Q_EMIT valueChanged();
}

void cImageProperty::ResourceInserted(QString ResourceId)
{
    if (ResourceId == mId)
        Q_EMIT ImageChanged();
}

void cImageProperty::ResourceRemoved(QString ResourceId)
{
    if (ResourceId == mId)
        Q_EMIT ImageChanged();
}

void cImageProperty::ResourceChanged(QString ResourceId)
{
    if (ResourceId == mId)
        Q_EMIT ImageChanged();
}
