#include "Quendle/Global/ConfigFilter.h"
#include "Quendle/Global/ConfigManagerProtocol.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <tuple>
#include <vector>

using namespace Quendle;

namespace
{

const QByteArray kHead = "<?xml version=\"1.0\"?>\n"
                         "<Cfg>\n"
                         "    <Units>\n"
                         "        <Unit id=\"1\" nameOrIpAddress=\"mixer-a\" password=\"QUJD\"/>\n"
                         "        <Unit id=\"2\" nameOrIpAddress=\"mixer-b\" password=\"QUJD\"/>\n"
                         "    </Units>\n";
const QByteArray kHeadSent
    = "<?xml version=\"1.0\"?>\n"
      "<Cfg>\n"
      "    <Units>\n"
      "        <Unit id=\"1\" nameOrIpAddress=\"mixer-a\"  unitFinderIpAddress=\"10.77.0.5\" />\n"
      "        <Unit id=\"2\" nameOrIpAddress=\"mixer-b\" />\n"
      "    </Units>\n";
const QByteArray kDesk = "        <Layout allUsers=\"1\" desktop=\"1\" allScenes=\"1\">\n"
                         "            <Widget id=\"1\" imageResourceId=\"7\"/>\n"
                         "            <Widget id=\"2\" imageResourceId=\"7\" onResourceId=\"8\"/>\n"
                         "        </Layout>\n";
const QByteArray kDesk2 = "        <Layout allUsers=\"1\" desktop=\"1\" allScenes=\"1\"/>\n";
const QByteArray kPortrait = "        <Layout allUsers=\"1\" phone=\"1\" orientation=\"1\" scenes=\"3-5\">\n"
                             "            <Widget id=\"1\" offResourceId=\"9\"/>\n"
                             "        </Layout>\n";
const QByteArray kLandscape = "        <Layout users=\"Alice,Bob\" phone=\"1\" orientation=\"2\" allScenes=\"1\"/>\n";
const QByteArray kR7 = "        <Resource id=\"7\" data=\"SEVWRU4=\"/>\n";
const QByteArray kR8 = "        <Resource id=\"8\" data=\"RUlHSFQ=\"/>\n";
const QByteArray kR9 = "        <Resource id=\"9\" data=\"TklORQ==\"/>\n";
const QByteArray kLayoutsOpen = "    <Layouts>\n";
const QByteArray kLayoutsClose = "    </Layouts>\n";
const QByteArray kResourcesOpen = "    <Resources>\n";
const QByteArray kResourcesClose = "    </Resources>\n";

/// The editor's layout: units, four layouts (desk 0, portrait 1, desk 2, landscape 3), resources 8, 7, 9.
const QByteArray kEditorDocument = kHead + kLayoutsOpen + kDesk + kPortrait + kDesk2 + kLandscape + kLayoutsClose
    + kResourcesOpen + kR8 + kR7 + kR9 + kResourcesClose + "</Cfg>\n";

cConfigFilter Filter()
{
    return cConfigFilter([] {
        return QMap<QString, QString> { { QStringLiteral("mixer-a"), QStringLiteral("10.77.0.5") } };
    });
}

sRunnerFilter Runner(int deviceType, const QString& user, int scene = 0, const QString& sceneName = QString())
{
    sRunnerFilter runner;
    runner.mDeviceType = UBYTE(deviceType);
    runner.mUserName = user.toStdString();
    runner.mSceneNumber = UWORD(scene);
    runner.mSceneName = sceneName;
    return runner;
}

} // namespace

class tst_ConfigFilter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void documents_data();
    void documents();
    void fileAndBufferAgree();
    void filePlannedAgainAndReplaced();
    void passwordsStripped_data();
    void passwordsStripped();
    void sceneInSceneString_data();
    void sceneInSceneString();
    void layoutMatch_data();
    void layoutMatch();
};

