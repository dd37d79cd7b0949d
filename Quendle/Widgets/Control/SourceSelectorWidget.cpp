#include "Quendle/Widgets/Control/SourceSelectorWidget.h"

#include "Quendle/AppCommon/ConfigBase.h"
#include "Quendle/AppCommon/QuendleFonts.h"
#include "Quendle/Drivers/ValueDrivers.h"
#include "Quendle/Properties/Properties.h"
#include "Quendle/Widgets/Base/WidgetBatch.h"
#include "Quendle/Widgets/WidgetHelpers.h"
#include "Quendle/Widgets/WidgetXmlNames.h"

#include <QColor>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace
{

const QString kDefaultBackground = QStringLiteral("default_source_selector_background_0");

/// Numbers the per-source drivers of every selector of the process, so that no two share a name.
int gNextSourceDriver = 0;

QByteArray DriverName(const QString& text)
{
    return text.toLocal8Bit();
}

} // namespace

const cZUNetWidget::tCodeTable cZUNetSourceSelectorWidget::mControlTypesToCodes {
    { QStringLiteral("Swipe Box"), QStringLiteral("swipebox") },
    { QStringLiteral("Combo Box"), QStringLiteral("combobox") },
};
const cZUNetWidget::tCodeTable cZUNetSourceSelectorWidget::mOnOffTypesToCodes {
    { QStringLiteral("On"), QStringLiteral("on") },
    { QStringLiteral("Off"), QStringLiteral("off") },
};
const cZUNetWidget::tCodeTable cZUNetSourceSelectorWidget::mArrowsAlignmentTypesToCodes {
    { QStringLiteral("Right"), QStringLiteral("right") },
    { QStringLiteral("Left"), QStringLiteral("left") },
};
const cZUNetWidget::tCodeTable cZUNetSourceSelectorWidget::mStyleTypesToCodes {
    { QStringLiteral("Simple"), QStringLiteral("simple") },
    { QStringLiteral("Contrast"), QStringLiteral("contrast") },
    { QStringLiteral("Hidden"), QStringLiteral("hidden") },
};
const cZUNetWidget::tCodeTable cZUNetSourceSelectorWidget::mUseSourceColourTypesToCodes {
    { QStringLiteral("Source Colour"), QStringLiteral("source") },
    { QStringLiteral("Custom"), QStringLiteral("custom") },
};

