// Arbitrary configuration-manager messages (any method, any data) fed to a runner's configuration
// client and to a unit's configuration manager.
//
// Input: byte 0 chooses what the client has outstanding (nothing, a sign-in in either form, a
// download, a token request, an upload) and whether the manager's sender is signed in; then
// records of [target: 0 client / 1 manager] [method: UWORD] [source: 0 the manager's pair / 1 a
// stranger] [length: UWORD] [data].
#include "Quendle/AppCommon/QuendleConfigClient.h"
#include "Quendle/Global/ConfigManager.h"
#include "Quendle/Global/ConfigManagerVersionClient.h"
#include "Quendle/Global/ReplyWorkerThread.h"
#include "ZUNet/Core/RegistryRouter.h"
#include "ZUNet/Core/Syscall.h"
#include "ZUNet/Core/Trace.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace
{

constexpr UWORD kUnit = 5;
constexpr UWORD kManagerHandle = 77;

class cMemoryClient : public cQuendleConfigClient
{
public:
    using cQuendleConfigClient::cQuendleConfigClient;
    ~cMemoryClient() override { Unregister(); }

protected:
    void ClearDownloadedConfigDataStorage() override { mStored.clear(); }
    bool AddToDownloadedConfigDataStorage(const char* data, int length) override
    {
        if (length < 0 || mStored.size() + length > (1 << 20))
            return false;
        mStored.append(data, length);
        return true;
    }

private:
    QByteArray mStored;
};

class cFuzzManager : public Quendle::cConfigManager
{
public:
    explicit cFuzzManager(const QString& path)
        : Quendle::cConfigManager(std::string(), 0, 0, path, nullptr)
    {
    }
    ~cFuzzManager() override = default;
    void SignIn(UWORD connectionId, UWORD handle) { SetAuthenticated(connectionId, handle, 0); }
    void WaitForReplyWorker() { ReplyWorker()->WaitUntilIdle(); }
    void ResolveNameAndParameter(
        const std::string& path, UWORD& status, std::list<std::pair<std::string, UWORD>>& entries) override
    {
        status = path.size() % 3;
        entries.emplace_back(path, UWORD(path.size()));
    }
    std::string GetUserName(UWORD index) override { return index == 0 ? "Admin" : "User"; }
    std::string GetUserPassword(UWORD) override { return "3525154696"; }
    bool UserHasPassword(UWORD index) override { return index == 0; }
    bool IsUserValid(UWORD index) override { return index != 1; }
    int NumberOfUsers() override { return 3; }
    std::string GetSceneName(UWORD scene) override { return "Scene " + std::to_string(scene); }
};

void QuietTraces(const char*, std::size_t, void*) { }

struct sWorld {
    sWorld()
    {
        SetTraceSink(&QuietTraces, nullptr);
        gRegistryRouter = new cRegistryRouter();
        const QString path = mDir.filePath(QStringLiteral("config.xml"));
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write("<?xml version=\"1.0\"?>\n<QuendleConfig allowUserList=\"true\">\n    <Units>\n"
                   "        <Unit id=\"2\" nameOrIpAddress=\"mixer-b\" password=\"QUJD\"/>\n    </Units>\n"
                   "    <Layouts>\n        <Layout allUsers=\"1\" desktop=\"1\" allScenes=\"1\">\n"
                   "            <Widget id=\"1\" imageResourceId=\"4\"/>\n        </Layout>\n    </Layouts>\n"
                   "    <Resources>\n        <Resource id=\"4\" data=\"AAAA\"/>\n    </Resources>\n"
                   "</QuendleConfig>\n");
        file.close();
        mManager = std::make_unique<cFuzzManager>(path);
        mClient = std::make_unique<cMemoryClient>("QuendleConfigClient_0", std::array<UBYTE, 3> { 1, 3, 1 });
    }

    // In memory where there is room for it: every committed upload is synced to disk.
    QTemporaryDir mDir { QDir(QStringLiteral("/dev/shm")).exists()
            ? QStringLiteral("/dev/shm/fuzz_config_messages-XXXXXX")
            : QDir::tempPath() + QStringLiteral("/fuzz_config_messages-XXXXXX") };
    std::unique_ptr<cFuzzManager> mManager;
    std::unique_ptr<cMemoryClient> mClient;
};

sWorld* gWorld = nullptr;

void Drain()
{
    gRegistryRouter->SyscallPollAtMost(10000);
    // Only queued slot calls wait here (no timers, no sockets): deliver them without polling.
    QCoreApplication::sendPostedEvents();
}

} // namespace

// Inputs allocate and free many small blocks: a smaller quarantine keeps them in cache and still
// holds every block freed within an input, where a use after free would be.
extern "C" const char* __asan_default_options()
{
    return "quarantine_size_mb=16";
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication application(*argc, *argv);
    gWorld = new sWorld;
    // The world lives to the end of the process; its files must not outlive it in memory.
    std::atexit([] { gWorld->mDir.remove(); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    cMemoryClient& client = *gWorld->mClient;
    cFuzzManager& manager = *gWorld->mManager;

    // A fresh connection to the unit for every input.
    client.FoundObject("mixer/Quendle Config Manager", kUnit, kManagerHandle);
    client.VersionClient()->SetData(data[0] & 0x80 ? 1 : 0, { 1, 3, 0 });
    if (data[0] & 0x40)
        manager.SignIn(0, client.GetHandle());
    switch (data[0] & 0x7) {
    case 1:
        client.Authenticate("dXNlcg==", "cGFzcw==");
        break;
    case 2:
        client.DownloadRunnerConfig(0, { 1, 2 });
        client.DownloadRunnerConfig(1, {});
        break;
    case 3:
        client.RequestLoginToken("mixer-b", "10.77.0.7");
        break;
    case 4:
        client.AuthenticateByToken(QByteArray(64, 'x'));
        break;
    case 5:
        client.UploadConfig("upload");
        break;
    case 6:
        client.DownloadConfig();
        break;
    default:
        break;
    }

    std::size_t at = 1;
    while (at + 6 <= size) {
        const bool toManager = data[at] & 1;
        const UWORD method = UWORD(data[at + 1] << 8 | data[at + 2]);
        const bool stranger = data[at + 3] & 1;
        UWORD length = UWORD(data[at + 4] << 8 | data[at + 5]);
        at += 6;
        if (length > size - at)
            length = UWORD(size - at);
        cZUNetMessage message(length);
        if (length)
            std::memcpy(message.mDataBuffer, data + at, length);
        at += length;
        message.mMethod = method;
        if (toManager) {
            message.mConnectionId = 0;
            message.mSource = stranger ? UWORD(client.GetHandle() + 1) : client.GetHandle();
            message.mDestination = manager.GetHandle();
            manager.EntrypointMessage(message);
        } else {
            message.mConnectionId = stranger ? UWORD(kUnit + 1) : kUnit;
            message.mSource = stranger ? 0 : kManagerHandle;
            message.mDestination = client.GetHandle();
            client.EntrypointMessage(message);
        }
        manager.ActionTick();
        Drain();
    }

    // The connection ends: both sides forget it.
    gRegistryRouter->ConnectionTerminated(kUnit, true);
    manager.ConnectionTerminated(0, false);
    client.SetDownloadHasBeenProcessed();
    // Nothing of this input may run on into the next (or into the exit): the worker finishes or
    // drops what it holds, and what it sent is delivered now.
    manager.WaitForReplyWorker();
    Drain();
    return 0;
}
