#include "Quendle/Widgets/Control/ButtonWidget.h"

#include "Quendle/AppCommon/ConfigBase.h"
#include "Quendle/Drivers/CustomIPNetObject.h"
#include "Quendle/Drivers/ValueDrivers.h"
#include "Quendle/Widgets/Base/WidgetBatch.h"
#include "Quendle/Widgets/WidgetXmlNames.h"
#include "ZUNet/Core/Trace.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <algorithm>

namespace
{

constexpr QLatin1String kHoldTime = Latin1Text("holdTime");
constexpr QLatin1String kMinToMinusInf = Latin1Text("minToMinusInf");
constexpr QLatin1String kMidiPress = Latin1Text("midiPress");
constexpr QLatin1String kMidiRelease = Latin1Text("midiRelease");
constexpr QLatin1String kMidiPressString = Latin1Text("midiPressString");
constexpr QLatin1String kMidiReleaseString = Latin1Text("midiReleaseString");
constexpr QLatin1String kCustomIPPress = Latin1Text("customIPPress");
constexpr QLatin1String kCustomIPRelease = Latin1Text("customIPRelease");

bool IsLevelStep(const QString& function, bool* up = nullptr, bool* send = nullptr)
{
    const bool isUp = function == QLatin1String("levelup") || function == QLatin1String("sendlevelup");
    const bool isDown = function == QLatin1String("leveldown") || function == QLatin1String("sendleveldown");
    if (up)
        *up = isUp;
    if (send)
        *send = function.startsWith(QLatin1String("send"));
    return isUp || isDown;
}

/// Functions whose click latches; the others light for a pulse.
bool Latches(const QString& function)
{
    static const QStringList latching { "mute", "pafl", "mutegrp", "ammchactive", "amminout", "talkbackassign",
        "sendonoff", "xpmute" };
    return latching.contains(function);
}

qint64 SteadyMilliseconds()
{
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return clock.elapsed();
}

} // namespace

// ---- messages

void cLazyMessage::Declare(cWidget& owner, const char* label, bool isMIDI)
{
    mIsMIDI = isMIDI;
    Enter(owner, label);
}

void cLazyMessage::setValue(const QString& text)
{
    if (text.isEmpty() && !mObject)
        return;
    Object()->setValue(text);
}

void cLazyMessage::setMIDIString(const QString& text)
{
    if (text.isEmpty() && !mObject)
        return;
    Object()->setValueMIDIString(text);
}

cProperty* cLazyMessage::MakeObject(cWidget& owner, const QString& label)
{
    return new cCustomIPProperty(label, QString(), 0, true, mIsMIDI, &owner);
}

// ---- the button

const cZUNetWidget::tCodeTable cZUNetButtonWidget::mOnOffIndexToCodes {
    { QStringLiteral("On"), QStringLiteral("on") },
    { QStringLiteral("Off"), QStringLiteral("off") },
};

cZUNetButtonWidget::cZUNetButtonWidget(int id, QObject* parent, const cConfigBase& configuration)
    : cZUNetControlWidgetBase(id, parent, configuration)
    , mClock(&SteadyMilliseconds)
{
    static const QStringList onOff = mOnOffIndexToCodes.Labels();
    mMinGain.Declare(*this, "Min Gain", -40, -128, 10);
    mMaxGain.Declare(*this, "Max Gain", 10, -128, 10);
    mMinToMinusInf.Declare(*this, "Min = -inf", 0, onOff);
    mMidiPress.Declare(*this, "Press", true);
    mMidiRelease.Declare(*this, "Release", true);
    mHoldTime.Declare(*this, "Press/Hold Time (ms)", 0, 0, 10000);
    mCustomIPPress.Declare(*this, "Press", false);
    mCustomIPRelease.Declare(*this, "Release", false);
    mOnImage.setStringValue(QStringLiteral("default_btn_on_0"));
    mOffImage.setStringValue(QStringLiteral("default_btn_off_0"));
}

cZUNetButtonWidget::~cZUNetButtonWidget()
{
    RetireButtonDrivers();
}

const std::vector<cZUNetControlWidgetBase::sFunctionRow>& cZUNetButtonWidget::ButtonFunctionRows()
{
    using R = sFunctionRow;
    // The button builds the keys and links of its own functions.
    static const std::vector<R> rows = [] {
        std::vector<R> all = BaseFunctionRows();
        for (const char* level : { "levelup", "leveldown", "sendlevelup", "sendleveldown" })
            all.push_back({ QLatin1String(level), {}, R::LevelWord, R::NoLinks });
        all.push_back({ QLatin1String("custmidi"), {}, R::NoWord, R::NoLinks });
        all.push_back({ QLatin1String("custip"), {}, R::NoWord, R::NoLinks });
        return all;
    }();
    return rows;
}

