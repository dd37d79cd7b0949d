#include "Quendle/Global/ConfigManagerProtocol.h"
#include "Quendle/Global/ReplyWorkerThread.h"
#include "tests/support/HexData.h"
#include "tests/support/MessageData.h"
#include "tests/support/ProbeObject.h"
#include "tests/support/RouterFixture.h"
#include "tests/support/TraceCapture.h"
#include "tests/support/quendle/TestConfigManager.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace Quendle;

namespace
{

const QByteArray kUnitsHead = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                              "<QuendleConfig version=\"1.3.1\" appVersion=\"1.3.1\" allowUserList=\"true\">\n"
                              "    <UIOptions showTitle=\"1\"/>\n"
                              "    <Units>\n";

/// A reply as the runner sees it: the chunks' bytes concatenated, checked for numbering.
struct sDownload {
    QByteArray mBytes;
    int mChunks = 0;
    bool mFailed = false;
    bool mNumberingOk = true;
};

sDownload Collect(const QVector<cZUNetMessage>& received)
{
    sDownload download;
    for (const cZUNetMessage& message : received) {
        if (message.mMethod == M_REPLY_FAIL) {
            download.mFailed = true;
            continue;
        }
        if (message.mMethod != M_REPLY_OK || message.mLength < 4)
            continue;
        const int index = message.GetDataBufferUWORD(0);
        const int last = message.GetDataBufferUWORD(2);
        if (index != download.mChunks || index > last)
            download.mNumberingOk = false;
        ++download.mChunks;
        download.mBytes.append(reinterpret_cast<const char*>(message.mDataBuffer) + 4, message.mLength - 4);
    }
    return download;
}

bool ChunksComplete(const QVector<cZUNetMessage>& received)
{
    for (const cZUNetMessage& message : received) {
        if (message.mMethod == M_REPLY_FAIL)
            return true;
        if (message.mMethod == M_REPLY_OK && message.mLength >= 4
            && message.GetDataBufferUWORD(0) == message.GetDataBufferUWORD(2))
            return true;
    }
    return false;
}

} // namespace

class tst_ReplyWorker : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void runnerReply_data();
    void runnerReply();
    void heldResourcesAreLeftOut();
    void chunking_data();
    void chunking();
    void missingAndUnreadableFiles();
    void sceneChangeTellsOnlyRunnersWhoseLayoutsChange();
    void connectionEndDropsQueuedReplies();
    void waitUntilIdleReturnsWithEveryReplySent();

private:
    sDownload Request(UBYTE deviceType, const std::string& user, const std::set<int>& held = {});
    sDownload WaitForReply();
    QByteArray Expected(const QByteArray& unitsAndLayouts, const QList<int>& resources);

    std::unique_ptr<cRouterFixture> mRouter;
    std::unique_ptr<cFakeUnitServices> mServices;
    std::unique_ptr<cReplyWorkerThread> mWorker;
    std::unique_ptr<cProbeObject> mRunner;
    std::unique_ptr<QTemporaryDir> mDir;
    QString mPath;
};

void tst_ReplyWorker::init()
{
    mRouter = std::make_unique<cRouterFixture>();
    mServices = std::make_unique<cFakeUnitServices>();
    mDir = std::make_unique<QTemporaryDir>();
    mPath = mDir->filePath(QStringLiteral("config.xml"));
    QVERIFY(QFile::copy(TestDataPath(QStringLiteral("config/runner.xml")), mPath));
    mWorker = std::make_unique<cReplyWorkerThread>(0, 0, mPath, nullptr);
    mWorker->start();
    mRunner = std::make_unique<cProbeObject>("Runner");
    mRunner->mSwallowAll = true;
}

void tst_ReplyWorker::cleanup()
{
    mWorker.reset();
    mRunner.reset();
    mServices.reset();
    mRouter.reset();
}

sDownload tst_ReplyWorker::WaitForReply()
{
    [&] { QTRY_VERIFY_WITH_TIMEOUT((mRouter->Drain(), ChunksComplete(mRunner->mReceived)), 10000); }();
    mRouter->Drain();
    const sDownload download = Collect(mRunner->mReceived);
    mRunner->mReceived.clear();
    return download;
}

