// The content page building a layout's widget views: the time from `createContent` until the last
// widget's view is made (progress 100) and a frame showing it was swapped to the screen, and the
// memory the views hold (heap in use and resident set, with the content less without it) per
// widget. Two layouts: the built-in demo, entered from the login page through the demo road of the
// real window and application object, and a generated layout of 1,000 plain widgets (a fifth of
// them top-level, the rest on the four tabs of a container, three of which are hidden and made as
// the engine finds time) read into the same configuration. Beside them, in the same run, the same
// round with a layout of one widget: what a round costs apart from the widgets. Warnings while
// the content is made and destroyed are counted, and the first of each kind shown. Then the largest
// layout the runner takes (`cRunnerConfig::kMaxWidgets`) made the same way, and a document of
// 100,000 widgets refused while it is read: the time to the refusal and the memory it took.

#include "Quendle/AppCommon/ImageProvider.h"
#include "Quendle/Runner/Application.h"
#include "Quendle/Runner/RunnerConfig.h"
#include "bench/BenchSupport.h"
#include "bench/BenchWindow.h"

#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QSet>
#include <QTemporaryDir>

#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>

namespace
{

using tClock = std::chrono::steady_clock;

constexpr int kGeneratedWidgets = 1000;
constexpr int kTabs = 4;
constexpr int kTopLevel = 199; // and the container
const char* const kTypes[] = { "rect", "text", "image", "datetime" };

QByteArray GeneratedWidget(int id, int index)
{
    const char* type = kTypes[index % 4];
    const int column = index % 20;
    const int row = (index / 20) % 10;
    return "<Widget id=\"" + QByteArray::number(id) + "\" type=\"" + type + "\" x=\""
        + QByteArray::number(column * 0.05) + "\" y=\"" + QByteArray::number(0.5 + row * 0.05)
        + "\" width=\"0.045\" height=\"0.045\" colour=\"#" + QByteArray::number(0x203040 + index * 97 % 0x9f9f9f, 16)
        + "\" text=\"Channel " + QByteArray::number(index) + "\"/>\n";
}

/// One layout of `widgets` widgets: with more than one, a tab container in the upper half holds
/// all but `kTopLevel` of them on its tabs.
QByteArray GeneratedLayout(int widgets)
{
    QByteArray text
        = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<QuendleConfig version=\"1.3.1\"><Layouts>\n"
          "<Layout name=\"Generated\" allUsers=\"1\" desktop=\"1\" orientation=\"0\" fixedAspectRatio=\"1\" "
          "aspectRatio1=\"16\" aspectRatio2=\"10\" allScenes=\"1\">\n";
    int id = 1;
    if (widgets == 1) {
        text += GeneratedWidget(id, 0);
    } else {
        const int perTab = (widgets - kTopLevel - 1) / kTabs;
        text += "<Widget id=\"" + QByteArray::number(id++)
            + "\" type=\"tab_container\" x=\"0\" y=\"0\" width=\"1\" height=\"0.5\" numTabs=\""
            + QByteArray::number(kTabs) + "\">\n";
        int index = 0;
        for (int tab = 0; tab < kTabs; ++tab) {
            text += "<Tab tabName=\"Tab " + QByteArray::number(tab) + "\">\n";
            for (int i = 0; i < perTab; ++i)
                text += GeneratedWidget(id++, index++);
            text += "</Tab>\n";
        }
        text += "</Widget>\n";
        for (int i = 0; i < kTopLevel; ++i)
            text += GeneratedWidget(id++, index++);
    }
    return text + "</Layout>\n</Layouts></QuendleConfig>\n";
}

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

    int Added() const { return mPage->property("itemsAddedToIncubation").toInt(); }
    bool Done() const
    {
        return Added() > 0 && mPage->property("itemsCompletedIncubation").toInt() == Added()
            && mPage->property("percentIncubationCompleted").toInt() == 100;
    }

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

    /// No content, and what it held given back.
    void Empty()
    {
        QMetaObject::invokeMethod(mPage, "destroyContent");
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QCoreApplication::processEvents();
        }
        mEngine->collectGarbage();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        malloc_trim(0);
    }
};

/// Rounds of `createContent` until the last view is made and shown, for the layout `document`
/// (empty: the built-in demo).
void CreateContent(benchmark::State& state, const QByteArray& document)
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
    double heap = 0;
    double resident = 0;
    int widgets = 0;
    const int warningsBefore = gWarnings.load();
    for (auto _ : state) {
        world.Empty();
        const std::size_t heapBefore = mallinfo2().uordblks;
        const long residentBefore = ResidentBytes();
        const tClock::time_point start = tClock::now();
        QMetaObject::invokeMethod(world.mPage, "createContent");
        if (!WaitFor([&] { return world.Done(); })) {
            state.SkipWithError("content not complete");
            break;
        }
        world.mFrame.Reset();
        world.mWindow->update();
        if (!WaitFor([&] { return world.mFrame.Swapped(); }, 10000)) {
            state.SkipWithError("no frame");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(world.mFrame.SwappedAt() - start).count());
        widgets = world.Added();
        heap += double(mallinfo2().uordblks) - double(heapBefore);
        resident += double(ResidentBytes() - residentBefore);
    }
    const double rounds = double(state.iterations());
    state.counters["widgets"] = widgets;
    if (rounds > 0 && widgets > 0) {
        state.counters["heap_bytes_per_widget"] = heap / rounds / widgets;
        state.counters["rss_bytes_per_widget"] = resident / rounds / widgets;
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
    CreateContent(state, GeneratedLayout(kGeneratedWidgets));
}
BENCHMARK(BM_CreateContentOf1000Widgets)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

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
    world.Empty();
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
