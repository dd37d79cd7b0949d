#pragma once

#include "Quendle/Global/ConfigManager.h"
#include "Quendle/Global/UnitServices.h"

#include <QJsonObject>
#include <QMap>
#include <QString>
#include <QStringList>

#include <map>
#include <mutex>
#include <string>
#include <vector>

/// A configuration manager with what a real unit supplies: a user store (names, scrambled
/// password texts, valid flags), scene names and a table that resolves request keys to
/// (object name, parameter) pairs. Used by the in-process tests and by the test unit program.
class cTestConfigManager : public Quendle::cConfigManager
{
public:
    struct sUser {
        std::string mName;
        std::string mPasswordText; // what the unit stores: the decimal text of the scrambled password
        bool mHasPassword;
        bool mValid;
    };
    struct sKey {
        UWORD mStatus = Quendle::NameParamResolved;
        std::list<std::pair<std::string, UWORD>> mNamesAndParameters;
    };

    cTestConfigManager(const QString& configFilePath, QMutex* configFileMutex = nullptr, UWORD sceneNumber = 0);
    ~cTestConfigManager() override;

    /// A user as the unit stores it, from the plain password (empty = no password).
    void AddUser(const QString& name, const QString& password, bool valid = true);
    void SetSceneName(UWORD scene, const QString& name);
    void SetKey(const std::string& path, const std::list<std::pair<std::string, UWORD>>& namesAndParameters,
        UWORD status = Quendle::NameParamResolved);
    /// Reads users, scenes and keys from the "users", "scenes" and "keys" members of a unit
    /// description (see TestUnitDescription.h).
    void Load(const QJsonObject& description);

    bool ParseNewConfig(bool& finalStatusDelayed) override;
    void ResolveNameAndParameter(const std::string& objectPath, UWORD& status,
        std::list<std::pair<std::string, UWORD>>& namesAndParameters) override;
    std::string GetUserName(UWORD userIndex) override;
    std::string GetUserPassword(UWORD userIndex) override;
    bool UserHasPassword(UWORD userIndex) override;
    bool IsUserValid(UWORD userIndex) override;
    int NumberOfUsers() override;
    std::string GetSceneName(UWORD sceneNumber) override;

    Quendle::cReplyWorkerThread* Worker() const { return ReplyWorker(); }

    /// What the next uploads' check answers.
    bool mParseResult = true;
    bool mParseDelayed = false;
    int mParseCalls = 0;

private:
    std::vector<sUser> mUsers;
    std::map<UWORD, std::string> mSceneNames;
    std::map<std::string, sKey> mKeys;
};

/// Stands in for the unit's network services: peer addresses per connection, found units,
/// probe outcomes per address, and a record of the connections closed. Installs itself.
class cFakeUnitServices : public Quendle::cUnitServices
{
public:
    cFakeUnitServices();
    ~cFakeUnitServices() override;

    QHostAddress PeerAddress(UWORD connectionId) override;
    void DisconnectConnection(UWORD connectionId) override;
    QMap<QString, QString> FoundUnitAddresses() override;
    std::unique_ptr<Quendle::cReachabilityProbe> StartProbe(const std::string& address) override;

    void SetPeerAddress(UWORD connectionId, const QString& address);
    void SetFoundUnit(const QString& name, const QString& address);
    /// Probes of `address` end with `state`; unknown addresses fail. Running keeps them running
    /// until `FinishProbes`.
    void SetProbeResult(const QString& address, Quendle::cReachabilityProbe::eState state);
    void FinishProbes(Quendle::cReachabilityProbe::eState state);
    QList<UWORD> Disconnected() const;
    QStringList Probed() const;

private:
    class cProbe;
    mutable std::mutex mMutex;
    QMap<UWORD, QString> mPeerAddresses;
    QMap<QString, QString> mFoundUnits;
    QMap<QString, Quendle::cReachabilityProbe::eState> mProbeResults;
    QList<UWORD> mDisconnected;
    QStringList mProbed;
    std::shared_ptr<std::atomic<int>> mRunningOverride = std::make_shared<std::atomic<int>>(-1);
};
