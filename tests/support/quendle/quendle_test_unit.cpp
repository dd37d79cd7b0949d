// A mixing unit's sign-in and configuration side in a process of its own, for the runner's
// end-to-end tests and benchmarks:
//   quendle_test_unit --listen ADDRESS --description FILE [--config FILE] [--manager-version N]
//                     [--min-client-version A.B.C] [--legacy-sign-in] [--keepalive-ms N]
//                     [--raw-port P] [--mute METHOD] [--stall-after-chunks N] [--mute-version]
//                     [--user-list-reply HEX|silent] [--nameless-token-failures]
//                     [--announce FIND_STRING [--unit-name NAME]] [--scene N]
// It accepts ZUNet connections on ADDRESS:51321 and holds the configuration manager (with its
// reply worker, version object, user-list server and secondary-unit authenticators) over a user
// store, scene names and a key table read from the description file (see TestUnitDescription.h),
// the stored configuration FILE, and the plain mixer objects the description names. It reports on
// standard output: "unit: ready", "unit: terminated ID LOST", "unit: raw N" ...; it takes commands
// on standard input, one per line:
//   "scene N"                      the mixer recalls scene N
//   "config-updated [COUNT MS]"    tells every runner the configuration changed; with COUNT, that many
//                                  times MS ms apart, each time first storing the configuration
//                                  with "{notice}" in it replaced by the notice's number (1 to
//                                  COUNT), as an editor's uploads in quick succession do; reports
//                                  "unit: notice N" after each
//   "name-update PATH NAME PARAM"  tells the clients of PATH that it now denotes NAME/PARAM
//   "set OBJECT VALUE [PARAM]"     a mixer object's parameter changes at the unit (sent to its links)
//   "get OBJECT [PARAM]"           reports "unit: value OBJECT[PARAM] VALUE"
//   "links OBJECT [PARAM]"         reports "unit: links OBJECT[PARAM] N", the objects it informs
//   "sweep OBJECT COUNT [PARAM]"   the parameter takes the values 1 to COUNT in turn
//   "pulse MS A B"                 every MS ms (0: no more) the first parameter of every mixer
//                                  object takes A and B in turn
//   "listeners PATH"               reports "unit: listeners PATH N", the clients told of its changes
//   "runners"                      reports "unit: runners N", the runners to be told of configuration
//                                  changes
//   "received"                     reports "unit: received names N links M", the name requests and
//                                  link messages (inform-list additions and removals) received so far
//   "stored"                       reports "unit: stored SIZE SHA256" of the stored configuration
//                                  file as the unit reads it (under its file lock; "-" when none)
// Mixer objects ("objects" of the description) hold one value per parameter, one byte wide when
// their "size" is 1 (on/off switches), two bytes otherwise (levels).
// and shuts down in order when standard input closes. With --raw-port it also accepts plain TCP
// on that port and sends the stored configuration file's bytes to each connection (the baseline
// of the download benchmark). With --user-list-reply its user-list server answers every link with
// those bytes instead of the user list, or not at all. With --nameless-token-failures the manager's
// own login-token refusals (codes 0 and 1) carry no unit name, as older managers send them.
// With --announce it also answers discovery for that find string under the unit name (default
// "quendle.unit"), as a unit on the LAN does. With --scene the mixer starts in scene N (0 otherwise),
// as a unit restarted after a recall does.
#include "Common/Qt/FindMe.h"
#include "Quendle/Global/ConfigManagerProtocol.h"
#include "Quendle/Global/ConfigManagerVersion.h"
#include "Quendle/Global/SaltHash.h"
#include "Quendle/Global/UnitNetworkServices.h"
#include "Quendle/Global/UserListServer.h"
#include "ZUNet/Core/RegistryRouter.h"
#include "ZUNet/Core/Syscall.h"
#include "ZUNet/Core/Trace.h"
#include "ZUNet/QT/NetworkConnection.h"
#include "ZUNet/QT/NetworkStack.h"
#include "ZUNet/QT/ServerConnection.h"
#include "ZUNet/QT/TestSettings.h"
#include "tests/support/CommandReader.h"
#include "tests/support/UnitWatcher.h"
#include "tests/support/quendle/TestConfigManager.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutexLocker>
#include <QThread>
#include <QTimer>

