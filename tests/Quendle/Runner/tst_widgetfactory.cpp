#include "Quendle/Runner/RunnerConfig.h"
#include "Quendle/Runner/WidgetFactory.h"
#include "Quendle/Widgets/Base/Container.h"
#include "tests/Quendle/Runner/RunnerTestApplication.h"
#include "tests/support/Connections.h"
#include "tests/support/TraceCapture.h"

#include <QtTest>

#include <memory>

namespace
{
const QString kCoordsError = QStringLiteral("ERROR: Error loading widget coords");
const QString kIdError = QStringLiteral("ERROR: Error loading widget id");
const QString kTypeError = QStringLiteral("ERROR: Error loading widget type");

struct sGeometry {
    float mX, mY, mWidth, mHeight;
};
} // namespace
Q_DECLARE_METATYPE(sGeometry)

class tst_WidgetFactory : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();
    void typeTable_data();
    void typeTable();
    void unknownKeys_data();
    void unknownKeys();
    void elements_data();
    void elements();
    void repeatedIds();
    void nesting_data();
    void nesting();

private:
    /// Runs the factory over the first element inside a wrapper and checks that the reader is left
    /// just before the sentinel sibling that follows it.
    cWidget* CreateFirst(const QByteArray& element, QSet<int>& ids, QObject* parent, bool& consumed);

    // Mixer-bound widgets create their drivers as they are made: they need the local registry.
    cLocalNetwork mNetwork { true };
    std::unique_ptr<cRunnerTestApplication> mApplication;
    std::unique_ptr<cRunnerConfig> mConfig;
};

void tst_WidgetFactory::initTestCase()
{
    mApplication = std::make_unique<cRunnerTestApplication>();
    mConfig = std::make_unique<cRunnerConfig>(nullptr, mApplication.get(), mApplication.get());
}

void tst_WidgetFactory::cleanupTestCase()
{
    mConfig.reset();
}

void tst_WidgetFactory::cleanup()
{
    cRunnerWidgetFactory::mDemoMode = false;
}

cWidget* tst_WidgetFactory::CreateFirst(const QByteArray& element, QSet<int>& ids, QObject* parent, bool& consumed)
{
    QXmlStreamReader reader("<Layout>" + element + "<Next/></Layout>");
    consumed = false;
    if (!reader.readNextStartElement() || !reader.readNextStartElement())
        return nullptr;
    const cRunnerWidgetFactory factory;
    cWidget* widget = factory.CreateFromXml(reader, ids, *mConfig, parent);
    consumed = reader.readNextStartElement() && reader.name() == QLatin1String("Next") && !reader.hasError();
    return widget;
}

void tst_WidgetFactory::typeTable_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("qmlFile");

    // The class each key makes in this build; keys whose class is still to come make the unknown
    // widget and keep their key.
    const char* const rows[][3] = {
        { "image", "cImageWidget", "GeneralImage" },
        { "tab_container", "cTabContainer", "TabContainer" },
        { "text", "cTextWidget", "TextWidget" },
        { "rect", "cRectangleWidget", "RectangleWidget" },
        { "datetime", "cDateTimeWidget", "DateTimeWidget" },
        { "zunet_button", "cZUNetButtonWidgetTarvo", "ZUNetButton" },
        { "vsp_zunet_button", "cZUNetButtonWidgetVespril", "ZUNetButton" },
        { "zunet_meter", "cUnknownWidget", "ZUNetMeter" },
        { "vsp_zunet_meter", "cUnknownWidget", "ZUNetMeter" },
        { "zunet_fader", "cZUNetFaderWidgetTarvo", "ZUNetFader" },
        { "vsp_zunet_fader", "cZUNetFaderWidgetVespril", "ZUNetFader" },
        { "zunet_grmeter", "cUnknownWidget", "ZUNetGRMeter" },
        { "vsp_zunet_grmeter", "cUnknownWidget", "ZUNetGRMeter" },
        { "zunet_chrom_meter", "cUnknownWidget", "ZUNetChromaticMeter" },
        { "vsp_zunet_chrom_meter", "cUnknownWidget", "ZUNetChromaticMeter" },
        { "zunet_source_sel", "cZUNetSourceSelectorWidgetTarvo", "ZUNetSourceSelector" },
        { "vsp_zunet_source_sel", "cZUNetSourceSelectorWidgetVespril", "ZUNetSourceSelector" },
        { "zunet_led", "cUnknownWidget", "ZUNetLEDIndicator" },
        { "zunet_panel_led", "cUnknownWidget", "ZUNetPanelLEDControl" },
        { "vsp_zunet_panel_led", "cUnknownWidget", "ZUNetPanelLEDControl" },
        { "vsp_zunet_led", "cUnknownWidget", "ZUNetLEDIndicator" },
        { "zunet_rotary", "cZUNetRotaryWidgetTarvo", "ZUNetRotary" },
        { "vsp_zunet_rotary", "cZUNetRotaryWidgetVespril", "ZUNetRotary" },
        { "zunet_text", "cUnknownWidget", "ZUNetTextWidget" },
        { "vsp_zunet_text", "cUnknownWidget", "ZUNetTextWidget" },
        { "vsp_zunet_rooms", "cUnknownWidget", "ZUNetRooms" },
    };
    for (const auto& row : rows)
        QTest::newRow(row[0]) << row[0] << row[1] << QStringLiteral("../Widgets/%1.qml").arg(QLatin1String(row[2]));
}

