#pragma once

#include <QObject>
#include <QString>
#include <QVariant>

/// A named setting shown to QML: a single property or a group of them.
class cPropertyBase : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString name READ name CONSTANT)
    Q_PROPERTY(bool isGroup READ isGroup CONSTANT)

public:
    cPropertyBase(const QString& name, QObject* parent);

    QString name() const { return mName; }
    // Not a slot: QML would see the method instead of the property of the same name.
    virtual bool isGroup() const = 0;

private:
    const QString mName;
};

/// One typed, editable value. Setters change and signal only on a real change
/// (ValueAboutToChange, store, valueChanged); minimum and maximum are for the editor and never
/// applied.
class cProperty : public cPropertyBase
{
    Q_OBJECT
    Q_PROPERTY(QVariant value READ value WRITE setValue NOTIFY valueChanged)
    Q_PROPERTY(QString stringValue READ stringValue WRITE setStringValue NOTIFY valueChanged)
    Q_PROPERTY(bool visible READ visible NOTIFY visibleChanged)
    Q_PROPERTY(bool editable READ editable NOTIFY editableChanged)
    Q_PROPERTY(ePropertyType type READ type CONSTANT)

public:
    enum ePropertyType {
        Int = 0,
        Float = 1,
        String = 2,
        Combo = 3,
        Group = 4,
        TextBlock = 5,
        Image = 6,
        Colour = 7,
        Font = 8,
        SizeFraction = 9,
        CustomMIDI = 10,
        CustomIP = 11,
        CodeCombo = 12,
    };
    Q_ENUM(ePropertyType)

    cProperty(const QString& name, ePropertyType type, QObject* parent, bool editable = true);

    ePropertyType type() const { return mType; }
    bool visible() const { return mVisible; }
    bool editable() const { return mEditable; }

    void setVisible(bool visible);
    void SetEditable(bool editable);

    bool isGroup() const override { return false; }

public Q_SLOTS:
    virtual QVariant value() const = 0;
    virtual void setValue(const QVariant& value) = 0;
    virtual QString stringValue() const = 0;
    virtual void setStringValue(const QString& text);
    virtual bool ExtraFlag() const { return mExtraFlag; }

Q_SIGNALS:
    void valueChanged();
    void ValueAboutToChange();
    void visibleChanged(bool visible);
    void editableChanged();

private:
    const ePropertyType mType;
    bool mVisible = true;
    bool mEditable;
    bool mExtraFlag = false;
};

using ePropertyType = cProperty::ePropertyType;
