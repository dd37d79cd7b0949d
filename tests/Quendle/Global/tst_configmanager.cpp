#include "Quendle/AppCommon/PasswordHashing.h"
#include "Quendle/Global/ConfigManagerProtocol.h"
#include "Quendle/Global/ConfigManagerVersion.h"
#include "Quendle/Global/ReplyWorkerThread.h"
#include "Quendle/Global/SaltHash.h"
#include "Quendle/Global/UserListServer.h"
#include "tests/support/FakeNetwork.h"
#include "tests/support/HexData.h"
#include "tests/support/ProbeObject.h"
#include "tests/support/RouterFixture.h"
#include "tests/support/TraceCapture.h"
#include "tests/support/quendle/TestConfigManager.h"

#include <QTemporaryDir>
#include <QtTest>

#include <cstring>

using namespace Quendle;

namespace
{

/// A client of the manager as the manager sees it: a connection and a handle.
struct sClient {
    UWORD mConnectionId;
    UWORD mHandle;
};

const sClient kRunner { 3, 40 };
const sClient kOther { 4, 40 }; // same handle, another connection

QByteArray Data(const cZUNetMessage& message)
{
    return QByteArray(reinterpret_cast<const char*>(message.mDataBuffer), message.mLength);
}

QByteArray Strings(const QList<QByteArray>& texts)
{
    QByteArray out;
    for (const QByteArray& text : texts)
        out += text + '\0';
    return out;
}

} // namespace

class tst_ConfigManager : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void saltIsFreshBase64();
    void authenticateWithDataRefused();
    void signIn_data();
    void signIn();
    void secondStepNeedsAFreshSalt();
    void malformedSecondStep_data();
    void malformedSecondStep();
    void runnerConfigRequest_data();
    void runnerConfigRequest();
    void runnerJoinsInformListOnce();
    void fullConfigRequest();
    void upload_data();
    void upload();
    void uploadWhileAnotherUploads();
    void uploadOutOfSequence();
    void failedCommitKeepsOldConfiguration();
    void delayedFinalStatus();
    void uploaderConnectionEndKeepsCommittedFile();
    void nameParameterRequests();
    void malformedRequestsAreDropped_data();
    void malformedRequestsAreDropped();
    void loginTokenRefusalsNameTheUnit_data();
    void loginTokenRefusalsNameTheUnit();
    void tokenSignsInOnceFromItsAddress();
    void scenesAnnouncedOnceAfterQuiet();
    void sceneHeaderChange();
    void connectionEndPurgesItsState();
    void syncClientsSkippedOnlyByPair();
    void userList_data();
    void userList();
    void allowUserList_data();
    void allowUserList();
    void managerVersionReply();

private:
    void Send(const sClient& client, UWORD method, const QByteArray& data = QByteArray());
    QVector<cZUNetMessage> To(const sClient& client) const;
    cZUNetMessage Last(const sClient& client) const;
    bool SignIn(const sClient& client, const QString& name, const QString& password);
    void WriteConfig(const QByteArray& content);
    QByteArray ReadConfig() const;
    void Upload(const sClient& client, int index, int last, const QByteArray& bytes);
    QVector<UWORD> Methods(const sClient& client) const;

    std::unique_ptr<QTemporaryDir> mDir;
    QString mPath;
    std::unique_ptr<cRouterFixture> mRouter;
    std::unique_ptr<cFakeNetwork> mNetwork;
    std::unique_ptr<cFakeUnitServices> mServices;
    std::unique_ptr<cTestConfigManager> mManager;
};

void tst_ConfigManager::init()
{
    mDir = std::make_unique<QTemporaryDir>();
    mPath = mDir->filePath(QStringLiteral("config.xml"));
    QVERIFY(QFile::copy(TestDataPath(QStringLiteral("config/runner.xml")), mPath));
    QFile(mPath).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    mRouter = std::make_unique<cRouterFixture>();
    mNetwork = std::make_unique<cFakeNetwork>();
    mServices = std::make_unique<cFakeUnitServices>();
    mManager = std::make_unique<cTestConfigManager>(mPath);
    mManager->AddUser(QStringLiteral("Alice"), QStringLiteral("wonder"));
    mManager->AddUser(QStringLiteral("Bob"), QString());
    mManager->AddUser(QStringLiteral("Mallory"), QStringLiteral("evil"), false);
    mManager->AddUser(QStringLiteral("Admin"), QStringLiteral("root"));
}

void tst_ConfigManager::cleanup()
{
    mManager.reset();
    mServices.reset();
    mNetwork.reset();
    mRouter.reset();
    mDir.reset();
}

void tst_ConfigManager::Send(const sClient& client, UWORD method, const QByteArray& data)
{
    cZUNetMessage message(static_cast<UWORD>(data.size()));
    if (!data.isEmpty())
        std::memcpy(message.mDataBuffer, data.constData(), static_cast<std::size_t>(data.size()));
    message.SetAddress(client.mConnectionId, mManager->GetHandle(), client.mHandle, method);
    mManager->EntrypointMessage(message);
}

