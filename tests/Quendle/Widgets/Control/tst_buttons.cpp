// Buttons on the real registry, syscall thread and system builder, with the unit's objects standing
// in as local objects: the request keys of every function against the family's own patterns, the
// level steps (never from "no value yet", never wrapping), latching and the pulse, custom MIDI,
// tap tempo on a given clock, and a repeated answer that moves a button to other objects.
#include "Quendle/AppCommon/ConfigUnit.h"
#include "Quendle/Drivers/CustomIPNetObject.h"
#include "Quendle/Drivers/PlaybackNetObject.h"
#include "Quendle/Drivers/ValueDrivers.h"
#include "Quendle/Properties/Properties.h"
#include "Quendle/Widgets/Control/ButtonWidgetTarvo.h"
#include "Quendle/Widgets/Control/ButtonWidgetVespril.h"
#include "ZUNet/Core/Syscall.h"
#include "ZUNet/Core/SystemBuilder.h"
#include "tests/support/Connections.h"
#include "tests/support/ValueObject.h"
#include "tests/support/quendle/TestConfig.h"
#include "tests/support/quendle/UnitObjectKit.h"
#include "tests/support/quendle/WidgetTestKit.h"

#include <QMutex>
#include <QRegularExpression>
#include <QtTest>

#include <memory>
#include <vector>

namespace
{

using WidgetTest::cSilentObject;
using WidgetTest::InformCount;
using WidgetTest::WaitForBuilder;

/// Keeps the data of every message it receives.
class cRecordingObject : public cNetObject
{
public:
    explicit cRecordingObject(const char* name, UWORD parameters = 1)
        : cNetObject(name, parameters)
        , mOutgoing(16)
    {
    }
    ~cRecordingObject() override { Unregister(); }
    void EntrypointMessage(cZUNetMessage& message) override
    {
        const int parameter = int(message.mMethod) - int(PARAMETER_BASE);
        if (parameter < 0 || parameter >= int(mNumberOfParameters)) {
            cNetObject::EntrypointMessage(message);
            return;
        }
        QByteArray data;
        for (int i = 0; i < message.mLength; ++i)
            data.append(char(message.GetDataBufferUBYTE(i)));
        QMutexLocker locker(&mMutex);
        mMessages.append(data);
        mParameters.append(parameter);
    }
    QList<QByteArray> Messages()
    {
        QMutexLocker locker(&mMutex);
        return mMessages;
    }
    /// "parameter:hex" of each message, in order.
    QStringList Received()
    {
        QMutexLocker locker(&mMutex);
        QStringList received;
        for (int i = 0; i < mMessages.size(); ++i)
            received << QStringLiteral("%1:%2").arg(mParameters[i]).arg(QString::fromLatin1(mMessages[i].toHex()));
        return received;
    }
    void Clear()
    {
        QMutexLocker locker(&mMutex);
        mMessages.clear();
        mParameters.clear();
    }
    /// As the unit changes a parameter: to every object linked to it.
    void Send(UWORD parameter, const QByteArray& data)
    {
        SyscallMessagesPollLock();
        mOutgoing.SetLength(UWORD(data.size()));
        for (int i = 0; i < data.size(); ++i)
            mOutgoing.SetDataBufferUBYTE(UBYTE(data[i]), i);
        mOutgoing.SetAddress(ZUNET_LOCAL_CONNECTION, mHandle, mHandle, UWORD(PARAMETER_BASE + parameter));
        InformOtherObjects(mOutgoing);
        SyscallMessagesPollUnLock();
    }

private:
    QMutex mMutex;
    QList<QByteArray> mMessages;
    QList<int> mParameters;
    cZUNetMessage mOutgoing;
};

QByteArray Word(int value)
{
    QByteArray word;
    word.append(char(value >> 8));
    word.append(char(value & 0xFF));
    return word;
}

} // namespace

class tst_Buttons : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();

    void tarvoKeys_data();
    void tarvoKeys();
    void tarvoPatternsCoverEveryKey();
    void levelSteps_data();
    void levelSteps();
    void levelUpAndDownAtTheUnit();
    void latchingAndPulse_data();
    void latchingAndPulse();
    void customMidi();
    void tapTempo();
    void repeatedAnswerMovesEveryLink_data();
    void repeatedAnswerMovesEveryLink();
    void vesprilKeys_data();
    void vesprilKeys();
    void vesprilPatternsCoverEveryKey();
    void channelTypesFollowTheFunction();
    void pagingZones_data();
    void pagingZones();
    void pagingPresses();
    void roomDivider();
    void customIP();
    void playback();
    void playbackTrackOutsideItsRange_data();
    void playbackTrackOutsideItsRange();

