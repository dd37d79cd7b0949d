#include "tests/Quendle/Widgets/Control/MixerTestLeaves.h"

#include "Common/Misc/NonLinearLookup.h"
#include "Quendle/AppCommon/ConfigBase.h"
#include "Quendle/Drivers/ValueDrivers.h"
#include "Quendle/Properties/Properties.h"

#include <QtMath>

const cZUNetWidget::tCodeTable cTestControlWidget::kFunctions {
    { "Mute", "mute" },
    { "PAFL", "pafl" },
    { "PAFL Clear", "paflclear" },
    { "Talkback", "talkbackassign" },
    { "Mute Group", "mutegrp" },
    { "AMM Active", "ammchactive" },
    { "AMM In/Out", "amminout" },
    { "Tap Tempo", "taptempo" },
    { "Send", "sendonoff" },
    { "Scene", "scenerecall" },
    { "XP Mute", "xpmute" },
    { "Own", "ownfunction" },
};
const cZUNetWidget::tCodeTable cTestControlWidget::kChannelTypes { { "In", "ip" }, { "Out", "op" } };
const cZUNetWidget::tCodeTable cTestControlWidget::kDestChannelTypes { { "In", "ip" }, { "Out", "op" },
    { "Bus", "bus" } };

cTestControlWidget::cTestControlWidget(int id, QObject* parent, const cConfigBase& configuration, const QString& type)
    : cZUNetControlWidgetBase(id, parent, configuration)
    , mType(type)
{
}

void cTestControlWidget::Init()
{
    cZUNetControlWidgetBase::Init();
    // Shared by every leaf, as a leaf's own tables would be.
    static const QList<QString> codes = kFunctions.Codes();
    static const QStringList functions = kFunctions.Labels();
    static const QStringList channelTypes = kChannelTypes.Labels();
    static const QStringList destChannelTypes = kDestChannelTypes.Labels();
    mFunctionCodes = codes;
    mFunction.Declare(*this, "Function", 0, functions);
    mChannelType.Declare(*this, "Channel Type", 0, channelTypes);
    mDestChannelType.Declare(*this, "Dest Channel Type", 0, destChannelTypes);
    mPAFLNumber.Declare(*this, "PAFL Number", 1, 1, 1000);
    mSceneNumber.Declare(*this, "Scene Number", 1, 1, 1000);
    ConnectSignalsAndSlots();
    mFunction.Connect(&cZUNetControlWidgetBase::PropertyFunctionChanged);
    SetPropertyVisibility();
    SetButtonType();
}

std::list<std::string> cTestControlWidget::GetAllObjectRequestRegExps() const
{
    return { "mute/(ip|op)/\\d+", "scenerecall/\\d+" };
}

void cTestControlWidget::setValue(bool on)
{
    if (mSwitchDriver)
        mSwitchDriver->SetValue(on);
}

void cTestControlWidget::SelectFunction(const QString& code)
{
    mFunction.setIntValue(int(mFunctionCodes.indexOf(code)));
}

const cZUNetWidget::tCodeTable cTestLevelWidget::kLevelTypes { { "Main", "mainlevel" }, { "Send", "sendlevel" } };
const cZUNetWidget::tCodeTable cTestLevelWidget::kChannelTypes { { "In", "ip" }, { "Out", "op" } };

cTestLevelWidget::cTestLevelWidget(int id, QObject* parent, const cConfigBase& configuration, const QString& type)
    : cZUNetLevelControlWidgetBase(id, parent, configuration)
    , mType(type)
{
}

void cTestLevelWidget::Init()
{
    cZUNetLevelControlWidgetBase::Init();
    // Shared by every leaf, as a leaf's own tables would be.
    static const QList<QString> codes = kLevelTypes.Codes();
    static const QStringList levelTypes = kLevelTypes.Labels();
    static const QStringList channelTypes = kChannelTypes.Labels();
    mLevelTypeCodes = codes;
    mLevelType.UpdateComboValues(levelTypes, 0, true);
    mChannelType.Declare(*this, "Channel Type", 0, channelTypes);
    mDestChannelType.Declare(*this, "Dest Channel Type", 0, channelTypes);
    cImageResourceHost& images = ImageHost(Configuration());
    mBackgroundImage.Declare(*this, "Background Image", images);
    mControlImage.Declare(*this, "Knob Image", images);
    ConnectSignalsAndSlots();
    mChannelType.Connect(&cZUNetLevelControlWidgetBase::PropertyChannelTypeChanged);
    mDestChannelType.Connect(&cZUNetLevelControlWidgetBase::PropertyDestChannelTypeChanged);
    mControlImage.Connect(&cZUNetLevelControlWidgetBase::PropertyControlImageSelectionChanged);
    SetPropertyVisibility();
}

std::list<std::string> cTestLevelWidget::GetAllObjectRequestRegExps() const
{
    return { "mainlevel/(ip|op)/\\d+", "sendlevel/(ip|op)/\\d+/(ip|op)/\\d+" };
}

std::string cTestLevelWidget::Key() const
{
    const QString level = LevelTypeCode();
    const sChannelAddress channels = Channels();
    QStringList parts { level, channels.TypePart(kChannelTypes), channels.NumberPart() };
    if (level == QLatin1String("sendlevel"))
        parts << channels.DestTypePart(kChannelTypes) << channels.DestNumberPart();
    return parts.join(QLatin1Char('/')).toStdString();
}

void cTestLevelWidget::SetOnline()
{
    cZUNetWidget::SetOnline();
    RequestNetObjectNameAndParameter(Key());
}

void cTestLevelWidget::DriverValueChanged()
{
    ++mDriverValueCalls;
    const double position = cFaderLookup().GetIndex(mLevelDriver->Value()) / 255.0;
    if (position == mPosition)
        return;
    mPosition = position;
    Q_EMIT positionChanged();
}

void cTestLevelWidget::QmlValueChanged(double position)
{
    const int index = qBound(0, qRound(position * 255.0), 255);
    SendLevel(cFaderLookup::kFaderLawTable[index]);
}
