// Control latency of buttons, which no comparable product publishes: a click on a button of the large
// family bound to the unit program's mute (a process of its own on the test network), until a button
// of the second family bound to the same mute shows the change the unit passed on: the press reaching
// the unit's parameter and the unit's change reaching a view's property, one object round trip in
// all. Beside it, in the same run and turn by turn, the same round trip of the two buttons' drivers
// alone (a value set on one driver until the other holds it): what the press costs at the least.
// Medians and 99th percentiles over 1,000 presses. Goal: a press costs at most the round trip plus
// 1 ms.

#include "Quendle/Drivers/ValueDrivers.h"
#include "Quendle/Widgets/Control/ButtonWidgetTarvo.h"
#include "Quendle/Widgets/Control/ButtonWidgetVespril.h"
#include "ZUNet/Core/SystemBuilder.h"
#include "bench/BenchBoundWidgets.h"
#include "bench/BenchUnitProcess.h"
#include "bench/BenchWidgetPair.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <vector>

namespace
{

using tClock = std::chrono::steady_clock;

void BM_PressBesideRoundTrip(benchmark::State& state)
{
    sSignedInWorld& world = World<sSignedInWorld>();
    cRunnerConfig config(nullptr, world.mApplication.get(), world.mApplication.get());
    world.mApplication->mImages = &config;
    const auto pair = AddPair<cZUNetButtonWidgetTarvo, cZUNetButtonWidgetVespril>(
        config, 1, QStringLiteral("<Widget id=\"1\" type=\"b\" unitId=\"1\" function=\"mute\" channelType=\"ip\"/>"));
    if (!pair.first) {
        state.SkipWithError("configuration refused");
        return;
    }
    auto* press = pair.first;
    auto* shown = pair.second;
    config.setOnline();
    if (!Spin([&] { return press->Links().size() == 1 && shown->Links().size() == 1 && !gSystemBuilder->IsBusy(); })) {
        state.SkipWithError("buttons not linked");
        return;
    }
    // The first change through both links tells them apart from the linking.
    press->clicked();
    if (!Spin([&] { return shown->value() == press->value(); })) {
        state.SkipWithError("press not passed on by the unit");
        return;
    }

    std::vector<double> presses;
    std::vector<double> trips;
    for (auto _ : state) {
        const bool pressed = !press->value();
        auto start = tClock::now();
        press->clicked();
        const bool seen = Spin([&] { return shown->value() == pressed; });
        presses.push_back(std::chrono::duration<double, std::micro>(tClock::now() - start).count());

        start = tClock::now();
        press->SwitchDriver()->SetValue(!pressed);
        const bool tripped = Spin([&] { return shown->SwitchDriver()->Value() == !pressed; });
        trips.push_back(std::chrono::duration<double, std::micro>(tClock::now() - start).count());
        if (!seen || !tripped) {
            state.SkipWithError("a change was lost");
            break;
        }
    }
    SetOverRoundTrip(state, "press", presses, trips);
    config.SetOffline();
    world.mApplication->mImages = nullptr;
}
BENCHMARK(BM_PressBesideRoundTrip)->Iterations(1000)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    RunInTestNamespace(argc, argv);
    return RunBenchmarksInWorld<sSignedInWorld>(argc, argv);
}
