#include "Quendle/AppCommon/PasswordHashing.h"
#include "Quendle/AppCommon/RunnerQuendleConfigClient.h"
#include "Quendle/AppCommon/StorageWriter.h"
#include "Quendle/Global/ConfigManagerProtocol.h"
#include "Quendle/Global/ConfigManagerRecords.h"
#include "Quendle/Global/ConfigManagerVersion.h"
#include "Quendle/Global/ConfigManagerVersionClient.h"
#include "Quendle/Global/ReplyWorkerThread.h"
#include "Quendle/Global/SaltHash.h"
#include "tests/support/FakeNetwork.h"
#include "tests/support/HexData.h"
#include "tests/support/MessageData.h"
#include "tests/support/ProbeObject.h"
#include "tests/support/RouterFixture.h"
#include "tests/support/TraceCapture.h"
#include "tests/support/quendle/NameParamListener.h"
#include "tests/support/quendle/RunnerDownload.h"
#include "tests/support/quendle/TestConfigManager.h"

#include <QBuffer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>
#include <future>

using namespace Quendle;

namespace
{

const std::array<UBYTE, 3> kOwnVersion = { 1, 3, 1 };
constexpr UWORD kRemote = 5; // the manager's connection in the scripted tests
constexpr UWORD kManager = 77; // the manager's handle there
constexpr UWORD kVersionObject = 78;

QByteArray Data(const cZUNetMessage& message)
{
    return QByteArray(reinterpret_cast<const char*>(message.mDataBuffer), message.mLength);
}

QByteArray Chunk(int index, int last, const QByteArray& bytes)
{
    cZUNetMessage header(kChunkHeaderSize);
    WriteChunkHeader(header, UWORD(index), UWORD(last));
    return Data(header) + bytes;
}

/// A runner client whose storage refuses from the n-th chunk on.
class cRefusingClient : public cRunnerQuendleConfigClient
{
public:
    using cRunnerQuendleConfigClient::cRunnerQuendleConfigClient;
    int mRefuseFrom = 1 << 30;
    int mStored = 0;

protected:
    bool AddToDownloadedConfigDataStorage(const char* data, int length) override
    {
        if (mStored + 1 >= mRefuseFrom)
            return false;
        ++mStored;
        return cRunnerQuendleConfigClient::AddToDownloadedConfigDataStorage(data, length);
    }
};

/// A network whose sends can be watched as they happen.
class cWatchedNetwork : public cFakeNetwork
{
public:
    void SendMessage(const cZUNetMessage& message) override
    {
        if (mOnSend)
            mOnSend(message);
        cFakeNetwork::SendMessage(message);
    }
    std::function<void(const cZUNetMessage&)> mOnSend;
};

} // namespace

class tst_ConfigClient : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    // Against a configuration manager in this process.
    void signInAndDownload();
    void refusedSignIn_data();
    void refusedSignIn();
    void emptyOrMissingConfiguration_data();
    void emptyOrMissingConfiguration();
    void largeConfigurationByteExact();
    void secondDownloadWaitsForTheFirst();
    void failedDownloadStartsTheNextOne();
    void storageRefusalFailsOnce();
    void storageWriterKeepsOrderAndReportsRefusal();
    void nameParameterBinding();
    void noticesReachTheClient();
    void upload();
    void versionGate_data();
    void versionGate();
    void managerNotFound();

    // Against a scripted manager on a connection.
    void requestBytes();
    void oneStepSignInCarriesTheHashTexts();
    void downloadProgressAndChunkChecks_data();
    void downloadProgressAndChunkChecks();
    void repliesOnlyFromTheManager();
    void staleRequestNeverAnsweredAfterReconnect();
    void connectionLostMidDownload();
    void connectionLostMidSignIn();
    void loginTokenReplies_data();
    void loginTokenReplies();
    void malformedNoticesDropped_data();
    void malformedNoticesDropped();
    void pathLengthLimit_data();
    void pathLengthLimit();
    void nothingSentUnderTheMutex();
    void requestEndedBeforeItsSignal();
    void connectionEndFromAnotherThread();

private:
    // In-process manager.
    void StartLocal();
    void Pump(const std::function<bool()>& done, int timeout = 10000);
    bool SignInLocal(const QString& name, const QString& password);
    /// Returns once the manager's worker has finished everything queued before.
    void FenceWorker();
    QByteArray DownloadedBytes();

    // Scripted manager.
    void ConnectRemote(UWORD connectionId = kRemote, UWORD managerVersion = 1);
    void Inject(UWORD connectionId, UWORD source, UWORD method, const QByteArray& data = QByteArray(),
        UWORD destination = 0xFFFF);
    QVector<cZUNetMessage> SentTo(UWORD connectionId, UWORD destination) const;
    cZUNetMessage LastTo(UWORD connectionId = kRemote, UWORD destination = kManager) const;

    std::unique_ptr<QTemporaryDir> mDir;
    QString mPath;
    std::unique_ptr<cRouterFixture> mRouter;
    std::unique_ptr<cWatchedNetwork> mNetwork;
    std::unique_ptr<cFakeUnitServices> mServices;
    std::unique_ptr<cTestConfigManager> mManager;
    std::unique_ptr<cRunnerQuendleConfigClient> mClient;
};

void tst_ConfigClient::init()
{
    mDir = std::make_unique<QTemporaryDir>();
    mPath = mDir->filePath(QStringLiteral("config.xml"));
    QVERIFY(CopyTestData(QStringLiteral("config/runner.xml"), mPath));
    mRouter = std::make_unique<cRouterFixture>();
    mNetwork = std::make_unique<cWatchedNetwork>();
    mNetwork->AddConnection(QStringLiteral("mixer"), kRemote);
    mNetwork->AddConnection(QStringLiteral("mixer-again"), kRemote + 1);
    mServices = std::make_unique<cFakeUnitServices>();
    mClient = std::make_unique<cRunnerQuendleConfigClient>("QuendleConfigClient_0", kOwnVersion);
}

void tst_ConfigClient::cleanup()
{
    mClient.reset();
    mManager.reset();
    mServices.reset();
    mNetwork.reset();
    mRouter.reset();
    mDir.reset();
}

void tst_ConfigClient::Pump(const std::function<bool()>& done, int timeout)
{
    QTRY_VERIFY_WITH_TIMEOUT((mRouter->Drain(), QCoreApplication::processEvents(), done()), timeout);
}