void cZUNetButtonWidget::DeclareFunction()
{
    const tCodeTable functions = GetFunctionTypeIndexToCodes();
    mFunctionCodes = functions.Codes();
    mFunction.Declare(*this, "Function", 0, functions.Labels());
}

void cZUNetButtonWidget::FinishInit()
{
    SetButtonType();
    CreateDriver();
    ConnectSignalsAndSlots();
    SetPropertyVisibility();
}

// ---- request key, drivers and links

void cZUNetButtonWidget::GetObjectNamesAndParametersString(std::string& key)
{
    cZUNetControlWidgetBase::GetObjectNamesAndParametersString(key);
    const QString function = FunctionCode();
    const bool both = function == QLatin1String("sendlevelup") || function == QLatin1String("sendleveldown")
        || function == QLatin1String("xpmute");
    if (!both && !IsLevelStep(function))
        return;
    const sChannelAddress channels = Channels();
    QStringList parts { function, channels.TypePart(GetChannelTypeIndexToCodes()), channels.NumberPart() };
    if (both)
        parts << channels.DestTypePart(GetDestChannelTypeIndexToCodes()) << channels.DestNumberPart();
    key = parts.join(QLatin1Char('/')).toStdString();
}

void cZUNetButtonWidget::RetireButtonDrivers()
{
    RetireDriver(mVectorDriver);
    mVectorDriver = nullptr;
    if (!mCustomIPNetObject)
        return;
    // Not a driver: its links (all, since every driver is remade) are undone, and it goes under the
    // poll lock. Its links only ever start at it, so the unit holds nothing of it, and a removal
    // still queued finds no object and does nothing.
    RemoveLinks();
    const cWidgetBatch::cLock locker;
    delete mCustomIPNetObject;
    mCustomIPNetObject = nullptr;
}

void cZUNetButtonWidget::CreateDriver()
{
    cZUNetControlWidgetBase::CreateDriver();
    RetireButtonDrivers();
    const QString function = FunctionCode();
    const QByteArray name = (Type() + QString::number(widgetId())).toUtf8();
    if (function == QLatin1String("custmidi")) {
        const cWidgetBatch::cLock locker;
        // The suffix is what the unit's tools know.
        mVectorDriver = new cZUNetVectorUBYTEDriver(this, (name + "_vevtor_driver").constData());
        DriverRegistered(mVectorDriver);
    } else if (function == QLatin1String("custip")) {
        const cWidgetBatch::cLock locker;
        mCustomIPNetObject = new cCustomIPNetObject((name + "_customip").constData());
        if (mCustomIPNetObject->RegistrationFailed()) {
            ZU_ERR("Widget %d (%s): custom IP object not registered, widget disabled", widgetId(), qPrintable(Type()));
            SetDisabled(true);
        }
    }
}

void cZUNetButtonWidget::CreateAssignments(bool /*bidirect*/)
{
    cZUNetControlWidgetBase::CreateAssignments(true);
    if (mNetObjectNamesAndParameters.empty())
        return;
    const auto& first = mNetObjectNamesAndParameters.front();
    const QString function = FunctionCode();
    if (CurrentFunction().mWord == sFunctionRow::LevelWord) {
        if (DriverRegistered(mUWORDDriver))
            QueueLink(first.first, first.second, mUWORDDriver->GetName(), PARAMETER_BASE, true, true);
    } else if (function == QLatin1String("custmidi")) {
        if (DriverRegistered(mVectorDriver))
            QueueLink(mVectorDriver->GetName(), PARAMETER_BASE, first.first, first.second, false, false);
    } else if (function == QLatin1String("custip")) {
        if (mCustomIPNetObject && !mCustomIPNetObject->RegistrationFailed())
            QueueLink(mCustomIPNetObject->GetName(), PARAMETER_BASE, first.first, first.second, false, false);
    }
}

void cZUNetButtonWidget::SetButtonType()
{
    cZUNetControlWidgetBase::SetButtonType();
    mClickDisabled = false;
    mIsToggle = Latches(FunctionCode());
}

// ---- presses

