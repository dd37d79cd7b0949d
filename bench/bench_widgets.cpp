// 10,000 parameter changes for 1,000 linked level widgets, queued as a connection thread queues
// them and dispatched on the real syscall thread: the time until every widget's QML-facing
// property (the fader position) holds the last value. Beside it, in the same run, the least Qt
// costs for the same work: 10,000 queued signals from a plain QObject on the syscall thread to a
// plain QObject on this thread. Also the memory one bound widget takes (its properties, driver,
// links and bookkeeping).

#include "Common/Misc/NonLinearLookup.h"
#include "Quendle/AppCommon/ConfigUnit.h"
#include "Quendle/Drivers/ValueDrivers.h"
#include "ZUNet/Core/RegistryRouter.h"
#include "ZUNet/Core/Syscall.h"
#include "ZUNet/Core/SystemBuilder.h"
#include "ZUNet/QT/NetworkStack.h"
#include "tests/Quendle/Widgets/MixerTestLeaves.h"
#include "tests/support/quendle/TestConfig.h"

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

constexpr int kWidgets = 1000;
constexpr int kChanges = 10000;

/// The unit's gain object a widget is linked to; it only has to be there.
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
    std::unique_ptr<cTestApplication> mApplication;
    std::unique_ptr<cTestConfig> mConfig;
    std::vector<std::unique_ptr<cUnitParameter>> mUnit;
    std::vector<std::unique_ptr<cTestLevelWidget>> mWidgets;
    cPlainSender mSender;
    cPlainReceiver mReceiver;
    std::unique_ptr<cPlainEmitter> mEmitter;
    double mBytesPerWidget = 0;

    sWorld()
    {
        mStack = std::make_unique<cNetworkStack>(cNetworkStack::SystemBuilder | cNetworkStack::SyscallThread);
        mApplication = std::make_unique<cTestApplication>();
        mConfig = std::make_unique<cTestConfig>(mApplication.get());
        mConfig->InsertNewUnit(new cConfigUnit(
            mConfig.get(), 0, QStringLiteral("10.77.0.2"), QStringLiteral("tarvo"), true, QString(), mConfig.get()));
        for (int i = 0; i < kWidgets; ++i)
            mUnit.push_back(std::make_unique<cUnitParameter>(("unit gain " + std::to_string(i)).c_str()));
        mEmitter = std::make_unique<cPlainEmitter>(&mSender);
        QObject::connect(&mSender, &cPlainSender::Changed, &mReceiver, &cPlainReceiver::Changed);
        mStack->Start();

        const std::size_t before = mallinfo2().uordblks;
        for (int i = 0; i < kWidgets; ++i) {
            mWidgets.push_back(std::make_unique<cTestLevelWidget>(i, nullptr, *mConfig));
            mWidgets.back()->Init();
            mWidgets.back()->NetObjectNamesAndParametersReceived(
                Quendle::NameParamResolved, { { mUnit[std::size_t(i)]->GetName(), PARAMETER_BASE } });
        }
        QElapsedTimer timer;
        timer.start();
        while ((gSystemBuilder->IsBusy() || SyscallGetNumberOfMessagesInBuffer() > 0) && timer.elapsed() < 60000)
            QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        mBytesPerWidget = double(mallinfo2().uordblks - before) / kWidgets;
    }
    ~sWorld()
    {
        mStack->Stop();
        mWidgets.clear();
        mUnit.clear();
        mEmitter.reset();
        mConfig.reset();
        mApplication.reset();
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

void BM_ParameterChangesToWidgetProperties(benchmark::State& state)
{
    sWorld& world = World();
    cZUNetMessage message(2);
    message.mConnectionId = ZUNET_LOCAL_CONNECTION;
    message.mMethod = PARAMETER_BASE;
    int round = 0;
    for (auto _ : state) {
        ++round;
        // Ten fader positions per round, a different ten each round.
        const int base = (round % 6) * 10;
        const double last = (base + kChanges / kWidgets - 1) / 255.0;
        const auto start = std::chrono::steady_clock::now();
        for (int change = 0; change < kChanges; ++change) {
            const std::size_t i = std::size_t(change % kWidgets);
            message.mSource = world.mUnit[i]->GetHandle();
            message.mDestination = world.mWidgets[i]->LevelDriver()->GetHandle();
            message.SetDataBufferUWORD(cFaderLookup::kFaderLawTable[base + change / kWidgets], 0);
            gRegistryRouter->PostLocalMessage(message);
        }
        auto done = [&] {
            for (const auto& widget : world.mWidgets) {
                if (widget->position() != last)
                    return false;
            }
            return true;
        };
        while (!done())
            QCoreApplication::processEvents();
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    state.counters["bytes_per_widget"] = world.mBytesPerWidget;
    state.SetItemsProcessed(state.iterations() * kChanges);
}
BENCHMARK(BM_ParameterChangesToWidgetProperties)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

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

#include "bench_widgets.moc"
