#pragma once

#include "Quendle/Widgets/TabContainer.h"
#include "Quendle/Widgets/Widget.h"

#include <QSet>
#include <QXmlStreamReader>

/// The runner factory's contract in small: tab containers and unknown widgets, duplicate ids and
/// widgets without a size refused, the whole element consumed in every case.
class cTestWidgetFactory : public cWidgetFactoryBase
{
public:
    cWidget* CreateFromXml(
        QXmlStreamReader& reader, QSet<int>& ids, const cConfigBase& configuration, QObject* parent) const override
    {
        int id = -1;
        QString type;
        if (!cWidget::LoadBaseAttributes(reader, id, type) || ids.contains(id)) {
            reader.skipCurrentElement();
            return nullptr;
        }
        ids.insert(id);
        cWidget* widget = type == cTabContainer::TypeKey()
            ? static_cast<cWidget*>(new cTabContainer(id, parent, configuration))
            : new cUnknownWidget(id, parent, type);
        widget->Init();
        widget->LoadAttributes(reader);
        if (widget->widthFraction() < 0 || widget->heightFraction() < 0) {
            delete widget;
            reader.skipCurrentElement();
            return nullptr;
        }
        widget->LoadSubXml(reader, ids, configuration, parent, *this);
        ++mBuilt;
        return widget;
    }

    /// Reads the `Widget` children of the document's root element; the widgets get `parent`.
    QList<cWidget*> ReadLayout(const QString& document, const cConfigBase& configuration, QObject* parent)
    {
        QList<cWidget*> widgets;
        QSet<int> ids;
        QXmlStreamReader reader(document);
        if (!reader.readNextStartElement())
            return widgets;
        while (reader.readNextStartElement()) {
            if (reader.name() != QLatin1String("Widget")) {
                reader.skipCurrentElement();
                continue;
            }
            if (cWidget* widget = CreateFromXml(reader, ids, configuration, parent))
                widgets.append(widget);
        }
        return widgets;
    }

    mutable int mBuilt = 0;
};