void cZUNetButtonWidget::Pulse()
{
    if (mSwitchDriver)
        mSwitchDriver->SetValue(true);
    QTimer::singleShot(PULSE_INTERVAL, this, &cZUNetButtonWidget::SwitchButtonValueToFalse);
}

void cZUNetButtonWidget::SwitchButtonValueToFalse()
{
    if (mSwitchDriver)
        mSwitchDriver->SetValue(false);
}

void cZUNetButtonWidget::pressed()
{
    const QString function = FunctionCode();
    if (function == QLatin1String("taptempo")) {
        const int interval = GetUpdateTapTempoIntervalMs();
        if (mUWORDDriver && interval >= 0)
            mUWORDDriver->SetValueAndSendNetworkMessage(UWORD(interval));
    } else if (function == QLatin1String("custmidi")) {
        Pulse();
        if (mVectorDriver && mMidiPress.Message())
            mVectorDriver->SetValueAndSendNetworkMessage(mMidiPress.Message()->Message());
    } else if (function == QLatin1String("custip")) {
        Pulse();
        ApplyCustomIPAction(mCustomIPPress);
    }
}

void cZUNetButtonWidget::clicked()
{
    const QString function = FunctionCode();
    if (mClickDisabled || function == QLatin1String("taptempo"))
        return;
    if (mSwitchDriver)
        mSwitchDriver->SetValue(!mSwitchDriver->Value());
    bool up = false;
    if (function == QLatin1String("scenerecall")) {
        if (mUWORDDriver && mSceneNumber)
            mUWORDDriver->SetValueAndSendNetworkMessage(UWORD(mSceneNumber.IntValue() - 1));
    } else if (IsLevelStep(function, &up)) {
        // Nothing to step from until the unit has sent its level.
        if (mUWORDDriver && mUWORDDriver->HasValue())
            mUWORDDriver->SetValue(IncrementDecrementGain(up));
    } else if (function == QLatin1String("custmidi")) {
        if (mVectorDriver && mMidiRelease.Message())
            mVectorDriver->SetValueAndSendNetworkMessage(mMidiRelease.Message()->Message());
    } else if (function == QLatin1String("custip")) {
        ApplyCustomIPAction(mCustomIPRelease);
    }
    if (!mIsToggle)
        QTimer::singleShot(PULSE_INTERVAL, this, &cZUNetButtonWidget::SwitchButtonValueToFalse);
}

void cZUNetButtonWidget::ApplyCustomIPAction(const cLazyMessage& message)
{
    const cCustomIPProperty* property = message.Message();
    if (!property || !mCustomIPNetObject || property->addressValue().isEmpty() || property->Message().empty())
        return;
    mCustomIPNetObject->SendIPMessage(
        property->addressValue(), UWORD(property->portValue()), property->isTCPValue(), property->Message());
}

// ---- level and tempo

int cZUNetButtonWidget::GainToWord(int gainDb)
{
    return ((gainDb * 256) ^ 0x8000) & 0xFFFF;
}

UWORD cZUNetButtonWidget::StepLevel(UWORD level, bool up, int minGain, int maxGain, bool minToMinusInf)
{
    const int lo = GainToWord(std::clamp(minGain, -127, 127));
    const int hi = GainToWord(std::clamp(maxGain, -127, 127));
    int value = level;
    if (up) {
        if (value < hi)
            value = value + GAIN_STEP > hi ? hi : std::max(value + GAIN_STEP, lo);
        return UWORD(std::max(value, LEVEL_UP_FLOOR));
    }
    if (value > GAIN_STEP)
        value = value - GAIN_STEP > hi ? hi : std::max(value - GAIN_STEP, lo);
    if (value > lo)
        return UWORD(value);
    return minToMinusInf ? 0 : UWORD(value);
}

UWORD cZUNetButtonWidget::IncrementDecrementGain(bool up) const
{
    if (!mUWORDDriver)
        return cZUNetUWORDDriver::NO_VALUE;
    const UWORD level = mUWORDDriver->Value();
    if (!mUWORDDriver->HasValue())
        return level;
    return StepLevel(level, up, mMinGain.IntValue(), mMaxGain.IntValue(), mMinToMinusInf.Index() == 0);
}

int cZUNetButtonWidget::GetUpdateTapTempoIntervalMs()
{
    const qint64 now = mClock();
    const qint64 last = mLastTapTimeMs;
    mLastTapTimeMs = now;
    // A first tap, or one after a pause longer than a word counts, measures no tempo.
    if (last < 0 || now - last < 0 || now - last > 0xFFFF)
        return -1;
    return int(now - last);
}