void tst_WidgetFactory::typeTable()
{
    QFETCH(QString, type);
    QFETCH(QString, className);
    QFETCH(QString, qmlFile);

    QObject parent;
    cWidget* widget = cRunnerWidgetFactory::CreateWidget(type, 7, *mConfig, &parent);
    QVERIFY(widget);
    QCOMPARE(QString::fromLatin1(widget->metaObject()->className()), className);
    QCOMPARE(widget->Type(), type);
    QCOMPARE(widget->property("type").toString(), type);
    QCOMPARE(widget->property("widgetId").toInt(), 7);
    QCOMPARE(widget->parent(), &parent);
    QCOMPARE(cRunnerWidgetFactory::QmlFilesByType().value(type), qmlFile);
    QCOMPARE(cRunnerWidgetFactory::QmlFilesByType().size(), 26);
    // The view the content page is given must exist in the resources, where its relative path leads
    // ("../Widgets/X.qml" from a page one folder down): a key whose class is still to come shows the
    // unknown widget's view, not its own missing one.
    const QString url = cRunnerWidgetFactory::QmlUrlForType(type);
    if (className == QLatin1String("cUnknownWidget"))
        QCOMPARE(url, cRunnerWidgetFactory::UnknownWidgetQmlUrl());
    else
        QCOMPARE(url, qmlFile);
    QVERIFY2(QFile::exists(QStringLiteral(":/Widgets/") + url.mid(int(qstrlen("../Widgets/")))), qPrintable(url));
}

void tst_WidgetFactory::unknownKeys_data()
{
    QTest::addColumn<QString>("type");
    QTest::newRow("empty") << QString();
    QTest::newRow("knob") << QStringLiteral("knob");
    QTest::newRow("keys are case-sensitive") << QStringLiteral("Image");
    QTest::newRow("trailing space") << QStringLiteral("rect ");
}

void tst_WidgetFactory::unknownKeys()
{
    QFETCH(QString, type);
    QCOMPARE(cRunnerWidgetFactory::QmlUrlForType(type), QStringLiteral("../Widgets/UnknownWidget.qml"));
    QVERIFY(QFile::exists(QStringLiteral(":/Widgets/UnknownWidget.qml")));
    QObject parent;
    cWidget* widget = cRunnerWidgetFactory::CreateWidget(type, 3, *mConfig, &parent);
    QCOMPARE(QString::fromLatin1(widget->metaObject()->className()), QStringLiteral("cUnknownWidget"));
    QCOMPARE(widget->Type(), type);
    // The unknown widget's own type string has no view either.
    QCOMPARE(cRunnerWidgetFactory::QmlUrlForType(widget->Type()), QStringLiteral("../Widgets/UnknownWidget.qml"));
}

