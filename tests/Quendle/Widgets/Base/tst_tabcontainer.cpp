#include "Quendle/AppCommon/QuendleFonts.h"
#include "Quendle/Properties/Properties.h"
#include "Quendle/Properties/PropertyGroup.h"
#include "Quendle/Widgets/Base/TabContainer.h"
#include "tests/Quendle/Widgets/TestWidgetFactory.h"
#include "tests/support/quendle/TestConfig.h"

#include <QAbstractItemModelTester>
#include <QQuickItem>
#include <QSignalSpy>
#include <QXmlStreamReader>
#include <QtTest>

#include <climits>
#include <memory>

namespace
{

// A configuration that maps image ids, to show the container passes them through it.
class cMappingConfig : public cTestConfig
{
public:
    using cTestConfig::cTestConfig;
    QString ConvertImageId(const QString& id) const override { return QStringLiteral("mapped_") + id; }
};

QString Widget(int id, const QString& extra = QString())
{
    return QStringLiteral(R"(<Widget id="%1" type="text" x="0" y="0" width="0.5" height="0.5" %2/>)")
        .arg(id)
        .arg(extra);
}

// "id@location" of each child in order.
QString Locations(const cTabContainer& container)
{
    QStringList parts;
    for (cWidget* child : container.widgetChildren()->toList())
        parts << QStringLiteral("%1@%2").arg(child->widgetId()).arg(container.getContainerLocation(child));
    return parts.join(' ');
}

// The ids on each tab, tabs separated by "|".
QString TabContents(const cTabContainer& container)
{
    QStringList tabs;
    for (cTab* tab : container.tabs()->toList()) {
        QStringList ids;
        for (cWidget* widget : tab->Widgets())
            ids << QString::number(widget->widgetId());
        tabs << ids.join(',');
    }
    return tabs.join('|');
}

QString Names(const cTabContainer& container)
{
    QStringList names;
    for (cTab* tab : container.tabs()->toList())
        names << tab->tabName();
    return names.join(',');
}

// The ids of the visible widgets among `widgets`.
QString VisibleIds(const QList<cWidget*>& widgets)
{
    QStringList ids;
    for (cWidget* widget : widgets) {
        if (widget->isVisible())
            ids << QString::number(widget->widgetId());
    }
    return ids.join(',');
}

} // namespace

class tst_TabContainer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void defaults();
    void tabCount_data();
    void tabCount();
    void tabCountChanges();
    void tabNames();
    void attributes_data();
    void attributes();
    void tabPositionOutOfRange();
    void loadSubXml_data();
    void loadSubXml();
    void tabSelection();
    void nestedVisibility();
    void nestedOperations();
    void childrenRemovedAndDestroyed();
    void linkedItems();

private:
    std::unique_ptr<cTestApplication> mApplication;
    std::unique_ptr<cMappingConfig> mConfig;
    std::unique_ptr<QObject> mLayout;

    // Reads one layout holding one tab container and returns it.
    cTabContainer* ReadContainer(const QString& containerXml, cTestWidgetFactory& factory);
};

void tst_TabContainer::init()
{
    mApplication = std::make_unique<cTestApplication>();
    mConfig = std::make_unique<cMappingConfig>(mApplication.get());
    mLayout = std::make_unique<QObject>();
}

void tst_TabContainer::cleanup()
{
    mLayout.reset();
    mConfig.reset();
    mApplication.reset();
}

cTabContainer* tst_TabContainer::ReadContainer(const QString& containerXml, cTestWidgetFactory& factory)
{
    const QList<cWidget*> widgets
        = factory.ReadLayout(QStringLiteral("<Layout>%1</Layout>").arg(containerXml), *mConfig, mLayout.get());
    return widgets.count() == 1 ? qobject_cast<cTabContainer*>(widgets.first()) : nullptr;
}