void tst_ConfigClient::StartLocal()
{
    mManager = std::make_unique<cTestConfigManager>(mPath);
    mManager->AddUser(QStringLiteral("Alice"), QStringLiteral("wonder"));
    mManager->AddUser(QStringLiteral("Bob"), QString());
    mManager->AddUser(QStringLiteral("Mallory"), QStringLiteral("evil"), false);
    QSignalSpy found(mClient.get(), &cQuendleConfigClient::SeekSuccessful);
    QVERIFY(!mClient->SeekObject(kConfigManagerName));
    Pump([&] { return found.count() == 1; });
    QCOMPARE(mClient->ManagerVersion(), 1);
    QCOMPARE(mClient->ManagerConnectionId(), UWORD(0));
}

void tst_ConfigClient::FenceWorker()
{
    cProbeObject fence("Fence");
    fence.mSwallowAll = true;
    const cZUNetMessage reply = LocalReplyOk(fence.GetHandle());
    mManager->Worker()->AddFullReplyToQueue(reply);
    Pump([&] {
        for (const cZUNetMessage& m : fence.mReceived) {
            if (m.mMethod != M_REPLY_OK || m.GetDataBufferUWORD(0) == m.GetDataBufferUWORD(2))
                return true;
        }
        return false;
    });
}

bool tst_ConfigClient::SignInLocal(const QString& name, const QString& password)
{
    QSignalSpy ok(mClient.get(), &cQuendleConfigClient::Authenticated);
    QSignalSpy failed(mClient.get(), &cQuendleConfigClient::AuthenticationFailed);
    mClient->Authenticate(
        GetHashedString(name), password.isNull() ? GetHashedBlankPassword() : GetHashedPassword(password));
    mRouter->Drain();
    return ok.count() == 1 && failed.count() == 0;
}

QByteArray tst_ConfigClient::DownloadedBytes()
{
    return RunnerDownloadBytes(*mClient);
}

void tst_ConfigClient::signInAndDownload()
{
    StartLocal();
    QVERIFY(SignInLocal("Alice", "wonder"));
    QVERIFY(!mClient->RequestInProgress());

    QSignalSpy progress(mClient.get(), &cQuendleConfigClient::DownloadProgress);
    QSignalSpy done(mClient.get(), &cQuendleConfigClient::DownloadConfigSuccessful);
    QVERIFY(!mClient->ConfigDataTempFile());
    mClient->DownloadRunnerConfig(Desktop, {});
    Pump([&] { return done.count() == 1; });
    QCOMPARE(progress.count(), 1);
    QCOMPARE(progress.first().first().toFloat(), 1.0f);
    const QByteArray bytes = DownloadedBytes();
    QVERIFY(bytes.contains("Band desk"));
    QVERIFY(bytes.endsWith("</QuendleConfig>"));
    QVERIFY(!bytes.contains("password"));
    QCOMPARE(mManager->RunnerInformList().size(), std::size_t(1));

    const QString path = mClient->ConfigDataTempFile()->fileName();
    QVERIFY(QFile::exists(path));
    mClient->SetDownloadHasBeenProcessed();
    QVERIFY(!mClient->ConfigDataTempFile());
    QVERIFY(!QFile::exists(path));
    QVERIFY(!mClient->DownloadInProgress());
}

void tst_ConfigClient::refusedSignIn_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("ok");
    QTest::newRow("blank password") << "Bob" << QString() << true;
    QTest::newRow("wrong password") << "Alice"
                                    << "wonderland" << false;
    QTest::newRow("unknown user") << "Eve"
                                  << "wonder" << false;
    QTest::newRow("user not valid") << "Mallory"
                                    << "evil" << false;
}

void tst_ConfigClient::refusedSignIn()
{
    QFETCH(QString, name);
    QFETCH(QString, password);
    QFETCH(bool, ok);
    StartLocal();
    QCOMPARE(SignInLocal(name, password), ok);
    QCOMPARE(mClient->FailureReasonCode(), ok ? 0 : 5);
    QVERIFY(!mClient->RequestInProgress());
}

void tst_ConfigClient::emptyOrMissingConfiguration_data()
{
    QTest::addColumn<bool>("present");
    QTest::newRow("empty file") << true;
    QTest::newRow("no file") << false;
}

void tst_ConfigClient::emptyOrMissingConfiguration()
{
    QFETCH(bool, present);
    StartLocal();
    QVERIFY(SignInLocal("Alice", "wonder"));
    QFile::remove(mPath);
    if (present)
        QFile(mPath).open(QIODevice::WriteOnly);
    QSignalSpy progress(mClient.get(), &cQuendleConfigClient::DownloadProgress);
    QSignalSpy done(mClient.get(), &cQuendleConfigClient::DownloadConfigSuccessful);
    mClient->DownloadRunnerConfig(Desktop, {});
    Pump([&] { return done.count() == 1; });
    QCOMPARE(progress.count(), 1);
    QCOMPARE(progress.first().first().toFloat(), 1.0f);
    QVERIFY(mClient->ConfigDataTempFile());
    QVERIFY(mClient->ConfigDataTempFile()->isOpen());
    QCOMPARE(DownloadedBytes(), QByteArray());
}

void tst_ConfigClient::largeConfigurationByteExact()
{
    // Several MB of embedded images, one resource per line as the editor writes them.
    QByteArray image(1500000, '\0');
    for (int i = 0; i < image.size(); ++i)
        image[i] = char((i * 131) ^ (i >> 7));
    const QByteArray data = image.toBase64();
    QFile file(mPath);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<QuendleConfig version=\"1.3.1\">\n    <Layouts>\n"
               "        <Layout name=\"Big\" allUsers=\"1\" desktop=\"1\" allScenes=\"1\">\n"
               "            <Widget id=\"1\" type=\"image\" imageResourceId=\"1\"/>\n"
               "            <Widget id=\"2\" type=\"image\" imageResourceId=\"3\"/>\n"
               "        </Layout>\n    </Layouts>\n    <Resources>\n");
    for (int id = 1; id <= 3; ++id)
        file.write("        <Resource id=\"" + QByteArray::number(id) + "\" data=\"" + data + "\"/>\n");
    file.write("    </Resources>\n</QuendleConfig>");
    file.close();

    StartLocal();
    QVERIFY(SignInLocal("Alice", "wonder"));
    QSignalSpy progress(mClient.get(), &cQuendleConfigClient::DownloadProgress);
    QSignalSpy done(mClient.get(), &cQuendleConfigClient::DownloadConfigSuccessful);
    mClient->DownloadRunnerConfig(Desktop, {});
    Pump([&] { return done.count() == 1; }, 30000);

    const QByteArray expected
        = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<QuendleConfig version=\"1.3.1\">\n    <Layouts>\n"
          "        <Layout name=\"Big\" allUsers=\"1\" desktop=\"1\" allScenes=\"1\">\n"
          "            <Widget id=\"1\" type=\"image\" imageResourceId=\"1\"/>\n"
          "            <Widget id=\"2\" type=\"image\" imageResourceId=\"3\"/>\n"
          "        </Layout>\n    </Layouts>\n    <Resources>\n"
          "        <Resource id=\"1\" data=\""
        + data
        + "\"/>\n"
          "        <Resource id=\"3\" data=\""
        + data
        + "\"/>\n"
          "    </Resources>\n</QuendleConfig>";
    const QByteArray bytes = DownloadedBytes();
    QCOMPARE(bytes.size(), expected.size());
    QVERIFY(bytes == expected);
    const int chunks = (expected.size() + kChunkSize - 1) / kChunkSize;
    QCOMPARE(progress.count(), chunks);
    QCOMPARE(progress.at(0).first().toFloat(), 1.0f / float(chunks));
    QCOMPARE(progress.last().first().toFloat(), 1.0f);
}