private:
    std::unique_ptr<cZUNetButtonWidgetTarvo> Tarvo(const QString& attributes, int id = 1)
    {
        return WidgetTest::Make<cZUNetButtonWidgetTarvo>(
            QStringLiteral("<Widget id=\"%1\" type=\"zunet_button\" %2/>").arg(id).arg(attributes), id, nullptr,
            *mConfig);
    }
    std::unique_ptr<cZUNetButtonWidgetVespril> Vespril(const QString& attributes, int id = 1)
    {
        return WidgetTest::Make<cZUNetButtonWidgetVespril>(
            QStringLiteral("<Widget id=\"%1\" type=\"vsp_zunet_button\" %2/>").arg(id).arg(attributes), id, nullptr,
            *mConfig);
    }
    static std::string Key(cZUNetButtonWidget& widget)
    {
        std::string key;
        widget.GetObjectNamesAndParametersString(key);
        return key;
    }

    cStartedNetwork mNetwork;
    std::unique_ptr<cTestApplication> mApplication;
    std::unique_ptr<cTestConfig> mConfig;
};

void tst_Buttons::initTestCase()
{
    mApplication = std::make_unique<cTestApplication>();
    mConfig = std::make_unique<cTestConfig>(mApplication.get());
    auto* unit = new cConfigUnit(
        mConfig.get(), 0, QStringLiteral("10.77.0.50"), QStringLiteral("tarvo"), true, QString(), mConfig.get());
    QVERIFY(mConfig->InsertNewUnit(unit) >= 0);
}

void tst_Buttons::cleanupTestCase()
{
    mConfig.reset();
    mApplication.reset();
}

void tst_Buttons::tarvoKeys_data()
{
    QTest::addColumn<QString>("attributes");
    QTest::addColumn<QString>("key");
    QTest::newRow("custom MIDI: bare") << "function=\"custmidi\""
                                       << "custmidi";
    QTest::newRow("mute on stereo FX send 1") << "function=\"mute\" channelType=\"stfx\" channelNumber=\"1\""
                                              << "mute/stfx/0";
    QTest::newRow("send assign") << "function=\"sendonoff\" channelType=\"ip\" channelNumber=\"3\" "
                                    "destChannelType=\"aux\" destChannelNumber=\"2\""
                                 << "sendonoff/ip/2/aux/1";
    QTest::newRow("tap tempo") << "function=\"taptempo\" fxUnitNumber=\"2\" globalLocalSource=\"local\" "
                                  "leftRightSource=\"righths\""
                               << "taptempo/1/local/righths";
    QTest::newRow("pafl") << "function=\"pafl\" channelType=\"ip\" channelNumber=\"5\" paflChannelNumber=\"3\""
                          << "pafl/ip/4/2";
    QTest::newRow("level up") << "function=\"levelup\" channelType=\"dca\" channelNumber=\"1\""
                              << "levelup/dca/0";
    QTest::newRow("send level down") << "function=\"sendleveldown\" channelType=\"grp\" channelNumber=\"2\" "
                                        "destChannelType=\"mtx\" destChannelNumber=\"4\""
                                     << "sendleveldown/grp/1/mtx/3";
    QTest::newRow("scene") << "function=\"scenerecall\" sceneNumber=\"12\""
                           << "scenerecall/11";
}

void tst_Buttons::tarvoKeys()
{
    QFETCH(QString, attributes);
    QFETCH(QString, key);
    auto widget = Tarvo(attributes);
    QCOMPARE(QString::fromStdString(Key(*widget)), key);
}

