#pragma once

#include "Quendle/Properties/CustomIPProperty.h"
#include "Quendle/Widgets/Control/ControlWidgetBase.h"

#include <QString>

#include <functional>
#include <string>
#include <vector>

class cCustomIPNetObject;
class cZUNetVectorUBYTEDriver;

/// A custom MIDI or network message of a button: a `cCustomIPProperty`, made only when a layout
/// gives the message or the editor asks for it; until then the button holds no message.
class cLazyMessage : public cLazyTyped<cCustomIPProperty>
{
public:
    void Declare(cWidget& owner, const char* label, bool isMIDI);
    /// The attribute text: a hex message (MIDI) or "address:port:isTCP:hex" (network).
    void setValue(const QString& text);
    /// A MIDI message typed as characters.
    void setMIDIString(const QString& text);
    QString stringValue() const { return mObject ? Made()->stringValue() : QString(); }
    /// Null while no message was given.
    const cCustomIPProperty* Message() const { return Made(); }

private:
    cProperty* MakeObject(cWidget& owner, const QString& label) override;

    bool mIsMIDI = false;
};

/// The push button bound to one mixer function: level steps within a gain window, the momentary
/// pulse, tap tempo, custom MIDI and network messages and a press/hold time, over the control base.
/// A family leaf supplies its tables (`GetFunctionTypeIndexToCodes`, the channel types), its type
/// key and its request-key patterns, and declares the Function, channel-type and scene properties in
/// `Init` before calling `FinishInit`.
class cZUNetButtonWidget : public cZUNetControlWidgetBase
{
    Q_OBJECT
    Q_PROPERTY(int holdTime READ holdTime NOTIFY holdTimeChanged)
    Q_PROPERTY(QString altColour READ altColour NOTIFY altColourChanged)
    Q_PROPERTY(QString imageAltIdentifier READ imageAltIdentifier NOTIFY imageAltIdentifierChanged)
    Q_PROPERTY(bool altValue READ altValue NOTIFY altValueChanged)

public:
    cZUNetButtonWidget(int id, QObject* parent, const cConfigBase& configuration);
    ~cZUNetButtonWidget() override;

    static constexpr float GAIN_STEP_DB = 1.5f;
    static constexpr int GAIN_STEP = 384;
    /// Level up never goes below this word (-40 dB): minus infinity steps straight to it.
    static constexpr int LEVEL_UP_FLOOR = 0x5800;
    static const tCodeTable mOnOffIndexToCodes;

    /// A level word for a gain in whole dB.
    static int GainToWord(int gainDb);
    /// The level one step up or down from `level` in the window from `minGain` to `maxGain` dB
    /// (each taken within -127..127); at or below the window's bottom, down gives minus infinity
    /// when `minToMinusInf`. Worked in `int`: a window top near 0xFFFF never wraps.
    static UWORD StepLevel(UWORD level, bool up, int minGain, int maxGain, bool minToMinusInf);
    /// The next level for a press of level up or down; the driver's own value when it has none yet.
    UWORD IncrementDecrementGain(bool up) const;
    /// The milliseconds since the previous tap, and remembers this one; -1 (nothing to send) for the
    /// first tap and for a gap longer than a word holds.
    int GetUpdateTapTempoIntervalMs();
    /// Where taps read the time (milliseconds, steady); tests give their own.
    void SetClock(std::function<qint64()> clock) { mClock = std::move(clock); }

    virtual tCodeTable GetFunctionTypeIndexToCodes() const = 0;
    virtual QString altColour() const { return QStringLiteral("#D7D6D5"); }
    virtual QString imageAltIdentifier() const { return QStringLiteral("_basic"); }
    virtual bool altValue() const { return false; }
    int holdTime() const { return mHoldTime.IntValue(); }

    Q_INVOKABLE virtual void pressed();
    Q_INVOKABLE virtual void released() { }
    Q_INVOKABLE virtual void clicked();

    void GetObjectNamesAndParametersString(std::string& key) override;
    void CreateDriver() override;
    void CreateAssignments(bool bidirect) override;
    void SetButtonType() override;
    void SetPropertyVisibility() override;
    void ConnectSignalsAndSlots() override;
    void LoadAttributes(QXmlStreamReader& reader) override;
    void WriteAttributes(QXmlStreamWriter& writer) const override;

    cZUNetVectorUBYTEDriver* VectorDriver() const { return mVectorDriver; }
    cCustomIPNetObject* CustomIPObject() const { return mCustomIPNetObject; }
    bool IsToggle() const { return mIsToggle; }

Q_SIGNALS:
    void holdTimeChanged();
    void altColourChanged();
    void imageAltIdentifierChanged();
    void altValueChanged();

protected:
    /// The control base's rows and the button's own.
    static const std::vector<sFunctionRow>& ButtonFunctionRows();
    const std::vector<sFunctionRow>& FunctionRows() const override { return ButtonFunctionRows(); }
    /// Declares the Function entries from `GetFunctionTypeIndexToCodes()`, with the code list.
    void DeclareFunction();
    /// After the leaf declared its properties: latching, drivers, connections and visibility.
    void FinishInit();
    /// On at once, off after the pulse.
    void Pulse();
    void ApplyCustomIPAction(const cLazyMessage& message);
    /// Also retires the button's own senders.
    void RetireButtonDrivers();
    /// The button's clock, in milliseconds.
    qint64 Now() const { return mClock(); }

    cLazyInt mMinGain;
    cLazyInt mMaxGain;
    cLazyCombo mMinToMinusInf;
    cLazyMessage mMidiPress;
    cLazyMessage mMidiRelease;
    cLazyInt mHoldTime;
    cLazyMessage mCustomIPPress;
    cLazyMessage mCustomIPRelease;

    cZUNetVectorUBYTEDriver* mVectorDriver = nullptr;
    cCustomIPNetObject* mCustomIPNetObject = nullptr;
    bool mIsToggle = false;
    bool mClickDisabled = false;

private Q_SLOTS:
    void SwitchButtonValueToFalse();

private:
    std::function<qint64()> mClock;
    /// -1 until the first tap.
    qint64 mLastTapTimeMs = -1;
};
