// The runner's whole configuration reader over any document: root and version, units, resources,
// layouts and every widget class the factory builds, containers and tabs nested in any way. Whatever
// the text: a refused document leaves no layout, unit or version behind and says why; an accepted
// one holds only widgets with a finite, non-negative size that reach into their page (panel LEDs
// excepted), ids that are unique within each layout, and no more widgets than a configuration may.
//
// Input: byte 0 bit 0 switches demo mode on; the rest is the document.
#include "Quendle/AppCommon/ConfigUnit.h"
#include "Quendle/Runner/RunnerConfig.h"
#include "Quendle/Runner/WidgetFactory.h"
#include "Quendle/Widgets/Base/Container.h"
#include "ZUNet/Core/Syscall.h"
#include "ZUNet/Core/Trace.h"
#include "ZUNet/QT/NetworkConnection.h"
#include "tests/Quendle/Runner/RunnerTestApplication.h"

#include <QBuffer>
#include <QGuiApplication>

#include <cmath>
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

cRunnerConfig& Config()
{
    static cRunnerConfig* config = [] {
        static int argc = 1;
        static char name[] = "fuzz_runner_config";
        static char* argv[] = { name, nullptr };
        qputenv("QT_QPA_PLATFORM", "offscreen");
        new QGuiApplication(argc, argv);
        SetTraceSink(&Discard, nullptr);
        // Mixer-bound widgets make their drivers in the local registry as they are built.
        cNetworkConnection::AllowInstanceOf(true);
        InitialiseSyscall(CONNECTION_TERMINATED_ABORT_COMMANDS, true);
        auto* application = new cRunnerTestApplication;
        auto* config = new cRunnerConfig(nullptr, application, application);
        application->mImages = config;
        return config;
    }();
    return *config;
}

void CheckWidget(const cWidget* widget, QSet<int>& ids)
{
    Check(!ids.contains(widget->widgetId()));
    ids.insert(widget->widgetId());
    const float x = widget->xFraction();
    const float y = widget->yFraction();
    const float width = widget->widthFraction();
    const float height = widget->heightFraction();
    Check(std::isfinite(x) && std::isfinite(y) && std::isfinite(width) && std::isfinite(height));
    Check(width >= 0 && height >= 0);
    if (!cRunnerWidgetFactory::MayLieOffPage(widget->Type()))
        Check(x + width > 0 && x < 1 && y + height > 0 && y < 1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    cRunnerConfig& config = Config();
    cRunnerWidgetFactory::mDemoMode = data[0] & 1;
    QByteArray document(reinterpret_cast<const char*>(data + 1), int(size - 1));
    QBuffer buffer(&document);
    buffer.open(QIODevice::ReadOnly);

    if (config.ReadXml(buffer)) {
        Check(config.ErrorText().isEmpty());
        int widgets = 0;
        for (cRunnerLayout* layout : config.layouts()->toList()) {
            Check(std::isfinite(layout->aspectRatio()) && layout->aspectRatio() > 0);
            QSet<int> ids;
            int total = 0;
            for (cWidget* widget : layout->widgets()->toList()) {
                Check(widget->parent() == layout);
                CheckWidget(widget, ids);
                ++total;
                if (auto* container = qobject_cast<cContainer*>(widget)) {
                    QList<cWidget*> children;
                    container->GetAllChildren(children);
                    for (cWidget* child : children) {
                        Check(child->parent() == layout);
                        CheckWidget(child, ids);
                    }
                    total += children.size();
                }
            }
            Check(layout->getTotalNumWidgets() == total);
            widgets += total;
        }
        Check(widgets <= cRunnerConfig::kMaxWidgets);
    } else {
        Check(config.ErrorText() == QLatin1String("Config data is invalid")
            || config.ErrorText() == QLatin1String("Failed to read version")
            || config.ErrorText() == QLatin1String("Config data file contains an invalid version")
            || config.ErrorText().startsWith(QLatin1String("Config data has more than")));
        Check(config.layouts()->count() == 0 && config.units()->count() == 0);
        Check(config.version().isEmpty());
        Check(config.findChildren<cRunnerLayout*>(QString(), Qt::FindDirectChildrenOnly).isEmpty());
    }

    config.Reset(true);
    Check(config.layouts()->count() == 0 && config.units()->count() == 0 && config.resources()->count() == 0);
    Check(config.findChildren<cRunnerLayout*>(QString(), Qt::FindDirectChildrenOnly).isEmpty());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}