cZUNetSourceSelectorWidget::cZUNetSourceSelectorWidget(int id, QObject* parent, const cConfigBase& configuration)
    : cZUNetWidget(id, parent, configuration)
    , mSourceList(new tSourceList(this))
{
    using cThis = cZUNetSourceSelectorWidget;
    static const QStringList controlTypes = mControlTypesToCodes.Labels();
    static const QStringList alignments = mArrowsAlignmentTypesToCodes.Labels();
    static const QStringList styles = mStyleTypesToCodes.Labels();
    static const QStringList borderModes = mUseSourceColourTypesToCodes.Labels();
    cImageResourceHost& images = ImageHost(configuration);
    mSourceSelector.Declare(*this, "Source Selector", 1, 1, 100);
    mFont.Declare(*this, "Font", cQuendleFonts::mDefaultFontCode);
    mInterfaceType.Declare(*this, "Interface Type", 0, controlTypes);
    mArrowAlignment.Declare(*this, "Arrow Alignment", 0, alignments);
    mArrowStyle.Declare(*this, "Arrow Style", 0, styles);
    mConfirmButtonStyle.Declare(*this, "Confirm Button Style", 0, styles);
    mBorderColourMode.Declare(*this, "Border Colour Mode", 0, borderModes);
    mBackgroundColour.Declare(*this, "Background Colour", QColor(QStringLiteral("#FFFFFF")));
    mItemColour.Declare(*this, "Item Colour", QColor(QStringLiteral("#F0F0F0")));
    mBorderColour.Declare(*this, "Border Colour", QColor(QStringLiteral("#000000")));
    mTextColour.Declare(*this, "Text Colour", QColor(QStringLiteral("#000000")));
    mRadius.Declare(*this, "Radius", 0.0f, 0.0f, 1.0f);
    mConfirmText.Declare(*this, "Confirm Text", QStringLiteral("OK"));
    mBackgroundImage.Declare(*this, "Background Image", images);
    mItemImage.Declare(*this, "Item Image", images);
    mBackgroundImage.setStringValue(kDefaultBackground);
    mItemImage.setStringValue(kDefaultBackground);

    mSourceSelector.Connect(&cThis::SourceIntPropertyChanged);
    mFont.Connect(&cThis::textFontChanged);
    mInterfaceType.Connect(&cThis::PropertyControlTypeChanged);
    mArrowAlignment.Connect(&cThis::arrowsAlignmentChanged);
    mArrowStyle.Connect(&cThis::arrowStyleChanged);
    mConfirmButtonStyle.Connect(&cThis::okButtonStyleChanged);
    mBorderColourMode.Connect(&cThis::PropertyUseSourceColourChanged);
    mBackgroundColour.Connect(&cThis::backgroundColourChanged);
    mItemColour.Connect(&cThis::delegateBgColourChanged);
    mBorderColour.Connect(&cThis::borderColourChanged);
    mTextColour.Connect(&cThis::textColourChanged);
    mRadius.Connect(&cThis::cornerRadiusChanged);
    mConfirmText.Connect(&cThis::confirmationTextChanged);
    mBackgroundImage.Connect(&cThis::PropertyBackgroundImageSelectionChanged);
    mBackgroundImage.ConnectImage(&cThis::imageBackgroundChanged);
    mItemImage.Connect(&cThis::PropertyDelegateImageSelectionChanged);
    mItemImage.ConnectImage(&cThis::imageDelegateChanged);
    SetPropertyVisibility();
}

cZUNetSourceSelectorWidget::~cZUNetSourceSelectorWidget()
{
    DeleteDrivers();
    RemoveLastNNameAndColourDrivers(SourceDriverCount());
}

std::string cZUNetSourceSelectorWidget::SourceSelectorObjectName() const
{
    return "sourcesel";
}

std::list<std::string> cZUNetSourceSelectorWidget::GetAllObjectRequestRegExps() const
{
    return { "sourcesel/\\d+" };
}

std::string cZUNetSourceSelectorWidget::RequestKey() const
{
    return SourceSelectorObjectName() + '/' + std::to_string(mSourceSelector.IntValue() - 1);
}

void cZUNetSourceSelectorWidget::SetOnline()
{
    cZUNetWidget::SetOnline();
    RequestNetObjectNameAndParameter(RequestKey());
}

void cZUNetSourceSelectorWidget::SetOffline()
{
    DeleteDrivers();
    cZUNetWidget::SetOffline();
}

void cZUNetSourceSelectorWidget::DeleteDrivers()
{
    // Every link, the per-source ones too: a new answer may name other objects.
    RemoveLinks();
    for (cZUNetUBYTEDriver** driver : { &mNumberOfSources, &mCurrentSource }) {
        RetireDriver(*driver);
        *driver = nullptr;
    }
}

void cZUNetSourceSelectorWidget::NetObjectNamesAndParametersReceived(
    Quendle::eRequestNameParamStatusCode status, const tNamesAndParameters& namesAndParameters)
{
    DeleteDrivers();
    // Without all four pairs there is nothing to bind: as good as a failed answer.
    if (status != 0 || namesAndParameters.size() < kPairsNeeded) {
        mNetObjectNamesAndParameters.clear();
        RemoveLastNNameAndColourDrivers(SourceDriverCount());
        SetDisabled(true);
        Q_EMIT currentSourceIndexChanged();
        return;
    }
    SetDisabled(false);
    mNetObjectNamesAndParameters = namesAndParameters;
    CreateDrivers();
}