#include <array>
#include <atomic>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace
{

// What a runner costs the unit: counted as received, from any connection.
std::atomic<int> gNameRequests { 0 };
std::atomic<int> gLinkMessages { 0 };

/// A parameter-holding object of the mixer: a value received from one link is stored and passed to
/// the others; a Sync link gets the current value at once.
class cMixerObject : public cNetObject
{
public:
    static constexpr int kMaxParameters = 16;

    cMixerObject(const char* name, UWORD numberOfParameters, int width)
        : cNetObject(name, UWORD(qBound(1, int(numberOfParameters), kMaxParameters)))
        , mWidth(width == 1 ? 1 : 2)
    {
    }
    ~cMixerObject() override { Unregister(); }

    /// The caller holds the poll lock.
    void SetValue(UWORD value, UWORD parameter)
    {
        if (parameter >= mNumberOfParameters)
            return;
        mValues[parameter] = value;
        cZUNetMessage change { UWORD(mWidth) };
        Write(change, value);
        change.SetAddress(ZUNET_LOCAL_CONNECTION, mHandle, mHandle, UWORD(PARAMETER_BASE + parameter));
        InformOtherObjects(change);
    }
    UWORD Value(UWORD parameter) const { return parameter < mNumberOfParameters ? mValues[parameter].load() : 0; }

    void EntrypointMessage(cZUNetMessage& message) override
    {
        const int parameter = int(message.mMethod) - int(PARAMETER_BASE);
        if (parameter < 0 || parameter >= int(mNumberOfParameters)) {
            if (message.mMethod == M_OBJECT_ADD_TO_INFORM_LIST || message.mMethod == M_OBJECT_REMOVE_FROM_INFORM_LIST)
                ++gLinkMessages;
            cNetObject::EntrypointMessage(message);
            return;
        }
        if (!ZU_CHECK_LENGTH(message, mWidth))
            return;
        mValues[parameter] = mWidth == 1 ? message.GetDataBufferUBYTE(0) : message.GetDataBufferUWORD(0);
        InformOtherObjects(message); // not back to the sender
    }

    void UpdateNewObject(UWORD connectionId, UWORD handle, UWORD destinationMethod, UWORD sourceMethod) override
    {
        const int parameter = int(sourceMethod) - int(PARAMETER_BASE);
        if (parameter < 0 || parameter >= int(mNumberOfParameters))
            return;
        cZUNetMessage update { UWORD(mWidth) };
        Write(update, mValues[parameter].load());
        update.SetAddress(connectionId, handle, mHandle, destinationMethod);
        SyscallSendMessage(update);
    }

private:
    void Write(cZUNetMessage& message, UWORD value) const
    {
        if (mWidth == 1)
            message.SetDataBufferUBYTE(UBYTE(value), 0);
        else
            message.SetDataBufferUWORD(value, 0);
    }

    const int mWidth;
    std::atomic<UWORD> mValues[kMaxParameters] = {};
};

/// `timer`, made on first use and stopped at exit, stopped now with nothing connected to it.
void Stopped(QTimer*& timer)
{
    if (!timer) {
        timer = new QTimer(QCoreApplication::instance());
        timer->setTimerType(Qt::PreciseTimer);
        QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, timer, &QTimer::stop);
    }
    timer->stop();
    QObject::disconnect(timer, &QTimer::timeout, nullptr, nullptr);
}

/// Every `periodMs` (0: no more) the first parameter of every object changes, to `a` and `b` in turn.
void Pulse(int periodMs, UWORD a, UWORD b, const std::vector<std::unique_ptr<cMixerObject>>& objects)
{
    static QTimer* timer = nullptr;
    Stopped(timer);
    if (periodMs <= 0)
        return;
    QObject::connect(timer, &QTimer::timeout, [&objects, a, b, second = false]() mutable {
        second = !second;
        SyscallMessagesPollLock();
        for (const auto& object : objects)
            object->SetValue(second ? b : a, 0);
        SyscallMessagesPollUnLock();
    });
    timer->start(periodMs);
}

