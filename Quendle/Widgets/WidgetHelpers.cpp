#include "Quendle/Widgets/WidgetHelpers.h"

#include "Quendle/AppCommon/ConfigBase.h"
#include "Quendle/Properties/Properties.h"
#include "Quendle/Widgets/Base/LazyProperty.h"
#include "Quendle/Widgets/WidgetXmlNames.h"
#include "ZUNet/Core/Trace.h"

#include <QXmlStreamWriter>

#include <cmath>

QStringList cCodeTable::Labels() const
{
    QStringList labels;
    labels.reserve(size());
    for (const auto& row : *this)
        labels.append(row.first);
    return labels;
}

QStringList cCodeTable::Codes() const
{
    QStringList codes;
    codes.reserve(size());
    for (const auto& row : *this)
        codes.append(row.second);
    return codes;
}

QString cCodeTable::CodeAt(int index) const
{
    if (index >= 0 && index < size())
        return at(index).second;
    ZU_ERR("Index %d outside a table of %d codes", index, int(size()));
    return QString();
}

QString cCodeTable::CodeOf(const cComboProperty* combo) const
{
    return CodeAt(combo ? combo->Index() : -1);
}

QString cCodeTable::CodeOf(const cLazyCombo* combo) const
{
    return CodeAt(combo ? combo->Index() : -1);
}

int cCodeTable::IndexOfCode(const QString& code) const
{
    for (int i = 0; i < size(); ++i) {
        if (at(i).second == code)
            return i;
    }
    return -1;
}

void cCodeTable::SetCombo(const QString& code, cComboProperty* combo) const
{
    if (combo)
        combo->setIntValue(qMax(0, IndexOfCode(code)), false);
}

void cCodeTable::SetCombo(const QString& code, cLazyCombo* combo) const
{
    if (combo)
        combo->setIntValue(qMax(0, IndexOfCode(code)), false);
}

QString CodeAt(const QList<QString>& codes, int index)
{
    if (index >= 0 && index < codes.size())
        return codes.at(index);
    ZU_ERR("Index %d outside a list of %d codes", index, int(codes.size()));
    return QString();
}

float ReadFiniteFloat(const QStringRef& text, bool* nonFinite)
{
    bool ok = false;
    const float value = text.toFloat(&ok);
    // Beyond float range reads as infinite, with the conversion reported failed; "nan", "inf"
    // and such would place a view nowhere.
    if (!std::isfinite(value)) {
        if (nonFinite)
            *nonFinite = true;
        return 0.0f;
    }
    return ok ? value : 0.0f;
}

int ReadInt(const QStringRef& text)
{
    return text.toInt(nullptr, 10);
}

QString ReadBoundedText(const QStringRef& text, int maxLength)
{
    if (text.size() <= maxLength)
        return text.toString();
    const int length = text.at(maxLength - 1).isHighSurrogate() ? maxLength - 1 : maxLength;
    return text.left(length).toString();
}

cConfigBase& ImageHost(const cConfigBase& configuration)
{
    return const_cast<cConfigBase&>(configuration);
}

sChannelAddress sChannelAddress::Of(cLazyCombo& type, cLazyInt& number, cLazyCombo& destType, cLazyInt& destNumber)
{
    auto declared = [](auto& property) { return property ? &property : nullptr; };
    return { declared(type), declared(number), declared(destType), declared(destNumber) };
}

bool sChannelAddress::Load(
    const QStringRef& name, const QStringRef& value, const cCodeTable& types, const cCodeTable& destTypes) const
{
    auto number = [&value](cLazyInt* property) {
        if (property)
            property->SetIntValue(ReadInt(value));
    };
    if (name == WidgetXml::kChannelType)
        types.SetCombo(value.toString(), mType);
    else if (name == WidgetXml::kChannelNumber)
        number(mNumber);
    else if (name == WidgetXml::kDestChannelType)
        destTypes.SetCombo(value.toString(), mDestType);
    else if (name == WidgetXml::kDestChannelNumber)
        number(mDestNumber);
    else
        return false;
    return true;
}

void sChannelAddress::Write(QXmlStreamWriter& writer, const cCodeTable& types, const cCodeTable& destTypes) const
{
    auto combo = [&writer](QLatin1String name, const cCodeTable& table, const cLazyCombo* property) {
        if (property)
            writer.writeAttribute(name, table.CodeOf(property));
    };
    auto number = [&writer](QLatin1String name, const cLazyInt* property) {
        if (property)
            writer.writeAttribute(name, QString::number(property->IntValue()));
    };
    combo(WidgetXml::kChannelType, types, mType);
    number(WidgetXml::kChannelNumber, mNumber);
    combo(WidgetXml::kDestChannelType, destTypes, mDestType);
    number(WidgetXml::kDestChannelNumber, mDestNumber);
}

QString sChannelAddress::CountedFromZero(const cLazyInt* number)
{
    return number ? QString::number(number->IntValue() - 1) : QString();
}
