// The runner as a person meets it, whole: the program entry with its real window, pages, page
// machine and application object in this process, driven with the mouse and the keyboard; the unit
// program of the tests as a separate process on the test network, announcing itself and serving a
// stored configuration whose layout follows the mixer's scene. Signing in (refused, unreachable,
// accepted), the content following a recall on the unit, the unit killed and started again while
// its content is shown, without a restart of the runner, and a burst of configuration changes on a
// large layout.
// The program's application object is a QGuiApplication. With QtWidgets in sight (Qt's SVG module
// brings it), Qt Test's window mouse and key helpers reach it through a cast to QApplication, which
// the undefined-behaviour sanitizer stops; without it they take the QGuiApplication.
#undef QT_WIDGETS_LIB

#include "Quendle/AppCommon/ConfigUnit.h"
#include "Quendle/Runner/ApplicationMain.h"
#include "Quendle/Runner/RunnerConfig.h"
#include "Quendle/Runner/RunnerLayout.h"
#include "tests/Quendle/Widgets/Control/MixerTestLeaves.h"
#include "tests/support/QmlWarnings.h"
#include "tests/support/TestNetwork.h"
#include "tests/support/quendle/QuendleUnit.h"
#include "tests/support/quendle/WidgetTestKit.h"

#include <QAbstractState>
#include <QGuiApplication>
#include <QJsonArray>
#include <QPointer>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQmlExpression>
#include <QQuickItem>
#include <QQuickWindow>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>

namespace
{

const QString kUnitName = QStringLiteral("e2e.unit");
// Units of this family are listed whatever version they announce.
const QString kFindString = QStringLiteral("Frell Find");
// The texts of the stored layouts: scene 0, scene 2.
const QString kMorning = QStringLiteral("Morning service|Lectern");
const QString kEvening = QStringLiteral("Evening concert");
const QString kSignInRoad
    = QStringLiteral("connectingPageOpen,downloadingConfigPageOpen,connectingToUnitsPageOpen,contentPageOpen");
const QString kUpdateRoad = QStringLiteral("updatingConfigPageOpen,connectingToUnitsPageOpen,contentPageOpen");
// Network steps on a loaded machine: discovery, probes, sign-in, download, retries every 2 s.
constexpr int kSlow = 40000;

/// The default unit with a gain on channel 1 at `gain`.
QJsonObject Description(int gain)
{
    QJsonObject description = cQuendleUnit::DefaultDescription();
    QJsonObject keys = description.value(QStringLiteral("keys")).toObject();
    keys.insert(QStringLiteral("mainlevel/ip/0"), cQuendleUnit::Key(QStringLiteral("Ch1Gain")));
    description.insert(QStringLiteral("keys"), keys);
    QJsonArray objects = description.value(QStringLiteral("objects")).toArray();
    objects.append(QJsonObject { { "name", "Ch1Gain" }, { "parameters", 1 }, { "size", 2 }, { "value", gain } });
    description.insert(QStringLiteral("objects"), objects);
    return description;
}

// Gains and the fader positions they show (the fader law).
constexpr int kGainZeroDb = 0x8000;
constexpr double kPositionZeroDb = 196 / 255.0;
constexpr int kGainLow = 30208;
constexpr double kPositionLow = 124 / 255.0;
constexpr double kPositionNoWidget = -2;

/// What a fader's view binds to.
const char* const kFaderView = R"(
import QtQuick 2.0
QtObject {
    property QtObject widget
    readonly property real shown: widget ? widget.position : -2
}
)";

std::function<void()> gScenario;

/// Runs from every application object's constructor: the scenario starts once the event loop does,
/// after the window and the network exist, and the program ends after it as a person ends it.
void QueueScenario()
{
    if (!gScenario)
        return;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [] {
            const std::function<void()> scenario = std::move(gScenario);
            gScenario = nullptr;
            scenario();
            for (QWindow* window : QGuiApplication::topLevelWindows())
                window->close();
            QCoreApplication::quit();
        },
        Qt::QueuedConnection);
}