QVector<cZUNetMessage> tst_ConfigManager::To(const sClient& client) const
{
    QVector<cZUNetMessage> out;
    for (const cZUNetMessage& message : mNetwork->Sent()) {
        if (message.mConnectionId == client.mConnectionId && message.mDestination == client.mHandle)
            out.append(message);
    }
    return out;
}

cZUNetMessage tst_ConfigManager::Last(const sClient& client) const
{
    const QVector<cZUNetMessage> messages = To(client);
    return messages.isEmpty() ? cZUNetMessage() : messages.last();
}

QVector<UWORD> tst_ConfigManager::Methods(const sClient& client) const
{
    QVector<UWORD> out;
    for (const cZUNetMessage& message : To(client))
        out.append(message.mMethod);
    return out;
}

bool tst_ConfigManager::SignIn(const sClient& client, const QString& name, const QString& password)
{
    Send(client, M_AUTHENTICATE);
    const cZUNetMessage saltReply = Last(client);
    if (saltReply.mMethod != M_REPLY_OK)
        return false;
    const QByteArray salt = QByteArray::fromBase64(Data(saltReply).chopped(1));
    const QByteArray user = QByteArray::fromBase64(QByteArray::fromStdString(GetHashedString(name)));
    const QByteArray hashedPassword = QByteArray::fromBase64(QByteArray::fromStdString(GetHashedPassword(password)));
    Send(client, M_AUTHENTICATE_PART2,
        Strings({ SaltHash(user, salt).toBase64(), SaltHash(hashedPassword, salt).toBase64() }));
    const cZUNetMessage answer = Last(client);
    return answer.mMethod == M_REPLY_OK && answer.mLength == 0;
}

void tst_ConfigManager::WriteConfig(const QByteArray& content)
{
    QFile file(mPath);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

QByteArray tst_ConfigManager::ReadConfig() const
{
    QFile file(mPath);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return file.readAll();
}

void tst_ConfigManager::Upload(const sClient& client, int index, int last, const QByteArray& bytes)
{
    QByteArray data(4, '\0');
    data[0] = char(index >> 8);
    data[1] = char(index);
    data[2] = char(last >> 8);
    data[3] = char(last);
    Send(client, M_STORE_CONFIG, data + bytes);
}

void tst_ConfigManager::saltIsFreshBase64()
{
    Send(kRunner, M_AUTHENTICATE);
    Send(kRunner, M_AUTHENTICATE);
    const QVector<cZUNetMessage> replies = To(kRunner);
    QCOMPARE(replies.size(), 2);
    for (const cZUNetMessage& reply : replies) {
        QCOMPARE(reply.mMethod, UWORD(M_REPLY_OK));
        QCOMPARE(reply.mLength, UWORD(89));
        QCOMPARE(reply.mSource, mManager->GetHandle());
        QCOMPARE(QByteArray::fromBase64(Data(reply).chopped(1)).size(), kSaltLength);
        QCOMPARE(Data(reply).at(88), '\0');
    }
    QVERIFY(Data(replies[0]) != Data(replies[1]));
    QCOMPARE(mManager->NumberOfPendingSalts(), std::size_t(1));
}

void tst_ConfigManager::authenticateWithDataRefused()
{
    Send(kRunner, M_AUTHENTICATE, QByteArray(1, 'x'));
    QCOMPARE(Methods(kRunner), QVector<UWORD> { M_REPLY_FAIL });
    QCOMPARE(mManager->NumberOfPendingSalts(), std::size_t(0));
}

void tst_ConfigManager::signIn_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("ok");
    QTest::newRow("right password") << "Alice"
                                    << "wonder" << true;
    QTest::newRow("wrong password") << "Alice"
                                    << "Wonder" << false;
    QTest::newRow("wrong user") << "alice"
                                << "wonder" << false;
    QTest::newRow("blank password") << "Bob"
                                    << "" << true;
    QTest::newRow("blank password is spaces") << "Bob"
                                              << "    " << true;
    QTest::newRow("user not valid") << "Mallory"
                                    << "evil" << false;
}

void tst_ConfigManager::signIn()
{
    QFETCH(QString, name);
    QFETCH(QString, password);
    QFETCH(bool, ok);
    QCOMPARE(SignIn(kRunner, name, password), ok);
    QCOMPARE(mManager->Authenticated(kRunner.mConnectionId, kRunner.mHandle), ok);
    QCOMPARE(mManager->NumberOfPendingSalts(), std::size_t(0));
}