void tst_ConfigClient::secondDownloadWaitsForTheFirst()
{
    StartLocal();
    QVERIFY(SignInLocal("Alice", "wonder"));
    QSignalSpy done(mClient.get(), &cQuendleConfigClient::DownloadConfigSuccessful);
    mClient->DownloadRunnerConfig(Desktop, {});
    mClient->DownloadRunnerConfig(Phone, { 7 });
    Pump([&] { return done.count() == 1; });
    QVERIFY(DownloadedBytes().contains("Band desk"));
    FenceWorker();
    QCOMPARE(done.count(), 1); // the queued one waits for the consumer
    mClient->SetDownloadHasBeenProcessed();
    Pump([&] { return done.count() == 2; });
    QVERIFY(DownloadedBytes().contains("Phone landscape"));
    QCOMPARE(mManager->RunnerInformList().front().mDeviceType, UBYTE(Desktop));
}

void tst_ConfigClient::failedDownloadStartsTheNextOne()
{
    StartLocal();
    QVERIFY(SignInLocal("Alice", "wonder"));
    QFile::remove(mPath);
    QDir(mDir->path()).mkdir(QStringLiteral("config.xml"));
    QFile(mPath + "/x").open(QIODevice::WriteOnly); // exists, not readable as a file
    QSignalSpy failed(mClient.get(), &cQuendleConfigClient::DownloadConfigFailed);
    QSignalSpy done(mClient.get(), &cQuendleConfigClient::DownloadConfigSuccessful);
    cTraceCapture traces;
    mClient->DownloadRunnerConfig(Desktop, {});
    mClient->DownloadRunnerConfig(Desktop, {}); // queued behind it
    // The failure is over at once: the queued request goes out without waiting for a consumer.
    Pump([&] { return failed.count() == 2; });
    QCOMPARE(mClient->FailureReasonCode(), 4);
    QVERIFY(!mClient->ConfigDataTempFile());
    QVERIFY(!mClient->DownloadInProgress());
    QVERIFY(QDir(mPath).removeRecursively());
    QVERIFY(QFile::copy(TestDataPath(QStringLiteral("config/runner.xml")), mPath));
    mClient->DownloadRunnerConfig(Desktop, {});
    Pump([&] { return done.count() == 1; });
    QCOMPARE(failed.count(), 2);
}

void tst_ConfigClient::storageRefusalFailsOnce()
{
    StartLocal();
    mClient.reset();
    cRefusingClient client("QuendleConfigClient_1", kOwnVersion);
    QSignalSpy found(&client, &cQuendleConfigClient::SeekSuccessful);
    client.SeekObject(kConfigManagerName);
    Pump([&] { return found.count() == 1; });
    client.Authenticate(GetHashedString("Alice"), GetHashedPassword("wonder"));
    mRouter->Drain();

    // Three chunks, the second refused: one failure, and the third is not stored.
    QFile file(mPath);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("<QuendleConfig>\n    <Layouts>\n        <Layout allUsers=\"1\" desktop=\"1\" allScenes=\"1\">\n"
        + QByteArray(70000, 'w') + "\n        </Layout>\n    </Layouts>\n</QuendleConfig>\n");
    file.close();
    QSignalSpy failed(&client, &cQuendleConfigClient::DownloadConfigFailed);
    QSignalSpy done(&client, &cQuendleConfigClient::DownloadConfigSuccessful);
    client.mRefuseFrom = 2;
    client.DownloadRunnerConfig(Desktop, {});
    Pump([&] { return failed.count() == 1; });
    FenceWorker();
    QCOMPARE(failed.count(), 1);
    QCOMPARE(done.count(), 0);
    QCOMPARE(client.mStored, 1);
    QCOMPARE(client.FailureReasonCode(), 0); // a storage refusal keeps the last reason
    QVERIFY(!client.DownloadInProgress());
    QVERIFY(!client.RequestInProgress());
    client.Unregister();
}