/// `count` configuration-changed notices `periodMs` apart, each after storing the configuration
/// that `original` holds with "{notice}" replaced by the notice's number. Run with the poll lock
/// free.
void NoticeBurst(int count, int periodMs, const QByteArray& original, const QString& path, QMutex& fileLock,
    Quendle::cConfigManager& manager)
{
    static QTimer* timer = nullptr;
    Stopped(timer);
    if (count <= 0)
        return;
    auto notify = [original, path, &fileLock, &manager, count, sent = 0]() mutable {
        ++sent;
        {
            QMutexLocker locker(&fileLock);
            QFile file(path);
            if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
                file.write(QByteArray(original).replace("{notice}", QByteArray::number(sent)));
        }
        SyscallMessagesPollLock();
        manager.InformRunnersOfConfigUpdate();
        SyscallMessagesPollUnLock();
        ZU_TRACE("unit: notice %d", sent);
        if (sent >= count)
            timer->stop();
    };
    QObject::connect(timer, &QTimer::timeout, notify);
    notify();
    if (count > 1)
        timer->start(qMax(0, periodMs));
}

/// Carries out the mixer objects' commands; false when the line is not one of them.
bool MixerCommand(const QStringList& words, const std::vector<std::unique_ptr<cMixerObject>>& objects)
{
    if (words.size() == 4 && words[0] == QLatin1String("pulse")) {
        Pulse(words[1].toInt(), UWORD(words[2].toUInt()), UWORD(words[3].toUInt()), objects);
        return true;
    }
    static const QStringList kCommands { "set", "get", "links", "sweep" };
    if (words.size() < 2 || !kCommands.contains(words[0]))
        return false;
    cMixerObject* object = nullptr;
    for (const auto& candidate : objects) {
        if (QString::fromUtf8(candidate->GetName()) == words[1])
            object = candidate.get();
    }
    if (!object) {
        ZU_TRACE("unit: no object %s", words[1].toUtf8().constData());
        return true;
    }
    const bool withValue = words[0] == QLatin1String("set") || words[0] == QLatin1String("sweep");
    const int parameterWord = withValue ? 3 : 2;
    const UWORD parameter = UWORD(words.size() > parameterWord ? words[parameterWord].toUInt() : 0);
    const QByteArray label = words[1].toUtf8() + "[" + QByteArray::number(parameter) + "]";
    if (words[0] == QLatin1String("set") && words.size() >= 3) {
        object->SetValue(UWORD(words[2].toUInt()), parameter);
    } else if (words[0] == QLatin1String("sweep") && words.size() >= 3) {
        const int count = words[2].toInt();
        for (int value = 1; value <= count; ++value)
            object->SetValue(UWORD(value), parameter);
    } else if (words[0] == QLatin1String("get")) {
        ZU_TRACE("unit: value %s %u", label.constData(), unsigned(object->Value(parameter)));
    } else if (words[0] == QLatin1String("links")) {
        const std::vector<sInformListItem>* links = object->GetInformList(UWORD(PARAMETER_BASE + parameter));
        ZU_TRACE("unit: links %s %zu", label.constData(), links ? links->size() : std::size_t(0));
    }
    return true;
}

/// The manager, plus the one-step sign-in of managers older than version 1 when asked for.
class cUnitConfigManager : public cTestConfigManager
{
public:
    using cTestConfigManager::cTestConfigManager;
    bool mLegacySignIn = false;
    UWORD mMutedMethod = 0;

    /// Leaves the name "Quendle User List Server" to another object.
    void UnregisterUserListServer() { UserListServer()->Unregister(); }

    void EntrypointMessage(cZUNetMessage& message) override
    {
        if (message.mMethod == Quendle::M_REQUEST_NAME_PARAM)
            ++gNameRequests;
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
        reply.SetAddress(request.mConnectionId, request.mSource, GetHandle(), ok ? M_REPLY_OK : M_REPLY_FAIL);
        SyscallSendMessage(reply);
    }
};

