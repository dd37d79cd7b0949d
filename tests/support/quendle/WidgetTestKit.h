#pragma once

// What the widget classes' tests share: loading a `Widget` element into a widget as the factory does,
// the write-back round trip, and a spy on every change signal of a widget.

#include "Quendle/Properties/Properties.h"
#include "Quendle/Widgets/Base/Widget.h"

#include <QMetaMethod>
#include <QSet>
#include <QSignalSpy>
#include <QStringList>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <memory>
#include <utility>
#include <vector>

namespace WidgetTest
{

/// Loads a `Widget` element (its whole text, `<Widget .../>`) into a widget just made, as the factory
/// does after construction: `Init`, then the element's attributes. False when the text holds no element.
inline bool Load(cWidget& widget, const QString& element)
{
    QXmlStreamReader reader(element);
    if (!reader.readNextStartElement())
        return false;
    widget.Init();
    widget.LoadAttributes(reader);
    return true;
}

/// The widget's own element: its id and type, then `attributes`.
inline QString Element(const cWidget& widget, const QString& attributes)
{
    return QStringLiteral("<Widget id=\"%1\" type=\"%2\" %3/>").arg(widget.widgetId()).arg(widget.Type(), attributes);
}

/// A new `tWidget` made with `arguments` and loaded from `element`; null when the text holds no element.
template <class tWidget, class... tArguments>
std::unique_ptr<tWidget> Make(const QString& element, tArguments&&... arguments)
{
    auto widget = std::make_unique<tWidget>(std::forward<tArguments>(arguments)...);
    if (!Load(*widget, element))
        return nullptr;
    return widget;
}

/// The widgets `factory` makes of the `Widget` children of the document's root element, with `parent`
/// as their parent; one set of ids for the whole document, as for one layout.
inline QList<cWidget*> ReadLayout(
    const cWidgetFactoryBase& factory, const QString& document, const cConfigBase& configuration, QObject* parent)
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
        if (cWidget* widget = factory.CreateFromXml(reader, ids, configuration, parent))
            widgets.append(widget);
    }
    return widgets;
}

/// The `Widget` element the widget writes of itself.
inline QString Written(const cWidget& widget)
{
    QString text;
    QXmlStreamWriter writer(&text);
    widget.WriteXml(writer);
    return text;
}

/// The write-back round trip: `widget` written and loaded again into `copy`, a new widget of its class.
/// Returns "<name> in <element>" for each property whose text differs between the two; empty when the
/// copy holds what the widget did.
inline QStringList RoundTripDifferences(const cWidget& widget, cWidget& copy)
{
    const QString written = Written(widget);
    if (!Load(copy, written))
        return { QStringLiteral("nothing read back from ") + written };
    QStringList differences;
    const QList<cProperty*> expected = widget.AllProperties();
    const QList<cProperty*> actual = copy.AllProperties();
    if (actual.size() != expected.size())
        return {
            QStringLiteral("%1 properties read back for %2 in %3").arg(actual.size()).arg(expected.size()).arg(written)
        };
    for (int p = 0; p < expected.size(); ++p) {
        if (actual[p]->stringValue() != expected[p]->stringValue())
            differences.append(expected[p]->name() + QStringLiteral(" in ") + written);
    }
    return differences;
}

/// Spies on every change signal (every signal without arguments) of an object, so that a test says
/// exactly which fired and how often: a signal too many fails as surely as one missing.
class cSignalCounter
{
public:
    explicit cSignalCounter(QObject* object)
    {
        const QMetaObject* meta = object->metaObject();
        for (int i = 0; i < meta->methodCount(); ++i) {
            const QMetaMethod method = meta->method(i);
            if (method.methodType() == QMetaMethod::Signal && method.parameterCount() == 0
                && method.name() != "destroyed" && method.name() != "objectNameChanged")
                mSpies.emplace_back(
                    method.name(), std::make_unique<QSignalSpy>(object, ("2" + method.methodSignature()).constData()));
        }
    }
    /// "name" for each signal emitted, once per emission, in signal-name order.
    QStringList Emitted() const
    {
        QStringList emitted;
        for (const auto& spy : mSpies) {
            for (int i = 0; i < spy.second->count(); ++i)
                emitted.append(QString::fromLatin1(spy.first));
        }
        emitted.sort();
        return emitted;
    }

private:
    std::vector<std::pair<QByteArray, std::unique_ptr<QSignalSpy>>> mSpies;
};

} // namespace WidgetTest
