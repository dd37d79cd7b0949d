#include "Quendle/AppCommon/ConfigUnit.h"
#include "Quendle/AppCommon/ConnectionUnit.h"
#include "Quendle/AppCommon/ImageResource.h"
#include "Quendle/Global/ConfigFilter.h"
#include "Quendle/Runner/RunnerConfig.h"
#include "Quendle/Runner/WidgetFactory.h"
#include "Quendle/Widgets/Base/TabContainer.h"
#include "tests/Quendle/Runner/RunnerTestApplication.h"
#include "tests/Quendle/Widgets/Control/MixerTestLeaves.h"
#include "tests/support/Connections.h"
#include "tests/support/HexData.h"
#include "tests/support/TraceCapture.h"

#include <QBuffer>
#include <QtTest>

#include <memory>

namespace
{
const QString kInvalidData = QStringLiteral("Config data is invalid");
const QString kNoVersion = QStringLiteral("Failed to read version");
const QString kInvalidVersion = QStringLiteral("Config data file contains an invalid version");
const QString kTooManyWidgets = QStringLiteral("Config data has more than 5000 widgets, more than this app shows");

/// A level leaf that counts its name requests: every pass that finds it on line asks again.
class cCountingLevelWidget : public cTestLevelWidget
{
public:
    using cTestLevelWidget::cTestLevelWidget;
    void SetOnline() override
    {
        ++mNameRequests;
        cTestLevelWidget::SetOnline();
    }
    int mNameRequests = 0;
};

/// One widget as a test expects it: what the list shows of it.
struct sWidgetRow {
    int mId;
    QString mType;
    float mX, mY, mWidth, mHeight;
};

QString Describe(const cWidget* widget)
{
    return QStringLiteral("%1:%2@%3,%4,%5,%6")
        .arg(widget->property("widgetId").toInt())
        .arg(widget->Type())
        .arg(double(widget->xFraction()))
        .arg(double(widget->yFraction()))
        .arg(double(widget->widthFraction()))
        .arg(double(widget->heightFraction()));
}

QStringList Describe(const cRunnerLayout* layout)
{
    QStringList list;
    for (const cWidget* widget : layout->widgets()->toList())
        list << Describe(widget);
    return list;
}

QByteArray ReadData(const QString& name)
{
    QFile file(TestDataPath(QStringLiteral("config/") + name));
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

/// `count` small rectangles with ids from `firstId` on.
QByteArray Rectangles(int count, int firstId = 1)
{
    QByteArray text;
    for (int id = firstId; id < firstId + count; ++id)
        text += "<Widget id=\"" + QByteArray::number(id)
            + "\" type=\"rect\" x=\"0\" y=\"0\" width=\"0.1\" height=\"0.1\"/>";
    return text;
}

/// A tab container with `count` rectangles on its one tab, ids from 2 on.
QByteArray TabOfRectangles(int count)
{
    return "<Widget id=\"1\" type=\"tab_container\" x=\"0\" y=\"0\" width=\"1\" height=\"1\" numTabs=\"1\"><Tab>"
        + Rectangles(count, 2) + "</Tab></Widget>";
}

/// A whole document around `body`, which goes after the units.
QByteArray Document(const QByteArray& body, const QByteArray& root = "QuendleConfig version=\"1.3.1\"")
{
    return "<?xml version=\"1.0\"?><" + root + "><Units><Unit id=\"1\" nameOrIpAddress=\"10.77.0.1\" type=\"tarvo\" "
        + "primaryUnit=\"1\"/></Units>" + body + "</" + root.left(root.indexOf(' ')) + ">";
}
} // namespace

class tst_RunnerConfig : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void wholeConfiguration();
    void filteredForEachDevice_data();
    void filteredForEachDevice();
    void demoFileFromResources();
    void nestedTabs();
    void layoutAttributes_data();
    void layoutAttributes();
    void versions_data();
    void versions();
    void refusedDocuments_data();
    void refusedDocuments();
    void refusedDocumentKeepsResourcesHeldBefore();
    void widgetsUpToTheBound_data();
    void widgetsUpToTheBound();
    void idsRepeatAcrossLayoutsOnly();
    void resourcesHeld();
    void resetEmptiesListBeforeDeleting();
    void unitsBroughtOnLine_data();
    void unitsBroughtOnLine();
    void widgetsFollowTheirUnits();
    void namesAskedOncePerReconnect_data();
    void namesAskedOncePerReconnect();

private:
    bool Read(const QByteArray& document);

    cLocalNetwork mNetwork { true };
    std::unique_ptr<cRunnerTestApplication> mApplication;
    std::unique_ptr<cRunnerConfig> mConfig;
};

void tst_RunnerConfig::init()
{
    mApplication = std::make_unique<cRunnerTestApplication>();
    mConfig = std::make_unique<cRunnerConfig>(nullptr, mApplication.get(), mApplication.get());
    mApplication->mImages = mConfig.get();
}

void tst_RunnerConfig::cleanup()
{
    mConfig.reset();
    mApplication.reset();
    cRunnerWidgetFactory::mDemoMode = false;
}

bool tst_RunnerConfig::Read(const QByteArray& document)
{
    QBuffer buffer;
    buffer.setData(document);
    buffer.open(QIODevice::ReadOnly);
    return mConfig->ReadXml(buffer);
}

