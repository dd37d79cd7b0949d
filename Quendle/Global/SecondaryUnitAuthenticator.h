#pragma once

#include "Quendle/Global/ConfigManagerProtocol.h"
#include "ZUNet/Core/SeekObject.h"

#include <QByteArray>

#include <memory>
#include <string>

namespace Quendle
{

class cConfigManagerVersionClient;
class cReachabilityProbe;

/// Obtains a login token at another unit on behalf of a runner signed in here: probes the unit,
/// finds its configuration manager, checks its version, signs in there as "Admin" with the
/// password this unit's configuration stores for it, places a fresh token for the runner's address
/// and answers the runner with it (or with one failure code). Runs on the dispatch thread; the
/// manager deletes it once finished.
class cSecondaryUnitAuthenticator : public cSeekObject
{
public:
    cSecondaryUnitAuthenticator(UWORD runnerConnectionId, UWORD runnerHandle, UWORD managerHandle,
        const std::string& unitNameOrIpAddress, const std::string& unitIpAddress, const std::string& password);
    ~cSecondaryUnitAuthenticator() override;

    void Start();
    void EntrypointMessage(cZUNetMessage& message) override;
    void ActionTick() override;
    void ConnectionTerminated(UWORD connectionId, bool lostComms) override;
    void FoundObject(const char* path, UWORD connectionId, UWORD handle) override;

    bool IsFinished() const { return mFinished; }
    const QByteArray& Token() const { return mToken; }
    std::string GetVersionClientNetObjectName() const;
    static std::string GetNextNetObjectName();
    static qint64 ToVersionLong(UBYTE major, UBYTE minor, UBYTE sub)
    {
        return Quendle::ToVersionLong(major, minor, sub);
    }

private:
    void TcpPingFinished();
    void VersionManagerCheckComplete();
    void SetRequestMethod(UWORD method);
    void SendRequestToRemoteUnit(UWORD method);
    void SendRequestWithData(UWORD method);
    bool HandleRequestReply(cZUNetMessage& message);
    void AuthenticatePart2(const cZUNetMessage& reply);
    void SendLoginTokenToUnit();
    void SendLoginTokenToClient();
    void SendFailMessage(eReplyFailureCodes code);
    void ReleaseRemoteConnection(bool disconnect);

    UWORD mRunnerConnectionId;
    UWORD mRunnerHandle;
    UWORD mManagerHandle;
    std::string mUnitNameOrIpAddress;
    std::string mUnitIpAddress;
    QByteArray mHashedUserName;
    QByteArray mHashedPassword;
    std::unique_ptr<cReachabilityProbe> mIpProbe;
    bool mSeekByName = false;
    std::string mSeekAddress;
    bool mConnectionExisted = false; // someone else's connection: never ours to close
    bool mHoldsConnection = false;
    UWORD mRemoteConnectionId = ZUNET_NO_CONNECTION;
    UWORD mRemoteHandle = ZUNET_NO_HANDLE;
    cConfigManagerVersionClient* mVersionClient = nullptr;
    qint64 mOwnVersion;
    UWORD mRequestMethod = 0;
    bool mVersionCheckPending = false;
    bool mFinished = false;
    int mTokenLength = kTokenLength;
    QByteArray mToken;
    cZUNetMessage mRequest;
};

} // namespace Quendle