void tst_TabContainer::defaults()
{
    cTabContainer container(9, nullptr, *mConfig);
    QAbstractItemModelTester tabsTester(container.tabs());
    QAbstractItemModelTester childrenTester(container.widgetChildren());

    QCOMPARE(container.Type(), QStringLiteral("tab_container"));
    QCOMPARE(container.property("type").toString(), QStringLiteral("tab_container"));
    QCOMPARE(container.property("isContainer").toBool(), true);
    QCOMPARE(container.tabs()->count(), 4);
    QCOMPARE(Names(container), QStringLiteral("1,2,3,4"));
    QCOMPARE(container.currentTabIndex(), 0);
    QCOMPARE(container.tabPosition(), QStringLiteral("top"));
    QCOMPARE(container.textFont(), cQuendleFonts::mDefaultFontCode);
    QCOMPARE(container.imageOnIdentifier(), QStringLiteral("_basic"));
    QCOMPARE(container.imageOffIdentifier(), QStringLiteral("_basic"));
    QCOMPARE(container.tabOnColour(), QStringLiteral("#ffffff"));
    QCOMPARE(container.tabOffColour(), QStringLiteral("#a9a9a9"));
    QCOMPARE(container.widgetChildren()->count(), 0);

    QStringList names;
    for (cProperty* property : container.AllProperties())
        names << property->name();
    QStringList visibleNames;
    for (cStringProperty* name : container.TabNameProperties()) {
        if (name->visible())
            visibleNames << name->stringValue();
    }
    QCOMPARE(names.mid(0, 8),
        (QStringList { "X", "Y", "Width", "Height", "Z", "Content Size Mode", "PixelAspect", "PositionLock" }));
    QCOMPARE(names.mid(8, 7),
        (QStringList { "Tab Position", "Font", "Colour Off", "Off Image", "Colour On", "On Image", "Number Of Tabs" }));
    QCOMPARE(names.mid(15),
        (QStringList { "Tab 1", "Tab 2", "Tab 3", "Tab 4", "Tab 5", "Tab 6", "Tab 7", "Tab 8", "Tab 9", "Tab 10" }));
    QCOMPARE(visibleNames, (QStringList { "1", "2", "3", "4" }));
}

void tst_TabContainer::tabCount_data()
{
    QTest::addColumn<QString>("numTabs");
    QTest::addColumn<int>("tabs");

    for (int n = 1; n <= 10; ++n)
        QTest::addRow("%d", n) << QString::number(n) << n;
    QTest::newRow("12") << "12" << 10;
    QTest::newRow("0") << "0" << 1;
    QTest::newRow("negative") << "-3" << 1;
    QTest::newRow("not a number") << "abc" << 1;
    QTest::newRow("huge") << "2147483647" << 10;
    QTest::newRow("beyond int") << "99999999999" << 1;
}

void tst_TabContainer::tabCount()
{
    QFETCH(QString, numTabs);
    QFETCH(int, tabs);

    cTestWidgetFactory factory;
    cTabContainer* container = ReadContainer(
        QStringLiteral(R"(<Widget id="1" type="tab_container" x="0" y="0" width="1" height="1" numTabs="%1"/>)")
            .arg(numTabs),
        factory);
    QVERIFY(container);
    QCOMPARE(container->tabs()->count(), tabs);
    int visibleNames = 0;
    for (cStringProperty* name : container->TabNameProperties())
        visibleNames += name->visible() ? 1 : 0;
    QCOMPARE(visibleNames, tabs);
    QStringList expectedNames;
    for (int i = 1; i <= tabs; ++i)
        expectedNames << QString::number(i);
    QCOMPARE(Names(*container), expectedNames.join(','));
}

void tst_TabContainer::tabCountChanges()
{
    cTabContainer container(1, nullptr, *mConfig);
    QAbstractItemModelTester tester(container.tabs());
    QSignalSpy count(container.tabs(), &QQmlObjectListModelBase::countChanged);
    QPointer<cTab> third = container.tabs()->at(2);

    container.NumberOfTabsProperty()->SetIntValue(2);
    QCOMPARE(container.tabs()->count(), 2);
    QCOMPARE(Names(container), QStringLiteral("1,2"));
    for (int i = 0; i < cTabContainer::kMaximumTabs; ++i)
        QCOMPARE(container.TabNameProperties().at(i)->visible(), i < 2);
    // The removed tab stays the container's until it goes.
    QVERIFY(!third.isNull());
    QCOMPARE(third->parent(), &container);

    container.NumberOfTabsProperty()->SetIntValue(5);
    QCOMPARE(Names(container), QStringLiteral("1,2,3,4,5"));
    QCOMPARE(container.tabs()->count(), 5);
    QVERIFY(count.count() > 0);
}