void tst_WidgetFactory::elements_data()
{
    QTest::addColumn<QByteArray>("element");
    QTest::addColumn<bool>("created");
    QTest::addColumn<QString>("type");
    QTest::addColumn<sGeometry>("geometry");
    QTest::addColumn<QStringList>("traces");

    const QStringList none;
    const sGeometry unused { 0, 0, 0, 0 };
    auto widget = [](const char* type, const char* geometry) {
        return QByteArray("<Widget id=\"7\" type=\"") + type + "\" " + geometry + "/>";
    };

    QTest::newRow("plain") << widget("rect", "x=\"0.1\" y=\"0.2\" width=\"0.3\" height=\"0.4\"") << true << "rect"
                           << sGeometry { 0.1f, 0.2f, 0.3f, 0.4f } << none;
    QTest::newRow("type before id, more after")
        << QByteArray("<Widget type=\"rect\" id=\"7\" x=\"0\" y=\"0\" width=\"1\" height=\"1\" colour=\"#fff\"/>")
        << true << "rect" << sGeometry { 0, 0, 1, 1 } << none;
    QTest::newRow("unknown key keeps its key and geometry")
        << widget("knob", "x=\"0.5\" y=\"0.5\" width=\"0.25\" height=\"0.25\"") << true << "knob"
        << sGeometry { 0.5f, 0.5f, 0.25f, 0.25f } << none;
    QTest::newRow("unknown key with children")
        << QByteArray("<Widget id=\"7\" type=\"knob\" x=\"0\" y=\"0\" width=\"1\" height=\"1\"><Tab><Widget id=\"8\" "
                      "type=\"rect\" x=\"0\" y=\"0\" width=\"1\" height=\"1\"/></Tab><Other>text</Other></Widget>")
        << true << "knob" << sGeometry { 0, 0, 1, 1 } << none;
    QTest::newRow("no id") << QByteArray("<Widget type=\"rect\" x=\"0\" y=\"0\" width=\"1\" height=\"1\"><a/></Widget>")
                           << false << QString() << unused << QStringList { kIdError };
    QTest::newRow("empty type") << widget("", "x=\"0\" y=\"0\" width=\"1\" height=\"1\"") << false << QString()
                                << unused << QStringList { kTypeError };
    QTest::newRow("no type") << QByteArray("<Widget id=\"7\" x=\"0\" y=\"0\" width=\"1\" height=\"1\"/>") << false
                             << QString() << unused << QStringList { kTypeError };
    QTest::newRow("no size") << widget("rect", "x=\"0\" y=\"0\"") << false << QString() << unused
                             << QStringList { kCoordsError };
    QTest::newRow("negative width") << widget("rect", "x=\"0\" y=\"0\" width=\"-0.01\" height=\"1\"") << false
                                    << QString() << unused << QStringList { kCoordsError };
    QTest::newRow("negative height") << widget("rect", "x=\"0\" y=\"0\" width=\"1\" height=\"-1\"") << false
                                     << QString() << unused << QStringList { kCoordsError };
    QTest::newRow("nan width") << widget("rect", "x=\"0\" y=\"0\" width=\"nan\" height=\"1\"") << false << QString()
                               << unused << QStringList { kCoordsError };
    QTest::newRow("nan x") << widget("rect", "x=\"nan\" y=\"0\" width=\"1\" height=\"1\"") << false << QString()
                           << unused << QStringList { kCoordsError };
    QTest::newRow("infinite height") << widget("rect", "x=\"0\" y=\"0\" width=\"1\" height=\"inf\"") << false
                                     << QString() << unused << QStringList { kCoordsError };
    QTest::newRow("minus infinite y") << widget("rect", "x=\"0\" y=\"-inf\" width=\"1\" height=\"1\"") << false
                                      << QString() << unused << QStringList { kCoordsError };
    QTest::newRow("height beyond float range") << widget("rect", "x=\"0\" y=\"0\" width=\"1\" height=\"1e39\"") << false
                                               << QString() << unused << QStringList { kCoordsError };
    QTest::newRow("panel LED with nan x") << widget("zunet_panel_led", "x=\"nan\" y=\"0\" width=\"1\" height=\"1\"")
                                          << false << QString() << unused << QStringList { kCoordsError };
    QTest::newRow("zero width inside") << widget("rect", "x=\"0.5\" y=\"0\" width=\"0\" height=\"1\"") << true << "rect"
                                       << sGeometry { 0.5f, 0, 0, 1 } << none;
    QTest::newRow("zero width at left edge")
        << widget("rect", "x=\"0\" y=\"0\" width=\"0\" height=\"1\"") << false << QString() << unused << none;
    QTest::newRow("x at 1") << widget("rect", "x=\"1.0\" y=\"0\" width=\"0.1\" height=\"1\"") << false << QString()
                            << unused << none;
    QTest::newRow("y at 1") << widget("rect", "x=\"0\" y=\"1\" width=\"0.1\" height=\"0.1\"") << false << QString()
                            << unused << none;
    QTest::newRow("above the page") << widget("rect", "x=\"0\" y=\"-0.5\" width=\"0.1\" height=\"0.5\"") << false
                                    << QString() << unused << none;
    QTest::newRow("x just inside") << widget("rect", "x=\"0.999\" y=\"0\" width=\"0.1\" height=\"1\"") << true << "rect"
                                   << sGeometry { 0.999f, 0, 0.1f, 1 } << none;
    QTest::newRow("reaching in from the left") << widget("rect", "x=\"-0.5\" y=\"0\" width=\"0.6\" height=\"1\"")
                                               << true << "rect" << sGeometry { -0.5f, 0, 0.6f, 1 } << none;
    QTest::newRow("panel LED off the page")
        << widget("zunet_panel_led", "x=\"2.0\" y=\"0\" width=\"0.1\" height=\"0.1\"") << true << "zunet_panel_led"
        << sGeometry { 2, 0, 0.1f, 0.1f } << none;
    QTest::newRow("second family panel LED off the page")
        << widget("vsp_zunet_panel_led", "x=\"0\" y=\"-3\" width=\"0.1\" height=\"0.1\"") << true
        << "vsp_zunet_panel_led" << sGeometry { 0, -3, 0.1f, 0.1f } << none;
    QTest::newRow("image off the page") << widget("image", "x=\"2.0\" y=\"0\" width=\"0.1\" height=\"0.1\"") << false
                                        << QString() << unused << none;
    QTest::newRow("number that is a word reads as 0") << widget("rect", "x=\"left\" y=\"0\" width=\"0.5\" height=\"1\"")
                                                      << true << "rect" << sGeometry { 0, 0, 0.5f, 1 } << none;
    QTest::newRow("refused container with nested tabs")
        << QByteArray("<Widget id=\"7\" type=\"tab_container\" x=\"3\" y=\"0\" width=\"1\" height=\"1\">"
                      "<Tab tabName=\"a\"><Widget id=\"8\" type=\"tab_container\" x=\"0\" y=\"0\" width=\"1\" "
                      "height=\"1\"><Tab><Widget id=\"9\" type=\"rect\" x=\"0\" y=\"0\" width=\"1\" height=\"1\"/>"
                      "</Tab></Widget></Tab><Tab tabName=\"b\"/></Widget>")
        << false << QString() << unused << none;
    QTest::newRow("refused for its size with children")
        << QByteArray("<Widget id=\"7\" type=\"tab_container\" x=\"0\" y=\"0\" width=\"-1\" height=\"1\">"
                      "<Tab><Widget id=\"8\" type=\"rect\"/></Tab>text<!-- note --></Widget>")
        << false << QString() << unused << QStringList { kCoordsError };
}

