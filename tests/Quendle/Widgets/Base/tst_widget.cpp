#include "Quendle/Properties/Properties.h"
#include "Quendle/Properties/PropertyGroup.h"
#include "Quendle/Widgets/Base/Widget.h"
#include "tests/support/TraceCapture.h"
#include "tests/support/quendle/TestConfig.h"
#include "tests/support/quendle/WidgetTestKit.h"

#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QSignalSpy>
#include <QXmlStreamReader>
#include <QtTest>

#include <climits>
#include <functional>
#include <memory>

namespace
{

// An unknown widget loaded from a `Widget` element with these attributes.
std::unique_ptr<cUnknownWidget> LoadWidget(const QString& attributes)
{
    return WidgetTest::Make<cUnknownWidget>(
        QStringLiteral("<Widget %1/>").arg(attributes), 1, nullptr, QStringLiteral("unknown_kind"));
}

// A factory that must not be asked: plain widgets have no children to build.
class cRefusingFactory : public cWidgetFactoryBase
{
public:
    cWidget* CreateFromXml(QXmlStreamReader&, QSet<int>&, const cConfigBase&, QObject*) const override
    {
        ++mCalls;
        return nullptr;
    }
    mutable int mCalls = 0;
};

const char* kCompletionItemQml = R"(
import QtQuick 2.15
Item {
    property var calls: []
    property var widget: null
    property var other: null
    function forceCompletion(id) {
        calls.push(id);
        if (other !== null)
            widget.removeCompletionItem(other);
    }
})";

} // namespace

class tst_Widget : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void loadBaseAttributes_data();
    void loadBaseAttributes();
    void geometry_data();
    void geometry();
    void contentSizeMode_data();
    void contentSizeMode();
    void positionLock_data();
    void positionLock();
    void layoutGroups_data();
    void layoutGroups();
    void layoutGroupEditing();
    void defaultsAndPropertyTree();
    void propertyTreeMadeOnFirstUse_data();
    void propertyTreeMadeOnFirstUse();
    void setterSignals_data();
    void setterSignals();
    void disabledAndOffline();
    void completionItems();
    void completionItemRemovedDuringCall();
    void completionItemAddedAgain();
    void comboIndexFromCode_data();
    void comboIndexFromCode();
    void loadFloatProperty_data();
    void loadFloatProperty();
    void aspectLock();
    void groupRect();
    void writeAndReadBack();
    void loadSubXmlSkipsChildren();
};

void tst_Widget::loadBaseAttributes_data()
{
    QTest::addColumn<QString>("element");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("trace");

    QTest::newRow("id and type") << R"(<Widget id="7" type="text"/>)" << true << 7 << "text"
                                 << "";
    QTest::newRow("type first, others around")
        << R"(<Widget a="1" type="rect" b="2" id="12" x="0.5"/>)" << true << 12 << "rect"
        << "";
    QTest::newRow("only type") << R"(<Widget type="text"/>)" << false << -1 << "text"
                               << "Error loading widget id";
    QTest::newRow("only id") << R"(<Widget id="3"/>)" << false << 3 << ""
                             << "Error loading widget type";
    QTest::newRow("empty type") << R"(<Widget id="3" type=""/>)" << false << 3 << ""
                                << "Error loading widget type";
    QTest::newRow("id not a number") << R"(<Widget id="abc" type="text"/>)" << true << 0 << "text"
                                     << "";
    QTest::newRow("id -1") << R"(<Widget id="-1" type="text"/>)" << false << -1 << "text"
                           << "Error loading widget id";
    QTest::newRow("names are case-sensitive") << R"(<Widget ID="4" Type="text"/>)" << false << -1 << ""
                                              << "Error loading widget id";
    QTest::newRow("nothing") << R"(<Widget/>)" << false << -1 << ""
                             << "Error loading widget id";
}

