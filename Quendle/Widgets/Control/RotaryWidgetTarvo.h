#pragma once

#include "Quendle/Widgets/Control/RotaryWidget.h"

/// The rotary of the large family: a pan or a level of any of its channel types.
class cZUNetRotaryWidgetTarvo : public cZUNetRotaryWidget
{
    Q_OBJECT

public:
    static const tCodeTable mControlTypeIndexToCodes;
    /// The family's fader's channel types.
    static const tCodeTable& mChannelTypeIndexToCodes;

    using cZUNetRotaryWidget::cZUNetRotaryWidget;

    static cWidget* CreateWidget(int id, QObject* parent, const cConfigBase& configuration);
    static const QString& TypeKey();
    /// For each control type, level type and channel type (and destination type for sends).
    static std::list<std::string> GetAllObjectRequestRegExpsStatic();

    QString Type() const override { return TypeKey(); }
    void Init() override;
    std::list<std::string> GetAllObjectRequestRegExps() const override { return GetAllObjectRequestRegExpsStatic(); }
    tCodeTable GetChannelTypeIndexToCodes() const override { return mChannelTypeIndexToCodes; }
    tCodeTable GetControlTypeIndexToCodes() const override { return mControlTypeIndexToCodes; }
    void ConnectSignalsAndSlots() override;
};