void cZUNetSourceSelectorWidget::CreateDrivers()
{
    const QString id = QString::number(widgetId());
    {
        const cWidgetBatch::cLock locker;
        mNumberOfSources = new cZUNetUBYTEDriver(this, DriverName(Type() + " number of sources" + id).constData());
        mCurrentSource = new cZUNetUBYTEDriver(this, DriverName(Type() + " current source" + id).constData());
        mNumberOfSources->SetListener(this);
        mCurrentSource->SetListener(this);
    }
    // The new count is 0: the sources of an earlier answer go, after the lock is released.
    NumberOfSourcesChanged();
    Q_EMIT currentSourceIndexChanged();
    if (!DriverRegistered(mNumberOfSources) || !DriverRegistered(mCurrentSource))
        return;
    auto pair = mNetObjectNamesAndParameters.cbegin();
    const std::string& path = pair->first;
    QueueLink(path, pair->second, mNumberOfSources->GetName(), PARAMETER_BASE, true, false);
    ++pair;
    // Both ways: the user's choice goes back to the unit.
    QueueLink(path, pair->second, mCurrentSource->GetName(), PARAMETER_BASE, true, true);
}

void cZUNetSourceSelectorWidget::DriverChanged(cZUNetDriverBase& driver)
{
    if (&driver == mNumberOfSources) {
        NumberOfSourcesChanged();
        return;
    }
    if (&driver == mCurrentSource) {
        Q_EMIT currentSourceIndexChanged();
        return;
    }
    for (const sSourceDrivers& source : mSourceDrivers) {
        if (&driver == source.mName)
            source.mInfo->SetSourceName(QString::fromStdString(source.mName->Value()));
        else if (&driver == source.mColour)
            source.mInfo->SetSourceColourFromChannelColour(source.mColour->Value());
    }
}

void cZUNetSourceSelectorWidget::NumberOfSourcesChanged()
{
    const int have = SourceDriverCount();
    const int wanted = mNumberOfSources ? mNumberOfSources->Value() : 0;
    if (wanted > have)
        CreateAndAppendNameAndColourDrivers(wanted - have);
    else if (wanted < have)
        RemoveLastNNameAndColourDrivers(have - wanted);
}

void cZUNetSourceSelectorWidget::CreateAndAppendNameAndColourDrivers(int count)
{
    const QString id = QString::number(widgetId());
    const std::size_t first = mSourceDrivers.size();
    QList<cSourceInfo*> items;
    {
        const cWidgetBatch::cLock locker;
        for (int i = 0; i < count; ++i) {
            const QString number = QString::number(gNextSourceDriver++);
            auto* info = new cSourceInfo(this, QString(), QString());
            auto* name
                = new cZUNetStringDriver(this, DriverName(Type() + " source name " + number + ' ' + id).constData());
            auto* colour
                = new cZUNetUBYTEDriver(this, DriverName(Type() + " source colour " + number + ' ' + id).constData());
            name->SetListener(this);
            colour->SetListener(this);
            mSourceDrivers.push_back({ name, colour, info });
            items.append(info);
        }
    }
    // Views hear of the new sources after the lock is released.
    mSourceList->append(items);
    for (std::size_t i = first; i < mSourceDrivers.size(); ++i)
        LinkSource(mSourceDrivers[i], int(i));
}

void cZUNetSourceSelectorWidget::LinkSource(const sSourceDrivers& source, int index)
{
    if (mNetObjectNamesAndParameters.size() < kPairsNeeded || !DriverRegistered(source.mName)
        || !DriverRegistered(source.mColour))
        return;
    auto pair = mNetObjectNamesAndParameters.cbegin();
    const std::string& path = pair->first;
    std::advance(pair, 2);
    const UWORD nameParameter = pair->second;
    const UWORD colourParameter = (++pair)->second;
    QueueLink(path, UWORD(nameParameter + index), source.mName->GetName(), PARAMETER_BASE, true, false);
    QueueLink(path, UWORD(colourParameter + index), source.mColour->GetName(), PARAMETER_BASE, true, false);
}