void tst_ConfigManager::secondStepNeedsAFreshSalt()
{
    Send(kRunner, M_AUTHENTICATE_PART2, Strings({ "AAAA", "AAAA" }));
    QCOMPARE(Last(kRunner).mMethod, UWORD(M_REPLY_FAIL));
    QVERIFY(!SignIn(kRunner, "Alice", "nope"));
    // The salt went with the refused answer: replaying the right hashes against it fails.
    Send(kRunner, M_AUTHENTICATE_PART2, Strings({ "AAAA", "AAAA" }));
    QCOMPARE(Last(kRunner).mMethod, UWORD(M_REPLY_FAIL));
    QVERIFY(SignIn(kRunner, "Alice", "wonder"));
    // A refused attempt later does not sign a signed-in client out.
    QVERIFY(!SignIn(kRunner, "Alice", "nope"));
    QVERIFY(mManager->Authenticated(kRunner.mConnectionId, kRunner.mHandle));
}

void tst_ConfigManager::malformedSecondStep_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("no NUL") << QByteArray("AAAA");
    QTest::newRow("second text unterminated") << QByteArray("AAAA", 5) + "BBBB";
}

void tst_ConfigManager::malformedSecondStep()
{
    QFETCH(QByteArray, data);
    Send(kRunner, M_AUTHENTICATE);
    cTraceCapture traces;
    Send(kRunner, M_AUTHENTICATE_PART2, data);
    QCOMPARE(Last(kRunner).mMethod, UWORD(M_REPLY_FAIL));
    QCOMPARE(mManager->NumberOfPendingSalts(), std::size_t(0));
}

void tst_ConfigManager::runnerConfigRequest_data()
{
    QTest::addColumn<bool>("signedIn");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<bool>("served");
    QTest::addColumn<QString>("trace");
    QTest::newRow("not signed in") << false << QByteArray::fromHex("00 0000") << false << "";
    QTest::newRow("two bytes") << true << QByteArray::fromHex("00 00") << false << "ERROR: Unexpected message size";
    QTest::newRow("empty") << true << QByteArray() << false << "ERROR: Unexpected message size";
    QTest::newRow("n = 2, length 6") << true << QByteArray::fromHex("00 0002 0007 00") << false
                                     << "ERROR: Unexpected message size";
    QTest::newRow("n = 2, length 8") << true << QByteArray::fromHex("00 0002 0007 0008 00") << false
                                     << "ERROR: Unexpected message size";
    QTest::newRow("n = 0") << true << QByteArray::fromHex("00 0000") << true << "";
    QTest::newRow("n = 2, length 7") << true << QByteArray::fromHex("00 0002 0007 0008") << true << "";
}

void tst_ConfigManager::runnerConfigRequest()
{
    QFETCH(bool, signedIn);
    QFETCH(QByteArray, data);
    QFETCH(bool, served);
    QFETCH(QString, trace);
    if (signedIn)
        QVERIFY(SignIn(kRunner, "Alice", "wonder"));
    mNetwork->Clear();
    cTraceCapture traces;
    Send(kRunner, M_GET_RUNNER_CONFIG, data);
    if (!served) {
        QCOMPARE(Methods(kRunner), QVector<UWORD> { M_REPLY_FAIL });
        if (!trace.isEmpty())
            QCOMPARE(traces.Count(trace), 1);
        QVERIFY(mManager->RunnerInformList().empty());
        return;
    }
    QTRY_VERIFY(!To(kRunner).isEmpty());
    const cZUNetMessage chunk = To(kRunner).first();
    QCOMPARE(chunk.mMethod, UWORD(M_REPLY_OK));
    QCOMPARE(chunk.GetDataBufferUWORD(0), UWORD(0));
    QCOMPARE(chunk.GetDataBufferUWORD(2), UWORD(0));
    const QByteArray text = Data(chunk).mid(4);
    QVERIFY(text.contains("Band desk"));
    QCOMPARE(text.contains("<Resource id=\"7\""), data.size() == 3);
    QVERIFY(!text.contains("password"));
}

void tst_ConfigManager::runnerJoinsInformListOnce()
{
    QVERIFY(SignIn(kRunner, "Alice", "wonder"));
    for (int i = 0; i < 3; ++i)
        Send(kRunner, M_GET_RUNNER_CONFIG, QByteArray::fromHex("01 0000"));
    Send(kRunner, M_ADD_RUNNER_TO_INFORM_LIST, QByteArray::fromHex("02"));
    QCOMPARE(mManager->RunnerInformList().size(), std::size_t(1));
    const sRunnerInformItem& runner = mManager->RunnerInformList().front();
    QCOMPARE(runner.mDeviceType, UBYTE(Phone));
    QCOMPARE(runner.mUserName, std::string("Alice"));
    QTRY_COMPARE(To(kRunner).size(), 3 + 2); // salt, sign-in answer, three single-chunk replies
}

