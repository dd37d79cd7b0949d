#include "Quendle/Widgets/Control/FaderWidget.h"

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

const QLatin1String kShowFaderScaleAttribute("showFaderScale");
const QLatin1String kOrientationAttribute("orientation");
const QLatin1String kOn("on");
const QString kInfinity = QStringLiteral("\u221E");
constexpr double kTargetNumberOfSteps = 8.0;

QString Magnitude(int db)
{
    return QString::number(std::abs(db));
}

} // namespace

void cFaderScaleObject::setLabel(const QString& label)
{
    if (label == mLabel)
        return;
    mLabel = label;
    Q_EMIT labelChanged();
}

const cZUNetWidget::tCodeTable cZUNetFaderWidget::mOrientationIndexToCodes {
    { QStringLiteral("Vertical"), QStringLiteral("vertical") },
    { QStringLiteral("Horizontal"), QStringLiteral("horizontal") },
};

cZUNetFaderWidget::cZUNetFaderWidget(int id, QObject* parent, const cConfigBase& configuration)
    : cZUNetLevelControlWidgetBase(id, parent, configuration)
    , mScaleList(new tScaleList(this))
{
    static const QStringList onOff = mOnOffIndexToCodes.Labels();
    static const QStringList orientations = mOrientationIndexToCodes.Labels();
    cImageResourceHost& images = ImageHost(configuration);
    mBackgroundImage.Declare(*this, "Background Image", images);
    mControlImage.Declare(*this, "Knob Image", images);
    mShowScale.Declare(*this, "Show Scale", 0, onOff);
    mOrientation.Declare(*this, "Orientation", 0, orientations);
    mControlImage.setStringValue(QStringLiteral("default_fader_control_0"));
    mBackgroundImage.setStringValue(QStringLiteral("default_gen_fader_0"));
    UpdateFaderScaleList();
}

void cZUNetFaderWidget::Init()
{
    cZUNetLevelControlWidgetBase::Init();
    // The driver keeps "no value yet" until the unit sends one (nothing false is shown or sent);
    // the knob starts at 0 dB.
    mValue = sLevelLaw::Of(*this).PositionOf(0x8000);
}

void cZUNetFaderWidget::InitLeaf(const tCodeTable& channelTypes, const tCodeTable& levelTypes)
{
    const QStringList channelLabels = channelTypes.Labels();
    mChannelType.Declare(*this, "Channel Type", 0, channelLabels);
    mDestChannelType.Declare(*this, "Dest Channel Type", 0, channelLabels);
    mLevelTypeCodes = levelTypes.Codes();
    mLevelType.UpdateComboValues(levelTypes.Labels(), 0, true);
    ConnectSignalsAndSlots();
    mChannelType.Connect(&cZUNetLevelControlWidgetBase::PropertyChannelTypeChanged);
    mDestChannelType.Connect(&cZUNetLevelControlWidgetBase::PropertyDestChannelTypeChanged);
    SetPropertyVisibility();
}

void cZUNetFaderWidget::ConnectSignalsAndSlots()
{
    cZUNetLevelControlWidgetBase::ConnectSignalsAndSlots();
    using cThis = cZUNetFaderWidget;
    mMinGain.Connect(&cThis::UpdateFaderScaleList);
    mMaxGain.Connect(&cThis::UpdateFaderScaleList);
    mMinToInf.Connect(&cThis::PropertyMinToInfChanged);
    mShowScale.Connect(&cThis::showFaderScaleChanged);
    mControlImage.Connect(&cZUNetLevelControlWidgetBase::PropertyControlImageSelectionChanged);
    mControlImage.ConnectImage(&cZUNetLevelControlWidgetBase::controlImageChanged);
    mBackgroundImage.Connect(&cZUNetLevelControlWidgetBase::imageBackgroundIdentifierChanged);
    mBackgroundImage.ConnectImage(&cZUNetLevelControlWidgetBase::backgroundImageChanged);
    mOrientation.Connect(&cThis::orientationChanged);
}

std::string cZUNetFaderWidget::RequestKey() const
{
    const QString level = LevelTypeCode();
    const tCodeTable types = GetChannelTypeIndexToCodes();
    const sChannelAddress channels = Channels();
    QStringList parts { level, channels.TypePart(types), channels.NumberPart() };
    if (level == QLatin1String("sendlevel"))
        parts << channels.DestTypePart(types) << channels.DestNumberPart();
    return parts.join(QLatin1Char('/')).toStdString();
}

std::list<std::string> cZUNetFaderWidget::RequestRegExps(const tCodeTable& levelTypes, const tCodeTable& channelTypes)
{
    std::list<std::string> expressions;
    for (const QString& level : levelTypes.Codes()) {
        for (const QString& type : channelTypes.Codes()) {
            if (level != QLatin1String("sendlevel")) {
                expressions.push_back((level + QLatin1Char('/') + type + QStringLiteral("/\\d+")).toStdString());
                continue;
            }
            for (const QString& dest : channelTypes.Codes())
                expressions.push_back(
                    (QStringLiteral("sendlevel/") + type + QStringLiteral("/\\d+/") + dest + QStringLiteral("/\\d+"))
                        .toStdString());
        }
    }
    return expressions;
}