// Every key any Tarvo button can build, over every function, channel type, destination type and
// source, matches one of the family's patterns in full; the list has its 502 entries in order.
void tst_Buttons::tarvoPatternsCoverEveryKey()
{
    const std::list<std::string> patterns = cZUNetButtonWidgetTarvo::GetAllObjectRequestRegExpsStatic();
    QCOMPARE(int(patterns.size()), 502);
    QCOMPARE(patterns.front(), std::string("mute/dca/\\d+"));
    QCOMPARE(*std::next(patterns.begin()), std::string("mute/ip/\\d+"));
    QCOMPARE(patterns.back(), std::string("sendonoff/fxret/\\d+/fxret/\\d+"));
    std::vector<QRegularExpression> expressions;
    for (const std::string& pattern : patterns)
        expressions.emplace_back(QRegularExpression::anchoredPattern(QString::fromStdString(pattern)));

    const QStringList types = cZUNetButtonWidgetTarvo::mChannelTypeIndexToCodes.Codes();
    int keys = 0;
    for (const QString& function : cZUNetButtonWidgetTarvo::mButtonFunctionIndexToCodes.Codes()) {
        for (const QString& type : types) {
            for (const QString& destination : types) {
                for (const char* source : { "global", "local" }) {
                    for (const char* side : { "lefths", "righths" }) {
                        auto widget = Tarvo(QStringLiteral("function=\"%1\" channelType=\"%2\" destChannelType=\"%3\" "
                                                           "globalLocalSource=\"%4\" leftRightSource=\"%5\" "
                                                           "channelNumber=\"7\" destChannelNumber=\"1000\"")
                                                .arg(function, type, destination, source, side));
                        const QString key = QString::fromStdString(Key(*widget));
                        QVERIFY2(key.startsWith(function), qPrintable(key));
                        const bool matched = std::any_of(expressions.begin(), expressions.end(),
                            [&](const QRegularExpression& expression) { return expression.match(key).hasMatch(); });
                        QVERIFY2(matched, qPrintable(key));
                        ++keys;
                    }
                }
            }
            if (function == QLatin1String("custmidi"))
                break;
        }
    }
    QVERIFY(keys > 8000);
}

void tst_Buttons::levelSteps_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<bool>("up");
    QTest::addColumn<int>("minGain");
    QTest::addColumn<int>("maxGain");
    QTest::addColumn<bool>("minToMinusInf");
    QTest::addColumn<int>("expected");
    QTest::newRow("up from -inf to the floor") << 0 << true << -40 << 10 << true << 0x5800;
    QTest::newRow("up one step") << 0x5800 << true << -40 << 10 << true << 0x5980;
    QTest::newRow("up at the top") << 0x8A00 << true << -40 << 10 << true << 0x8A00;
    QTest::newRow("up stops at the top") << 0x8900 << true << -40 << 10 << true << 0x8A00;
    QTest::newRow("floor beats a low top") << 0 << true << -40 << -50 << true << 0x5800;
    QTest::newRow("down one step") << 0x8A00 << false << -40 << 10 << true << 0x8880;
    QTest::newRow("down at the bottom, -inf on") << 0x5800 << false << -40 << 10 << true << 0;
    QTest::newRow("down at the bottom, -inf off") << 0x5800 << false << -40 << 10 << false << 0x5800;
    QTest::newRow("down onto the bottom, -inf on") << 0x5980 << false << -40 << 10 << true << 0;
    QTest::newRow("down from -inf") << 0 << false << -40 << 10 << false << 0;
    QTest::newRow("min gain -128 is -127") << 0x0200 << false << -128 << 10 << false << 0x0100;
    // A top of +127 dB is 0xFF00: a step from near it must not wrap to a low level.
    QTest::newRow("max gain 127, up near the top") << 0xFE90 << true << -40 << 127 << true << 0xFF00;
    QTest::newRow("down from above the top") << 0xFFF0 << false << -40 << 10 << true << 0x8A00;
    QTest::newRow("gains beyond a word's range") << 0x8000 << true << -100000 << 100000 << true << 0x8180;
}

void tst_Buttons::levelSteps()
{
    QFETCH(int, level);
    QFETCH(bool, up);
    QFETCH(int, minGain);
    QFETCH(int, maxGain);
    QFETCH(bool, minToMinusInf);
    QFETCH(int, expected);
    QCOMPARE(int(cZUNetButtonWidget::StepLevel(UWORD(level), up, minGain, maxGain, minToMinusInf)), expected);
}