// ---- editor properties

void cZUNetButtonWidget::SetPropertyVisibility()
{
    cZUNetControlWidgetBase::SetPropertyVisibility();
    for (cLazyPropertyBase* property : std::initializer_list<cLazyPropertyBase*> {
             &mMinGain, &mMaxGain, &mMinToMinusInf, &mMidiPress, &mMidiRelease, &mCustomIPPress, &mCustomIPRelease })
        property->setVisible(false);
    mHoldTime.setVisible(true);
    const QString function = FunctionCode();
    bool send = false;
    if (function == QLatin1String("taptempo")) {
        mHoldTime.setVisible(false);
    } else if (function == QLatin1String("custmidi")) {
        mMidiPress.setVisible(true);
        mMidiRelease.setVisible(true);
        mHoldTime.setVisible(false);
    } else if (function == QLatin1String("custip")) {
        mCustomIPPress.setVisible(true);
        mCustomIPRelease.setVisible(true);
        mHoldTime.setVisible(false);
    } else if (IsLevelStep(function, nullptr, &send) || function == QLatin1String("xpmute")) {
        QList<cLazyPropertyBase*> shown { &mChannelType, &mChannelNumber };
        if (send || function == QLatin1String("xpmute"))
            shown << &mDestChannelType << &mDestChannelNumber;
        if (function != QLatin1String("xpmute"))
            shown << &mMinGain << &mMaxGain << &mMinToMinusInf;
        for (cLazyPropertyBase* property : shown) {
            if (*property)
                property->setVisible(true);
        }
    }
}

void cZUNetButtonWidget::ConnectSignalsAndSlots()
{
    cZUNetControlWidgetBase::ConnectSignalsAndSlots();
    mHoldTime.Connect(&cZUNetButtonWidget::holdTimeChanged);
    if (mFunction)
        mFunction.Connect(&cZUNetControlWidgetBase::PropertyFunctionChanged);
}

void cZUNetButtonWidget::LoadAttributes(QXmlStreamReader& reader)
{
    cZUNetControlWidgetBase::LoadAttributes(reader);
    const QXmlStreamAttributes attributes = reader.attributes();
    for (const QXmlStreamAttribute& attribute : attributes) {
        const QStringRef name = attribute.name();
        const QStringRef value = attribute.value();
        if (name == WidgetXml::kMinGain)
            mMinGain.SetIntValue(ReadInt(value));
        else if (name == WidgetXml::kMaxGain)
            mMaxGain.SetIntValue(ReadInt(value));
        else if (name == kHoldTime)
            mHoldTime.SetIntValue(std::clamp(ReadInt(value), 0, 10000));
        else if (name == kMinToMinusInf)
            mOnOffIndexToCodes.SetCombo(value.toString(), &mMinToMinusInf);
        else if (name == kMidiPressString)
            mMidiPress.setMIDIString(value.toString());
        else if (name == kMidiReleaseString)
            mMidiRelease.setMIDIString(value.toString());
        else if (name == kMidiPress)
            mMidiPress.setValue(value.toString());
        else if (name == kMidiRelease)
            mMidiRelease.setValue(value.toString());
        else if (name == kCustomIPPress)
            mCustomIPPress.setValue(value.toString());
        else if (name == kCustomIPRelease)
            mCustomIPRelease.setValue(value.toString());
    }
}

void cZUNetButtonWidget::WriteAttributes(QXmlStreamWriter& writer) const
{
    cZUNetControlWidgetBase::WriteAttributes(writer);
    writer.writeAttribute(WidgetXml::kMinGain, mMinGain.stringValue());
    writer.writeAttribute(WidgetXml::kMaxGain, mMaxGain.stringValue());
    writer.writeAttribute(kMinToMinusInf, mOnOffIndexToCodes.CodeOf(&mMinToMinusInf));
    writer.writeAttribute(kMidiPress, mMidiPress.stringValue());
    writer.writeAttribute(kMidiRelease, mMidiRelease.stringValue());
    writer.writeAttribute(kCustomIPPress, mCustomIPPress.stringValue());
    writer.writeAttribute(kCustomIPRelease, mCustomIPRelease.stringValue());
    writer.writeAttribute(kHoldTime, mHoldTime.stringValue());
}
