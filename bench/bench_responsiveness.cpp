// The window staying responsive while 1,000 mixer-bound level widgets, each shown by an item bound
// to its position, receive a change every 20 ms from the unit program (a separate process on the
// test network): the GUI thread's share of a core (its CPU time over the wall time) and the delay
// of a button press (a mouse press posted to the window until the button's handler runs). Beside
// it, in the same rounds, the same figures with no value traffic, and the GUI thread's share under
// the same traffic with the items taken out of the window: what the drivers' notifications and
// the widgets cost without the QML that shows them. The event loop's wake-ups and the frames
// swapped per second tell how the changes fell into turns and frames.

#include "bench/BenchBoundWidgets.h"
#include "bench/BenchWindow.h"

#include <benchmark/benchmark.h>

#include <QAbstractEventDispatcher>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QQmlApplicationEngine>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <ctime>
#include <vector>

namespace
{

using tClock = std::chrono::steady_clock;

constexpr int kWindowMs = 1500;
constexpr int kPressEveryMs = 50;
constexpr int kPulseMs = 20;
// Two fader positions the gains take in turn.
constexpr int kLow = 100;
constexpr int kHigh = 150;

const char* const kWindowQml = R"(
import QtQuick 2.15
import QtQuick.Window 2.15

Window {
    property var widgets: []
    property QtObject probe: null
    width: 1000
    height: 700
    visible: true
    color: "#101820"

    Grid {
        columns: 40
        Repeater {
            model: widgets
            Rectangle {
                width: 25
                height: 25
                color: "#203040"
                Rectangle {
                    anchors.bottom: parent.bottom
                    width: parent.width
                    height: parent.height * Math.max(0, modelData.position)
                    color: "#6eff36"
                }
            }
        }
    }

    Rectangle {
        x: 0
        y: 650
        width: 100
        height: 50
        color: "#3a7ca5"
        MouseArea {
            anchors.fill: parent
            onPressed: probe.pressed()
        }
    }
}
)";

/// Notes how long each press took from being posted to the button's handler.
class cProbe : public QObject
{
    Q_OBJECT
public:
    Q_INVOKABLE void pressed()
    {
        if (mPosted == tClock::time_point {})
            return;
        mDelays.push_back(std::chrono::duration<double, std::milli>(tClock::now() - mPosted).count());
        mPosted = {};
    }
    tClock::time_point mPosted {};
    std::vector<double> mDelays;
};