sDownload tst_ReplyWorker::Request(UBYTE deviceType, const std::string& user, const std::set<int>& held)
{
    cZUNetMessage reply;
    reply.SetAddress(0, mRunner->GetHandle(), 0, M_REPLY_OK);
    mWorker->AddRunnerReplyToQueue(reply, deviceType, user, held);
    return WaitForReply();
}

QByteArray tst_ReplyWorker::Expected(const QByteArray& unitsAndLayouts, const QList<int>& resources)
{
    QFile file(mPath);
    file.open(QIODevice::ReadOnly);
    QMap<int, QByteArray> resourceLines;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine();
        for (int id : resources) {
            if (line.contains("<Resource id=\"" + QByteArray::number(id) + "\""))
                resourceLines[id] = line;
        }
    }
    QByteArray out = kUnitsHead + unitsAndLayouts + "    <Resources>\n";
    for (int id : resources)
        out += resourceLines.value(id);
    return out + "    </Resources>\n</QuendleConfig>";
}

void tst_ReplyWorker::runnerReply_data()
{
    QTest::addColumn<int>("deviceType");
    QTest::addColumn<QString>("user");
    QTest::addColumn<int>("scene");
    QTest::addColumn<QString>("sceneName");
    QTest::addColumn<QByteArray>("layouts");
    QTest::addColumn<QList<int>>("resources");

    const QByteArray units
        = "        <Unit id=\"1\" nameOrIpAddress=\"mixer-a\" type=\"tarvo\"  unitFinderIpAddress=\"10.77.0.5\"  "
          "primaryUnit=\"1\"/>\n"
          "        <Unit id=\"2\" nameOrIpAddress=\"mixer-b\" type=\"corvo32\"  primaryUnit=\"0\"/>\n"
          "        <Unit id=\"3\" nameOrIpAddress=\"10.77.0.9\" type=\"corvo16\" primaryUnit=\"0\"/>\n"
          "    </Units>\n"
          "    <Layouts>\n";
    const QByteArray band
        = "        <Layout name=\"Band desk\" allUsers=\"0\" users=\"Alice,Bob\" desktop=\"1\" phone=\"0\" "
          "tablet=\"0\" "
          "allScenes=\"1\">\n"
          "            <Widget id=\"1\" type=\"image\" imageResourceId=\"7\" x=\"0\" y=\"0\" w=\"0.5\" h=\"0.5\"/>\n"
          "            <Widget id=\"2\" type=\"image\" imageResourceId=\"7\" x=\"0.5\" y=\"0\" w=\"0.5\" h=\"0.5\"/>\n"
          "        </Layout>\n";
    const QByteArray everyone
        = "        <Layout name=\"Everyone desk\" allUsers=\"1\" desktop=\"1\" allScenes=\"1\">\n"
          "            <Widget id=\"1\" type=\"zunet_button\" onResourceId=\"8\" offResourceId=\"9\" x=\"0\" y=\"0\" "
          "w=\"1\" h=\"1\"/>\n"
          "        </Layout>\n";
    const QByteArray portrait
        = "        <Layout name=\"Phone portrait\" allUsers=\"1\" phone=\"1\" orientation=\"1\" scenes=\"3-5\">\n"
          "            <Widget id=\"1\" type=\"image\" imageResourceId=\"10\" x=\"0\" y=\"0\" w=\"1\" h=\"1\"/>\n"
          "        </Layout>\n";
    const QByteArray landscape
        = "        <Layout name=\"Phone landscape\" allUsers=\"1\" phone=\"1\" orientation=\"2\" allScenes=\"1\"/>\n";
    const QByteArray intro = "        <Layout name=\"Phone intro\" allUsers=\"1\" phone=\"1\" orientation=\"0\" "
                             "scenes=\"&quot;Intro*&quot;\"/>\n";
    const QByteArray close = "    </Layouts>\n";

    QTest::newRow("desktop, listed user: first match only")
        << 0 << "Bob" << 0 << "" << units + band + close << QList<int> { 7 };
    QTest::newRow("desktop, user not listed")
        << 0 << "bob" << 0 << "" << units + everyone + close << QList<int> { 8, 9 };
    QTest::newRow("phone, landscape only, file's closing line")
        << 1 << "Carol" << 0 << "" << units + landscape + close << QList<int> {};
    QTest::newRow("phone, scene range covers both orientations")
        << 1 << "Carol" << 4 << "" << units + portrait + landscape + close << QList<int> { 10 };
    QTest::newRow("phone, scene 5 is past the range")
        << 1 << "Carol" << 5 << "" << units + landscape + close << QList<int> {};
    QTest::newRow("phone, wildcard scene name")
        << 1 << "Carol" << 1 << "Intro 2" << units + landscape + intro + close << QList<int> {};
    QTest::newRow("tablet, no match") << 2 << "Carol" << 0 << "" << units + close << QList<int> {};
}

