#include "Quendle/Runner/WidgetFactory.h"

#include "Quendle/Widgets/Base/TabContainer.h"
#include "Quendle/Widgets/Control/ButtonWidgetTarvo.h"
#include "Quendle/Widgets/Control/ButtonWidgetVespril.h"
#include "Quendle/Widgets/Control/FaderWidgetTarvo.h"
#include "Quendle/Widgets/Control/FaderWidgetVespril.h"
#include "Quendle/Widgets/Control/RotaryWidgetTarvo.h"
#include "Quendle/Widgets/Control/RotaryWidgetVespril.h"
#include "Quendle/Widgets/Control/SourceSelectorWidgetTarvo.h"
#include "Quendle/Widgets/Control/SourceSelectorWidgetVespril.h"
#include "Quendle/Widgets/Plain/DateTimeWidget.h"
#include "Quendle/Widgets/Plain/ImageWidget.h"
#include "Quendle/Widgets/Plain/RectangleWidget.h"
#include "Quendle/Widgets/Plain/TextWidget.h"
#include "ZUNet/Core/Trace.h"

#include <QHash>
#include <QSet>
#include <QXmlStreamReader>

#include <cmath>
#include <functional>

bool cRunnerWidgetFactory::mDemoMode = false;

namespace
{

using tCreator = cRunnerWidgetFactory::tCreator;

/// A key whose class is not in this build yet: its elements still load as unknown widgets that keep
/// the key, so the layout reads the same and the view says what is missing.
tCreator NotBuiltYet(const QString& type)
{
    return [type](int id, QObject* parent, const cConfigBase&) {
        cWidget* widget = new cUnknownWidget(id, parent, type);
        widget->Init();
        return widget;
    };
}

template <class T> cWidget* WithConfig(int id, QObject* parent, const cConfigBase& config)
{
    cWidget* widget = new T(id, parent, config);
    widget->Init();
    return widget;
}

struct sTypeRow {
    const char* mType;
    const char* mQmlFile;
    tCreator::result_type (*mCreate)(int, QObject*, const cConfigBase&); // null: not built yet
    /// Kept wherever it lies: a panel LED stands for a light on the unit, not a place on the page.
    bool mOffPage = false;
};

// Both family variants of a mixer-bound widget share one view.
const sTypeRow kTypeRows[] = {
    { "image", "GeneralImage", &cImageWidget::CreateWidget },
    { "tab_container", "TabContainer", &WithConfig<cTabContainer> },
    { "text", "TextWidget", &cTextWidget::CreateWidget },
    { "rect", "RectangleWidget", &cRectangleWidget::CreateWidget },
    { "datetime", "DateTimeWidget", &cDateTimeWidget::CreateWidget },
    { "zunet_button", "ZUNetButton", &cZUNetButtonWidgetTarvo::CreateWidget },
    { "vsp_zunet_button", "ZUNetButton", &cZUNetButtonWidgetVespril::CreateWidget },
    { "zunet_meter", "ZUNetMeter", nullptr },
    { "vsp_zunet_meter", "ZUNetMeter", nullptr },
    { "zunet_fader", "ZUNetFader", &cZUNetFaderWidgetTarvo::CreateWidget },
    { "vsp_zunet_fader", "ZUNetFader", &cZUNetFaderWidgetVespril::CreateWidget },
    { "zunet_grmeter", "ZUNetGRMeter", nullptr },
    { "vsp_zunet_grmeter", "ZUNetGRMeter", nullptr },
    { "zunet_chrom_meter", "ZUNetChromaticMeter", nullptr },
    { "vsp_zunet_chrom_meter", "ZUNetChromaticMeter", nullptr },
    { "zunet_source_sel", "ZUNetSourceSelector", &cZUNetSourceSelectorWidgetTarvo::CreateWidget },
    { "vsp_zunet_source_sel", "ZUNetSourceSelector", &cZUNetSourceSelectorWidgetVespril::CreateWidget },
    { "zunet_led", "ZUNetLEDIndicator", nullptr },
    { "zunet_panel_led", "ZUNetPanelLEDControl", nullptr, true },
    { "vsp_zunet_panel_led", "ZUNetPanelLEDControl", nullptr, true },
    { "vsp_zunet_led", "ZUNetLEDIndicator", nullptr },
    { "zunet_rotary", "ZUNetRotary", &cZUNetRotaryWidgetTarvo::CreateWidget },
    { "vsp_zunet_rotary", "ZUNetRotary", &cZUNetRotaryWidgetVespril::CreateWidget },
    { "zunet_text", "ZUNetTextWidget", nullptr },
    { "vsp_zunet_text", "ZUNetTextWidget", nullptr },
    { "vsp_zunet_rooms", "ZUNetRooms", nullptr },
};
constexpr int kTypeCount = int(sizeof(kTypeRows) / sizeof(kTypeRows[0]));
static_assert(kTypeCount == 26, "one row per widget class");

QString QmlPath(const char* file)
{
    return QStringLiteral("../Widgets/") + QLatin1String(file) + QStringLiteral(".qml");
}

QHash<QString, tCreator> BuildCreators()
{
    QHash<QString, tCreator> creators;
    creators.reserve(kTypeCount);
    for (const sTypeRow& row : kTypeRows) {
        const QString type = QLatin1String(row.mType);
        creators.insert(type, row.mCreate ? tCreator(row.mCreate) : NotBuiltYet(type));
    }
    return creators;
}

/// Built once, on first use; a function-local static is initialised thread-safely.
QHash<QString, tCreator>& Creators()
{
    static QHash<QString, tCreator> creators = BuildCreators();
    return creators;
}

} // namespace

