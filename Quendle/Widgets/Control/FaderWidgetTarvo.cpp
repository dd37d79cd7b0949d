#include "Quendle/Widgets/Control/FaderWidgetTarvo.h"

const cZUNetWidget::tCodeTable cZUNetFaderWidgetTarvo::mChannelTypeIndexToCodes {
    { QStringLiteral("DCA"), QStringLiteral("dca") },
    { QStringLiteral("Input"), QStringLiteral("ip") },
    { QStringLiteral("Mono Group"), QStringLiteral("grp") },
    { QStringLiteral("Stereo Group"), QStringLiteral("stgrp") },
    { QStringLiteral("Mono Aux"), QStringLiteral("aux") },
    { QStringLiteral("Stereo Aux"), QStringLiteral("staux") },
    { QStringLiteral("Main"), QStringLiteral("main") },
    { QStringLiteral("Mono Matrix"), QStringLiteral("mtx") },
    { QStringLiteral("Stereo Matrix"), QStringLiteral("stmtx") },
    { QStringLiteral("Mono FX Send"), QStringLiteral("fx") },
    { QStringLiteral("Stereo FX Send"), QStringLiteral("stfx") },
    { QStringLiteral("FX Return"), QStringLiteral("fxret") },
};

const cZUNetWidget::tCodeTable cZUNetFaderWidgetTarvo::mFaderLevelTypeIndexToCodes {
    { QStringLiteral("Main Level"), QStringLiteral("mainlevel") },
    { QStringLiteral("Send Level"), QStringLiteral("sendlevel") },
};

cWidget* cZUNetFaderWidgetTarvo::CreateWidget(int id, QObject* parent, const cConfigBase& configuration)
{
    auto* widget = new cZUNetFaderWidgetTarvo(id, parent, configuration);
    widget->Init();
    return widget;
}

const QString& cZUNetFaderWidgetTarvo::TypeKey()
{
    static const QString type = QStringLiteral("zunet_fader");
    return type;
}

std::list<std::string> cZUNetFaderWidgetTarvo::GetAllObjectRequestRegExpsStatic()
{
    return RequestRegExps(mFaderLevelTypeIndexToCodes, mChannelTypeIndexToCodes);
}

void cZUNetFaderWidgetTarvo::Init()
{
    cZUNetFaderWidget::Init();
    InitLeaf(mChannelTypeIndexToCodes, mFaderLevelTypeIndexToCodes);
}
