// The content page building a layout's widget views: the time from `createContent` until the last
// widget's view is made (progress 100) and a frame showing it was swapped to the screen, and the
// memory the views hold (heap in use and resident set, with the content less without it) per
// widget. Two layouts: the built-in demo, entered from the login page through the demo road of the
// real window and application object, and a generated layout of 1,000 plain widgets (a fifth of
// them top-level, the rest on the four tabs of a container, three of which are hidden and made as
// the engine finds time) read into the same configuration. Beside them, in the same run, the same
// round with a layout of one widget: what a round costs apart from the widgets. The 1,000 widgets
// are also timed in alternating rounds against a bare page of 1,000 `Item { Rectangle; Text }`
// made the way the content page makes widget views (incubated, the 400 shown at once, the 600 on
// hidden tabs as the engine finds time): what the views cost beyond the least QML that draws them;
// and so again with the 1,000 widgets all of one type, for each type, and for clocks beside bare views
// that draw what a clock draws. Each page gets one untimed round first. Warnings while the content
// is made and destroyed are counted, and the first of each kind shown. Then the largest layout the
// runner takes (`cRunnerConfig::kMaxWidgets`) made the same way, and a document of 100,000 widgets
// refused while it is read: the time to the refusal and the memory it took.

#include "Quendle/AppCommon/ImageProvider.h"
#include "Quendle/Runner/Application.h"
#include "Quendle/Runner/ApplicationMain.h"
#include "Quendle/Runner/RunnerConfig.h"
#include "bench/BenchSupport.h"
#include "bench/BenchWindow.h"

#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQmlComponent>
#include <QQmlContext>
#include <QSet>
#include <QTemporaryDir>

#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <iterator>
#include <memory>

