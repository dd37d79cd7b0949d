#include "Quendle/Widgets/Control/ControlWidgetBase.h"

#include "Quendle/AppCommon/ConfigBase.h"
#include "Quendle/AppCommon/QuendleFonts.h"
#include "Quendle/Drivers/ValueDrivers.h"
#include "Quendle/Properties/Properties.h"
#include "Quendle/Widgets/Base/WidgetBatch.h"
#include "Quendle/Widgets/WidgetXmlNames.h"
#include "ZUNet/Core/Trace.h"

#include <QColor>
#include <QTimer>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

const cZUNetWidget::tCodeTable cZUNetControlWidgetBase::mLeftRightSourceIndexToCodes {
    { QStringLiteral("Left"), QStringLiteral("lefths") },
    { QStringLiteral("Right"), QStringLiteral("righths") },
};

const cZUNetWidget::tCodeTable cZUNetControlWidgetBase::mGlobalLocalSourceIndexToCodes {
    { QStringLiteral("Global"), QStringLiteral("global") },
    { QStringLiteral("Local"), QStringLiteral("local") },
};

const std::vector<cZUNetControlWidgetBase::sFunctionRow>& cZUNetControlWidgetBase::BaseFunctionRows()
{
    using R = sFunctionRow;
    static const std::vector<R> rows {
        { QLatin1String("mute"), { R::Channel }, R::NoWord, R::SwitchLink },
        { QLatin1String("pafl"), { R::Channel, R::PAFLNumber }, R::NoWord, R::SwitchLink },
        { QLatin1String("paflclear"), { R::PAFLNumber }, R::NoWord, R::PAFLClearLinks },
        { QLatin1String("talkbackassign"), { R::Destination }, R::NoWord, R::SwitchLink },
        { QLatin1String("mutegrp"), { R::MuteGroup }, R::NoWord, R::SwitchLink },
        { QLatin1String("ammchactive"), { R::ChannelNumber }, R::NoWord, R::SwitchLink },
        { QLatin1String("amminout"), { R::AMMNumber }, R::NoWord, R::SwitchLink, true },
        { QLatin1String("taptempo"), { R::FxUnit, R::GlobalLocalSource, R::LeftRightSource }, R::TapWord,
            R::TapTempoLinks, false, true },
        { QLatin1String("sendonoff"), { R::Channel, R::Destination }, R::NoWord, R::SwitchLink },
        { QLatin1String("scenerecall"), { R::SceneNumber }, R::SceneWord, R::SceneLink },
        // Its key is built by the leaves.
        { QLatin1String("xpmute"), {}, R::NoWord, R::SwitchLink },
    };
    return rows;
}

const cZUNetControlWidgetBase::sFunctionRow& cZUNetControlWidgetBase::FunctionRow(const QString& code) const
{
    for (const sFunctionRow& row : FunctionRows()) {
        if (code == row.mCode)
            return row;
    }
    static const sFunctionRow none { QLatin1String(""), {} };
    return none;
}

cZUNetControlWidgetBase::cZUNetControlWidgetBase(int id, QObject* parent, const cConfigBase& configuration)
    : cZUNetWidget(id, parent, configuration)
{
    // Made once: every widget shares them.
    static const QColor onColour(QStringLiteral("#FF0000"));
    static const QColor offColour(QStringLiteral("#D7D6D5"));
    static const QColor textColour(QStringLiteral("#000000"));
    static const QStringList leftRight = mLeftRightSourceIndexToCodes.Labels();
    static const QStringList globalLocal = mGlobalLocalSourceIndexToCodes.Labels();
    cImageResourceHost& images = ImageHost(configuration);
    mText.Declare(*this, "Text", QString());
    mChannelNumber.Declare(*this, "Channel Number", 1, 1, 1000);
    mDestChannelNumber.Declare(*this, "Dest Channel Number", 1, 1, 1000);
    mMuteGroup.Declare(*this, "Mute Group", 1, 1, 1000);
    mAMMNumber.Declare(*this, "AMM Number", 1, 1, 1000);
    mFxUnit.Declare(*this, "FX Unit", 1, 1, 1000);
    mOnColour.Declare(*this, "On Colour", onColour);
    mOffColour.Declare(*this, "Off Colour", offColour);
    mLeftRightSource.Declare(*this, "Source", 0, leftRight);
    mGlobalLocalSource.Declare(*this, "Source", 0, globalLocal);
    mRadius.Declare(*this, "Radius", 0.1f, 0.0f, 1.0f);
    mFont.Declare(*this, "Font", cQuendleFonts::mDefaultFontCode);
    mTextColour.Declare(*this, "Text Colour", textColour);
    mOffImage.Declare(*this, "Off Image", images);
    mOnImage.Declare(*this, "On Image", images);
}

