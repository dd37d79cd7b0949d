// 10,000 parameter changes for 1,000 linked level drivers, queued as a connection thread queues
// them and dispatched on the real syscall thread: the time until every driver's user-interface
// side (a slot on this thread reading the driver, as a widget property does) holds the last value.
// Beside it, in the same run, the least Qt costs for the same work: 10,000 queued signals from a
// plain QObject on the syscall thread to a plain QObject on this thread. Also the memory one
// linked driver takes with its user-interface side.

#include "Quendle/Drivers/ValueDrivers.h"
#include "ZUNet/Core/RegistryRouter.h"
#include "ZUNet/Core/Syscall.h"
#include "ZUNet/Core/SystemBuilder.h"
#include "ZUNet/QT/NetworkStack.h"
#include "bench/BenchSupport.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include <malloc.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace
{

constexpr int kDrivers = 1000;
constexpr int kChanges = 10000;

/// A widget's view of its driver: the value read back in a slot, as a QML property getter does.
class cShown : public QObject
{
    Q_OBJECT
public:
    explicit cShown(cZUNetUWORDDriver* driver)
        : mDriver(driver)
    {
        connect(driver, &cZUNetUWORDDriver::ValueChanged, this, &cShown::Changed);
    }
    void Changed() { mValue = mDriver->Value(); }
    cZUNetUWORDDriver* mDriver;
    UWORD mValue = cZUNetUWORDDriver::NO_VALUE;
};

struct sWorld {
    std::unique_ptr<cNetworkStack> mStack;
    std::vector<std::unique_ptr<cBenchUnitParameter>> mUnit;
    std::vector<std::unique_ptr<cZUNetUWORDDriver>> mDrivers;
    std::vector<std::unique_ptr<cShown>> mShown;
    std::unique_ptr<sPlainQueuedSignals> mPlain;
    double mBytesPerDriver = 0;

    sWorld()
    {
        mStack = std::make_unique<cNetworkStack>(cNetworkStack::SystemBuilder | cNetworkStack::SyscallThread);
        for (int i = 0; i < kDrivers; ++i)
            mUnit.push_back(std::make_unique<cBenchUnitParameter>(("unit gain " + std::to_string(i)).c_str()));
        const std::size_t before = mallinfo2().uordblks;
        for (int i = 0; i < kDrivers; ++i) {
            SyscallMessagesPollLock();
            mDrivers.push_back(
                std::make_unique<cZUNetUWORDDriver>(nullptr, ("zunet_fader" + std::to_string(i)).c_str()));
            SyscallMessagesPollUnLock();
            mShown.push_back(std::make_unique<cShown>(mDrivers.back().get()));
        }
        mPlain = std::make_unique<sPlainQueuedSignals>(kChanges);
        mStack->Start();
        for (int i = 0; i < kDrivers; ++i)
            QueueDriverLink(*mDrivers[i], mUnit[i]->GetName(), PARAMETER_BASE, true, false, nullptr);
        WaitUntilLinked();
        // Drivers, their views, their connections and both inform-list entries of each link.
        mBytesPerDriver = double(mallinfo2().uordblks - before) / kDrivers;
    }
    ~sWorld()
    {
        mStack->Stop();
        mShown.clear();
        mDrivers.clear();
        mUnit.clear();
        mPlain.reset();
        mStack.reset();
    }
};

void BM_DriverChangesToTheUserInterface(benchmark::State& state)
{
    sWorld& world = World<sWorld>();
    TimeParameterChanges(
        state, kChanges,
        [&](cZUNetMessage& message, int change, int round) {
            const int i = change % kDrivers;
            message.mSource = world.mUnit[i]->GetHandle();
            message.mDestination = world.mDrivers[i]->GetHandle();
            message.SetDataBufferUWORD(UWORD(UWORD((round % 6) * 10) + change / kDrivers), 0);
        },
        [&](int round) {
            const UWORD last = UWORD(UWORD((round % 6) * 10) + (kChanges - 1) / kDrivers);
            return std::all_of(
                world.mShown.begin(), world.mShown.end(), [&](const auto& shown) { return shown->mValue == last; });
        });
    state.counters["bytes_per_driver"] = world.mBytesPerDriver;
}
BENCHMARK(BM_DriverChangesToTheUserInterface)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

int main(int argc, char** argv)
{
    return RunBenchmarksWithPlainBaseline<sWorld>(argc, argv);
}

#include "bench_drivers.moc"
