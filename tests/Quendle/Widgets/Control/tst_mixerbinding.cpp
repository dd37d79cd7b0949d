// Mixer binding end to end: test leaves of the control and level bases, bound through the
// configuration's unit to the unit program running as a separate process on the test network,
// ask it for their names and parameters and link; a change made in the unit reaches the QML
// property, a value set from QML reaches the unit's parameter, and off line undoes exactly the
// links that on line made.
#include "Common/Misc/NonLinearLookup.h"
#include "Quendle/AppCommon/ConfigUnit.h"
#include "Quendle/AppCommon/PasswordHashing.h"
#include "Quendle/AppCommon/QuendleConfigClient.h"
#include "Quendle/Drivers/ValueDrivers.h"
#include "Quendle/Widgets/Control/ButtonWidgetTarvo.h"
#include "Quendle/Widgets/Control/ButtonWidgetVespril.h"
#include "ZUNet/Core/Syscall.h"
#include "ZUNet/Core/SystemBuilder.h"
#include "ZUNet/QT/NetworkConnection.h"
#include "tests/Quendle/Widgets/Control/MixerTestLeaves.h"
#include "tests/support/Connections.h"
#include "tests/support/QmlWarnings.h"
#include "tests/support/TraceCapture.h"
#include "tests/support/quendle/QuendleUnit.h"
#include "tests/support/quendle/TestConfig.h"
#include "tests/support/quendle/WidgetTestKit.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QRegularExpression>
#include <QtTest>

#include <algorithm>
#include <functional>
#include <memory>

namespace
{

const QString kUnitAddress = QStringLiteral("127.0.0.2");

/// The default unit with two channels: on/off switches (one byte) and gains (two bytes). Channel 2
/// has a gain but no mute object, though the unit names one.
QJsonObject Description()
{
    QJsonObject description = cQuendleUnit::DefaultDescription();
    QJsonObject keys = description.value(QStringLiteral("keys")).toObject();
    auto key = [&keys](const char* path, const char* object) {
        keys.insert(QLatin1String(path), cQuendleUnit::Key(QLatin1String(object)));
    };
    key("mute/ip/0", "Ch1Mute");
    key("mute/ip/1", "Ch2Mute");
    key("mainlevel/ip/0", "Ch1Gain");
    key("mainlevel/ip/1", "Ch2Gain");
    key("levelup/ip/0", "Ch1Gain");
    key("leveldown/ip/0", "Ch1Gain");
    key("amminout/0", "Amm1In");
    // PAFL clear: presses go to the first object, the state comes from the last.
    for (int pafl = 1; pafl <= 2; ++pafl)
        keys.insert(QStringLiteral("paflclear/%1").arg(pafl - 1),
            QJsonArray { QJsonArray { QStringLiteral("PaflClear%1").arg(pafl), 4096 },
                QJsonArray { QStringLiteral("PaflState%1").arg(pafl), 4096 } });
    description.insert(QStringLiteral("keys"), keys);
    QJsonArray objects = description.value(QStringLiteral("objects")).toArray();
    auto object = [&objects](const char* name, int size, int value) {
        objects.append(
            QJsonObject { { "name", QLatin1String(name) }, { "parameters", 1 }, { "size", size }, { "value", value } });
    };
    object("Ch1Mute", 1, 0);
    object("Ch1Gain", 2, 0x8000);
    object("Ch2Gain", 2, 30208);
    object("Amm1In", 1, 0);
    object("PaflClear1", 1, 5);
    object("PaflState1", 1, 0);
    object("PaflClear2", 1, 5);
    object("PaflState2", 1, 0);
    description.insert(QStringLiteral("objects"), objects);
    return description;
}

/// What a widget's view binds to: `shown` follows the widget's QML property; `set` writes it.
const char* const kView = R"(
import QtQuick 2.0
QtObject {
    property QtObject widget
    property string name
    readonly property real shown: widget ? widget[name] : -2
    function set(value) { if (name === "value") widget.setValue(value); else widget.position = value; }
}
)";

int InformCountOf(const cNetObject& object)
{
    SyscallMessagesPollLock();
    const int count = object.GetNumberOfInformListItems(PARAMETER_BASE);
    SyscallMessagesPollUnLock();
    return count;
}

} // namespace

class tst_MixerBinding : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void controlWidgetBothWays();
    void buttonsOfBothFamilies();
    void levelWidgetBothWays();
    void burstAtTheUnitIsShownAtItsLastValue();
    void paflClearIsToldTheUnitsState();
    void rebindWhileOnline();
    void sameIdsInTwoLayouts();
    void objectTheUnitDoesNotHave();
    void listenerGoesWithTheWidget();
    void widgetGoesWhileLinking_data();
    void widgetGoesWhileLinking();
    void driverGoneEndsItsLinks();
    void unitBackCostsOneLinkPerWidget();