/// A user-list server that answers every link with fixed bytes, or never.
class cFixedUserListServer : public cNetObject
{
public:
    cFixedUserListServer(const QByteArray& reply, bool silent)
        : cNetObject(Quendle::kUserListServerName, 1)
        , mReply(reply)
        , mSilent(silent)
    {
    }
    ~cFixedUserListServer() override { Unregister(); }

    void UpdateNewObject(UWORD connectionId, UWORD handle, UWORD destinationMethod, UWORD) override
    {
        ZU_TRACE("unit: user list asked");
        if (mSilent)
            return;
        cZUNetMessage reply(UWORD(mReply.size()));
        if (!mReply.isEmpty())
            std::memcpy(reply.mDataBuffer, mReply.constData(), std::size_t(mReply.size()));
        reply.SetAddress(connectionId, handle, mHandle, destinationMethod);
        SyscallSendMessage(reply);
    }

private:
    const QByteArray mReply;
    const bool mSilent;
};

/// Passes everything to the connection manager, except that after `mStallAfter` full download chunks
/// from the manager it sends no more of them (a download that stops half-way; never when negative),
/// that nothing the object `mMutedSource` sends leaves the unit, and that the manager's own
/// login-token refusals lose their unit name when `mNamelessTokenFailures` is set.
class cStallingNetwork : public cNetworkInterface
{
public:
    explicit cStallingNetwork(cNetworkInterface* network, int stallAfter)
        : mNetwork(network)
        , mStallAfter(stallAfter)
    {
    }
    UWORD FindConnection(const char* host) override { return mNetwork->FindConnection(host); }
    bool ConnectionExists(const char* host) override { return mNetwork->ConnectionExists(host); }
    std::string HostNameFromConnectionId(UWORD id) override { return mNetwork->HostNameFromConnectionId(id); }
    UWORD NumberOfConnections() override { return mNetwork->NumberOfConnections(); }
    void SendDatagramMessage(const cZUNetMessage& message) override { mNetwork->SendDatagramMessage(message); }
    void SendMessage(const cZUNetMessage& message) override
    {
        if (mMutedSource != 0 && message.mSource == mMutedSource)
            return;
        const bool fromManager = mManagerHandle != 0 && message.mSource == mManagerHandle;
        UWORD code = 0;
        if (fromManager && mNamelessTokenFailures && message.mMethod == M_REPLY_FAIL && message.mLength > 2
            && message.ReadUWORD(0, code)
            && (code == UWORD(Quendle::eReplyFailureCodes::NotAuthenticated)
                || code == UWORD(Quendle::eReplyFailureCodes::NoSuchUnitPassword))) {
            cZUNetMessage nameless(message);
            nameless.SetLength(2);
            mNetwork->SendMessage(nameless);
            return;
        }
        if (fromManager && message.mMethod == M_REPLY_OK) {
            if (mStalled)
                return;
            // Full-size chunks are counted: nothing else the manager sends is that long.
            if (mStallAfter >= 0 && message.mLength == Quendle::kChunkSize + Quendle::kChunkHeaderSize
                && ++mChunks > mStallAfter) {
                mStalled = true;
                ZU_TRACE("unit: stalled");
                return;
            }
        }
        mNetwork->SendMessage(message);
    }
    std::atomic<UWORD> mManagerHandle { 0 };
    std::atomic<UWORD> mMutedSource { 0 };
    std::atomic<bool> mNamelessTokenFailures { false };

private:
    cNetworkInterface* mNetwork;
    const int mStallAfter;
    std::atomic<int> mChunks { 0 };
    std::atomic<bool> mStalled { false };
};

/// Sends the stored file's bytes to every plain TCP connection with blocking writes on a thread of
/// its own, then closes it: the fastest plain transfer of the same bytes, the benchmark's baseline.
class cRawFileServer
{
public:
    ~cRawFileServer() { Close(); }