QObject* FindIn(QObject* root, const QString& name)
{
    if (!root)
        return nullptr;
    if (QObject* found = root->findChild<QObject*>(name))
        return found;
    // Delegates and loaded pages hang in the item tree only.
    QList<QQuickItem*> pending;
    if (auto* item = qobject_cast<QQuickItem*>(root))
        pending.append(item);
    else if (auto* window = qobject_cast<QQuickWindow*>(root))
        pending.append(window->contentItem());
    while (!pending.isEmpty()) {
        QQuickItem* item = pending.takeFirst();
        if (item->objectName() == name)
            return item;
        pending += item->childItems();
    }
    return nullptr;
}

} // namespace

class tst_RunnerEndToEnd : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void signIn();
    void unitLostAndBack_data();
    void unitLostAndBack();
    void burstOfConfigChanges();
    void damagedSettings();

private:
    void SignInScenario();
    void UnitLostAndBackScenario();
    void BurstOfConfigChangesScenario();
    void DamagedSettingsScenario();

    /// The program entry as the executable runs it, with `scenario` played inside its event loop.
    void RunProgram(void (tst_RunnerEndToEnd::*scenario)());
    bool StartUnit(const QStringList& arguments = {}, int gain = kGainZeroDb, const QString& config = QString());
    /// A fader of the tests on the unit's channel 1 gain, put into the shown layout and on line as
    /// the configuration does with the mixer-bound widgets it reads.
    QPointer<cTestLevelWidget> AddFader();
    /// How many objects the unit's `object` tells of its changes.
    int UnitLinks(const QString& object);

    QObject* Find(const QString& name) const { return FindIn(mWindow, name); }
    /// Records every page state the window's machine enters from now on.
    void WatchRoad();
    /// The page states entered since the last call, in order.
    QString Road();
    /// A QML expression in the scope of the window's root file: its ids and `_application`.
    QVariant Eval(const QString& expression) const;
    bool InState(const QString& state) const { return Eval(state + QStringLiteral(".active")).toBool(); }
    bool AllUnitsUp() const
    {
        return Eval(QStringLiteral("_application.currentConfig.connectionInterface.allUnitsConnectedAndAuthenticated"))
            .toBool();
    }
    /// The texts the content page's text widgets show, in the order they were created.
    QString ContentTexts() const;
    /// The unit picker's row showing `name`, once it is drawn.
    QQuickItem* UnitRow(const QString& name) const;
    void Click(QObject* item, qreal xFraction = 0.5);
    void Type(QObject* field, const QString& text);
    /// Picks the unit found on the network, or "Other..." with `address`, as `user`, and connects.
    void Connect(const QString& address, const QString& user, const QString& password);

    QTemporaryDir mConfigHome;
    std::unique_ptr<cQuendleUnit> mUnit;
    QQuickWindow* mWindow = nullptr;
    QStringList mRoad;
    std::unique_ptr<cQmlWarningCounter> mQmlWarnings;
};

void tst_RunnerEndToEnd::initTestCase()
{
    ZU_REQUIRE_PRIVATE_TEST_NETWORK();
    QVERIFY(mConfigHome.isValid());
    qputenv("XDG_CONFIG_HOME", mConfigHome.path().toUtf8());
    // No OpenGL context offscreen.
    qputenv("QT_QUICK_BACKEND", "software");
    qAddPreRoutine(QueueScenario);
    mQmlWarnings = std::make_unique<cQmlWarningCounter>();
}

void tst_RunnerEndToEnd::cleanupTestCase()
{
    mQmlWarnings.reset();
}

void tst_RunnerEndToEnd::init()
{
    QSettings settings(QStringLiteral("Quendle Audio"), QStringLiteral("Quendle App"));
    settings.clear();
    // The licence was accepted on an earlier run.
    settings.setValue(QStringLiteral("EU"), true);
    mQmlWarnings->Reset();
}

void tst_RunnerEndToEnd::cleanup()
{
    mUnit.reset();
    QCOMPARE(mQmlWarnings->Count(), 0);
}

bool tst_RunnerEndToEnd::StartUnit(const QStringList& arguments, int gain, const QString& config)
{
    mUnit = std::make_unique<cQuendleUnit>();
    // Every address: discovery reports whichever one the announcement left from.
    return mUnit->Start(QStringLiteral("0.0.0.0"), config.isEmpty() ? QFINDTESTDATA("console.xml") : config,
        QStringList { "--announce", kFindString, "--unit-name", kUnitName } + arguments, Description(gain));
}

