#include "Quendle/Widgets/Control/RotaryWidget.h"

#include "Quendle/AppCommon/ConfigBase.h"
#include "Quendle/Drivers/ValueDrivers.h"
#include "Quendle/Properties/Properties.h"
#include "Quendle/Widgets/Control/LevelLaw.h"
#include "Quendle/Widgets/WidgetHelpers.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <cmath>

namespace
{

const QLatin1String kControlTypeAttribute("controlType");
const QLatin1String kPan("pan");
const QLatin1String kOutputBalance("outputBal");

} // namespace

const cZUNetWidget::tCodeTable cZUNetRotaryWidget::mRotaryLevelTypeIndexToCodes {
    { QStringLiteral("Main Level"), QStringLiteral("mainlevel") },
    { QStringLiteral("Send Level"), QStringLiteral("sendlevel") },
    { QStringLiteral("Output Balance"), QStringLiteral("outputBal") },
};

cZUNetRotaryWidget::cZUNetRotaryWidget(int id, QObject* parent, const cConfigBase& configuration)
    : cZUNetLevelControlWidgetBase(id, parent, configuration)
{
    cImageResourceHost& images = ImageHost(configuration);
    mBackgroundImage.Declare(*this, "Background Image", images);
    mControlImage.Declare(*this, "Knob Image", images);
    mLevelTypeCodes = mRotaryLevelTypeIndexToCodes.Codes();
    mLevelType.UpdateComboValues(mRotaryLevelTypeIndexToCodes.Labels(), 0, true);
    mControlImage.setStringValue(QStringLiteral("default_rotary_pointer_0"));
    mBackgroundImage.setStringValue(QStringLiteral("default_gen_rotary_0"));
}

void cZUNetRotaryWidget::ConnectSignalsAndSlots()
{
    cZUNetLevelControlWidgetBase::ConnectSignalsAndSlots();
    mControlImage.Connect(&cZUNetLevelControlWidgetBase::PropertyControlImageSelectionChanged);
    mControlImage.ConnectImage(&cZUNetLevelControlWidgetBase::controlImageChanged);
    mBackgroundImage.Connect(&cZUNetLevelControlWidgetBase::imageBackgroundIdentifierChanged);
    mBackgroundImage.ConnectImage(&cZUNetLevelControlWidgetBase::backgroundImageChanged);
}

QString cZUNetRotaryWidget::ControlTypeCode() const
{
    return GetControlTypeIndexToCodes().CodeOf(&mControlType);
}

bool cZUNetRotaryWidget::IsLevelControl()
{
    return ControlTypeCode() == QLatin1String("level");
}

std::string cZUNetRotaryWidget::LevelKey(const tCodeTable& channelTypes) const
{
    const QString level = LevelTypeCode();
    const sChannelAddress channels = Channels();
    QStringList parts { level, channels.TypePart(channelTypes), channels.NumberPart() };
    if (level == QLatin1String("sendlevel"))
        parts << channels.DestTypePart(channelTypes) << channels.DestNumberPart();
    return parts.join(QLatin1Char('/')).toStdString();
}

void cZUNetRotaryWidget::GetObjectNamesAndParametersString(std::string& key)
{
    const QString control = ControlTypeCode();
    if (control == kPan || control == kOutputBalance)
        key = control.toStdString() + '/';
    key += LevelKey(GetChannelTypeIndexToCodes());
}

std::string cZUNetRotaryWidget::RequestKey()
{
    std::string key;
    GetObjectNamesAndParametersString(key);
    return key;
}

void cZUNetRotaryWidget::SetOnline()
{
    cZUNetWidget::SetOnline();
    // The one level driver stays: a new one would hold "no value yet" until the unit answers.
    RequestNetObjectNameAndParameter(RequestKey());
}

void cZUNetRotaryWidget::PropertyControlTypeChanged()
{
    SetLevelTypeIndexToCodesForControlType();
}

void cZUNetRotaryWidget::SetLevelTypeIndexToCodesForControlType()
{
    SetPropertyVisibility();
    const QString previous = LevelTypeCode();
    const bool pan = ControlTypeCode() == kPan;
    tCodeTable rows;
    for (const auto& row : mRotaryLevelTypeIndexToCodes) {
        if (pan || row.second != kOutputBalance)
            rows.append(row);
    }
    mLevelTypeCodes = rows.Codes();
    mLevelType.UpdateComboValues(rows.Labels(), 0, false);
    if (pan || previous != kOutputBalance)
        SetComboPropertyIndex(previous, mLevelTypeCodes, &mLevelType);
    if (IsOnline())
        SetOnline();
}

void cZUNetRotaryWidget::SetPropertyVisibility()
{
    cZUNetLevelControlWidgetBase::SetPropertyVisibility();
    const bool pan = ControlTypeCode() == kPan;
    if (pan) {
        mMinGain.setVisible(false);
        mMaxGain.setVisible(false);
        mMinToInf.setVisible(false);
    }
    mAudioTaper.setVisible(!pan);
}

void cZUNetRotaryWidget::setValue(double value)
{
    if (!std::isfinite(value))
        return;
    QmlValueChanged(qBound(0.0, value, 1.0));
}

void cZUNetRotaryWidget::QmlValueChanged(double position)
{
    // The value follows the driver, which tells this widget at once when the code changed.
    const UWORD code
        = IsLevelControl() ? sLevelLaw::Of(*this).CodeOf(position) : UWORD(std::trunc(kPanScale * position));
    SendLevel(code);
}

void cZUNetRotaryWidget::DriverValueChanged()
{
    if (!mLevelDriver)
        return;
    const UWORD code = mLevelDriver->Value();
    const double position
        = IsLevelControl() ? sLevelLaw::Of(*this).PositionOf(code) : qMin(1.0, double(code) / kPanScale);
    if (position == mValue)
        return;
    mValue = position;
    Q_EMIT valueChanged();
}

void cZUNetRotaryWidget::LoadAttributes(QXmlStreamReader& reader)
{
    cZUNetLevelControlWidgetBase::LoadAttributes(reader);
    const QXmlStreamAttributes attributes = reader.attributes();
    const QStringRef control = attributes.value(kControlTypeAttribute);
    if (!control.isNull())
        SetComboPropertyIndex(control.toString(), GetControlTypeIndexToCodes().Codes(), &mControlType);
}

void cZUNetRotaryWidget::WriteAttributes(QXmlStreamWriter& writer) const
{
    cZUNetLevelControlWidgetBase::WriteAttributes(writer);
    writer.writeAttribute(kControlTypeAttribute, ControlTypeCode());
}
