// Image requests as QML makes them: one recolourable SVG of the configuration at 64 x 64, asked
// for 1,000 times through the image provider, beside what a cache of rendered images would cost
// per request (a hash lookup and a shared copy) in the same run.

#include "Quendle/AppCommon/ImageProvider.h"

#include <QGuiApplication>
#include <QHash>

#include <benchmark/benchmark.h>

namespace
{

constexpr int kRequests = 1000;
const QString kRequest = QStringLiteral("12:preserveAspectFit");
const QSize kSize(64, 64);

/// A knob cap as layouts carry them: gradients, a rim and a pointer in the colour the widgets
/// recolour (#6EFF36).
QByteArray KnobSvg()
{
    return QByteArrayLiteral(
        "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 200 200\">"
        "<defs><radialGradient id=\"g\" cx=\"0.4\" cy=\"0.35\" r=\"0.7\">"
        "<stop offset=\"0\" stop-color=\"#f0f0f0\"/><stop offset=\"1\" stop-color=\"#303030\"/>"
        "</radialGradient></defs>"
        "<circle cx=\"100\" cy=\"100\" r=\"96\" fill=\"#202020\"/>"
        "<circle cx=\"100\" cy=\"100\" r=\"84\" fill=\"url(#g)\" stroke=\"#6EFF36\" stroke-width=\"6\"/>"
        "<path d=\"M100 24 L108 100 L92 100 Z\" fill=\"#6EFF36\"/>"
        "<path d=\"M40 160 A85 85 0 0 1 160 160\" fill=\"none\" stroke=\"#6EFF36\" stroke-width=\"4\"/>"
        "</svg>");
}

class cOneSvg : public cImageSource, public cApplicationInterface
{
public:
    bool FindImageData(const QString& id, sImageData& data) const override
    {
        if (id != QLatin1String("12"))
            return false;
        data = mData;
        return true;
    }
    cConnectionUnit* PrimaryUnit() const override { return nullptr; }
    const cImageSource* CurrentImageSource() const override { return this; }

    sImageData mData { QStringLiteral("svg"), QImage(), KnobSvg() };
};

void BM_ProviderSvgRequests(benchmark::State& state)
{
    cOneSvg source;
    cImageProvider provider(source);
    for (auto _ : state) {
        for (int i = 0; i < kRequests; ++i) {
            QSize size;
            QImage image = provider.requestImage(kRequest, &size, kSize);
            benchmark::DoNotOptimize(image.constBits());
        }
    }
    QSize size;
    if (provider.requestImage(kRequest, &size, kSize).size() != kSize)
        state.SkipWithError("unexpected image size");
    state.SetItemsProcessed(long(state.iterations()) * kRequests);
}
BENCHMARK(BM_ProviderSvgRequests)->Unit(benchmark::kMillisecond);

// Baseline: a cache keyed by request and size, every request a hit.
void BM_CachedImageRequests(benchmark::State& state)
{
    cOneSvg source;
    cImageProvider provider(source);
    QHash<QString, QImage> cache;
    QSize size;
    const QString key = kRequest + QStringLiteral("@64x64");
    cache.insert(key, provider.requestImage(kRequest, &size, kSize));
    for (auto _ : state) {
        for (int i = 0; i < kRequests; ++i) {
            QImage image = cache.value(kRequest + QStringLiteral("@64x64"));
            benchmark::DoNotOptimize(image.constBits());
        }
    }
    state.SetItemsProcessed(long(state.iterations()) * kRequests);
}
BENCHMARK(BM_CachedImageRequests)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