int tst_RunnerEndToEnd::UnitLinks(const QString& object)
{
    if (!mUnit->Command(QStringLiteral("links ") + object))
        return -1;
    const QString prefix = QStringLiteral("unit: links ") + object + QStringLiteral("[0] ");
    const QStringList lines = mUnit->Lines();
    for (int i = lines.size() - 1; i >= 0; --i) {
        const int at = lines[i].indexOf(prefix);
        if (at >= 0)
            return lines[i]
                .mid(at + prefix.size())
                .section(QLatin1Char(' '), 0, 0)
                .section(QLatin1Char('\t'), 0, 0)
                .toInt();
    }
    return -1;
}

QPointer<cTestLevelWidget> tst_RunnerEndToEnd::AddFader()
{
    auto* config = qobject_cast<cRunnerConfig*>(Eval(QStringLiteral("_application.currentConfig")).value<QObject*>());
    const QObject* primary = Eval(QStringLiteral("_application.primaryUnit")).value<QObject*>();
    if (!config || !primary || config->layouts()->count() == 0)
        return nullptr;
    int unitId = -1;
    for (const cConfigUnit* record : config->units()->toList()) {
        if (config->GetUnit(record->unitId()) == primary)
            unitId = record->unitId();
    }
    cRunnerLayout* layout = config->layouts()->at(0);
    auto* fader = new cTestLevelWidget(90, layout, *config);
    WidgetTest::Load(*fader,
        QStringLiteral("<Widget id=\"90\" type=\"test_zunet_fader\" unitId=\"%1\" levelType=\"mainlevel\" "
                       "channelNumber=\"1\"/>")
            .arg(unitId));
    layout->AddWidget(fader);
    layout->SetOnline();
    return fader;
}

void tst_RunnerEndToEnd::RunProgram(void (tst_RunnerEndToEnd::*scenario)())
{
    gScenario = [this, scenario] {
        for (QWindow* window : QGuiApplication::topLevelWindows()) {
            if (auto* quick = qobject_cast<QQuickWindow*>(window))
                mWindow = quick;
        }
        QVERIFY(mWindow);
        WatchRoad();
        (this->*scenario)();
    };
    QByteArray program("quendle_runner");
    char* argv[] = { program.data(), nullptr };
    int argc = 1;
    const int result = Quendle::RunApplication(argc, argv, QUrl(QStringLiteral("qrc:/main.qml")));
    mWindow = nullptr;
    QVERIFY(!gScenario);
    QCOMPARE(result, 0);
}

void tst_RunnerEndToEnd::WatchRoad()
{
    mRoad.clear();
    const QList<QAbstractState*> states = mWindow->findChildren<QAbstractState*>();
    QVERIFY(!states.isEmpty());
    for (QAbstractState* state : states) {
        const QString name = state->objectName();
        // The pages, not the kiosk password states inside two of them.
        if (!name.isEmpty() && state->parentState() == state->machine())
            connect(state, &QAbstractState::entered, this, [this, name] { mRoad.append(name); });
    }
}

QString tst_RunnerEndToEnd::Road()
{
    const QString road = mRoad.join(QLatin1Char(','));
    mRoad.clear();
    return road;
}

QVariant tst_RunnerEndToEnd::Eval(const QString& expression) const
{
    QQmlExpression evaluated(qmlContext(mWindow), mWindow, expression);
    const QVariant value = evaluated.evaluate();
    if (evaluated.hasError())
        qWarning("%s: %s", qPrintable(expression), qPrintable(evaluated.error().toString()));
    return value;
}

QString tst_RunnerEndToEnd::ContentTexts() const
{
    return Eval(QStringLiteral("contentPage.dynamicallyCreatedLandscapeItems"
                               ".filter(function (item) { return item.objectName === 'textWidget'; })"
                               ".map(function (item) { return item.text; }).join('|')"))
        .toString();
}

QQuickItem* tst_RunnerEndToEnd::UnitRow(const QString& name) const
{
    QObject* list = Find(QStringLiteral("unitList"));
    if (!list)
        return nullptr;
    const int count = list->property("count").toInt();
    for (int row = 0; row < count; ++row) {
        QQuickItem* item = nullptr;
        QMetaObject::invokeMethod(list, "itemAtIndex", Q_RETURN_ARG(QQuickItem*, item), Q_ARG(int, row));
        const QObject* unit = item ? item->property("unit").value<QObject*>() : nullptr;
        if (unit && unit->property("name").toString() == name)
            return item;
    }
    return nullptr;
}

