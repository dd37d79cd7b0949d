#pragma once

#include "Quendle/Properties/Properties.h"

#include <QColor>
#include <QString>
#include <QStringList>

class cImageResourceHost;
class cImageWatch;
class cWidget;

/// One entry of a widget's property tree while the tree does not exist yet: the widget keeps them
/// in order and asks each for its item when the tree is first wanted.
class cWidgetTreeEntry
{
public:
    cWidgetTreeEntry(const cWidgetTreeEntry&) = delete;
    cWidgetTreeEntry& operator=(const cWidgetTreeEntry&) = delete;

    /// The item for the tree; a lazy property makes its object now.
    virtual cPropertyBase* TreeItem() = 0;
    /// The object an entry holds for a widget that appended it early; null for a lazy property.
    virtual cPropertyBase* HeldObject() const { return nullptr; }

protected:
    cWidgetTreeEntry() = default;
    ~cWidgetTreeEntry() = default;

private:
    friend class cWidget;
    cWidgetTreeEntry* mNextEntry = nullptr;
};

/// An editor property of a widget kept as a plain value until its property object is asked for
/// (`->`, `Object()` or the widget's tree): a runner shows thousands of widgets and edits none, and
/// a property object with its connections costs several times the value.
///
/// While plain, a change follows the property class's own rule (only a real change counts) and
/// calls the reaction given to `Connect` at once, as the connection to the object's `valueChanged`
/// would; the visibility is kept too. Once made, the object holds both and the reaction is such a
/// connection. The widget reads and writes through the handle's own functions (`.`), which never
/// make the object. Declared by the widget that has it, on the widget's thread.
class cLazyPropertyBase : public cWidgetTreeEntry
{
public:
    /// Whether the widget has declared it (a leaf may leave a base's property out).
    explicit operator bool() const { return mOwner != nullptr; }
    bool IsMade() const { return mObject != nullptr; }

    bool visible() const { return mObject ? mObject->visible() : mVisible; }
    void setVisible(bool visible);

    /// Calls `reaction` of the owner on every change from now on.
    template <class tWidget> void Connect(void (tWidget::*reaction)())
    {
        AddReaction(static_cast<tReaction>(reaction));
    }

    /// The property object, made on the first call.
    cProperty* Property();
    cPropertyBase* TreeItem() override { return Property(); }

protected:
    using tReaction = void (cWidget::*)();

    cLazyPropertyBase() = default;
    ~cLazyPropertyBase();

    /// Enters the property in `owner`'s tree, at its front or after what is there.
    void Enter(cWidget& owner, const char* label, bool front = false);
    /// The object with the value held so far, a child of `owner`; the base sets its visibility and
    /// connects the reaction.
    virtual cProperty* MakeObject(cWidget& owner, const QString& label) = 0;
    /// After a plain change: the reaction.
    void Changed();

    cWidget* mOwner = nullptr;
    cProperty* mObject = nullptr;

private:
    void AddReaction(tReaction reaction);

    const char* mLabel = nullptr;
    tReaction mReaction = nullptr;
    bool mVisible = true;
};

/// The typed part: `->` and `Object()` make the object, `Made()` is it or null.
template <class tProperty> class cLazyTyped : public cLazyPropertyBase
{
public:
    tProperty* operator->() { return Object(); }
    tProperty* Object() { return static_cast<tProperty*>(Property()); }

protected:
    const tProperty* Made() const { return static_cast<const tProperty*>(mObject); }
    tProperty* Made() { return static_cast<tProperty*>(mObject); }
};

/// A number with its editor range: `cIntProperty` or `cSizeFractionProperty`.
template <class tProperty, class tNumber> class cLazyNumber : public cLazyTyped<tProperty>
{
public:
    void Declare(cWidget& owner, const char* label, tNumber value, tNumber min, tNumber max)
    {
        mValue = value;
        mMin = min;
        mMax = max;
        this->Enter(owner, label);
    }

protected:
    tNumber Number(tNumber (tProperty::*get)() const) const { return this->mObject ? (this->Made()->*get)() : mValue; }
    /// The property's change rule (NaN never equals anything, so it always counts as a change).
    void SetNumber(tNumber value, void (tProperty::*set)(tNumber))
    {
        if (this->mObject) {
            (this->Made()->*set)(value);
            return;
        }
        if (value == mValue)
            return;
        mValue = value;
        this->Changed();
    }

private:
    cProperty* MakeObject(cWidget& owner, const QString& label) override
    {
        return new tProperty(label, mValue, &owner, mMin, mMax);
    }

    tNumber mValue {};
    tNumber mMin {};
    tNumber mMax {};
};

