// An editor's configuration client against the unit program: whole configurations downloaded into
// memory in chunk order, each download replacing the last, and an upload that the unit stores byte
// for byte and that a runner signed in to the same unit downloads again.
#include "Quendle/AppCommon/EditorQuendleConfigClient.h"
#include "Quendle/AppCommon/PasswordHashing.h"
#include "Quendle/AppCommon/RunnerQuendleConfigClient.h"
#include "Quendle/Global/ConfigManagerProtocol.h"
#include "ZUNet/Core/PollLocker.h"
#include "ZUNet/QT/NetworkConnection.h"
#include "tests/support/Connections.h"
#include "tests/support/HexData.h"
#include "tests/support/quendle/QuendleUnit.h"
#include "tests/support/quendle/RunnerDownload.h"

#include <QCryptographicHash>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace Quendle;

namespace
{

const QString kUnit = QStringLiteral("127.0.0.2");
const std::array<UBYTE, 3> kOwnVersion = { 1, 3, 1 };

/// The test configuration with its first layout renamed and padded to exactly `size` bytes with a
/// comment of printable text, line feeds and two-byte characters, so that it takes several chunks.
QByteArray EditedConfiguration(const QByteArray& original, int size)
{
    QByteArray edited = original;
    edited.replace("Band desk", "Choir desk");
    const int room = size - edited.size() - 9; // "<!-- " and " -->"
    QByteArray body;
    for (int i = 0; body.size() < room; ++i) {
        if (i % 97 == 96 && room - body.size() >= 3) {
            body += "\xC3\xA9\n"; // é
            continue;
        }
        const char c = char(0x20 + i % 0x5F);
        body += c == '-' ? 'x' : c;
    }
    edited.insert(edited.lastIndexOf("</QuendleConfig>"), "<!-- " + body + " -->");
    return edited;
}

/// Finds the unit's manager through a new connection and signs in as `name`.
bool SignIn(cQuendleConfigClient& client, const QString& name, const QString& password)
{
    QSignalSpy found(&client, &cQuendleConfigClient::SeekSuccessful);
    QSignalSpy notFound(&client, &cQuendleConfigClient::SeekFailed);
    const QByteArray path = (kUnit + QLatin1Char('/') + QLatin1String(kConfigManagerName)).toUtf8();
    {
        cPollLocker poll;
        client.SeekObject(path.constData());
    }
    if (!QTest::qWaitFor([&] { return found.count() + notFound.count() > 0; }, 10000) || found.count() != 1)
        return false;
    QSignalSpy authenticated(&client, &cQuendleConfigClient::Authenticated);
    QSignalSpy refused(&client, &cQuendleConfigClient::AuthenticationFailed);
    client.Authenticate(GetHashedString(name), GetHashedPassword(password));
    return QTest::qWaitFor([&] { return authenticated.count() + refused.count() > 0; }, 10000)
        && authenticated.count() == 1;
}

/// Downloads the whole configuration; false when it fails or takes too long.
bool DownloadWhole(cEditorQuendleConfigClient& editor, int* chunks = nullptr)
{
    QSignalSpy done(&editor, &cQuendleConfigClient::DownloadConfigSuccessful);
    QSignalSpy failed(&editor, &cQuendleConfigClient::DownloadConfigFailed);
    QSignalSpy progress(&editor, &cQuendleConfigClient::DownloadProgress);
    editor.DownloadConfig();
    const bool ended = QTest::qWaitFor([&] { return done.count() + failed.count() > 0; }, 30000);
    if (chunks)
        *chunks = progress.count();
    return ended && done.count() == 1 && failed.count() == 0;
}

QString Sha256(const QByteArray& bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

} // namespace

class tst_EditorClientEndToEnd : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void downloadWhole_data();
    void downloadWhole();
    void newDownloadReplacesTheLast();
    void uploadReachesTheUnitAndItsRunners();

private:
    QString ConfigPath() const { return mDir->filePath(QStringLiteral("config.xml")); }
    QByteArray ConfigBytes() const;

    cStartedNetwork mNetwork;
    std::unique_ptr<QTemporaryDir> mDir;
};

void tst_EditorClientEndToEnd::init()
{
    mDir = std::make_unique<QTemporaryDir>();
    QVERIFY(CopyTestData(QStringLiteral("config/runner.xml"), ConfigPath()));
}

void tst_EditorClientEndToEnd::cleanup()
{
    EndEveryConnection();
    mDir.reset();
}

QByteArray tst_EditorClientEndToEnd::ConfigBytes() const
{
    QFile file(ConfigPath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<no file>");
}

// Rows: the stored file's size (0: empty; -1: the test configuration) and the chunks it takes.
void tst_EditorClientEndToEnd::downloadWhole_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("chunks");
    QTest::newRow("test configuration, one chunk") << -1 << 1;
    QTest::newRow("empty file, one chunk without data") << 0 << 1;
    QTest::newRow("exactly one full chunk") << kChunkSize << 1;
    QTest::newRow("one byte over a chunk") << kChunkSize + 1 << 2;
    QTest::newRow("four chunks") << 3 * kChunkSize + 500 << 4;
}