void tst_Widget::loadBaseAttributes()
{
    QFETCH(QString, element);
    QFETCH(bool, ok);
    QFETCH(int, id);
    QFETCH(QString, type);
    QFETCH(QString, trace);

    cTraceCapture traces;
    QXmlStreamReader reader(element);
    QVERIFY(reader.readNextStartElement());
    int readId = 99;
    QString readType = QStringLiteral("stale");
    QCOMPARE(cWidget::LoadBaseAttributes(reader, readId, readType), ok);
    QCOMPARE(readId, id);
    QCOMPARE(readType, type);
    // The reader stays on the start tag.
    QVERIFY(reader.isStartElement());
    QCOMPARE(reader.name().toString(), QStringLiteral("Widget"));
    if (trace.isEmpty())
        QVERIFY2(traces.Lines().isEmpty(), qPrintable(traces.Lines().join('\n')));
    else
        QCOMPARE(traces.Lines(), QStringList { QStringLiteral("ERROR: ") + trace });
}

void tst_Widget::geometry_data()
{
    QTest::addColumn<QString>("attribute");
    QTest::addColumn<QString>("text");
    QTest::addColumn<float>("expected");

    const QStringList coordinates { "x", "y", "width", "height" };
    for (const QString& name : coordinates) {
        const QByteArray n = name.toLatin1();
        QTest::newRow(n + " missing") << name << QString() << -1.0f;
        QTest::newRow(n + " fraction") << name << "0.25" << 0.25f;
        QTest::newRow(n + " not a number") << name << "abc" << 0.0f;
        QTest::newRow(n + " empty") << name << "" << 0.0f;
        QTest::newRow(n + " above range, kept") << name << "5" << 5.0f;
        QTest::newRow(n + " below range, kept") << name << "-3.5" << -3.5f;
        QTest::newRow(n + " nan") << name << "nan" << 0.0f;
        QTest::newRow(n + " inf") << name << "inf" << 0.0f;
        QTest::newRow(n + " -inf") << name << "-inf" << 0.0f;
        QTest::newRow(n + " beyond float") << name << "1e40" << 0.0f;
    }
    QTest::newRow("z missing") << "z" << QString() << 0.0f;
    QTest::newRow("z") << "z"
                       << "1.5" << 1.5f;
    QTest::newRow("z not a number") << "z"
                                    << "top" << 0.0f;
    QTest::newRow("z nan") << "z"
                           << "NaN" << 0.0f;
}

void tst_Widget::geometry()
{
    QFETCH(QString, attribute);
    QFETCH(QString, text);
    QFETCH(float, expected);

    const QString attributes = text.isNull() ? QStringLiteral("id=\"1\" type=\"t\"")
                                             : QStringLiteral("id=\"1\" type=\"t\" %1=\"%2\"").arg(attribute, text);
    cTraceCapture traces;
    auto widget = LoadWidget(attributes);
    QVERIFY(widget);
    const QHash<QString, float> values { { "x", widget->xFraction() }, { "y", widget->yFraction() },
        { "width", widget->widthFraction() }, { "height", widget->heightFraction() }, { "z", widget->z() } };
    QCOMPARE(values.value(attribute), expected);
    QCOMPARE(widget->property(attribute == "z" ? "z" : qPrintable(attribute + "Fraction")).toFloat(), expected);
    // The other coordinates keep their defaults.
    for (auto it = values.constBegin(); it != values.constEnd(); ++it) {
        if (it.key() != attribute)
            QCOMPARE(it.value(), it.key() == "z" ? 0.0f : -1.0f);
    }
    QVERIFY(traces.Lines().isEmpty());
}

void tst_Widget::contentSizeMode_data()
{
    QTest::addColumn<QString>("attributes");
    QTest::addColumn<int>("mode");
    QTest::addColumn<float>("pixelAspect");

    QTest::newRow("missing") << "" << 0 << -1.0f;
    QTest::newRow("fill") << R"(contentSizeMode="fill")" << 0 << -1.0f;
    QTest::newRow("aspect") << R"(contentSizeMode="0.5625")" << 1 << 0.5625f;
    QTest::newRow("Fill is a number") << R"(contentSizeMode="Fill")" << 1 << 0.0f;
    QTest::newRow("nan") << R"(contentSizeMode="nan")" << 1 << 0.0f;
    QTest::newRow("inf") << R"(contentSizeMode="inf")" << 1 << 0.0f;
    QTest::newRow("large aspect kept") << R"(contentSizeMode="30000")" << 1 << 30000.0f;
}

