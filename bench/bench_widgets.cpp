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
#include "bench/BenchSupport.h"
#include "tests/Quendle/Widgets/Control/MixerTestLeaves.h"
#include "tests/support/quendle/TestConfig.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include <malloc.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace
{

constexpr int kWidgets = 1000;
constexpr int kChanges = 10000;

struct sWorld {
    std::unique_ptr<cNetworkStack> mStack;
    std::unique_ptr<cTestApplication> mApplication;
    std::unique_ptr<cTestConfig> mConfig;
    std::vector<std::unique_ptr<cBenchUnitParameter>> mUnit;
    std::vector<std::unique_ptr<cTestLevelWidget>> mWidgets;
    std::unique_ptr<sPlainQueuedSignals> mPlain;
    double mBytesPerWidget = 0;

    sWorld()
    {
        mStack = std::make_unique<cNetworkStack>(cNetworkStack::SystemBuilder | cNetworkStack::SyscallThread);
        mApplication = std::make_unique<cTestApplication>();
        mConfig = std::make_unique<cTestConfig>(mApplication.get());
        mConfig->InsertNewUnit(new cConfigUnit(
            mConfig.get(), 0, QStringLiteral("10.77.0.2"), QStringLiteral("tarvo"), true, QString(), mConfig.get()));
        for (int i = 0; i < kWidgets; ++i)
            mUnit.push_back(std::make_unique<cBenchUnitParameter>(("unit gain " + std::to_string(i)).c_str()));
        mPlain = std::make_unique<sPlainQueuedSignals>(kChanges);
        mStack->Start();

        const std::size_t before = mallinfo2().uordblks;
        for (int i = 0; i < kWidgets; ++i) {
            mWidgets.push_back(std::make_unique<cTestLevelWidget>(i, nullptr, *mConfig));
            mWidgets.back()->Init();
            mWidgets.back()->NetObjectNamesAndParametersReceived(
                Quendle::NameParamResolved, { { mUnit[std::size_t(i)]->GetName(), PARAMETER_BASE } });
        }
        WaitUntilLinked();
        mBytesPerWidget = double(mallinfo2().uordblks - before) / kWidgets;
    }
    ~sWorld()
    {
        mStack->Stop();
        mWidgets.clear();
        mUnit.clear();
        mPlain.reset();
        mConfig.reset();
        mApplication.reset();
        mStack.reset();
    }
};

void BM_ParameterChangesToWidgetProperties(benchmark::State& state)
{
    sWorld& world = World<sWorld>();
    // Ten fader positions per round, a different ten each round.
    TimeParameterChanges(
        state, kChanges,
        [&](cZUNetMessage& message, int change, int round) {
            const std::size_t i = std::size_t(change % kWidgets);
            message.mSource = world.mUnit[i]->GetHandle();
            message.mDestination = world.mWidgets[i]->LevelDriver()->GetHandle();
            message.SetDataBufferUWORD(cFaderLookup::kFaderLawTable[(round % 6) * 10 + change / kWidgets], 0);
        },
        [&](int round) {
            const double last = ((round % 6) * 10 + kChanges / kWidgets - 1) / 255.0;
            return std::all_of(world.mWidgets.begin(), world.mWidgets.end(),
                [&](const auto& widget) { return widget->position() == last; });
        });
    state.counters["bytes_per_widget"] = world.mBytesPerWidget;
}
BENCHMARK(BM_ParameterChangesToWidgetProperties)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

int main(int argc, char** argv)
{
    return RunBenchmarksWithPlainBaseline<sWorld>(argc, argv);
}
