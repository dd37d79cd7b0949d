// The configuration model's readers over any document: units and resources, wrong roots and
// types, missing or huge attributes, bad Base64, truncated text, images that do not decode. Whatever
// the text, the lists keep their order and uniqueness rules, the id counters lie above every id
// read, and a reset leaves nothing behind.
//
// Input: byte 0 bit 0 says whether raw bitmap bytes are dropped; the rest is the document.
#include "Quendle/AppCommon/ConfigBase.h"
#include "ZUNet/Core/Syscall.h"
#include "ZUNet/Core/Trace.h"
#include "ZUNet/QT/NetworkConnection.h"
#include "tests/support/quendle/TestConfig.h"

#include <QGuiApplication>
#include <QXmlStreamReader>

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

cTestConfig& Config()
{
    static cTestConfig* config = [] {
        static int argc = 1;
        static char name[] = "fuzz_config_reader";
        static char* argv[] = { name, nullptr };
        qputenv("QT_QPA_PLATFORM", "offscreen");
        new QGuiApplication(argc, argv);
        SetTraceSink(&Discard, nullptr);
        cNetworkConnection::AllowInstanceOf(true);
        InitialiseSyscall(CONNECTION_TERMINATED_ABORT_COMMANDS, false);
        return new cTestConfig(new cTestApplication);
    }();
    return *config;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    cTestConfig& config = Config();
    const bool dropRawBitmapData = data[0] & 1;
    const QByteArray document(reinterpret_cast<const char*>(data + 1), int(size - 1));

    QXmlStreamReader reader(document);
    if (reader.readNextStartElement()) {
        while (reader.readNextStartElement()) {
            if (reader.name() == QLatin1String("Units"))
                config.ReadUnitsFromXml(reader);
            else if (reader.name() == QLatin1String("Resources"))
                config.ReadResourcesXml(reader, dropRawBitmapData);
            else
                reader.skipCurrentElement();
        }
    }

    const QList<cConfigUnit*> units = config.units()->toList();
    const int nextUnitId = config.GetNextUnitId();
    QSet<int> ids;
    for (int i = 0; i < units.size(); ++i) {
        Check(!ids.contains(units[i]->unitId()));
        ids.insert(units[i]->unitId());
        Check(units[i]->unitId() < nextUnitId);
        if (i > 0)
            Check(units[i - 1]->NameOrIpAddress().compare(units[i]->NameOrIpAddress(), Qt::CaseInsensitive) <= 0);
    }
    const QList<cResource*> resources = config.resources()->toList();
    for (int i = 0; i < resources.size(); ++i) {
        auto* image = qobject_cast<cImageResource*>(resources[i]);
        Check(image != nullptr);
        if (image->Subtype() == cImageResource::SvgSubtype())
            Check(image->Image().isNull());
        else
            Check(!image->Image().isNull() && (!dropRawBitmapData || image->RawData().isEmpty()));
        sImageData found;
        Check(config.FindImageData(image->resourceId(), found));
        if (i > 0)
            Check(resources[i - 1]->Name().compare(resources[i]->Name(), Qt::CaseInsensitive) <= 0);
        Check(image->resourceId().toInt() < config.GetNextResourceId());
    }

    config.Reset(true);
    Check(config.units()->count() == 0 && config.resources()->count() == 0);
    Check(config.findChildren<cConfigUnit*>(QString(), Qt::FindDirectChildrenOnly).isEmpty());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}
