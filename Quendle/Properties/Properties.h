#pragma once

#include "Quendle/Properties/Property.h"

#include <QColor>
#include <QList>
#include <QStringList>

class cImageResourceHost;

class cIntProperty : public cProperty
{
    Q_OBJECT

public:
    cIntProperty(const QString& name, int value, QObject* parent, int min, int max);

    int IntValue() const { return mValue; }
    int Min() const { return mMin; }
    int Max() const { return mMax; }

    QVariant value() const override { return mValue; }
    void setValue(const QVariant& value) override;
    QString stringValue() const override { return QString::number(mValue); }

public Q_SLOTS:
    virtual void SetIntValue(int value);

private:
    int mValue;
    int mMin;
    int mMax;
};

/// The number of tabs of a tab container: 1 to 10 in the editor.
class cNumberOfTabsProperty : public cIntProperty
{
    Q_OBJECT

public:
    cNumberOfTabsProperty(const QString& name, int value, QObject* parent);
};

class cFloatProperty : public cProperty
{
    Q_OBJECT

public:
    cFloatProperty(const QString& name, float value, QObject* parent, float min, float max);
    cFloatProperty(const QString& name, ePropertyType type, float value, QObject* parent, float min, float max);

    float FloatValue() const { return mValue; }
    float Min() const { return mMin; }
    float Max() const { return mMax; }

    QVariant value() const override { return mValue; }
    void setValue(const QVariant& value) override;
    /// Fixed, 4 decimals, trailing zeros and a trailing point removed.
    QString stringValue() const override;

    /// Text of a number in fixed notation with the trailing zeros and point removed.
    static QString TrimmedFixed(double value, int decimals);

public Q_SLOTS:
    void setFloatValue(float value);

private:
    float mValue;
    float mMin;
    float mMax;
};

/// A width or height as a fraction of the parent; its text is the percentage.
class cSizeFractionProperty : public cFloatProperty
{
    Q_OBJECT

public:
    cSizeFractionProperty(const QString& name, float value, QObject* parent, float min, float max);

    QString stringValue() const override;

Q_SIGNALS:
    /// Emitted by widgets that swap width and height; never by the property itself.
    void valueChangedInformGroup();
};

class cStringProperty : public cProperty
{
    Q_OBJECT

public:
    cStringProperty(const QString& name, const QString& text, QObject* parent, bool editable = true);
    cStringProperty(const QString& name, const QString& text, QObject* parent, ePropertyType type, bool editable);

    QVariant value() const override { return mText; }
    void setValue(const QVariant& value) override { setStringValue(value.toString()); }
    QString stringValue() const override { return mText; }
    void setStringValue(const QString& text) override;

private:
    QString mText;
};

class cTextBlockProperty : public cStringProperty
{
    Q_OBJECT

public:
    cTextBlockProperty(const QString& name, const QString& text, QObject* parent, bool editable = true);
};

class cColourProperty : public cProperty
{
    Q_OBJECT

public:
    cColourProperty(const QString& name, const QColor& colour, QObject* parent, bool editable = true);

    QColor ColourValue() const { return mColour; }

    QVariant value() const override { return mColour; }
    void setValue(const QVariant& value) override;
    /// "#rrggbb", or "#aarrggbb" when not fully opaque.
    QString stringValue() const override;
    void setStringValue(const QString& text) override;

public Q_SLOTS:
    /// An invalid colour is ignored.
    void setColourValue(const QColor& colour);

private:
    QColor mColour;
};

/// A font code of the font table ("lato" ...).
class cFontProperty : public cProperty
{
    Q_OBJECT

public:
    cFontProperty(const QString& name, const QString& fontCode, QObject* parent, bool editable = true);

    QVariant value() const override { return mFontCode; }
    void setValue(const QVariant& value) override { setStringValue(value.toString()); }
    QString stringValue() const override { return mFontCode; }
    void setStringValue(const QString& text) override;

private:
    QString mFontCode;
};

/// An index into a list of texts.
class cComboProperty : public cProperty
{
    Q_OBJECT
    Q_PROPERTY(QStringList comboValues READ comboValues NOTIFY comboValuesChanged)

public:
    cComboProperty(const QString& name, int index, const QStringList& entries, QObject* parent);

    int Index() const { return mIndex; }
    QStringList comboValues() const { return mEntries; }

    QVariant value() const override { return mIndex; }
    void setValue(const QVariant& value) override;
    /// The entry at the index; empty when the index is outside the list.
    QString stringValue() const override;

    /// The change rule on the index; silent leaves out ValueAboutToChange.
    void setIntValue(int index, bool silent = false);
    void UpdateComboValues(const QStringList& entries, int index, bool silent);
    void UpdateComboValuesAndIndexIfChanged(const QStringList& entries, int index);

Q_SIGNALS:
    void comboValuesChanged();

private:
    int mIndex;
    QStringList mEntries;
};

/// One entry of a code combo: the code stored and the text shown.
struct sCodeComboPair {
    QVariant code;
    QString text;

    bool operator==(const sCodeComboPair& other) const { return code == other.code && text == other.text; }
    bool operator!=(const sCodeComboPair& other) const { return !(*this == other); }
};

/// A code chosen from a list of (code, text) entries.
class cCodeComboProperty : public cProperty
{
    Q_OBJECT
    Q_PROPERTY(QStringList comboValues READ comboValues NOTIFY comboValuesChanged)
    Q_PROPERTY(int comboIndex READ comboIndex WRITE setComboIndex NOTIFY comboIndexChanged)

public:
    cCodeComboProperty(const QString& name, int initialCode, const QList<sCodeComboPair>& entries, QObject* parent);

    QStringList comboValues() const;
    /// Position of the first entry with the stored code; -1 when none.
    int comboIndex() const;
    void setComboIndex(int index);
    const QList<sCodeComboPair>& Entries() const { return mEntries; }

    QVariant value() const override { return mCode; }
    void setValue(const QVariant& value) override;
    /// Text of the entry with the stored code; empty when none.
    QString stringValue() const override;

    void UpdateComboValues(const QList<sCodeComboPair>& entries);

Q_SIGNALS:
    void comboValuesChanged();
    void comboIndexChanged();

private:
    QVariant mCode;
    QList<sCodeComboPair> mEntries;
};

/// The id of an image resource of the configuration ("_default" at first). Tells its widget when
/// the resource with its id comes, goes or changes.
class cImageProperty : public cProperty
{
    Q_OBJECT

public:
    cImageProperty(const QString& name, cImageResourceHost& configuration, QObject* parent);

    cImageResourceHost& Configuration() const { return mConfiguration; }

    QVariant value() const override { return mId; }
    void setValue(const QVariant& value) override { setStringValue(value.toString()); }
    QString stringValue() const override { return mId; }
    void setStringValue(const QString& text) override;

Q_SIGNALS:
    void ImageChanged();

private Q_SLOTS:
    void ResourceInserted(QString ResourceId);
    void ResourceRemoved(QString ResourceId);
    void ResourceChanged(QString ResourceId);

private:
    cImageResourceHost& mConfiguration;
    QString mId;
};