void tst_RunnerEndToEnd::Click(QObject* object, qreal xFraction)
{
    auto* item = qobject_cast<QQuickItem*>(object);
    QVERIFY(item);
    QTRY_VERIFY(item->isVisible() && item->isEnabled());
    const QPointF point = item->mapToScene(QPointF(item->width() * xFraction, item->height() / 2));
    QTest::mouseClick(mWindow, Qt::LeftButton, Qt::NoModifier, point.toPoint());
}

void tst_RunnerEndToEnd::Type(QObject* field, const QString& text)
{
    QVERIFY(field);
    field->setProperty("text", QString());
    Click(field);
    QTRY_VERIFY(qobject_cast<QQuickItem*>(field)->hasActiveFocus());
    for (const QChar character : text)
        QTest::keyClick(mWindow, character.toLatin1());
    QCOMPARE(field->property("text").toString(), text);
}

void tst_RunnerEndToEnd::Connect(const QString& address, const QString& user, const QString& password)
{
    QTRY_VERIFY_WITH_TIMEOUT(InState(QStringLiteral("loginPageOpen")), kSlow);
    if (address.isEmpty()) {
        QQuickItem* row = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((row = UnitRow(kUnitName)) != nullptr, kSlow);
        Click(row, 0.3);
        // The unit's users come into the combo box.
        QObject* combo = Find(QStringLiteral("userCombo"));
        QTRY_VERIFY_WITH_TIMEOUT(combo->property("visible").toBool(), kSlow);
        QCOMPARE(Eval(QStringLiteral("_application.foundUnitsManager.selectedUnitUserList.join(',')")).toString(),
            QStringLiteral("Alice,Bob,Admin"));
        // Picked from the list as a person does; the pick copies the name into the user-name field.
        const int index
            = Eval(QStringLiteral("_application.foundUnitsManager.selectedUnitUserList.indexOf('%1')").arg(user))
                  .toInt();
        QVERIFY(index >= 0);
        combo->setProperty("currentIndex", index);
        QVERIFY(QMetaObject::invokeMethod(combo, "activated", Q_ARG(int, index)));
        QCOMPARE(Find(QStringLiteral("usernameField"))->property("text").toString(), user);
    } else {
        QQuickItem* row = UnitRow(QStringLiteral("Other..."));
        QVERIFY(row);
        Click(row, 0.3);
        Type(FindIn(row, QStringLiteral("ipAddressField")), address);
        Type(Find(QStringLiteral("usernameField")), user);
    }
    QTRY_VERIFY(Find(QStringLiteral("passwordField"))->property("visible").toBool());
    Type(Find(QStringLiteral("passwordField")), password);
    Click(Find(QStringLiteral("connectButton")));
}

void tst_RunnerEndToEnd::signIn()
{
    QVERIFY(StartUnit());
    RunProgram(&tst_RunnerEndToEnd::SignInScenario);
}