void tst_ConfigFilter::documents_data()
{
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<int>("deviceType");
    QTest::addColumn<QString>("user");
    QTest::addColumn<int>("scene");
    QTest::addColumn<QList<int>>("held");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<QList<int>>("layouts");
    QTest::addColumn<bool>("rootFound");

    const QByteArray resourcesEnd = kResourcesClose + "</Cfg>";
    QTest::newRow("desktop: first match, its resources once, in file order")
        << kEditorDocument << int(Desktop) << "Carol" << 0 << QList<int> {}
        << kHeadSent + kLayoutsOpen + kDesk + kLayoutsClose + kResourcesOpen + kR8 + kR7 + resourcesEnd
        << QList<int> { 0 } << true;
    QTest::newRow("desktop: held resources left out")
        << kEditorDocument << int(Desktop) << "Carol" << 0 << QList<int> { 8, 7 }
        << kHeadSent + kLayoutsOpen + kDesk + kLayoutsClose + kResourcesOpen + resourcesEnd << QList<int> { 0 } << true;
    QTest::newRow("phone in scene 4: portrait and landscape")
        << kEditorDocument << int(Phone) << "Bob" << 4 << QList<int> {}
        << kHeadSent + kLayoutsOpen + kPortrait + kLandscape + kLayoutsClose + kResourcesOpen + kR9 + resourcesEnd
        << QList<int> { 1, 3 } << true;
    QTest::newRow("phone, user not listed, scene 5: the file's own closing line")
        << kEditorDocument << int(Phone) << "bob" << 5 << QList<int> {}
        << kHeadSent + kLayoutsOpen + kLayoutsClose + kResourcesOpen + resourcesEnd << QList<int> {} << true;
    QTest::newRow("tablet: nothing matches")
        << kEditorDocument << int(Tablet) << "Bob" << 4 << QList<int> {}
        << kHeadSent + kLayoutsOpen + kLayoutsClose + kResourcesOpen + resourcesEnd << QList<int> {} << true;

    const QByteArray emptyLayouts = kHead + "    <Layouts/>\n" + kResourcesOpen + kR7 + kResourcesClose + "</Cfg>\n";
    QTest::newRow("empty Layouts element")
        << emptyLayouts << int(Desktop) << "Bob" << 0 << QList<int> {}
        << kHeadSent + "    <Layouts/>\n" + kResourcesOpen + resourcesEnd << QList<int> {} << true;
    const QByteArray noLayouts = kHead + "</Cfg>\n";
    QTest::newRow("no Layouts element: the head is all there is")
        << noLayouts << int(Desktop) << "Bob" << 0 << QList<int> {}
        << kHeadSent + "</Cfg>\n" + kResourcesOpen + resourcesEnd << QList<int> {} << true;
    const QByteArray resourceFirst
        = "<Cfg>\n" + kResourcesOpen + kR7 + kResourcesClose + kLayoutsOpen + kDesk + kLayoutsClose + "</Cfg>\n";
    QTest::newRow("a resource before Layouts is not found")
        << resourceFirst << int(Desktop) << "Bob" << 0 << QList<int> {}
        << "<Cfg>\n" + kResourcesOpen + kR7 + kResourcesClose + kLayoutsOpen + kDesk + kLayoutsClose + kResourcesOpen
            + resourcesEnd
        << QList<int> { 0 } << true;
    const QByteArray cutShort = "<Cfg>\n" + kLayoutsOpen
        + "        <Layout allUsers=\"1\" desktop=\"1\" allScenes=\"1\">\n"
        + "            <Widget id=\"1\" imageResourceId=\"7\"/>\n" + kR7.left(kR7.size() - 1);
    QTest::newRow("file ends inside a layout")
        << cutShort << int(Desktop) << "Bob" << 0 << QList<int> {}
        << "<Cfg>\n" + kLayoutsOpen + "        <Layout allUsers=\"1\" desktop=\"1\" allScenes=\"1\">\n"
            + "            <Widget id=\"1\" imageResourceId=\"7\"/>\n" + kR7.left(kR7.size() - 1) + kLayoutsClose
            + kResourcesOpen + resourcesEnd
        << QList<int> { 0 } << true;
    const QByteArray lastLineOpen
        = "<Cfg>\n" + kLayoutsOpen + kDesk + kLayoutsClose + kResourcesOpen + kR8 + kR7.left(kR7.size() - 1);
    QTest::newRow("last resource without a line end") << lastLineOpen << int(Desktop) << "Bob" << 0 << QList<int> {}
                                                      << "<Cfg>\n" + kLayoutsOpen + kDesk + kLayoutsClose
            + kResourcesOpen + kR8 + kR7.left(kR7.size() - 1) + resourcesEnd
                                                      << QList<int> { 0 } << true;
    QTest::newRow("no element at all: empty closing tag")
        << QByteArray("just text\n") << int(Desktop) << "Bob" << 0 << QList<int> {}
        << "just text\n" + kResourcesOpen + kResourcesClose + "</>" << QList<int> {} << false;
    QTest::newRow("empty document") << QByteArray() << int(Desktop) << "Bob" << 0 << QList<int> {}
                                    << kResourcesOpen + kResourcesClose + "</>" << QList<int> {} << false;
    const QByteArray strayLines
        = "<Cfg>\n" + kLayoutsOpen + "        <!-- note -->\n" + kDesk2 + kLayoutsClose + "</Cfg>\n";
    QTest::newRow("lines outside layouts are dropped, not counted")
        << strayLines << int(Phone) << "Bob" << 0 << QList<int> {}
        << "<Cfg>\n" + kLayoutsOpen + kLayoutsClose + kResourcesOpen + resourcesEnd << QList<int> {} << true;
}