// Through the links: nothing is stepped or sent while the unit has not sent a level; from the
// unit's level, up and down reach the unit's object.
void tst_Buttons::levelUpAndDownAtTheUnit()
{
    cSilentObject gain("unit gain", 1);
    auto up = Tarvo("function=\"levelup\" channelType=\"ip\"", 1);
    auto down = Tarvo("function=\"leveldown\" channelType=\"ip\"", 2);
    for (auto* widget : { up.get(), down.get() }) {
        widget->SetOnline();
        widget->NetObjectNamesAndParametersReceived(Quendle::NameParamResolved, { { "unit gain", PARAMETER_BASE } });
    }
    WaitForBuilder();
    QCOMPARE(InformCount(gain), UWORD(2));
    up->clicked();
    down->clicked();
    WaitForBuilder();
    QCOMPARE(gain.Updates(), 0);
    QVERIFY(!up->UWORDDriver()->HasValue());

    SyscallMessagesPollLock();
    gain.SetValue(0x5800);
    SyscallMessagesPollUnLock();
    QTRY_COMPARE(int(up->UWORDDriver()->Value()), 0x5800);
    QTRY_COMPARE(int(down->UWORDDriver()->Value()), 0x5800);
    up->clicked();
    QTRY_COMPARE(int(gain.Value()), 0x5980);
    up->clicked();
    QTRY_COMPARE(int(gain.Value()), 0x5B00);
    QTRY_COMPARE(int(down->UWORDDriver()->Value()), 0x5B00);
    down->clicked();
    QTRY_COMPARE(int(gain.Value()), 0x5980);
    // Onto the window's bottom is minus infinity.
    down->clicked();
    QTRY_COMPARE(int(gain.Value()), 0);
    QTRY_COMPARE(int(up->UWORDDriver()->Value()), 0);
    up->clicked();
    QTRY_COMPARE(int(gain.Value()), 0x5800);
}

void tst_Buttons::latchingAndPulse_data()
{
    QTest::addColumn<QString>("function");
    QTest::addColumn<bool>("latches");
    QTest::newRow("mute latches") << "mute" << true;
    QTest::newRow("send assign latches") << "sendonoff" << true;
    QTest::newRow("level up pulses") << "levelup" << false;
    QTest::newRow("scene recall pulses") << "scenerecall" << false;
    QTest::newRow("pafl clear pulses") << "paflclear" << false;
}

void tst_Buttons::latchingAndPulse()
{
    QFETCH(QString, function);
    QFETCH(bool, latches);
    auto widget = Tarvo(QStringLiteral("function=\"%1\"").arg(function));
    QCOMPARE(widget->IsToggle(), latches);
    QVERIFY(widget->SwitchDriver());
    widget->clicked();
    QCOMPARE(widget->SwitchDriver()->Value(), true);
    QTest::qWait(200);
    QCOMPARE(widget->SwitchDriver()->Value(), latches);
    widget->clicked();
    QCOMPARE(widget->SwitchDriver()->Value(), !latches);
    QTest::qWait(200);
    QCOMPARE(widget->SwitchDriver()->Value(), false);
}

// The press bytes go at the press (also when the same again), the release bytes at the click, and
// the button lights for the pulse; a release outside the button (no click) sends no release.
void tst_Buttons::customMidi()
{
    cRecordingObject midi("unit midi");
    auto widget = Tarvo("function=\"custmidi\" midiPress=\"90,3C,7F\" midiReleaseString=\"AB\"");
    widget->SetOnline();
    widget->NetObjectNamesAndParametersReceived(Quendle::NameParamResolved, { { "unit midi", PARAMETER_BASE } });
    WaitForBuilder();
    QVERIFY(widget->VectorDriver());
    QVERIFY(!widget->disabled());
    widget->pressed();
    QVERIFY(widget->value());
    widget->released();
    widget->pressed();
    widget->released();
    widget->clicked();
    QTRY_COMPARE(midi.Messages().size(), 3);
    QCOMPARE(midi.Messages()[0], QByteArray("\x90\x3C\x7F"));
    QCOMPARE(midi.Messages()[1], QByteArray("\x90\x3C\x7F"));
    QCOMPARE(midi.Messages()[2], QByteArray("AB"));
    QTRY_VERIFY(!widget->value());
}

