// Start of the runner to the first frame of its login page: each round starts the real program
// entry with the real main.qml as a fresh process and times it from the start of the process until
// the first frame that shows the login page was swapped to the screen. Beside it, in the same
// rounds, a bare window (a minimal Window {}) started the same way through the same entry in the
// same program, until its first frame. Goal: at most 1.5x the bare window, and under one second.
// A third start in each round shows the login page alone in a window of the same kind, without
// menus, other pages or page machine: what the first frame cannot do without.
// Settings and caches are fresh for the run; a round before the timed ones warms them, as a
// second start of the program finds them.

#include "Quendle/Runner/ApplicationMain.h"
#include "bench/BenchWindow.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace
{

using tClock = std::chrono::steady_clock;

const char* const kRootVariable = "BENCH_START_ROOT";
const char* const kItemVariable = "BENCH_START_ITEM";
const unsigned long kSettleMs = 200;

/// In the started program: finds its window when it is shown, and reports the first frame that
/// shows the item named in the environment, then ends the program. The report also gives when the
/// application object was made, when the window was shown (its QML loaded) and when the item became
/// visible.
class cStartWatch : public QObject
{
public:
    cStartWatch()
    {
        mPoll.setInterval(2);
        connect(&mPoll, &QTimer::timeout, this, [this] {
            if (!mFrame.Swapped())
                return;
            mPoll.stop();
            std::printf("first frame at %lld after %lld %lld %lld\n", Ticks(mFrame.SwappedAt()), Ticks(mMade),
                Ticks(mWindowShown), Ticks(mFrame.ShownAt()));
            std::fflush(stdout);
            QCoreApplication::quit();
        });
    }

    bool eventFilter(QObject* object, QEvent* event) override
    {
        if (event->type() == QEvent::Show && !mWatching) {
            if (auto* window = qobject_cast<QQuickWindow*>(object)) {
                mWatching = true;
                mWindowShown = tClock::now();
                const QString name = qEnvironmentVariable(kItemVariable);
                auto* item = name.isEmpty() ? nullptr : qobject_cast<QQuickItem*>(FindObject(window, name));
                if (!name.isEmpty() && !item)
                    std::fprintf(stderr, "no item %s\n", qPrintable(name));
                mFrame.Watch(window, item);
                mPoll.start();
            }
        }
        return false;
    }

private:
    static long long Ticks(tClock::time_point at) { return static_cast<long long>(at.time_since_epoch().count()); }

    const tClock::time_point mMade = tClock::now();
    tClock::time_point mWindowShown;
    cFirstFrameWatch mFrame;
    QTimer mPoll;
    bool mWatching = false;
};

void WatchStart()
{
    if (qEnvironmentVariableIsEmpty(kRootVariable))
        return;
    QCoreApplication::instance()->installEventFilter(new cStartWatch);
}
Q_COREAPP_STARTUP_FUNCTION(WatchStart)

QString gProgram;
QTemporaryDir* gHome = nullptr;
QString gBareRoot;
QString gLoginOnlyRoot;

/// Seconds from the start of the process to each moment of its report; a frame below 0: failed.
struct sStart {
    double mFrame = -1;
    double mApplication = 0;
    double mWindowShown = 0;
    double mItemShown = 0;
};

/// One start of the program with `root`, until the first frame that shows `item`.
sStart Start(const QString& root, const QString& item)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(kRootVariable), root);
    environment.insert(QString::fromLatin1(kItemVariable), item);
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), gHome->filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), gHome->filePath(QStringLiteral("cache")));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), gHome->path());
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // The display settles from the previous start first: a start that follows the end of another
    // process at once paid for that process's teardown in the X server (about 35 ms more in making
    // the GUI application), which no real start does.
    QThread::msleep(kSettleMs);
    const tClock::time_point start = tClock::now();
    process.start(gProgram, QStringList());
    // Its traces share standard output with the report.
    QByteArray output;
    int at = -1;
    while ((at = output.indexOf("first frame at ")) < 0 || output.indexOf('\n', at) < 0) {
        if (!process.waitForReadyRead(20000))
            break;
        output += process.readAllStandardOutput();
    }
    process.closeWriteChannel();
    if (!process.waitForFinished(20000)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    if (at < 0 || process.exitCode() != 0)
        return {};
    const QList<QByteArray> words = output.mid(at, output.indexOf('\n', at) - at).split(' ');
    if (words.size() != 8)
        return {};
    auto since = [&](int word) {
        const tClock::time_point moment(tClock::duration(words[word].toLongLong()));
        return std::chrono::duration<double>(moment - start).count();
    };
    return { since(3), since(5), since(6), since(7) };
}

