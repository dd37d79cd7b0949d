// Linking local parameter pairs through the system builder (1,000 against 10,000 pairs: the time
// must grow about linearly), and the round trip of a parameter change between two linked local
// objects through the real syscall thread, beside the bare cost of a condition-variable hand-off
// between two threads (std::condition_variable and QWaitCondition) measured in the same run.

#include "ZUNet/Core/NetObject.h"
#include "ZUNet/Core/RegistryRouter.h"
#include "ZUNet/Core/Syscall.h"
#include "ZUNet/Core/SystemBuilder.h"
#include "ZUNet/QT/SyscallThread.h"

#include <benchmark/benchmark.h>

#include <QMutex>
#include <QWaitCondition>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace
{

double Fastest(const std::vector<double>& times)
{
    return *std::min_element(times.begin(), times.end());
}

/// One parameter; a received value is stored and passed on, and the owner may be told.
class cBenchObject : public cNetObject
{
public:
    explicit cBenchObject(const char* name)
        : cNetObject(name, 1)
        , mMessage(2)
    {
    }
    ~cBenchObject() override { Unregister(); }

    void SetValue(UWORD value)
    {
        mMessage.SetDataBufferUWORD(value, 0);
        mMessage.SetAddress(0, mHandle, mHandle, PARAMETER_BASE);
        InformOtherObjects(mMessage);
    }

    void EntrypointMessage(cZUNetMessage& message) override
    {
        if (message.mMethod != PARAMETER_BASE) {
            cNetObject::EntrypointMessage(message);
            return;
        }
        InformOtherObjects(message);
        if (mOnValue)
            mOnValue(message.GetDataBufferUWORD(0));
    }

    std::function<void(UWORD)> mOnValue;

private:
    cZUNetMessage mMessage;
};

void BM_LinkLocalPairs(benchmark::State& state)
{
    const int pairs = int(state.range(0));
    InitialiseSyscall(CONNECTION_TERMINATED_ABORT_COMMANDS, true);
    {
        // The objects live through every run; each run links all pairs, and unlinks them untimed.
        std::vector<std::unique_ptr<cBenchObject>> objects;
        objects.reserve(std::size_t(pairs) * 2);
        std::vector<sParameterLinkingCommand> links(static_cast<std::size_t>(pairs));
        for (int i = 0; i < pairs; ++i) {
            const std::string source = "source " + std::to_string(i);
            const std::string destination = "destination " + std::to_string(i);
            objects.push_back(std::make_unique<cBenchObject>(source.c_str()));
            objects.push_back(std::make_unique<cBenchObject>(destination.c_str()));
            links[std::size_t(i)].SetSourcePath(source.c_str());
            links[std::size_t(i)].SetDestinationPath(destination.c_str());
            links[std::size_t(i)].mSourceParam = PARAMETER_BASE;
            links[std::size_t(i)].mDestParam = PARAMETER_BASE;
        }
        std::vector<sParameterLinkingCommand> unlinks = links;
        for (sParameterLinkingCommand& command : unlinks)
            command.mRemove = true;

        ULONG made = 0;
        for (auto _ : state) {
            const ULONG before = gSystemBuilder->GetMade();
            for (const sParameterLinkingCommand& command : links)
                gSystemBuilder->AddLinkCommandToList(command, false);
            gRegistryRouter->SyscallPoll();

            state.PauseTiming();
            made = gSystemBuilder->GetMade() - before;
            for (const sParameterLinkingCommand& command : unlinks)
                gSystemBuilder->AddLinkCommandToList(command, false);
            gRegistryRouter->SyscallPoll();
            state.ResumeTiming();
        }
        if (made != ULONG(pairs) || objects[0]->GetNumberOfInformListItems(PARAMETER_BASE) != 0)
            state.SkipWithError("links not made and removed");
        state.SetItemsProcessed(state.iterations() * pairs);
        objects.clear();
    }
    UninitialiseSyscall();
}
// The fastest of several runs: other load on the machine only ever adds time.
BENCHMARK(BM_LinkLocalPairs)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(7)
    ->ComputeStatistics("min", Fastest)
    ->ReportAggregatesOnly(true);

/// The bench thread changes A; the syscall thread carries it to B, which hands it back to the
/// bench thread.
void BM_RoundTripThroughSyscallThread(benchmark::State& state)
{
    InitialiseSyscall(CONNECTION_TERMINATED_ABORT_COMMANDS, true);
    {
        cBenchObject a("a");
        cBenchObject b("b");
        std::mutex mutex;
        std::condition_variable arrived;
        int last = -1;
        b.mOnValue = [&](UWORD value) {
            std::lock_guard<std::mutex> locker(mutex);
            last = value;
            arrived.notify_one();
        };
        cSyscallThread thread;
        thread.StartSyscall();
        sParameterLinkingCommand command;
        command.SetSourcePath("a");
        command.SetDestinationPath("b");
        command.mSourceParam = PARAMETER_BASE;
        command.mDestParam = PARAMETER_BASE;
        gSystemBuilder->AddLinkCommandToList(command, false);
        while (gSystemBuilder->IsBusy())
            std::this_thread::yield();

        UWORD value = 0;
        for (auto _ : state) {
            value = UWORD((value + 1) & 0x7FFF);
            SyscallMessagesPollLock();
            a.SetValue(value);
            SyscallMessagesPollUnLock();
            std::unique_lock<std::mutex> locker(mutex);
            arrived.wait(locker, [&] { return last == value; });
        }
        thread.QuitSyscallAndWait();
    }
    UninitialiseSyscall();
}
BENCHMARK(BM_RoundTripThroughSyscallThread)
    ->UseRealTime()
    ->Repetitions(5)
    ->ComputeStatistics("min", Fastest)
    ->ReportAggregatesOnly(true);

/// Baseline: the same there-and-back between two threads with a flag, a mutex and a
/// std::condition_variable each way.
void BM_BaselineConditionVariableHandOff(benchmark::State& state)
{
    std::mutex mutex;
    std::condition_variable toWorker;
    std::condition_variable toBench;
    int sent = 0;
    int answered = 0;
    bool stop = false;
    std::thread worker([&] {
        std::unique_lock<std::mutex> locker(mutex);
        for (;;) {
            toWorker.wait(locker, [&] { return stop || sent != answered; });
            if (stop)
                return;
            answered = sent;
            toBench.notify_one();
        }
    });
    for (auto _ : state) {
        std::unique_lock<std::mutex> locker(mutex);
        ++sent;
        toWorker.notify_one();
        toBench.wait(locker, [&] { return answered == sent; });
    }
    {
        std::lock_guard<std::mutex> locker(mutex);
        stop = true;
    }
    toWorker.notify_one();
    worker.join();
}
BENCHMARK(BM_BaselineConditionVariableHandOff)
    ->UseRealTime()
    ->Repetitions(5)
    ->ComputeStatistics("min", Fastest)
    ->ReportAggregatesOnly(true);

/// Baseline with Qt's QWaitCondition and QMutex.
void BM_BaselineQWaitConditionHandOff(benchmark::State& state)
{
    QMutex mutex;
    QWaitCondition toWorker;
    QWaitCondition toBench;
    int sent = 0;
    int answered = 0;
    bool stop = false;
    std::thread worker([&] {
        QMutexLocker locker(&mutex);
        for (;;) {
            while (!stop && sent == answered)
                toWorker.wait(&mutex);
            if (stop)
                return;
            answered = sent;
            toBench.wakeOne();
        }
    });
    for (auto _ : state) {
        QMutexLocker locker(&mutex);
        ++sent;
        toWorker.wakeOne();
        while (answered != sent)
            toBench.wait(&mutex);
    }
    {
        QMutexLocker locker(&mutex);
        stop = true;
    }
    toWorker.wakeOne();
    worker.join();
}
BENCHMARK(BM_BaselineQWaitConditionHandOff)
    ->UseRealTime()
    ->Repetitions(5)
    ->ComputeStatistics("min", Fastest)
    ->ReportAggregatesOnly(true);

/// Prints the growth of the linking time from 1,000 to 10,000 pairs after the usual table.
class cRatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration || run.aggregate_name == "min")
                mTimes[run.benchmark_name()] = run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        auto small = mTimes.find("BM_LinkLocalPairs/1000/repeats:7/real_time_min");
        auto large = mTimes.find("BM_LinkLocalPairs/10000/repeats:7/real_time_min");
        if (small != mTimes.end() && large != mTimes.end() && small->second > 0)
            std::printf("Linking time 10000/1000 pairs (fastest runs): %.2f (goal: at most 12)\n",
                large->second / small->second);
    }

private:
    std::map<std::string, double> mTimes;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    cRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
