#include "Quendle/Widgets/Control/LevelControlWidgetBase.h"

#include "Quendle/AppCommon/ConfigBase.h"
#include "Quendle/AppCommon/QuendleFonts.h"
#include "Quendle/Drivers/ValueDrivers.h"
#include "Quendle/Properties/Properties.h"
#include "Quendle/Widgets/Base/WidgetBatch.h"
#include "Quendle/Widgets/WidgetXmlNames.h"
#include "ZUNet/Core/Trace.h"

#include <QColor>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

const cZUNetWidget::tCodeTable cZUNetLevelControlWidgetBase::mOnOffIndexToCodes {
    { QStringLiteral("On"), QStringLiteral("on") },
    { QStringLiteral("Off"), QStringLiteral("off") },
};

cZUNetLevelControlWidgetBase::cZUNetLevelControlWidgetBase(int id, QObject* parent, const cConfigBase& configuration)
    : cZUNetWidget(id, parent, configuration)
{
    // Made once: every widget shares them.
    static const QStringList onOff = mOnOffIndexToCodes.Labels();
    static const QStringList noLevelTypes { QString() };
    static const QColor textColour(QStringLiteral("#000000"));
    static const QColor knobColour(QStringLiteral("#04FFC5"));
    static const QColor overlayColour(QStringLiteral("#66FFFF00"));
    mText.Declare(*this, "Text", QString());
    mLevelType.Declare(*this, "Level Type", 0, noLevelTypes);
    mChannelNumber.Declare(*this, "Channel Number", 1, 1, 1000);
    mDestChannelNumber.Declare(*this, "Dest Channel Number", 1, 1, 1000);
    mMinGain.Declare(*this, "Min Gain", -128, -128, 10);
    mMaxGain.Declare(*this, "Max Gain", 10, -128, 10);
    mMinToInf.Declare(*this, "Min = -Inf", 1, onOff);
    mAudioTaper.Declare(*this, "Audio Taper", 0, onOff);
    mFont.Declare(*this, "Font", cQuendleFonts::mDefaultFontCode);
    mTextColour.Declare(*this, "Text Colour", textColour);
    mKnobColour.Declare(*this, "Knob Colour", knobColour);
    mOverlayColour.Declare(*this, "Overlay Colour", overlayColour);
}

cZUNetLevelControlWidgetBase::~cZUNetLevelControlWidgetBase()
{
    RetireDriver(mLevelDriver);
    mLevelDriver = nullptr;
}

void cZUNetLevelControlWidgetBase::Init()
{
    cZUNetWidget::Init();
    CreateDriver();
}

void cZUNetLevelControlWidgetBase::CreateDriver()
{
    // Type keys are ASCII.
    const QByteArray name = (Type() + QString::number(widgetId())).toUtf8();
    RetireDriver(mLevelDriver);
    const cWidgetBatch::cLock locker;
    mLevelDriver = new cZUNetUWORDDriver(this, name.constData());
    mLevelDriver->SetListener(this);
    DriverRegistered(mLevelDriver);
}

void cZUNetLevelControlWidgetBase::DriverChanged(cZUNetDriverBase& /*driver*/)
{
    LevelDriverValueChanged();
}

void cZUNetLevelControlWidgetBase::LevelDriverValueChanged()
{
    if (mLevelDriver && mLevelDriver->HasValue())
        DriverValueChanged();
}

void cZUNetLevelControlWidgetBase::SendLevel(UWORD code)
{
    if (!mLevelDriver || code == cZUNetUWORDDriver::NO_VALUE)
        return;
    mLevelDriver->SetValue(code);
}

void cZUNetLevelControlWidgetBase::CreateAssignments(bool remove)
{
    if (remove) {
        RemoveLinks();
        return;
    }
    if (mNetObjectNamesAndParameters.empty() || !DriverRegistered(mLevelDriver))
        return;
    const auto& first = mNetObjectNamesAndParameters.front();
    // Sync: the unit sends the current gain at once; the mirror link carries the widget's sends.
    QueueLink(first.first, first.second, mLevelDriver->GetName(), PARAMETER_BASE, true, true);
}

void cZUNetLevelControlWidgetBase::SetOffline()
{
    CreateAssignments(true);
    cZUNetWidget::SetOffline();
    // The one driver stays unregistered for the widget's life, and so the widget stays disabled.
    if (!mLevelDriver || mLevelDriver->RegistrationFailed())
        SetDisabled(true);
}