void tst_ConfigManager::fullConfigRequest()
{
    Send(kRunner, M_GET_FULL_CONFIG);
    QCOMPARE(Methods(kRunner), QVector<UWORD> { M_REPLY_FAIL });
    QVERIFY(SignIn(kRunner, "Alice", "wonder"));
    mNetwork->Clear();
    cTraceCapture traces;
    Send(kRunner, M_GET_FULL_CONFIG, QByteArray(1, '\0'));
    QCOMPARE(Methods(kRunner), QVector<UWORD> { M_REPLY_FAIL });
    QCOMPARE(traces.Count(QStringLiteral("ERROR: Unexpected message size")), 1);
    mNetwork->Clear();
    Send(kRunner, M_GET_FULL_CONFIG);
    QTRY_COMPARE(To(kRunner).size(), 1);
    QCOMPARE(Data(To(kRunner).first()).mid(4), ReadConfig());
}

void tst_ConfigManager::upload_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("parses");
    QTest::addColumn<UWORD>("status");
    QTest::newRow("one chunk") << 100 << true << UWORD(eStatusCodes::Success);
    QTest::newRow("three chunks") << 64001 << true << UWORD(eStatusCodes::Success);
    QTest::newRow("check refuses") << 100 << false << UWORD(eStatusCodes::ParseFailed);
}

void tst_ConfigManager::upload()
{
    QFETCH(int, size);
    QFETCH(bool, parses);
    QFETCH(UWORD, status);
    const sClient runner { 5, 41 };
    QVERIFY(SignIn(kRunner, "Alice", "wonder"));
    QVERIFY(SignIn(runner, "Bob", ""));
    Send(runner, M_ADD_RUNNER_TO_INFORM_LIST, QByteArray(1, '\0'));
    mManager->mParseResult = parses;
    mNetwork->Clear();

    QByteArray content(size, 'u');
    content.prepend("<QuendleConfig allowUserList=\"true\">");
    const int last = (content.size() - 1) / kChunkSize;
    for (int i = 0; i <= last; ++i)
        Upload(kRunner, i, last, content.mid(i * kChunkSize, kChunkSize));

    QVector<UWORD> expected;
    for (int i = 0; i <= last; ++i)
        expected.append(M_UPLOAD_PROGRESS);
    expected.append(M_MANAGER_STATUS);
    QCOMPARE(Methods(kRunner), expected);
    const QVector<cZUNetMessage> sent = To(kRunner);
    for (int i = 0; i <= last; ++i) {
        QCOMPARE(sent[i].GetDataBufferUWORD(0), UWORD(i));
        QCOMPARE(sent[i].GetDataBufferUWORD(2), UWORD(last));
    }
    QCOMPARE(sent.last().GetDataBufferUWORD(0), status);
    QCOMPARE(ReadConfig(), content);
    QVERIFY(!QFile::exists(mPath + "_tmp"));
    QCOMPARE(Methods(runner), parses ? QVector<UWORD> { M_CONFIG_UPDATED } : QVector<UWORD> {});
    QCOMPARE(mManager->mParseCalls, 1);
}

void tst_ConfigManager::uploadWhileAnotherUploads()
{
    QVERIFY(SignIn(kRunner, "Alice", "wonder"));
    QVERIFY(SignIn(kOther, "Bob", ""));
    mNetwork->Clear();
    Upload(kRunner, 0, 1, "first half ");
    Upload(kOther, 0, 0, "intruder");
    QCOMPARE(Methods(kOther), QVector<UWORD> { M_MANAGER_STATUS });
    QCOMPARE(Last(kOther).GetDataBufferUWORD(0), UWORD(eStatusCodes::UploadInProgress));
    cTraceCapture traces;
    Upload(kOther, 1, 1, "more");
    QCOMPARE(traces.Count(QStringLiteral("ERROR: Received unexpected data from connection 4, source 40")), 1);
    Upload(kRunner, 1, 1, "second half");
    QCOMPARE(Last(kRunner).GetDataBufferUWORD(0), UWORD(eStatusCodes::Success));
    QCOMPARE(ReadConfig(), QByteArray("first half second half"));
}

void tst_ConfigManager::uploadOutOfSequence()
{
    cTraceCapture traces;
    Upload(kRunner, 0, 0, "x");
    QCOMPARE(Last(kRunner).GetDataBufferUWORD(0), UWORD(eStatusCodes::NotAuthenticated));
    QVERIFY(SignIn(kRunner, "Alice", "wonder"));
    Upload(kRunner, 2, 3, "x");
    QCOMPARE(traces.Count(QStringLiteral("ERROR: Received unexpected sequence number 2")), 1);
    const QByteArray before = ReadConfig();
    mNetwork->Clear();
    Upload(kRunner, 0, 5, "a");
    Upload(kRunner, 5, 3, "b");
    QCOMPARE(traces.Count(QStringLiteral("ERROR: Unexpected sequence number 5 3")), 1);
    QCOMPARE(Methods(kRunner), (QVector<UWORD> { M_UPLOAD_PROGRESS, M_MANAGER_STATUS }));
    QCOMPARE(Last(kRunner).GetDataBufferUWORD(0), UWORD(eStatusCodes::SequenceError));
    QCOMPARE(ReadConfig(), before);
    // The upload is over: a new one may start.
    Upload(kRunner, 0, 0, "fresh");
    QCOMPARE(Last(kRunner).GetDataBufferUWORD(0), UWORD(eStatusCodes::Success));
}