void tst_RunnerEndToEnd::SignInScenario()
{
    QTRY_VERIFY_WITH_TIMEOUT(InState(QStringLiteral("loginPageOpen")), kSlow);
    QCOMPARE(Road(), QStringLiteral("autoLoginCheck,loginPageOpen"));
    // Found through discovery and listed under its name and family.
    QQuickItem* row = nullptr;
    QTRY_VERIFY_WITH_TIMEOUT((row = UnitRow(kUnitName)) != nullptr, kSlow);
    QVERIFY(row->isEnabled());
    QStringList shown;
    for (const QQuickItem* text : row->childItems())
        shown << text->property("text").toString();
    QVERIFY2(shown.contains(kUnitName) && shown.contains(QStringLiteral("Fennick ")), qPrintable(shown.join('|')));

    struct sAttempt {
        const char* mWhat;
        QString mAddress; // empty: the unit found on the network
        QString mPassword;
        QString mRoad; // to the failure page
        QString mHeadline;
        QString mReason;
    };
    const sAttempt attempts[] = {
        { "typed address that is none", "300.1.2.3", "wonder", "connectingPageOpen,connectionAttemptFailedPageOpen",
            "Connection attempt failed", "Invalid IP address" },
        { "typed address with nobody there", "10.77.0.9", "wonder",
            "connectingPageOpen,connectionAttemptFailedPageOpen", "Connection attempt failed", "" },
        { "wrong password", "", "wrong", "connectingPageOpen,downloadingConfigPageOpen,downloadConfigFailedPageOpen",
            "Failed to download data", "Username or password incorrect" },
    };
    for (const sAttempt& attempt : attempts) {
        Connect(attempt.mAddress, QStringLiteral("Alice"), attempt.mPassword);
        if (QTest::currentTestFailed())
            return;
        QTRY_VERIFY2_WITH_TIMEOUT(InState(attempt.mRoad.section(QLatin1Char(','), -1)), attempt.mWhat, kSlow);
        QCOMPARE(Road(), attempt.mRoad);
        QObject* page = Find(QStringLiteral("taskFailurePage"));
        QVERIFY2(page->property("visible").toBool(), attempt.mWhat);
        QCOMPARE(FindIn(page, QStringLiteral("headline"))->property("text").toString(), attempt.mHeadline);
        QCOMPARE(FindIn(page, QStringLiteral("reason"))->property("text").toString(), attempt.mReason);
        Click(FindIn(page, QStringLiteral("okButton")));
        QTRY_VERIFY2(InState(QStringLiteral("loginPageOpen")), attempt.mWhat);
        QCOMPARE(Road(), QStringLiteral("loginPageOpen"));
    }

    // The right password: the layout of the scene the mixer is in.
    Connect(QString(), QStringLiteral("Alice"), QStringLiteral("wonder"));
    QTRY_VERIFY_WITH_TIMEOUT(InState(QStringLiteral("contentPageOpen")), kSlow);
    QTRY_COMPARE_WITH_TIMEOUT(ContentTexts(), kMorning, kSlow);
    QCOMPARE(Road(), kSignInRoad);
    QVERIFY(AllUnitsUp());
    QVERIFY(!Eval(QStringLiteral("contentPage.showConnectionWarning")).toBool());

    // A recall on the mixer: the layout of the new scene replaces it.
    QVERIFY(mUnit->Command(QStringLiteral("scene 2")));
    QTRY_COMPARE_WITH_TIMEOUT(ContentTexts(), kEvening, kSlow);
    QTRY_VERIFY(InState(QStringLiteral("contentPageOpen")));
    QCOMPARE(Road(), kUpdateRoad);

    // A wrong password after one that worked is refused and leaves the stored one, which still signs in.
    Eval(QStringLiteral("slideOutMenu.panel.logoutClicked()"));
    Connect(QString(), QStringLiteral("Alice"), QStringLiteral("wrong"));
    QTRY_VERIFY_WITH_TIMEOUT(InState(QStringLiteral("downloadConfigFailedPageOpen")), kSlow);
    Click(FindIn(Find(QStringLiteral("taskFailurePage")), QStringLiteral("okButton")));
    QTRY_VERIFY(InState(QStringLiteral("loginPageOpen")));
    QVERIFY(Eval(QStringLiteral("_application.passwordStored")).toBool());
    QCOMPARE(Find(QStringLiteral("passwordField"))->property("placeholderText").toString(), QString(6, QChar(0x2022)));
    Road();
    Click(Find(QStringLiteral("connectButton")));
    QTRY_VERIFY_WITH_TIMEOUT(InState(QStringLiteral("contentPageOpen")), kSlow);
    QCOMPARE(Road(), kSignInRoad);
}