// Taps 500 ms apart send 500; the first tap and a gap over 65.535 s only note the time.
void tst_Buttons::tapTempo()
{
    cRecordingObject tap("unit tap");
    cValueObject indicator("unit tap led", 1);
    qint64 now = 1000000;
    auto widget = Tarvo("function=\"taptempo\"");
    widget->SetClock([&now] { return now; });
    widget->SetOnline();
    widget->NetObjectNamesAndParametersReceived(
        Quendle::NameParamResolved, { { "unit tap", PARAMETER_BASE }, { "unit tap led", PARAMETER_BASE } });
    WaitForBuilder();
    widget->pressed();
    now += 500;
    widget->pressed();
    now += 500;
    widget->pressed(); // the same interval is sent again
    now += 70000;
    widget->pressed();
    now += 65535;
    widget->pressed();
    QTRY_COMPARE(tap.Messages().size(), 3);
    QCOMPARE(tap.Messages(), (QList<QByteArray> { Word(500), Word(500), Word(65535) }));
}

void tst_Buttons::repeatedAnswerMovesEveryLink_data()
{
    QTest::addColumn<QString>("function");
    QTest::newRow("level up") << "levelup";
    QTest::newRow("custom MIDI") << "custmidi";
    QTest::newRow("tap tempo") << "taptempo";
    QTest::newRow("scene recall") << "scenerecall";
    QTest::newRow("pafl clear") << "paflclear";
}

// A second answer naming other objects leaves no link to the first ones: the button never drives two.
void tst_Buttons::repeatedAnswerMovesEveryLink()
{
    QFETCH(QString, function);
    cValueObject oldFirst("old first", 1);
    cValueObject oldLast("old last", 1);
    cValueObject newFirst("new first", 1);
    cValueObject newLast("new last", 1);
    auto widget = Tarvo(QStringLiteral("function=\"%1\"").arg(function));
    // Every entry of every inform list is one direction of a recorded link, and no more.
    auto entriesMatchLinks = [&] {
        int directions = 0;
        for (const cZUNetWidget::sLink& link : widget->Links())
            directions += link.mBidirect ? 2 : 1;
        int entries = 0;
        for (const cNetObject* object : std::initializer_list<const cNetObject*> { &oldFirst, &oldLast, &newFirst,
                 &newLast, widget->SwitchDriver(), widget->UWORDDriver(), widget->VectorDriver() }) {
            if (object)
                entries += InformCount(*object);
        }
        return directions > 0 && entries == directions;
    };
    widget->SetOnline();
    widget->NetObjectNamesAndParametersReceived(
        Quendle::NameParamResolved, { { "old first", PARAMETER_BASE }, { "old last", PARAMETER_BASE } });
    WaitForBuilder();
    const size_t links = widget->Links().size();
    QVERIFY(entriesMatchLinks());
    widget->NetObjectNamesAndParametersReceived(
        Quendle::NameParamResolved, { { "new first", PARAMETER_BASE }, { "new last", PARAMETER_BASE } });
    WaitForBuilder();
    QCOMPARE(widget->Links().size(), links);
    for (const cZUNetWidget::sLink& link : widget->Links())
        QVERIFY(link.mSource.rfind("old", 0) != 0 && link.mDestination.rfind("old", 0) != 0);
    QCOMPARE(InformCount(oldFirst), UWORD(0));
    QCOMPARE(InformCount(oldLast), UWORD(0));
    QVERIFY(entriesMatchLinks());
}

void tst_Buttons::vesprilKeys_data()
{
    QTest::addColumn<QString>("attributes");
    QTest::addColumn<QString>("key");
    QTest::newRow("mute zone") << "function=\"mute\" channelType=\"zone\" channelNumber=\"4\""
                               << "mute/zone/3";
    QTest::newRow("level up a room") << "function=\"levelup\" channelType=\"room\" channelNumber=\"1\""
                                     << "levelup/room/0";
    QTest::newRow("channel type before function") << "channelType=\"room\" function=\"levelup\""
                                                  << "levelup/room/0";
    QTest::newRow("crosspoint mute") << "function=\"xpmute\" channelType=\"zone\" destChannelNumber=\"3\""
                                     << "xpmute/zone/0/zone/2";
    QTest::newRow("crosspoint level") << "function=\"sendlevelup\" channelType=\"ip\" channelNumber=\"5\" "
                                         "destChannelType=\"zone\" destChannelNumber=\"2\""
                                      << "sendlevelup/ip/4/zone/1";
    QTest::newRow("preset") << "function=\"scenerecall\" sceneNumber=\"7\""
                            << "scenerecall/6";
    QTest::newRow("paging") << "function=\"paging\" channelNumber=\"2\" pagingDestChannels=\"1,3\""
                            << "paging/1/0/2";
    QTest::newRow("paging, bad zones skipped") << "function=\"paging\" pagingDestChannels=\"1,3,,x,4,0,-2,3\""
                                               << "paging/0/0/2/3";
    QTest::newRow("room divider") << "function=\"roomdivider\" roomA=\"2\" roomB=\"3\""
                                  << "roomdivider/1/2";
    QTest::newRow("custom IP") << "function=\"custip\""
                               << "custip";
    QTest::newRow("playback") << "function=\"playback\""
                              << "playback";
}