namespace
{

using tClock = std::chrono::steady_clock;

constexpr int kGeneratedWidgets = 1000;
constexpr int kTabs = 4;
constexpr int kTopLevel = 199; // and the container

/// A kind of generated widget: its type, attributes beyond the common ones, and whether all widgets
/// of the layout share one colour instead of each taking its own.
struct sKind {
    const char* mLabel;
    const char* mType;
    const char* mAttributes;
    bool mOneColour;
    bool mBareClocks; ///< beside bare views drawn as a clock's instead of a rectangle and a text
};

/// The four plain types, which the mixed layout takes in turn; then clocks of one colour, with and
/// without their date (under OpenGL a text of a colour of its own is drawn apart from the others),
/// and clocks beside bare views that draw what a clock draws: what a clock costs beyond its drawing.
const sKind kKinds[] = {
    { "rect", "rect", "", false, false },
    { "text", "text", "", false, false },
    { "image", "image", "", false, false },
    { "datetime", "datetime", "", false, false },
    { "datetime of one colour", "datetime", "", true, false },
    { "datetime of one colour, date hidden", "datetime", " dateFormat=\"hidden\"", true, false },
    { "datetime beside bare clocks", "datetime", "", false, true },
};
constexpr int kPlainTypes = 4;

/// The widget `index` of a generated layout: of `kind`, or without one of the four plain types in turn.
QByteArray GeneratedWidget(int id, int index, const sKind* kind)
{
    if (kind == nullptr)
        kind = &kKinds[index % kPlainTypes];
    const int column = index % 20;
    const int row = (index / 20) % 10;
    const int colour = kind->mOneColour ? 0x203040 : 0x203040 + index * 97 % 0x9f9f9f;
    return "<Widget id=\"" + QByteArray::number(id) + "\" type=\"" + kind->mType + "\"" + kind->mAttributes + " x=\""
        + QByteArray::number(column * 0.05) + "\" y=\"" + QByteArray::number(0.5 + row * 0.05)
        + "\" width=\"0.045\" height=\"0.045\" colour=\"#" + QByteArray::number(colour, 16) + "\" text=\"Channel "
        + QByteArray::number(index) + "\"/>\n";
}

/// One layout of `widgets` widgets: with more than one, a tab container in the upper half holds
/// all but `kTopLevel` of them on its tabs.
QByteArray GeneratedLayout(int widgets, const sKind* kind = nullptr)
{
    QByteArray text
        = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<QuendleConfig version=\"1.3.1\"><Layouts>\n"
          "<Layout name=\"Generated\" allUsers=\"1\" desktop=\"1\" orientation=\"0\" fixedAspectRatio=\"1\" "
          "aspectRatio1=\"16\" aspectRatio2=\"10\" allScenes=\"1\">\n";
    int id = 1;
    if (widgets == 1) {
        text += GeneratedWidget(id, 0, kind);
    } else {
        const int perTab = (widgets - kTopLevel - 1) / kTabs;
        text += "<Widget id=\"" + QByteArray::number(id++)
            + "\" type=\"tab_container\" x=\"0\" y=\"0\" width=\"1\" height=\"0.5\" numTabs=\""
            + QByteArray::number(kTabs) + "\">\n";
        int index = 0;
        for (int tab = 0; tab < kTabs; ++tab) {
            text += "<Tab tabName=\"Tab " + QByteArray::number(tab) + "\">\n";
            for (int i = 0; i < perTab; ++i)
                text += GeneratedWidget(id++, index++, kind);
            text += "</Tab>\n";
        }
        text += "</Widget>\n";
        for (int i = 0; i < kTopLevel; ++i)
            text += GeneratedWidget(id++, index++, kind);
    }
    return text + "</Layout>\n</Layouts></QuendleConfig>\n";
}

/// The bare page: the content page's counters and calls, over views of one rectangle and one text.
const char kBarePage[] = R"(
import QtQuick 2.15
Rectangle {
    id: page

    property var items: []
    property int itemsAddedToIncubation: 0
    property int itemsCompletedIncubation: 0
    property int percentIncubationCompleted: itemsAddedToIncubation > 0
        ? Math.floor(100 * itemsCompletedIncubation / itemsAddedToIncubation) : 100

    color: "white"

    Component {
        id: view

        Item {
            id: item

            property color colour
            property string text

            Rectangle { anchors.fill: parent; color: item.colour }
            Text { anchors.fill: parent; text: item.text }
        }
    }

    // With `clocks`, views drawn as a clock's: a bordered face and two texts of the view's colour.
    property bool clocks: false

    Component {
        id: clockView

        Item {
            id: clock

            property color colour
            property string text

            Rectangle {
                anchors.fill: parent
                border.width: 1
                border.color: clock.colour

                Text {
                    width: parent.width
                    height: parent.height * 0.6
                    color: clock.colour
                    text: Qt.formatTime(new Date(), "hh:mm:ss")
                }

                Text {
                    y: parent.height * 0.6
                    width: parent.width
                    height: parent.height * 0.4
                    color: clock.colour
                    text: Qt.formatDate(new Date(), "dd.MM")
                }
            }
        }
    }

    Component {
        id: tab

        Item {}
    }

    function add(parentItem, index, shown) {
        var column = index % 20;
        var row = Math.floor(index / 20) % 10;
        var w = parentItem.width;
        var h = parentItem.height;
        var incubator = (clocks ? clockView : view).incubateObject(parentItem, {
            x: column * 0.05 * w, y: (0.5 + row * 0.05) * h, width: 0.045 * w, height: 0.045 * h,
            colour: Qt.rgba((index % 7) / 7, (index % 5) / 5, (index % 3) / 3, 1), text: "Channel " + index
        });
        if (shown)
            incubator.forceCompletion();
        if (incubator.status === Component.Ready) {
            items.push(incubator.object);
            ++itemsCompletedIncubation;
            return;
        }
        incubator.onStatusChanged = function (status) {
            if (status === Component.Ready) {
                items.push(incubator.object);
                ++itemsCompletedIncubation;
            }
        };
    }

    function createContent() {
        destroyContent();
        itemsCompletedIncubation = 0;
        itemsAddedToIncubation = 1000;
        // The container and its four tabs, the first shown.
        var container = tab.createObject(page, { width: page.width, height: page.height / 2 });
        items.push(container);
        ++itemsCompletedIncubation;
        var index = 0;
        for (var t = 0; t < 4; ++t) {
            var tabItem = tab.createObject(container, { width: container.width, height: container.height,
                                                        visible: t === 0 });
            for (var i = 0; i < 200; ++i)
                add(tabItem, index++, t === 0);
        }
        for (var j = 0; j < 199; ++j)
            add(page, index++, true);
    }

    function destroyContent() {
        for (var i = 0; i < items.length; ++i) {
            if (items[i])
                items[i].destroy();
        }
        items = [];
    }
}
)";

