// Reading a runner configuration of 5,000 widgets (the most the runner takes) in 10 layouts (each
// with two tab containers of four tabs), building every C++ widget through the factory, beside a
// bare QXmlStreamReader pass over the same bytes that reads every token, attribute and text, in the
// same run. Six of the ten types are mixer-bound (buttons, faders, meters, rotaries, LEDs, texts):
// until their classes come, a leaf of the control base with 20 properties and the Unit stands in
// for each, as the classes will be built on it. Goal: at most 3x the bare pass. The heap held per
// widget once read is reported as a counter.
// Beside it, a leaf of the control base with 21 properties (its 15, the Unit and 5 of the leaf)
// read from 10,000 elements as the factory reads them, and the reading of every widget's base
// values: what the widget base's way of keeping those values costs a real leaf.

#include "Quendle/Runner/RunnerConfig.h"
#include "Quendle/Runner/WidgetFactory.h"
#include "Quendle/Widgets/Base/Widget.h"
#include "bench/BenchReader.h"
#include "tests/Quendle/Runner/RunnerTestApplication.h"
#include "tests/Quendle/Widgets/Control/MixerTestLeaves.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QXmlStreamReader>

#include <cstdio>
#include <memory>

#include <benchmark/benchmark.h>

#include <malloc.h>

