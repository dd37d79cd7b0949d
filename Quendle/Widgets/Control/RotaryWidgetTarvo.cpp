#include "Quendle/Widgets/Control/RotaryWidgetTarvo.h"

#include "Quendle/Widgets/Control/FaderWidgetTarvo.h"

const cZUNetWidget::tCodeTable cZUNetRotaryWidgetTarvo::mControlTypeIndexToCodes {
    { QStringLiteral("Pan"), QStringLiteral("pan") },
    { QStringLiteral("Level"), QStringLiteral("level") },
};

// A reference: bound before any initialiser runs, whichever file's tables are built first.
const cZUNetWidget::tCodeTable& cZUNetRotaryWidgetTarvo::mChannelTypeIndexToCodes
    = cZUNetFaderWidgetTarvo::mChannelTypeIndexToCodes;

cWidget* cZUNetRotaryWidgetTarvo::CreateWidget(int id, QObject* parent, const cConfigBase& configuration)
{
    auto* widget = new cZUNetRotaryWidgetTarvo(id, parent, configuration);
    widget->Init();
    return widget;
}

const QString& cZUNetRotaryWidgetTarvo::TypeKey()
{
    static const QString type = QStringLiteral("zunet_rotary");
    return type;
}

std::list<std::string> cZUNetRotaryWidgetTarvo::GetAllObjectRequestRegExpsStatic()
{
    std::list<std::string> expressions;
    const QStringList channelTypes = mChannelTypeIndexToCodes.Codes();
    for (const QString& control : mControlTypeIndexToCodes.Codes()) {
        const QString prefix = control == QLatin1String("pan") ? QStringLiteral("pan/") : QString();
        for (const QString& level : mRotaryLevelTypeIndexToCodes.Codes()) {
            for (const QString& type : channelTypes) {
                if (level != QLatin1String("sendlevel")) {
                    expressions.push_back((prefix + level + '/' + type + QStringLiteral("/\\d+")).toStdString());
                    continue;
                }
                for (const QString& dest : channelTypes)
                    expressions.push_back((prefix + QStringLiteral("sendlevel/") + type + QStringLiteral("/\\d+/")
                        + dest + QStringLiteral("/\\d+"))
                                              .toStdString());
            }
        }
    }
    return expressions;
}

void cZUNetRotaryWidgetTarvo::Init()
{
    cZUNetRotaryWidget::Init();
    static const QStringList channelTypes = mChannelTypeIndexToCodes.Labels();
    static const QStringList controlTypes = mControlTypeIndexToCodes.Labels();
    mChannelType.Declare(*this, "Channel Type", 0, channelTypes);
    mDestChannelType.Declare(*this, "Dest Channel Type", 0, channelTypes);
    mControlType.Declare(*this, "Control Type", 0, controlTypes);
    ConnectSignalsAndSlots();
    SetPropertyVisibility();
}

void cZUNetRotaryWidgetTarvo::ConnectSignalsAndSlots()
{
    cZUNetRotaryWidget::ConnectSignalsAndSlots();
    mControlType.Connect(&cZUNetRotaryWidget::PropertyControlTypeChanged);
    mChannelType.Connect(&cZUNetLevelControlWidgetBase::PropertyChannelTypeChanged);
    mDestChannelType.Connect(&cZUNetLevelControlWidgetBase::PropertyDestChannelTypeChanged);
}