void tst_EditorClientEndToEnd::downloadWhole()
{
    QFETCH(int, size);
    QFETCH(int, chunks);
    if (size == 0)
        QVERIFY(QFile(ConfigPath()).resize(0));
    else if (size > 0) {
        const QByteArray bytes = EditedConfiguration(ConfigBytes(), size);
        QFile file(ConfigPath());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(file.write(bytes), qint64(size));
    }
    const QByteArray stored = ConfigBytes();
    cQuendleUnit unit;
    QVERIFY(unit.Start(kUnit, ConfigPath()));
    cEditorQuendleConfigClient editor("EditorQuendleConfigClient_w", kOwnVersion);
    QVERIFY(SignIn(editor, "Alice", "wonder"));
    int progress = 0;
    QVERIFY(DownloadWhole(editor, &progress));
    QCOMPARE(progress, chunks);
    QCOMPARE(editor.DownloadedConfigData().size(), stored.size());
    QCOMPARE(editor.DownloadedConfigData(), stored);
}

void tst_EditorClientEndToEnd::newDownloadReplacesTheLast()
{
    const QByteArray first = ConfigBytes();
    cQuendleUnit unit;
    QVERIFY(unit.Start(kUnit, ConfigPath()));
    cEditorQuendleConfigClient editor("EditorQuendleConfigClient_n", kOwnVersion);
    QVERIFY(SignIn(editor, "Alice", "wonder"));
    QVERIFY(DownloadWhole(editor));
    QCOMPARE(editor.DownloadedConfigData(), first);
    QVERIFY(DownloadWhole(editor));
    QCOMPARE(editor.DownloadedConfigData(), first); // not twice over

    // A longer file, then a shorter one: each download holds exactly the file of its time.
    const QByteArray longer = EditedConfiguration(first, 2 * kChunkSize + 10);
    {
        QFile file(ConfigPath());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(file.write(longer), qint64(longer.size()));
    }
    QVERIFY(DownloadWhole(editor));
    QCOMPARE(editor.DownloadedConfigData(), longer);
    QVERIFY(QFile(ConfigPath()).resize(0));
    QVERIFY(DownloadWhole(editor));
    QCOMPARE(editor.DownloadedConfigData(), QByteArray());
}

void tst_EditorClientEndToEnd::uploadReachesTheUnitAndItsRunners()
{
    cQuendleUnit unit;
    QVERIFY(unit.Start(kUnit, ConfigPath()));

    // A runner signed in and holding the configuration, so the unit tells it of changes.
    cRunnerQuendleConfigClient runner("QuendleConfigClient_r", kOwnVersion);
    QVERIFY(SignIn(runner, "Alice", "wonder"));
    QSignalSpy runnerDownloaded(&runner, &cQuendleConfigClient::DownloadConfigSuccessful);
    runner.DownloadRunnerConfig(Desktop, {});
    QTRY_COMPARE_WITH_TIMEOUT(runnerDownloaded.count(), 1, 30000);
    QVERIFY(RunnerDownloadBytes(runner).contains("Band desk"));
    runner.SetDownloadHasBeenProcessed();
    // What the application does when the unit says its configuration changed.
    QSignalSpy runnerUpdated(&runner, &cQuendleConfigClient::ConfigUpdated);
    connect(&runner, &cQuendleConfigClient::ConfigUpdated, &runner,
        [&runner] { runner.DownloadRunnerConfig(Desktop, {}); });

    cEditorQuendleConfigClient editor("EditorQuendleConfigClient_u", kOwnVersion);
    QVERIFY(SignIn(editor, "Admin", "root"));
    QSignalSpy uploaded(&editor, &cQuendleConfigClient::UploadConfigSuccessful);
    QSignalSpy uploadFailed(&editor, &cQuendleConfigClient::UploadConfigFailed);
    QSignalSpy progress(&editor, &cQuendleConfigClient::UploadProgress);
    QSignalSpy editorUpdated(&editor, &cQuendleConfigClient::ConfigUpdated);
    const QByteArray edited = EditedConfiguration(ConfigBytes(), 2 * kChunkSize + 1234);
    editor.UploadConfig(edited);
    QTRY_COMPARE_WITH_TIMEOUT(uploaded.count() + uploadFailed.count(), 1, 30000);
    QCOMPARE(uploaded.count(), 1);
    QCOMPARE(progress.count(), 3);
    QCOMPARE(progress.last().first().toFloat(), 1.0f);

    // Stored byte for byte, as the unit itself reads it.
    QVERIFY(unit.Command(QStringLiteral("stored")));
    QCOMPARE(unit.CountLines(QStringLiteral("unit: stored %1 %2\t").arg(edited.size()).arg(Sha256(edited))), 1);
    QCOMPARE(ConfigBytes(), edited);

    // The runner hears of it and downloads the new configuration; the uploader is not told.
    QTRY_COMPARE_WITH_TIMEOUT(runnerDownloaded.count(), 2, 30000);
    QCOMPARE(runnerUpdated.count(), 1);
    const QByteArray again = RunnerDownloadBytes(runner);
    QVERIFY(again.contains("Choir desk"));
    QVERIFY(!again.contains("Band desk"));
    QCOMPARE(editorUpdated.count(), 0);

    // The editor reads back what it wrote.
    QVERIFY(DownloadWhole(editor));
    QCOMPARE(editor.DownloadedConfigData(), edited);
}

QTEST_GUILESS_MAIN(tst_EditorClientEndToEnd)
#include "tst_editorclient_endtoend.moc"