// The runner's storage writes its blocks on a thread of its own while the next fills: they land
// whole and in order, reusing the blocks written before them, and a file that refuses them fails
// the end of the download and every block after.
void tst_ConfigClient::storageWriterKeepsOrderAndReportsRefusal()
{
    QByteArray written;
    QBuffer buffer(&written);
    QVERIFY(buffer.open(QIODevice::WriteOnly));
    QByteArray expected;
    {
        cStorageWriter writer(buffer);
        for (int i = 0; i < 40; ++i) {
            QByteArray block = writer.TakeSpare();
            QVERIFY(block.isEmpty());
            block.append(QByteArray(1000 + i, char('a' + i % 26)));
            expected += block;
            QVERIFY(writer.Write(std::move(block)));
        }
        QVERIFY(writer.Finish());
    }
    QCOMPARE(written, expected);

    QFile full(QStringLiteral("/dev/full"));
    if (!full.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        QSKIP("no /dev/full here");
    cStorageWriter writer(full);
    QVERIFY(writer.Write(QByteArray(4096, 'x')));
    QVERIFY(!writer.Finish());
    QVERIFY(!writer.Write(QByteArray(4096, 'y')));
}

void tst_ConfigClient::nameParameterBinding()
{
    StartLocal();
    mManager->SetKey("fader/1", { { "Input 1", 4096 } });
    mManager->SetKey("meter/1", { { "Input 1 Meter", 4101 }, { "Input 1 Clip", 4102 } });
    cNameParamListener before;
    mClient->RequestNetObjectNameAndParameter("fader/1", &before);
    Pump([&] { return before.mStatuses.size() == 1; });
    QCOMPARE(before.mStatuses.first(), int(NameParamNotAuthenticated));

    QVERIFY(SignInLocal("Alice", "wonder"));
    cNameParamListener a;
    cNameParamListener b;
    mClient->RequestNetObjectNameAndParameter("meter/1", &a);
    mClient->RequestNetObjectNameAndParameter("meter/1", &b);
    Pump([&] { return a.mStatuses.size() == 1 && b.mStatuses.size() == 1; });
    const std::list<std::pair<std::string, UWORD>> expected { { "Input 1 Meter", 4101 }, { "Input 1 Clip", 4102 } };
    QVERIFY(a.mAnswers.first() == expected);
    QCOMPARE(a.mStatuses.first(), int(NameParamResolved));

    // An update reaches every listener of its path.
    mManager->SendNameParamChangeMessage(*mManager->ParamChangeInformList().begin(), 0, { { "Input 9 Meter", 4101 } });
    Pump([&] { return a.mStatuses.size() == 2 && b.mStatuses.size() == 2; });
    QCOMPARE(a.mAnswers.last().front().first, std::string("Input 9 Meter"));

    // Removing one of two listeners keeps the subscription; removing the second forgets it.
    mClient->RemoveNetObjectNameAndParameterListener(&a);
    mRouter->Drain();
    QCOMPARE(mManager->ParamChangeInformList().size(), std::size_t(1));
    mClient->RemoveNetObjectNameAndParameterListener(&b);
    mRouter->Drain();
    QVERIFY(mManager->ParamChangeInformList().empty());

    // A reply for a listener that moved on to another path is dropped.
    cNameParamListener c;
    mClient->RequestNetObjectNameAndParameter("fader/1", &c);
    mClient->RequestNetObjectNameAndParameter("meter/1", &c);
    Pump([&] { return c.mStatuses.size() == 1; });
    Pump([&] { return true; });
    QCOMPARE(c.mStatuses.size(), 1);
    QVERIFY(c.mAnswers.first() == expected);
}

void tst_ConfigClient::noticesReachTheClient()
{
    StartLocal();
    QVERIFY(SignInLocal("Bob", QString()));
    mClient->SendAddMeToRunnerInform(Phone);
    mRouter->Drain();
    QCOMPARE(mManager->RunnerInformList().size(), std::size_t(1));
    QSignalSpy updated(mClient.get(), &cQuendleConfigClient::ConfigUpdated);
    QSignalSpy scene(mClient.get(), &cQuendleConfigClient::SceneChanged);
    mManager->InformRunnersOfConfigUpdate();
    mRouter->Drain();
    QCOMPARE(updated.count(), 1);
    // A phone at scene 0 holds no layout of scene 4: the scene change concerns it.
    mManager->Worker()->SetCurrentSceneNumberAndName(4, "", mManager->RunnerInformList(), mManager->GetHandle());
    Pump([&] { return scene.count() == 1; });
}

void tst_ConfigClient::upload()
{
    StartLocal();
    QVERIFY(SignInLocal("Alice", "wonder"));
    QSignalSpy progress(mClient.get(), &cQuendleConfigClient::UploadProgress);
    QSignalSpy ok(mClient.get(), &cQuendleConfigClient::UploadConfigSuccessful);
    QSignalSpy failed(mClient.get(), &cQuendleConfigClient::UploadConfigFailed);
    const QByteArray config = "<QuendleConfig>" + QByteArray(70000, 'z') + "</QuendleConfig>";
    mClient->UploadConfig(config);
    mRouter->Drain();
    QCOMPARE(progress.count(), 3);
    QCOMPARE(progress.last().first().toFloat(), 1.0f);
    QCOMPARE(ok.count(), 1);
    QFile file(mPath);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), config);

    mManager->mParseResult = false;
    mClient->UploadConfig(QByteArray());
    mRouter->Drain();
    QCOMPARE(failed.count(), 1);
    QCOMPARE(mClient->FailureReasonCode(), 4);

    cTraceCapture traces;
    mManager->SendStatusMessage(eStatusCodes::Success, 0, mClient->GetHandle());
    mRouter->Drain();
    QCOMPARE(traces.Count(QStringLiteral("ERROR: M_MANAGER_STATUS received when no upload in progress")), 1);
    QCOMPARE(ok.count(), 1);
}

void tst_ConfigClient::versionGate_data()
{
    QTest::addColumn<int>("minor");
    QTest::addColumn<int>("sub");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("1.3.0") << 3 << 0 << true;
    QTest::newRow("1.3.1, our own") << 3 << 1 << true;
    QTest::newRow("1.3.2") << 3 << 2 << false;
    QTest::newRow("1.4.0") << 4 << 0 << false;
}

void tst_ConfigClient::versionGate()
{
    QFETCH(int, minor);
    QFETCH(int, sub);
    QFETCH(bool, accepted);
    cConfigManagerVersion version(kManagerVersionName);
    version.SetVersion(1, { 1, UBYTE(minor), UBYTE(sub) });
    cProbeObject manager(kConfigManagerName);
    QSignalSpy found(mClient.get(), &cQuendleConfigClient::SeekSuccessful);
    QSignalSpy notFound(mClient.get(), &cQuendleConfigClient::SeekFailed);
    mClient->SeekObject(kConfigManagerName);
    Pump([&] { return found.count() + notFound.count() == 1; });
    QCOMPARE(found.count(), accepted ? 1 : 0);
    QCOMPARE(mClient->FailureReasonCode(), accepted ? 0 : 7);
}

void tst_ConfigClient::managerNotFound()
{
    QSignalSpy notFound(mClient.get(), &cQuendleConfigClient::SeekFailed);
    mClient->SeekObject("nowhere/Quendle Config Manager");
    Pump([&] { return notFound.count() == 1; });
    QCOMPARE(mClient->FailureReasonCode(), 2);

    // A unit without a version object: version -1, minimum 1.3.0, sign-in in one step.
    cProbeObject manager(kConfigManagerName);
    QSignalSpy found(mClient.get(), &cQuendleConfigClient::SeekSuccessful);
    mClient->SeekObject(kConfigManagerName);
    Pump([&] { return found.count() == 1; });
    QCOMPARE(mClient->ManagerVersion(), -1);
}

// ---------------------------------------------------------------------------------------------
// Scripted manager on connection kRemote

void tst_ConfigClient::Inject(UWORD connectionId, UWORD source, UWORD method, const QByteArray& data, UWORD destination)
{
    cZUNetMessage message(static_cast<UWORD>(data.size()));
    if (!data.isEmpty())
        std::memcpy(message.mDataBuffer, data.constData(), static_cast<std::size_t>(data.size()));
    message.SetAddress(connectionId, destination == 0xFFFF ? mClient->GetHandle() : destination, source, method);
    mRouter->Router().PostLocalMessage(message);
    mRouter->Drain();
}