std::atomic<int> gWarnings { 0 };

/// Counts warnings and shows the first of each text: a round can give hundreds of the same.
void CountWarnings(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    static QSet<QString> shown;
    if (type == QtWarningMsg || type == QtCriticalMsg)
        ++gWarnings;
    if (!shown.contains(message)) {
        shown.insert(message);
        std::fprintf(stderr, "%s\n", qPrintable(message));
    }
}

long ResidentBytes()
{
    long pages = 0;
    long resident = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return resident * ::sysconf(_SC_PAGESIZE);
}

/// QObjects below `object`: its children and, for an item, its child items, each once.
int CountObjects(QObject* object, QSet<QObject*>& seen)
{
    if (!object || seen.contains(object))
        return 0;
    seen.insert(object);
    int count = 1;
    for (QObject* child : object->children())
        count += CountObjects(child, seen);
    if (auto* item = qobject_cast<QQuickItem*>(object)) {
        for (QQuickItem* child : item->childItems())
            count += CountObjects(child, seen);
    }
    return count;
}

/// The runner's window with the real application object and image provider, as the program
/// entry makes them but without the network: the demo needs no unit.
struct sWorld {
    QTemporaryDir mHome;
    std::unique_ptr<cApplication> mApplication;
    std::unique_ptr<QQmlApplicationEngine> mEngine;
    QQuickWindow* mWindow = nullptr;
    QQuickItem* mPage = nullptr;
    cFirstFrameWatch mFrame;

    sWorld()
    {
        qputenv("XDG_CONFIG_HOME", mHome.path().toUtf8());
        Quendle::NameLocalTimeZone();
        mApplication = std::make_unique<cApplication>(cApplication::DesktopDevice, false, false, false);
        mEngine = std::make_unique<QQmlApplicationEngine>();
        mEngine->rootContext()->setContextProperty(QStringLiteral("_application"), mApplication.get());
        mEngine->addImageProvider(QStringLiteral("imageProvider"), new cImageProvider(*mApplication));
        mEngine->load(QUrl(QStringLiteral("qrc:/main.qml")));
        if (mEngine->rootObjects().isEmpty())
            return;
        mWindow = qobject_cast<QQuickWindow*>(mEngine->rootObjects().first());
        mWindow->resize(1024, 700);
        QObject* loginOpen = FindObject(mWindow, QStringLiteral("loginPageOpen"));
        QObject* contentOpen = FindObject(mWindow, QStringLiteral("contentPageOpen"));
        mPage = qobject_cast<QQuickItem*>(FindObject(mWindow, QStringLiteral("contentPage")));
        if (!loginOpen || !contentOpen || !mPage
            || !WaitFor([&] { return loginOpen->property("active").toBool(); }, 10000)) {
            mWindow = nullptr;
            return;
        }
        // Into the demo as a user goes: the content page creates the demo layout on entry.
        QMetaObject::invokeMethod(FindObject(mWindow, QStringLiteral("loginPage")), "loginDemoClicked");
        if (!WaitFor([&] { return contentOpen->property("active").toBool() && Done(); }, 20000))
            mWindow = nullptr;
        mFrame.Watch(mWindow, mPage);
    }
    ~sWorld()
    {
        mEngine->removeImageProvider(QStringLiteral("imageProvider"));
        mEngine.reset();
        mApplication.reset();
    }

    static int Added(QQuickItem* page) { return page->property("itemsAddedToIncubation").toInt(); }
    static bool Done(QQuickItem* page)
    {
        return Added(page) > 0 && page->property("itemsCompletedIncubation").toInt() == Added(page)
            && page->property("percentIncubationCompleted").toInt() == 100;
    }
    bool Done() const { return Done(mPage); }

    /// The current configuration's layouts read from `document` in place of the demo's.
    bool Read(const QByteArray& document)
    {
        QMetaObject::invokeMethod(mPage, "destroyContent");
        mApplication->currentConfig()->Reset(true);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QByteArray bytes = document;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        return mApplication->currentConfig()->ReadXml(buffer);
    }