cZUNetControlWidgetBase::~cZUNetControlWidgetBase()
{
    DeleteDrivers();
}

QString cZUNetControlWidgetBase::FunctionCode() const
{
    if (!mFunction)
        return QString();
    return CodeAt(mFunctionCodes, mFunction.Index());
}

// ---- going on and off line

void cZUNetControlWidgetBase::SetOnline()
{
    cZUNetWidget::SetOnline();
    std::string key;
    GetObjectNamesAndParametersString(key);
    RequestNetObjectNameAndParameter(key);
    CreateDriver();
}

void cZUNetControlWidgetBase::SetOffline()
{
    RemoveLinks();
    cZUNetWidget::SetOffline();
}

void cZUNetControlWidgetBase::GetObjectNamesAndParametersString(std::string& key)
{
    const QString function = FunctionCode();
    const tCodeTable channelTypes = GetChannelTypeIndexToCodes();
    const sChannelAddress channels = Channels();
    auto number = &sChannelAddress::CountedFromZero;
    QStringList parts { function };
    for (sFunctionRow::ePart part : FunctionRow(function).mKeyParts) {
        switch (part) {
        case sFunctionRow::Channel:
            parts << channels.TypePart(channelTypes) << channels.NumberPart();
            break;
        case sFunctionRow::Destination:
            // Looked up in the channel-type table, as the unit expects.
            parts << channels.DestTypePart(channelTypes) << channels.DestNumberPart();
            break;
        case sFunctionRow::ChannelNumber:
            parts << channels.NumberPart();
            break;
        case sFunctionRow::GlobalLocalSource:
            parts << mGlobalLocalSourceIndexToCodes.CodeOf(&mGlobalLocalSource);
            break;
        case sFunctionRow::LeftRightSource:
            parts << mLeftRightSourceIndexToCodes.CodeOf(&mLeftRightSource);
            break;
        default:
            parts << number(PartNumber(part));
            break;
        }
    }
    key = parts.join(QLatin1Char('/')).toStdString();
}

const cLazyInt* cZUNetControlWidgetBase::PartNumber(sFunctionRow::ePart part) const
{
    const cLazyInt* number = nullptr;
    switch (part) {
    case sFunctionRow::ChannelNumber:
        number = &mChannelNumber;
        break;
    case sFunctionRow::PAFLNumber:
        number = &mPAFLNumber;
        break;
    case sFunctionRow::MuteGroup:
        number = &mMuteGroup;
        break;
    case sFunctionRow::AMMNumber:
        number = &mAMMNumber;
        break;
    case sFunctionRow::FxUnit:
        number = &mFxUnit;
        break;
    case sFunctionRow::SceneNumber:
        number = &mSceneNumber;
        break;
    default:
        return nullptr;
    }
    return *number ? number : nullptr;
}

QList<cLazyPropertyBase*> cZUNetControlWidgetBase::PartProperties(sFunctionRow::ePart part)
{
    switch (part) {
    case sFunctionRow::Channel:
        return { &mChannelType, &mChannelNumber };
    case sFunctionRow::Destination:
        return { &mDestChannelType, &mDestChannelNumber };
    case sFunctionRow::GlobalLocalSource:
        return { &mGlobalLocalSource };
    case sFunctionRow::LeftRightSource:
        return { &mLeftRightSource };
    default:
        return { const_cast<cLazyInt*>(PartNumber(part)) };
    }
}