void cZUNetFaderWidget::SetOnline()
{
    cZUNetWidget::SetOnline();
    // The one level driver stays: a new one would hold "no value yet" until the unit answers.
    RequestNetObjectNameAndParameter(RequestKey());
}

bool cZUNetFaderWidget::showFaderScale() const
{
    return mOnOffIndexToCodes.CodeOf(&mShowScale) == kOn;
}

QString cZUNetFaderWidget::orientation() const
{
    return mOrientationIndexToCodes.CodeOf(&mOrientation);
}

void cZUNetFaderWidget::setValue(double value)
{
    if (!std::isfinite(value))
        return;
    QmlValueChanged(qBound(0.0, value, 1.0));
}

void cZUNetFaderWidget::QmlValueChanged(double position)
{
    mWriting = true;
    SendLevel(sLevelLaw::Of(*this).CodeOf(position));
    mWriting = false;
    // The exact position, not the one read back from the code.
    if (position == mValue)
        return;
    mValue = position;
    Q_EMIT valueChanged();
}

void cZUNetFaderWidget::DriverValueChanged()
{
    if (mWriting || !mLevelDriver)
        return;
    const double position = sLevelLaw::Of(*this).PositionOf(mLevelDriver->Value());
    if (position == mValue)
        return;
    mValue = position;
    Q_EMIT valueChanged();
}

void cZUNetFaderWidget::PropertyAudioTaperChanged()
{
    cZUNetLevelControlWidgetBase::PropertyAudioTaperChanged();
    UpdateFaderScaleList();
}

int cZUNetFaderWidget::RoundGainStep(double step)
{
    if (step >= 7.5)
        return int(std::round(step / 10.0)) * 10;
    if (step >= 1.0)
        return int(std::round(step));
    return 1;
}

double cZUNetFaderWidget::GetRatio(int db) const
{
    const sLevelLaw law = sLevelLaw::Of(*this);
    if (law.mMaxGain == law.mMinGain)
        return db < law.mMinGain ? 0.0 : 1.0;
    return double(db - law.mMinGain) / double(law.mMaxGain - law.mMinGain);
}

QString cZUNetFaderWidget::BottomLabel() const
{
    const sLevelLaw law = sLevelLaw::Of(*this);
    return law.mMinToInf ? kInfinity : Magnitude(law.mMinGain);
}

void cZUNetFaderWidget::UpdateFaderScaleList()
{
    // Gains clamped to -128..10: at most 139 marks, whatever the layout holds.
    const sLevelLaw law = sLevelLaw::Of(*this);
    QList<cFaderScaleObject*> marks;
    if (law.mAudioTaper) {
        for (int db : { 10, 5, 0, -5, -10, -20, -30, -40 })
            marks.append(new cFaderScaleObject(Magnitude(db), law.PositionOf(UWORD(db * 256 + 0x8000))));
        marks.append(new cFaderScaleObject(kInfinity, 0.0));
    } else {
        const int min = law.mMinGain;
        const int max = law.mMaxGain;
        const int step = RoundGainStep((max - min) / kTargetNumberOfSteps);
        auto mark = [&](int db) { marks.append(new cFaderScaleObject(Magnitude(db), GetRatio(db))); };
        if (max < 1) {
            for (int v = max - step; v > min; v -= step)
                mark(v);
        } else if (min < 0) {
            for (int v = 0; v < max; v += step)
                mark(v);
            for (int v = -step; v > min; v -= step)
                mark(v);
        } else {
            for (int v = min + step; v < max; v += step)
                mark(v);
        }
        marks.append(new cFaderScaleObject(Magnitude(max), 1.0));
        marks.append(new cFaderScaleObject(BottomLabel(), 0.0));
    }
    mScaleList->clear();
    mScaleList->append(marks);
}

void cZUNetFaderWidget::PropertyMinToInfChanged()
{
    // The bottom mark is always the last.
    if (cFaderScaleObject* bottom = mScaleList->at(mScaleList->count() - 1))
        bottom->setLabel(BottomLabel());
}

void cZUNetFaderWidget::LoadAttributes(QXmlStreamReader& reader)
{
    cZUNetLevelControlWidgetBase::LoadAttributes(reader);
    const QXmlStreamAttributes attributes = reader.attributes();
    for (const QXmlStreamAttribute& attribute : attributes) {
        const QStringRef name = attribute.name();
        if (name == kShowFaderScaleAttribute)
            mOnOffIndexToCodes.SetCombo(attribute.value().toString(), &mShowScale);
        else if (name == kOrientationAttribute)
            mOrientationIndexToCodes.SetCombo(attribute.value().toString(), &mOrientation);
    }
}

void cZUNetFaderWidget::WriteAttributes(QXmlStreamWriter& writer) const
{
    cZUNetLevelControlWidgetBase::WriteAttributes(writer);
    writer.writeAttribute(kShowFaderScaleAttribute, mOnOffIndexToCodes.CodeOf(&mShowScale));
    writer.writeAttribute(kOrientationAttribute, orientation());
}
