#pragma once

#include "Quendle/Widgets/Control/LevelControlWidgetBase.h"

#include <list>
#include <string>

/// A knob turned by dragging, bound to one parameter of the unit: a gain (mapped as a fader maps
/// it) or a pan or balance position (0 to 74, 37 at the centre). QML writes `value` (0 fully
/// anticlockwise, 1 fully clockwise); the value always follows the driver, so the knob snaps to what
/// the unit can hold. The leaves give the control and channel types, the request keys and the type key.
class cZUNetRotaryWidget : public cZUNetLevelControlWidgetBase
{
    Q_OBJECT
    Q_PROPERTY(double value READ value WRITE setValue NOTIFY valueChanged)

public:
    static const tCodeTable mRotaryLevelTypeIndexToCodes;
    /// Pan and balance codes run from 0 to this; the centre is half of it.
    static constexpr int kPanScale = 74;

    cZUNetRotaryWidget(int id, QObject* parent, const cConfigBase& configuration);

    // Virtual operations added after those of the level base, in this order.
    virtual tCodeTable GetControlTypeIndexToCodes() const = 0;
    /// The request key (the large family's form; the second family has its own).
    virtual void GetObjectNamesAndParametersString(std::string& key);
    virtual void SetLevelTypeIndexToCodesForControlType();
    virtual bool IsLevelControl();

    void SetOnline() override;
    void LoadAttributes(QXmlStreamReader& reader) override;
    void WriteAttributes(QXmlStreamWriter& writer) const override;
    void ConnectSignalsAndSlots() override;
    void SetPropertyVisibility() override;
    void DriverValueChanged() override;
    void QmlValueChanged(double position) override;

    std::string RequestKey();
    QString ControlTypeCode() const;

    double value() const { return mValue; }
    /// From QML: clamped to 0..1; a value that is not a finite number is ignored.
    void setValue(double value);

    cLazyCombo mControlType;

Q_SIGNALS:
    void valueChanged();

public Q_SLOTS:
    void PropertyControlTypeChanged();

protected:
    /// Level type / channel type / number [/ dest type / dest number], with `channelTypes`.
    std::string LevelKey(const tCodeTable& channelTypes) const;

private:
    double mValue = 0.0;
};