double Median(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return samples.empty() ? 0.0 : samples[samples.size() / 2];
}

/// Each round starts the runner, the bare window and the login page alone once, so all see the same
/// machine load; the time reported is the runner's, the counters the medians of each, the factors
/// to the bare window, and the medians of the runner's moments on the way: application object made,
/// window shown (QML loaded), login page visible.
void BM_StartToLoginPageFrame(benchmark::State& state)
{
    const QString mainQml = QStringLiteral("qrc:/main.qml");
    const QString login = QStringLiteral("loginPage");
    if (Start(mainQml, login).mFrame < 0 || Start(gBareRoot, {}).mFrame < 0
        || Start(gLoginOnlyRoot, login).mFrame < 0) {
        state.SkipWithError("the program did not show its first frame");
        return;
    }
    std::vector<sStart> runner;
    std::vector<sStart> bare;
    std::vector<sStart> loginOnly;
    for (auto _ : state) {
        runner.push_back(Start(mainQml, login));
        bare.push_back(Start(gBareRoot, {}));
        loginOnly.push_back(Start(gLoginOnlyRoot, login));
        if (runner.back().mFrame < 0 || bare.back().mFrame < 0 || loginOnly.back().mFrame < 0) {
            state.SkipWithError("the program did not show its first frame");
            return;
        }
        state.SetIterationTime(runner.back().mFrame);
    }
    auto median = [](const std::vector<sStart>& starts, double sStart::*moment) {
        std::vector<double> samples;
        for (const sStart& start : starts)
            samples.push_back(start.*moment);
        return 1000 * Median(samples);
    };
    state.counters["runner_ms"] = median(runner, &sStart::mFrame);
    state.counters["bare_ms"] = median(bare, &sStart::mFrame);
    // Goal: at most 1.5.
    state.counters["factor"] = median(runner, &sStart::mFrame) / median(bare, &sStart::mFrame);
    state.counters["runner_app_ms"] = median(runner, &sStart::mApplication);
    state.counters["runner_shown_ms"] = median(runner, &sStart::mWindowShown);
    state.counters["runner_login_ms"] = median(runner, &sStart::mItemShown);
    state.counters["bare_app_ms"] = median(bare, &sStart::mApplication);
    state.counters["bare_shown_ms"] = median(bare, &sStart::mWindowShown);
    state.counters["login_only_ms"] = median(loginOnly, &sStart::mFrame);
    state.counters["login_only_factor"] = median(loginOnly, &sStart::mFrame) / median(bare, &sStart::mFrame);
}
BENCHMARK(BM_StartToLoginPageFrame)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsEmpty(kRootVariable))
        return Quendle::RunApplication(argc, argv, QUrl(qEnvironmentVariable(kRootVariable)));

    RunInTestNamespaceWithDisplay(argc, argv);
    QCoreApplication application(argc, argv);
    gProgram = QCoreApplication::applicationFilePath();
    QTemporaryDir home;
    gHome = &home;
    QFile bare(home.filePath(QStringLiteral("BareWindow.qml")));
    if (!bare.open(QIODevice::WriteOnly))
        return 2;
    bare.write("import QtQuick 2.15\nimport QtQuick.Window 2.15\n\nWindow {\n    visible: true\n}\n");
    bare.close();
    gBareRoot = QUrl::fromLocalFile(bare.fileName()).toString();
    QFile loginOnly(home.filePath(QStringLiteral("LoginOnly.qml")));
    if (!loginOnly.open(QIODevice::WriteOnly))
        return 2;
    loginOnly.write("import QtQuick 2.15\nimport QtQuick.Controls 2.15\nimport \"qrc:/\"\n\n"
                    "ApplicationWindow {\n    visible: true\n    width: 1024\n    height: 768\n"
                    "    LoginPage {\n        objectName: \"loginPage\"\n        anchors.fill: parent\n    }\n}\n");
    loginOnly.close();
    gLoginOnlyRoot = QUrl::fromLocalFile(loginOnly.fileName()).toString();

    std::printf("platform: %s\n",
        qEnvironmentVariableIsEmpty("DISPLAY") ? "offscreen, software scene graph"
                                               : "xcb on Xvfb, OpenGL through Mesa");
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
