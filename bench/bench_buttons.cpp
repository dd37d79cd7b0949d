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

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <chrono>
#include <vector>

namespace
{

using tClock = std::chrono::steady_clock;

double Percentile(std::vector<double>& samples, int percent)
{
    std::sort(samples.begin(), samples.end());
    return samples.empty() ? 0.0 : samples[std::min(samples.size() - 1, samples.size() * size_t(percent) / 100)];
}

/// Turns the event loop until `done`; false after 5 s.
template <class tDone> bool Spin(tDone done)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > 5000)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    return true;
}

void BM_PressBesideRoundTrip(benchmark::State& state)
{
    sSignedInWorld& world = World<sSignedInWorld>();
    cRunnerConfig config(nullptr, world.mApplication.get(), world.mApplication.get());
    world.mApplication->mImages = &config;
    QByteArray document = "<QuendleConfig version=\"1.3.1\"><Units><Unit id=\"1\" nameOrIpAddress=\""
        + kUnitAddress.toUtf8() + "\" type=\"tarvo\" primaryUnit=\"1\"/></Units><Layouts/></QuendleConfig>";
    QBuffer buffer(&document);
    buffer.open(QIODevice::ReadOnly);
    if (!config.ReadXml(buffer)) {
        state.SkipWithError("configuration refused");
        return;
    }
    auto* layout = new cRunnerLayout(&config);
    config.layouts()->append(layout);
    auto* press = new cZUNetButtonWidgetTarvo(1, layout, config);
    auto* shown = new cZUNetButtonWidgetVespril(1, layout, config);
    for (cZUNetButtonWidget* button : std::initializer_list<cZUNetButtonWidget*> { press, shown }) {
        button->Init();
        QXmlStreamReader reader(
            QStringLiteral("<Widget id=\"1\" type=\"b\" unitId=\"1\" function=\"mute\" channelType=\"ip\"/>"));
        reader.readNextStartElement();
        button->LoadAttributes(reader);
        layout->AddWidget(button);
    }
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
    const double pressMedian = Percentile(presses, 50);
    const double tripMedian = Percentile(trips, 50);
    const double pressP99 = Percentile(presses, 99);
    const double tripP99 = Percentile(trips, 99);
    state.counters["press_p50_us"] = pressMedian;
    state.counters["press_p99_us"] = pressP99;
    state.counters["round_trip_p50_us"] = tripMedian;
    state.counters["round_trip_p99_us"] = tripP99;
    // Goal: at most 1000 us over the round trip.
    state.counters["p50_over_round_trip_us"] = pressMedian - tripMedian;
    state.counters["p99_over_round_trip_us"] = pressP99 - tripP99;
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