void tst_Buttons::vesprilKeys()
{
    QFETCH(QString, attributes);
    QFETCH(QString, key);
    auto widget = Vespril(attributes);
    QCOMPARE(QString::fromStdString(Key(*widget)), key);
}

void tst_Buttons::vesprilPatternsCoverEveryKey()
{
    const std::list<std::string> patterns = cZUNetButtonWidgetVespril::GetAllObjectRequestRegExpsStatic();
    const std::list<std::string> expected { "mute/controlgrp/\\d+", "mute/ip/\\d+", "mute/zone/\\d+",
        "xpmute/ip/\\d+/zone/\\d+", "xpmute/zone/\\d+/zone/\\d+", "scenerecall/\\d+", "levelup/controlgrp/\\d+",
        "levelup/ip/\\d+", "levelup/zone/\\d+", "levelup/room/\\d+", "leveldown/controlgrp/\\d+", "leveldown/ip/\\d+",
        "leveldown/zone/\\d+", "leveldown/room/\\d+", "sendlevelup/ip/\\d+/zone/\\d+",
        "sendlevelup/zone/\\d+/zone/\\d+", "sendleveldown/ip/\\d+/zone/\\d+", "sendleveldown/zone/\\d+/zone/\\d+",
        "ammchactive/\\d+", "amminout/\\d+", "custmidi", "custip", "paging(/\\d+)+", "playback",
        "roomdivider/\\d+/\\d+" };
    QCOMPARE(patterns, expected);
    std::vector<QRegularExpression> expressions;
    for (const std::string& pattern : patterns)
        expressions.emplace_back(QRegularExpression::anchoredPattern(QString::fromStdString(pattern)));
    for (const QString& function : cZUNetButtonWidgetVespril::mButtonFunctionIndexToCodes.Codes()) {
        for (const char* type : { "controlgrp", "ip", "zone", "room" }) {
            auto widget = Vespril(QStringLiteral("function=\"%1\" channelType=\"%2\" channelNumber=\"9\" "
                                                 "pagingDestChannels=\"2,5,16\" roomA=\"16\"")
                                      .arg(function, type));
            const QString key = QString::fromStdString(Key(*widget));
            QVERIFY2(key.startsWith(function), qPrintable(key));
            QVERIFY2(std::any_of(expressions.begin(), expressions.end(),
                         [&](const QRegularExpression& expression) { return expression.match(key).hasMatch(); }),
                qPrintable(key));
        }
    }
}

void tst_Buttons::channelTypesFollowTheFunction()
{
    auto widget = Vespril("function=\"levelup\" channelType=\"room\"");
    QCOMPARE(widget->GetChannelTypeIndexToCodes().Codes(), (QStringList { "controlgrp", "ip", "zone", "room" }));
    cComboProperty* channelType = nullptr;
    cComboProperty* function = nullptr;
    for (cProperty* property : widget->AllProperties()) {
        if (property->name() == QLatin1String("Channel Type"))
            channelType = static_cast<cComboProperty*>(property);
        if (property->name() == QLatin1String("Function"))
            function = static_cast<cComboProperty*>(property);
    }
    QVERIFY(channelType && function);
    QCOMPARE(channelType->Index(), 3);
    function->setValue(cZUNetButtonWidgetVespril::mButtonFunctionIndexToCodes.IndexOfCode("xpmute"));
    QCOMPARE(channelType->comboValues(), (QStringList { "Input", "Zone" }));
    QCOMPARE(channelType->Index(), 0);
    QCOMPARE(Key(*widget), std::string("xpmute/ip/0/zone/0"));
    // The same list again keeps the selection.
    channelType->setValue(1);
    function->setValue(cZUNetButtonWidgetVespril::mButtonFunctionIndexToCodes.IndexOfCode("sendlevelup"));
    QCOMPARE(channelType->Index(), 1);
}

