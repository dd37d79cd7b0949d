#include "Quendle/Runner/RunnerLayout.h"

#include "Quendle/Runner/PanelLEDControlHelper.h"
#include "Quendle/Runner/RunnerConfig.h"
#include "Quendle/Runner/WidgetFactory.h"
#include "Quendle/Widgets/Base/Container.h"
#include "Quendle/Widgets/Base/WidgetBatch.h"
#include "Quendle/Widgets/Base/ZUNetWidget.h"

#include <QXmlStreamReader>

cRunnerLayout::cRunnerLayout(cRunnerConfig* config)
    : QObject(config)
    , mConfig(config)
    , mWidgets(new QQmlObjectListModel<cWidget>(this, QByteArray(), QByteArray()))
{
}

cRunnerLayout* cRunnerLayout::CreateFromXml(
    QXmlStreamReader& reader, QSet<int>& ids, cRunnerConfig* config, int* widgetsLeft)
{
    cPanelLEDControlHelper::CreateSingleton(false, 0.0)->SetPanelLED(false);
    auto* layout = new cRunnerLayout(config);

    int numerator = 1;
    int denominator = 1;
    for (const QXmlStreamAttribute& attribute : reader.attributes()) {
        const QStringRef name = attribute.name();
        if (name == QLatin1String("orientation"))
            layout->SetOrientation(attribute.value().toInt());
        else if (name == QLatin1String("fixedAspectRatio"))
            layout->SetFixedAspectRatio(attribute.value().toInt() != 0);
        else if (name == QLatin1String("aspectRatio1"))
            numerator = attribute.value().toInt();
        else if (name == QLatin1String("aspectRatio2"))
            denominator = attribute.value().toInt();
    }
    // A zero or negative term would give an infinite, undefined or upside-down page.
    if (numerator > 0 && denominator > 0)
        layout->SetAspectRatio(float(numerator) / float(denominator));

    const cRunnerWidgetFactory factory(widgetsLeft);
    // Widgets that register drivers as they are made take the poll lock once per batch of them.
    const cWidgetBatch batch;
    while (reader.readNextStartElement()) {
        if (reader.name() != QLatin1String("Widget")) {
            reader.skipCurrentElement();
            continue;
        }
        if (cWidget* widget = factory.CreateFromXml(reader, ids, *config, layout))
            layout->AddWidget(widget);
    }
    return layout;
}

int cRunnerLayout::getTotalNumWidgets()
{
    int total = mWidgets->count();
    for (cWidget* widget : mWidgets->toList()) {
        if (auto* container = qobject_cast<cContainer*>(widget)) {
            QList<cWidget*> children;
            container->GetAllChildren(children);
            total += children.size();
        }
    }
    return total;
}

void cRunnerLayout::GetAllZUNetWidgets(QList<cZUNetWidget*>& list)
{
    for (cWidget* widget : mWidgets->toList()) {
        if (auto* zunet = qobject_cast<cZUNetWidget*>(widget))
            list.append(zunet);
        if (auto* container = qobject_cast<cContainer*>(widget)) {
            QList<cWidget*> children;
            container->GetAllChildren(children);
            for (cWidget* child : children) {
                if (auto* zunet = qobject_cast<cZUNetWidget*>(child))
                    list.append(zunet);
            }
        }
    }
}

void cRunnerLayout::SetOnline()
{
    QList<cZUNetWidget*> widgets;
    GetAllZUNetWidgets(widgets);
    // Drivers made, links undone: the poll lock once per batch of widgets.
    const cWidgetBatch batch;
    for (cZUNetWidget* widget : widgets) {
        cConnectionUnit* unit = mConfig->GetUnit(widget->CurrentUnitId());
        if (unit && unit->connected() && unit->authenticated()) {
            widget->SetOnline();
        } else {
            widget->SetOffline();
            widget->SetDisabled(true);
        }
    }
}

void cRunnerLayout::SetUnitForAllZUNetWidgets(int unitId)
{
    QList<cZUNetWidget*> widgets;
    GetAllZUNetWidgets(widgets);
    for (cZUNetWidget* widget : widgets)
        widget->SetCurrentUnitId(unitId);
}

void cRunnerLayout::SetOrientation(int orientation)
{
    if (orientation == mOrientation)
        return;
    mOrientation = orientation;
    Q_EMIT orientationChanged();
}

void cRunnerLayout::SetFixedAspectRatio(bool fixed)
{
    if (fixed == mFixedAspectRatio)
        return;
    mFixedAspectRatio = fixed;
    Q_EMIT fixedAspectRatioChanged();
}

void cRunnerLayout::SetAspectRatio(float ratio)
{
    if (ratio == mAspectRatio)
        return;
    mAspectRatio = ratio;
    Q_EMIT aspectRatioChanged();
}

void cRunnerLayout::AddWidget(cWidget* widget)
{
    mWidgets->append(widget);
}