private:
    void SignIn();
    template <class tWidget> std::unique_ptr<tWidget> Widget(const QString& attributes, int id = 1);
    /// A QML view of one property of the widget.
    std::unique_ptr<QObject> View(QObject* widget, const QString& property);
    /// The number a unit command reports in its last line that starts with `prefix`.
    int Ask(const QString& command, const QString& prefix) { return mUnit->Ask(command, prefix); }
    int UnitValue(const QString& object) { return Ask("get " + object, "unit: value " + object + "[0] "); }
    int UnitLinks(const QString& object) { return Ask("links " + object, "unit: links " + object + "[0] "); }
    int UnitListeners(const QString& path) { return Ask("listeners " + path, "unit: listeners " + path + " "); }
    bool Set(const QString& object, int value)
    {
        return mUnit->Command(QStringLiteral("set %1 %2").arg(object).arg(value));
    }

    cStartedNetwork mNetwork;
    std::unique_ptr<cQuendleUnit> mUnit;
    std::unique_ptr<cTestApplication> mApplication;
    std::unique_ptr<cTestConfig> mConfig;
    cConfigUnit* mConfigUnit = nullptr;
    cConfigUnit* mOtherUnit = nullptr;
    std::unique_ptr<QQmlEngine> mEngine;
    std::unique_ptr<cQmlWarningCounter> mQmlWarnings;
};

// Connects to the unit program and signs in as Bob.
void tst_MixerBinding::SignIn()
{
    QSignalSpy found(mConfigUnit, &cConnectionUnit::ConfigClientFound);
    mConfigUnit->ConnectToUnit(nullptr);
    QTRY_VERIFY_WITH_TIMEOUT(found.count() > 0 && mConfigUnit->connected(), 15000);
    QSignalSpy signedIn(mConfigUnit, &cConnectionUnit::Authenticated);
    mConfigUnit->ConfigClient()->Authenticate(
        Quendle::GetHashedString(QStringLiteral("Bob")), Quendle::GetHashedBlankPassword());
    QTRY_VERIFY_WITH_TIMEOUT(signedIn.count() > 0, 10000);
}

void tst_MixerBinding::initTestCase()
{
    mQmlWarnings = std::make_unique<cQmlWarningCounter>();
    mUnit = std::make_unique<cQuendleUnit>();
    QTemporaryDir dir;
    QVERIFY(mUnit->Start(kUnitAddress, dir.filePath(QStringLiteral("none.xml")), {}, Description()));

    mApplication = std::make_unique<cTestApplication>();
    mConfig = std::make_unique<cTestConfig>(mApplication.get());
    mConfigUnit
        = new cConfigUnit(mConfig.get(), 0, kUnitAddress, QStringLiteral("tarvo"), true, QString(), mConfig.get());
    QVERIFY(mConfig->InsertNewUnit(mConfigUnit) >= 0);
    // A second unit of the configuration that is never reached.
    mOtherUnit = new cConfigUnit(
        mConfig.get(), 1, QStringLiteral("127.0.0.9"), QStringLiteral("tarvo"), false, QString(), mConfig.get());
    QVERIFY(mConfig->InsertNewUnit(mOtherUnit) >= 0);

    SignIn();
    if (QTest::currentTestFailed())
        return;

    mEngine = std::make_unique<QQmlEngine>();
}

void tst_MixerBinding::cleanupTestCase()
{
    mEngine.reset();
    mConfig.reset();
    mApplication.reset();
    EndEveryConnection();
    QVERIFY(mUnit->Stop());
    mUnit.reset();
    mQmlWarnings.reset();
}

void tst_MixerBinding::init()
{
    QVERIFY(Set(QStringLiteral("Ch1Mute"), 0));
    QVERIFY(Set(QStringLiteral("Ch1Gain"), 0x8000));
    QVERIFY(Set(QStringLiteral("Ch2Gain"), 30208));
}

void tst_MixerBinding::cleanup()
{
    QCOMPARE(mQmlWarnings->Count(), 0);
    // Every test leaves the unit's objects unlinked.
    QTRY_VERIFY_WITH_TIMEOUT(!gSystemBuilder->IsBusy() && gSystemBuilder->GetQueued() == 0, 10000);
    for (const char* object : { "Ch1Mute", "Ch1Gain", "Ch2Gain" })
        QTRY_COMPARE_WITH_TIMEOUT(UnitLinks(QLatin1String(object)), 0, 10000);
}