void tst_WidgetFactory::elements()
{
    QFETCH(QByteArray, element);
    QFETCH(bool, created);
    QFETCH(QString, type);
    QFETCH(sGeometry, geometry);
    QFETCH(QStringList, traces);

    cTraceCapture trace;
    QObject parent;
    QSet<int> ids;
    bool consumed = false;
    cWidget* widget = CreateFirst(element, ids, &parent, consumed);
    QVERIFY2(consumed, "the next sibling must follow the element");
    QCOMPARE(trace.Lines(), traces);
    QCOMPARE(widget != nullptr, created);
    // Refused widgets are deleted, not left on the parent.
    QCOMPARE(parent.findChildren<cWidget*>(QString(), Qt::FindDirectChildrenOnly).size(), created ? 1 : 0);
    if (!widget)
        return;
    QCOMPARE(widget->parent(), &parent);
    QCOMPARE(widget->Type(), type);
    QCOMPARE(widget->property("widgetId").toInt(), 7);
    QCOMPARE(widget->xFraction(), geometry.mX);
    QCOMPARE(widget->yFraction(), geometry.mY);
    QCOMPARE(widget->widthFraction(), geometry.mWidth);
    QCOMPARE(widget->heightFraction(), geometry.mHeight);
    QVERIFY(ids.contains(7));
}