void tst_ConfigFilter::documents()
{
    QFETCH(QByteArray, document);
    QFETCH(int, deviceType);
    QFETCH(QString, user);
    QFETCH(int, scene);
    QFETCH(QList<int>, held);
    QFETCH(QByteArray, expected);
    QFETCH(QList<int>, layouts);
    QFETCH(bool, rootFound);

    QBuffer buffer(&document);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    sRunnerFilter runner = Runner(deviceType, user, scene);
    runner.mResourceIdsHeld = std::set<int>(held.begin(), held.end());
    const cConfigFilter filter = Filter();
    const sRunnerConfigPlan plan = filter.PlanRunnerConfig(buffer, runner);
    QByteArray sent;
    QVERIFY(cConfigFilter::Assemble(buffer, plan, sent));
    QCOMPARE(sent, expected);
    QCOMPARE(plan.Size(), qint64(sent.size()));
    QCOMPARE(plan.mTopLevelTagFound, rootFound);
    QCOMPARE(QList<int>(plan.mLayoutIndices.begin(), plan.mLayoutIndices.end()), layouts);
    const std::list<int> matching = filter.MatchingLayoutIndices(buffer, runner);
    QCOMPARE(QList<int>(matching.begin(), matching.end()), layouts);
}

void tst_ConfigFilter::fileAndBufferAgree()
{
    // A file is scanned through its mapping, a buffer through its array: the same plan either way.
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("config.xml")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(kEditorDocument);
    file.close();
    QVERIFY(file.open(QIODevice::ReadOnly));
    QByteArray document = kEditorDocument;
    QBuffer buffer(&document);
    QVERIFY(buffer.open(QIODevice::ReadOnly));

    const cConfigFilter filter = Filter();
    const sRunnerConfigPlan fromFile = filter.PlanRunnerConfig(file, Runner(Phone, "Bob", 4));
    const sRunnerConfigPlan fromBuffer = filter.PlanRunnerConfig(buffer, Runner(Phone, "Bob", 4));
    QCOMPARE(fromFile.mMiddle, fromBuffer.mMiddle);
    QCOMPARE(fromFile.mResourcePositions, fromBuffer.mResourcePositions);
    QCOMPARE(fromFile.mResourceLengths, fromBuffer.mResourceLengths);
    QCOMPARE(fromFile.mTail, fromBuffer.mTail);
    QCOMPARE(fromFile.mResourcePositions.size(), 1);
}