void tst_ReplyWorker::runnerReply()
{
    QFETCH(int, deviceType);
    QFETCH(QString, user);
    QFETCH(int, scene);
    QFETCH(QString, sceneName);
    QFETCH(QByteArray, layouts);
    QFETCH(QList<int>, resources);

    mServices->SetFoundUnit(QStringLiteral("mixer-a"), QStringLiteral("10.77.0.5"));
    mWorker->SetCurrentSceneNumberAndName(UWORD(scene), sceneName.toStdString(), {}, 0);
    const sDownload download = Request(UBYTE(deviceType), user.toStdString());
    QVERIFY(!download.mFailed);
    QVERIFY(download.mNumberingOk);
    QCOMPARE(QString::fromUtf8(download.mBytes), QString::fromUtf8(Expected(layouts, resources)));

    QXmlStreamReader reader(download.mBytes);
    while (!reader.atEnd())
        reader.readNext();
    QVERIFY2(!reader.hasError(), qPrintable(reader.errorString()));
    QVERIFY(!download.mBytes.contains("password"));
}

void tst_ReplyWorker::heldResourcesAreLeftOut()
{
    const sDownload download = Request(0, "Carol", { 8 });
    QVERIFY(download.mBytes.contains("<Resource id=\"9\""));
    QVERIFY(!download.mBytes.contains("<Resource id=\"8\""));
    QCOMPARE(download.mBytes.count("<Resource "), 1);
}

void tst_ReplyWorker::chunking_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("chunks");
    QTest::newRow("empty file") << 0 << 1;
    QTest::newRow("one byte") << 1 << 1;
    QTest::newRow("exactly one chunk") << 32000 << 1;
    QTest::newRow("one byte more") << 32001 << 2;
    QTest::newRow("three chunks") << 64001 << 3;
}

void tst_ReplyWorker::chunking()
{
    QFETCH(int, size);
    QFETCH(int, chunks);
    QByteArray content(size, 'x');
    for (int i = 0; i < size; ++i)
        content[i] = char('a' + i % 26);
    QFile file(mPath);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
    file.close();

    const cZUNetMessage reply = LocalReplyOk(mRunner->GetHandle());
    mWorker->AddFullReplyToQueue(reply);
    const sDownload download = WaitForReply();
    QCOMPARE(download.mChunks, chunks);
    QVERIFY(download.mNumberingOk);
    QCOMPARE(download.mBytes, content);
}

void tst_ReplyWorker::missingAndUnreadableFiles()
{
    QFile::remove(mPath);
    sDownload download = Request(0, "Bob");
    QCOMPARE(download.mChunks, 1);
    QVERIFY(download.mBytes.isEmpty());

    // A file that exists but cannot be opened: a directory of that name.
    QDir(mDir->path()).mkdir(QStringLiteral("config.xml"));
    QFile(mPath + "/x").open(QIODevice::WriteOnly);
    cTraceCapture traces;
    download = Request(0, "Bob");
    QVERIFY(download.mFailed);
    QCOMPARE(download.mChunks, 0);
    QCOMPARE(traces.Count(QStringLiteral("ERROR: Could not open quendle config file")), 1);
}