void tst_TabContainer::tabNames()
{
    cTestWidgetFactory factory;
    cTabContainer* container = ReadContainer(
        QStringLiteral(R"(<Widget id="1" type="tab_container" x="0" y="0" width="1" height="1" numTabs="3">)"
                       R"(<Tab tabName="Mains"/><Tab tabName=""/><Tab other="x"/></Widget>)"),
        factory);
    QVERIFY(container);
    QCOMPARE(Names(*container), QStringLiteral("Mains,,3"));

    cTab* second = container->tabs()->at(1);
    QSignalSpy renamed(second, &cTab::tabNameChanged);
    container->TabNameProperties().at(1)->setStringValue("Monitors");
    QCOMPARE(second->tabName(), QStringLiteral("Monitors"));
    QCOMPARE(renamed.count(), 1);
    second->SetTabName("Monitors");
    QCOMPARE(renamed.count(), 1);
    // A name set before its tab exists is taken when the tab is made.
    container->TabNameProperties().at(5)->setStringValue("Sixth");
    container->NumberOfTabsProperty()->SetIntValue(6);
    QCOMPARE(container->tabs()->at(5)->tabName(), QStringLiteral("Sixth"));
}

void tst_TabContainer::attributes_data()
{
    QTest::addColumn<QString>("attributes");
    QTest::addColumn<QString>("property");
    QTest::addColumn<QString>("value");

    // Row name, the attribute as written, the property it sets and the value read back.
    const char* const rows[][4] = {
        { "bottom", R"(tabPosition="bottom")", "tabPosition", "bottom" },
        { "top", R"(tabPosition="top")", "tabPosition", "top" },
        { "BOTTOM is not a code", R"(tabPosition="BOTTOM")", "tabPosition", "top" },
        { "label is not a code", R"(tabPosition="Bottom")", "tabPosition", "top" },
        { "font", R"(textFont="opensans")", "textFont", "opensans" },
        { "on image", R"(onImageResourceId="7")", "imageOnIdentifier", "mapped_7" },
        { "off image", R"(offImageResourceId="8")", "imageOffIdentifier", "mapped_8" },
        { "on colour", R"(tabOnColour="#102030")", "tabOnColour", "#102030" },
        { "off colour", R"(tabOffColour="red")", "tabOffColour", "#ff0000" },
        { "bad colour ignored", R"(tabOffColour="nocolour")", "tabOffColour", "#a9a9a9" },
        { "names are case-sensitive", R"(TabPosition="bottom")", "tabPosition", "top" },
    };
    for (const auto& row : rows)
        QTest::newRow(row[0]) << row[1] << row[2] << row[3];
}

void tst_TabContainer::attributes()
{
    QFETCH(QString, attributes);
    QFETCH(QString, property);
    QFETCH(QString, value);

    cTestWidgetFactory factory;
    cTabContainer* container
        = ReadContainer(QStringLiteral(R"(<Widget id="1" type="tab_container" x="0.1" y="0" width="1" height="1" %1/>)")
                            .arg(attributes),
            factory);
    QVERIFY(container);
    QCOMPARE(container->property(qPrintable(property)).toString(), value);
    // The base attributes are read too.
    QCOMPARE(container->xFraction(), 0.1f);
}

void tst_TabContainer::tabPositionOutOfRange()
{
    cTabContainer container(1, nullptr, *mConfig);
    QSignalSpy changed(&container, &cTabContainer::tabPositionChanged);
    container.TabPositionProperty()->setValue(1);
    QCOMPARE(container.tabPosition(), QStringLiteral("bottom"));
    container.TabPositionProperty()->setValue(5);
    QCOMPARE(container.tabPosition(), QStringLiteral("top"));
    container.TabPositionProperty()->setValue(-1);
    QCOMPARE(container.tabPosition(), QStringLiteral("top"));
    QCOMPARE(changed.count(), 3);
}

void tst_TabContainer::loadSubXml_data()
{
    QTest::addColumn<QString>("children");
    QTest::addColumn<int>("numTabs");
    QTest::addColumn<QString>("locations");
    QTest::addColumn<QString>("tabContents");
    QTest::addColumn<QString>("names");

    QTest::newRow("two tabs") << "<Tab tabName=\"A\">" + Widget(10) + Widget(11) + "</Tab><Tab tabName=\"B\">"
            + Widget(12) + "</Tab>"
                              << 2 << "10@0 11@0 12@1"
                              << "10,11|12"
                              << "A,B";
    QTest::newRow("other element shifts the tabs")
        << "<Note/><Tab tabName=\"A\">" + Widget(10) + "</Tab><Tab tabName=\"B\">" + Widget(11) + "</Tab>" << 3
        << "10@1 11@2"
        << "|10|11"
        << "1,A,B";
    QTest::newRow("non-widget inside a tab skipped")
        << "<Tab><Label><Widget id=\"20\" type=\"text\" width=\"1\" height=\"1\"/></Label>" + Widget(10) + "</Tab>" << 1
        << "10@0"
        << "10"
        << "1";
    QTest::newRow("refused children") << "<Tab>" + Widget(10) + Widget(10)
            + "<Widget id=\"11\" type=\"text\"/><Widget type=\"text\"/></Tab>"
                                      << 2 << "10@0"
                                      << "10|"
                                      << "1,2";
    QTest::newRow("tabs beyond the count not built")
        << "<Tab>" + Widget(10) + "</Tab><Tab>" + Widget(11) + "</Tab><Tab tabName=\"C\">" + Widget(12)
            + "<Tab><Widget id=\"13\" type=\"tab_container\" width=\"1\" height=\"1\"/></Tab></Tab>"
        << 2 << "10@0 11@1"
        << "10|11"
        << "1,2";
    QString eleven;
    for (int i = 0; i < 11; ++i)
        eleven += QStringLiteral("<Tab tabName=\"T%1\">%2</Tab>").arg(i + 1).arg(Widget(100 + i));
    QTest::newRow("eleven tabs") << eleven << 10 << "100@0 101@1 102@2 103@3 104@4 105@5 106@6 107@7 108@8 109@9"
                                 << "100|101|102|103|104|105|106|107|108|109"
                                 << "T1,T2,T3,T4,T5,T6,T7,T8,T9,T10";
    QString manyOthers;
    for (int i = 0; i < 12; ++i)
        manyOthers += QStringLiteral("<Note/>");
    QTest::newRow("tab after twelve other elements")
        << manyOthers + "<Tab tabName=\"Late\">" + Widget(10) + "</Tab>" << 10 << ""
        << "|||||||||"
        << "1,2,3,4,5,6,7,8,9,10";
    QTest::newRow("text and comments") << "text<!-- c --><Tab>" + Widget(10) + "</Tab>" << 1 << "10@0"
                                       << "10"
                                       << "1";
}

void tst_TabContainer::loadSubXml()
{
    QFETCH(QString, children);
    QFETCH(int, numTabs);
    QFETCH(QString, locations);
    QFETCH(QString, tabContents);
    QFETCH(QString, names);

    const QString document
        = QStringLiteral(R"(<Layout><Widget id="1" type="tab_container" x="0" y="0" width="1" height="1" )"
                         R"(numTabs="%1">%2</Widget><Widget id="2" type="after" width="1" height="1"/></Layout>)")
              .arg(numTabs)
              .arg(children);
    cTestWidgetFactory factory;
    const QList<cWidget*> widgets = factory.ReadLayout(document, *mConfig, mLayout.get());
    // The container's element was consumed whole: the next top-level widget is read.
    QCOMPARE(widgets.count(), 2);
    QCOMPARE(widgets.at(1)->Type(), QStringLiteral("after"));
    auto* container = qobject_cast<cTabContainer*>(widgets.first());
    QVERIFY(container);
    QCOMPARE(Locations(*container), locations);
    QCOMPARE(TabContents(*container), tabContents);
    QCOMPARE(Names(*container), names);
    // Only the widgets that sit on a tab were built; all are the layout's.
    QCOMPARE(factory.mBuilt, 2 + container->widgetChildren()->count());
    for (cWidget* child : container->widgetChildren()->toList())
        QCOMPARE(child->parent(), mLayout.get());
}

void tst_TabContainer::tabSelection()
{
    cTestWidgetFactory factory;
    cTabContainer* container
        = ReadContainer(QStringLiteral(R"(<Widget id="1" type="tab_container" width="1" height="1" numTabs="3">)"
                                       R"(<Tab>%1%2</Tab><Tab>%3</Tab><Tab>%4</Tab></Widget>)")
                            .arg(Widget(10), Widget(11), Widget(12), Widget(13)),
            factory);
    QVERIFY(container);
    const QList<cWidget*> children = container->widgetChildren()->toList();
    QCOMPARE(VisibleIds(children), QStringLiteral("10,11"));

    QSignalSpy current(container, &cTabContainer::currentTabIndexChanged);
    container->setCurrentTabIndex(0);
    QCOMPARE(current.count(), 0);
    QVERIFY(container->setProperty("currentTabIndex", 2));
    QCOMPARE(current.count(), 1);
    QCOMPARE(container->currentTabIndex(), 2);
    QCOMPARE(VisibleIds(children), QStringLiteral("13"));

    // An index with no tab shows nothing and breaks nothing.
    container->setCurrentTabIndex(7);
    QCOMPARE(VisibleIds(children), QString());
    container->setCurrentTabIndex(-1);
    QCOMPARE(VisibleIds(children), QString());
    container->setCurrentTabIndex(1);
    QCOMPARE(VisibleIds(children), QStringLiteral("12"));

    container->SetIsVisible(false);
    QCOMPARE(VisibleIds(children), QString());
    container->SetIsVisible(true);
    QCOMPARE(VisibleIds(children), QStringLiteral("12"));

    container->SetTabChildrenVisibility(0, true);
    QCOMPARE(VisibleIds(children), QStringLiteral("10,11,12"));
    container->SetTabChildrenVisibility(9, false);
}

void tst_TabContainer::nestedVisibility()
{
    cTestWidgetFactory factory;
    cTabContainer* outer
        = ReadContainer(QStringLiteral(R"(<Widget id="1" type="tab_container" width="1" height="1" numTabs="2">)"
                                       R"(<Tab>%1</Tab><Tab>)"
                                       R"(<Widget id="2" type="tab_container" width="1" height="1" numTabs="2">)"
                                       R"(<Tab>%2</Tab><Tab>%3</Tab></Widget></Tab></Widget>)")
                            .arg(Widget(10), Widget(20), Widget(21)),
            factory);
    QVERIFY(outer);
    QList<cWidget*> all;
    outer->GetAllChildren(all);
    QCOMPARE(all.count(), 4);
    auto* inner = qobject_cast<cTabContainer*>(all.at(1));
    QVERIFY(inner);
    QCOMPARE(inner->widgetId(), 2);
    QCOMPARE(outer->getContainerLocation(inner), 1);

    // The inner container sits on a hidden tab: none of its widgets show.
    QCOMPARE(VisibleIds(all), QStringLiteral("10"));
    inner->setCurrentTabIndex(1);
    QCOMPARE(VisibleIds(all), QStringLiteral("10"));
    outer->setCurrentTabIndex(1);
    QCOMPARE(VisibleIds(all), QStringLiteral("2,21"));
    inner->setCurrentTabIndex(0);
    QCOMPARE(VisibleIds(all), QStringLiteral("2,20"));
    outer->SetIsVisible(false);
    QCOMPARE(VisibleIds(all), QString());
    outer->SetIsVisible(true);
    QCOMPARE(VisibleIds(all), QStringLiteral("2,20"));
}

void tst_TabContainer::nestedOperations()
{
    cTestWidgetFactory factory;
    cTabContainer* outer = ReadContainer(
        QStringLiteral(R"(<Widget id="1" type="tab_container" width="1" height="1" numTabs="2" group="5">)"
                       R"(<Tab>%1</Tab><Tab>)"
                       R"(<Widget id="2" type="tab_container" width="1" height="1" group="8">)"
                       R"(<Tab>%2</Tab></Widget>%3</Tab></Widget>)")
            .arg(Widget(10, "group=\"6,7\""), Widget(20, "group=\"3\""), Widget(11)),
        factory);
    QVERIFY(outer);
    QList<cWidget*> all;
    outer->GetAllChildren(all);
    QStringList order;
    for (cWidget* widget : all)
        order << QString::number(widget->widgetId());
    QCOMPARE(order.join(','), QStringLiteral("10,2,11,20"));

    QCOMPARE(outer->MinimumLayoutGroup(), 3);
    outer->ShiftGroupIndices(10);
    QCOMPARE(outer->LayoutGroups(), QList<int> { 15 });
    QCOMPARE(all.at(0)->LayoutGroups(), (QList<int> { 16, 17 }));
    QCOMPARE(all.at(3)->LayoutGroups(), QList<int> { 13 });
    QCOMPARE(all.at(2)->LayoutGroups(), QList<int>());
    QCOMPARE(outer->MinimumLayoutGroup(), 13);

    all.at(3)->SetDisabled(true);
    outer->SetOnline();
    for (cWidget* widget : all)
        QVERIFY(widget->IsOnline());
    QSignalSpy disabled(all.at(3), &cWidget::disabledChanged);
    outer->SetOffline();
    QVERIFY(!outer->IsOnline());
    for (cWidget* widget : all)
        QVERIFY(!widget->IsOnline());
    QCOMPARE(disabled.count(), 1);
    QVERIFY(!all.at(3)->disabled());
}

void tst_TabContainer::childrenRemovedAndDestroyed()
{
    cTestWidgetFactory factory;
    cTabContainer* container
        = ReadContainer(QStringLiteral(R"(<Widget id="1" type="tab_container" width="1" height="1" numTabs="2">)"
                                       R"(<Tab>%1%2</Tab><Tab>%3</Tab></Widget>)")
                            .arg(Widget(10), Widget(11), Widget(12)),
            factory);
    QVERIFY(container);
    QAbstractItemModelTester tester(container->widgetChildren());
    const QList<cWidget*> children = container->widgetChildren()->toList();
    cWidget* stranger = new cUnknownWidget(99, mLayout.get(), "text");
    QCOMPARE(container->getContainerLocation(stranger), -1);
    container->RemoveContainerChild(stranger);
    QCOMPARE(container->widgetChildren()->count(), 3);

    container->RemoveContainerChild(children.at(0));
    QCOMPARE(Locations(*container), QStringLiteral("11@0 12@1"));
    QCOMPARE(TabContents(*container), QStringLiteral("11|12"));
    QCOMPARE(children.at(0)->parent(), mLayout.get());

    // A child that goes first leaves no trace in its container.
    delete children.at(2);
    QCOMPARE(Locations(*container), QStringLiteral("11@0"));
    QCOMPARE(TabContents(*container), QStringLiteral("11|"));
    container->setCurrentTabIndex(1);
    container->SetOnline();
    QVERIFY(children.at(1)->IsOnline());

    // Adding the same widget twice keeps one entry.
    container->AddContainerChild(children.at(1), 1);
    QCOMPARE(Locations(*container), QStringLiteral("11@0"));
    container->AddContainerChild(stranger, 5);
    QCOMPARE(container->getContainerLocation(stranger), 5);
    QVERIFY(!stranger->isVisible());
    QCOMPARE(TabContents(*container), QStringLiteral("11|"));
}

void tst_TabContainer::linkedItems()
{
    cTabContainer container(1, nullptr, *mConfig);
    cTab* tab = container.tabs()->at(1);
    auto* runnerItem = new QQuickItem;
    auto* editorItem = new QQuickItem;
    std::unique_ptr<QQuickItem> lastItem(new QQuickItem);
    tab->addLinkedContainerQuickItem(runnerItem, false);
    tab->addLinkedContainerQuickItem(editorItem, true);
    tab->addLinkedContainerQuickItem(lastItem.get(), false);
    tab->addLinkedContainerQuickItem(nullptr, false);
    QCOMPARE(container.LinkedContainerQuickItems(1), (QList<QQuickItem*> { editorItem, runnerItem, lastItem.get() }));
    QVERIFY(container.LinkedContainerQuickItems(0).isEmpty());
    QVERIFY(container.LinkedContainerQuickItems(4).isEmpty());
    QVERIFY(container.LinkedContainerQuickItems(-1).isEmpty());

    delete runnerItem;
    delete editorItem;
    QCOMPARE(container.LinkedContainerQuickItems(1), QList<QQuickItem*> { lastItem.get() });
}

QTEST_MAIN(tst_TabContainer)
#include "tst_tabcontainer.moc"