// A unit plans the same file for runner after runner and keeps where its resource lines lie;
// each plan is the one a fresh filter makes of the same bytes, also after the file is replaced
// by another of the same size or written over with more.
void tst_ConfigFilter::filePlannedAgainAndReplaced()
{
    const QByteArray reordered = kHead + kLayoutsOpen + kDesk + kPortrait + kDesk2 + kLandscape + kLayoutsClose
        + kResourcesOpen + kR9 + kR8 + kR7 + kResourcesClose + "</Cfg>\n";
    QCOMPARE(reordered.size(), kEditorDocument.size());
    const QByteArray longer = kHead + kLayoutsOpen + kDesk + kPortrait + kLandscape + kLayoutsClose + kResourcesOpen
        + kR7 + kR9 + kR8 + kR7 + kResourcesClose + "</Cfg>\n";
    sRunnerFilter holdsEight = Runner(Desktop, "Carol");
    holdsEight.mResourceIdsHeld = { 8 };
    enum eWrite { Same, Renamed, Overwritten };
    const std::vector<std::tuple<eWrite, QByteArray, sRunnerFilter>> steps {
        { Overwritten, kEditorDocument, Runner(Phone, "Bob", 4) },
        { Same, kEditorDocument, Runner(Phone, "Bob", 4) },
        { Same, kEditorDocument, Runner(Desktop, "Carol") },
        { Same, kEditorDocument, holdsEight },
        { Renamed, reordered, Runner(Desktop, "Carol") },
        { Same, reordered, Runner(Phone, "Bob", 4) },
        { Overwritten, longer, Runner(Desktop, "Carol") },
        { Same, longer, Runner(Phone, "Bob", 4) },
    };
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("config.xml"));
    const cConfigFilter filter = Filter();
    int step = 0;
    for (const auto& [write, document, runner] : steps) {
        if (write != Same) {
            QFile out(write == Renamed ? path + QStringLiteral("_tmp") : path);
            QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
            QCOMPARE(out.write(document), qint64(document.size()));
            out.close();
            if (write == Renamed)
                QVERIFY(std::rename(QFile::encodeName(out.fileName()).constData(), QFile::encodeName(path).constData())
                    == 0);
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QByteArray bytes = document;
        QBuffer buffer(&bytes);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        const sRunnerConfigPlan planned = filter.PlanRunnerConfig(file, runner);
        const sRunnerConfigPlan fresh = Filter().PlanRunnerConfig(buffer, runner);
        QByteArray sent;
        QByteArray expected;
        QVERIFY(cConfigFilter::Assemble(file, planned, sent));
        QVERIFY(cConfigFilter::Assemble(buffer, fresh, expected));
        QVERIFY2(sent == expected, qPrintable(QStringLiteral("step %1").arg(step)));
        QCOMPARE(planned.mResourcePositions, fresh.mResourcePositions);
        ++step;
    }
}

void tst_ConfigFilter::passwordsStripped_data()
{
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<QByteArray>("expected");
    const QByteArray found = " unitFinderIpAddress=\"10.77.0.5\" ";
    QTest::newRow("editor's order, unit found")
        << QByteArray(
               "<Unit id=\"1\" nameOrIpAddress=\"mixer-a\" type=\"tarvo\" password=\"QUJD\" primaryUnit=\"1\"/>\n")
        << "<Unit id=\"1\" nameOrIpAddress=\"mixer-a\" type=\"tarvo\" " + found + " primaryUnit=\"1\"/>\n";
    QTest::newRow("editor's order, unit not found")
        << QByteArray("<Unit id=\"2\" nameOrIpAddress=\"mixer-z\" password=\"QUJD\"/>\n")
        << QByteArray("<Unit id=\"2\" nameOrIpAddress=\"mixer-z\" />\n");
    QTest::newRow("password first") << QByteArray("<Unit password=\"QUJD\" id=\"1\" nameOrIpAddress=\"mixer-a\"/>\n")
                                    << "<Unit " + found + " id=\"1\" nameOrIpAddress=\"mixer-a\"/>\n";
    QTest::newRow("across lines") << QByteArray(
        "<Unit id=\"4\"\n   nameOrIpAddress=\"mixer-z\"\n   password=\"QUJD\"\n/>\n")
                                  << QByteArray("<Unit id=\"4\"\n   nameOrIpAddress=\"mixer-z\"\n   \n/>\n");
    QTest::newRow("not self-closing, single quotes")
        << QByteArray("<Unit id=\"5\" password='QUJD' nameOrIpAddress=\"mixer-z\"></Unit>\n")
        << QByteArray("<Unit id=\"5\"  nameOrIpAddress=\"mixer-z\"></Unit>\n");
    QTest::newRow("two passwords, spaces around =")
        << QByteArray("<Unit id=\"6\" password = \"A\" nameOrIpAddress=\"mixer-z\" password=\"B\"/>\n")
        << QByteArray("<Unit id=\"6\"  nameOrIpAddress=\"mixer-z\" />\n");
    QTest::newRow("value holding >") << QByteArray("<Unit id=\"7\" type=\"a>b\" password=\"QUJD\"/>\n")
                                     << QByteArray("<Unit id=\"7\" type=\"a>b\" />\n");
    QTest::newRow("no password unchanged")
        << QByteArray("<Units>\n<Unit id=\"1\" nameOrIpAddress=\"mixer-a\"/>\n<Unitary password=\"x\"/>\n")
        << QByteArray("<Units>\n<Unit id=\"1\" nameOrIpAddress=\"mixer-a\"/>\n<Unitary password=\"x\"/>\n");
    QTest::newRow("a NUL byte earlier does not hide the units")
        << QByteArrayLiteral("<Cfg note=\"\0\">\n<Unit id=\"2\" nameOrIpAddress=\"mixer-z\" password=\"QUJD\"/>\n")
        << QByteArrayLiteral("<Cfg note=\"\0\">\n<Unit id=\"2\" nameOrIpAddress=\"mixer-z\" />\n");
    QTest::newRow("bytes above 0x7F pass unchanged")
        << QByteArray("<Unit id=\"8\" nameOrIpAddress=\"m\xc3\xa9lange\" password=\"QUJD\"/>\n")
        << QByteArray("<Unit id=\"8\" nameOrIpAddress=\"m\xc3\xa9lange\" />\n");
}

