#pragma once
// What the latency benchmarks of a widget pair share: a layout of the signed-in configuration holding
// one widget of each family bound to the same unit object, the event loop turned until a change
// shows, and the change's latency set beside the drivers' round trip.

#include "Quendle/Runner/RunnerConfig.h"
#include "Quendle/Runner/RunnerLayout.h"
#include "Quendle/Widgets/Base/Widget.h"
#include "bench/BenchBoundWidgets.h"

#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QXmlStreamReader>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

inline double Percentile(std::vector<double>& samples, int percent)
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

/// A new layout of `config`, once `config` holds the unit as its primary; null when it was refused.
inline cRunnerLayout* PrimaryUnitLayout(cRunnerConfig& config)
{
    QByteArray document = "<QuendleConfig version=\"1.3.1\"><Units><Unit id=\"1\" nameOrIpAddress=\""
        + kUnitAddress.toUtf8() + "\" type=\"tarvo\" primaryUnit=\"1\"/></Units><Layouts/></QuendleConfig>";
    QBuffer buffer(&document);
    buffer.open(QIODevice::ReadOnly);
    if (!config.ReadXml(buffer))
        return nullptr;
    auto* layout = new cRunnerLayout(&config);
    config.layouts()->append(layout);
    return layout;
}

/// Each widget made ready, loaded from the same `Widget` element and added to `layout`.
inline void AddLoaded(cRunnerLayout& layout, std::initializer_list<cWidget*> widgets, const QString& element)
{
    for (cWidget* widget : widgets) {
        widget->Init();
        QXmlStreamReader reader(element);
        reader.readNextStartElement();
        widget->LoadAttributes(reader);
        layout.AddWidget(widget);
    }
}

/// One widget of each class, made with `id` on a new layout of `config` (the unit its primary) and
/// loaded from the same `Widget` element; nulls when the configuration was refused.
template <class tFirst, class tSecond>
std::pair<tFirst*, tSecond*> AddPair(cRunnerConfig& config, int id, const QString& element)
{
    cRunnerLayout* layout = PrimaryUnitLayout(config);
    if (!layout)
        return { nullptr, nullptr };
    auto* first = new tFirst(id, layout, config);
    auto* second = new tSecond(id, layout, config);
    AddLoaded(*layout, { first, second }, element);
    return { first, second };
}

/// `<change>_p50_us` and `_p99_us` of the changes, the same of the drivers' round trips, and how far
/// the change's are over the round trip's.
inline void SetOverRoundTrip(
    benchmark::State& state, const std::string& change, std::vector<double>& changes, std::vector<double>& trips)
{
    const double changeMedian = Percentile(changes, 50);
    const double tripMedian = Percentile(trips, 50);
    const double changeP99 = Percentile(changes, 99);
    const double tripP99 = Percentile(trips, 99);
    state.counters[change + "_p50_us"] = changeMedian;
    state.counters[change + "_p99_us"] = changeP99;
    state.counters["round_trip_p50_us"] = tripMedian;
    state.counters["round_trip_p99_us"] = tripP99;
    // Goal: at most 1000 us over the round trip.
    state.counters["p50_over_round_trip_us"] = changeMedian - tripMedian;
    state.counters["p99_over_round_trip_us"] = changeP99 - tripP99;
}
