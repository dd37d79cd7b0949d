// Images of a configuration as the widgets get them: each resource read by the configuration
// reader (every raster subtype, decoded on the thread pool, and SVG) and asked of the image provider
// at any requested size. Whatever the bytes and whatever their headers claim, a bitmap stays within
// the pixel limit, the decoded bitmaps within their budget, and a rendered SVG within the largest side.
//
// Input: byte 0 picks the subtype; bytes 1-2 and 3-4 the requested width and height (big-endian);
// byte 5 bit 0 asks for "preserveAspectFit", bits 1-2 for 1 to 4 copies of the resource; the rest
// is the image file.
#include "Quendle/AppCommon/ConfigBase.h"
#include "Quendle/AppCommon/ImageProvider.h"
#include "ZUNet/Core/Trace.h"
#include "tests/support/quendle/TestConfig.h"

#include <QGuiApplication>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace
{

void Discard(const char*, std::size_t, void*) { }

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

const char* const kSubtypes[]
    = { "png", "jpg", "jpeg", "bmp", "gif", "ico", "cur", "xpm", "xbm", "pbm", "pgm", "ppm", "svg", "" };

struct sFixture {
    cTestApplication mApplication;
    cTestConfig mConfig { &mApplication };
    cImageProvider mProvider { mApplication };
};

sFixture& Fixture()
{
    static sFixture* fixture = [] {
        static int argc = 1;
        static char name[] = "fuzz_image_provider";
        static char* argv[] = { name, nullptr };
        qputenv("QT_QPA_PLATFORM", "offscreen");
        new QGuiApplication(argc, argv);
        SetTraceSink(&Discard, nullptr);
        return new sFixture;
    }();
    return *fixture;
}

} // namespace

// The font library, set up by the first text an SVG draws, keeps pattern caches that nothing frees
// before the process ends.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 6)
        return 0;
    sFixture& fixture = Fixture();
    const QByteArray subtype(kSubtypes[data[0] % (sizeof(kSubtypes) / sizeof(kSubtypes[0]))]);
    const QSize requested((data[1] << 8) | data[2], (data[3] << 8) | data[4]);
    const bool fit = data[5] & 1;
    const int copies = 1 + ((data[5] >> 1) & 3);
    const QByteArray file = QByteArray(reinterpret_cast<const char*>(data + 6), int(size - 6)).toBase64();

    QByteArray document("<QuendleConfig><Resources>");
    for (int i = 0; i < copies; ++i)
        document += "<Resource id=\"" + QByteArray::number(i) + "\" type=\"image\" name=\"n\" subtype=\"" + subtype
            + "\">" + file + "</Resource>";
    document += "</Resources></QuendleConfig>";
    Check(fixture.mConfig.ReadDocument(document));

    qint64 decoded = 0;
    for (cResource* resource : fixture.mConfig.resources()->toList()) {
        auto* image = qobject_cast<cImageResource*>(resource);
        Check(image != nullptr);
        decoded += image->Image().sizeInBytes();
        Check(qint64(image->Image().width()) * image->Image().height() <= cConfigBase::kMaxImagePixels);

        QSize served;
        const QString id = image->resourceId() + (fit ? QStringLiteral(":preserveAspectFit") : QString());
        const QImage shown = fixture.mProvider.requestImage(id, &served, requested);
        Check(!shown.isNull() && served == shown.size());
        if (subtype == "svg")
            Check(shown.width() <= cImageProvider::kMaxRenderedSide
                && shown.height() <= cImageProvider::kMaxRenderedSide);
        else
            Check(shown.size() == image->Image().size());
    }
    Check(decoded <= cConfigBase::kMaxDecodedImageBytes);

    fixture.mConfig.Reset(true);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}