cWidget* cRunnerWidgetFactory::CreateWidget(const QString& type, int id, const cConfigBase& config, QObject* parent)
{
    const QHash<QString, tCreator>& creators = Creators();
    const auto creator = creators.constFind(type);
    if (creator != creators.constEnd())
        return (*creator)(id, parent, config);
    cWidget* widget = new cUnknownWidget(id, parent, type);
    widget->Init();
    return widget;
}

void cRunnerWidgetFactory::SetStandIn(const QString& type, const tCreator& create)
{
    for (const sTypeRow& row : kTypeRows) {
        if (type == QLatin1String(row.mType) && row.mCreate == nullptr)
            Creators().insert(type, create);
    }
}

cWidget* cRunnerWidgetFactory::CreateFromXml(
    QXmlStreamReader& reader, QSet<int>& ids, const cConfigBase& config, QObject* parent) const
{
    // Containers come back here for their children: a document nested without end would use up
    // the stack.
    static thread_local int depth = 0;
    if (mWidgetsLeft && --*mWidgetsLeft < 0) {
        reader.raiseError(TooManyWidgets());
        return nullptr;
    }
    if (depth >= kMaxNesting) {
        ZU_ERR("Widgets nested too deeply");
        reader.skipCurrentElement();
        return nullptr;
    }
    ++depth;
    cWidget* widget = CreateOne(reader, ids, config, parent);
    --depth;
    return widget;
}

cWidget* cRunnerWidgetFactory::CreateOne(
    QXmlStreamReader& reader, QSet<int>& ids, const cConfigBase& config, QObject* parent) const
{
    int id = -1;
    QString type;
    if (!cWidget::LoadBaseAttributes(reader, id, type)) {
        reader.skipCurrentElement();
        return nullptr;
    }
    if (ids.contains(id)) {
        reader.skipCurrentElement();
        return nullptr;
    }
    // Recorded even when the widget is refused below: a later element with this id is skipped too.
    ids.insert(id);

    cWidget* widget = CreateWidget(type, id, config, parent);
    widget->LoadAttributes(reader);

    const float x = widget->xFraction();
    const float y = widget->yFraction();
    const float width = widget->widthFraction();
    const float height = widget->heightFraction();
    // "nan" and "inf" read as numbers, and no comparison with NaN is ever true; the widget reads
    // them as 0, which would pass every check below.
    if (width < 0 || height < 0 || !std::isfinite(x) || !std::isfinite(y) || !std::isfinite(width)
        || !std::isfinite(height) || widget->NonFiniteGeometryRead()) {
        ZU_ERR("Error loading widget coords");
        delete widget;
        reader.skipCurrentElement();
        return nullptr;
    }
    if (!MayLieOffPage(widget->Type()) && (x + width <= 0 || x >= 1.0f || y + height <= 0 || y >= 1.0f)) {
        delete widget;
        reader.skipCurrentElement();
        return nullptr;
    }

    widget->LoadSubXml(reader, ids, config, parent, *this);
    if (mDemoMode)
        widget->SetWidgetToDemoMode();
    return widget;
}

const QMap<QString, QString>& cRunnerWidgetFactory::QmlFilesByType()
{
    static const QMap<QString, QString> files = [] {
        QMap<QString, QString> map;
        for (const sTypeRow& row : kTypeRows)
            map.insert(QLatin1String(row.mType), QmlPath(row.mQmlFile));
        return map;
    }();
    return files;
}

QString cRunnerWidgetFactory::QmlUrlForType(const QString& type)
{
    // A key whose class is still to come makes the unknown widget; its view must match, since the
    // key's own view is not in the resources yet.
    static const QSet<QString> notBuilt = [] {
        QSet<QString> types;
        for (const sTypeRow& row : kTypeRows)
            if (row.mCreate == nullptr)
                types.insert(QLatin1String(row.mType));
        return types;
    }();
    if (notBuilt.contains(type))
        return UnknownWidgetQmlUrl();
    return QmlFilesByType().value(type, UnknownWidgetQmlUrl());
}

bool cRunnerWidgetFactory::MayLieOffPage(const QString& type)
{
    static const QSet<QString> offPage = [] {
        QSet<QString> types;
        for (const sTypeRow& row : kTypeRows)
            if (row.mOffPage)
                types.insert(QLatin1String(row.mType));
        return types;
    }();
    return offPage.contains(type);
}

QString cRunnerWidgetFactory::TooManyWidgets()
{
    return QStringLiteral("Too many widgets");
}

QString cRunnerWidgetFactory::UnknownWidgetQmlUrl()
{
    return QmlPath("UnknownWidget");
}