void cZUNetSourceSelectorWidget::RemoveLastNNameAndColourDrivers(int count)
{
    for (int i = 0; i < count && !mSourceDrivers.empty(); ++i) {
        const sSourceDrivers source = mSourceDrivers.back();
        mSourceDrivers.pop_back();
        // Each takes the poll lock around its own removal.
        RetireDriver(source.mName);
        RetireDriver(source.mColour);
        mSourceList->remove(source.mInfo);
        source.mInfo->deleteLater();
    }
}

int cZUNetSourceSelectorWidget::currentSourceIndex() const
{
    return mCurrentSource ? mCurrentSource->Value() : -1;
}

void cZUNetSourceSelectorWidget::setCurrentSourceIndex(int index)
{
    if (!mCurrentSource || index < 0 || index > 255)
        return;
    mCurrentSource->SetValue(UBYTE(index));
}

bool cZUNetSourceSelectorWidget::isSwipeBox() const
{
    return mControlTypesToCodes.CodeOf(&mInterfaceType) == QLatin1String("swipebox");
}

bool cZUNetSourceSelectorWidget::arrowsAlignment() const
{
    return mArrowsAlignmentTypesToCodes.CodeOf(&mArrowAlignment) == QLatin1String("left");
}

void cZUNetSourceSelectorWidget::SetPropertyVisibility()
{
    const bool swipeBox = isSwipeBox();
    mArrowAlignment.setVisible(!swipeBox);
    mItemColour.setVisible(!swipeBox);
    mItemImage.setVisible(!swipeBox);
    mConfirmButtonStyle.setVisible(swipeBox);
    mConfirmText.setVisible(swipeBox);
    mBorderColour.setVisible(!useSourceColour());
}

void cZUNetSourceSelectorWidget::SourceIntPropertyChanged()
{
    if (IsOnline())
        SetOnline();
}

void cZUNetSourceSelectorWidget::PropertyControlTypeChanged()
{
    SetPropertyVisibility();
    Q_EMIT isSwipeBoxChanged();
}

void cZUNetSourceSelectorWidget::PropertyUseSourceColourChanged()
{
    SetPropertyVisibility();
    Q_EMIT useSourceColourChanged();
}

void cZUNetSourceSelectorWidget::PropertyBackgroundImageSelectionChanged()
{
    mUseCustomBackground = imageBackgroundIdentifier() != kDefaultBackground;
    Q_EMIT imageBackgroundIdentifierChanged();
    Q_EMIT imageBackgroundChanged();
    SetPropertyVisibility();
}

void cZUNetSourceSelectorWidget::PropertyDelegateImageSelectionChanged()
{
    mUseDelegateImage = imageDelegateIdentifier() != kDefaultBackground;
    Q_EMIT imageDelegateIdentifierChanged();
    Q_EMIT imageDelegateChanged();
    SetPropertyVisibility();
}

void cZUNetSourceSelectorWidget::SetWidgetToDemoMode()
{
    const std::pair<const char*, const char*> sources[] { { "TV", "blue" }, { "CD", "cyan" }, { "Stream", "yellow" },
        { "Mic", "red" } };
    QList<cSourceInfo*> items;
    for (const auto& source : sources)
        items.append(new cSourceInfo(this, QLatin1String(source.first), QLatin1String(source.second)));
    mSourceList->append(items);
}