void tst_Widget::contentSizeMode()
{
    QFETCH(QString, attributes);
    QFETCH(int, mode);
    QFETCH(float, pixelAspect);

    auto widget = LoadWidget(QStringLiteral("id=\"1\" type=\"t\" ") + attributes);
    QVERIFY(widget);
    QCOMPARE(widget->ContentSizeModeProperty()->Index(), mode);
    QCOMPARE(widget->pixelAspect(), pixelAspect);
}

void tst_Widget::positionLock_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("locked");

    QTest::newRow("missing") << QString() << 0 << false;
    QTest::newRow("locked") << "1" << 1 << true;
    QTest::newRow("unlocked") << "0" << 0 << false;
    QTest::newRow("not a number") << "yes" << 0 << false;
    QTest::newRow("above range, kept") << "7" << 7 << true;
    QTest::newRow("not decimal") << "0x1" << 0 << false;
}

void tst_Widget::positionLock()
{
    QFETCH(QString, text);
    QFETCH(int, value);
    QFETCH(bool, locked);

    auto widget = LoadWidget(text.isNull() ? QStringLiteral("id=\"1\" type=\"t\"")
                                           : QStringLiteral("id=\"1\" type=\"t\" positionLock=\"%1\"").arg(text));
    QVERIFY(widget);
    QCOMPARE(widget->PositionLockProperty()->IntValue(), value);
    QCOMPARE(widget->positionLocked(), locked);
    QCOMPARE(widget->property("positionLocked").toBool(), locked);
}

void tst_Widget::layoutGroups_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<int>>("groups");
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("group");
    QTest::addColumn<int>("subgroup");
    QTest::addColumn<QString>("written");

    QTest::newRow("two") << "2,5" << QList<int> { 2, 5 } << 2 << 5 << 2 << "2,5";
    QTest::newRow("empty") << "" << QList<int>() << INT_MAX << -1 << -1 << "";
    QTest::newRow("one") << "4" << QList<int> { 4 } << 4 << 4 << -1 << "4";
    QTest::newRow("empty part") << "1,,3" << QList<int> { 1, 0, 3 } << 1 << 3 << 0 << "1,0,3";
    QTest::newRow("not numbers") << "a,b" << QList<int> { 0, 0 } << 0 << 0 << 0 << "0,0";
    QTest::newRow("trailing comma") << "7," << QList<int> { 7, 0 } << 7 << 0 << 7 << "7,0";
}

void tst_Widget::layoutGroups()
{
    QFETCH(QString, text);
    QFETCH(QList<int>, groups);
    QFETCH(int, minimum);
    QFETCH(int, group);
    QFETCH(int, subgroup);
    QFETCH(QString, written);

    auto widget = LoadWidget(QStringLiteral("id=\"1\" type=\"t\" group=\"%1\"").arg(text));
    QVERIFY(widget);
    QCOMPARE(widget->LayoutGroups(), groups);
    QCOMPARE(widget->MinimumLayoutGroup(), minimum);
    QCOMPARE(widget->LayoutGroup(), group);
    QCOMPARE(widget->LayoutSubgroup(), subgroup);
    QCOMPARE(widget->inGroup(), !groups.isEmpty());
    QCOMPARE(widget->LayoutGroupString(), written);
}

void tst_Widget::layoutGroupEditing()
{
    cUnknownWidget widget(1, nullptr, "t");
    QSignalSpy inGroup(&widget, &cWidget::inGroupChanged);

    widget.SetLayoutGroupString("1,3");
    widget.ShiftGroupIndices(10);
    QCOMPARE(widget.LayoutGroups(), (QList<int> { 11, 13 }));
    QCOMPARE(inGroup.count(), 0);

    widget.SetLayoutGroupString(QString());
    widget.RemoveFromLayoutGroup();
    QCOMPARE(inGroup.count(), 0);
    widget.AddToLayoutGroup(4);
    QCOMPARE(inGroup.count(), 1);
    widget.AddToLayoutGroup(6);
    QCOMPARE(inGroup.count(), 1);
    widget.RemoveFromLayoutGroup();
    QCOMPARE(inGroup.count(), 1);
    QCOMPARE(widget.LayoutGroups(), QList<int> { 4 });
    widget.RemoveFromLayoutGroup();
    QCOMPARE(inGroup.count(), 2);
    QVERIFY(!widget.inGroup());
}