void tst_Buttons::pagingZones_data()
{
    QTest::addColumn<QString>("destinations");
    QTest::addColumn<QStringList>("drivers");
    QTest::newRow("numbers, gaps and words") << "1,3,,x,4" << QStringList { "0", "2", "3" };
    QTest::newRow("zero, negative and repeated") << "0,-1,2,2, 5" << QStringList { "1", "4" };
    QTest::newRow("none") << "x" << QStringList {};
}

void tst_Buttons::pagingZones()
{
    QFETCH(QString, destinations);
    QFETCH(QStringList, drivers);
    auto widget = Vespril(QStringLiteral("function=\"paging\" pagingDestChannels=\"%1\"").arg(destinations));
    widget->SetOnline();
    QStringList names;
    for (cZUNetBooleanSwitchDriver* driver : widget->PagingZoneDrivers()) {
        QVERIFY(!driver->RegistrationFailed());
        // Idle is open, so the first press has a change to send.
        QVERIFY(driver->Value());
        names << QString::fromStdString(driver->GetName());
    }
    QStringList expected;
    for (const QString& zone : drivers)
        expected << "vsp_zunet_button1_paging_zone_" + zone;
    QCOMPARE(names, expected);
}

// A short press latches paging (zones closed) until the next press; a long press is momentary; a zone
// the unit opens while paging is closed again.
void tst_Buttons::pagingPresses()
{
    cRecordingObject zones("unit zones", 3);
    qint64 now = 1000;
    auto widget = Vespril("function=\"paging\" pagingDestChannels=\"1,2\"");
    widget->SetClock([&now] { return now; });
    widget->SetOnline();
    widget->NetObjectNamesAndParametersReceived(
        Quendle::NameParamResolved, { { "unit zones", PARAMETER_BASE }, { "unit zones", PARAMETER_BASE + 1 } });
    WaitForBuilder();
    QVERIFY(!widget->disabled());
    QVERIFY(zones.Received().isEmpty());

    widget->pressed();
    QVERIFY(widget->value());
    QTRY_COMPARE(zones.Received(), (QStringList { "0:00", "1:00" }));
    now += 100;
    widget->released();
    widget->clicked(); // no effect: paging is worked by press and release
    QVERIFY(widget->value());
    zones.Clear();
    zones.Send(1, QByteArray(1, '\x01'));
    QTRY_COMPARE(zones.Received(), (QStringList { "1:00" }));
    zones.Clear();
    widget->pressed();
    QVERIFY(!widget->value());
    QTRY_COMPARE(zones.Received(), (QStringList { "0:01", "1:01" }));
    now += 50;
    widget->released();

    zones.Clear();
    widget->pressed();
    now += 500;
    widget->released();
    QVERIFY(!widget->value());
    QTRY_COMPARE(zones.Received(), (QStringList { "0:00", "1:00", "0:01", "1:01" }));
}

void tst_Buttons::roomDivider()
{
    cValueObject divider("unit divider", 1);
    auto widget = Vespril("function=\"roomdivider\" roomA=\"2\" roomB=\"3\"");
    widget->SetOnline();
    widget->NetObjectNamesAndParametersReceived(Quendle::NameParamResolved, { { "unit divider", PARAMETER_BASE } });
    WaitForBuilder();
    QCOMPARE(int(widget->Links().size()), 1);
    const cZUNetWidget::sLink& link = widget->Links().front();
    QCOMPARE(link.mSource, std::string("unit divider"));
    QCOMPARE(link.mDestination, widget->SwitchDriver()->GetName());
    QVERIFY(link.mSync && link.mBidirect);
    QVERIFY(widget->IsToggle());
    widget->clicked();
    QTest::qWait(200);
    QVERIFY(widget->value());
}