double ThreadSeconds()
{
    timespec now {};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

struct sFigures {
    double mCoreShare = 0;
    double mPressMedianMs = 0;
    double mPressMaxMs = 0;
    double mChangesPerSecond = 0;
    double mWakesPerSecond = 0;
    double mFramesPerSecond = 0;
};

struct sWorld : sSignedInWorld {
    std::unique_ptr<sRunner> mRunner;
    cProbe mProbe;
    std::unique_ptr<QQmlApplicationEngine> mEngine;
    QQuickWindow* mWindow = nullptr;
    QVariantList mShown;
    std::atomic<long> mFrames { 0 };

    sWorld()
    {
        mRunner = std::make_unique<sRunner>(*mApplication, 0);
        mRunner->mConfig->setOnline();
        if (!WaitFor([&] { return mRunner->AllShow(Position()); }))
            return;
        QVariantList widgets;
        for (cTestLevelWidget* widget : mRunner->mWidgets)
            widgets.append(QVariant::fromValue<QObject*>(widget));
        mShown = widgets;
        mEngine = std::make_unique<QQmlApplicationEngine>();
        mEngine->setInitialProperties({ { "widgets", widgets }, { "probe", QVariant::fromValue<QObject*>(&mProbe) } });
        mEngine->loadData(kWindowQml);
        if (mEngine->rootObjects().isEmpty())
            return;
        auto* window = qobject_cast<QQuickWindow*>(mEngine->rootObjects().first());
        cFirstFrameWatch frame;
        frame.Watch(window, nullptr);
        if (WaitFor([&] { return frame.Swapped(); }, 20000))
            mWindow = window;
        QObject::connect(
            window, &QQuickWindow::frameSwapped, window, [this] { ++mFrames; }, Qt::DirectConnection);
    }
    ~sWorld()
    {
        Pulse(0);
        mEngine.reset();
        mRunner.reset();
    }

    /// The changes the widgets have been told so far, as each counts them: a connection of the
    /// benchmark's own to every widget would add to the cost measured.
    long Changes() const
    {
        long changes = 0;
        for (const cTestLevelWidget* widget : mRunner->mWidgets)
            changes += widget->mDriverValueCalls;
        return changes;
    }

    /// With `shown` false the window keeps no item bound to a widget.
    void Show(bool shown)
    {
        mWindow->setProperty("widgets", shown ? mShown : QVariantList());
        WaitFor([] { return false; }, 200);
    }

    bool Pulse(int periodMs)
    {
        return mUnit->Command(QStringLiteral("pulse %1 %2 %3")
                                  .arg(periodMs)
                                  .arg(cFaderLookup::kFaderLawTable[kLow])
                                  .arg(cFaderLookup::kFaderLawTable[kHigh]));
    }

    /// Runs the event loop for a while, pressing the button now and then.
    sFigures Measure()
    {
        const QPointF button(50, 675);
        const QPoint global = mWindow->mapToGlobal(button.toPoint());
        mProbe.mDelays.clear();
        mProbe.mPosted = {};
        QTimer press;
        press.setTimerType(Qt::PreciseTimer);
        QObject::connect(&press, &QTimer::timeout, [&] {
            // A press still on its way is waited for.
            if (mProbe.mPosted != tClock::time_point {})
                return;
            QCoreApplication::postEvent(mWindow,
                new QMouseEvent(
                    QEvent::MouseButtonRelease, button, button, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
            mProbe.mPosted = tClock::now();
            QCoreApplication::postEvent(mWindow,
                new QMouseEvent(
                    QEvent::MouseButtonPress, button, button, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
        });
        QEventLoop loop;
        QTimer::singleShot(kWindowMs, &loop, &QEventLoop::quit);
        long wakes = 0;
        QObject::connect(
            QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::awake, &loop, [&] { ++wakes; });
        const long framesBefore = mFrames.load();
        const long changesBefore = Changes();
        const double cpuBefore = ThreadSeconds();
        const tClock::time_point start = tClock::now();
        press.start(kPressEveryMs);
        loop.exec();
        press.stop();
        const double wall = std::chrono::duration<double>(tClock::now() - start).count();
        sFigures figures;
        figures.mCoreShare = (ThreadSeconds() - cpuBefore) / wall;
        figures.mChangesPerSecond = double(Changes() - changesBefore) / wall;
        figures.mWakesPerSecond = double(wakes) / wall;
        figures.mFramesPerSecond = double(mFrames.load() - framesBefore) / wall;
        QCoreApplication::postEvent(mWindow,
            new QMouseEvent(
                QEvent::MouseButtonRelease, button, button, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
        std::vector<double>& delays = mProbe.mDelays;
        std::sort(delays.begin(), delays.end());
        if (!delays.empty()) {
            figures.mPressMedianMs = delays[delays.size() / 2];
            figures.mPressMaxMs = delays.back();
        }
        return figures;
    }
};

/// Each round measures a while without value traffic and a while with it, so both see the same
/// machine load; the time reported is the traffic's press delay, the counters the means of each.
void BM_GuiUnderValueTraffic(benchmark::State& state)
{
    sWorld& world = World<sWorld>();
    if (!world.mWindow) {
        state.SkipWithError("widgets not on line or window not shown");
        return;
    }
    sFigures idle;
    sFigures traffic;
    double unshownCoreShare = 0;
    for (auto _ : state) {
        const sFigures quiet = world.Measure();
        if (!world.Pulse(kPulseMs)) {
            state.SkipWithError("unit did not start its changes");
            break;
        }
        // The first changes make their way through before the measuring starts.
        WaitFor([] { return false; }, 200);
        const sFigures busy = world.Measure();
        world.Show(false);
        unshownCoreShare += world.Measure().mCoreShare;
        world.Show(true);
        if (!world.Pulse(0)) {
            state.SkipWithError("unit did not stop its changes");
            break;
        }
        WaitFor([] { return false; }, 200);
        state.SetIterationTime(busy.mPressMedianMs / 1000);
        for (auto [sum, one] : { std::pair<sFigures*, const sFigures*> { &idle, &quiet }, { &traffic, &busy } }) {
            sum->mCoreShare += one->mCoreShare;
            sum->mPressMedianMs += one->mPressMedianMs;
            sum->mPressMaxMs = std::max(sum->mPressMaxMs, one->mPressMaxMs);
            sum->mChangesPerSecond += one->mChangesPerSecond;
            sum->mWakesPerSecond += one->mWakesPerSecond;
            sum->mFramesPerSecond += one->mFramesPerSecond;
        }
    }
    const double rounds = std::max(1.0, double(state.iterations()));
    state.counters["traffic_gui_core_share"] = traffic.mCoreShare / rounds;
    state.counters["traffic_press_ms"] = traffic.mPressMedianMs / rounds;
    state.counters["traffic_press_max_ms"] = traffic.mPressMaxMs;
    state.counters["traffic_changes_per_s"] = traffic.mChangesPerSecond / rounds;
    state.counters["traffic_wakes_per_s"] = traffic.mWakesPerSecond / rounds;
    state.counters["traffic_frames_per_s"] = traffic.mFramesPerSecond / rounds;
    state.counters["idle_gui_core_share"] = idle.mCoreShare / rounds;
    state.counters["idle_press_ms"] = idle.mPressMedianMs / rounds;
    state.counters["idle_press_max_ms"] = idle.mPressMaxMs;
    state.counters["unshown_traffic_gui_core_share"] = unshownCoreShare / rounds;
    // The unit's pace drifts with the machine's load: the GUI thread's time per change, above the
    // idle window's, compares runs that saw different rates.
    const double changes = std::max(1.0, traffic.mChangesPerSecond);
    state.counters["traffic_us_per_change"] = (traffic.mCoreShare - idle.mCoreShare) / changes * 1e6;
    state.counters["unshown_us_per_change"] = (unshownCoreShare - idle.mCoreShare) / changes * 1e6;
}
BENCHMARK(BM_GuiUnderValueTraffic)->Iterations(2)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    RunInTestNamespaceWithDisplay(argc, argv);
    std::printf("platform: %s\n",
        qEnvironmentVariableIsEmpty("DISPLAY") ? "offscreen, software scene graph"
                                               : "xcb on Xvfb, OpenGL through Mesa");
    return RunBenchmarksInWorld<sWorld, QGuiApplication>(argc, argv);
}

#include "bench_responsiveness.moc"
