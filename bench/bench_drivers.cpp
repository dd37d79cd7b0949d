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

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <malloc.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace
{

constexpr int kDrivers = 1000;
constexpr int kChanges = 10000;

/// The unit's object a driver is linked to; it only has to be there.
class cUnitParameter : public cNetObject
{
public:
    explicit cUnitParameter(const char* name)
        : cNetObject(name, 1)
    {
    }
    ~cUnitParameter() override { Unregister(); }
    void UpdateNewObject(UWORD, UWORD, UWORD, UWORD) override { }
};

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

/// The baseline's two ends.
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

/// Emits the baseline's signals from the syscall thread when it is sent a message.
class cPlainEmitter : public cNetObject
{
public:
    explicit cPlainEmitter(cPlainSender* sender)
        : cNetObject("plain emitter", 1)
        , mSender(sender)
    {
    }
    ~cPlainEmitter() override { Unregister(); }
    void EntrypointMessage(cZUNetMessage& message) override
    {
        if (message.mMethod != PARAMETER_BASE) {
            cNetObject::EntrypointMessage(message);
            return;
        }
        const int base = message.GetDataBufferUWORD(0) * kChanges;
        for (int i = 0; i < kChanges; ++i)
            Q_EMIT mSender->Changed(base + i);
    }
    cPlainSender* mSender;
};

struct sWorld {
    std::unique_ptr<cNetworkStack> mStack;
    std::vector<std::unique_ptr<cUnitParameter>> mUnit;
    std::vector<std::unique_ptr<cZUNetUWORDDriver>> mDrivers;
    std::vector<std::unique_ptr<cShown>> mShown;
    cPlainSender mSender;
    cPlainReceiver mReceiver;
    std::unique_ptr<cPlainEmitter> mEmitter;
    double mBytesPerDriver = 0;

    sWorld()
    {
        mStack = std::make_unique<cNetworkStack>(cNetworkStack::SystemBuilder | cNetworkStack::SyscallThread);
        for (int i = 0; i < kDrivers; ++i)
            mUnit.push_back(std::make_unique<cUnitParameter>(("unit gain " + std::to_string(i)).c_str()));
        const std::size_t before = mallinfo2().uordblks;
        for (int i = 0; i < kDrivers; ++i) {
            SyscallMessagesPollLock();
            mDrivers.push_back(
                std::make_unique<cZUNetUWORDDriver>(nullptr, ("zunet_fader" + std::to_string(i)).c_str()));
            SyscallMessagesPollUnLock();
            mShown.push_back(std::make_unique<cShown>(mDrivers.back().get()));
        }
        mEmitter = std::make_unique<cPlainEmitter>(&mSender);
        QObject::connect(&mSender, &cPlainSender::Changed, &mReceiver, &cPlainReceiver::Changed);
        mStack->Start();
        for (int i = 0; i < kDrivers; ++i)
            QueueDriverLink(*mDrivers[i], mUnit[i]->GetName(), PARAMETER_BASE, true, false, nullptr);
        QElapsedTimer timer;
        timer.start();
        while ((gSystemBuilder->IsBusy() || SyscallGetNumberOfMessagesInBuffer() > 0) && timer.elapsed() < 60000)
            QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        // Drivers, their views, their connections and both inform-list entries of each link.
        mBytesPerDriver = double(mallinfo2().uordblks - before) / kDrivers;
    }
    ~sWorld()
    {
        mStack->Stop();
        mShown.clear();
        mDrivers.clear();
        mUnit.clear();
        mEmitter.reset();
        mStack.reset();
    }
};

std::unique_ptr<sWorld> gWorld;

sWorld& World()
{
    if (!gWorld)
        gWorld = std::make_unique<sWorld>();
    return *gWorld;
}

void BM_DriverChangesToTheUserInterface(benchmark::State& state)
{
    sWorld& world = World();
    cZUNetMessage message(2);
    message.mConnectionId = ZUNET_LOCAL_CONNECTION;
    message.mMethod = PARAMETER_BASE;
    UWORD round = 0;
    for (auto _ : state) {
        ++round;
        const UWORD base = UWORD((round % 6) * 10);
        const auto start = std::chrono::steady_clock::now();
        for (int change = 0; change < kChanges; ++change) {
            const int i = change % kDrivers;
            message.mSource = world.mUnit[i]->GetHandle();
            message.mDestination = world.mDrivers[i]->GetHandle();
            message.SetDataBufferUWORD(UWORD(base + change / kDrivers), 0);
            gRegistryRouter->PostLocalMessage(message);
        }
        const UWORD last = UWORD(base + (kChanges - 1) / kDrivers);
        auto done = [&] {
            for (const auto& shown : world.mShown) {
                if (shown->mValue != last)
                    return false;
            }
            return true;
        };
        while (!done())
            QCoreApplication::processEvents();
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    state.counters["bytes_per_driver"] = world.mBytesPerDriver;
    state.SetItemsProcessed(state.iterations() * kChanges);
}
BENCHMARK(BM_DriverChangesToTheUserInterface)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_BaselinePlainQueuedSignals(benchmark::State& state)
{
    sWorld& world = World();
    cZUNetMessage message(2);
    message.mConnectionId = ZUNET_LOCAL_CONNECTION;
    message.mMethod = PARAMETER_BASE;
    message.mDestination = world.mEmitter->GetHandle();
    UWORD round = 0;
    for (auto _ : state) {
        ++round;
        world.mReceiver.mCount = 0;
        const int last = round % 6 * kChanges + kChanges - 1;
        const auto start = std::chrono::steady_clock::now();
        message.SetDataBufferUWORD(UWORD(round % 6), 0);
        gRegistryRouter->PostLocalMessage(message);
        while (world.mReceiver.mCount < kChanges || world.mReceiver.mValue != last)
            QCoreApplication::processEvents();
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    state.SetItemsProcessed(state.iterations() * kChanges);
}
BENCHMARK(BM_BaselinePlainQueuedSignals)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    gWorld.reset(); // the network stops while the application object still lives
    return 0;
}

#include "bench_drivers.moc"