QVector<cZUNetMessage> tst_ConfigClient::SentTo(UWORD connectionId, UWORD destination) const
{
    QVector<cZUNetMessage> out;
    for (const cZUNetMessage& message : mNetwork->Sent()) {
        if (message.mConnectionId == connectionId && message.mDestination == destination)
            out.append(message);
    }
    return out;
}

cZUNetMessage tst_ConfigClient::LastTo(UWORD connectionId, UWORD destination) const
{
    const QVector<cZUNetMessage> sent = SentTo(connectionId, destination);
    return sent.isEmpty() ? cZUNetMessage() : sent.last();
}

void tst_ConfigClient::ConnectRemote(UWORD connectionId, UWORD managerVersion)
{
    QSignalSpy found(mClient.get(), &cQuendleConfigClient::SeekSuccessful);
    const QByteArray unit = connectionId == kRemote ? "mixer" : "mixer-again";
    mClient->FoundObject((unit + "/Quendle Config Manager").constData(), connectionId, kManager);
    mRouter->Drain();
    // The unit's registry answers the version seek, then the version object its request.
    cZUNetMessage answer(2);
    answer.SetDataBufferUWORD(kVersionObject, 0);
    answer.SetAddress(connectionId, mClient->VersionClient()->GetHandle(), 0, M_REPLY_OK);
    mRouter->Router().PostLocalMessage(answer);
    mRouter->Drain();
    QCOMPARE(LastTo(connectionId, kVersionObject).mMethod, UWORD(M_GET_MANAGER_VERSION));
    answer.SetLength(5);
    answer.SetDataBufferUWORD(managerVersion, 0);
    answer.SetDataBufferUBYTE(1, 2);
    answer.SetDataBufferUBYTE(3, 3);
    answer.SetDataBufferUBYTE(0, 4);
    answer.mSource = kVersionObject;
    mRouter->Router().PostLocalMessage(answer);
    mRouter->Drain();
    QCOMPARE(found.count(), 1);
    QCOMPARE(mClient->ManagerVersion(), int(managerVersion));
    mNetwork->Clear();
}

void tst_ConfigClient::requestBytes()
{
    ConnectRemote();
    mClient->DownloadRunnerConfig(Tablet, { 9, 3, 70000, 300 });
    QCOMPARE(ToHex(Data(LastTo())), ToHex(QByteArray::fromHex("02 0003 0003 0009 012C")));
    QCOMPARE(LastTo().mMethod, UWORD(M_GET_RUNNER_CONFIG));
    QCOMPARE(LastTo().mSource, mClient->GetHandle());

    cNameParamListener listener;
    mClient->RequestNetObjectNameAndParameter("fader/3", &listener);
    QCOMPARE(ToHex(Data(LastTo())), ToHex(QByteArray::fromHex("00000000") + QByteArray("fader/3", 8)));
    mClient->RemoveNetObjectNameAndParameterListener(&listener);
    QCOMPARE(LastTo().mMethod, UWORD(M_FORGET_NAME_PARAM));
    QCOMPARE(Data(LastTo()), QByteArray("fader/3", 8));

    mClient->SendAddMeToRunnerInform(Phone);
    QCOMPARE(LastTo().mMethod, UWORD(M_ADD_RUNNER_TO_INFORM_LIST));
    QCOMPARE(Data(LastTo()), QByteArray(1, '\x01'));

    Inject(kRemote, kManager, M_REPLY_FAIL); // ends the download
    mClient->Authenticate("dXNlcg==", "cGFzcw==");
    QCOMPARE(LastTo().mMethod, UWORD(M_AUTHENTICATE));
    QCOMPARE(LastTo().mLength, UWORD(0));
    Inject(kRemote, kManager, M_REPLY_FAIL);

    mClient->RequestLoginToken("mixer-b", "10.77.0.7");
    QCOMPARE(Data(LastTo()),
        QByteArray("mixer-b\0"
                   "10.77.0.7\0",
            18));
    Inject(kRemote, kManager, M_REPLY_FAIL, QByteArray::fromHex("0006") + QByteArray("mixer-b", 8));

    const QByteArray token = RandomBytes(kTokenLength);
    mClient->AuthenticateByToken(token);
    QCOMPARE(LastTo().mMethod, UWORD(M_AUTHENTICATE_BY_TOKEN));
    QCOMPARE(Data(LastTo()), token);
}

void tst_ConfigClient::oneStepSignInCarriesTheHashTexts()
{
    ConnectRemote(kRemote, 0);
    QSignalSpy ok(mClient.get(), &cQuendleConfigClient::Authenticated);
    const std::string user = GetHashedString("Alice");
    const std::string password = GetHashedPassword("wonder");
    mClient->Authenticate(user, password);
    QCOMPARE(Data(LastTo()), QByteArray::fromStdString(user) + '\0' + QByteArray::fromStdString(password) + '\0');
    Inject(kRemote, kManager, M_REPLY_OK);
    QCOMPARE(ok.count(), 1);

    // Version 1: the empty request, then the salted hashes of the decoded hash bytes.
    ConnectRemote(kRemote, 1);
    mClient->Authenticate(user, password);
    QCOMPARE(LastTo().mLength, UWORD(0));
    const QByteArray salt = RandomBytes(kSaltLength);
    Inject(kRemote, kManager, M_REPLY_OK, salt.toBase64() + '\0');
    const QByteArray a = SaltHash(QByteArray::fromBase64(QByteArray::fromStdString(user)), salt).toBase64();
    const QByteArray b = SaltHash(QByteArray::fromBase64(QByteArray::fromStdString(password)), salt).toBase64();
    QCOMPARE(LastTo().mMethod, UWORD(M_AUTHENTICATE_PART2));
    QCOMPARE(Data(LastTo()), a + '\0' + b + '\0');
    QCOMPARE(ok.count(), 1);
    Inject(kRemote, kManager, M_REPLY_OK);
    QCOMPARE(ok.count(), 2);
}