void cZUNetLevelControlWidgetBase::NetObjectNamesAndParametersReceived(
    Quendle::eRequestNameParamStatusCode status, const tNamesAndParameters& namesAndParameters)
{
    CreateAssignments(true);
    if (status != 0) {
        mNetObjectNamesAndParameters.clear();
        SetDisabled(true);
        return;
    }
    mNetObjectNamesAndParameters = namesAndParameters;
    // A driver nothing can link to keeps the widget disabled.
    if (!DriverRegistered(mLevelDriver))
        return;
    SetDisabled(false);
    CreateAssignments(false);
    // Before the unit's first value the driver holds "no value yet", which is no position.
    LevelDriverValueChanged();
}

QString cZUNetLevelControlWidgetBase::LevelTypeCode() const
{
    return CodeAt(mLevelTypeCodes, mLevelType.Index());
}

QString cZUNetLevelControlWidgetBase::AudioTaperCode() const
{
    return mOnOffIndexToCodes.CodeOf(&mAudioTaper);
}

sChannelAddress cZUNetLevelControlWidgetBase::Channels() const
{
    auto* self = const_cast<cZUNetLevelControlWidgetBase*>(this);
    return sChannelAddress::Of(
        self->mChannelType, self->mChannelNumber, self->mDestChannelType, self->mDestChannelNumber);
}

QString cZUNetLevelControlWidgetBase::text() const
{
    return mText.stringValue();
}

QString cZUNetLevelControlWidgetBase::imageBackgroundIdentifier() const
{
    return mBackgroundImage ? mBackgroundImage.stringValue() : QString();
}

QString cZUNetLevelControlWidgetBase::imageControlIdentifier() const
{
    return mControlImage ? mControlImage.stringValue() : QString();
}

QString cZUNetLevelControlWidgetBase::textFont() const
{
    return mFont.stringValue();
}

QString cZUNetLevelControlWidgetBase::textColour() const
{
    return mTextColour.stringValue();
}

QString cZUNetLevelControlWidgetBase::controlColour() const
{
    return mKnobColour.stringValue();
}

QString cZUNetLevelControlWidgetBase::overlayColour() const
{
    return mOverlayColour.stringValue();
}

QStringList cZUNetLevelControlWidgetBase::ImageIdentifiers()
{
    return { imageBackgroundIdentifier(), imageControlIdentifier() };
}

void cZUNetLevelControlWidgetBase::ReplaceImageId(const QString& oldId, const QString& newId)
{
    for (cLazyImage* image : { &mBackgroundImage, &mControlImage }) {
        if (*image && image->stringValue() == oldId)
            image->setStringValue(newId);
    }
}

void cZUNetLevelControlWidgetBase::SetPropertyVisibility()
{
    mKnobColour.setVisible(IsImageRecolourable(imageControlIdentifier()));
    const QString levelType = LevelTypeCode();
    if (levelType == QLatin1String("mainlevel") || levelType == QLatin1String("sendlevel")) {
        const bool destination = levelType != QLatin1String("mainlevel");
        if (mDestChannelType)
            mDestChannelType.setVisible(destination);
        mDestChannelNumber.setVisible(destination);
    }
    const bool range = AudioTaperCode() != QLatin1String("on");
    mMinGain.setVisible(range);
    mMaxGain.setVisible(range);
    mMinToInf.setVisible(range);
}

void cZUNetLevelControlWidgetBase::ConnectSignalsAndSlots()
{
    using cThis = cZUNetLevelControlWidgetBase;
    mText.Connect(&cThis::textChanged);
    mLevelType.Connect(&cThis::PropertyLevelTypeChanged);
    mChannelNumber.Connect(&cThis::PropertyChannelNumberChanged);
    mDestChannelNumber.Connect(&cThis::PropertyDestChannelNumberChanged);
    mAudioTaper.Connect(&cThis::PropertyAudioTaperChanged);
    mFont.Connect(&cThis::textFontChanged);
    mTextColour.Connect(&cThis::textColourChanged);
    mKnobColour.Connect(&cThis::controlColourChanged);
    mOverlayColour.Connect(&cThis::overlayColourChanged);
}

void cZUNetLevelControlWidgetBase::PropertyAudioTaperChanged()
{
    SetPropertyVisibility();
}

void cZUNetLevelControlWidgetBase::PropertyLevelTypeChanged()
{
    if (IsOnline())
        SetOnline();
    SetPropertyVisibility();
}

void cZUNetLevelControlWidgetBase::PropertyChannelTypeChanged()
{
    if (IsOnline())
        SetOnline();
}