void tst_Widget::defaultsAndPropertyTree()
{
    cUnknownWidget widget(42, nullptr, "mystery");
    QCOMPARE(widget.Type(), QStringLiteral("mystery"));
    QCOMPARE(widget.property("type").toString(), QStringLiteral("mystery"));
    QCOMPARE(widget.property("widgetId").toInt(), 42);
    QCOMPARE(widget.property("isContainer").toBool(), false);
    QCOMPARE(widget.property("isVisible").toBool(), true);
    QCOMPARE(widget.property("disabled").toBool(), false);
    QCOMPARE(widget.property("pixelAspect").toFloat(), -1.0f);
    QVERIFY(!widget.IsOnline());
    QCOMPARE(widget.EditorAspect(), 1.0f);
    QCOMPARE(cWidget::mMultipleTypeName, QStringLiteral("multiple"));

    const QList<cPropertyBase*> root = widget.RootGroup()->Contents();
    QCOMPARE(root.count(), 1);
    QCOMPARE(root.first()->name(), QStringLiteral("Visual"));
    QVERIFY(widget.VisualGroup()->expanded());
    QVERIFY(widget.RootGroup()->expanded());

    QStringList names;
    QStringList hidden;
    for (cProperty* property : widget.AllProperties()) {
        names << property->name();
        if (!property->visible())
            hidden << property->name();
        QCOMPARE(property->parent(), &widget);
    }
    QCOMPARE(
        names, (QStringList { "X", "Y", "Width", "Height", "Z", "Content Size Mode", "PixelAspect", "PositionLock" }));
    QCOMPARE(hidden, (QStringList { "Z", "PixelAspect", "PositionLock" }));
    QCOMPARE(widget.WidthProperty()->Min(), 0.000999f);
    QCOMPARE(widget.XProperty()->Min(), -2.0f);
    QCOMPARE(widget.PixelAspectProperty()->Max(), 20000.0f);
    QCOMPARE(widget.ContentSizeModeProperty()->comboValues(), (QStringList { "Fill", "Lock Aspect" }));

    auto* front = new cIntProperty("Unit", 0, &widget, 0, 10);
    auto* back = new cStringProperty("Text", "", &widget);
    widget.AppendPropertyOrGroup(back);
    widget.PrependPropertyOrGroup(front);
    const QList<cProperty*> all = widget.AllProperties();
    QCOMPARE(all.first(), front);
    QCOMPARE(all.last(), back);
}

void tst_Widget::propertyTreeMadeOnFirstUse_data()
{
    QTest::addColumn<bool>("treeFirst");
    QTest::newRow("tree asked for before loading") << true;
    QTest::newRow("tree asked for after loading") << false;
}