void tst_RunnerEndToEnd::unitLostAndBack_data()
{
    QTest::addColumn<QStringList>("unitArguments");
    QTest::addColumn<bool>("moreInfo");
    QTest::addColumn<int>("sceneOnReturn");
    QTest::addColumn<QString>("contentOnReturn");
    QTest::addColumn<int>("recall");
    QTest::addColumn<QString>("contentAfter");
    // Configuration downloads after the sign-in, the recall's included.
    QTest::addColumn<int>("updates");
    QTest::addColumn<double>("faderOnReturn");
    // The page states entered while the unit was away and until it was back.
    QTest::addColumn<QString>("road");

    const QStringList older { "--manager-version", "0", "--legacy-sign-in" };
    QTest::newRow("banner") << QStringList() << false << 0 << kMorning << 2 << kEvening << 1 << kPositionLow
                            << QString();
    QTest::newRow("units page") << QStringList() << true << 0 << kMorning << 2 << kEvening << 1 << kPositionLow
                                << QStringLiteral("connectingToUnitsPageOpen,contentPageOpen");
    // An older manager does not tell of changes made while the runner was away: it is asked again, and
    // the configuration read anew replaces the widgets of the old one.
    QTest::newRow("older manager, recalled while away")
        << older << false << 2 << kEvening << 0 << kMorning << 2 << kPositionNoWidget << kUpdateRoad;
}

void tst_RunnerEndToEnd::unitLostAndBack()
{
    QFETCH(QStringList, unitArguments);
    QVERIFY(StartUnit(unitArguments));
    RunProgram(&tst_RunnerEndToEnd::UnitLostAndBackScenario);
}

void tst_RunnerEndToEnd::UnitLostAndBackScenario()
{
    QFETCH(QStringList, unitArguments);
    QFETCH(bool, moreInfo);
    QFETCH(int, sceneOnReturn);
    QFETCH(QString, contentOnReturn);
    QFETCH(int, recall);
    QFETCH(QString, contentAfter);
    QFETCH(int, updates);
    QFETCH(double, faderOnReturn);
    QFETCH(QString, road);

    Connect(QString(), QStringLiteral("Alice"), QStringLiteral("wonder"));
    QTRY_VERIFY_WITH_TIMEOUT(InState(QStringLiteral("contentPageOpen")), kSlow);
    QTRY_COMPARE_WITH_TIMEOUT(ContentTexts(), kMorning, kSlow);
    QCOMPARE(Road(), QStringLiteral("autoLoginCheck,loginPageOpen,") + kSignInRoad);
    QObject* application = Eval(QStringLiteral("_application")).value<QObject*>();
    QVERIFY(application);
    QSignalSpy updated(application, SIGNAL(configUpdated()));
    QSignalSpy downloaded(application, SIGNAL(downloadConfigSuccessful()));

    // A change in the mixer shows in the bound widget's QML property.
    const QPointer<cTestLevelWidget> fader = AddFader();
    QVERIFY(fader);
    QQmlComponent component(qmlEngine(mWindow));
    component.setData(kFaderView, QUrl(QStringLiteral("faderview.qml")));
    const std::unique_ptr<QObject> view(component.create());
    QVERIFY2(view, qPrintable(component.errorString()));
    view->setProperty("widget", QVariant::fromValue<QObject*>(fader.data()));
    QTRY_COMPARE_WITH_TIMEOUT(view->property("shown").toDouble(), kPositionZeroDb, kSlow);
    QVERIFY(mUnit->Command(QStringLiteral("set Ch1Gain 0")));
    QTRY_COMPARE(view->property("shown").toDouble(), 0.0);

    // The unit dies: the content stays, under the banner that says so.
    mUnit->Kill();
    QObject* banner = Find(QStringLiteral("connectionBanner"));
    QTRY_VERIFY_WITH_TIMEOUT(banner->property("visible").toBool(), kSlow);
    QVERIFY(!AllUnitsUp());
    QCOMPARE(FindIn(banner, QStringLiteral("bannerText"))->property("text").toString(),
        QStringLiteral("Connection problem..."));
    QVERIFY(InState(QStringLiteral("contentPageOpen")));
    QCOMPARE(ContentTexts(), kMorning);
    QTRY_VERIFY(fader->disabled());

    if (moreInfo) {
        // The units page lists the unit as not connected and waits for it.
        Click(FindIn(banner, QStringLiteral("moreInfoButton")));
        QTRY_VERIFY(InState(QStringLiteral("connectingToUnitsPageOpen")));
        QCOMPARE(Eval(QStringLiteral("_application.currentConfig.connectionInterface.units.count")).toInt(), 1);
        QVERIFY(
            !Eval(QStringLiteral("_application.currentConfig.connectionInterface.units.get(0).connected")).toBool());
    }

    // Started again on the same address, in the scene it was left in or another, its gain moved.
    QVERIFY(StartUnit(unitArguments + QStringList { "--scene", QString::number(sceneOnReturn) }, kGainLow));
    QTRY_VERIFY_WITH_TIMEOUT(AllUnitsUp(), kSlow);
    QTRY_VERIFY_WITH_TIMEOUT(InState(QStringLiteral("contentPageOpen")), kSlow);
    QTRY_VERIFY_WITH_TIMEOUT(!banner->property("visible").toBool(), kSlow);
    QTRY_COMPARE_WITH_TIMEOUT(ContentTexts(), contentOnReturn, kSlow);
    QTRY_COMPARE_WITH_TIMEOUT(view->property("shown").toDouble(), faderOnReturn, kSlow);
    if (fader) {
        QVERIFY(!fader->disabled());
        // Linked once again, not once for every time it was set on line.
        QTRY_COMPARE_WITH_TIMEOUT(UnitLinks(QStringLiteral("Ch1Gain")), 1, kSlow);
    }

    QCOMPARE(Road(), road);

    // The unit that came back tells the runner of its changes.
    QVERIFY(mUnit->Command(QStringLiteral("scene %1").arg(recall)));
    QTRY_COMPARE_WITH_TIMEOUT(ContentTexts(), contentAfter, kSlow);
    QTRY_VERIFY(InState(QStringLiteral("contentPageOpen")));
    QCOMPARE(Road(), kUpdateRoad);
    QVERIFY(AllUnitsUp());
    QVERIFY(!Eval(QStringLiteral("contentPage.showConnectionWarning")).toBool());
    QCOMPARE(updated.count(), updates);
    QCOMPARE(downloaded.count(), updates);
}