void tst_ConfigClient::downloadProgressAndChunkChecks_data()
{
    QTest::addColumn<QList<QByteArray>>("chunks");
    QTest::addColumn<QList<float>>("progress");
    QTest::addColumn<bool>("succeeded");
    QTest::addColumn<QByteArray>("stored");
    QTest::newRow("four chunks") << QList<QByteArray> { Chunk(0, 3, "a"), Chunk(1, 3, "b"), Chunk(2, 3, "c"),
        Chunk(3, 3, "d") } << QList<float> { 0.25f, 0.5f, 0.75f, 1.0f }
                                 << true << QByteArray("abcd");
    QTest::newRow("chunk shorter than its header")
        << QList<QByteArray> { Chunk(0, 1, "a"), QByteArray::fromHex("0001") } << QList<float> { 0.5f } << false
        << QByteArray("<no file>");
    QTest::newRow("chunk skipped") << QList<QByteArray> { Chunk(0, 2, "a"), Chunk(2, 2, "c") }
                                   << QList<float> { 1.0f / 3 } << false << QByteArray("<no file>");
    QTest::newRow("last index changes") << QList<QByteArray> { Chunk(0, 2, "a"), Chunk(1, 1, "b") }
                                        << QList<float> { 1.0f / 3 } << false << QByteArray("<no file>");
    QTest::newRow("index past last") << QList<QByteArray> { Chunk(4, 3, "x") } << QList<float> {} << false
                                     << QByteArray("<no file>");
}

void tst_ConfigClient::downloadProgressAndChunkChecks()
{
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(QList<float>, progress);
    QFETCH(bool, succeeded);
    QFETCH(QByteArray, stored);
    ConnectRemote();
    QSignalSpy progressSpy(mClient.get(), &cQuendleConfigClient::DownloadProgress);
    QSignalSpy done(mClient.get(), &cQuendleConfigClient::DownloadConfigSuccessful);
    QSignalSpy failed(mClient.get(), &cQuendleConfigClient::DownloadConfigFailed);
    cTraceCapture traces;
    mClient->DownloadRunnerConfig(Desktop, {});
    for (const QByteArray& chunk : chunks)
        Inject(kRemote, kManager, M_REPLY_OK, chunk);
    QList<float> seen;
    for (const QList<QVariant>& arguments : progressSpy)
        seen.append(arguments.first().toFloat());
    QCOMPARE(seen, progress);
    QCOMPARE(done.count(), succeeded ? 1 : 0);
    QCOMPARE(failed.count(), succeeded ? 0 : 1);
    QCOMPARE(DownloadedBytes(), stored);
    QVERIFY(!mClient->RequestInProgress());
    QCOMPARE(mClient->DownloadInProgress(), succeeded);
    if (!succeeded)
        QCOMPARE(mClient->FailureReasonCode(), 4);
}

void tst_ConfigClient::repliesOnlyFromTheManager()
{
    ConnectRemote();
    QSignalSpy ok(mClient.get(), &cQuendleConfigClient::Authenticated);
    QSignalSpy failed(mClient.get(), &cQuendleConfigClient::AuthenticationFailed);
    mClient->AuthenticateByToken(RandomBytes(kTokenLength));
    Inject(kRemote, kManager + 1, M_REPLY_OK); // another object of the unit
    Inject(kRemote + 1, kManager, M_REPLY_OK); // the same handle on another connection
    Inject(kRemote, 0, M_REPLY_OK, QByteArray::fromHex("0009")); // a registry
    QCOMPARE(ok.count(), 0);
    QVERIFY(mClient->RequestInProgress());
    Inject(kRemote, kManager, M_REPLY_FAIL);
    QCOMPARE(failed.count(), 1);
    QCOMPARE(ok.count(), 0);
}

void tst_ConfigClient::staleRequestNeverAnsweredAfterReconnect()
{
    ConnectRemote();
    QSignalSpy ok(mClient.get(), &cQuendleConfigClient::Authenticated);
    QSignalSpy terminated(mClient.get(), qOverload<>(&cQuendleConfigClient::ConnectionTerminated));
    mClient->AuthenticateByToken(RandomBytes(kTokenLength));
    mRouter->Router().ConnectionTerminated(kRemote, true);
    QCOMPARE(terminated.count(), 1);
    QVERIFY(!mClient->RequestInProgress());
    QCOMPARE(mClient->FailureReasonCode(), 3);

    // The next connection gets the same id: the registry's answer to the new seek is the seek's.
    QSignalSpy found(mClient.get(), &cQuendleConfigClient::SeekSuccessful);
    QVERIFY(!mClient->SeekObject("mixer/Quendle Config Manager"));
    mRouter->Drain();
    Inject(kRemote, 0, M_REPLY_OK, QByteArray::fromHex("004D"));
    const UWORD versionClient = mClient->VersionClient()->GetHandle();
    Inject(kRemote, 0, M_REPLY_OK, QByteArray::fromHex("004E"), versionClient);
    Inject(kRemote, kVersionObject, M_REPLY_OK, QByteArray::fromHex("0001 01 03 00"), versionClient);
    QCOMPARE(found.count(), 1);
    QCOMPARE(ok.count(), 0);
    QCOMPARE(mClient->ManagerConnectionId(), kRemote);
    QCOMPARE(mClient->ManagerHandle(), kManager);
}

void tst_ConfigClient::connectionLostMidDownload()
{
    ConnectRemote();
    QSignalSpy failed(mClient.get(), &cQuendleConfigClient::DownloadConfigFailed);
    QSignalSpy done(mClient.get(), &cQuendleConfigClient::DownloadConfigSuccessful);
    QSignalSpy terminated(mClient.get(), qOverload<>(&cQuendleConfigClient::ConnectionTerminated));
    mClient->DownloadRunnerConfig(Desktop, {});
    mClient->DownloadRunnerConfig(Desktop, {}); // queued: dies with the connection
    Inject(kRemote, kManager, M_REPLY_OK, Chunk(0, 3, "first"));
    mRouter->Router().ConnectionTerminated(kRemote, true);
    QCOMPARE(terminated.count(), 1);
    QCOMPARE(failed.count(), 1);
    QCOMPARE(mClient->FailureReasonCode(), 3);
    QVERIFY(!mClient->RequestInProgress());
    QVERIFY(!mClient->DownloadInProgress());
    QVERIFY(!mClient->ConfigDataTempFile());
    Inject(kRemote, kManager, M_REPLY_OK, Chunk(1, 3, "late"));
    QCOMPARE(done.count() + failed.count(), 1);

    // A new connection signs in and downloads normally.
    mRouter->Router().ConnectionTerminated(kRemote + 1, false); // someone else's: nothing happens
    ConnectRemote(kRemote + 1);
    QSignalSpy ok(mClient.get(), &cQuendleConfigClient::Authenticated);
    mClient->Authenticate(GetHashedString("Alice"), GetHashedPassword("wonder"));
    Inject(kRemote + 1, kManager, M_REPLY_OK, RandomBytes(kSaltLength).toBase64() + '\0');
    QCOMPARE(LastTo(kRemote + 1, kManager).mMethod, UWORD(M_AUTHENTICATE_PART2));
    Inject(kRemote + 1, kManager, M_REPLY_OK);
    QCOMPARE(ok.count(), 1);
    mClient->DownloadRunnerConfig(Desktop, {});
    QCOMPARE(LastTo(kRemote + 1, kManager).mMethod, UWORD(M_GET_RUNNER_CONFIG));
    Inject(kRemote + 1, kManager, M_REPLY_OK, Chunk(0, 0, "whole"));
    QCOMPARE(done.count(), 1);
    QCOMPARE(DownloadedBytes(), QByteArray("whole"));
    QCOMPARE(terminated.count(), 1);
}