void tst_ConfigManager::failedCommitKeepsOldConfiguration()
{
    QVERIFY(SignIn(kRunner, "Alice", "wonder"));
    const QByteArray before = ReadConfig();
    Upload(kRunner, 0, 1, "new ");
    // The temporary file vanishes under the upload: the move into place fails.
    QVERIFY(QFile::remove(mPath + "_tmp"));
    cTraceCapture traces;
    Upload(kRunner, 1, 1, "configuration");
    QCOMPARE(traces.Count(QStringLiteral("ERROR: Unable to move temp file")), 1);
    QCOMPARE(Last(kRunner).GetDataBufferUWORD(0), UWORD(eStatusCodes::FileError));
    QCOMPARE(ReadConfig(), before);
    QVERIFY(mManager->HasConfigFile());
}

void tst_ConfigManager::delayedFinalStatus()
{
    QVERIFY(SignIn(kRunner, "Alice", "wonder"));
    QVERIFY(SignIn(kOther, "Bob", ""));
    mManager->mParseDelayed = true;
    mNetwork->Clear();
    Upload(kRunner, 0, 0, "checked later");
    QCOMPARE(Methods(kRunner), QVector<UWORD> { M_UPLOAD_PROGRESS });
    Upload(kOther, 0, 0, "too soon");
    QCOMPARE(Last(kOther).GetDataBufferUWORD(0), UWORD(eStatusCodes::UploadInProgress));
    mManager->SendDelayedFinalStatusMessage(eStatusCodes::Success);
    QCOMPARE(Last(kRunner).mMethod, UWORD(M_MANAGER_STATUS));
    QCOMPARE(Last(kRunner).GetDataBufferUWORD(0), UWORD(eStatusCodes::Success));
    Upload(kOther, 0, 0, "now");
    QCOMPARE(Last(kOther).GetDataBufferUWORD(0), UWORD(eStatusCodes::Success));
}

void tst_ConfigManager::uploaderConnectionEndKeepsCommittedFile()
{
    QVERIFY(SignIn(kRunner, "Alice", "wonder"));
    mManager->mParseDelayed = true;
    Upload(kRunner, 0, 0, "committed");
    mManager->ConnectionTerminated(kRunner.mConnectionId, false);
    QCOMPARE(ReadConfig(), QByteArray("committed"));

    // Ending mid-upload removes the partial file and leaves the configuration alone.
    QVERIFY(SignIn(kOther, "Bob", ""));
    Upload(kOther, 0, 1, "partial");
    QVERIFY(QFile::exists(mPath + "_tmp"));
    mManager->ConnectionTerminated(kOther.mConnectionId, true);
    QVERIFY(!QFile::exists(mPath + "_tmp"));
    QCOMPARE(ReadConfig(), QByteArray("committed"));
}

void tst_ConfigManager::nameParameterRequests()
{
    mManager->SetKey("fader/1", { { "Input 1", 4096 }, { "Input 1 Meter", 4101 } });
    const QByteArray request = QByteArray::fromHex("0000002A") + QByteArray("fader/1", 8);

    Send(kRunner, M_REQUEST_NAME_PARAM, request);
    QCOMPARE(Last(kRunner).mMethod, UWORD(M_NAME_PARAM_REPLY));
    QCOMPARE(Data(Last(kRunner)), QByteArray::fromHex("0000002A 0001 0001 00 0000"));
    QVERIFY(mManager->ParamChangeInformList().empty());

    QVERIFY(SignIn(kRunner, "Alice", "wonder"));
    Send(kRunner, M_REQUEST_NAME_PARAM, request);
    QCOMPARE(Data(Last(kRunner)),
        QByteArray::fromHex("0000002A 0000 0002") + QByteArray("Input 1", 8) + QByteArray::fromHex("1000")
            + QByteArray("Input 1 Meter", 14) + QByteArray::fromHex("1005"));
    QCOMPARE(mManager->ParamChangeInformList().size(), std::size_t(1));

    mNetwork->Clear();
    mManager->SendNameParamChangeMessage(*mManager->ParamChangeInformList().begin(), 0, { { "Input 2", 4096 } });
    QCOMPARE(Data(Last(kRunner)),
        QByteArray("fader/1", 8) + QByteArray::fromHex("0000 0001") + QByteArray("Input 2", 8)
            + QByteArray::fromHex("1000"));
    QCOMPARE(Last(kRunner).mMethod, UWORD(M_NAME_PARAM_UPDATE));

    Send(kRunner, M_FORGET_NAME_PARAM, QByteArray("fader/1", 8));
    QVERIFY(mManager->ParamChangeInformList().empty());

    // An unknown key answers with the unit's own status.
    Send(kRunner, M_REQUEST_NAME_PARAM, QByteArray::fromHex("00000001") + QByteArray("nope", 5));
    QCOMPARE(Data(Last(kRunner)), QByteArray::fromHex("00000001 0002 0000"));
}

