// Control latency of faders: a position written to a fader of the large family (as its view's drag
// writes it) bound to a gain of the unit program (a process of its own on the test network), until a
// fader of the second family bound to the same gain shows the position the unit passed on: the move
// reaching the unit's gain and the unit's change reaching a view's property, one object round trip
// in all. Beside it, in the same run and turn by turn, the same round trip of the two faders' drivers
// alone. Medians and 99th percentiles over 1,000 moves. Goal: a move costs at most the round trip
// plus 1 ms. Also a drag of 5 s at the display's rate: messages a second, and the unit on its last
// position every time.

#include "Common/Misc/NonLinearLookup.h"
#include "Quendle/Drivers/ValueDrivers.h"
#include "Quendle/Widgets/Control/FaderWidgetTarvo.h"
#include "Quendle/Widgets/Control/FaderWidgetVespril.h"
#include "Quendle/Widgets/Control/LevelLaw.h"
#include "ZUNet/Core/SystemBuilder.h"
#include "bench/BenchBoundWidgets.h"
#include "bench/BenchUnitProcess.h"
#include "bench/BenchWidgetPair.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include <chrono>
#include <vector>

namespace
{

using tClock = std::chrono::steady_clock;

void BM_MoveBesideRoundTrip(benchmark::State& state)
{
    sSignedInWorld& world = World<sSignedInWorld>();
    cRunnerConfig config(nullptr, world.mApplication.get(), world.mApplication.get());
    world.mApplication->mImages = &config;
    const auto pair = AddPair<cZUNetFaderWidgetTarvo, cZUNetFaderWidgetVespril>(config, 1,
        QStringLiteral("<Widget id=\"1\" type=\"f\" unitId=\"1\" levelType=\"mainlevel\" channelType=\"ip\"/>"));
    if (!pair.first) {
        state.SkipWithError("configuration refused");
        return;
    }
    auto* moved = pair.first;
    auto* shown = pair.second;
    config.setOnline();
    if (!Spin([&] { return moved->Links().size() == 1 && shown->Links().size() == 1 && !gSystemBuilder->IsBusy(); })) {
        state.SkipWithError("faders not linked");
        return;
    }
    // Positions in the middle of a law step, so that each reads back as its step exactly.
    auto position = [](int index) { return (index + 0.5) / 255.0; };
    moved->setValue(position(60));
    if (!Spin([&] { return shown->value() == 60 / 255.0; })) {
        state.SkipWithError("move not passed on by the unit");
        return;
    }

    std::vector<double> moves;
    std::vector<double> trips;
    int step = 0;
    for (auto _ : state) {
        const int index = 100 + (step++ % 2) * 50;
        auto start = tClock::now();
        moved->setValue(position(index));
        const bool seen = Spin([&] { return shown->value() == index / 255.0; });
        moves.push_back(std::chrono::duration<double, std::micro>(tClock::now() - start).count());

        const UWORD code = cFaderLookup::kFaderLawTable[index + 1];
        start = tClock::now();
        moved->LevelDriver()->SetValue(code);
        const bool tripped = Spin([&] { return shown->LevelDriver()->Value() == code; });
        trips.push_back(std::chrono::duration<double, std::micro>(tClock::now() - start).count());
        if (!seen || !tripped) {
            state.SkipWithError("a change was lost");
            break;
        }
    }
    SetOverRoundTrip(state, "move", moves, trips);
    config.SetOffline();
    world.mApplication->mImages = nullptr;
}
BENCHMARK(BM_MoveBesideRoundTrip)->Iterations(1000)->Unit(benchmark::kMicrosecond)->UseRealTime();

// A drag of 5 s at 60 frames a second, up and down the whole travel: the messages the fader sends a
// second (one per change of gain code), and whether the unit ends on the drag's last position (a
// fader of the other family bound to the same gain shows it). Beside it, the frames the drag had.
void BM_DragForFiveSeconds(benchmark::State& state)
{
    sSignedInWorld& world = World<sSignedInWorld>();
    cRunnerConfig config(nullptr, world.mApplication.get(), world.mApplication.get());
    world.mApplication->mImages = &config;
    const auto pair = AddPair<cZUNetFaderWidgetTarvo, cZUNetFaderWidgetVespril>(config, 2,
        QStringLiteral("<Widget id=\"2\" type=\"f\" unitId=\"1\" levelType=\"mainlevel\" "
                       "channelType=\"ip\" channelNumber=\"2\"/>"));
    if (!pair.first) {
        state.SkipWithError("configuration refused");
        return;
    }
    auto* moved = pair.first;
    auto* shown = pair.second;
    config.setOnline();
    if (!Spin([&] {
            return moved->Links().size() == 1 && shown->Links().size() == 1 && !gSystemBuilder->IsBusy()
                && shown->LevelDriver()->HasValue();
        })) {
        state.SkipWithError("faders not linked");
        return;
    }
    constexpr int kFrames = 300;
    constexpr auto kFrame = std::chrono::microseconds(16667);
    double messages = 0;
    double lastMisses = 0;
    for (auto _ : state) {
        UWORD sent = moved->LevelDriver()->Value();
        int count = 0;
        double last = 0;
        const auto start = tClock::now();
        for (int frame = 0; frame < kFrames; ++frame) {
            // Up and down the travel twice, a frame at a time.
            const double phase = double(frame % 150) / 75.0;
            last = phase <= 1.0 ? phase : 2.0 - phase;
            moved->setValue(last);
            if (moved->LevelDriver()->Value() != sent) {
                sent = moved->LevelDriver()->Value();
                ++count;
            }
            const auto until = start + kFrame * (frame + 1);
            while (tClock::now() < until)
                QCoreApplication::processEvents(QEventLoop::AllEvents);
        }
        const double expected = sLevelLaw::Of(*shown).PositionOf(sent);
        if (!Spin([&] { return shown->value() == expected; }))
            ++lastMisses;
        messages += count;
    }
    state.counters["messages_per_s"] = messages / (5.0 * state.iterations());
    state.counters["frames_per_s"] = kFrames / 5.0;
    state.counters["last_position_missed"] = lastMisses;
    config.SetOffline();
    world.mApplication->mImages = nullptr;
}
BENCHMARK(BM_DragForFiveSeconds)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    RunInTestNamespace(argc, argv);
    return RunBenchmarksInWorld<sSignedInWorld>(argc, argv);
}
