#include "Quendle/Widgets/Control/RotaryWidgetVespril.h"

#include <QXmlStreamReader>

namespace
{

const QLatin1String kLevel("corvolevel");
const QLatin1String kCrosspointLevel("corvoxplevel");
const QLatin1String kOutputBalance("corvooutputBal");

/// The labels with the row of `code` selected, the first when it is not there.
void Select(cLazyCombo& combo, const cZUNetWidget::tCodeTable& table, const QString& code)
{
    combo.UpdateComboValues(table.Labels(), qMax(0, table.IndexOfCode(code)), false);
}

} // namespace

const cZUNetWidget::tCodeTable cZUNetRotaryWidgetVespril::mControlTypeIndexToCodesWithoutOldTypes {
    { QStringLiteral("Level"), QStringLiteral("corvolevel") },
    { QStringLiteral("XPoint Level"), QStringLiteral("corvoxplevel") },
    { QStringLiteral("Output Balance"), QStringLiteral("corvooutputBal") },
};
const cZUNetWidget::tCodeTable cZUNetRotaryWidgetVespril::mControlTypeIndexToCodesWithOldTypes {
    { QStringLiteral("OldLevel"), QStringLiteral("level") },
    { QStringLiteral("Old Output Balance"), QStringLiteral("outputBal") },
    { QStringLiteral("Level"), QStringLiteral("corvolevel") },
    { QStringLiteral("XPoint Level"), QStringLiteral("corvoxplevel") },
    { QStringLiteral("Output Balance"), QStringLiteral("corvooutputBal") },
};
const cZUNetWidget::tCodeTable cZUNetRotaryWidgetVespril::mChannelTypeIndexToCodesAll {
    { QStringLiteral("Input"), QStringLiteral("ip") },
    { QStringLiteral("Zone"), QStringLiteral("zone") },
    { QStringLiteral("Room"), QStringLiteral("room") },
    { QStringLiteral("Control Group"), QStringLiteral("controlgrp") },
};
const cZUNetWidget::tCodeTable cZUNetRotaryWidgetVespril::mChannelTypeIndexToCodesLevel {
    { QStringLiteral("Input"), QStringLiteral("ip") },
    { QStringLiteral("Zone"), QStringLiteral("zone") },
    { QStringLiteral("Room"), QStringLiteral("room") },
    { QStringLiteral("Control Group"), QStringLiteral("controlgrp") },
};
const cZUNetWidget::tCodeTable cZUNetRotaryWidgetVespril::mChannelTypeIndexToCodesXPointSource {
    { QStringLiteral("Input"), QStringLiteral("ip") },
    { QStringLiteral("Zone"), QStringLiteral("zone") },
};
const cZUNetWidget::tCodeTable cZUNetRotaryWidgetVespril::mChannelTypeIndexToCodesXPointDest {
    { QStringLiteral("Zone"), QStringLiteral("zone") },
};
const cZUNetWidget::tCodeTable cZUNetRotaryWidgetVespril::mChannelTypeIndexToCodesBalance {
    { QStringLiteral("Zone"), QStringLiteral("zone") },
};

cWidget* cZUNetRotaryWidgetVespril::CreateWidget(int id, QObject* parent, const cConfigBase& configuration)
{
    auto* widget = new cZUNetRotaryWidgetVespril(id, parent, configuration);
    widget->Init();
    return widget;
}

const QString& cZUNetRotaryWidgetVespril::TypeKey()
{
    static const QString type = QStringLiteral("vsp_zunet_rotary");
    return type;
}

std::list<std::string> cZUNetRotaryWidgetVespril::GetAllObjectRequestRegExpsStatic()
{
    return { "mainlevel/ip/\\d+", "mainlevel/zone/\\d+", "mainlevel/controlgrp/\\d+", "sendlevel/ip/\\d+/zone/\\d+",
        "sendlevel/zone/\\d+/zone/\\d+", "outputBal/mainlevel/zone/\\d+", "corvolevel/room/\\d+" };
}

void cZUNetRotaryWidgetVespril::Init()
{
    cZUNetRotaryWidget::Init();
    mCurrentChannelTypes = mChannelTypeIndexToCodesLevel;
    mChannelType.Declare(*this, "Channel Type", 0, mCurrentChannelTypes.Labels());
    mDestChannelType.Declare(*this, "Dest Channel Type", 0, mChannelTypeIndexToCodesXPointDest.Labels());
    mCurrentControlTypes = mControlTypeIndexToCodesWithoutOldTypes;
    mControlType.Declare(*this, "Control Type", 0, mCurrentControlTypes.Labels());
    ConnectSignalsAndSlots();
    SetPropertyVisibility();
}

void cZUNetRotaryWidgetVespril::ConnectSignalsAndSlots()
{
    cZUNetRotaryWidget::ConnectSignalsAndSlots();
    mControlType.Connect(&cZUNetRotaryWidgetVespril::PropertyControlTypeChanged);
    mChannelType.Connect(&cZUNetLevelControlWidgetBase::PropertyChannelTypeChanged);
    mDestChannelType.Connect(&cZUNetLevelControlWidgetBase::PropertyDestChannelTypeChanged);
}

