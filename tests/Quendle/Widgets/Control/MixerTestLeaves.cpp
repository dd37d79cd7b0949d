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
    mFunctionCodes = kFunctions.Codes();
    mFunction = new cComboProperty(QStringLiteral("Function"), 0, kFunctions.Labels(), this);
    mChannelType = new cComboProperty(QStringLiteral("Channel Type"), 0, kChannelTypes.Labels(), this);
    mDestChannelType = new cComboProperty(QStringLiteral("Dest Channel Type"), 0, kDestChannelTypes.Labels(), this);
    mPAFLNumber = new cIntProperty(QStringLiteral("PAFL Number"), 1, this, 1, 1000);
    mSceneNumber = new cIntProperty(QStringLiteral("Scene Number"), 1, this, 1, 1000);
    for (cPropertyBase* property :
        std::initializer_list<cPropertyBase*> { mFunction, mChannelType, mDestChannelType, mPAFLNumber, mSceneNumber })
        AppendPropertyOrGroup(property);
    ConnectSignalsAndSlots();
    connect(mFunction, &cProperty::valueChanged, this, &cZUNetControlWidgetBase::PropertyFunctionChanged);
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
    mFunction->setIntValue(int(mFunctionCodes.indexOf(code)));
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
    mLevelTypeCodes = kLevelTypes.Codes();
    mLevelType->UpdateComboValues(kLevelTypes.Labels(), 0, true);
    mChannelType = new cComboProperty(QStringLiteral("Channel Type"), 0, kChannelTypes.Labels(), this);
    mDestChannelType = new cComboProperty(QStringLiteral("Dest Channel Type"), 0, kChannelTypes.Labels(), this);
    cImageResourceHost& images = ImageHost(Configuration());
    mBackgroundImage = new cImageProperty(QStringLiteral("Background Image"), images, this);
    mControlImage = new cImageProperty(QStringLiteral("Knob Image"), images, this);
    for (cPropertyBase* property :
        std::initializer_list<cPropertyBase*> { mChannelType, mDestChannelType, mBackgroundImage, mControlImage })
        AppendPropertyOrGroup(property);
    ConnectSignalsAndSlots();
    connect(mChannelType, &cProperty::valueChanged, this, &cZUNetLevelControlWidgetBase::PropertyChannelTypeChanged);
    connect(mDestChannelType, &cProperty::valueChanged, this,
        &cZUNetLevelControlWidgetBase::PropertyDestChannelTypeChanged);
    connect(mControlImage, &cProperty::valueChanged, this,
        &cZUNetLevelControlWidgetBase::PropertyControlImageSelectionChanged);
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