void tst_ConfigManager::malformedRequestsAreDropped_data()
{
    QTest::addColumn<UWORD>("method");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("trace");
    QTest::newRow("259 request id only") << UWORD(M_REQUEST_NAME_PARAM) << QByteArray::fromHex("00000001")
                                         << "ERROR: Unexpected message size";
    QTest::newRow("259 empty path") << UWORD(M_REQUEST_NAME_PARAM) << QByteArray::fromHex("0000000100")
                                    << "ERROR: Unexpected message size";
    QTest::newRow("259 of five bytes") << UWORD(M_REQUEST_NAME_PARAM) << QByteArray::fromHex("0000000161")
                                       << "ERROR: Unexpected message size";
    QTest::newRow("259 path without NUL")
        << UWORD(M_REQUEST_NAME_PARAM) << QByteArray::fromHex("000000016162") << "ERROR: Unexpected message size";
    QTest::newRow("259 data after the path")
        << UWORD(M_REQUEST_NAME_PARAM) << QByteArray::fromHex("00000001610000") << "ERROR: Unexpected message size 7 6";
    QTest::newRow("261 without NUL") << UWORD(M_FORGET_NAME_PARAM) << QByteArray("abc") << "";
    QTest::newRow("258 short chunk") << UWORD(M_STORE_CONFIG) << QByteArray::fromHex("0000") << "";
    QTest::newRow("267 empty") << UWORD(M_ADD_RUNNER_TO_INFORM_LIST) << QByteArray() << "";
    QTest::newRow("scene recall of one byte") << UWORD(P_LAST_SCENE_RECALLED) << QByteArray(1, '\x02') << "";
}

void tst_ConfigManager::malformedRequestsAreDropped()
{
    QFETCH(UWORD, method);
    QFETCH(QByteArray, data);
    QFETCH(QString, trace);
    QVERIFY(SignIn(kRunner, "Alice", "wonder"));
    mNetwork->Clear();
    cTraceCapture traces;
    Send(kRunner, method, data);
    QCOMPARE(To(kRunner).size(), 0);
    if (!trace.isEmpty())
        QCOMPARE(traces.Count(trace), 1);
    QVERIFY(mManager->RunnerInformList().empty());
    QVERIFY(mManager->ParamChangeInformList().empty());
}

void tst_ConfigManager::loginTokenRefusalsNameTheUnit_data()
{
    QTest::addColumn<bool>("signedIn");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QByteArray>("answer");
    QTest::newRow("not signed in") << false << Strings({ "mixer-b", "10.77.0.7" }) << QByteArray("\0\0mixer-b\0", 10);
    QTest::newRow("unit not in the configuration")
        << true << Strings({ "mixer-q", "10.77.0.7" }) << QByteArray("\0\1mixer-q\0", 10);
    QTest::newRow("unit without password") << true << Strings({ "10.77.0.9", "10.77.0.9" })
                                           << QByteArray("\0\1"
                                                         "10.77.0.9\0",
                                                  12);
    QTest::newRow("address missing") << true << QByteArray("mixer-b", 8) << QByteArray("\0\1mixer-b\0", 10);
    QTest::newRow("nothing readable") << true << QByteArray("mix") << QByteArray("\0\1\0", 3);
}

void tst_ConfigManager::loginTokenRefusalsNameTheUnit()
{
    QFETCH(bool, signedIn);
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, answer);
    if (signedIn)
        QVERIFY(SignIn(kRunner, "Alice", "wonder"));
    Send(kRunner, M_GET_RUNNER_LOGIN_TOKEN, data);
    QCOMPARE(Last(kRunner).mMethod, UWORD(M_REPLY_FAIL));
    QCOMPARE(ToHex(Data(Last(kRunner))), ToHex(answer));
    QCOMPARE(mManager->NumberOfSecondaryAuthenticators(), std::size_t(0));
}