void tst_WidgetFactory::repeatedIds()
{
    cTraceCapture trace;
    QObject parent;
    QSet<int> ids;
    bool consumed = false;

    // The first id 7 is refused for its geometry; the id stays taken in this layout.
    QVERIFY(!CreateFirst(
        "<Widget id=\"7\" type=\"rect\" x=\"5\" y=\"0\" width=\"1\" height=\"1\"/>", ids, &parent, consumed));
    QVERIFY(consumed);
    QVERIFY(ids.contains(7));
    const QByteArray good = "<Widget id=\"7\" type=\"rect\" x=\"0\" y=\"0\" width=\"1\" height=\"1\"><x/></Widget>";
    QVERIFY(!CreateFirst(good, ids, &parent, consumed));
    QVERIFY(consumed);
    QVERIFY(trace.Lines().isEmpty());

    // Another layout starts a fresh set.
    QSet<int> otherLayout;
    QVERIFY(CreateFirst(good, otherLayout, &parent, consumed));
    QVERIFY(consumed);
    QVERIFY(CreateFirst(
        "<Widget id=\"8\" type=\"rect\" x=\"0\" y=\"0\" width=\"1\" height=\"1\"/>", otherLayout, &parent, consumed));
    QCOMPARE(otherLayout, (QSet<int> { 7, 8 }));
}

void tst_WidgetFactory::nesting_data()
{
    QTest::addColumn<int>("levels");
    QTest::addColumn<int>("created");
    QTest::addColumn<QStringList>("traces");

    const int most = cRunnerWidgetFactory::kMaxNesting;
    const QStringList tooDeep { QStringLiteral("ERROR: Widgets nested too deeply") };
    QTest::newRow("deepest allowed") << most << most << QStringList();
    QTest::newRow("one level deeper") << most + 1 << most << tooDeep;
    // Far beyond any stack: refused at the limit, the rest skipped without recursion.
    QTest::newRow("twenty thousand levels") << 20000 << most << tooDeep;
}

void tst_WidgetFactory::nesting()
{
    QFETCH(int, levels);
    QFETCH(int, created);
    QFETCH(QStringList, traces);

    // Tab containers inside each other, a rectangle innermost.
    QByteArray element;
    for (int level = 1; level < levels; ++level)
        element += "<Widget id=\"" + QByteArray::number(level)
            + "\" type=\"tab_container\" x=\"0\" y=\"0\" width=\"1\" height=\"1\" numTabs=\"1\"><Tab>";
    element
        += "<Widget id=\"" + QByteArray::number(levels) + "\" type=\"rect\" x=\"0\" y=\"0\" width=\"1\" height=\"1\"/>";
    for (int level = 1; level < levels; ++level)
        element += "</Tab></Widget>";

    cTraceCapture trace;
    QObject parent;
    QSet<int> ids;
    bool consumed = false;
    auto* top = qobject_cast<cContainer*>(CreateFirst(element, ids, &parent, consumed));
    QVERIFY(consumed);
    QVERIFY(top);
    QList<cWidget*> children;
    top->GetAllChildren(children);
    QCOMPARE(children.size() + 1, created);
    QCOMPARE(trace.Lines(), traces);
}

QTEST_MAIN(tst_WidgetFactory)
#include "tst_widgetfactory.moc"