void cZUNetLevelControlWidgetBase::PropertyChannelNumberChanged()
{
    if (IsOnline())
        SetOnline();
}

void cZUNetLevelControlWidgetBase::PropertyDestChannelTypeChanged()
{
    if (IsOnline())
        SetOnline();
}

void cZUNetLevelControlWidgetBase::PropertyDestChannelNumberChanged()
{
    if (IsOnline())
        SetOnline();
}

void cZUNetLevelControlWidgetBase::PropertyControlImageSelectionChanged()
{
    Q_EMIT imageControlIdentifierChanged();
    SetPropertyVisibility();
}

void cZUNetLevelControlWidgetBase::LoadAttributes(QXmlStreamReader& reader)
{
    cZUNetWidget::LoadAttributes(reader);
    const cConfigBase& configuration = Configuration();
    const sChannelAddress channels = Channels();
    const tCodeTable channelTypes = GetChannelTypeIndexToCodes();
    auto number = [](cLazyInt& property, const QStringRef& text) { property.SetIntValue(ReadInt(text)); };
    auto image = [&configuration](cLazyImage& property, const QStringRef& text) {
        if (property)
            property.setStringValue(configuration.ConvertImageId(text.toString()));
    };
    // Held const: a loop over the reader's own copy would detach it, attribute by attribute.
    const QXmlStreamAttributes attributes = reader.attributes();
    for (const QXmlStreamAttribute& attribute : attributes) {
        const QStringRef name = attribute.name();
        const QStringRef value = attribute.value();
        if (channels.Load(name, value, channelTypes, channelTypes))
            continue;
        if (name == WidgetXml::kTextLabel)
            mText.setStringValue(value.toString());
        else if (name == WidgetXml::kLevelType)
            SetComboPropertyIndex(value.toString(), mLevelTypeCodes, &mLevelType);
        else if (name == WidgetXml::kMinGain)
            number(mMinGain, value);
        else if (name == WidgetXml::kMaxGain)
            number(mMaxGain, value);
        else if (name == WidgetXml::kMinToInf)
            mOnOffIndexToCodes.SetCombo(value.toString(), &mMinToInf);
        else if (name == WidgetXml::kAudioTaper)
            mOnOffIndexToCodes.SetCombo(value.toString(), &mAudioTaper);
        else if (name == WidgetXml::kOffImageResourceId)
            image(mBackgroundImage, value);
        else if (name == WidgetXml::kOnImageResourceId)
            image(mControlImage, value);
        else if (name == WidgetXml::kTextFont)
            mFont.setStringValue(value.toString());
        else if (name == WidgetXml::kTextColour)
            mTextColour.setStringValue(value.toString());
        else if (name == WidgetXml::kControlColour)
            mKnobColour.setStringValue(value.toString());
        else if (name == WidgetXml::kOverlayColour)
            mOverlayColour.setStringValue(value.toString());
    }
}

void cZUNetLevelControlWidgetBase::WriteAttributes(QXmlStreamWriter& writer) const
{
    cZUNetWidget::WriteAttributes(writer);
    const tCodeTable channelTypes = GetChannelTypeIndexToCodes();
    writer.writeAttribute(WidgetXml::kTextLabel, mText.stringValue());
    writer.writeAttribute(WidgetXml::kLevelType, LevelTypeCode());
    Channels().Write(writer, channelTypes, channelTypes);
    writer.writeAttribute(WidgetXml::kMinGain, QString::number(mMinGain.IntValue()));
    writer.writeAttribute(WidgetXml::kMaxGain, QString::number(mMaxGain.IntValue()));
    writer.writeAttribute(WidgetXml::kMinToInf, mOnOffIndexToCodes.CodeOf(&mMinToInf));
    writer.writeAttribute(WidgetXml::kAudioTaper, mOnOffIndexToCodes.CodeOf(&mAudioTaper));
    writer.writeAttribute(WidgetXml::kOffImageResourceId, imageBackgroundIdentifier());
    writer.writeAttribute(WidgetXml::kOnImageResourceId, imageControlIdentifier());
    writer.writeAttribute(WidgetXml::kTextFont, mFont.stringValue());
    writer.writeAttribute(WidgetXml::kTextColour, mTextColour.stringValue());
    writer.writeAttribute(WidgetXml::kControlColour, mKnobColour.stringValue());
    writer.writeAttribute(WidgetXml::kOverlayColour, mOverlayColour.stringValue());
}
