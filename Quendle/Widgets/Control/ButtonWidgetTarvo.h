#pragma once

#include "Quendle/Widgets/Control/ButtonWidget.h"

/// The button of the large family: 15 functions, 12 channel types for both channel and
/// destination, and a Scene Number.
class cZUNetButtonWidgetTarvo : public cZUNetButtonWidget
{
    Q_OBJECT

public:
    static const tCodeTable mButtonFunctionIndexToCodes;
    /// The family's fader's channel types.
    static const tCodeTable& mChannelTypeIndexToCodes;

    cZUNetButtonWidgetTarvo(int id, QObject* parent, const cConfigBase& configuration);

    QString Type() const override;
    void Init() override;
    std::list<std::string> GetAllObjectRequestRegExps() const override { return GetAllObjectRequestRegExpsStatic(); }
    tCodeTable GetChannelTypeIndexToCodes() const override { return mChannelTypeIndexToCodes; }
    tCodeTable GetFunctionTypeIndexToCodes() const override { return mButtonFunctionIndexToCodes; }

    /// One pattern per request key a button of this family can make, by function in table order.
    static std::list<std::string> GetAllObjectRequestRegExpsStatic();

    static cWidget* CreateWidget(int id, QObject* parent, const cConfigBase& configuration);
};
