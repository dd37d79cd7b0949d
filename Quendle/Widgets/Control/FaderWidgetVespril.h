#pragma once

#include "Quendle/Widgets/Control/FaderWidget.h"

/// The fader of the second family (expander and mix-engine units): its channel and level types.
class cZUNetFaderWidgetVespril : public cZUNetFaderWidget
{
    Q_OBJECT

public:
    static const tCodeTable mChannelTypeIndexToCodes;
    static const tCodeTable mFaderLevelTypeIndexToCodes;

    using cZUNetFaderWidget::cZUNetFaderWidget;

    static cWidget* CreateWidget(int id, QObject* parent, const cConfigBase& configuration);
    static const QString& TypeKey();
    static std::list<std::string> GetAllObjectRequestRegExpsStatic();

    QString Type() const override { return TypeKey(); }
    void Init() override;
    std::list<std::string> GetAllObjectRequestRegExps() const override { return GetAllObjectRequestRegExpsStatic(); }
    tCodeTable GetChannelTypeIndexToCodes() const override { return mChannelTypeIndexToCodes; }
};