namespace
{

constexpr int kLayouts = 10;
constexpr int kWidgetsPerLayout = 500;
constexpr int kContainersPerLayout = 2;
constexpr int kTabs = 4;
constexpr int kWidgetsPerTab = 25;

constexpr int kPlainTypes = 4;
const char* const kTypes[] = { "rect", "text", "image", "datetime", "zunet_fader", "zunet_button", "zunet_meter",
    "vsp_zunet_rotary", "zunet_led", "vsp_zunet_text" };
constexpr int kTypeCount = int(sizeof(kTypes) / sizeof(kTypes[0]));

QByteArray WidgetElement(int id, int index)
{
    const char* type = kTypes[index % kTypeCount];
    const int column = index % 20;
    const int row = (index / 20) % 20;
    QByteArray element = "<Widget id=\"" + QByteArray::number(id) + "\" type=\"" + type + "\" unitId=\"1\" x=\""
        + QByteArray::number(column * 0.05) + "\" y=\"" + QByteArray::number(row * 0.05)
        + "\" width=\"0.05\" height=\"0.05\" z=\"0." + QByteArray::number(index % 10)
        + "\" group=\"\" contentSizeMode=\"fill\" positionLock=\"0\" channelNumber=\""
        + QByteArray::number(index % 64 + 1) + "\" text=\"Channel " + QByteArray::number(index) + "\"";
    if (index % kTypeCount >= kPlainTypes)
        element += " function=\"mute\" channelType=\"op\" textFont=\"lato\" colour=\"#00ff00\"";
    return element + "/>\n";
}

/// The control leaf in place of every mixer-bound type, keeping the type key.
void StandInMixerLeaves()
{
    for (int i = kPlainTypes; i < kTypeCount; ++i) {
        const QString type = QLatin1String(kTypes[i]);
        cRunnerWidgetFactory::SetStandIn(type, [type](int id, QObject* parent, const cConfigBase& config) {
            cWidget* widget = new cTestControlWidget(id, parent, config, type);
            widget->Init();
            return widget;
        });
    }
}

const QByteArray& Document()
{
    static const QByteArray document = [] {
        QByteArray text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<QuendleConfig version=\"1.3.1\">\n<Units>\n"
                          "<Unit id=\"1\" nameOrIpAddress=\"10.77.0.1\" type=\"tarvo\" primaryUnit=\"1\"/>\n"
                          "</Units>\n<Layouts>\n";
        for (int layout = 0; layout < kLayouts; ++layout) {
            text += "<Layout name=\"Page " + QByteArray::number(layout)
                + "\" allUsers=\"1\" desktop=\"1\" orientation=\"" + QByteArray::number(layout % 3)
                + "\" aspectRatio1=\"16\" aspectRatio2=\"9\">\n";
            int id = 1;
            int index = 0;
            for (int container = 0; container < kContainersPerLayout; ++container) {
                text += "<Widget id=\"" + QByteArray::number(id++) + "\" type=\"tab_container\" x=\"0."
                    + QByteArray::number(container * 5) + "\" y=\"0\" width=\"0.5\" height=\"1\" numTabs=\"4\">\n";
                for (int tab = 0; tab < kTabs; ++tab) {
                    text += "<Tab tabName=\"Tab " + QByteArray::number(tab) + "\">\n";
                    for (int i = 0; i < kWidgetsPerTab; ++i)
                        text += WidgetElement(id++, index++);
                    text += "</Tab>\n";
                }
                text += "</Widget>\n";
            }
            while (id <= kWidgetsPerLayout)
                text += WidgetElement(id++, index++);
            text += "</Layout>\n";
        }
        return text + "</Layouts>\n</QuendleConfig>\n";
    }();
    return document;
}

cRunnerConfig& Config()
{
    static cRunnerConfig* config = [] {
        auto* application = new cRunnerTestApplication;
        auto* config = new cRunnerConfig(nullptr, application, application);
        application->mImages = config;
        StandInMixerLeaves();
        return config;
    }();
    return *config;
}

int CountWidgets(cRunnerConfig& config)
{
    int total = 0;
    for (cRunnerLayout* layout : config.layouts()->toList())
        total += layout->getTotalNumWidgets();
    return total;
}

/// Heap in use after a read, less before it, per widget; measured once, outside the timed loop
/// (walking the heap's bins costs more than the read).
double HeapBytesPerWidget(cRunnerConfig& config, QByteArray& document)
{
    QBuffer buffer(&document);
    buffer.open(QIODevice::ReadOnly);
    malloc_trim(0);
    const size_t before = mallinfo2().uordblks;
    const bool read = config.ReadXml(buffer);
    const size_t after = mallinfo2().uordblks;
    const int widgets = CountWidgets(config);
    config.Reset(true);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return read && widgets > 0 ? double(after - before) / widgets : 0;
}

void BM_ReadRunnerConfig(benchmark::State& state)
{
    QByteArray document = Document();
    cRunnerConfig& config = Config();
    const double bytesPerWidget = HeapBytesPerWidget(config, document);
    for (auto _ : state) {
        QBuffer buffer(&document);
        buffer.open(QIODevice::ReadOnly);
        const bool read = config.ReadXml(buffer);
        state.PauseTiming();
        const int widgets = CountWidgets(config);
        config.Reset(true);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
        if (!read || widgets != kLayouts * kWidgetsPerLayout) {
            state.SkipWithError(read ? "widgets missing" : "document refused");
            break;
        }
    }
    state.counters["widgets"] = kLayouts * kWidgetsPerLayout;
    state.counters["heap_bytes_per_widget"] = bytesPerWidget;
    state.SetBytesProcessed(long(state.iterations()) * document.size());
}
BENCHMARK(BM_ReadRunnerConfig)->Unit(benchmark::kMillisecond);

// Baseline: every token of the same bytes, with each attribute's name and value and each text read.
void BM_BareXmlPass(benchmark::State& state)
{
    BareXmlPass<true>(state, Document());
}
BENCHMARK(BM_BareXmlPass)->Unit(benchmark::kMillisecond);

constexpr int kLeafWidgets = 10000;

const QByteArray& LeafDocument()
{
    static const QByteArray document = [] {
        QByteArray text = "<Layout>\n";
        for (int id = 1; id <= kLeafWidgets; ++id)
            text += "<Widget id=\"" + QByteArray::number(id) + "\" type=\"test_zunet_button\" unitId=\"1\" x=\""
                + QByteArray::number(id % 20 * 0.05) + "\" y=\"" + QByteArray::number(id / 20 % 20 * 0.05)
                + "\" width=\"0.05\" height=\"0.05\" z=\"0.1\" group=\"\" contentSizeMode=\"fill\" "
                  "positionLock=\"0\" function=\"mute\" channelType=\"op\" channelNumber=\""
                + QByteArray::number(id % 64 + 1) + "\" text=\"Channel " + QByteArray::number(id)
                + "\" textFont=\"lato\" colour=\"#00ff00\"/>\n";
        return text + "</Layout>\n";
    }();
    return document;
}

/// Every leaf of the document, children of `parent`, made, initialised and loaded as the factory does.
int ReadLeaves(QObject& parent)
{
    QXmlStreamReader reader(LeafDocument());
    reader.readNextStartElement();
    int count = 0;
    while (reader.readNextStartElement()) {
        auto* widget = new cTestControlWidget(count + 1, &parent, Config());
        widget->Init();
        widget->LoadAttributes(reader);
        reader.skipCurrentElement();
        ++count;
    }
    return count;
}

void BM_ReadLeafWidgets(benchmark::State& state)
{
    malloc_trim(0);
    const size_t before = mallinfo2().uordblks;
    auto held = std::make_unique<QObject>();
    ReadLeaves(*held);
    const double bytesPerWidget = double(mallinfo2().uordblks - before) / kLeafWidgets;
    held.reset();
    for (auto _ : state) {
        auto parent = std::make_unique<QObject>();
        if (ReadLeaves(*parent) != kLeafWidgets) {
            state.SkipWithError("widgets missing");
            break;
        }
        state.PauseTiming();
        parent.reset();
        state.ResumeTiming();
    }
    state.counters["heap_bytes_per_widget"] = bytesPerWidget;
}
BENCHMARK(BM_ReadLeafWidgets)->Unit(benchmark::kMillisecond);

/// What QML and the layout read of every widget, again and again: its geometry, stacking and aspect.
void BM_ReadLeafBaseValues(benchmark::State& state)
{
    QObject parent;
    ReadLeaves(parent);
    const QList<cWidget*> widgets = parent.findChildren<cWidget*>(QString(), Qt::FindDirectChildrenOnly);
    for (auto _ : state) {
        float sum = 0;
        for (const cWidget* widget : widgets)
            sum += widget->xFraction() + widget->yFraction() + widget->widthFraction() + widget->heightFraction()
                + widget->z() + widget->pixelAspect();
        benchmark::DoNotOptimize(sum);
    }
    state.counters["widgets"] = widgets.size();
}
BENCHMARK(BM_ReadLeafBaseValues)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    // Mixer-bound widgets make their drivers in the local registry.
    return RunReaderBenchmarks(argc, argv, true, [] {
        std::printf("document: %d bytes, %d widgets, %d of them mixer-bound\n", Document().size(),
            kLayouts * kWidgetsPerLayout, int(Document().count("function=")));
    });
}
