#pragma once

#include <QLatin1String>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

class QStringRef;
class QXmlStreamWriter;
class cComboProperty;
class cConfigBase;
class cIntProperty;
class cLazyCombo;
class cLazyInt;

/// A (label, code) table: its labels fill a combo, and position i of the combo stands for code i.
class cCodeTable : public QList<QPair<QString, QString>>
{
public:
    using QList<QPair<QString, QString>>::QList;
    cCodeTable(const QList<QPair<QString, QString>>& rows)
        : QList<QPair<QString, QString>>(rows)
    {
    }

    QStringList Labels() const;
    QStringList Codes() const;
    /// The code at `index`; empty, with a trace, when the index is outside the table (an index can
    /// come from QML, or from a leaf's shorter table).
    QString CodeAt(int index) const;
    /// The code at the combo's selection; empty, with a trace, for no combo or an index outside.
    QString CodeOf(const cComboProperty* combo) const;
    QString CodeOf(const cLazyCombo* combo) const;
    /// The position of `code`; -1 when it is not there.
    int IndexOfCode(const QString& code) const;
    /// Selects the position of `code` in the combo (0 when it is not there), without announcing the
    /// change in advance; nothing for no combo.
    void SetCombo(const QString& code, cComboProperty* combo) const;
    void SetCombo(const QString& code, cLazyCombo* combo) const;
};

/// The code at `index` of a code list; empty, with a trace, when the index is outside it.
QString CodeAt(const QList<QString>& codes, int index);

/// A number attribute: text that is not a finite number ("nan", "inf", beyond float range, not a
/// number at all) reads as 0. `nonFinite`, when given, is set for "nan", "inf" and beyond range.
float ReadFiniteFloat(const QStringRef& text, bool* nonFinite = nullptr);
/// A decimal attribute: text that is not a number reads as 0.
int ReadInt(const QStringRef& text);
/// A text attribute cut to its first `maxLength` characters, never inside a surrogate pair.
QString ReadBoundedText(const QStringRef& text, int maxLength);

/// The configuration as the image properties and image lookups need it: they connect to its
/// resource signals, and its image test and id mapping are not const. The configuration outlives
/// its widgets.
cConfigBase& ImageHost(const cConfigBase& configuration);

/// The four channel attributes of a mixer-bound widget ("channelType", "channelNumber",
/// "destChannelType", "destChannelNumber") over the properties that hold them; the base declares the
/// numbers, the leaf the type combos, and any of them may be missing (null). Types are read and
/// written through the given tables; the request key looks both types up in the channel-type table.
struct sChannelAddress {
    cLazyCombo* mType = nullptr;
    cLazyInt* mNumber = nullptr;
    cLazyCombo* mDestType = nullptr;
    cLazyInt* mDestNumber = nullptr;

    /// The address over the properties a widget declared; those it left out are null.
    static sChannelAddress Of(cLazyCombo& type, cLazyInt& number, cLazyCombo& destType, cLazyInt& destNumber);

    /// Applies the attribute when it is one of the four; false, touching nothing, otherwise.
    bool Load(
        const QStringRef& name, const QStringRef& value, const cCodeTable& types, const cCodeTable& destTypes) const;
    /// Writes the four attributes, each one whose property exists.
    void Write(QXmlStreamWriter& writer, const cCodeTable& types, const cCodeTable& destTypes) const;

    // Request key parts: a type's code, a number counted from 0 (the editor counts from 1).
    QString TypePart(const cCodeTable& types) const { return types.CodeOf(mType); }
    QString DestTypePart(const cCodeTable& types) const { return types.CodeOf(mDestType); }
    QString NumberPart() const { return CountedFromZero(mNumber); }
    QString DestNumberPart() const { return CountedFromZero(mDestNumber); }
    /// The property's value less 1 in decimal; empty for no property.
    static QString CountedFromZero(const cLazyInt* number);
};