void tst_Widget::propertyTreeMadeOnFirstUse()
{
    QFETCH(bool, treeFirst);

    // Whenever the tree is made, it holds what was read and the order the subclass asked for.
    cUnknownWidget widget(1, nullptr, "t");
    if (treeFirst)
        QVERIFY(widget.RootGroup() != nullptr);
    auto* front = new cIntProperty("Unit", 0, &widget, 0, 10);
    auto* back = new cStringProperty("Text", "", &widget);
    widget.AppendPropertyOrGroup(back);
    widget.PrependPropertyOrGroup(front);
    widget.AppendPropertyOrGroup(back);
    QSignalSpy aspect(&widget, &cWidget::pixelAspectChanged);
    QSignalSpy locked(&widget, &cWidget::positionLockedChanged);
    QXmlStreamReader reader(QStringLiteral(
        R"(<Widget id="1" type="t" x="0.25" y="0.5" width="0.125" height="0.75" z="0.3" contentSizeMode="0.5625" positionLock="1"/>)"));
    QVERIFY(reader.readNextStartElement());
    widget.LoadAttributes(reader);
    QCOMPARE(aspect.count(), 1);
    QCOMPARE(locked.count(), 1);

    QCOMPARE(widget.XProperty()->FloatValue(), 0.25f);
    QCOMPARE(widget.YProperty()->FloatValue(), 0.5f);
    QCOMPARE(widget.WidthProperty()->FloatValue(), 0.125f);
    QCOMPARE(widget.HeightProperty()->FloatValue(), 0.75f);
    QCOMPARE(widget.ZProperty()->FloatValue(), 0.3f);
    QCOMPARE(widget.PixelAspectProperty()->FloatValue(), 0.5625f);
    QCOMPARE(widget.ContentSizeModeProperty()->Index(), 1);
    QCOMPARE(widget.PositionLockProperty()->IntValue(), 1);
    QVERIFY(widget.positionLocked());
    QCOMPARE(widget.RootGroup()->Contents(), (QList<cPropertyBase*> { front, widget.VisualGroup(), back }));
    QCOMPARE(widget.AllProperties().count(), 10);
    QVERIFY(!widget.ZProperty()->visible());

    // From now on a change through the widget or the property is one change of both.
    QSignalSpy x(&widget, &cWidget::xFractionChanged);
    QSignalSpy property(widget.XProperty(), &cProperty::valueChanged);
    QSignalSpy aboutToChange(widget.XProperty(), &cProperty::ValueAboutToChange);
    widget.setXFraction(0.75f);
    widget.XProperty()->setFloatValue(0.5f);
    QCOMPARE(x.count(), 2);
    QCOMPARE(property.count(), 2);
    QCOMPARE(aboutToChange.count(), 2);
    QCOMPARE(widget.xFraction(), 0.5f);
    widget.ContentSizeModeProperty()->setIntValue(0);
    QCOMPARE(widget.pixelAspect(), -1.0f);
}

void tst_Widget::setterSignals_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("x") << "x";
    QTest::newRow("y") << "y";
    QTest::newRow("width") << "width";
    QTest::newRow("height") << "height";
    QTest::newRow("z") << "z";
}

void tst_Widget::setterSignals()
{
    QFETCH(QString, name);

    cUnknownWidget widget(1, nullptr, "t");
    const QHash<QString, std::function<void(float)>> setters {
        { "x", [&](float v) { widget.setXFraction(v); } },
        { "y", [&](float v) { widget.setYFraction(v); } },
        { "width", [&](float v) { widget.setWidthFraction(v); } },
        { "height", [&](float v) { widget.setHeightFraction(v); } },
        { "z", [&](float v) { widget.SetZ(v); } },
    };
    QList<std::shared_ptr<QSignalSpy>> spies;
    const QStringList names { "x", "y", "width", "height", "z" };
    spies << std::make_shared<QSignalSpy>(&widget, &cWidget::xFractionChanged)
          << std::make_shared<QSignalSpy>(&widget, &cWidget::yFractionChanged)
          << std::make_shared<QSignalSpy>(&widget, &cWidget::widthFractionChanged)
          << std::make_shared<QSignalSpy>(&widget, &cWidget::heightFractionChanged)
          << std::make_shared<QSignalSpy>(&widget, &cWidget::zChanged);
    QSignalSpy pixelAspect(&widget, &cWidget::pixelAspectChanged);

    setters.value(name)(0.75f);
    setters.value(name)(0.75f);
    for (int i = 0; i < names.count(); ++i)
        QCOMPARE(spies.at(i)->count(), names.at(i) == name ? 1 : 0);
    QCOMPARE(pixelAspect.count(), 0);

    // QML writes the fractions through the properties.
    if (name != "z") {
        QVERIFY(widget.setProperty(qPrintable(name + "Fraction"), 0.5f));
        QCOMPARE(spies.at(names.indexOf(name))->count(), 2);
    }
}