void cZUNetSourceSelectorWidget::LoadAttributes(QXmlStreamReader& reader)
{
    cZUNetWidget::LoadAttributes(reader);
    const cConfigBase& configuration = Configuration();
    const QXmlStreamAttributes attributes = reader.attributes();
    // In document order: a later "arrowStyle" wins over the older "showArrows".
    for (const QXmlStreamAttribute& attribute : attributes) {
        const QStringRef name = attribute.name();
        const QString value = attribute.value().toString();
        if (name == QLatin1String("sourceNumber"))
            mSourceSelector.SetIntValue(ReadInt(attribute.value()));
        else if (name == WidgetXml::kTextFont)
            mFont.setStringValue(value);
        else if (name == QLatin1String("confirmText"))
            mConfirmText.setStringValue(ReadBoundedText(attribute.value(), 256));
        else if (name == QLatin1String("controlType"))
            mControlTypesToCodes.SetCombo(value, &mInterfaceType);
        else if (name == QLatin1String("arrowsAlignment"))
            mArrowsAlignmentTypesToCodes.SetCombo(value, &mArrowAlignment);
        else if (name == QLatin1String("arrowStyle"))
            mStyleTypesToCodes.SetCombo(value, &mArrowStyle);
        else if (name == QLatin1String("okButtonStyle"))
            mStyleTypesToCodes.SetCombo(value, &mConfirmButtonStyle);
        else if (name == QLatin1String("useSourceColour"))
            mUseSourceColourTypesToCodes.SetCombo(value, &mBorderColourMode);
        else if (name == WidgetXml::kOffImageResourceId)
            mBackgroundImage.setStringValue(configuration.ConvertImageId(value));
        else if (name == WidgetXml::kOnImageResourceId)
            mItemImage.setStringValue(configuration.ConvertImageId(value));
        else if (name == WidgetXml::kBackgroundColour)
            mBackgroundColour.setStringValue(value);
        else if (name == QLatin1String("delegateBgColour"))
            mItemColour.setStringValue(value);
        else if (name == WidgetXml::kBorderColour)
            mBorderColour.setStringValue(value);
        else if (name == WidgetXml::kTextColour)
            mTextColour.setStringValue(value);
        else if (name == WidgetXml::kRadius)
            mRadius.setFloatValue(ReadFiniteFloat(attribute.value()));
        else if (name == QLatin1String("showArrows"))
            mStyleTypesToCodes.SetCombo(
                value == QLatin1String("on") ? QStringLiteral("simple") : QStringLiteral("hidden"), &mArrowStyle);
    }
}

void cZUNetSourceSelectorWidget::WriteAttributes(QXmlStreamWriter& writer) const
{
    cZUNetWidget::WriteAttributes(writer);
    writer.writeAttribute(QStringLiteral("sourceNumber"), QString::number(mSourceSelector.IntValue()));
    writer.writeAttribute(WidgetXml::kTextFont, textFont());
    writer.writeAttribute(QStringLiteral("confirmText"), confirmationText());
    writer.writeAttribute(QStringLiteral("controlType"), mControlTypesToCodes.CodeOf(&mInterfaceType));
    writer.writeAttribute(QStringLiteral("arrowsAlignment"), mArrowsAlignmentTypesToCodes.CodeOf(&mArrowAlignment));
    writer.writeAttribute(QStringLiteral("arrowStyle"), mStyleTypesToCodes.CodeOf(&mArrowStyle));
    writer.writeAttribute(QStringLiteral("okButtonStyle"), mStyleTypesToCodes.CodeOf(&mConfirmButtonStyle));
    writer.writeAttribute(QStringLiteral("useSourceColour"), mUseSourceColourTypesToCodes.CodeOf(&mBorderColourMode));
    writer.writeAttribute(WidgetXml::kOffImageResourceId, imageBackgroundIdentifier());
    writer.writeAttribute(WidgetXml::kBackgroundColour, backgroundColour());
    writer.writeAttribute(WidgetXml::kOnImageResourceId, imageDelegateIdentifier());
    writer.writeAttribute(QStringLiteral("delegateBgColour"), delegateBgColour());
    writer.writeAttribute(WidgetXml::kBorderColour, borderColour());
    writer.writeAttribute(WidgetXml::kTextColour, textColour());
    writer.writeAttribute(WidgetXml::kRadius, QString::number(double(cornerRadius()), 'g', 6));
}
