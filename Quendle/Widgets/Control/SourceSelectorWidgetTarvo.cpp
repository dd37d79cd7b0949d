#include "Quendle/Widgets/Control/SourceSelectorWidgetTarvo.h"

cWidget* cZUNetSourceSelectorWidgetTarvo::CreateWidget(int id, QObject* parent, const cConfigBase& configuration)
{
    auto* widget = new cZUNetSourceSelectorWidgetTarvo(id, parent, configuration);
    widget->Init();
    return widget;
}

const QString& cZUNetSourceSelectorWidgetTarvo::TypeKey()
{
    static const QString type = QStringLiteral("zunet_source_sel");
    return type;
}