    bool Listen(const QString& path, const QHostAddress& address, quint16 port)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return false;
        mBytes = file.readAll();
        mListener = ::socket(AF_INET, SOCK_STREAM, 0);
        const int yes = 1;
        ::setsockopt(mListener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
        sockaddr_in local {};
        local.sin_family = AF_INET;
        local.sin_port = htons(port);
        local.sin_addr.s_addr = htonl(address.toIPv4Address());
        if (::bind(mListener, reinterpret_cast<sockaddr*>(&local), sizeof(local)) != 0 || ::listen(mListener, 4) != 0)
            return false;
        mThread = std::thread([this] {
            for (;;) {
                const int connection = ::accept(mListener, nullptr, nullptr);
                if (connection < 0)
                    return;
                for (qint64 sent = 0; sent < mBytes.size();) {
                    const ssize_t count
                        = ::write(connection, mBytes.constData() + sent, std::size_t(mBytes.size() - sent));
                    if (count <= 0)
                        break;
                    sent += count;
                }
                ::close(connection);
            }
        });
        return true;
    }

    void Close()
    {
        if (mListener < 0)
            return;
        ::shutdown(mListener, SHUT_RDWR);
        ::close(mListener);
        mListener = -1;
        if (mThread.joinable())
            mThread.join();
    }

private:
    QByteArray mBytes;
    int mListener = -1;
    std::thread mThread;
};

