// The control views with their widgets' drivers registered (a registry router, never started), so
// that a widget is not disabled and its view takes the presses meant for it; `_unit` plays the
// unit's side of a source selector (its answer, its sources and its current source).

#include "Quendle/Drivers/ValueDrivers.h"
#include "Quendle/Widgets/Control/SourceSelectorWidget.h"
#include "tests/qml/ViewApplication.h"
#include "tests/support/Connections.h"
#include "tests/support/QuickTestMain.h"

#include <QQmlContext>
#include <QQmlEngine>

namespace
{

class cFakeUnit : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    /// The unit's answer to the selector's request, with `pairs` of its four pairs.
    Q_INVOKABLE void answer(QObject* widget, int pairs)
    {
        cZUNetWidget::tNamesAndParameters list;
        for (int i = 0; i < pairs; ++i)
            list.emplace_back("unit sources", UWORD(PARAMETER_BASE + i));
        if (auto* selector = qobject_cast<cZUNetSourceSelectorWidget*>(widget))
            selector->NetObjectNamesAndParametersReceived(Quendle::NameParamResolved, list);
    }

    /// The unit's sources: their number, names and channel colours.
    Q_INVOKABLE void sources(QObject* widget, const QStringList& names, const QList<int>& colours)
    {
        auto* selector = qobject_cast<cZUNetSourceSelectorWidget*>(widget);
        if (!selector || !selector->NumberOfSourcesDriver())
            return;
        selector->NumberOfSourcesDriver()->SetValue(UBYTE(names.size()));
        for (int i = 0; i < names.size() && i < selector->SourceDriverCount(); ++i) {
            selector->NameDriver(i)->SetValue(names.at(i).toStdString());
            selector->ColourDriver(i)->SetValue(UBYTE(colours.value(i)));
        }
    }

    /// The unit's current source.
    Q_INVOKABLE void current(QObject* widget, int index)
    {
        auto* selector = qobject_cast<cZUNetSourceSelectorWidget*>(widget);
        if (selector && selector->CurrentSourceDriver())
            selector->CurrentSourceDriver()->SetValue(UBYTE(index));
    }
};

} // namespace

void RegisterQuickTestTypes(QQmlEngine* engine)
{
    // Made before the first widget; gone after the last, which goes with the engine's application.
    auto* network = new cLocalNetwork(false);
    RegisterViewTestTypes(engine);
    engine->rootContext()->setContextProperty(QStringLiteral("_unit"), new cFakeUnit(engine));
    QObject::connect(engine, &QObject::destroyed, [network] { delete network; });
}

#include "qml_controls.moc"