sChannelAddress cZUNetControlWidgetBase::Channels() const
{
    auto* self = const_cast<cZUNetControlWidgetBase*>(this);
    return sChannelAddress::Of(
        self->mChannelType, self->mChannelNumber, self->mDestChannelType, self->mDestChannelNumber);
}

void cZUNetControlWidgetBase::DeleteDrivers()
{
    RetireDriver(mSwitchDriver);
    mSwitchDriver = nullptr;
    RetireDriver(mUWORDDriver);
    mUWORDDriver = nullptr;
}

void cZUNetControlWidgetBase::CreateDriver()
{
    DeleteDrivers();
    const sFunctionRow::eWord word = CurrentFunction().mWord;
    // Type keys are ASCII.
    const QByteArray name = (Type() + QString::number(widgetId())).toUtf8();
    const cWidgetBatch::cLock locker;
    mSwitchDriver = new cZUNetBooleanSwitchDriver(this, name.constData());
    mSwitchDriver->SetListener(this);
    bool registered = DriverRegistered(mSwitchDriver);
    if (word != sFunctionRow::NoWord) {
        mUWORDDriver = new cZUNetUWORDDriver(this, (name + "_uword_driver").constData());
        if (word == sFunctionRow::SceneWord)
            mUWORDDriver->SetListener(this);
        registered = DriverRegistered(mUWORDDriver) && registered;
    }
    (void)registered;
}

void cZUNetControlWidgetBase::NetObjectNamesAndParametersReceived(
    Quendle::eRequestNameParamStatusCode status, const tNamesAndParameters& namesAndParameters)
{
    // Every link made for the previous answer goes, not only the first.
    RemoveLinks();
    if (status != 0) {
        mNetObjectNamesAndParameters.clear();
        SetDisabled(true);
    } else {
        mNetObjectNamesAndParameters = namesAndParameters;
        CreateAssignments(true);
    }
    ValueChanged();
}

void cZUNetControlWidgetBase::CreateAssignments(bool bidirect)
{
    const sFunctionRow& function = CurrentFunction();
    const bool usesSwitch = function.mWord != sFunctionRow::SceneWord;
    const bool usesWord = function.mWord != sFunctionRow::NoWord;
    // A driver nothing can link to keeps the widget disabled.
    if ((usesSwitch && !DriverRegistered(mSwitchDriver)) || (usesWord && !DriverRegistered(mUWORDDriver)))
        return;
    SetDisabled(false);
    if (mNetObjectNamesAndParameters.empty())
        return;
    const auto& first = mNetObjectNamesAndParameters.front();
    const auto& last = mNetObjectNamesAndParameters.back();
    switch (function.mLinks) {
    case sFunctionRow::SwitchLink:
        QueueLink(first.first, first.second, mSwitchDriver->GetName(), PARAMETER_BASE, true, bidirect);
        break;
    case sFunctionRow::TapTempoLinks:
        if (bidirect)
            QueueLink(mUWORDDriver->GetName(), PARAMETER_BASE, first.first, first.second, false, false);
        QueueLink(last.first, last.second, mSwitchDriver->GetName(), PARAMETER_BASE, false, false);
        break;
    case sFunctionRow::PAFLClearLinks:
        if (bidirect)
            QueueLink(mSwitchDriver->GetName(), PARAMETER_BASE, first.first, first.second, false, false);
        // The state link reports a failure only together with the press link.
        QueueLink(last.first, last.second, mSwitchDriver->GetName(), PARAMETER_BASE, true, false, bidirect);
        break;
    case sFunctionRow::SceneLink:
        QueueLink(first.first, first.second, mUWORDDriver->GetName(), PARAMETER_BASE, true, true);
        break;
    case sFunctionRow::NoLinks:
        break;
    }
}

// ---- what QML shows