void tst_ConfigFilter::passwordsStripped()
{
    QFETCH(QByteArray, head);
    QFETCH(QByteArray, expected);
    QList<QByteArray> lines;
    for (const QByteArray& line : head.split('\n'))
        lines.append(line + '\n');
    lines.last().chop(1);
    QCOMPARE(Filter().AddUnitIpAddressesAndRemovePasswords(lines), expected);
}

void tst_ConfigFilter::sceneInSceneString_data()
{
    QTest::addColumn<QString>("scenes");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("match");
    QTest::newRow("range start") << "3-5" << 3 << "" << true;
    QTest::newRow("range inside") << "3-5" << 4 << "" << true;
    QTest::newRow("range end excluded") << "3-5" << 5 << "" << false;
    QTest::newRow("single") << "7" << 7 << "" << true;
    QTest::newRow("single other") << "7" << 8 << "" << false;
    QTest::newRow("list") << "1, 9-12, 20" << 20 << "" << true;
    QTest::newRow("wildcard") << "\"Intro*\"" << 99 << "Intro 2" << true;
    QTest::newRow("wildcard is whole-name, case-sensitive") << "\"Intro*\"" << 99 << "intro 2" << false;
    QTest::newRow("wildcard then number") << "\"Outro\", 4" << 4 << "Intro" << true;
    QTest::newRow("number too large") << "99999999999" << 0 << "" << false;
    QTest::newRow("empty quotes") << "\"\"" << 0 << "" << false;
    QTest::newRow("nothing") << "" << 0 << "" << false;
}

void tst_ConfigFilter::sceneInSceneString()
{
    QFETCH(QString, scenes);
    QFETCH(int, number);
    QFETCH(QString, name);
    QFETCH(bool, match);
    QCOMPARE(Filter().SceneInSceneString(scenes, UWORD(number), name), match);
}

void tst_ConfigFilter::layoutMatch_data()
{
    QTest::addColumn<QByteArray>("layout");
    QTest::addColumn<int>("deviceType");
    QTest::addColumn<QString>("user");
    QTest::addColumn<bool>("match");
    QTest::addColumn<int>("orientation");
    const QByteArray users = "<Layout users=\"Alice,Bob\" desktop=\"1\" allScenes=\"1\" orientation=\"2\">";
    QTest::newRow("listed user") << users << 0 << "Bob" << true << 2;
    QTest::newRow("case-sensitive") << users << 0 << "bob" << false << 2;
    QTest::newRow("leading space matches nobody")
        << QByteArray("<Layout users=\"Alice, Bob\" desktop=\"1\" allScenes=\"1\">") << 0 << "Bob" << false << 0;
    QTest::newRow("wrong device") << users << 1 << "Bob" << false << 2;
    QTest::newRow("no scene attribute") << QByteArray("<Layout allUsers=\"1\" desktop=\"1\"/>") << 0 << "Bob" << false
                                        << 0;
    QTest::newRow("allUsers 0 and no list")
        << QByteArray("<Layout allUsers=\"0\" desktop=\"1\" allScenes=\"1\"/>") << 0 << "Bob" << false << 0;
}

void tst_ConfigFilter::layoutMatch()
{
    QFETCH(QByteArray, layout);
    QFETCH(int, deviceType);
    QFETCH(QString, user);
    QFETCH(bool, match);
    QFETCH(int, orientation);
    int found = 0;
    QCOMPARE(Filter().DoesLayoutDataMatch(layout, Runner(deviceType, user), found), match);
    QCOMPARE(found, orientation);
}

QTEST_GUILESS_MAIN(tst_ConfigFilter)
#include "tst_configfilter.moc"