// One record per message: version 2, protocol (1 UDP), 16 bytes of host, the port big-endian, the
// length and the data; nothing for a message without an address.
void tst_Buttons::customIP()
{
    cRecordingObject sender("unit custom ip");
    auto widget
        = Vespril("function=\"custip\" customIPPress=\"127.0.0.1:5000:0:01 02\" customIPRelease=\":5000:0:03\"");
    widget->SetOnline();
    widget->NetObjectNamesAndParametersReceived(Quendle::NameParamResolved, { { "unit custom ip", PARAMETER_BASE } });
    WaitForBuilder();
    QVERIFY(widget->CustomIPObject());
    widget->pressed();
    QVERIFY(widget->value());
    widget->released();
    widget->clicked();
    QTRY_COMPARE(sender.Messages().size(), 1);
    QTest::qWait(50);
    QCOMPARE(sender.Messages().size(), 1);
    const QByteArray record = sender.Messages().front();
    QCOMPARE(record.size(), 2 + 22);
    QCOMPARE(int(record[0]), 2);
    QCOMPARE(int(record[1]), 1);
    QCOMPARE(record.mid(2, 10), QByteArray("127.0.0.1\0", 10));
    QCOMPARE(record.mid(18, 2).toHex(), QByteArray("1388"));
    QCOMPARE(record.mid(20, 2).toHex(), QByteArray("0002"));
    QCOMPARE(record.mid(22).toHex(), QByteArray("0102"));
}

// Short and long presses against the unit's player: a start from stopped, then pause and stop as the
// unit reports its states; playing and paused show on, paused also the alternative look.
void tst_Buttons::playback()
{
    cRecordingObject start("unit start");
    cRecordingObject request("unit request");
    cRecordingObject reports("unit reports");
    qint64 now = 1000;
    auto widget = Vespril("function=\"playback\" playbackTrack=\"258\" playbackChannel=\"stereo\"");
    widget->SetClock([&now] { return now; });
    widget->SetOnline();
    widget->NetObjectNamesAndParametersReceived(Quendle::NameParamResolved,
        { { "unit start", PARAMETER_BASE }, { "unit request", PARAMETER_BASE }, { "unit reports", PARAMETER_BASE } });
    WaitForBuilder();
    QVERIFY(widget->PlaybackObject());
    QVERIFY(!widget->value());
    QSignalSpy alt(widget.get(), &cZUNetButtonWidget::altValueChanged);

    widget->pressed();
    now += 999;
    widget->released();
    QTRY_COMPARE(start.Received(), (QStringList { "0:020102" }));
    // The unit plays it in slot 4: slot, track, channel, state.
    reports.Send(0, QByteArray::fromHex("0401020200"));
    QTRY_VERIFY(widget->value());
    QVERIFY(!widget->altValue());
    widget->pressed();
    now += 300;
    widget->released();
    QTRY_COMPARE(request.Received(), (QStringList { "0:0401" }));
    reports.Send(0, QByteArray::fromHex("0401020201"));
    QTRY_VERIFY(widget->altValue());
    QVERIFY(widget->value());
    QVERIFY(alt.count() > 0);
    widget->pressed();
    now += 1000;
    widget->released();
    QTRY_COMPARE(request.Received(), (QStringList { "0:0401", "0:0402" }));
}

void tst_Buttons::playbackTrackOutsideItsRange_data()
{
    QTest::addColumn<QString>("track");
    QTest::newRow("0") << "0";
    QTest::newRow("65536") << "65536";
    QTest::newRow("-1") << "-1";
}

// A track the unit cannot number makes no player and no links, rather than playing another track.
void tst_Buttons::playbackTrackOutsideItsRange()
{
    QFETCH(QString, track);
    auto widget = Vespril(QStringLiteral("function=\"playback\" playbackTrack=\"%1\"").arg(track));
    widget->SetOnline();
    QVERIFY(!widget->PlaybackObject());
    widget->NetObjectNamesAndParametersReceived(
        Quendle::NameParamResolved, { { "a", PARAMETER_BASE }, { "b", PARAMETER_BASE }, { "c", PARAMETER_BASE } });
    QVERIFY(widget->Links().empty());
    widget->pressed();
    widget->released();
    QVERIFY(!widget->value());
}

QTEST_MAIN(tst_Buttons)
#include "tst_buttons.moc"