bool cZUNetControlWidgetBase::value() const
{
    if (CurrentFunction().mWord == sFunctionRow::SceneWord) {
        if (!IsOnline() || !mUWORDDriver || !mSceneNumber || !mUWORDDriver->HasValue())
            return false;
        // The unit counts scenes from 0.
        return mSceneNumber.IntValue() == int(mUWORDDriver->Value()) + 1;
    }
    if (!mSwitchDriver)
        return false;
    return mSwitchDriver->Value() != mInvert;
}

void cZUNetControlWidgetBase::ValueChanged()
{
    Q_EMIT valueChanged();
    if (CurrentFunction().mFlash && value())
        QTimer::singleShot(TAP_TEMPO_FLASH_MS, this, &cZUNetControlWidgetBase::SwitchTempoIndicatorToFalse);
}

void cZUNetControlWidgetBase::DriverChanged(cZUNetDriverBase& /*driver*/)
{
    ValueChanged();
}

void cZUNetControlWidgetBase::SwitchTempoIndicatorToFalse()
{
    if (mSwitchDriver)
        mSwitchDriver->SetValue(false);
}

void cZUNetControlWidgetBase::SetButtonType()
{
    mInvert = CurrentFunction().mInvert;
}

QString cZUNetControlWidgetBase::text() const
{
    return mText.stringValue();
}

QString cZUNetControlWidgetBase::textFont() const
{
    return mFont.stringValue();
}

QString cZUNetControlWidgetBase::textColour() const
{
    return mTextColour.stringValue();
}

QString cZUNetControlWidgetBase::onColour() const
{
    return mOnColour.stringValue();
}

QString cZUNetControlWidgetBase::offColour() const
{
    return mOffColour.stringValue();
}

QString cZUNetControlWidgetBase::imageOffIdentifier() const
{
    return mOffImage.stringValue();
}

QString cZUNetControlWidgetBase::imageOnIdentifier() const
{
    return mOnImage.stringValue();
}

float cZUNetControlWidgetBase::cornerRadius() const
{
    return mRadius.FloatValue();
}

void cZUNetControlWidgetBase::SetOffColour(const QString& colour)
{
    mOffColour.setStringValue(colour);
}

QStringList cZUNetControlWidgetBase::ImageIdentifiers()
{
    return { mOffImage.stringValue(), mOnImage.stringValue() };
}

void cZUNetControlWidgetBase::ReplaceImageId(const QString& oldId, const QString& newId)
{
    for (cLazyImage* image : { &mOffImage, &mOnImage }) {
        if (image->stringValue() == oldId)
            image->setStringValue(newId);
    }
}

// ---- editor properties

void cZUNetControlWidgetBase::SetPropertyVisibility()
{
    for (cLazyPropertyBase* property : std::initializer_list<cLazyPropertyBase*> { &mChannelType, &mChannelNumber,
             &mDestChannelType, &mDestChannelNumber, &mPAFLNumber, &mMuteGroup, &mAMMNumber, &mFxUnit,
             &mLeftRightSource, &mGlobalLocalSource }) {
        if (*property)
            property->setVisible(false);
    }
    mOffColour.setVisible(IsImageRecolourable(mOffImage.stringValue()));
    mOnColour.setVisible(IsImageRecolourable(mOnImage.stringValue()));
    if (mSceneNumber)
        mSceneNumber.setVisible(false);
    mRadius.setVisible(
        mOffImage.stringValue() == QLatin1String("_basic") || mOnImage.stringValue() == QLatin1String("_basic"));

    for (sFunctionRow::ePart part : CurrentFunction().mKeyParts) {
        for (cLazyPropertyBase* property : PartProperties(part)) {
            if (property && *property)
                property->setVisible(true);
        }
    }
}