namespace
{
// A layout large enough that the runner is still downloading, reading or making it when the next
// change is told: one text that says which upload it is, and rectangles.
constexpr int kBurstWidgets = 2000;
constexpr int kBurstNotices = 10;
constexpr int kBurstPeriodMs = 300;
} // namespace

void tst_RunnerEndToEnd::burstOfConfigChanges()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QFile file(dir.filePath(QStringLiteral("large.xml")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    // One element a line, as the editor writes it and the unit reads it.
    QByteArray document = R"(<?xml version="1.0" encoding="UTF-8"?>
<QuendleConfig version="1.3.1" appVersion="1.3.1" allowUserList="true">
    <Units>
        <Unit id="1" nameOrIpAddress="e2e.unit" type="fennick" primaryUnit="1"/>
    </Units>
    <Layouts>
        <Layout name="Large" allUsers="1" desktop="1" orientation="0" scenes="0">
            <Widget id="1" type="text" x="0.1" y="0.45" width="0.8" height="0.1" text="Upload {notice}"/>
)";
    for (int id = 2; id <= kBurstWidgets; ++id) {
        const int cell = id % 1600;
        document += QStringLiteral("            <Widget id=\"%1\" type=\"rect\" x=\"%2\" y=\"%3\" width=\"0.02\" "
                                   "height=\"0.02\" colour=\"#1b2a30\"/>\n")
                        .arg(id)
                        .arg(0.025 * (cell % 40))
                        .arg(0.025 * (cell / 40))
                        .toUtf8();
    }
    document += "        </Layout>\n    </Layouts>\n</QuendleConfig>\n";
    QVERIFY(file.write(document) == document.size());
    file.close();
    QVERIFY(StartUnit({}, kGainZeroDb, file.fileName()));
    RunProgram(&tst_RunnerEndToEnd::BurstOfConfigChangesScenario);
}

