#pragma once

#include "Quendle/Widgets/DateTimeWidget.h"
#include "Quendle/Widgets/ImageWidget.h"
#include "Quendle/Widgets/RectangleWidget.h"
#include "Quendle/Widgets/TabContainer.h"
#include "Quendle/Widgets/TextWidget.h"
#include "Quendle/Widgets/Widget.h"

#include <QQmlEngine>
#include <QSet>
#include <QVariantList>
#include <QXmlStreamReader>

/// The runner factory's contract in small: tab containers, the plain widgets and unknown widgets, duplicate ids and
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
        cWidget* widget = nullptr;
        if (type == cTabContainer::TypeKey())
            widget = new cTabContainer(id, parent, configuration);
        else if (type == cImageWidget::TypeKey())
            widget = new cImageWidget(id, parent, configuration);
        else if (type == cTextWidget::TypeKey())
            widget = new cTextWidget(id, parent);
        else if (type == cRectangleWidget::TypeKey())
            widget = new cRectangleWidget(id, parent);
        else if (type == cDateTimeWidget::TypeKey())
            widget = new cDateTimeWidget(id, parent);
        else
            widget = new cUnknownWidget(id, parent, type);
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
