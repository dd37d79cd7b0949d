// Start of the runner to the first frame of its login page: each round starts the real program
// entry with the real main.qml as a fresh process and times it from the start of the process until
// the first frame that shows the login page was swapped to the screen. Beside it, in the same
// rounds, a bare window (a minimal Window {}) started the same way through the same entry in the
// same program, until its first frame. Goal: at most 2x the bare window, and under one second.
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

/// In the started program: finds its window when it is shown, and reports the first frame that
/// shows the item named in the environment, then ends the program.
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
            std::printf("first frame at %lld\n", static_cast<long long>(mFrame.SwappedAt().time_since_epoch().count()));
            std::fflush(stdout);
            QCoreApplication::quit();
        });
    }

    bool eventFilter(QObject* object, QEvent* event) override
    {
        if (event->type() == QEvent::Show && !mWatching) {
            if (auto* window = qobject_cast<QQuickWindow*>(object)) {
                mWatching = true;
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

/// One start of the program with `root`: seconds from the start of the process to the frame.
double Start(const QString& root, const QString& item)
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
        return -1;
    }
    if (at < 0 || process.exitCode() != 0)
        return -1;
    const QByteArray ticks = output.mid(at + 15, output.indexOf('\n', at) - at - 15);
    const tClock::time_point frame(tClock::duration(ticks.trimmed().toLongLong()));
    return std::chrono::duration<double>(frame - start).count();
}

double Median(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return samples.empty() ? 0.0 : samples[samples.size() / 2];
}

/// Each round starts the runner and the bare window once, so both see the same machine load; the
/// time reported is the runner's, the counters the medians of each and their factor.
void BM_StartToLoginPageFrame(benchmark::State& state)
{
    const QString mainQml = QStringLiteral("qrc:/main.qml");
    if (Start(mainQml, QStringLiteral("loginPage")) < 0 || Start(gBareRoot, {}) < 0) {
        state.SkipWithError("the program did not show its first frame");
        return;
    }
    std::vector<double> runner;
    std::vector<double> bare;
    for (auto _ : state) {
        const double runnerSeconds = Start(mainQml, QStringLiteral("loginPage"));
        const double bareSeconds = Start(gBareRoot, {});
        if (runnerSeconds < 0 || bareSeconds < 0) {
            state.SkipWithError("the program did not show its first frame");
            return;
        }
        runner.push_back(runnerSeconds);
        bare.push_back(bareSeconds);
        state.SetIterationTime(runnerSeconds);
    }
    state.counters["runner_ms"] = 1000 * Median(runner);
    state.counters["bare_window_ms"] = 1000 * Median(bare);
    // Goal: at most 2.
    state.counters["factor"] = Median(runner) / Median(bare);
}
BENCHMARK(BM_StartToLoginPageFrame)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

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
