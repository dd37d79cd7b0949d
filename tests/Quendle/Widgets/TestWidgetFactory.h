#pragma once

#include "Quendle/Runner/WidgetFactory.h"
#include "Quendle/Widgets/Base/Widget.h"
#include "tests/support/quendle/WidgetTestKit.h"

#include <QSet>
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
        return WidgetTest::ReadLayout(*this, document, configuration, parent);
    }

    mutable int mBuilt = 0;
};
