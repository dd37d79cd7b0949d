#pragma once

#include "Quendle/Widgets/Base/Widget.h"

#include <QMap>
#include <QSet>
#include <QString>

#include <functional>

class QObject;
class QXmlStreamReader;
class cConfigBase;

/// Turns one `Widget` element of a layout into its widget, by the element's type key. Checks the
/// element first (id and type present, id unused in the layout, sane size, not wholly off the page)
/// and, whatever it decides, consumes the whole element so the caller goes on with the next sibling.
/// Layouts make one on their stack and tab containers reuse it. GUI thread only.
class cRunnerWidgetFactory : public cWidgetFactoryBase
{
public:
    /// With `widgetsLeft`, every `Widget` element takes one from it, and the element that finds none
    /// left ends the whole document with a reader error (`TooManyWidgets`): a configuration past
    /// its bound is refused before the widgets past it are built.
    explicit cRunnerWidgetFactory(int* widgetsLeft = nullptr)
        : mWidgetsLeft(widgetsLeft)
    {
    }

    /// The widget for the element the reader stands on, with `parent` as its parent; null when the
    /// element was refused. `ids` collects the ids of one layout, nested widgets included.
    cWidget* CreateFromXml(
        QXmlStreamReader& reader, QSet<int>& ids, const cConfigBase& config, QObject* parent) const override;

    /// A new, initialised widget of the class registered for `type`; the unknown widget for a key
    /// no class has. Never null.
    static cWidget* CreateWidget(const QString& type, int id, const cConfigBase& config, QObject* parent);

    /// Makes a new, initialised widget.
    using tCreator = std::function<cWidget*(int id, QObject* parent, const cConfigBase& config)>;
    /// Builds the widgets of `type` with `create` while the type has no class of its own yet (a type
    /// with a class keeps it): benchmarks read whole configurations with the widget kit's leaves in
    /// place of unknown widgets. GUI thread, before reading.
    static void SetStandIn(const QString& type, const tCreator& create);

    /// The view of each type key, relative to the content page ("../Widgets/<file>.qml").
    static const QMap<QString, QString>& QmlFilesByType();
    /// The view for `type`; the unknown widget's view for a key the map lacks or whose class is not
    /// built yet.
    static QString QmlUrlForType(const QString& type);
    static QString UnknownWidgetQmlUrl();
    /// Whether a widget of `type` is kept wherever it lies (the panel LEDs); any other is refused
    /// when it lies wholly outside its parent.
    static bool MayLieOffPage(const QString& type);

    /// Set while the built-in demo configuration is read and shown: widgets made meanwhile are
    /// switched to their demo display.
    static bool mDemoMode;

    /// Widgets inside containers deeper than this are refused, element and all.
    static constexpr int kMaxNesting = 32;

    /// The reader's error text when a document has more widgets than it was allowed.
    static QString TooManyWidgets();

private:
    int* mWidgetsLeft;

    cWidget* CreateOne(QXmlStreamReader& reader, QSet<int>& ids, const cConfigBase& config, QObject* parent) const;
};
