// A mixing unit's sign-in and configuration side in a process of its own, for the runner's
// end-to-end tests and benchmarks:
//   quendle_test_unit --listen ADDRESS --description FILE [--config FILE] [--manager-version N]
//                     [--min-client-version A.B.C] [--legacy-sign-in] [--keepalive-ms N]
//                     [--raw-port P] [--mute METHOD]
// It accepts ZUNet connections on ADDRESS:51321 and holds the configuration manager (with its
// reply worker, version object, user-list server and secondary-unit authenticators) over a user
// store, scene names and a key table read from the description file (see TestUnitDescription.h),
// the stored configuration FILE, and the plain mixer objects the description names. It reports on
// standard output: "unit: ready", "unit: terminated ID LOST", "unit: raw N" ...; it takes commands
// on standard input, one per line:
//   "scene N"                      the mixer recalls scene N
//   "config-updated"               tells every runner the configuration changed
//   "name-update PATH NAME PARAM"  tells the clients of PATH that it now denotes NAME/PARAM
// and shuts down in order when standard input closes. With --raw-port it also accepts plain TCP
// on that port and sends the stored configuration file's bytes to each connection (the baseline
// of the download benchmark).
#include "ActionTickDriver.h"
#include "ConfigManagerVersion.h"
#include "NetworkConnection.h"
#include "RegistryRouter.h"
#include "SaltHash.h"
#include "ServerConnection.h"
#include "Syscall.h"
#include "SyscallThread.h"
#include "TestConfigManager.h"
#include "Trace.h"
#include "UnitNetworkServices.h"
#include "ValueObject.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <array>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include <unistd.h>

namespace
{

/// Tells the test which connections ended.
class cWatcher : public cNetObject
{
public:
    cWatcher()
        : cNetObject("Unit Watcher", 0)
    {
    }
    ~cWatcher() override { Unregister(); }
    void ConnectionTerminated(UWORD connectionId, bool lostComms) override
    {
        ZU_TRACE("unit: terminated %d %d", connectionId, lostComms ? 1 : 0);
    }
};

/// The manager, plus the one-step sign-in of managers older than version 1 when asked for.
class cUnitConfigManager : public cTestConfigManager
{
public:
    using cTestConfigManager::cTestConfigManager;
    bool mLegacySignIn = false;
    UWORD mMutedMethod = 0;

