#include "tests/support/quendle/TestConfigManager.h"

#include "Quendle/AppCommon/PasswordHashing.h"

#include <QJsonArray>

#include <atomic>

cTestConfigManager::cTestConfigManager(const QString& configFilePath, QMutex* configFileMutex, UWORD sceneNumber)
    : Quendle::cConfigManager(std::string(), sceneNumber, 0, configFilePath, configFileMutex)
{
}

cTestConfigManager::~cTestConfigManager() = default;

void cTestConfigManager::AddUser(const QString& name, const QString& password, bool valid)
{
    mUsers.push_back(sUser {
        name.toStdString(), Quendle::ScrambledPasswordText(password).toStdString(), !password.isEmpty(), valid });
}

void cTestConfigManager::SetSceneName(UWORD scene, const QString& name)
{
    mSceneNames[scene] = name.toStdString();
}

void cTestConfigManager::SetKey(
    const std::string& path, const std::list<std::pair<std::string, UWORD>>& entries, UWORD status)
{
    mKeys[path] = sKey { status, entries };
}

void cTestConfigManager::Load(const QJsonObject& description)
{
    for (const QJsonValue& user : description.value(QStringLiteral("users")).toArray()) {
        const QJsonObject object = user.toObject();
        AddUser(object.value(QStringLiteral("name")).toString(), object.value(QStringLiteral("password")).toString(),
            object.value(QStringLiteral("valid")).toBool(true));
    }
    const QJsonObject scenes = description.value(QStringLiteral("scenes")).toObject();
    for (auto it = scenes.begin(); it != scenes.end(); ++it)
        SetSceneName(static_cast<UWORD>(it.key().toUInt()), it.value().toString());
    const QJsonObject keys = description.value(QStringLiteral("keys")).toObject();
    for (auto it = keys.begin(); it != keys.end(); ++it) {
        std::list<std::pair<std::string, UWORD>> entries;
        for (const QJsonValue& pair : it.value().toArray()) {
            const QJsonArray entry = pair.toArray();
            entries.emplace_back(entry.at(0).toString().toStdString(), static_cast<UWORD>(entry.at(1).toInt()));
        }
        SetKey(it.key().toStdString(), entries);
    }
}

bool cTestConfigManager::ParseNewConfig(bool& finalStatusDelayed)
{
    ++mParseCalls;
    Quendle::cConfigManager::ParseNewConfig(finalStatusDelayed);
    finalStatusDelayed = mParseDelayed;
    return mParseResult;
}

void cTestConfigManager::ResolveNameAndParameter(
    const std::string& objectPath, UWORD& status, std::list<std::pair<std::string, UWORD>>& namesAndParameters)
{
    const auto key = mKeys.find(objectPath);
    if (key == mKeys.end()) {
        status = 2; // this unit's "no such key"
        return;
    }
    status = key->second.mStatus;
    namesAndParameters = key->second.mNamesAndParameters;
}

std::string cTestConfigManager::GetUserName(UWORD userIndex)
{
    return userIndex < mUsers.size() ? mUsers[userIndex].mName : std::string();
}

std::string cTestConfigManager::GetUserPassword(UWORD userIndex)
{
    return userIndex < mUsers.size() ? mUsers[userIndex].mPasswordText : std::string();
}

bool cTestConfigManager::UserHasPassword(UWORD userIndex)
{
    return userIndex < mUsers.size() && mUsers[userIndex].mHasPassword;
}

bool cTestConfigManager::IsUserValid(UWORD userIndex)
{
    return userIndex < mUsers.size() && mUsers[userIndex].mValid;
}

int cTestConfigManager::NumberOfUsers()
{
    return int(mUsers.size());
}

std::string cTestConfigManager::GetSceneName(UWORD sceneNumber)
{
    const auto name = mSceneNames.find(sceneNumber);
    return name == mSceneNames.end() ? std::string() : name->second;
}

class cFakeUnitServices::cProbe : public Quendle::cReachabilityProbe
{
public:
    cProbe(eState state, std::shared_ptr<std::atomic<int>> override)
        : mState(state)
        , mOverride(std::move(override))
    {
    }
    eState GetState() const override
    {
        if (mState != Running)
            return mState;
        const int forced = mOverride->load();
        return forced < 0 ? Running : eState(forced);
    }

private:
    eState mState;
    std::shared_ptr<std::atomic<int>> mOverride;
};

cFakeUnitServices::cFakeUnitServices()
{
    Quendle::SetUnitServices(this);
}

cFakeUnitServices::~cFakeUnitServices()
{
    Quendle::SetUnitServices(nullptr);
}

QHostAddress cFakeUnitServices::PeerAddress(UWORD connectionId)
{
    std::lock_guard<std::mutex> locker(mMutex);
    return QHostAddress(mPeerAddresses.value(connectionId));
}

void cFakeUnitServices::DisconnectConnection(UWORD connectionId)
{
    std::lock_guard<std::mutex> locker(mMutex);
    mDisconnected.append(connectionId);
}

QMap<QString, QString> cFakeUnitServices::FoundUnitAddresses()
{
    std::lock_guard<std::mutex> locker(mMutex);
    return mFoundUnits;
}

std::unique_ptr<Quendle::cReachabilityProbe> cFakeUnitServices::StartProbe(const std::string& address)
{
    std::lock_guard<std::mutex> locker(mMutex);
    const QString text = QString::fromStdString(address);
    mProbed.append(text);
    return std::make_unique<cProbe>(mProbeResults.value(text, Quendle::cReachabilityProbe::Failed), mRunningOverride);
}

void cFakeUnitServices::SetPeerAddress(UWORD connectionId, const QString& address)
{
    std::lock_guard<std::mutex> locker(mMutex);
    mPeerAddresses[connectionId] = address;
}

void cFakeUnitServices::SetFoundUnit(const QString& name, const QString& address)
{
    std::lock_guard<std::mutex> locker(mMutex);
    mFoundUnits[name] = address;
}

void cFakeUnitServices::SetProbeResult(const QString& address, Quendle::cReachabilityProbe::eState state)
{
    std::lock_guard<std::mutex> locker(mMutex);
    mProbeResults[address] = state;
}

void cFakeUnitServices::FinishProbes(Quendle::cReachabilityProbe::eState state)
{
    mRunningOverride->store(int(state));
}

QList<UWORD> cFakeUnitServices::Disconnected() const
{
    std::lock_guard<std::mutex> locker(mMutex);
    return mDisconnected;
}

QStringList cFakeUnitServices::Probed() const
{
    std::lock_guard<std::mutex> locker(mMutex);
    return mProbed;
}