template <class tWidget> std::unique_ptr<tWidget> tst_MixerBinding::Widget(const QString& attributes, int id)
{
    return WidgetTest::Make<tWidget>(
        QStringLiteral("<Widget id=\"%1\" type=\"t\" %2/>").arg(id).arg(attributes), id, nullptr, *mConfig);
}

std::unique_ptr<QObject> tst_MixerBinding::View(QObject* widget, const QString& property)
{
    QQmlComponent component(mEngine.get());
    component.setData(kView, QUrl(QStringLiteral("view.qml")));
    std::unique_ptr<QObject> view(component.create());
    if (!view) {
        qWarning() << component.errors();
        return view;
    }
    view->setProperty("name", property);
    view->setProperty("widget", QVariant::fromValue(widget));
    return view;
}

void tst_MixerBinding::controlWidgetBothWays()
{
    auto widget = Widget<cTestControlWidget>(QStringLiteral("unitId=\"0\" function=\"mute\" channelNumber=\"1\""));
    auto view = View(widget.get(), QStringLiteral("value"));
    QVERIFY(view);
    QCOMPARE(view->property("shown").toDouble(), 0.0);

    widget->SetOnline();
    QVERIFY(widget->IsOnline());
    QTRY_COMPARE_WITH_TIMEOUT(UnitLinks(QStringLiteral("Ch1Mute")), 1, 10000);
    QTRY_COMPARE(InformCountOf(*widget->SwitchDriver()), 1);

    QVERIFY(Set(QStringLiteral("Ch1Mute"), 1));
    QTRY_COMPARE(view->property("shown").toDouble(), 1.0);
    QVERIFY(QMetaObject::invokeMethod(view.get(), "set", Q_ARG(QVariant, false)));
    QTRY_COMPARE(UnitValue(QStringLiteral("Ch1Mute")), 0);
    QCOMPARE(view->property("shown").toDouble(), 0.0);
    QVERIFY(QMetaObject::invokeMethod(view.get(), "set", Q_ARG(QVariant, true)));
    QTRY_COMPARE(UnitValue(QStringLiteral("Ch1Mute")), 1);

    widget->SetOffline();
    QTRY_COMPARE_WITH_TIMEOUT(UnitLinks(QStringLiteral("Ch1Mute")), 0, 10000);
    QTRY_COMPARE(InformCountOf(*widget->SwitchDriver()), 0);
    QVERIFY(Set(QStringLiteral("Ch1Mute"), 0));
    QVERIFY(Set(QStringLiteral("Ch1Mute"), 0));
    QTest::qWait(50);
    QCOMPARE(view->property("shown").toDouble(), 1.0); // off line: no longer told
    QVERIFY(!widget->disabled());
}