void cZUNetControlWidgetBase::ConnectSignalsAndSlots()
{
    using cThis = cZUNetControlWidgetBase;
    auto hook = [](cLazyPropertyBase& property, void (cThis::*slot)()) {
        if (property)
            property.Connect(slot);
    };
    hook(mText, &cThis::textChanged);
    hook(mChannelType, &cThis::PropertyChannelTypeChanged);
    hook(mChannelNumber, &cThis::PropertyChannelNumberChanged);
    hook(mDestChannelType, &cThis::PropertyDestChannelTypeChanged);
    hook(mDestChannelNumber, &cThis::PropertyDestchannelNumberChanged);
    hook(mPAFLNumber, &cThis::PropertyPAFLNumberChanged);
    hook(mMuteGroup, &cThis::PropertyMuteGroupNumberChanged);
    hook(mAMMNumber, &cThis::PropertyAMMNumberChanged);
    hook(mFxUnit, &cThis::PropertyFxUnitChanged);
    hook(mGlobalLocalSource, &cThis::PropertyGlobalSourceChanged);
    hook(mLeftRightSource, &cThis::PropertyLeftSourceChanged);
    hook(mOnColour, &cThis::onColourChanged);
    hook(mOffColour, &cThis::offColourChanged);
    hook(mRadius, &cThis::cornerRadiusChanged);
    hook(mFont, &cThis::textFontChanged);
    hook(mTextColour, &cThis::textColourChanged);
    hook(mSceneNumber, &cThis::PropertySceneNumberChanged);
    hook(mOffImage, &cThis::PropertyOffImageSelectionChanged);
    mOffImage.ConnectImage(&cThis::offImageChanged);
    hook(mOnImage, &cThis::PropertyOnImageSelectionChanged);
    mOnImage.ConnectImage(&cThis::onImageChanged);
}

void cZUNetControlWidgetBase::PropertyFunctionChanged()
{
    if (IsOnline()) {
        SetOnline();
        ValueChanged();
    }
    SetPropertyVisibility();
    SetButtonType();
}

void cZUNetControlWidgetBase::PropertyOffImageSelectionChanged()
{
    Q_EMIT imageOffIdentifierChanged();
    SetPropertyVisibility();
}

void cZUNetControlWidgetBase::PropertyOnImageSelectionChanged()
{
    Q_EMIT imageOnIdentifierChanged();
    SetPropertyVisibility();
}

void cZUNetControlWidgetBase::BindingChanged()
{
    if (IsOnline())
        SetOnline();
}

void cZUNetControlWidgetBase::PropertyChannelTypeChanged()
{
    BindingChanged();
}

void cZUNetControlWidgetBase::PropertyChannelNumberChanged()
{
    BindingChanged();
}

void cZUNetControlWidgetBase::PropertyDestChannelTypeChanged()
{
    BindingChanged();
}

void cZUNetControlWidgetBase::PropertyDestchannelNumberChanged()
{
    BindingChanged();
}

void cZUNetControlWidgetBase::PropertyPAFLNumberChanged()
{
    BindingChanged();
}

void cZUNetControlWidgetBase::PropertyMuteGroupNumberChanged()
{
    BindingChanged();
}

void cZUNetControlWidgetBase::PropertyAMMNumberChanged()
{
    BindingChanged();
}

void cZUNetControlWidgetBase::PropertyFxUnitChanged()
{
    BindingChanged();
}

void cZUNetControlWidgetBase::PropertyGlobalSourceChanged()
{
    BindingChanged();
}

void cZUNetControlWidgetBase::PropertyLeftSourceChanged()
{
    BindingChanged();
}

void cZUNetControlWidgetBase::PropertySceneNumberChanged()
{
    BindingChanged();
}

// ---- layout attributes