void tst_ReplyWorker::sceneChangeTellsOnlyRunnersWhoseLayoutsChange()
{
    // The worker holds the file lock while it works; holding it here keeps the worker from
    // starting on the first scene change before the second one is queued.
    QMutex fileLock;
    mWorker.reset(new cReplyWorkerThread(0, 0, mPath, &fileLock));
    mWorker->start();
    cProbeObject desk("Desk runner");
    desk.mSwallowAll = true;
    auto requestFor = [&](cProbeObject& runner, UBYTE deviceType) {
        const cZUNetMessage reply = LocalReplyOk(runner.GetHandle());
        mWorker->AddRunnerReplyToQueue(reply, deviceType, "Carol", {});
    };
    requestFor(*mRunner, Phone);
    WaitForReply();
    requestFor(desk, Desktop);
    QTRY_VERIFY((mRouter->Drain(), ChunksComplete(desk.mReceived)));
    desk.mReceived.clear();

    const std::list<sRunnerInformItem> runners { { 0, mRunner->GetHandle(), Phone, "Carol" },
        { 0, desk.GetHandle(), Desktop, "Carol" } };
    // Two changes queued before the worker gets to them: one pass, for the newer scene.
    cProbeObject blocker("Blocker");
    blocker.mSwallowAll = true;
    const cZUNetMessage blockerReply = LocalReplyOk(blocker.GetHandle());
    fileLock.lock();
    mWorker->AddFullReplyToQueue(blockerReply); // taken (or still queued): waits for the lock
    mWorker->AddSceneChangedQueueItem(runners, 9, "", 77);
    mWorker->SetCurrentSceneNumberAndName(4, "Verse", runners, 77);
    fileLock.unlock();
    QTRY_VERIFY((mRouter->Drain(), mRunner->mReceived.size() == 1));
    QCOMPARE(mRunner->mReceived[0].mMethod, UWORD(M_SCENE_CHANGED));
    QCOMPARE(mRunner->mReceived[0].mSource, UWORD(77));
    QCOMPARE(mRunner->mReceived[0].mLength, UWORD(0));
    QCOMPARE(mWorker->GetCurrentSceneNumber(), UWORD(4));
    QCOMPARE(mWorker->GetCurrentSceneName(), std::string("Verse"));

    // The worker handles items in order: once a later reply is out, the scene pass is over.
    cProbeObject fence("Fence");
    fence.mSwallowAll = true;
    const cZUNetMessage reply = LocalReplyOk(fence.GetHandle());
    mWorker->AddFullReplyToQueue(reply);
    QTRY_VERIFY((mRouter->Drain(), ChunksComplete(fence.mReceived)));
    QCOMPARE(mRunner->mReceived.size(), 1);
    QCOMPARE(desk.mReceived.size(), 0);
    mWorker.reset(); // before the file lock goes
}

void tst_ReplyWorker::connectionEndDropsQueuedReplies()
{
    // Hold the worker on the file lock so the replies stay queued.
    QMutex fileLock;
    mWorker.reset(new cReplyWorkerThread(0, 0, mPath, &fileLock));
    mWorker->start();
    fileLock.lock();
    const cZUNetMessage reply = LocalReplyOk(mRunner->GetHandle());
    mWorker->AddRunnerReplyToQueue(reply, Desktop, "Bob", {}); // taken (or still queued): waits for the lock
    mWorker->AddRunnerReplyToQueue(reply, Desktop, "Bob", {}); // stays queued
    mWorker->ConnectionTerminated(0);
    fileLock.unlock();
    mWorker->AddFullReplyToQueue(reply); // a newcomer's request after the end goes through
    const sDownload download = WaitForReply();
    QCOMPARE(download.mChunks, 1);
    QVERIFY(download.mBytes.startsWith("<?xml"));
    QVERIFY(download.mBytes.contains("password")); // the whole file: only the second request was served
}

void tst_ReplyWorker::waitUntilIdleReturnsWithEveryReplySent()
{
    QFile file(mPath);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray whole = file.readAll();
    file.close();
    cProbeObject editor("Editor");
    editor.mSwallowAll = true;
    mWorker->AddFullReplyToQueue(LocalReplyOk(editor.GetHandle()));
    mWorker->AddRunnerReplyToQueue(LocalReplyOk(mRunner->GetHandle()), Desktop, "Carol", {});
    mWorker->WaitUntilIdle();
    // No waiting from here on: both replies are in the queue whole.
    mRouter->Drain();
    const sDownload editorDownload = Collect(editor.mReceived);
    QVERIFY(editorDownload.mNumberingOk);
    QCOMPARE(editorDownload.mBytes, whole);
    QVERIFY(ChunksComplete(mRunner->mReceived));
    QVERIFY(Collect(mRunner->mReceived).mBytes.startsWith("<?xml"));

    // An idle worker: the wait returns at once, and a connection's end leaves it idle.
    mWorker->WaitUntilIdle();
    mWorker->ConnectionTerminated(0);
    mWorker->WaitUntilIdle();
}

QTEST_GUILESS_MAIN(tst_ReplyWorker)
#include "tst_replyworker.moc"
