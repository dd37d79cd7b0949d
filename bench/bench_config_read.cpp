// Reading a configuration's units and resources: 1,000 embedded images (three quarters PNG, one
// quarter SVG, about 10 MB of Base64) and a few units, beside a bare QXmlStreamReader pass over
// the same bytes that reads every token and text, in the same run, and the two in turn within each
// round. Goal: at most 2x the bare pass.

#include "Quendle/AppCommon/ConfigBase.h"
#include "bench/BenchReader.h"
#include "tests/support/quendle/TestConfig.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QRandomGenerator>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

namespace
{

constexpr int kResources = 1000;

QByteArray NoisePng(int seed)
{
    QRandomGenerator random(quint32(seed + 1));
    QImage image(56, 56, QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, random.generate() | 0xFF000000u);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toBase64();
}

QByteArray Svg(int seed)
{
    QByteArray svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 200 200\">";
    for (int i = 0; i < 60; ++i)
        svg += "<path d=\"M" + QByteArray::number((seed + i * 7) % 200) + " 10 L190 " + QByteArray::number(i * 3)
            + " L10 190 Z\" fill=\"#6EFF36\" stroke=\"#202020\" stroke-width=\"2\"/>";
    return (svg + "</svg>").toBase64();
}

const QByteArray& Document()
{
    static const QByteArray document = [] {
        QByteArray text = "<QuendleConfig version=\"1.3.1\"><Units>";
        for (int i = 0; i < 8; ++i)
            text += "<Unit id=\"" + QByteArray::number(i) + "\" nameOrIpAddress=\"10.77.0." + QByteArray::number(10 + i)
                + "\" type=\"tarvo\"/>";
        text += "</Units><Resources><ResourceGroup name=\"Panels\">";
        for (int i = 0; i < kResources; ++i) {
            const bool svg = i % 4 == 3;
            text += "<Resource id=\"" + QByteArray::number(i) + "\" type=\"image\" name=\"Image "
                + QByteArray::number(i * 7919 % kResources) + "\" subtype=\"" + (svg ? "svg" : "png")
                + "\" tags=\"panel,knob\"" + (svg ? " recolourableColour=\"#6EFF36\"" : "") + ">"
                + (svg ? Svg(i) : NoisePng(i)) + "</Resource>";
        }
        return text + "</ResourceGroup></Resources></QuendleConfig>";
    }();
    return document;
}

cTestConfig& Config()
{
    static cTestConfig* config = new cTestConfig(new cTestApplication);
    return *config;
}

void BM_ReadUnitsAndResources(benchmark::State& state)
{
    const QByteArray& document = Document();
    cTestConfig& config = Config();
    for (auto _ : state) {
        if (!config.ReadDocument(document))
            state.SkipWithError("document refused");
        state.PauseTiming();
        if (config.resources()->count() != kResources)
            state.SkipWithError("resources missing");
        config.Reset(true);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(long(state.iterations()) * document.size());
}
BENCHMARK(BM_ReadUnitsAndResources)->Unit(benchmark::kMillisecond);

double Median(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return samples.empty() ? 0.0 : samples[samples.size() / 2];
}

/// A read and a bare pass in turn, so that both see the same moment of a loaded machine; the
/// counters are the medians of each and their ratio (goal: at most 2).
void BM_ReadBesideBareXmlPass(benchmark::State& state)
{
    const QByteArray& document = Document();
    cTestConfig& config = Config();
    std::vector<double> read;
    std::vector<double> bare;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        if (!config.ReadDocument(document) || config.resources()->count() != kResources) {
            state.SkipWithError("document refused or resources missing");
            return;
        }
        read.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        config.Reset(true);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        start = std::chrono::steady_clock::now();
        QXmlStreamReader reader(document);
        qint64 characters = 0;
        while (!reader.atEnd()) {
            if (reader.readNext() == QXmlStreamReader::Characters)
                characters += reader.text().size();
        }
        benchmark::DoNotOptimize(characters);
        bare.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    state.counters["read_ms"] = Median(read);
    state.counters["bare_ms"] = Median(bare);
    state.counters["ratio"] = Median(read) / Median(bare);
}
BENCHMARK(BM_ReadBesideBareXmlPass)->Unit(benchmark::kMillisecond)->Iterations(15)->UseRealTime();

// Baseline: every token of the same bytes, with the text of each element read.
void BM_BareXmlPass(benchmark::State& state)
{
    BareXmlPass<false>(state, Document());
}
BENCHMARK(BM_BareXmlPass)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return RunReaderBenchmarks(argc, argv, false, [] { std::printf("document: %d bytes\n", Document().size()); });
}