    /// The bare page beside the content page, at its size; null when it did not load.
    QQuickItem* Bare()
    {
        if (!mBare) {
            mBareComponent = std::make_unique<QQmlComponent>(mEngine.get());
            mBareComponent->setData(kBarePage, QUrl(QStringLiteral("qrc:/bench/BarePage.qml")));
            mBare = qobject_cast<QQuickItem*>(mBareComponent->create());
            if (!mBare)
                return nullptr;
            mBare->setParentItem(mPage->parentItem());
            mBare->setVisible(false);
        }
        mBare->setPosition(mPage->position());
        mBare->setSize(mPage->size());
        return mBare;
    }

    /// No content on `page`, and what it held given back.
    void Empty(QQuickItem* page)
    {
        QMetaObject::invokeMethod(page, "destroyContent");
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QCoreApplication::processEvents();
        }
        mEngine->collectGarbage();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        malloc_trim(0);
    }

    struct sRound {
        double mSeconds = 0;
        double mHeap = 0;
        double mResident = 0;
        int mObjects = 0;
        int mWidgets = 0;
    };

    /// One `createContent` of `page` (shown alone) until its last view is made and a frame
    /// showing it reached the screen; an empty text or the failure.
    QString Round(QQuickItem* page, sRound& round)
    {
        for (QQuickItem* other : { mPage, mBare }) {
            if (other && other != page) {
                Empty(other);
                other->setVisible(false);
            }
        }
        Empty(page);
        page->setVisible(true);
        QSet<QObject*> seen;
        const int objectsBefore = CountObjects(page, seen);
        const std::size_t heapBefore = mallinfo2().uordblks;
        const long residentBefore = ResidentBytes();
        const tClock::time_point start = tClock::now();
        QMetaObject::invokeMethod(page, "createContent");
        if (!WaitFor([&] { return Done(page); }))
            return QStringLiteral("content not complete");
        mFrame.Reset();
        mWindow->update();
        if (!WaitFor([&] { return mFrame.Swapped(); }, 10000))
            return QStringLiteral("no frame");
        round.mSeconds += std::chrono::duration<double>(mFrame.SwappedAt() - start).count();
        round.mHeap += double(mallinfo2().uordblks) - double(heapBefore);
        round.mResident += double(ResidentBytes() - residentBefore);
        seen.clear();
        round.mObjects += CountObjects(page, seen) - objectsBefore;
        round.mWidgets = Added(page);
        return {};
    }

    QQuickItem* mBare = nullptr;
    std::unique_ptr<QQmlComponent> mBareComponent;
};

/// Rounds of `createContent` until the last view is made and shown, for the layout `document`
/// (empty: the built-in demo); with `bare`, each round is followed by one of the bare page, and
/// the two are set side by side.
void CreateContent(benchmark::State& state, const QByteArray& document, bool bare = false, bool bareClocks = false)
{
    sWorld& world = World<sWorld>();
    if (!world.mWindow) {
        state.SkipWithError("the window did not reach the demo's content page");
        return;
    }
    // The demo stays as its road read it; the others replace it.
    if (!document.isEmpty() && !world.Read(document)) {
        state.SkipWithError("layout refused");
        return;
    }
    QQuickItem* barePage = bare ? world.Bare() : nullptr;
    if (bare && !barePage) {
        state.SkipWithError("bare page did not load");
        return;
    }
    if (barePage)
        barePage->setProperty("clocks", bareClocks);
    sWorld::sRound views;
    sWorld::sRound plain;
    const int warningsBefore = gWarnings.load();
    if (barePage) {
        // One untimed round of each first: the first round of a page compiles its bindings and
        // fills the glyph caches, which would be laid on whichever page came first.
        sWorld::sRound warmUp;
        QString failure = world.Round(world.mPage, warmUp);
        if (failure.isEmpty())
            failure = world.Round(barePage, warmUp);
        if (!failure.isEmpty()) {
            state.SkipWithError(qPrintable(failure));
            return;
        }
    }
    for (auto _ : state) {
        const double before = views.mSeconds;
        QString failure = world.Round(world.mPage, views);
        if (failure.isEmpty() && barePage)
            failure = world.Round(barePage, plain);
        if (!failure.isEmpty()) {
            state.SkipWithError(qPrintable(failure));
            break;
        }
        state.SetIterationTime(views.mSeconds - before);
    }
    if (barePage) {
        // The content page shown again, as the other benchmarks find it.
        world.Empty(barePage);
        barePage->setVisible(false);
        world.mPage->setVisible(true);
    }
    const double rounds = double(state.iterations());
    state.counters["widgets"] = views.mWidgets;
    if (rounds > 0 && views.mWidgets > 0) {
        state.counters["heap_bytes_per_widget"] = views.mHeap / rounds / views.mWidgets;
        state.counters["rss_bytes_per_widget"] = views.mResident / rounds / views.mWidgets;
        state.counters["qobjects_per_widget"] = views.mObjects / rounds / views.mWidgets;
    }
    if (barePage && rounds > 0 && plain.mWidgets > 0) {
        state.counters["bare_ms"] = plain.mSeconds / rounds * 1e3;
        state.counters["x_bare"] = views.mSeconds / plain.mSeconds;
        state.counters["bare_heap_bytes_per_widget"] = plain.mHeap / rounds / plain.mWidgets;
        state.counters["bare_qobjects_per_widget"] = plain.mObjects / rounds / plain.mWidgets;
    }
    state.counters["rss_MB"] = double(ResidentBytes()) / 1e6;
    // Made and destroyed, as each round destroys the one before.
    state.counters["warnings_per_round"] = rounds > 0 ? (gWarnings.load() - warningsBefore) / rounds : 0;
}