    void EntrypointMessage(cZUNetMessage& message) override
    {
        if (mMutedMethod != 0 && message.mMethod == mMutedMethod) {
            ZU_TRACE("unit: muted %d", message.mMethod);
            return;
        }
        if (mLegacySignIn && message.mMethod == Quendle::M_AUTHENTICATE && message.mLength > 0) {
            LegacyAuthenticate(message);
            return;
        }
        cTestConfigManager::EntrypointMessage(message);
    }

private:
    /// The request carries the client's hash texts themselves.
    void LegacyAuthenticate(const cZUNetMessage& request)
    {
        const char* user = nullptr;
        const char* password = nullptr;
        bool ok = request.ReadString(0, user) && request.ReadString(static_cast<int>(std::strlen(user)) + 1, password);
        if (ok) {
            ok = false;
            for (int i = 0; i < NumberOfUsers() && !ok; ++i) {
                const UWORD index = UWORD(i);
                ok = IsUserValid(index)
                    && Quendle::Hash(QByteArray::fromStdString(GetUserName(index))).toBase64() == QByteArray(user)
                    && Quendle::Hash(QByteArray::fromStdString(GetUserPassword(index))).toBase64()
                        == QByteArray(password);
                if (ok)
                    SetAuthenticated(request.mConnectionId, request.mSource, index);
            }
        }
        cZUNetMessage reply;
        reply.mConnectionId = request.mConnectionId;
        reply.mDestination = request.mSource;
        reply.mSource = GetHandle();
        reply.mMethod = ok ? M_REPLY_OK : M_REPLY_FAIL;
        SyscallSendMessage(reply);
    }
};

/// Sends the stored file's bytes to every plain TCP connection, then closes it.
class cRawFileServer : public QTcpServer
{
public:
    cRawFileServer(const QString& path, QObject* parent)
        : QTcpServer(parent)
        , mPath(path)
    {
    }

protected:
    void incomingConnection(qintptr descriptor) override
    {
        auto* socket = new QTcpSocket(this);
        socket->setSocketDescriptor(descriptor);
        QFile file(mPath);
        file.open(QIODevice::ReadOnly);
        socket->write(file.readAll());
        connect(socket, &QTcpSocket::bytesWritten, socket, [socket] {
            if (socket->bytesToWrite() == 0)
                socket->disconnectFromHost();
        });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }

private:
    QString mPath;
};

std::array<UBYTE, 3> ParseVersion(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    std::array<UBYTE, 3> version { 1, 3, 0 };
    for (int i = 0; i < 3 && i < parts.size(); ++i)
        version[std::size_t(i)] = UBYTE(parts[i].toUInt());
    return version;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOptions({
        { "listen", "Address to accept connections on.", "address", "127.0.0.2" },
        { "description", "Users, scenes, keys and mixer objects (JSON).", "file" },
        { "config", "The stored configuration file.", "file" },
        { "manager-version", "Manager version the version object reports.", "n", "1" },
        { "min-client-version", "Oldest client the version object accepts.", "a.b.c", "1.3.0" },
        { "legacy-sign-in", "Accept the one-step sign-in of managers before version 1." },
        { "keepalive-ms", "Keep-alive and ageing period (test setting).", "ms", "0" },
        { "raw-port", "Also send the configuration file over plain TCP on this port.", "port", "0" },
        { "mute", "Never answer requests with this method number.", "method", "0" },
    });
    parser.process(app);

    QJsonObject description;
    if (parser.isSet("description")) {
        QFile file(parser.value("description"));
        if (!file.open(QIODevice::ReadOnly))
            return 4;
        description = QJsonDocument::fromJson(file.readAll()).object();
    }

    SetLostCommsPeriodForTests(parser.value("keepalive-ms").toInt());
    cNetworkConnection::AllowInstanceOf(true);
    InitialiseSyscall(CONNECTION_TERMINATED_ABORT_COMMANDS, true);
    cNetworkConnection* network = cNetworkConnection::Instance();
    network->InitialiseLostComms();
    Quendle::cUnitNetworkServices services;
    Quendle::SetUnitServices(&services);

    auto syscallThread = std::make_unique<cSyscallThread>();
    auto tickDriver = std::make_unique<cActionTickDriver>(nullptr);
    {
        QMutex configFileLock;
        cWatcher watcher;
        cUnitConfigManager manager(parser.value("config"), &configFileLock);
        manager.Load(description);
        manager.mLegacySignIn = parser.isSet("legacy-sign-in");
        manager.mMutedMethod = UWORD(parser.value("mute").toUInt());
        manager.VersionObject()->SetVersion(
            UWORD(parser.value("manager-version").toInt()), ParseVersion(parser.value("min-client-version")));
        std::vector<std::unique_ptr<cValueObject>> mixerObjects;
        for (const QJsonValue& object : description.value(QStringLiteral("objects")).toArray()) {
            const QJsonObject entry = object.toObject();
            mixerObjects.push_back(
                std::make_unique<cValueObject>(entry.value(QStringLiteral("name")).toString().toUtf8().constData(),
                    UWORD(entry.value(QStringLiteral("parameters")).toInt(1))));
            mixerObjects.back()->SetValue(UWORD(entry.value(QStringLiteral("value")).toInt()));
        }

        syscallThread->StartSyscall();
        tickDriver->StartTimer();
        SyscallSetStartTicks(true);

        const QHostAddress listen(parser.value("listen"));
        cZUNetTCPServer server(nullptr, listen);
        if (!server.isListening())
            return 3;
        cRawFileServer raw(parser.value("config"), nullptr);
        if (const quint16 rawPort = quint16(parser.value("raw-port").toUInt())) {
            if (!raw.listen(listen, rawPort))
                return 5;
        }

        // Commands arrive on standard input; its end is the request to stop.
        std::thread([&app, &manager] {
            QByteArray pending;
            char buffer[256];
            ssize_t count;
            while ((count = ::read(0, buffer, sizeof(buffer))) > 0) {
                pending.append(buffer, int(count));
                int end;
                while ((end = pending.indexOf('\n')) >= 0) {
                    const QString line = QString::fromUtf8(pending.left(end)).trimmed();
                    pending.remove(0, end + 1);
                    QMetaObject::invokeMethod(&app, [line, &manager] {
                        const QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
                        if (words.isEmpty())
                            return;
                        SyscallMessagesPollLock();
                        if (words[0] == QLatin1String("scene") && words.size() == 2) {
                            cZUNetMessage recall(2);
                            recall.SetDataBufferUWORD(UWORD(words[1].toUInt()), 0);
                            recall.mConnectionId = 0;
                            recall.mDestination = manager.GetHandle();
                            recall.mSource = 0xFFFF;
                            recall.mMethod = Quendle::P_LAST_SCENE_RECALLED;
                            SyscallSendMessage(recall);
                        } else if (words[0] == QLatin1String("config-updated")) {
                            manager.InformRunnersOfConfigUpdate();
                        } else if (words[0] == QLatin1String("name-update") && words.size() == 4) {
                            const std::string path = words[1].toStdString();
                            for (const Quendle::sParamChangeInformItem& item : manager.ParamChangeInformList()) {
                                if (item.mObjectPath == path)
                                    manager.SendNameParamChangeMessage(
                                        item, 0, { { words[2].toStdString(), UWORD(words[3].toUInt()) } });
                            }
                        }
                        SyscallMessagesPollUnLock();
                        ZU_TRACE("unit: done %s", line.toUtf8().constData());
                    });
                }
            }
            QMetaObject::invokeMethod(&app, &QCoreApplication::quit, Qt::QueuedConnection);
        }).detach();

        ZU_TRACE("unit: ready");
        app.exec();

        // Connections end first (with BYE), then ticks and dispatch, then the objects and the manager.
        server.close();
        raw.close();
        network->UninitialiseLostComms();
        SyscallSetStartTicks(false);
        syscallThread->QuitSyscallAndWait();
    }
    tickDriver.reset();
    syscallThread.reset();
    cNetworkConnection::DeleteInstance();
    Quendle::SetUnitServices(nullptr);
    UninitialiseSyscall();
    return 0;
}