/// A `cIntProperty`.
class cLazyInt : public cLazyNumber<cIntProperty, int>
{
public:
    int IntValue() const { return Number(&cIntProperty::IntValue); }
    void SetIntValue(int value) { SetNumber(value, &cIntProperty::SetIntValue); }
    QString stringValue() const { return QString::number(IntValue()); }
};

/// A `cSizeFractionProperty`.
class cLazySizeFraction : public cLazyNumber<cSizeFractionProperty, float>
{
public:
    float FloatValue() const { return Number(&cSizeFractionProperty::FloatValue); }
    void setFloatValue(float value) { SetNumber(value, &cSizeFractionProperty::setFloatValue); }
};

/// A property whose value is a text: `cStringProperty`, `cFontProperty` or `cImageProperty`.
template <class tProperty> class cLazyText : public cLazyTyped<tProperty>
{
public:
    QString stringValue() const { return this->mObject ? this->Made()->stringValue() : mText; }
    void setStringValue(const QString& text)
    {
        if (this->mObject) {
            this->Made()->setStringValue(text);
            return;
        }
        if (text == mText)
            return;
        mText = text;
        TextChanged();
    }

protected:
    virtual void TextChanged() { this->Changed(); }

    QString mText;
};

/// A `cStringProperty`.
class cLazyString : public cLazyText<cStringProperty>
{
public:
    void Declare(cWidget& owner, const char* label, const QString& text);

private:
    cProperty* MakeObject(cWidget& owner, const QString& label) override;
};

/// A `cFontProperty` (a code of the font table).
class cLazyFont : public cLazyText<cFontProperty>
{
public:
    void Declare(cWidget& owner, const char* label, const QString& fontCode);

private:
    cProperty* MakeObject(cWidget& owner, const QString& label) override;
};

/// A `cImageProperty` (an image id of the configuration, "_default" at first). Its resource comes,
/// goes or changes: while plain, one connection of the configuration's for all its widgets tells
/// the reaction given to `ConnectImage`, as the object's `ImageChanged` would.
class cLazyImage : public cLazyText<cImageProperty>
{
public:
    ~cLazyImage();

    void Declare(cWidget& owner, const char* label, cImageResourceHost& host);
    /// Calls `reaction` of the owner whenever the resource of the image id comes, goes or changes.
    template <class tWidget> void ConnectImage(void (tWidget::*reaction)())
    {
        AddImageReaction(static_cast<tReaction>(reaction));
    }

private:
    friend class cImageWatch;

    cProperty* MakeObject(cWidget& owner, const QString& label) override;
    void TextChanged() override;
    void AddImageReaction(tReaction reaction);
    void Unwatch();

    cImageResourceHost* mHost = nullptr;
    tReaction mImageReaction = nullptr;
    // The configuration's list of plain images with a reaction.
    cImageWatch* mWatch = nullptr;
    cLazyImage* mPreviousWatched = nullptr;
    cLazyImage* mNextWatched = nullptr;
};

/// A `cColourProperty`.
class cLazyColour : public cLazyTyped<cColourProperty>
{
public:
    void Declare(cWidget& owner, const char* label, const QColor& colour);
    QColor ColourValue() const { return mObject ? Made()->ColourValue() : mColour; }
    QString stringValue() const;
    void setStringValue(const QString& text);

private:
    cProperty* MakeObject(cWidget& owner, const QString& label) override;

    QColor mColour;
};

/// A `cComboProperty` (an index into a list of texts).
class cLazyCombo : public cLazyTyped<cComboProperty>
{
public:
    void Declare(cWidget& owner, const char* label, int index, const QStringList& entries);
    int Index() const { return mObject ? Made()->Index() : mIndex; }
    QStringList comboValues() const { return mObject ? Made()->comboValues() : mEntries; }
    /// The entry at the index; empty when the index is outside the list.
    QString stringValue() const;
    /// The change rule on the index.
    void setIntValue(int index, bool silent = false);
    void UpdateComboValues(const QStringList& entries, int index, bool silent);

private:
    cProperty* MakeObject(cWidget& owner, const QString& label) override;

    int mIndex = 0;
    QStringList mEntries;
};