void tst_RunnerConfig::wholeConfiguration()
{
    QFile file(TestDataPath(QStringLiteral("config/layouts.xml")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    cTraceCapture trace;
    QVERIFY(mConfig->ReadXml(file));
    QCOMPARE(mConfig->ErrorText(), QString());
    QCOMPARE(mConfig->version(), QStringLiteral("1.3.1"));
    QCOMPARE(mConfig->units()->count(), 3);
    QCOMPARE(mConfig->resources()->count(), 2);

    const QList<cRunnerLayout*> layouts = mConfig->layouts()->toList();
    QCOMPARE(layouts.size(), 5);

    const cRunnerLayout* wide = layouts.at(0);
    QCOMPARE(wide->orientation(), 2);
    QCOMPARE(wide->fixedAspectRatio(), true);
    QCOMPARE(wide->aspectRatio(), 16.0f / 9.0f);
    // Off the page (13) and an id already used inside the tabs (5) are left out; the panel LED is
    // kept wherever it lies; the note is not a widget.
    QCOMPARE(Describe(wide),
        (QStringList { "1:image@0,0,0.25,0.2", "2:text@0.25,0,0.5,0.1", "3:rect@0,0.9,1,0.1",
            "4:tab_container@0,0.2,0.5,0.7", "11:zunet_meter@0.5,0.2,0.1,0.7", "12:zunet_panel_led@2,2,0.1,0.1" }));
    QCOMPARE(const_cast<cRunnerLayout*>(wide)->getTotalNumWidgets(), 12);
    const QList<cWidget*> top = wide->widgets()->toList();
    QCOMPARE(top.at(0)->z(), 0.5f);
    QCOMPARE(top.at(1)->positionLocked(), true);
    QCOMPARE(top.at(2)->pixelAspect(), 0.5625f);
    QCOMPARE(top.at(0)->property("imageIdentifier").toString(), QStringLiteral("20"));
    QCOMPARE(top.at(1)->property("text").toString(), QStringLiteral("Band"));
    QCOMPARE(top.at(2)->property("colour").toString(), QStringLiteral("#336699"));
    auto* tabs = qobject_cast<cTabContainer*>(top.at(3));
    QVERIFY(tabs);
    QCOMPARE(tabs->tabs()->count(), 3);
    QCOMPARE(tabs->tabPosition(), QStringLiteral("bottom"));
    QStringList tabNames;
    for (cTab* tab : tabs->tabs()->toList())
        tabNames << tab->tabName();
    QCOMPARE(tabNames, (QStringList { "Inputs", "Scenes", "Clock" }));
    QStringList children;
    for (cWidget* child : tabs->widgetChildren()->toList())
        children << Describe(child) + QStringLiteral(" tab %1").arg(tabs->getContainerLocation(child));
    QCOMPARE(children,
        (QStringList { "5:zunet_fader@0,0.1,0.2,0.9 tab 0", "6:zunet_fader@0.2,0.1,0.2,0.9 tab 0",
            "7:tab_container@0,0.1,1,0.9 tab 1", "10:datetime@0,0.1,1,0.3 tab 2" }));
    for (cWidget* widget : top)
        QCOMPARE(widget->parent(), wide);

    const cRunnerLayout* tall = layouts.at(1);
    QCOMPARE(tall->orientation(), 1);
    QCOMPARE(tall->fixedAspectRatio(), false);
    QCOMPARE(tall->aspectRatio(), 1.0f);
    QCOMPARE(Describe(tall), (QStringList { "1:rect@0,0,1,0.5", "2:zunet_rotary@0,0.5,0.5,0.5" }));

    QCOMPARE(Describe(layouts.at(2)), (QStringList { "1:zunet_button@0,0,1,0.5" }));
    QCOMPARE(Describe(layouts.at(3)), (QStringList { "1:vsp_zunet_led@0,0,0.5,0.5", "2:image@0.5,0,0.5,0.5" }));
    QCOMPARE(layouts.at(4)->widgets()->count(), 0);
    QCOMPARE(layouts.at(4)->orientation(), 0);
    for (cRunnerLayout* layout : layouts)
        QCOMPARE(layout->parent(), mConfig.get());
    QCOMPARE(trace.Lines(), QStringList());
}

void tst_RunnerConfig::filteredForEachDevice_data()
{
    QTest::addColumn<int>("deviceType");
    QTest::addColumn<QList<int>>("orientations");
    QTest::addColumn<QList<int>>("widgetCounts");

    // A desktop takes the first layout for it; other devices take layouts until both orientations
    // are served.
    QTest::newRow("desktop") << 0 << QList<int> { 2 } << QList<int> { 6 };
    QTest::newRow("phone") << 1 << QList<int> { 1, 2 } << QList<int> { 1, 2 };
    QTest::newRow("tablet") << 2 << QList<int> { 2, 0 } << QList<int> { 6, 0 };
}

void tst_RunnerConfig::filteredForEachDevice()
{
    QFETCH(int, deviceType);
    QFETCH(QList<int>, orientations);
    QFETCH(QList<int>, widgetCounts);

    // What the unit sends this device, read as the runner reads a download.
    QFile stored(TestDataPath(QStringLiteral("config/layouts.xml")));
    QVERIFY(stored.open(QIODevice::ReadOnly));
    Quendle::sRunnerFilter runner;
    runner.mDeviceType = UBYTE(deviceType);
    const Quendle::cConfigFilter filter;
    const Quendle::sRunnerConfigPlan plan = filter.PlanRunnerConfig(stored, runner);
    QByteArray sent;
    QVERIFY(Quendle::cConfigFilter::Assemble(stored, plan, sent));
    QVERIFY(Read(sent));

    QList<int> readOrientations;
    QList<int> readCounts;
    for (const cRunnerLayout* layout : mConfig->layouts()->toList()) {
        readOrientations << layout->orientation();
        readCounts << layout->widgets()->count();
    }
    QCOMPARE(readOrientations, orientations);
    QCOMPARE(readCounts, widgetCounts);
    QCOMPARE(mConfig->units()->count(), 3);
}

void tst_RunnerConfig::demoFileFromResources()
{
    QFile file(QStringLiteral(":/config/demo.xml"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    cRunnerWidgetFactory::mDemoMode = true;
    QVERIFY(mConfig->ReadXml(file));
    // A `TembrelConfig` root is not checked against this application's version.
    QCOMPARE(mConfig->version(), QStringLiteral("9.9.9"));
    QCOMPARE(mConfig->configVersionIsNewer(), false);
    QCOMPARE(mConfig->layouts()->count(), 1);
    cRunnerLayout* layout = mConfig->layouts()->at(0);
    QCOMPARE(Describe(layout), (QStringList { "1:zunet_meter@0,0,0.2,1", "2:tab_container@0.2,0,0.8,1" }));
    QCOMPARE(layout->getTotalNumWidgets(), 4);
}

void tst_RunnerConfig::nestedTabs()
{
    QFile file(TestDataPath(QStringLiteral("config/nested-tabs.xml")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    cTraceCapture trace;
    QVERIFY(mConfig->ReadXml(file));
    QCOMPARE(mConfig->version(), QStringLiteral("1.3.1"));
    QCOMPARE(mConfig->layouts()->count(), 1);
    cRunnerLayout* layout = mConfig->layouts()->at(0);
    QCOMPARE(layout->orientation(), 1);
    QCOMPARE(layout->aspectRatio(), 9.0f / 16.0f);
    QCOMPARE(Describe(layout), (QStringList { "1:tab_container@0,0,1,1", "7:datetime@0.999,0.999,0,0.1" }));

    auto* outer = qobject_cast<cTabContainer*>(layout->widgets()->at(0));
    QVERIFY(outer);
    // The second tab's id 3 is taken inside the inner container; the third tab is beyond the tab count.
    QCOMPARE(outer->widgetChildren()->count(), 1);
    auto* inner = qobject_cast<cTabContainer*>(outer->widgetChildren()->at(0));
    QVERIFY(inner);
    QCOMPARE(outer->getContainerLocation(inner), 0);
    QCOMPARE(inner->tabs()->count(), 10);
    QStringList innerChildren;
    for (cWidget* child : inner->widgetChildren()->toList())
        innerChildren << Describe(child) + QStringLiteral(" tab %1").arg(inner->getContainerLocation(child));
    // The element between the tabs counts as a tab position.
    QCOMPARE(innerChildren,
        (QStringList {
            "3:rect@-0.5,0,0.6,1 tab 0", "4:vsp_zunet_panel_led@3,3,0.1,0.1 tab 0", "5:knob@0,0,1,1 tab 2" }));
    // Children belong to the layout, not to their container.
    for (cWidget* child : inner->widgetChildren()->toList())
        QCOMPARE(child->parent(), layout);
    QCOMPARE(layout->getTotalNumWidgets(), 6);
    QCOMPARE(trace.Lines(), QStringList());
}

void tst_RunnerConfig::layoutAttributes_data()
{
    QTest::addColumn<QByteArray>("attributes");
    QTest::addColumn<int>("orientation");
    QTest::addColumn<bool>("fixed");
    QTest::addColumn<float>("ratio");

    QTest::newRow("none") << QByteArray() << 0 << false << 1.0f;
    QTest::newRow("sixteen by nine") << QByteArray("aspectRatio1=\"16\" aspectRatio2=\"9\"") << 0 << false
                                     << 16.0f / 9.0f;
    QTest::newRow("numerator only") << QByteArray("aspectRatio1=\"3\"") << 0 << false << 3.0f;
    QTest::newRow("fixed 2 is true") << QByteArray("fixedAspectRatio=\"2\"") << 0 << true << 1.0f;
    QTest::newRow("fixed as a word is false") << QByteArray("fixedAspectRatio=\"yes\"") << 0 << false << 1.0f;
    QTest::newRow("orientation as a word is any") << QByteArray("orientation=\"portrait\"") << 0 << false << 1.0f;
    QTest::newRow("names are case-sensitive")
        << QByteArray("Orientation=\"1\" ASPECTRATIO1=\"2\"") << 0 << false << 1.0f;
    QTest::newRow("zero denominator ignored")
        << QByteArray("aspectRatio1=\"16\" aspectRatio2=\"0\"") << 0 << false << 1.0f;
    QTest::newRow("zero numerator ignored")
        << QByteArray("aspectRatio1=\"0\" aspectRatio2=\"9\"") << 0 << false << 1.0f;
    QTest::newRow("negative term ignored")
        << QByteArray("aspectRatio1=\"-16\" aspectRatio2=\"9\"") << 0 << false << 1.0f;
    QTest::newRow("both negative ignored")
        << QByteArray("aspectRatio1=\"-4\" aspectRatio2=\"-3\"") << 0 << false << 1.0f;
    QTest::newRow("word denominator reads 0, ignored")
        << QByteArray("aspectRatio1=\"4\" aspectRatio2=\"x\"") << 0 << false << 1.0f;
}

void tst_RunnerConfig::layoutAttributes()
{
    QFETCH(QByteArray, attributes);
    QFETCH(int, orientation);
    QFETCH(bool, fixed);
    QFETCH(float, ratio);

    QVERIFY(Read(Document("<Layouts><Layout " + attributes + "/></Layouts>")));
    QCOMPARE(mConfig->layouts()->count(), 1);
    const cRunnerLayout* layout = mConfig->layouts()->at(0);
    QCOMPARE(layout->orientation(), orientation);
    QCOMPARE(layout->fixedAspectRatio(), fixed);
    QCOMPARE(layout->aspectRatio(), ratio);
}

void tst_RunnerConfig::versions_data()
{
    QTest::addColumn<QByteArray>("root");
    QTest::addColumn<QString>("version");
    QTest::addColumn<bool>("newer");

    QTest::newRow("same release") << QByteArray("QuendleConfig version=\"1.3.1\"") << "1.3.1" << false;
    QTest::newRow("app version wins") << QByteArray("QuendleConfig appVersion=\"1.2.0\" version=\"1.3.1\"") << "1.2.0"
                                      << false;
    QTest::newRow("newer, validated") << QByteArray("QuendleConfig version=\"9.0.0\"") << "9.0.0" << true;
    QTest::newRow("newer, not validated") << QByteArray("TembrelConfig version=\"9.0.0\"") << "9.0.0" << false;
    QTest::newRow("not a version, not validated") << QByteArray("TembrelConfig version=\"draft\"") << "draft" << false;
}

void tst_RunnerConfig::versions()
{
    QFETCH(QByteArray, root);
    QFETCH(QString, version);
    QFETCH(bool, newer);

    QSignalSpy changed(mConfig.get(), &cConfigBase::versionStringChanged);
    QVERIFY(Read(Document("<Layouts><Layout/></Layouts>", root)));
    QCOMPARE(mConfig->version(), version);
    QCOMPARE(mConfig->configVersionIsNewer(), newer);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(mConfig->layouts()->count(), 1);

    // Told again even when the text stays the same.
    QVERIFY(Read(Document("<Layouts><Layout/></Layouts>", root)));
    QCOMPARE(changed.count(), 2);
}

void tst_RunnerConfig::refusedDocuments_data()
{
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QStringList>("traces");

    const QStringList none;
    const QByteArray whole = ReadData(QStringLiteral("layouts.xml"));
    const QByteArray layouts = "<Layouts><Layout><Widget id=\"1\" type=\"rect\" x=\"0\" y=\"0\" width=\"1\" "
                               "height=\"1\"/></Layout>";

    QTest::newRow("empty") << QByteArray() << kInvalidData << none;
    QTest::newRow("text, no element") << QByteArray("just text") << kInvalidData << none;
    QTest::newRow("declaration only") << QByteArray("<?xml version=\"1.0\"?>") << kInvalidData << none;
    QTest::newRow("other root") << QByteArray("<Config version=\"1.3.1\"/>") << kInvalidData << none;
    QTest::newRow("controller root refused")
        << QByteArray("<MelvarControllerConfig version=\"1.3.1\"><Layouts/></MelvarControllerConfig>") << kInvalidData
        << none;
    QTest::newRow("root name case") << QByteArray("<quendleconfig version=\"1.3.1\"/>") << kInvalidData << none;
    QTest::newRow("no version") << QByteArray("<QuendleConfig><Layouts/></QuendleConfig>") << kNoVersion
                                << QStringList { "ERROR: Error reading version" };
    QTest::newRow("app version only") << QByteArray("<TembrelConfig appVersion=\"1.3.1\"/>") << kNoVersion
                                      << QStringList { "ERROR: Error reading version" };
    QTest::newRow("version name case") << QByteArray("<QuendleConfig Version=\"1.3.1\"/>") << kNoVersion
                                       << QStringList { "ERROR: Error reading version" };
    QTest::newRow("invalid version") << QByteArray("<QuendleConfig version=\"one\"/>") << kInvalidVersion << none;
    QTest::newRow("invalid app version") << QByteArray("<QuendleConfig version=\"1.3.1\" appVersion=\"1.x\"/>")
                                         << kInvalidVersion << none;
    QTest::newRow("truncated in a widget")
        << whole.left(whole.indexOf("<Widget id=\"11\"") + 30) << kInvalidData << none;
    QTest::newRow("truncated between layouts")
        << whole.left(whole.indexOf("<Layout name=\"Desk tall\"")) << kInvalidData << none;
    QTest::newRow("truncated in the resources")
        << whole.left(whole.indexOf("<Resource id=\"21\"") + 60) << kInvalidData << none;
    QTest::newRow("root never closed") << whole.left(whole.lastIndexOf("</QuendleConfig>")) << kInvalidData << none;
    QTest::newRow("mismatched end tag")
        << Document(layouts + "</Layout></Layouts>").replace("</Layout></Layouts></Layout>", "</Layouts></Layout>")
        << kInvalidData << none;
    QTest::newRow("unclosed tab") << Document("<Layouts><Layout><Widget id=\"1\" type=\"tab_container\" x=\"0\" "
                                              "y=\"0\" width=\"1\" height=\"1\"><Tab></Widget></Layout></Layouts>")
                                  << kInvalidData << none;
    QTest::newRow("attribute without quotes")
        << Document("<Layouts><Layout orientation=1/></Layouts>") << kInvalidData << none;
    QTest::newRow("repeated attribute") << Document("<Layouts><Layout><Widget id=\"1\" id=\"2\"/></Layout></Layouts>")
                                        << kInvalidData << none;
    QTest::newRow("undefined entity") << Document("<Layouts><Layout name=\"&nope;\"/></Layouts>") << kInvalidData
                                      << none;
    QTest::newRow("control character") << Document(QByteArray("<Layouts><Layout name=\"a\x01\"/></Layouts>"))
                                       << kInvalidData << none;
    QTest::newRow("second root") << Document("<Layouts><Layout/></Layouts>") + "<QuendleConfig version=\"1.3.1\"/>"
                                 << kInvalidData << none;
    QTest::newRow("text after the root") << Document("<Layouts><Layout/></Layouts>") + "trailing" << kInvalidData
                                         << none;
    QTest::newRow("not UTF-8") << Document("<Layouts><Layout name=\"\xff\xfe\"/></Layouts>") << kInvalidData << none;

    // One widget too many, wherever it lies.
    const int bound = cRunnerConfig::kMaxWidgets;
    QTest::newRow("one widget too many") << Document(
        "<Layouts><Layout>" + Rectangles(bound + 1) + "</Layout></Layouts>")
                                         << kTooManyWidgets << none;
    QTest::newRow("one too many on a tab")
        << Document("<Layouts><Layout>" + TabOfRectangles(bound) + "</Layout></Layouts>") << kTooManyWidgets << none;
    QTest::newRow("one too many over two layouts") << Document("<Layouts><Layout>" + Rectangles(bound / 2)
        + "</Layout><Layout>" + Rectangles(bound / 2 + 1) + "</Layout></Layouts>")
                                                   << kTooManyWidgets << none;
    // Refused as it is counted: what follows is never read, here a document gone bad.
    QTest::newRow("refused where counted")
        << Document("<Layouts><Layout>" + Rectangles(bound + 1) + "<Widget id=\"x\"></Layout></Layouts>")
        << kTooManyWidgets << none;
}

void tst_RunnerConfig::refusedDocuments()
{
    QFETCH(QByteArray, document);
    QFETCH(QString, error);
    QFETCH(QStringList, traces);

    // A good configuration first: nothing of it may survive a refused read either.
    QVERIFY(Read(Document("<Layouts><Layout/><Layout/></Layouts>")));
    QCOMPARE(mConfig->layouts()->count(), 2);

    cTraceCapture trace;
    QSignalSpy layoutsCount(mConfig->layouts(), &QQmlObjectListModelBase::countChanged);
    QVERIFY(!Read(document));
    QCOMPARE(mConfig->ErrorText(), error);
    QCOMPARE(trace.Lines(), traces);
    QCOMPARE(mConfig->layouts()->count(), 0);
    QCOMPARE(mConfig->units()->count(), 0);
    QCOMPARE(mConfig->resources()->count(), 0);
    QCOMPARE(mConfig->version(), QString());
    QCOMPARE(mConfig->configVersionIsNewer(), false);

    // The next good read starts clean.
    QVERIFY(Read(Document("<Layouts><Layout/></Layouts>")));
    QCOMPARE(mConfig->ErrorText(), QString());
    QCOMPARE(mConfig->layouts()->count(), 1);
}

void tst_RunnerConfig::widgetsUpToTheBound_data()
{
    QTest::addColumn<QByteArray>("layouts");
    QTest::addColumn<int>("widgets");

    const int bound = cRunnerConfig::kMaxWidgets;
    QTest::newRow("one layout") << "<Layout>" + Rectangles(bound) + "</Layout>" << bound;
    QTest::newRow("on a tab") << "<Layout>" + TabOfRectangles(bound - 1) + "</Layout>" << bound;
    QTest::newRow("over two layouts") << "<Layout>" + Rectangles(bound / 2) + "</Layout><Layout>"
            + Rectangles(bound / 2)
            + "</Layout>" << bound;
    // Refused widgets are counted too: reading them costs as much.
    QTest::newRow("with a refused one") << "<Layout>" + Rectangles(bound - 1) + "<Widget type=\"rect\"/></Layout>"
                                        << bound - 1;
}

void tst_RunnerConfig::widgetsUpToTheBound()
{
    QFETCH(QByteArray, layouts);
    QFETCH(int, widgets);
    QVERIFY(Read(Document("<Layouts>" + layouts + "</Layouts>")));
    QCOMPARE(mConfig->ErrorText(), QString());
    int read = 0;
    for (cRunnerLayout* layout : mConfig->layouts()->toList())
        read += layout->getTotalNumWidgets();
    QCOMPARE(read, widgets);
}

void tst_RunnerConfig::refusedDocumentKeepsResourcesHeldBefore()
{
    const QByteArray whole = ReadData(QStringLiteral("layouts.xml"));
    QVERIFY(Read(whole));
    QCOMPARE(mConfig->GetResourcesHeld(), (std::set<int> { 20, 21 }));

    // An incremental download that adds a resource and then breaks off: what it added goes, what
    // was held stays.
    QByteArray broken = whole;
    broken.replace("<Resource id=\"21\"",
        "<Resource id=\"22\" type=\"image\" name=\"green\" subtype=\"png\">"
            + whole.mid(whole.indexOf("iVBOR"), whole.indexOf("</Resource>") - whole.indexOf("iVBOR"))
            + "</Resource><Resource id=\"21\"");
    broken = broken.left(broken.indexOf("</Resources>"));
    QVERIFY(!Read(broken));
    QCOMPARE(mConfig->ErrorText(), kInvalidData);
    QCOMPARE(mConfig->GetResourcesHeld(), (std::set<int> { 20, 21 }));
    QCOMPARE(mConfig->layouts()->count(), 0);

    // The same file whole is read again.
    broken = whole;
    QVERIFY(Read(whole));
    QCOMPARE(mConfig->layouts()->count(), 5);
}

void tst_RunnerConfig::idsRepeatAcrossLayoutsOnly()
{
    const QByteArray widget = "<Widget id=\"4\" type=\"rect\" x=\"0\" y=\"0\" width=\"1\" height=\"1\"/>";
    QVERIFY(Read(Document("<Layouts><Layout>" + widget + widget + "</Layout></Layouts><Layouts><Layout>" + widget
        + "</Layout></Layouts>")));
    // Two `Layouts` elements: all layouts, in document order.
    QCOMPARE(mConfig->layouts()->count(), 2);
    QCOMPARE(mConfig->layouts()->at(0)->widgets()->count(), 1);
    QCOMPARE(mConfig->layouts()->at(1)->widgets()->count(), 1);
}

void tst_RunnerConfig::resourcesHeld()
{
    for (const char* id : { "3", "3", "three" })
        mConfig->InsertNewResource(
            new cImageResource(mConfig.get(), QLatin1String(id), QStringLiteral("r"), QImage(), QByteArray(),
                QStringLiteral("png"), cResource::CustomGroupName(), QStringList(), false, QColor(), mConfig.get()));
    QCOMPARE(mConfig->GetResourcesHeld(), (std::set<int> { 0, 3 }));
}

void tst_RunnerConfig::resetEmptiesListBeforeDeleting()
{
    QVERIFY(Read(ReadData(QStringLiteral("layouts.xml"))));
    QList<QPointer<cRunnerLayout>> layouts;
    for (cRunnerLayout* layout : mConfig->layouts()->toList())
        layouts << layout;
    int aliveWhenEmptied = -1;
    connect(mConfig->layouts(), &QQmlObjectListModelBase::countChanged, this, [&] {
        if (mConfig->layouts()->count() == 0)
            aliveWhenEmptied = int(std::count_if(layouts.begin(), layouts.end(), [](auto& p) { return !p.isNull(); }));
    });
    mConfig->Reset(false);
    QCOMPARE(aliveWhenEmptied, 5);
    for (const QPointer<cRunnerLayout>& layout : layouts)
        QVERIFY(layout.isNull());
    QCOMPARE(mConfig->units()->count(), 0);
    QCOMPARE(mConfig->resources()->count(), 2);
    mConfig->Reset(true);
    QCOMPARE(mConfig->resources()->count(), 0);
}

void tst_RunnerConfig::unitsBroughtOnLine_data()
{
    QTest::addColumn<QString>("primaryAddress");
    QTest::addColumn<QStringList>("connected");
    QTest::addColumn<QStringList>("servedByPrimary");

    // Unit 1 is the configuration's record of the primary, unit 2 is at 127.0.0.2, unit 3 at
    // 127.0.0.3 and unit 4 a name no finder resolves.
    QTest::newRow("signed in at unit 2's address")
        << "127.0.0.2" << QStringList { "127.0.0.2", "127.0.0.3", "mixer-far" } << QStringList { "1", "2" };
    QTest::newRow("signed in at an address no unit has")
        << "127.0.0.9" << QStringList { "127.0.0.2", "127.0.0.3", "127.0.0.9", "mixer-far" } << QStringList { "1" };
    // Two addresses that cannot be found are not the same unit: unit 4 keeps its own connection.
    QTest::newRow("signed in by a name no finder resolves")
        << "mixer-near" << QStringList { "127.0.0.2", "127.0.0.3", "mixer-far", "mixer-near" } << QStringList { "1" };
}

void tst_RunnerConfig::unitsBroughtOnLine()
{
    QFETCH(QString, primaryAddress);
    QFETCH(QStringList, connected);
    QFETCH(QStringList, servedByPrimary);

    QVERIFY(Read("<QuendleConfig version=\"1.3.1\"><Units>"
                 "<Unit id=\"1\" nameOrIpAddress=\"10.77.0.1\" type=\"tarvo\" primaryUnit=\"1\"/>"
                 "<Unit id=\"2\" nameOrIpAddress=\"127.0.0.2\" type=\"corvo32\" primaryUnit=\"0\"/>"
                 "<Unit id=\"3\" nameOrIpAddress=\"127.0.0.3\" type=\"corvo16\" primaryUnit=\"0\"/>"
                 "<Unit id=\"4\" nameOrIpAddress=\"mixer-far\" type=\"tarvo\" primaryUnit=\"0\"/>"
                 "</Units><Layouts><Layout/></Layouts></QuendleConfig>"));
    cConnectionUnit primary(nullptr, primaryAddress, QStringLiteral("tarvo"), mConfig.get());
    mApplication->mPrimary = &primary;

    cConfigConnectionInterface* connections = mConfig->ConnectionInterface();
    QCOMPARE(mConfig->connectionInterface(), connections);
    mConfig->setOnline();
    QVERIFY(mConfig->IsOnline());
    QStringList names;
    for (cConnectionUnit* unit : connections->Units()->toList())
        names << unit->NameOrIpAddress();
    names.sort();
    QCOMPARE(names, connected);
    QVERIFY(connections->Units()->contains(&primary));

    // Once per off-line period.
    mConfig->setOnline();
    QCOMPARE(connections->Units()->count(), connected.size());

    for (int id = 1; id <= 4; ++id) {
        cConnectionUnit* unit = mConfig->GetUnit(id);
        QVERIFY(unit);
        if (servedByPrimary.contains(QString::number(id))) {
            QCOMPARE(unit, &primary);
        } else {
            QVERIFY(unit != &primary);
            QCOMPARE(qobject_cast<cConfigUnit*>(unit)->unitId(), id);
        }
    }
    QCOMPARE(mConfig->GetUnit(99), nullptr);

    // Without a signed-in unit every record stands for itself, the primary's record for nobody.
    mApplication->mPrimary = nullptr;
    QCOMPARE(mConfig->GetUnit(1), nullptr);
    QCOMPARE(qobject_cast<cConfigUnit*>(mConfig->GetUnit(2))->unitId(), 2);
    mApplication->mPrimary = &primary;

    mConfig->SetOffline();
    QVERIFY(!mConfig->IsOnline());
    for (cConfigUnit* unit : mConfig->units()->toList())
        QVERIFY(!unit->connected());
    mConfig->Reset(true);
    QCOMPARE(connections->Units()->count(), 0);
    mApplication->mPrimary = nullptr;
}

void tst_RunnerConfig::widgetsFollowTheirUnits()
{
    QVERIFY(Read("<QuendleConfig version=\"1.3.1\"><Units>"
                 "<Unit id=\"1\" nameOrIpAddress=\"10.77.0.1\" type=\"tarvo\" primaryUnit=\"1\"/>"
                 "<Unit id=\"2\" nameOrIpAddress=\"127.0.0.2\" type=\"tarvo\" primaryUnit=\"0\"/>"
                 "<Unit id=\"3\" nameOrIpAddress=\"127.0.0.3\" type=\"tarvo\" primaryUnit=\"0\"/>"
                 "</Units></QuendleConfig>"));
    auto* unit2 = qobject_cast<cConfigUnit*>(mConfig->GetUnit(2));
    auto* unit3 = qobject_cast<cConfigUnit*>(mConfig->GetUnit(3));
    QVERIFY(unit2 && unit3);

    // A page with a widget of unit 2 on top, one of unit 3 inside a tab container, and one whose
    // unit the configuration does not have.
    auto* layout = new cRunnerLayout(mConfig.get());
    mConfig->layouts()->append(layout);
    auto* top = new cTestControlWidget(1, layout, *mConfig);
    top->Init();
    top->SetCurrentUnitId(2);
    auto* tabs = new cTabContainer(2, layout, *mConfig);
    auto* nested = new cTestControlWidget(3, layout, *mConfig);
    nested->Init();
    nested->SetCurrentUnitId(3);
    tabs->AddContainerChild(nested, 0);
    auto* orphan = new cTestControlWidget(4, layout, *mConfig);
    orphan->Init();
    orphan->SetCurrentUnitId(7);
    layout->AddWidget(top);
    layout->AddWidget(tabs);
    layout->AddWidget(orphan);

    QList<cZUNetWidget*> found;
    layout->GetAllZUNetWidgets(found);
    QCOMPARE(found, (QList<cZUNetWidget*> { top, nested, orphan }));
    QCOMPARE(layout->getTotalNumWidgets(), 4);

    auto states = [&] {
        QStringList list;
        for (cZUNetWidget* widget : found)
            list << QStringLiteral("%1%2").arg(widget->IsOnline() ? "on" : "off").arg(widget->disabled() ? "/x" : "");
        return list;
    };

    // No signed-in unit: nothing is touched.
    mConfig->SetLayoutsOnline();
    QCOMPARE(states(), (QStringList { "off", "off", "off" }));

    cConnectionUnit primary(nullptr, QStringLiteral("127.0.0.9"), QStringLiteral("tarvo"), mConfig.get());
    mApplication->mPrimary = &primary;
    mConfig->SetLayoutsOnline();
    QCOMPARE(states(), (QStringList { "off/x", "off/x", "off/x" }));

    unit2->SetConnected(true);
    unit2->SetAuthenticated(true);
    unit3->SetConnected(true); // connected, not yet signed in
    mConfig->SetLayoutsOnline();
    // On line, and shown disabled until the unit names its objects.
    QCOMPARE(states(), (QStringList { "on/x", "off/x", "off/x" }));

    // The interface tells of each unit that comes or goes, the last one included.
    unit3->SetAuthenticated(true);
    Q_EMIT mConfig->ConnectionInterface()->UnitUpChanged(unit3, true);
    QCOMPARE(states(), (QStringList { "on/x", "on/x", "off/x" }));
    unit2->SetAuthenticated(false);
    unit3->SetConnected(false);
    Q_EMIT mConfig->ConnectionInterface()->UnitUpChanged(unit3, false);
    QCOMPARE(states(), (QStringList { "off/x", "off/x", "off/x" }));

    // An old single-unit configuration binds every widget to its one unit.
    layout->SetUnitForAllZUNetWidgets(3);
    for (cZUNetWidget* widget : found)
        QCOMPARE(widget->CurrentUnitId(), 3);

    mConfig->Reset(true);
    mApplication->mPrimary = nullptr;
}

void tst_RunnerConfig::namesAskedOncePerReconnect_data()
{
    QTest::addColumn<QStringList>("reports");
    // What the interface emits when a unit signs in again, and later while another is retried.
    QTest::newRow("unit, then all units") << QStringList { "unit", "all" };
    QTest::newRow("unit, then some units, retried") << QStringList { "unit", "some", "some", "some" };
    QTest::newRow("all units first") << QStringList { "all", "unit", "some" };
}

// Each pass over the layouts has every widget on line ask its unit for its names again, so one
// reconnect reported by several signals, or a retry of another unit, must not pass again.
void tst_RunnerConfig::namesAskedOncePerReconnect()
{
    QFETCH(QStringList, reports);
    QVERIFY(Read("<QuendleConfig version=\"1.3.1\"><Units>"
                 "<Unit id=\"1\" nameOrIpAddress=\"10.77.0.1\" type=\"tarvo\" primaryUnit=\"1\"/>"
                 "<Unit id=\"2\" nameOrIpAddress=\"127.0.0.2\" type=\"tarvo\" primaryUnit=\"0\"/>"
                 "<Unit id=\"3\" nameOrIpAddress=\"127.0.0.3\" type=\"tarvo\" primaryUnit=\"0\"/>"
                 "</Units></QuendleConfig>"));
    auto* unit2 = qobject_cast<cConfigUnit*>(mConfig->GetUnit(2));
    QVERIFY(unit2);
    auto* layout = new cRunnerLayout(mConfig.get());
    mConfig->layouts()->append(layout);
    QList<cCountingLevelWidget*> widgets;
    for (int id = 1; id <= 3; ++id) {
        auto* widget = new cCountingLevelWidget(id, layout, *mConfig);
        widget->Init();
        widget->SetCurrentUnitId(2);
        layout->AddWidget(widget);
        widgets << widget;
    }
    cConnectionUnit primary(nullptr, QStringLiteral("127.0.0.9"), QStringLiteral("tarvo"), mConfig.get());
    mApplication->mPrimary = &primary;
    cConfigConnectionInterface* connections = mConfig->ConnectionInterface();
    auto report = [&](const QString& what, bool up) {
        if (what == QLatin1String("unit"))
            Q_EMIT connections->UnitUpChanged(unit2, up);
        else if (what == QLatin1String("all"))
            Q_EMIT connections->allUnitsConnectedAndAuthenticatedChanged();
        else
            Q_EMIT connections->someUnitsConnectedAndAuthenticatedChanged();
    };
    auto requests = [&] {
        QList<int> counts;
        for (const cCountingLevelWidget* widget : widgets)
            counts << widget->mNameRequests;
        return counts;
    };

    for (int round = 1; round <= 2; ++round) {
        unit2->SetConnected(true);
        unit2->SetAuthenticated(true);
        for (const QString& what : reports)
            report(what, true);
        QCOMPARE(requests(), (QList<int> { round, round, round }));
        for (cCountingLevelWidget* widget : widgets)
            QVERIFY(widget->IsOnline());

        // Lost: off line, with no request.
        unit2->SetAuthenticated(false);
        unit2->SetConnected(false);
        report(QStringLiteral("unit"), false);
        report(QStringLiteral("some"), false);
        QCOMPARE(requests(), (QList<int> { round, round, round }));
        for (cCountingLevelWidget* widget : widgets)
            QVERIFY(!widget->IsOnline());
    }

    // A direct pass still asks again.
    unit2->SetConnected(true);
    unit2->SetAuthenticated(true);
    mConfig->SetLayoutsOnline();
    QCOMPARE(requests(), (QList<int> { 3, 3, 3 }));
    mConfig->Reset(true);
    mApplication->mPrimary = nullptr;
}

QTEST_MAIN(tst_RunnerConfig)
#include "tst_runnerconfig.moc"