void tst_Widget::disabledAndOffline()
{
    cUnknownWidget widget(1, nullptr, "t");
    QSignalSpy disabled(&widget, &cWidget::disabledChanged);

    widget.SetOffline();
    QCOMPARE(disabled.count(), 0);

    widget.SetOnline();
    QVERIFY(widget.IsOnline());
    widget.SetDisabled(true);
    widget.SetDisabled(true);
    QCOMPARE(disabled.count(), 1);
    QVERIFY(widget.disabled());

    widget.SetOffline();
    QCOMPARE(disabled.count(), 2);
    QVERIFY(!widget.disabled());
    QVERIFY(!widget.IsOnline());
    widget.SetOffline();
    QCOMPARE(disabled.count(), 2);
}

void tst_Widget::completionItems()
{
    QQmlEngine engine;
    QQmlComponent component(&engine);
    component.setData(kCompletionItemQml, QUrl());
    std::unique_ptr<QQuickItem> first(qobject_cast<QQuickItem*>(component.create()));
    std::unique_ptr<QQuickItem> second(qobject_cast<QQuickItem*>(component.create()));
    QQuickItem* gone = qobject_cast<QQuickItem*>(component.create());
    std::unique_ptr<QQuickItem> removed(qobject_cast<QQuickItem*>(component.create()));
    QVERIFY2(first && second && gone && removed, qPrintable(component.errorString()));

    cUnknownWidget widget(17, nullptr, "t");
    QSignalSpy visibleChanged(&widget, &cWidget::isVisibleChanged);
    widget.addCompletionItem(first.get());
    widget.addCompletionItem(gone);
    widget.addCompletionItem(removed.get());
    widget.addCompletionItem(second.get());
    widget.removeCompletionItem(removed.get());
    delete gone;
    QCOMPARE(widget.CompletionItems(), (QList<QQuickItem*> { first.get(), second.get() }));

    auto calls = [](QQuickItem* item) { return item->property("calls").toList(); };

    widget.SetIsVisible(true); // already visible
    QCOMPARE(visibleChanged.count(), 0);
    widget.SetIsVisible(false);
    QCOMPARE(visibleChanged.count(), 1);
    QVERIFY(calls(first.get()).isEmpty());
    QCOMPARE(widget.property("isVisible").toBool(), false);

    widget.SetIsVisible(true);
    QCOMPARE(visibleChanged.count(), 2);
    QCOMPARE(calls(first.get()), QVariantList { 17 });
    QCOMPARE(calls(second.get()), QVariantList { 17 });
    QVERIFY(calls(removed.get()).isEmpty());
}

void tst_Widget::completionItemRemovedDuringCall()
{
    // The first item's call takes the second out of the list: the second is not called, and nothing
    // reads a changed list.
    QQmlEngine engine;
    QQmlComponent component(&engine);
    component.setData(kCompletionItemQml, QUrl());
    std::unique_ptr<QQuickItem> first(qobject_cast<QQuickItem*>(component.create()));
    std::unique_ptr<QQuickItem> second(qobject_cast<QQuickItem*>(component.create()));
    std::unique_ptr<QQuickItem> third(qobject_cast<QQuickItem*>(component.create()));
    QVERIFY(first && second && third);

    cUnknownWidget widget(5, nullptr, "t");
    first->setProperty("widget", QVariant::fromValue<QObject*>(&widget));
    first->setProperty("other", QVariant::fromValue<QObject*>(second.get()));
    widget.addCompletionItem(first.get());
    widget.addCompletionItem(second.get());
    widget.addCompletionItem(third.get());
    widget.SetIsVisible(false);
    widget.SetIsVisible(true);
    QCOMPARE(first->property("calls").toList(), QVariantList { 5 });
    QVERIFY(second->property("calls").toList().isEmpty());
    QCOMPARE(third->property("calls").toList(), QVariantList { 5 });
    QCOMPARE(widget.CompletionItems(), (QList<QQuickItem*> { first.get(), third.get() }));
}