void cZUNetControlWidgetBase::LoadAttributes(QXmlStreamReader& reader)
{
    cZUNetWidget::LoadAttributes(reader);
    const cConfigBase& configuration = Configuration();
    const sChannelAddress channels = Channels();
    const tCodeTable channelTypes = GetChannelTypeIndexToCodes();
    const tCodeTable destChannelTypes = GetDestChannelTypeIndexToCodes();
    auto number = [](cLazyInt& property, const QStringRef& text) {
        if (property)
            property.SetIntValue(ReadInt(text));
    };
    // Held const: a loop over the reader's own copy would detach it, attribute by attribute.
    const QXmlStreamAttributes attributes = reader.attributes();
    for (const QXmlStreamAttribute& attribute : attributes) {
        const QStringRef name = attribute.name();
        const QStringRef value = attribute.value();
        if (channels.Load(name, value, channelTypes, destChannelTypes))
            continue;
        if (name == WidgetXml::kText)
            mText.setStringValue(value.toString());
        else if (name == WidgetXml::kFunction) {
            if (mFunction)
                SetComboPropertyIndex(value.toString(), mFunctionCodes, &mFunction);
        } else if (name == WidgetXml::kPaflChannelNumber)
            number(mPAFLNumber, value);
        else if (name == WidgetXml::kMuteGrpNumber)
            number(mMuteGroup, value);
        else if (name == WidgetXml::kAmmNumber)
            number(mAMMNumber, value);
        else if (name == WidgetXml::kFxUnitNumber)
            number(mFxUnit, value);
        else if (name == WidgetXml::kLeftRightSource)
            mLeftRightSourceIndexToCodes.SetCombo(value.toString(), &mLeftRightSource);
        else if (name == WidgetXml::kGlobalLocalSource)
            mGlobalLocalSourceIndexToCodes.SetCombo(value.toString(), &mGlobalLocalSource);
        else if (name == WidgetXml::kColour)
            mOnColour.setStringValue(value.toString());
        else if (name == WidgetXml::kOffImageResourceId)
            mOffImage.setStringValue(configuration.ConvertImageId(value.toString()));
        else if (name == WidgetXml::kOnImageResourceId)
            mOnImage.setStringValue(configuration.ConvertImageId(value.toString()));
        else if (name == WidgetXml::kRadius)
            mRadius.setFloatValue(ReadFiniteFloat(value));
        else if (name == WidgetXml::kOffColour)
            mOffColour.setStringValue(value.toString());
        else if (name == WidgetXml::kTextFont)
            mFont.setStringValue(value.toString());
        else if (name == WidgetXml::kTextColour)
            mTextColour.setStringValue(value.toString());
        else if (name == WidgetXml::kSceneNumber)
            number(mSceneNumber, value);
    }
}

void cZUNetControlWidgetBase::WriteAttributes(QXmlStreamWriter& writer) const
{
    cZUNetWidget::WriteAttributes(writer);
    auto number = [&writer](QLatin1String name, const cLazyInt& property) {
        if (property)
            writer.writeAttribute(name, QString::number(property.IntValue()));
    };
    auto combo = [&writer](QLatin1String name, const tCodeTable& table, const cLazyCombo& property) {
        if (property)
            writer.writeAttribute(name, table.CodeOf(&property));
    };
    writer.writeAttribute(WidgetXml::kText, mText.stringValue());
    writer.writeAttribute(WidgetXml::kFunction, FunctionCode());
    Channels().Write(writer, GetChannelTypeIndexToCodes(), GetDestChannelTypeIndexToCodes());
    number(WidgetXml::kPaflChannelNumber, mPAFLNumber);
    number(WidgetXml::kMuteGrpNumber, mMuteGroup);
    number(WidgetXml::kAmmNumber, mAMMNumber);
    number(WidgetXml::kFxUnitNumber, mFxUnit);
    combo(WidgetXml::kLeftRightSource, mLeftRightSourceIndexToCodes, mLeftRightSource);
    combo(WidgetXml::kGlobalLocalSource, mGlobalLocalSourceIndexToCodes, mGlobalLocalSource);
    writer.writeAttribute(WidgetXml::kColour, mOnColour.stringValue());
    writer.writeAttribute(WidgetXml::kOffImageResourceId, mOffImage.stringValue());
    writer.writeAttribute(WidgetXml::kOnImageResourceId, mOnImage.stringValue());
    writer.writeAttribute(WidgetXml::kRadius, QString::number(double(mRadius.FloatValue()), 'g', 6));
    writer.writeAttribute(WidgetXml::kOffColour, mOffColour.stringValue());
    writer.writeAttribute(WidgetXml::kTextFont, mFont.stringValue());
    writer.writeAttribute(WidgetXml::kTextColour, mTextColour.stringValue());
    number(WidgetXml::kSceneNumber, mSceneNumber);
}