// Buttons of both families on the unit's mute and gain: a click changes the unit's parameter, a change
// at the unit lights or darkens them, and level steps start from the unit's gain.
void tst_MixerBinding::buttonsOfBothFamilies()
{
    auto large = WidgetTest::Make<cZUNetButtonWidgetTarvo>(
        QStringLiteral("<Widget id=\"1\" type=\"zunet_button\" unitId=\"0\" function=\"mute\" channelType=\"ip\"/>"), 1,
        nullptr, *mConfig);
    auto second = WidgetTest::Make<cZUNetButtonWidgetVespril>(
        QStringLiteral(
            "<Widget id=\"1\" type=\"vsp_zunet_button\" unitId=\"0\" function=\"mute\" channelType=\"ip\"/>"),
        1, nullptr, *mConfig);
    auto up = WidgetTest::Make<cZUNetButtonWidgetTarvo>(
        QStringLiteral("<Widget id=\"2\" type=\"zunet_button\" unitId=\"0\" function=\"levelup\" channelType=\"ip\"/>"),
        2, nullptr, *mConfig);
    auto down = WidgetTest::Make<cZUNetButtonWidgetVespril>(
        QStringLiteral(
            "<Widget id=\"2\" type=\"vsp_zunet_button\" unitId=\"0\" function=\"leveldown\" channelType=\"ip\"/>"),
        2, nullptr, *mConfig);
    auto largeView = View(large.get(), QStringLiteral("value"));
    auto secondView = View(second.get(), QStringLiteral("value"));
    QVERIFY(largeView && secondView);
    for (cZUNetButtonWidget* button :
        std::initializer_list<cZUNetButtonWidget*> { large.get(), second.get(), up.get(), down.get() })
        button->SetOnline();
    QTRY_COMPARE_WITH_TIMEOUT(UnitLinks(QStringLiteral("Ch1Mute")), 2, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(UnitLinks(QStringLiteral("Ch1Gain")), 2, 10000);

    QVERIFY(Set(QStringLiteral("Ch1Mute"), 1));
    QTRY_COMPARE(largeView->property("shown").toDouble(), 1.0);
    QTRY_COMPARE(secondView->property("shown").toDouble(), 1.0);
    large->clicked();
    QTRY_COMPARE(UnitValue(QStringLiteral("Ch1Mute")), 0);
    QTRY_COMPARE(secondView->property("shown").toDouble(), 0.0);
    second->clicked();
    QTRY_COMPARE(UnitValue(QStringLiteral("Ch1Mute")), 1);
    QTRY_COMPARE(largeView->property("shown").toDouble(), 1.0);

    // 0 dB up one step, then down two.
    QTRY_VERIFY(up->UWORDDriver()->HasValue() && down->UWORDDriver()->HasValue());
    up->clicked();
    QTRY_COMPARE(UnitValue(QStringLiteral("Ch1Gain")), 0x8180);
    QTRY_COMPARE(int(down->UWORDDriver()->Value()), 0x8180);
    down->clicked();
    QTRY_COMPARE(UnitValue(QStringLiteral("Ch1Gain")), 0x8000);
    QTRY_COMPARE(int(down->UWORDDriver()->Value()), 0x8000);
    down->clicked();
    QTRY_COMPARE(UnitValue(QStringLiteral("Ch1Gain")), 0x7E80);

    for (cZUNetButtonWidget* button :
        std::initializer_list<cZUNetButtonWidget*> { large.get(), second.get(), up.get(), down.get() }) {
        QVERIFY(!button->disabled());
        button->SetOffline();
    }
}

void tst_MixerBinding::paflClearIsToldTheUnitsState()
{
    QVERIFY(Set(QStringLiteral("PaflClear1"), 5));
    QVERIFY(Set(QStringLiteral("PaflState1"), 0));
    auto widget
        = Widget<cTestControlWidget>(QStringLiteral("unitId=\"0\" function=\"paflclear\" paflChannelNumber=\"1\""));
    auto view = View(widget.get(), QStringLiteral("value"));
    QVERIFY(view);
    widget->SetOnline();
    QTRY_COMPARE_WITH_TIMEOUT(UnitLinks(QStringLiteral("PaflState1")), 1, 10000);
    QTRY_COMPARE(InformCountOf(*widget->SwitchDriver()), 1);

    // The switch passes every state report of the last object on to the clear object, the one the
    // link sends at once included: the clear object holds the state, never a press of its own.
    QTRY_COMPARE(UnitValue(QStringLiteral("PaflClear1")), 0);
    QVERIFY(Set(QStringLiteral("PaflState1"), 1));
    QTRY_COMPARE(view->property("shown").toDouble(), 1.0);
    QTRY_COMPARE(UnitValue(QStringLiteral("PaflClear1")), 1);
    // A press reaches the clear object only; the state object is not written.
    QVERIFY(QMetaObject::invokeMethod(view.get(), "set", Q_ARG(QVariant, false)));
    QTRY_COMPARE(UnitValue(QStringLiteral("PaflClear1")), 0);
    QCOMPARE(UnitValue(QStringLiteral("PaflState1")), 1);

    widget->SetOffline();
    QTRY_COMPARE_WITH_TIMEOUT(UnitLinks(QStringLiteral("PaflState1")), 0, 10000);
    QTRY_COMPARE(InformCountOf(*widget->SwitchDriver()), 0);
}

void tst_MixerBinding::rebindWhileOnline()
{
    QVERIFY(Set(QStringLiteral("Amm1In"), 0));
    auto widget = Widget<cTestControlWidget>(QStringLiteral("unitId=\"0\" function=\"mute\" channelNumber=\"1\""));
    auto view = View(widget.get(), QStringLiteral("value"));
    QVERIFY(view);
    widget->SetOnline();
    QTRY_COMPARE_WITH_TIMEOUT(UnitLinks(QStringLiteral("Ch1Mute")), 1, 10000);

    // Another function on line: the links move, and the AMM input shows on while the unit's is off.
    widget->SelectFunction(QStringLiteral("amminout"));
    QTRY_COMPARE_WITH_TIMEOUT(UnitLinks(QStringLiteral("Amm1In")), 1, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(UnitLinks(QStringLiteral("Ch1Mute")), 0, 10000);
    QTRY_COMPARE(view->property("shown").toDouble(), 1.0);
    QVERIFY(Set(QStringLiteral("Amm1In"), 1));
    QTRY_COMPARE(view->property("shown").toDouble(), 0.0);

    // Another binding on line: the PAFL number moves the state link to the other object.
    widget->SelectFunction(QStringLiteral("paflclear"));
    QTRY_COMPARE_WITH_TIMEOUT(UnitLinks(QStringLiteral("PaflState1")), 1, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(UnitLinks(QStringLiteral("Amm1In")), 0, 10000);
    widget->PAFLNumberProperty()->SetIntValue(2);
    QTRY_COMPARE_WITH_TIMEOUT(UnitLinks(QStringLiteral("PaflState2")), 1, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(UnitLinks(QStringLiteral("PaflState1")), 0, 10000);
    QVERIFY(!widget->disabled());

    widget->SetOffline();
    QTRY_COMPARE_WITH_TIMEOUT(UnitLinks(QStringLiteral("PaflState2")), 0, 10000);
}

void tst_MixerBinding::levelWidgetBothWays()
{
    auto widget = Widget<cTestLevelWidget>(QStringLiteral("unitId=\"0\" levelType=\"mainlevel\" channelNumber=\"1\""));
    auto view = View(widget.get(), QStringLiteral("position"));
    QVERIFY(view);
    QCOMPARE(view->property("shown").toDouble(), -1.0);
    cZUNetUWORDDriver* driver = widget->LevelDriver();

    widget->SetOnline();
    // Sync: the unit's gain (0 dB) arrives as soon as the link is made.
    QTRY_COMPARE_WITH_TIMEOUT(view->property("shown").toDouble(), 196 / 255.0, 10000);
    QCOMPARE(UnitLinks(QStringLiteral("Ch1Gain")), 1);
    QVERIFY(Set(QStringLiteral("Ch1Gain"), 0));
    QTRY_COMPARE(view->property("shown").toDouble(), 0.0);
    QVERIFY(QMetaObject::invokeMethod(view.get(), "set", Q_ARG(QVariant, 1.0)));
    QTRY_COMPARE(UnitValue(QStringLiteral("Ch1Gain")), int(cFaderLookup::kFaderLawTable[255]));
    QCOMPARE(view->property("shown").toDouble(), 1.0);

    // Every SetOnline asks again; the one driver stays and the unit holds one link, not two.
    const int answers = widget->mAnswers;
    widget->SetOnline();
    QTRY_COMPARE_WITH_TIMEOUT(widget->mAnswers, answers + 1, 10000);
    QCOMPARE(widget->LevelDriver(), driver);
    QTRY_VERIFY_WITH_TIMEOUT(!gSystemBuilder->IsBusy() && gSystemBuilder->GetQueued() == 0, 10000);
    QCOMPARE(UnitLinks(QStringLiteral("Ch1Gain")), 1);

    // A binding change while on line moves the widget to the other channel.
    widget->mChannelNumber->SetIntValue(2);
    QTRY_COMPARE_WITH_TIMEOUT(view->property("shown").toDouble(), 124 / 255.0, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(UnitLinks(QStringLiteral("Ch1Gain")), 0, 10000);
    QCOMPARE(UnitLinks(QStringLiteral("Ch2Gain")), 1);

    widget->SetOffline();
    QTRY_COMPARE_WITH_TIMEOUT(UnitLinks(QStringLiteral("Ch2Gain")), 0, 10000);
    QVERIFY(Set(QStringLiteral("Ch2Gain"), 0x8000));
    QTest::qWait(50);
    QCOMPARE(view->property("shown").toDouble(), 124 / 255.0);
}

// The unit's gain runs through 1 to one past a fader step in one burst: only the last value reaches
// the next step, and the widget is told far fewer times than the gain changed.
void tst_MixerBinding::burstAtTheUnitIsShownAtItsLastValue()
{
    auto widget = Widget<cTestLevelWidget>(QStringLiteral("unitId=\"0\" levelType=\"mainlevel\" channelNumber=\"1\""));
    auto view = View(widget.get(), QStringLiteral("position"));
    QVERIFY(view);
    widget->SetOnline();
    QTRY_COMPARE_WITH_TIMEOUT(view->property("shown").toDouble(), 196 / 255.0, 10000);
    const int before = widget->mDriverValueCalls;
    const int changes = cFaderLookup::kFaderLawTable[3] + 1;
    QVERIFY(mUnit->Command(QStringLiteral("sweep Ch1Gain %1").arg(changes)));
    QTRY_COMPARE_WITH_TIMEOUT(view->property("shown").toDouble(), 4 / 255.0, 10000);
    const int told = widget->mDriverValueCalls - before;
    qInfo("%d changes at the unit, the widget told %d times", changes, told);
    QVERIFY(told < changes / 4);
    widget->SetOffline();
}

// Two layouts each with a fader of the same type and id, on two channels: each moves its own.
void tst_MixerBinding::sameIdsInTwoLayouts()
{
    auto first
        = Widget<cTestLevelWidget>(QStringLiteral("unitId=\"0\" levelType=\"mainlevel\" channelNumber=\"1\""), 4);
    auto second
        = Widget<cTestLevelWidget>(QStringLiteral("unitId=\"0\" levelType=\"mainlevel\" channelNumber=\"2\""), 4);
    first->SetOnline();
    second->SetOnline();
    QTRY_COMPARE_WITH_TIMEOUT(first->position(), 196 / 255.0, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(second->position(), 124 / 255.0, 10000);
    QVERIFY(Set(QStringLiteral("Ch1Gain"), 0x8000 + 5 * 256));
    QTRY_COMPARE(first->position(), 231 / 255.0);
    QCOMPARE(second->position(), 124 / 255.0);
    second->setPosition(0.0);
    QTRY_COMPARE(UnitValue(QStringLiteral("Ch2Gain")), 0);
    QCOMPARE(UnitValue(QStringLiteral("Ch1Gain")), 0x8000 + 5 * 256);
    QCOMPARE(first->position(), 231 / 255.0);
    first->SetOffline();
    second->SetOffline();
}

void tst_MixerBinding::objectTheUnitDoesNotHave()
{
    cTraceCapture traces;
    auto widget = Widget<cTestControlWidget>(QStringLiteral("unitId=\"0\" function=\"mute\" channelNumber=\"2\""));
    widget->SetOnline();
    QTRY_VERIFY_WITH_TIMEOUT(widget->disabled(), 15000);
    QCOMPARE(traces.Count(QStringLiteral("ERROR: Failed to make link!")), 1);
    widget->SetOffline();
    QVERIFY(!widget->disabled());

    // A key the unit cannot resolve disables the widget too.
    auto unknown = Widget<cTestLevelWidget>(QStringLiteral("unitId=\"0\" levelType=\"sendlevel\""));
    unknown->SetOnline();
    QTRY_VERIFY_WITH_TIMEOUT(unknown->disabled(), 10000);
    QVERIFY(unknown->NamesAndParameters().empty());
    unknown->SetOffline();
}

// The names listener goes off line and dies with the widget, from the client it was registered
// with, even after the widget's unit changed: no name update can reach it afterwards.
void tst_MixerBinding::listenerGoesWithTheWidget()
{
    auto widget = Widget<cTestControlWidget>(QStringLiteral("unitId=\"0\" function=\"mute\" channelNumber=\"1\""));
    widget->SetOnline();
    QTRY_COMPARE_WITH_TIMEOUT(UnitListeners(QStringLiteral("mute/ip/0")), 1, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(UnitLinks(QStringLiteral("Ch1Mute")), 1, 10000);
    widget->SetOffline();
    QTRY_COMPARE_WITH_TIMEOUT(UnitListeners(QStringLiteral("mute/ip/0")), 0, 10000);
    const int answers = widget->mAnswers;
    QVERIFY(mUnit->Command(QStringLiteral("name-update mute/ip/0 Ch1Gain 4096")));
    QTest::qWait(100);
    QCOMPARE(widget->mAnswers, answers);
    QVERIFY(widget->Links().empty());

    widget->SetOnline();
    QTRY_COMPARE_WITH_TIMEOUT(UnitListeners(QStringLiteral("mute/ip/0")), 1, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(UnitLinks(QStringLiteral("Ch1Mute")), 1, 10000);
    widget->SetCurrentUnitId(1);
    widget.reset();
    QTRY_COMPARE_WITH_TIMEOUT(UnitListeners(QStringLiteral("mute/ip/0")), 0, 10000);
}

namespace
{

enum eKind { kControl, kLevel };
/// When the widget acts: its name request just sent, its unit's answer just in (the link queued),
/// the link request just sent to the unit (its reply not yet dispatched here), the link settled.
enum eMoment { kRequested, kAnswered, kLinkSent, kSettled };
/// What it does then: goes away, goes off line and away at once, or goes on line again (a control
/// widget remakes its drivers) and goes away once linked again.
enum eAction { kDestroy, kOfflineAndDestroy, kOnlineAgain };

/// Turns the event loop until `done`, in small steps, so the moment it happens is not overshot.
bool SpinUntil(const std::function<bool()>& done, int timeoutMs = 10000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    return true;
}

} // namespace

void tst_MixerBinding::widgetGoesWhileLinking_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("moment");
    QTest::addColumn<int>("action");

    const std::pair<int, const char*> kinds[] = { { kControl, "control" }, { kLevel, "level" } };
    const std::pair<int, const char*> moments[] = { { kRequested, "requested" }, { kAnswered, "answered" },
        { kLinkSent, "link sent" }, { kSettled, "settled" } };
    const std::pair<int, const char*> actions[] = { { kDestroy, "destroyed" },
        { kOfflineAndDestroy, "off line and destroyed" }, { kOnlineAgain, "on line again" } };
    for (const auto& kind : kinds) {
        for (const auto& moment : moments) {
            for (const auto& action : actions) {
                // The level widget keeps its one driver when it goes on line again.
                if (action.first == kOnlineAgain && kind.first == kLevel)
                    continue;
                QTest::addRow("%s, %s, %s", kind.second, moment.second, action.second)
                    << kind.first << moment.first << action.first;
            }
        }
    }
}

// A widget that goes away (or remakes its drivers) at any moment of its linking leaves no link on
// the unit, and the system builder never looks for a driver that went away under its commands.
void tst_MixerBinding::widgetGoesWhileLinking()
{
    QFETCH(int, kind);
    QFETCH(int, moment);
    QFETCH(int, action);
    const QString object = kind == kControl ? QStringLiteral("Ch1Mute") : QStringLiteral("Ch1Gain");
    constexpr int kRounds = 8;

    cTraceCapture traces;
    QList<QPointer<QObject>> drivers;
    for (int round = 0; round < kRounds; ++round) {
        std::unique_ptr<cZUNetWidget> widget;
        std::function<int()> answers;
        std::function<QObject*()> driver;
        if (kind == kControl) {
            auto control
                = Widget<cTestControlWidget>(QStringLiteral("unitId=\"0\" function=\"mute\" channelNumber=\"1\""));
            answers = [w = control.get()] { return w->mAnswers; };
            driver = [w = control.get()] { return w->SwitchDriver(); };
            widget = std::move(control);
        } else {
            auto level
                = Widget<cTestLevelWidget>(QStringLiteral("unitId=\"0\" levelType=\"mainlevel\" channelNumber=\"1\""));
            answers = [w = level.get()] { return w->mAnswers; };
            driver = [w = level.get()] { return w->LevelDriver(); };
            widget = std::move(level);
        }
        // The count below must be this round's link, not the last round's one still being removed.
        if (moment == kSettled)
            QTRY_COMPARE_WITH_TIMEOUT(UnitLinks(object), 0, 10000);
        const ULONG made = gSystemBuilder->GetMade();
        widget->SetOnline();
        bool locked = false;
        if (moment >= kAnswered)
            QVERIFY(SpinUntil([&] { return answers() > 0; }));
        if (moment == kLinkSent) {
            // No events turned here: the builder works on the syscall thread. Holding the poll lock
            // keeps the unit's answer to the link request from being dispatched.
            QElapsedTimer timer;
            timer.start();
            while (gSystemBuilder->GetMade() == made && timer.elapsed() < 10000)
                QThread::yieldCurrentThread();
            QVERIFY(gSystemBuilder->GetMade() > made);
            SyscallMessagesPollLock();
            locked = true;
        }
        if (moment == kSettled)
            QTRY_COMPARE_WITH_TIMEOUT(UnitLinks(object), 1, 10000);

        drivers << driver();
        if (action == kOfflineAndDestroy)
            widget->SetOffline();
        if (action == kOnlineAgain)
            widget->SetOnline();
        else
            widget.reset();
        if (locked)
            SyscallMessagesPollUnLock();
        if (action == kOnlineAgain) {
            const int before = answers();
            QVERIFY(SpinUntil([&] { return answers() > before; }));
            QTRY_VERIFY_WITH_TIMEOUT(!gSystemBuilder->IsBusy() && gSystemBuilder->GetQueued() == 0, 10000);
            QTRY_COMPARE_WITH_TIMEOUT(UnitLinks(object), 1, 10000);
            drivers << driver();
            widget.reset();
        }
    }
    // Every driver goes once the builder is done with it, by events turned alone (no exec()).
    QVERIFY(SpinUntil([&] {
        return std::all_of(drivers.begin(), drivers.end(), [](const QPointer<QObject>& d) { return d.isNull(); });
    }));
    QTRY_VERIFY_WITH_TIMEOUT(!gSystemBuilder->IsBusy() && gSystemBuilder->GetQueued() == 0, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(UnitLinks(object), 0, 10000);
    QCOMPARE(traces.CountContaining(QStringLiteral("Can't find")), 0);
    QCOMPARE(traces.CountContaining(QStringLiteral("Failed to make link")), 0);
}

// A driver deleted with nothing queued for it still ends its link on the unit: the unit's object
// is told through the driver's delete list.
void tst_MixerBinding::driverGoneEndsItsLinks()
{
    auto widget = Widget<cTestControlWidget>(QStringLiteral("unitId=\"0\" function=\"mute\" channelNumber=\"1\""));
    widget->SetOnline();
    QTRY_COMPARE_WITH_TIMEOUT(UnitLinks(QStringLiteral("Ch1Mute")), 1, 10000);
    QCOMPARE(int(widget->NamesAndParameters().size()), 1);
    const auto remote = widget->NamesAndParameters().front();
    widget->SetOffline();
    QTRY_COMPARE_WITH_TIMEOUT(UnitLinks(QStringLiteral("Ch1Mute")), 0, 10000);

    SyscallMessagesPollLock();
    auto* driver = new cZUNetBooleanSwitchDriver(nullptr, "test_lone_switch");
    SyscallMessagesPollUnLock();
    driver->Link(remote.first.c_str(), remote.second, false, {});
    QTRY_COMPARE_WITH_TIMEOUT(UnitLinks(QStringLiteral("Ch1Mute")), 1, 10000);
    QVERIFY(Set(QStringLiteral("Ch1Mute"), 1));
    QTRY_VERIFY(driver->Value());
    SyscallMessagesPollLock();
    delete driver;
    SyscallMessagesPollUnLock();
    QTRY_COMPARE_WITH_TIMEOUT(UnitLinks(QStringLiteral("Ch1Mute")), 0, 10000);
}

// The unit's program restarts: the links it held ended with its connection, so the widgets going off
// line send it no removals (which would reach its next program), and back on line each widget costs
// it one link request and has its link again.
void tst_MixerBinding::unitBackCostsOneLinkPerWidget()
{
    std::vector<std::unique_ptr<cZUNetWidget>> widgets;
    widgets.push_back(
        Widget<cTestLevelWidget>(QStringLiteral("unitId=\"0\" levelType=\"mainlevel\" channelNumber=\"1\""), 1));
    widgets.push_back(
        Widget<cTestLevelWidget>(QStringLiteral("unitId=\"0\" levelType=\"mainlevel\" channelNumber=\"2\""), 2));
    widgets.push_back(
        Widget<cTestControlWidget>(QStringLiteral("unitId=\"0\" function=\"mute\" channelNumber=\"1\""), 3));
    const QStringList objects { QStringLiteral("Ch1Gain"), QStringLiteral("Ch2Gain"), QStringLiteral("Ch1Mute") };
    auto allLinked = [&] {
        for (const QString& object : objects) {
            if (UnitLinks(object) != 1)
                return false;
        }
        return true;
    };
    for (auto& widget : widgets)
        widget->SetOnline();
    QTRY_VERIFY_WITH_TIMEOUT(allLinked(), 10000);

    mUnit->Kill();
    QTRY_VERIFY_WITH_TIMEOUT(!mConfigUnit->connected(), 15000);
    // The program is back before the widgets hear of the loss, as when it restarts at once: a
    // removal would open a connection to it and reach it.
    mUnit = std::make_unique<cQuendleUnit>();
    QTemporaryDir dir;
    QVERIFY(mUnit->Start(kUnitAddress, dir.filePath(QStringLiteral("none.xml")), {}, Description()));
    for (auto& widget : widgets)
        widget->SetOffline();
    QTRY_VERIFY_WITH_TIMEOUT(!gSystemBuilder->IsBusy() && gSystemBuilder->GetQueued() == 0, 15000);
    SignIn();
    if (QTest::currentTestFailed())
        return;

    for (auto& widget : widgets)
        widget->SetOnline();
    QTRY_VERIFY_WITH_TIMEOUT(allLinked(), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(!gSystemBuilder->IsBusy() && gSystemBuilder->GetQueued() == 0, 10000);
    // The unit program counts the link requests its objects received.
    QVERIFY(mUnit->Command(QStringLiteral("received")));
    const QRegularExpression received(QStringLiteral("unit: received names \\d+ links (\\d+)"));
    int linkRequests = -1;
    for (const QString& line : mUnit->Lines()) {
        const QRegularExpressionMatch match = received.match(line);
        if (match.hasMatch())
            linkRequests = match.captured(1).toInt();
    }
    QCOMPARE(linkRequests, int(widgets.size()));
    QVERIFY(Set(QStringLiteral("Ch2Gain"), 0x8000));
    QTRY_COMPARE(static_cast<cTestLevelWidget*>(widgets[1].get())->position(), 196 / 255.0);
    for (auto& widget : widgets)
        widget->SetOffline();
}

QTEST_MAIN(tst_MixerBinding)
#include "tst_mixerbinding.moc"