const cZUNetWidget::tCodeTable& cZUNetRotaryWidgetVespril::ChannelTypesFor(
    const QString& controlType, const tCodeTable& otherwise)
{
    if (controlType == kLevel)
        return mChannelTypeIndexToCodesLevel;
    if (controlType == kCrosspointLevel)
        return mChannelTypeIndexToCodesXPointSource;
    if (controlType == kOutputBalance)
        return mChannelTypeIndexToCodesBalance;
    return otherwise;
}

QStringList cZUNetRotaryWidgetVespril::CreateChannelTypePropertiesListAndUpateCodes()
{
    mCurrentChannelTypes
        = mLoading ? mChannelTypeIndexToCodesAll : ChannelTypesFor(ControlTypeCode(), mCurrentChannelTypes);
    return mCurrentChannelTypes.Labels();
}

void cZUNetRotaryWidgetVespril::PropertyControlTypeChanged()
{
    if (mLoading)
        return;
    mChannelType.UpdateComboValues(CreateChannelTypePropertiesListAndUpateCodes(), 0, false);
    SetPropertyVisibility();
}

void cZUNetRotaryWidgetVespril::SetPropertyVisibility()
{
    cZUNetRotaryWidget::SetPropertyVisibility();
    mLevelType.setVisible(false);
    const QString control = ControlTypeCode();
    const bool balance = control == kOutputBalance;
    if (balance) {
        const std::initializer_list<cLazyPropertyBase*> hidden { &mMinGain, &mMaxGain, &mMinToInf, &mAudioTaper,
            &mDestChannelType, &mDestChannelNumber };
        for (cLazyPropertyBase* property : hidden)
            property->setVisible(false);
    } else {
        mAudioTaper.setVisible(true);
    }
    if (control == kLevel || control == kCrosspointLevel) {
        mDestChannelType.setVisible(control == kCrosspointLevel);
        mDestChannelNumber.setVisible(control == kCrosspointLevel);
    }
}

bool cZUNetRotaryWidgetVespril::IsLevelControl()
{
    const QString control = ControlTypeCode();
    return control == kLevel || control == kCrosspointLevel;
}

void cZUNetRotaryWidgetVespril::GetObjectNamesAndParametersString(std::string& key)
{
    const QString control = ControlTypeCode();
    const sChannelAddress channels = Channels();
    const QString type = channels.TypePart(mCurrentChannelTypes);
    const QString number = channels.NumberPart();
    QString text;
    if (control == kOutputBalance)
        text = QStringLiteral("outputBal/mainlevel/zone/") + number;
    else if (control == kLevel && type == QLatin1String("room"))
        text = QStringLiteral("corvolevel/room/") + number;
    else if (control == kLevel)
        text = QStringLiteral("mainlevel/") + type + '/' + number;
    else if (control == kCrosspointLevel)
        text = QStringLiteral("sendlevel/") + type + '/' + number + '/'
            + channels.DestTypePart(mChannelTypeIndexToCodesXPointDest) + '/' + channels.DestNumberPart();
    key = text.toStdString();
}

void cZUNetRotaryWidgetVespril::LoadAttributes(QXmlStreamReader& reader)
{
    // Every table the family ever stored is current while the attributes are read, so that any
    // stored code is found; the flag stays set until the current tables are back, so that the
    // control-type reaction cannot reset the channel type chosen here.
    mLoading = true;
    const QStringList allChannels = CreateChannelTypePropertiesListAndUpateCodes();
    mChannelType.UpdateComboValues(allChannels, 0, false);
    mDestChannelType.UpdateComboValues(allChannels, 0, false);
    mCurrentControlTypes = mControlTypeIndexToCodesWithOldTypes;
    mControlType.UpdateComboValues(mCurrentControlTypes.Labels(), 0, false);
    cZUNetRotaryWidget::LoadAttributes(reader);

    QString control = ControlTypeCode();
    if (control == QLatin1String("level"))
        control = LevelTypeCode() == QLatin1String("sendlevel") ? kCrosspointLevel : kLevel;
    else if (control == QLatin1String("outputBal"))
        control = kOutputBalance;
    const QString channel = mChannelTypeIndexToCodesAll.CodeOf(&mChannelType);
    const QString destination = mChannelTypeIndexToCodesAll.CodeOf(&mDestChannelType);

    mCurrentControlTypes = mControlTypeIndexToCodesWithoutOldTypes;
    Select(mControlType, mCurrentControlTypes, control);
    mCurrentChannelTypes = ChannelTypesFor(control, mChannelTypeIndexToCodesLevel);
    Select(mChannelType, mCurrentChannelTypes, channel);
    Select(mDestChannelType, mChannelTypeIndexToCodesXPointDest, destination);
    mLoading = false;
    SetPropertyVisibility();
}
