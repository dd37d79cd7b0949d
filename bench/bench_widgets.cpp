// 10,000 parameter changes for 1,000 linked level widgets, queued as a connection thread queues
// them and dispatched on the real syscall thread: the time until every widget's QML-facing
// property (the fader position) holds the last value. Beside it, in the same run, the least Qt
// costs for the same work: 10,000 queued signals from a plain QObject on the syscall thread to a
// plain QObject on this thread. Also the memory one bound widget takes (its properties, driver,
// links and bookkeeping).
// Beside them, the making of 1,000 bound level widgets as a layout makes and binds them (made,
// initialised and read from their elements in one batch, then answered one by one, which queues
// their links) while the syscall thread links those before: the time on this thread per widget,
// and the heap and QObjects each holds once linked; and, made the same way, the least a bound
// widget needs: an object for its view and a registered driver linked to the unit's parameter.

#include "Common/Misc/NonLinearLookup.h"
#include "Quendle/AppCommon/ConfigUnit.h"
#include "Quendle/Drivers/ValueDrivers.h"
#include "Quendle/Widgets/Base/WidgetBatch.h"
#include "ZUNet/Core/PollLocker.h"
#include "ZUNet/Core/RegistryRouter.h"
#include "ZUNet/Core/Syscall.h"
#include "ZUNet/Core/SystemBuilder.h"
#include "ZUNet/QT/NetworkStack.h"
#include "bench/BenchSupport.h"
#include "tests/Quendle/Widgets/Control/MixerTestLeaves.h"
#include "tests/support/quendle/TestConfig.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QXmlStreamReader>

#include <malloc.h>

#include <algorithm>
#include <chrono>
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

/// What a made set holds once linked, per widget: heap bytes and live QObjects.
struct sHeld {
    double mBytes = 0;
    double mQObjects = 0;
};

/// Times `make` (which makes `kWidgets` of something bound) on this thread while the syscall thread
/// links what it queued; the first round, untimed, also counts what they hold once linked. `clear`
/// takes them apart between rounds.
template <class tMake, class tClear> void TimeMaking(benchmark::State& state, tMake make, tClear clear)
{
    WaitUntilLinked();
    const std::size_t heapBefore = mallinfo2().uordblks;
    const long objectsBefore = QObjectCensus::Live();
    make();
    WaitUntilLinked();
    sHeld held { double(mallinfo2().uordblks - heapBefore) / kWidgets,
        double(QObjectCensus::Live() - objectsBefore) / kWidgets };
    clear();
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        make();
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        WaitUntilLinked();
        clear();
    }
    // Shown as a time: seconds per widget.
    state.counters["per_widget"] = benchmark::Counter(
        double(kWidgets), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["heap_bytes_per_widget"] = held.mBytes;
    state.counters["qobjects_per_widget"] = held.mQObjects;
}

/// The layout the bound widgets are read from, one element each, with ids of their own (the
/// world's widgets hold the drivers' plain names).
const QString& BoundLayout()
{
    static const QString layout = [] {
        QString text = QStringLiteral("<Layout>");
        for (int i = 0; i < kWidgets; ++i)
            text += QStringLiteral("<Widget id=\"%1\" type=\"test_zunet_fader\" unitId=\"0\" x=\"0.1\" y=\"0.2\" "
                                   "width=\"0.05\" height=\"0.3\" levelType=\"mainlevel\" channelType=\"ip\" "
                                   "channelNumber=\"%2\" textLabel=\"Ch %2\"/>")
                        .arg(kWidgets + i + 1)
                        .arg(i + 1);
        return text + QStringLiteral("</Layout>");
    }();
    return layout;
}

void BM_MakeBoundWidgets(benchmark::State& state)
{
    sWorld& world = World<sWorld>();
    std::vector<std::unique_ptr<cTestLevelWidget>> made;
    made.reserve(kWidgets);
    TimeMaking(
        state,
        [&] {
            {
                // One reader and one batch for the layout, as the layout reads it.
                const cWidgetBatch batch;
                QXmlStreamReader reader(BoundLayout());
                reader.readNextStartElement();
                for (int i = 0; i < kWidgets && reader.readNextStartElement(); ++i) {
                    made.push_back(std::make_unique<cTestLevelWidget>(kWidgets + i + 1, nullptr, *world.mConfig));
                    made.back()->Init();
                    made.back()->LoadAttributes(reader);
                    reader.skipCurrentElement();
                }
            }
            // The answers come one by one, each in an event of its own.
            for (std::size_t i = 0; i < made.size(); ++i)
                made[i]->NetObjectNamesAndParametersReceived(
                    Quendle::NameParamResolved, { { world.mUnit[i]->GetName(), PARAMETER_BASE } });
        },
        [&] {
            made.clear();
            WaitUntilLinked();
        });
}
BENCHMARK(BM_MakeBoundWidgets)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

/// The least a bound widget needs: an object for its view, a driver registered under the poll lock
/// and its link to the unit's parameter queued.
void BM_BaselineMakeLinkedDrivers(benchmark::State& state)
{
    sWorld& world = World<sWorld>();
    std::vector<std::unique_ptr<QObject>> made;
    made.reserve(kWidgets);
    auto link = [&](int i, bool remove) {
        const std::string driver = "bare" + std::to_string(i);
        gSystemBuilder->AddLinkCommandToList(sParameterLinkingCommand::Make(world.mUnit[std::size_t(i)]->GetName(),
                                                 PARAMETER_BASE, driver.c_str(), PARAMETER_BASE, true, remove),
            true);
    };
    TimeMaking(
        state,
        [&] {
            for (int i = 0; i < kWidgets; ++i) {
                made.push_back(std::make_unique<QObject>());
                cPollLocker locker;
                new cZUNetUWORDDriver(made.back().get(), ("bare" + std::to_string(i)).c_str());
                link(i, false);
            }
        },
        [&] {
            {
                cPollLocker locker;
                for (int i = 0; i < kWidgets; ++i)
                    link(i, true);
            }
            WaitUntilLinked();
            made.clear();
        });
}
BENCHMARK(BM_BaselineMakeLinkedDrivers)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

int main(int argc, char** argv)
{
    QObjectCensus::Install();
    return RunBenchmarksWithPlainBaseline<sWorld>(argc, argv);
}