void tst_ConfigManager::tokenSignsInOnceFromItsAddress()
{
    const sClient primary { 6, 90 }; // the primary unit's authenticator, signed in as Admin
    const sClient runner { 7, 12 };
    const sClient elsewhere { 8, 12 };
    mServices->SetPeerAddress(runner.mConnectionId, "10.77.0.1");
    mServices->SetPeerAddress(elsewhere.mConnectionId, "10.77.0.2");
    const QByteArray token = RandomBytes(kTokenLength);

    Send(primary, M_SET_RUNNER_LOGIN_TOKEN, token + QByteArray("10.77.0.1", 10));
    QCOMPARE(Last(primary).mMethod, UWORD(M_REPLY_FAIL));
    QVERIFY(SignIn(primary, "Admin", "root"));
    Send(primary, M_SET_RUNNER_LOGIN_TOKEN, token.left(40));
    QCOMPARE(Last(primary).mMethod, UWORD(M_REPLY_FAIL));
    Send(primary, M_SET_RUNNER_LOGIN_TOKEN, token + QByteArray("10.77.0.1", 10));
    QCOMPARE(Last(primary).mMethod, UWORD(M_REPLY_OK));
    QCOMPARE(Last(primary).mLength, UWORD(0));

    Send(elsewhere, M_AUTHENTICATE_BY_TOKEN, token);
    QCOMPARE(Last(elsewhere).mMethod, UWORD(M_REPLY_FAIL));
    Send(runner, M_AUTHENTICATE_BY_TOKEN, token.left(63));
    QCOMPARE(Last(runner).mMethod, UWORD(M_REPLY_FAIL));
    Send(runner, M_AUTHENTICATE_BY_TOKEN, token);
    QCOMPARE(Last(runner).mMethod, UWORD(M_REPLY_OK));
    QVERIFY(mManager->Authenticated(runner.mConnectionId, runner.mHandle));
    // Signed in as user 0, whose layouts it then gets.
    Send(runner, M_GET_RUNNER_CONFIG, QByteArray::fromHex("00 0000"));
    QCOMPARE(mManager->RunnerInformList().front().mUserName, std::string("Alice"));

    const sClient again { 9, 12 };
    mServices->SetPeerAddress(again.mConnectionId, "10.77.0.1");
    Send(again, M_AUTHENTICATE_BY_TOKEN, token);
    QCOMPARE(Last(again).mMethod, UWORD(M_REPLY_FAIL));
}

void tst_ConfigManager::scenesAnnouncedOnceAfterQuiet()
{
    mManager->SetSceneName(3, QStringLiteral("Verse"));
    auto recall = [&](UWORD scene) {
        QByteArray data(2, '\0');
        data[1] = char(scene);
        Send(sClient { 0, 1 }, P_LAST_SCENE_RECALLED, data);
    };
    cReplyWorkerThread* worker = mManager->Worker();
    recall(1);
    mManager->ActionTick();
    recall(2);
    mManager->ActionTick();
    recall(3);
    for (int tick = 1; tick <= 50; ++tick)
        mManager->ActionTick();
    QCOMPARE(worker->GetCurrentSceneNumber(), UWORD(0));
    mManager->ActionTick(); // the 51st after the last recall
    QCOMPARE(worker->GetCurrentSceneNumber(), UWORD(3));
    QCOMPARE(worker->GetCurrentSceneName(), std::string("Verse"));
    recall(3); // the same scene again is no change
    for (int tick = 0; tick < 60; ++tick)
        mManager->ActionTick();
    QCOMPARE(worker->GetCurrentSceneNumber(), UWORD(3));
}

void tst_ConfigManager::sceneHeaderChange()
{
    cReplyWorkerThread* worker = mManager->Worker();
    mManager->SetSceneName(0, QStringLiteral("Opening"));
    Send(sClient { 0, 1 }, P_SCENE_HEADER_CHANGED, QByteArray::fromHex("0005"));
    QCOMPARE(worker->GetCurrentSceneName(), std::string());
    Send(sClient { 0, 1 }, P_SCENE_HEADER_CHANGED, QByteArray::fromHex("0000"));
    QCOMPARE(worker->GetCurrentSceneName(), std::string("Opening"));
}

void tst_ConfigManager::connectionEndPurgesItsState()
{
    mManager->SetKey("fader/1", { { "Input 1", 4096 } });
    QVERIFY(SignIn(kRunner, "Alice", "wonder"));
    QVERIFY(SignIn(kOther, "Bob", ""));
    Send(kRunner, M_REQUEST_NAME_PARAM, QByteArray::fromHex("00000001") + QByteArray("fader/1", 8));
    Send(kRunner, M_ADD_RUNNER_TO_INFORM_LIST, QByteArray(1, '\0'));
    Send(kOther, M_ADD_RUNNER_TO_INFORM_LIST, QByteArray(1, '\0'));
    Send(kRunner, M_AUTHENTICATE); // a salt left pending

    mManager->ConnectionTerminated(kRunner.mConnectionId, true);
    QVERIFY(!mManager->Authenticated(kRunner.mConnectionId, kRunner.mHandle));
    QVERIFY(mManager->Authenticated(kOther.mConnectionId, kOther.mHandle));
    QCOMPARE(mManager->NumberOfPendingSalts(), std::size_t(0));
    QVERIFY(mManager->ParamChangeInformList().empty());
    QCOMPARE(mManager->RunnerInformList().size(), std::size_t(1));
    QCOMPARE(mManager->RunnerInformList().front().mConnectionId, kOther.mConnectionId);

    // A newcomer reusing the connection id and handle starts from nothing.
    mNetwork->Clear();
    Send(kRunner, M_GET_RUNNER_CONFIG, QByteArray::fromHex("00 0000"));
    QCOMPARE(Methods(kRunner), QVector<UWORD> { M_REPLY_FAIL });
}