void BM_CreateDemoContent(benchmark::State& state)
{
    CreateContent(state, {});
}
BENCHMARK(BM_CreateDemoContent)->Iterations(10)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_CreateContentOf1000Widgets(benchmark::State& state)
{
    CreateContent(state, GeneratedLayout(kGeneratedWidgets), true);
}
BENCHMARK(BM_CreateContentOf1000Widgets)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

/// The same layout with all widgets of one type, beside the bare page: what each view costs.
void BM_CreateContentOf1000WidgetsOfOneType(benchmark::State& state)
{
    const sKind& kind = kKinds[state.range(0)];
    state.SetLabel(kind.mLabel);
    CreateContent(state, GeneratedLayout(kGeneratedWidgets, &kind), true, kind.mBareClocks);
}
BENCHMARK(BM_CreateContentOf1000WidgetsOfOneType)
    ->DenseRange(0, int(std::size(kKinds)) - 1)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void BM_BaselineContentOfOneWidget(benchmark::State& state)
{
    CreateContent(state, GeneratedLayout(1));
}
BENCHMARK(BM_BaselineContentOfOneWidget)->Iterations(10)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_CreateContentAtTheBound(benchmark::State& state)
{
    CreateContent(state, GeneratedLayout(cRunnerConfig::kMaxWidgets));
}
BENCHMARK(BM_CreateContentAtTheBound)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

/// A document far past the bound is refused while it is read, before its widgets are built.
void BM_RefuseLayoutOf100000Widgets(benchmark::State& state)
{
    sWorld& world = World<sWorld>();
    if (!world.mWindow) {
        state.SkipWithError("the window did not reach the demo's content page");
        return;
    }
    const QByteArray document = GeneratedLayout(100000);
    world.Empty(world.mPage);
    const long residentBefore = ResidentBytes();
    double heap = 0;
    for (auto _ : state) {
        const std::size_t heapBefore = mallinfo2().uordblks;
        const tClock::time_point start = tClock::now();
        const bool read = world.Read(document);
        state.SetIterationTime(std::chrono::duration<double>(tClock::now() - start).count());
        heap = std::max(heap, double(mallinfo2().uordblks) - double(heapBefore));
        if (read) {
            state.SkipWithError("layout past the bound taken");
            break;
        }
    }
    state.counters["document_MB"] = double(document.size()) / 1e6;
    state.counters["heap_MB_after_refusal"] = heap / 1e6;
    state.counters["rss_MB_growth"] = double(ResidentBytes() - residentBefore) / 1e6;
}
BENCHMARK(BM_RefuseLayoutOf100000Widgets)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    RunInTestNamespaceWithDisplay(argc, argv);
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    qInstallMessageHandler(&CountWarnings);
    std::printf("platform: %s\n",
        qEnvironmentVariableIsEmpty("DISPLAY") ? "offscreen, software scene graph"
                                               : "xcb on Xvfb, OpenGL through Mesa");
    return RunBenchmarksInWorld<sWorld, QGuiApplication>(argc, argv);
}
