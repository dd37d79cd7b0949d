#pragma once

#include "Quendle/Runner/WidgetFactory.h"
#include "Quendle/Widgets/Base/Widget.h"

#include <QQmlEngine>
#include <QSet>
#include <QVariantList>
#include <QXmlStreamReader>

/// The runner factory's contract in small, over its own type table: duplicate ids and widgets without a size
/// refused, the whole element consumed in every case; no page bounds and no demo mode.
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
        cWidget* widget = cRunnerWidgetFactory::CreateWidget(type, id, configuration, parent);
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

    /// ReadLayout for QML: the widgets stay C++'s (they go with `parent`).
    QVariantList ReadLayoutForQml(const QString& document, const cConfigBase& configuration, QObject* parent)
    {
        QVariantList widgets;
        for (cWidget* widget : ReadLayout(document, configuration, parent)) {
            QQmlEngine::setObjectOwnership(widget, QQmlEngine::CppOwnership);
            widgets.append(QVariant::fromValue(static_cast<QObject*>(widget)));
        }
        return widgets;
    }

    mutable int mBuilt = 0;
};