void tst_ConfigClient::connectionLostMidSignIn()
{
    ConnectRemote();
    QSignalSpy ok(mClient.get(), &cQuendleConfigClient::Authenticated);
    QSignalSpy failed(mClient.get(), &cQuendleConfigClient::AuthenticationFailed);
    QSignalSpy terminated(mClient.get(), qOverload<>(&cQuendleConfigClient::ConnectionTerminated));
    mClient->Authenticate(GetHashedString("Alice"), GetHashedPassword("wonder"));
    mRouter->Router().ConnectionTerminated(kRemote, false);
    QCOMPARE(terminated.count(), 1);
    QCOMPARE(ok.count() + failed.count(), 0); // reported once, as the connection's end
    QVERIFY(!mClient->RequestInProgress());

    // A version check under way when the connection goes never completes afterwards.
    QSignalSpy found(mClient.get(), &cQuendleConfigClient::SeekSuccessful);
    mClient->FoundObject("mixer-again/Quendle Config Manager", kRemote + 1, kManager);
    mRouter->Drain();
    cZUNetMessage answer(2);
    answer.SetDataBufferUWORD(kVersionObject, 0);
    answer.SetAddress(kRemote + 1, mClient->VersionClient()->GetHandle(), 0, M_REPLY_OK);
    mRouter->Router().PostLocalMessage(answer);
    mRouter->Drain();
    QVERIFY(mClient->VersionClient()->AwaitingReply());
    mRouter->Router().ConnectionTerminated(kRemote + 1, true);
    QVERIFY(!mClient->VersionClient()->AwaitingReply());
    answer.SetLength(5);
    answer.SetDataBufferUWORD(1, 0);
    answer.mSource = kVersionObject;
    mRouter->Router().PostLocalMessage(answer);
    mRouter->Drain();
    QCOMPARE(found.count(), 0);
    QCOMPARE(terminated.count(), 2);
}

void tst_ConfigClient::loginTokenReplies_data()
{
    QTest::addColumn<UWORD>("method");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<bool>("received");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("fallback");
    const QByteArray token(kTokenLength, '\x5A');
    QTest::newRow("token") << UWORD(M_REPLY_OK) << token + QByteArray("mixer-b", 8) << true << 0 << "mixer-b"
                           << "";
    QTest::newRow("token, name missing") << UWORD(M_REPLY_OK) << token << true << 0 << "asked"
                                         << "";
    QTest::newRow("token too short") << UWORD(M_REPLY_OK) << token.left(63) << false << 6 << "asked"
                                     << "";
    QTest::newRow("old manager, fallback")
        << UWORD(M_REPLY_FAIL) << QByteArray("\0\4mixer-b\0SGFzaA==\0", 19) << false << 4 << "mixer-b"
        << "SGFzaA==";
    QTest::newRow("refused, no fallback")
        << UWORD(M_REPLY_FAIL) << QByteArray("\0\6mixer-b\0SGFzaA==\0", 19) << false << 6 << "mixer-b"
        << "";
    QTest::newRow("manager's own refusal, code only")
        << UWORD(M_REPLY_FAIL) << QByteArray("\0\0", 2) << false << 0 << "asked"
        << "";
    QTest::newRow("fallback unterminated")
        << UWORD(M_REPLY_FAIL) << QByteArray("\0\4mixer-b\0SGFz", 14) << false << 4 << "mixer-b"
        << "";
    QTest::newRow("one byte") << UWORD(M_REPLY_FAIL) << QByteArray(1, '\4') << false << 6 << "asked"
                              << "";
}

void tst_ConfigClient::loginTokenReplies()
{
    QFETCH(UWORD, method);
    QFETCH(QByteArray, data);
    QFETCH(bool, received);
    QFETCH(int, code);
    QFETCH(QString, unit);
    QFETCH(QString, fallback);
    ConnectRemote();
    QSignalSpy tokens(mClient.get(), &cQuendleConfigClient::LoginTokenReceived);
    QSignalSpy failures(mClient.get(), &cQuendleConfigClient::LoginTokenFailure);
    mClient->RequestLoginToken("asked", "10.77.0.7");
    Inject(kRemote, kManager, method, data);
    QVERIFY(!mClient->RequestInProgress());
    QCOMPARE(tokens.count(), received ? 1 : 0);
    QCOMPARE(failures.count(), received ? 0 : 1);
    if (received) {
        QCOMPARE(tokens.first().at(0).toByteArray(), data.left(kTokenLength));
        QCOMPARE(QString::fromStdString(tokens.first().at(1).value<std::string>()), unit);
        return;
    }
    QCOMPARE(int(failures.first().at(0).value<eReplyFailureCodes>()), code);
    QCOMPARE(QString::fromStdString(failures.first().at(1).value<std::string>()), unit);
    QCOMPARE(QString::fromStdString(failures.first().at(2).value<std::string>()), fallback);
}

void tst_ConfigClient::malformedNoticesDropped_data()
{
    QTest::addColumn<UWORD>("method");
    QTest::addColumn<QByteArray>("data");
    QTest::newRow("name reply, count past the data")
        << UWORD(M_NAME_PARAM_REPLY) << QByteArray::fromHex("00000000 0000 0002 41 00 1000");
    QTest::newRow("name reply, name unterminated")
        << UWORD(M_NAME_PARAM_REPLY) << QByteArray::fromHex("00000000 0000 0001 4142");
    QTest::newRow("name reply, header short") << UWORD(M_NAME_PARAM_REPLY) << QByteArray::fromHex("00000000 00");
    QTest::newRow("update, path unterminated") << UWORD(M_NAME_PARAM_UPDATE) << QByteArray("fader/1");
    QTest::newRow("update, parameter missing")
        << UWORD(M_NAME_PARAM_UPDATE) << QByteArray("fader/1\0\0\0\0\1A\0\x10", 14);
    QTest::newRow("status short") << UWORD(M_MANAGER_STATUS) << QByteArray(1, '\0');
    QTest::newRow("upload progress short") << UWORD(M_UPLOAD_PROGRESS) << QByteArray(3, '\0');
}