void tst_RunnerEndToEnd::BurstOfConfigChangesScenario()
{
    Connect(QString(), QStringLiteral("Alice"), QStringLiteral("wonder"));
    QTRY_VERIFY_WITH_TIMEOUT(InState(QStringLiteral("contentPageOpen")), kSlow);
    QTRY_COMPARE_WITH_TIMEOUT(ContentTexts(), QStringLiteral("Upload {notice}"), kSlow);
    QObject* application = Eval(QStringLiteral("_application")).value<QObject*>();
    QVERIFY(application);
    QSignalSpy downloaded(application, SIGNAL(downloadConfigSuccessful()));

    // Uploads in quick succession, each told to the runner while it still makes the one before.
    QVERIFY(mUnit->Command(QStringLiteral("config-updated %1 %2").arg(kBurstNotices).arg(kBurstPeriodMs)));
    QVERIFY(mUnit->WaitForLine(QStringLiteral("unit: notice %1").arg(kBurstNotices), 1, kSlow));

    // The content is that of the last upload, whole, on line, without the banner.
    QTRY_COMPARE_WITH_TIMEOUT(ContentTexts(), QStringLiteral("Upload %1").arg(kBurstNotices), kSlow);
    QTRY_VERIFY_WITH_TIMEOUT(InState(QStringLiteral("contentPageOpen")), kSlow);
    QTRY_VERIFY_WITH_TIMEOUT(AllUnitsUp(), kSlow);
    QTRY_VERIFY_WITH_TIMEOUT(!Find(QStringLiteral("connectionBanner"))->property("visible").toBool(), kSlow);
    // Settled: no download of an earlier upload is still to be read over it.
    QTest::qWait(2000);
    QVERIFY(InState(QStringLiteral("contentPageOpen")));
    QCOMPARE(ContentTexts(), QStringLiteral("Upload %1").arg(kBurstNotices));
    QCOMPARE(Eval(QStringLiteral("contentPage.dynamicallyCreatedLandscapeItems.filter(function (item) {"
                                 " return item && item.cppWidget; }).length"))
                 .toInt(),
        kBurstWidgets);
    QVERIFY(!Find(QStringLiteral("connectionBanner"))->property("visible").toBool());
    QVERIFY(downloaded.count() >= 1);
}

void tst_RunnerEndToEnd::damagedSettings()
{
    {
        // As another program or a failing disk may leave them: the largest window anywhere, flags
        // that are no booleans, a last unit name no unit has.
        QSettings settings(QStringLiteral("Quendle Audio"), QStringLiteral("Quendle App"));
        QByteArray geometry;
        QDataStream stream(&geometry, QIODevice::WriteOnly);
        stream << qint32(100) << qint32(100) << qint32(2147483647) << qint32(2147483647) << qint32(-1);
        settings.setValue(QStringLiteral("SCG"), geometry);
        settings.setValue(QStringLiteral("KM"), QStringLiteral("maybe"));
        settings.setValue(QStringLiteral("ALI"), QStringLiteral("-1"));
        settings.setValue(QStringLiteral("LUN"), QString(100000, QLatin1Char('x')));
    }
    RunProgram(&tst_RunnerEndToEnd::DamagedSettingsScenario);
    // What it stored at exit is a geometry it can start with again.
    QSettings settings(QStringLiteral("Quendle Audio"), QStringLiteral("Quendle App"));
    QDataStream stream(settings.value(QStringLiteral("SCG")).toByteArray());
    qint32 x = 0, y = 0, w = 0, h = 0, state = 0;
    stream >> x >> y >> w >> h >> state;
    QCOMPARE(stream.status(), QDataStream::Ok);
    QVERIFY2(w > 0 && w <= 4096 && h > 0 && h <= 4096, qPrintable(QStringLiteral("%1 x %2").arg(w).arg(h)));
}

void tst_RunnerEndToEnd::DamagedSettingsScenario()
{
    // Neither kiosk mode nor an automatic login: the login page, in a window the screen holds.
    QTRY_VERIFY_WITH_TIMEOUT(InState(QStringLiteral("loginPageOpen")), kSlow);
    QCOMPARE(Road(), QStringLiteral("autoLoginCheck,loginPageOpen"));
    QCOMPARE(Eval(QStringLiteral("_application.kioskMode")).toBool(), false);
    QCOMPARE(Eval(QStringLiteral("_application.autoLogin")).toBool(), false);
    const QRect screen = mWindow->screen()->availableGeometry();
    QTRY_VERIFY(mWindow->isExposed());
    QVERIFY2(mWindow->width() <= screen.width() && mWindow->height() <= screen.height(),
        qPrintable(QStringLiteral("%1 x %2").arg(mWindow->width()).arg(mWindow->height())));
    // Drawn.
    QSignalSpy swapped(mWindow, &QQuickWindow::frameSwapped);
    mWindow->update();
    QVERIFY(swapped.wait(kSlow));
}

QTEST_APPLESS_MAIN(tst_RunnerEndToEnd)
#include "tst_runner_endtoend.moc"