void tst_ConfigManager::syncClientsSkippedOnlyByPair()
{
    const sClient editorA { 3, 50 };
    const sClient editorB { 4, 50 }; // another PC, same handle
    const sClient editorC { 3, 51 }; // same connection, another object
    for (const sClient& editor : { editorA, editorB, editorC }) {
        QVERIFY(SignIn(editor, "Alice", "wonder"));
        Send(editor, M_ADD_SYNC_CLIENT);
    }
    mNetwork->Clear();
    Upload(editorA, 0, 0, "<QuendleConfig/>");
    QCOMPARE(Methods(editorA), (QVector<UWORD> { M_UPLOAD_PROGRESS, M_MANAGER_STATUS }));
    QCOMPARE(Methods(editorB), QVector<UWORD> { M_CONFIG_UPDATED });
    QCOMPARE(Methods(editorC), QVector<UWORD> { M_CONFIG_UPDATED });
}

void tst_ConfigManager::userList_data()
{
    QTest::addColumn<bool>("allowed");
    QTest::addColumn<UWORD>("sourceMethod");
    QTest::addColumn<QByteArray>("expected");
    // Alice (password), Bob (none), Mallory not valid, Admin (password), "" (none).
    QTest::newRow("allowed") << true << UWORD(PARAMETER_BASE)
                             << QByteArray("\x04"
                                           "Alice\0\x01"
                                           "Bob\0\x00"
                                           "Admin\0\x01"
                                           "\0\x00",
                                    22);
    QTest::newRow("not allowed") << false << UWORD(PARAMETER_BASE) << QByteArray(1, '\0');
    QTest::newRow("other parameter") << true << UWORD(PARAMETER_BASE + 1) << QByteArray();
}

void tst_ConfigManager::userList()
{
    QFETCH(bool, allowed);
    QFETCH(UWORD, sourceMethod);
    QFETCH(QByteArray, expected);
    if (!allowed) {
        WriteConfig("<QuendleConfig allowUserList=\"false\"/>");
        mManager->CheckForAllowUserLists();
    }
    mManager->AddUser(QString(), QString());
    const UWORD server = mRouter->Router().GetHandle(kUserListServerName);
    cUserListServer* list = static_cast<cUserListServer*>(mRouter->Router().GetObject(server));
    cTraceCapture traces;
    list->UpdateNewObject(kRunner.mConnectionId, kRunner.mHandle, PARAMETER_BASE + 7, sourceMethod);
    if (expected.isEmpty()) {
        QCOMPARE(To(kRunner).size(), 0);
        QCOMPARE(traces.Count(QStringLiteral("ERROR: No matching method at this level.")), 1);
        return;
    }
    QCOMPARE(Last(kRunner).mMethod, UWORD(PARAMETER_BASE + 7));
    QCOMPARE(Last(kRunner).mSource, server);
    QCOMPARE(ToHex(Data(Last(kRunner))), ToHex(expected));
}

void tst_ConfigManager::allowUserList_data()
{
    QTest::addColumn<QByteArray>("root");
    QTest::addColumn<bool>("allowed");
    QTest::newRow("true") << QByteArray("<QuendleConfig allowUserList=\"true\"/>") << true;
    QTest::newRow("True") << QByteArray("<QuendleConfig allowUserList=\"True\"/>") << false;
    QTest::newRow("missing") << QByteArray("<QuendleConfig/>") << false;
    QTest::newRow("empty file") << QByteArray() << false;
}

void tst_ConfigManager::allowUserList()
{
    QFETCH(QByteArray, root);
    QFETCH(bool, allowed);
    WriteConfig(root);
    mManager->CheckForAllowUserLists();
    QCOMPARE(mManager->AllowUserList(), allowed);
}

void tst_ConfigManager::managerVersionReply()
{
    cProbeObject client("Version asker");
    client.mSwallowAll = true;
    cZUNetMessage request;
    request.SetAddress(0, mRouter->Router().GetHandle(kManagerVersionName), client.GetHandle(), M_GET_MANAGER_VERSION);
    mRouter->Router().PostLocalMessage(request);
    mRouter->Drain();
    QCOMPARE(client.mReceived.size(), 1);
    QCOMPARE(client.mReceived[0].mMethod, UWORD(M_REPLY_OK));
    QCOMPARE(client.mReceived[0].mSource, request.mDestination);
    QCOMPARE(Data(client.mReceived[0]), QByteArray::fromHex("0001 01 03 00"));
}

QTEST_GUILESS_MAIN(tst_ConfigManager)
#include "tst_configmanager.moc"