void tst_ConfigClient::malformedNoticesDropped()
{
    QFETCH(UWORD, method);
    QFETCH(QByteArray, data);
    ConnectRemote();
    cNameParamListener listener;
    mClient->RequestNetObjectNameAndParameter("fader/1", &listener);
    mClient->UploadConfig("x");
    QSignalSpy replies(mClient.get(), &cQuendleConfigClient::NameAndParamReplyReceived);
    QSignalSpy updates(mClient.get(), &cQuendleConfigClient::NameAndParamUpdateReceived);
    QSignalSpy uploadOk(mClient.get(), &cQuendleConfigClient::UploadConfigSuccessful);
    QSignalSpy uploadFailed(mClient.get(), &cQuendleConfigClient::UploadConfigFailed);
    QSignalSpy uploadProgress(mClient.get(), &cQuendleConfigClient::UploadProgress);
    cTraceCapture traces;
    Inject(kRemote, kManager, method, data);
    QCoreApplication::processEvents();
    QCOMPARE(replies.count() + updates.count() + uploadOk.count() + uploadFailed.count() + uploadProgress.count(), 0);
    QCOMPARE(listener.mStatuses.size(), 0);
    QCOMPARE(traces.CountContaining(QStringLiteral("dropped")), 1);
}

void tst_ConfigClient::pathLengthLimit_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("sent");
    // Request id, path and its NUL fill the whole data at 65530.
    QTest::newRow("longest that fits") << 65530 << true;
    QTest::newRow("one too long") << 65531 << false;
}

void tst_ConfigClient::pathLengthLimit()
{
    QFETCH(int, length);
    QFETCH(bool, sent);
    ConnectRemote();
    const std::string path(std::size_t(length), 'p');
    cNameParamListener listener;
    cTraceCapture traces;
    mClient->RequestNetObjectNameAndParameter(path, &listener);
    QCOMPARE(SentTo(kRemote, kManager).size(), sent ? 1 : 0);
    QCOMPARE(traces.CountContaining(QStringLiteral("Object path too long")), sent ? 0 : 1);

    // An answer to the first request id reaches the listener only if its request went out.
    QByteArray answer
        = QByteArray::fromHex("00000000 0000 0001") + QByteArray("Input 1", 8) + QByteArray::fromHex("1000");
    Inject(kRemote, kManager, M_NAME_PARAM_REPLY, answer);
    QCoreApplication::processEvents();
    QCOMPARE(listener.mStatuses.size(), sent ? 1 : 0);

    // Only a path that was asked for is forgotten.
    mNetwork->Clear();
    mClient->RemoveNetObjectNameAndParameterListener(&listener);
    QCOMPARE(SentTo(kRemote, kManager).size(), sent ? 1 : 0);
}

void tst_ConfigClient::nothingSentUnderTheMutex()
{
    ConnectRemote();
    int checked = 0;
    int held = 0;
    // Every send is made while another thread can take the client's mutex (as the lost-comms
    // thread does to end a connection while the connection manager's lock is held).
    mNetwork->mOnSend = [&](const cZUNetMessage&) {
        ++checked;
        auto other = std::async(std::launch::async, [&] { return mClient->RequestInProgress(); });
        if (other.wait_for(std::chrono::seconds(2)) != std::future_status::ready)
            ++held;
        other.wait();
    };
    mClient->Authenticate(GetHashedString("Alice"), GetHashedPassword("wonder"));
    Inject(kRemote, kManager, M_REPLY_OK, RandomBytes(kSaltLength).toBase64() + '\0'); // sends 263
    Inject(kRemote, kManager, M_REPLY_OK);
    mClient->DownloadRunnerConfig(Desktop, {});
    mClient->DownloadConfig();
    mClient->SendAddMeToRunnerInform(Desktop);
    mClient->RequestLoginToken("a", "b");
    mClient->UploadConfig("y");
    cNameParamListener listener;
    mClient->RequestNetObjectNameAndParameter("p", &listener);
    mClient->RemoveNetObjectNameAndParameterListener(&listener);
    mNetwork->mOnSend = nullptr;
    QCOMPARE(checked, 9);
    QCOMPARE(held, 0);
}

void tst_ConfigClient::requestEndedBeforeItsSignal()
{
    ConnectRemote();
    // The receivers start the next request from inside the signal, as the application does.
    bool inProgressSeen = true;
    connect(mClient.get(), &cQuendleConfigClient::Authenticated, this, [&] {
        inProgressSeen = mClient->RequestInProgress();
        mClient->DownloadRunnerConfig(Desktop, {});
    });
    int processed = 0;
    connect(mClient.get(), &cQuendleConfigClient::DownloadConfigSuccessful, this, [&] {
        if (++processed == 1)
            mClient->SetDownloadHasBeenProcessed(); // sends the queued request from inside the signal
    });
    cTraceCapture traces;
    mClient->AuthenticateByToken(RandomBytes(kTokenLength));
    Inject(kRemote, kManager, M_REPLY_OK);
    QVERIFY(!inProgressSeen);
    QVERIFY(mClient->RequestInProgress()); // the download started in the slot survived the signal
    mClient->DownloadRunnerConfig(Phone, {});
    Inject(kRemote, kManager, M_REPLY_OK, Chunk(0, 0, "one"));
    QCOMPARE(processed, 1);
    QVERIFY(mClient->RequestInProgress());
    QCOMPARE(Data(LastTo()).left(1), QByteArray(1, char(Phone)));
    Inject(kRemote, kManager, M_REPLY_OK, Chunk(0, 0, "two"));
    QCOMPARE(processed, 2);
    QCOMPARE(DownloadedBytes(), QByteArray("two"));
    QCOMPARE(traces.CountContaining(QStringLiteral("Overwriting existing request method")), 0);
}

void tst_ConfigClient::connectionEndFromAnotherThread()
{
    ConnectRemote();
    QSignalSpy failed(mClient.get(), &cQuendleConfigClient::DownloadConfigFailed);
    mClient->DownloadRunnerConfig(Desktop, {});
    // The lost-comms thread ends the connection under the poll lock.
    std::thread lostComms([&] {
        mRouter->Router().MessagesPollLock();
        mRouter->Router().ConnectionTerminated(kRemote, true);
        mRouter->Router().MessagesPollUnLock();
    });
    lostComms.join();
    QTRY_COMPARE(failed.count(), 1);
    QVERIFY(!mClient->RequestInProgress());
}

QTEST_GUILESS_MAIN(tst_ConfigClient)
#include "tst_configclient.moc"