/// The stored configuration as an editor's upload left it: its size and SHA-256, read under the
/// lock the manager holds while it replaces the file.
void ReportStoredFile(const QString& path, QMutex& fileLock)
{
    QMutexLocker locker(&fileLock);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ZU_TRACE("unit: stored -");
        return;
    }
    const QByteArray bytes = file.readAll();
    ZU_TRACE("unit: stored %d %s", bytes.size(),
        QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex().constData());
}

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
        { "stall-after-chunks", "Send no download chunk after the first N.", "n", "-1" },
        { "mute-version", "The version object never answers: a runner's seek of the manager never ends." },
        { "user-list-reply", "Answer user-list links with these bytes (hex), or \"silent\": never.", "hex" },
        { "nameless-token-failures", "The manager's own login-token refusals carry no unit name." },
        { "announce", "Answer discovery for this find string.", "find string" },
        { "unit-name", "The name discovery reports.", "name", "quendle.unit" },
        { "scene", "The scene the mixer starts in.", "n", "0" },
    });
    parser.process(app);

    QJsonObject description;
    if (parser.isSet("description")) {
        QFile file(parser.value("description"));
        if (!file.open(QIODevice::ReadOnly))
            return 4;
        description = QJsonDocument::fromJson(file.readAll()).object();
    }

    ZUNetTestSettings::SetLostCommsPeriod(parser.value("keepalive-ms").toInt());
    cNetworkStack stack;
    cNetworkConnection* network = stack.Connections();
    Quendle::cUnitNetworkServices services;
    Quendle::SetUnitServices(&services);
    {
        QMutex configFileLock;
        cUnitWatcher watcher;
        cUnitConfigManager manager(parser.value("config"), &configFileLock, UWORD(parser.value("scene").toUInt()));
        manager.Load(description);
        manager.mLegacySignIn = parser.isSet("legacy-sign-in");
        manager.mMutedMethod = UWORD(parser.value("mute").toUInt());
        manager.VersionObject()->SetVersion(
            UWORD(parser.value("manager-version").toInt()), ParseVersion(parser.value("min-client-version")));
        std::vector<std::unique_ptr<cMixerObject>> mixerObjects;
        for (const QJsonValue& object : description.value(QStringLiteral("objects")).toArray()) {
            const QJsonObject entry = object.toObject();
            mixerObjects.push_back(
                std::make_unique<cMixerObject>(entry.value(QStringLiteral("name")).toString().toUtf8().constData(),
                    UWORD(entry.value(QStringLiteral("parameters")).toInt(1)),
                    entry.value(QStringLiteral("size")).toInt(2)));
            mixerObjects.back()->SetValue(UWORD(entry.value(QStringLiteral("value")).toInt()), 0);
        }

        std::unique_ptr<cFixedUserListServer> fixedUserList;
        if (parser.isSet("user-list-reply")) {
            const QString reply = parser.value("user-list-reply");
            manager.UnregisterUserListServer();
            fixedUserList = std::make_unique<cFixedUserListServer>(
                QByteArray::fromHex(reply.toLatin1()), reply == QLatin1String("silent"));
        }

        std::unique_ptr<cStallingNetwork> stalling;
        if (parser.value("stall-after-chunks").toInt() >= 0 || parser.isSet("mute-version")
            || parser.isSet("nameless-token-failures")) {
            stalling = std::make_unique<cStallingNetwork>(network, parser.value("stall-after-chunks").toInt());
            stalling->mManagerHandle = manager.GetHandle();
            if (parser.isSet("mute-version"))
                stalling->mMutedSource = manager.VersionObject()->GetHandle();
            stalling->mNamelessTokenFailures = parser.isSet("nameless-token-failures");
            SetNetworkInterface(stalling.get());
        }

        stack.Start();

        const QHostAddress listen(parser.value("listen"));
        cZUNetTCPServer server(nullptr, listen);
        if (!server.isListening())
            return 3;
        cRawFileServer raw;
        if (const quint16 rawPort = quint16(parser.value("raw-port").toUInt())) {
            if (!raw.Listen(parser.value("config"), listen, rawPort))
                return 5;
        }

        // Commands arrive on standard input; its end is the request to stop.
        ReadCommandsFromStandardInput(app, [&manager, &mixerObjects, &configFileLock, &parser](const QString& line) {
            const QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
            if (words.isEmpty())
                return;
            if (words[0] == QLatin1String("stored")) {
                ReportStoredFile(parser.value("config"), configFileLock);
                ZU_TRACE("unit: done %s", line.toUtf8().constData());
                return;
            }
            if (words[0] == QLatin1String("config-updated") && words.size() == 3) {
                static QByteArray original;
                if (original.isNull()) {
                    QMutexLocker locker(&configFileLock);
                    QFile file(parser.value("config"));
                    original = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("");
                }
                NoticeBurst(
                    words[1].toInt(), words[2].toInt(), original, parser.value("config"), configFileLock, manager);
                ZU_TRACE("unit: done %s", line.toUtf8().constData());
                return;
            }
            SyscallMessagesPollLock();
            if (MixerCommand(words, mixerObjects)) {
                // carried out and reported there
            } else if (words[0] == QLatin1String("scene") && words.size() == 2) {
                cZUNetMessage recall(2);
                recall.SetDataBufferUWORD(UWORD(words[1].toUInt()), 0);
                recall.SetAddress(0, manager.GetHandle(), 0xFFFF, Quendle::P_LAST_SCENE_RECALLED);
                SyscallSendMessage(recall);
            } else if (words[0] == QLatin1String("listeners") && words.size() == 2) {
                const std::string path = words[1].toStdString();
                int count = 0;
                for (const Quendle::sParamChangeInformItem& item : manager.ParamChangeInformList())
                    count += item.mObjectPath == path ? 1 : 0;
                ZU_TRACE("unit: listeners %s %d", path.c_str(), count);
            } else if (words[0] == QLatin1String("runners")) {
                ZU_TRACE("unit: runners %d", int(manager.RunnerInformList().size()));
            } else if (words[0] == QLatin1String("received")) {
                ZU_TRACE("unit: received names %d links %d", gNameRequests.load(), gLinkMessages.load());
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

        std::unique_ptr<cFindMe> findMe;
        if (parser.isSet("announce")) {
            findMe = std::make_unique<cFindMe>(
                parser.value("announce"), parser.value("unit-name"), QStringLiteral("{}"), nullptr, true);
            findMe->TimerFired(); // heard at once, not a second later
        }

        ZU_TRACE("unit: ready");
        app.exec();

        // Connections end first (with BYE), then ticks and dispatch, then the objects and the manager.
        findMe.reset();
        server.close();
        raw.Close();
        stack.Stop();
        SetNetworkInterface(network);
    }
    Quendle::SetUnitServices(nullptr);
    return 0;
}
