#pragma once

#include "ZUNet/Core/SeekObject.h"

#include <QObject>

#include <array>
#include <atomic>
#include <mutex>
#include <string>

namespace Quendle
{

/// Finds a unit's "Quendle Manager Version", asks it for the manager version and the oldest
/// client application it accepts, and signals when the check is complete. A unit without the
/// object (or that refuses) counts as manager version -1 with minimum client 1.3.0.
class cConfigManagerVersionClient : public QObject, public cSeekObject
{
    Q_OBJECT

public:
    explicit cConfigManagerVersionClient(const char* netObjectName);
    ~cConfigManagerVersionClient() override;

    /// Seeks unit + "/Quendle Manager Version" ("Quendle Manager Version" when `unit` is empty).
    /// True when a seek was already under way; nothing new starts then.
    bool StartSeek(const std::string& unit);
    void FoundObject(const char* path, UWORD connectionId, UWORD handle) override;
    void EntrypointMessage(cZUNetMessage& message) override;
    /// Abandons a check under way without completing it: the owner's connection to the unit ended.
    void Reset();

    int ManagerVersion() const;
    std::array<UBYTE, 3> ClientAppMinVersion() const;
    void SetData(int managerVersion, const std::array<UBYTE, 3>& clientAppMinVersion);
    bool CheckComplete() const { return mCheckComplete.load(); }
    bool AwaitingReply() const { return mAwaitingReply.load(); }

    static constexpr std::array<UBYTE, 3> kDefaultClientAppMinVersion = { 1, 3, 0 };

Q_SIGNALS:
    void VersionCheckCompleteSignal();

private:
    void Complete();

    std::atomic<bool> mAwaitingReply { false };
    mutable std::mutex mMutex;
    int mManagerVersion = -1;
    std::array<UBYTE, 3> mDefaultClientAppMinVersion = kDefaultClientAppMinVersion;
    std::array<UBYTE, 3> mClientAppMinVersion = kDefaultClientAppMinVersion;
    std::atomic<bool> mCheckComplete { false };
    // Only the version object that was asked may answer.
    std::atomic<UWORD> mVersionConnectionId { ZUNET_NO_CONNECTION };
    std::atomic<UWORD> mVersionHandle { ZUNET_NO_HANDLE };
    cZUNetMessage mRequest;
};

} // namespace Quendle