void tst_Widget::completionItemAddedAgain()
{
    // Listed as often as added; its destruction still takes it out after it was removed and added
    // again, and a widget that let go of an item is no longer tied to it.
    QQmlEngine engine;
    QQmlComponent component(&engine);
    component.setData(kCompletionItemQml, QUrl());
    QQuickItem* item = qobject_cast<QQuickItem*>(component.create());
    QVERIFY2(item, qPrintable(component.errorString()));
    cUnknownWidget widget(4, nullptr, "t");
    cUnknownWidget other(5, nullptr, "t");
    widget.addCompletionItem(item);
    widget.addCompletionItem(item);
    QCOMPARE(widget.CompletionItems(), (QList<QQuickItem*> { item, item }));
    widget.removeCompletionItem(item);
    QVERIFY(widget.CompletionItems().isEmpty());
    other.addCompletionItem(item);
    other.removeCompletionItem(item);
    QVERIFY(!QObject::disconnect(item, &QObject::destroyed, &other, nullptr));
    widget.addCompletionItem(item);
    delete item;
    QVERIFY(widget.CompletionItems().isEmpty());
}

void tst_Widget::comboIndexFromCode_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("index");

    QTest::newRow("first") << "top" << 0;
    QTest::newRow("second") << "bottom" << 1;
    QTest::newRow("label is not a code") << "Bottom" << 0;
    QTest::newRow("other case") << "BOTTOM" << 0;
    QTest::newRow("unknown") << "middle" << 0;
    QTest::newRow("empty") << "" << 0;
}

void tst_Widget::comboIndexFromCode()
{
    QFETCH(QString, code);
    QFETCH(int, index);

    const QList<QPair<QString, QString>> table { { "Top", "top" }, { "Bottom", "bottom" } };
    cComboProperty pairs("Position", 1, { "Top", "Bottom" }, nullptr);
    pairs.setIntValue(1);
    cWidget::SetComboPropertyIndex(code, table, &pairs);
    QCOMPARE(pairs.Index(), index);

    cComboProperty plain("Position", 1, { "Top", "Bottom" }, nullptr);
    cWidget::SetComboPropertyIndex(code, QList<QString> { "top", "bottom" }, &plain);
    QCOMPARE(plain.Index(), index);

    cWidget::SetComboPropertyIndex(code, table, nullptr);
}

void tst_Widget::loadFloatProperty_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<float>("value");
    QTest::addColumn<bool>("traced");

    QTest::newRow("number") << "0.5" << 0.5f << false;
    QTest::newRow("negative") << "-12" << -12.0f << false;
    QTest::newRow("not a number") << "half" << 3.0f << true;
    QTest::newRow("empty") << "" << 3.0f << true;
    QTest::newRow("nan") << "nan" << 3.0f << true;
    QTest::newRow("inf") << "inf" << 3.0f << true;
}

void tst_Widget::loadFloatProperty()
{
    QFETCH(QString, text);
    QFETCH(float, value);
    QFETCH(bool, traced);

    QXmlStreamReader reader(QStringLiteral("<Widget radius=\"%1\"/>").arg(text));
    QVERIFY(reader.readNextStartElement());
    cFloatProperty property("Radius", 3.0f, nullptr, 0.0f, 1.0f);
    cTraceCapture traces;
    cWidget::LoadFloatProperty(reader.attributes().first(), property);
    QCOMPARE(property.FloatValue(), value);
    QCOMPARE(traces.Count("ERROR: Could not read float property"), traced ? 1 : 0);
}

