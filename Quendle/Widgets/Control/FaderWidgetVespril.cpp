#include "Quendle/Widgets/Control/FaderWidgetVespril.h"

const cZUNetWidget::tCodeTable cZUNetFaderWidgetVespril::mChannelTypeIndexToCodes {
    { QStringLiteral("Control Group"), QStringLiteral("controlgrp") },
    { QStringLiteral("Input"), QStringLiteral("ip") },
    { QStringLiteral("Zone"), QStringLiteral("zone") },
};

const cZUNetWidget::tCodeTable cZUNetFaderWidgetVespril::mFaderLevelTypeIndexToCodes {
    { QStringLiteral("Level"), QStringLiteral("mainlevel") },
    { QStringLiteral("XPoint Level"), QStringLiteral("sendlevel") },
};

cWidget* cZUNetFaderWidgetVespril::CreateWidget(int id, QObject* parent, const cConfigBase& configuration)
{
    auto* widget = new cZUNetFaderWidgetVespril(id, parent, configuration);
    widget->Init();
    return widget;
}

const QString& cZUNetFaderWidgetVespril::TypeKey()
{
    static const QString type = QStringLiteral("vsp_zunet_fader");
    return type;
}

std::list<std::string> cZUNetFaderWidgetVespril::GetAllObjectRequestRegExpsStatic()
{
    return RequestRegExps(mFaderLevelTypeIndexToCodes, mChannelTypeIndexToCodes);
}

void cZUNetFaderWidgetVespril::Init()
{
    cZUNetFaderWidget::Init();
    InitLeaf(mChannelTypeIndexToCodes, mFaderLevelTypeIndexToCodes);
}
