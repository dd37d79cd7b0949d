#pragma once
// What several benchmarks share: the unit's stand-in objects, the plain queued-signal baseline,
// timed rounds of parameter changes, waiting in the event loop, and the world a file's benchmarks
// run in with its main.

#include "ZUNet/Core/NetObject.h"
#include "ZUNet/Core/RegistryRouter.h"
#include "ZUNet/Core/Syscall.h"
#include "ZUNet/Core/SystemBuilder.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QObject>

#include <chrono>
#include <functional>
#include <memory>

/// A unit's object a driver or widget is linked to; it only has to be there.
class cBenchUnitParameter : public cNetObject
{
public:
    explicit cBenchUnitParameter(const char* name)
        : cNetObject(name, 1)
    {
    }
    ~cBenchUnitParameter() override { Unregister(); }
    void UpdateNewObject(UWORD, UWORD, UWORD, UWORD) override { }
};

/// Counts the live QObjects of the process through Qt's object hooks (the ones object inspectors
/// use), so objects that are nobody's children are counted too. GUI thread or not, any time.
namespace QObjectCensus
{
/// Starts counting; objects made before are not counted. False when this Qt has no such hooks.
bool Install();
long Live();
} // namespace QObjectCensus

/// The plain baseline's two ends.
class cPlainSender : public QObject
{
    Q_OBJECT
Q_SIGNALS:
    void Changed(int value);
};

class cPlainReceiver : public QObject
{
    Q_OBJECT
public:
    void Changed(int value)
    {
        mValue = value;
        ++mCount;
    }
    int mValue = -1;
    int mCount = 0;
};

/// Emits `changes` of the baseline's signals from the syscall thread when it is sent a message.
class cPlainEmitter : public cNetObject
{
public:
    cPlainEmitter(cPlainSender* sender, int changes);
    ~cPlainEmitter() override { Unregister(); }
    void EntrypointMessage(cZUNetMessage& message) override;

private:
    cPlainSender* mSender;
    int mChanges;
};

/// The least Qt costs for a round of changes: queued signals from a plain QObject on the syscall
/// thread to a plain QObject on this thread. Make it once the network stack exists.
struct sPlainQueuedSignals {
    explicit sPlainQueuedSignals(int changes);
    /// Times rounds of `mChanges` signals, each until the last value arrived.
    void Run(benchmark::State& state);

    const int mChanges;
    cPlainSender mSender;
    cPlainReceiver mReceiver;
    std::unique_ptr<cPlainEmitter> mEmitter;
};

/// Times rounds of `changes` parameter changes posted to the syscall thread as a connection thread
/// posts them: `address(message, change, round)` gives each change its ends and value, and a round
/// ends when `shown(round)` holds on this thread.
template <class tAddress, class tShown>
void TimeParameterChanges(benchmark::State& state, int changes, tAddress address, tShown shown)
{
    cZUNetMessage message(2);
    message.mConnectionId = ZUNET_LOCAL_CONNECTION;
    message.mMethod = PARAMETER_BASE;
    int round = 0;
    for (auto _ : state) {
        ++round;
        const auto start = std::chrono::steady_clock::now();
        for (int change = 0; change < changes; ++change) {
            address(message, change, round);
            gRegistryRouter->PostLocalMessage(message);
        }
        while (!shown(round))
            QCoreApplication::processEvents();
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    state.SetItemsProcessed(state.iterations() * changes);
}

/// Runs this thread's events until the links asked for are made (a minute at most).
inline void WaitUntilLinked()
{
    QElapsedTimer timer;
    timer.start();
    while ((gSystemBuilder->IsBusy() || SyscallGetNumberOfMessagesInBuffer() > 0) && timer.elapsed() < 60000)
        QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

/// Runs this thread's events until `done` holds; false when `timeoutMs` passed first.
inline bool WaitFor(const std::function<bool()>& done, int timeoutMs = 60000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

/// The world of a file's benchmarks, made on first use and held until main ends it.
template <class tWorld> std::unique_ptr<tWorld>& HeldWorld()
{
    static std::unique_ptr<tWorld> world;
    return world;
}

template <class tWorld> tWorld& World()
{
    std::unique_ptr<tWorld>& world = HeldWorld<tWorld>();
    if (!world)
        world = std::make_unique<tWorld>();
    return *world;
}

/// Runs the benchmarks named on the command line with an application object of `tApplication`;
/// the world ends (and with it the network) while the application object still lives.
template <class tWorld, class tApplication = QCoreApplication> int RunBenchmarksInWorld(int argc, char** argv)
{
    tApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    HeldWorld<tWorld>().reset();
    return 0;
}

/// `RunBenchmarksInWorld`, with "BM_BaselinePlainQueuedSignals" (the world's `mPlain`) registered
/// after the file's own benchmarks and timed as they are.
template <class tWorld> int RunBenchmarksWithPlainBaseline(int argc, char** argv)
{
    benchmark::RegisterBenchmark(
        "BM_BaselinePlainQueuedSignals", [](benchmark::State& state) { World<tWorld>().mPlain->Run(state); })
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond)
        ->MinTime(2.0);
    return RunBenchmarksInWorld<tWorld>(argc, argv);
}
