// One unit's reconnect bringing 1,000 mixer-bound level widgets back on line: the unit program (a
// separate process on the test network) is killed and started again holding new gains, and the
// time runs from the signed-in primary's connection coming back until every widget shows the
// unit's new gain, which reaches it only through a link made again at the unit. Beside it, in the
// same run, the first on-lining of the same 1,000 widgets: from the configuration going on line,
// with the primary already signed in, until every widget shows the unit's gain. Both report what
// they cost the unit per widget: name requests and link messages (inform-list additions and
// removals) it received, counted by the unit program itself once the runner is quiet.
//
// Argument: configured units the runner cannot reach (0 or 1); an unreachable unit is retried
// every 2 s while the primary is up.

#include "ZUNet/Core/Syscall.h"
#include "ZUNet/Core/SystemBuilder.h"
#include "bench/BenchBoundWidgets.h"
#include "bench/BenchUnitProcess.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <chrono>

namespace
{

using tClock = std::chrono::steady_clock;

double Seconds(tClock::time_point from, tClock::time_point to)
{
    return std::chrono::duration<double>(to - from).count();
}

/// Lets the runner finish what it started: the system builder idle and nothing new for 2.5 s,
/// longer than a retry, so late repeats are counted too.
void Settle()
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 2500 || gSystemBuilder->IsBusy() || SyscallGetNumberOfMessagesInBuffer() > 0)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

void BM_ReconnectBringsWidgetsBack(benchmark::State& state)
{
    sSignedInWorld& world = World<sSignedInWorld>();
    sRunner runner(*world.mApplication, int(state.range(0)));
    runner.mConfig->setOnline();
    if (!WaitFor([&] { return runner.AllShow(world.Position()); }, 60000)) {
        state.SkipWithError("widgets not on line at first");
        return;
    }
    Settle();

    double fromRestart = 0;
    double names = 0;
    double links = 0;
    for (auto _ : state) {
        state.PauseTiming();
        world.mUnit->Kill();
        if (!WaitFor([&] { return runner.AllOffline(); }, 20000)) {
            state.SkipWithError("widgets stayed on line without their unit");
            break;
        }
        tClock::time_point back {};
        QMetaObject::Connection watch = QObject::connect(world.mPrimary, &cConnectionUnit::connectedChanged, [&] {
            if (world.mPrimary->connected() && back == tClock::time_point {})
                back = tClock::now();
        });
        const tClock::time_point restart = tClock::now();
        if (!world.StartUnit()) {
            state.SkipWithError("unit did not start again");
            break;
        }
        state.ResumeTiming();
        const bool online = WaitFor([&] { return runner.AllShow(world.Position()); }, 60000);
        const tClock::time_point done = tClock::now();
        QObject::disconnect(watch);
        if (!online || back == tClock::time_point {}) {
            state.SkipWithError("widgets not back on line");
            break;
        }
        state.SetIterationTime(Seconds(back, done));
        fromRestart += Seconds(restart, done);
        Settle();
        // A new unit program: everything it counted is this reconnect's.
        const auto received = world.Received();
        names += received.first;
        links += received.second;
    }
    const double rounds = double(state.iterations());
    state.counters["from_restart_ms"] = rounds > 0 ? 1000 * fromRestart / rounds : 0;
    state.counters["name_requests_per_widget"] = rounds > 0 ? names / rounds / kWidgets : 0;
    state.counters["link_messages_per_widget"] = rounds > 0 ? links / rounds / kWidgets : 0;
}
BENCHMARK(BM_ReconnectBringsWidgetsBack)->Arg(0)->Arg(1)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_BaselineFirstOnLining(benchmark::State& state)
{
    sSignedInWorld& world = World<sSignedInWorld>();
    double names = 0;
    double links = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto runner = std::make_unique<sRunner>(*world.mApplication, int(state.range(0)));
        const auto before = world.Received();
        state.ResumeTiming();
        const tClock::time_point start = tClock::now();
        runner->mConfig->setOnline();
        const bool online = WaitFor([&] { return runner->AllShow(world.Position()); }, 60000);
        const tClock::time_point done = tClock::now();
        if (!online) {
            state.SkipWithError("widgets not on line");
            break;
        }
        state.SetIterationTime(Seconds(start, done));
        state.PauseTiming();
        Settle();
        const auto after = world.Received();
        names += after.first - before.first;
        links += after.second - before.second;
        // Taken off line with the page, as a configuration replaced by another.
        runner.reset();
        Settle();
        state.ResumeTiming();
    }
    const double rounds = double(state.iterations());
    state.counters["name_requests_per_widget"] = rounds > 0 ? names / rounds / kWidgets : 0;
    state.counters["link_messages_per_widget"] = rounds > 0 ? links / rounds / kWidgets : 0;
}
BENCHMARK(BM_BaselineFirstOnLining)->Arg(0)->Arg(1)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    RunInTestNamespace(argc, argv);
    return RunBenchmarksInWorld<sSignedInWorld>(argc, argv);
}