void tst_Widget::aspectLock()
{
    cUnknownWidget widget(1, nullptr, "t");
    QSignalSpy aspect(&widget, &cWidget::pixelAspectChanged);
    widget.setCurrentEditorPixelSizes(200.0f, 100.0f, 800.0f, 600.0f);
    QCOMPARE(widget.EditorAspect(), 0.5f);
    QCOMPARE(widget.EditorScreenWidth(), 800.0f);
    QCOMPARE(widget.EditorScreenHeight(), 600.0f);
    QCOMPARE(aspect.count(), 0);

    widget.ContentSizeModeProperty()->setIntValue(1);
    QCOMPARE(widget.pixelAspect(), 0.5f);
    QVERIFY(aspect.count() >= 1);
    widget.ContentSizeModeProperty()->setIntValue(0);
    QCOMPARE(widget.pixelAspect(), -1.0f);

    // Read from one element, the aspect is the element's, not the editor's.
    auto loaded = LoadWidget(R"(id="1" type="t" contentSizeMode="2.5")");
    loaded->setCurrentEditorPixelSizes(1.0f, 1.0f, 1.0f, 1.0f);
    QCOMPARE(loaded->pixelAspect(), 2.5f);
}

void tst_Widget::groupRect()
{
    cUnknownWidget widget(1, nullptr, "t");
    QSignalSpy changed(&widget, &cWidget::groupRectChanged);
    widget.SetGroupRect(QRectF(0, 0, 0, 0));
    QCOMPARE(changed.count(), 0);
    widget.SetGroupRect(QRectF(0.1, 0.2, 0.3, 0.4));
    QCOMPARE(changed.count(), 1);
    widget.SetGroupRect(QRectF(0.1, 0.2, 0.3, 0.4 + 1e-15));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(widget.property("groupRect").toRectF(), QRectF(0.1, 0.2, 0.3, 0.4));
}

void tst_Widget::writeAndReadBack()
{
    auto widget = LoadWidget(
        R"(id="1" type="t" x="0.125" y="0.5" width="0.25" height="0.1" z="1" group="3,4" contentSizeMode="0.75" positionLock="1")");
    QVERIFY(widget);
    const QString text = WidgetTest::Written(*widget);
    QCOMPARE(text,
        QStringLiteral(R"(<Widget id="1" type="unknown_kind" x="0.125" y="0.5" width="0.25" height="0.1" z="1" )"
                       R"(group="3,4" contentSizeMode="0.75" positionLock="1"/>)"));

    QXmlStreamReader reader(text);
    QVERIFY(reader.readNextStartElement());
    int id = 0;
    QString type;
    QVERIFY(cWidget::LoadBaseAttributes(reader, id, type));
    cUnknownWidget copy(id, nullptr, type);
    copy.LoadAttributes(reader);
    QCOMPARE(copy.Type(), QStringLiteral("unknown_kind"));
    QCOMPARE(copy.xFraction(), 0.125f);
    QCOMPARE(copy.heightFraction(), 0.1f);
    QCOMPARE(copy.LayoutGroups(), (QList<int> { 3, 4 }));
    QCOMPARE(copy.pixelAspect(), 0.75f);
    QVERIFY(copy.positionLocked());

    cUnknownWidget fresh(2, nullptr, "rect");
    QCOMPARE(WidgetTest::Written(fresh),
        QStringLiteral(R"(<Widget id="2" type="rect" x="-1" y="-1" width="-1" height="-1" z="0" group="" )"
                       R"(contentSizeMode="fill" positionLock="0"/>)"));
}

void tst_Widget::loadSubXmlSkipsChildren()
{
    cTestApplication application;
    cTestConfig configuration(&application);
    cRefusingFactory factory;
    QSet<int> ids;

    QXmlStreamReader reader(QStringLiteral(
        R"(<Layout><Widget id="1" type="t"><Tab><Widget id="2" type="t"/></Tab>text</Widget><Next/></Layout>)"));
    QVERIFY(reader.readNextStartElement());
    QVERIFY(reader.readNextStartElement());
    cUnknownWidget widget(1, nullptr, "t");
    widget.LoadAttributes(reader);
    widget.LoadSubXml(reader, ids, configuration, nullptr, factory);
    QVERIFY(reader.isEndElement());
    QCOMPARE(reader.name().toString(), QStringLiteral("Widget"));
    QVERIFY(reader.readNextStartElement());
    QCOMPARE(reader.name().toString(), QStringLiteral("Next"));
    QCOMPARE(factory.mCalls, 0);
    QVERIFY(ids.isEmpty());
}

QTEST_MAIN(tst_Widget)
#include "tst_widget.moc"
