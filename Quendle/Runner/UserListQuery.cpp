#include "Quendle/Runner/UserListQuery.h"

#include "Quendle/Global/ConfigManagerProtocol.h"
#include "Quendle/Global/UserListFormat.h"
#include "ZUNet/Core/PollLocker.h"
#include "ZUNet/Core/Syscall.h"
#include "ZUNet/Core/SystemBuilder.h"
#include "ZUNet/Core/Trace.h"
#include "ZUNet/QT/NetworkConnection.h"

#include <QHostAddress>
#include <QTimer>

namespace
{

constexpr const char* kQueryName = "QuendleUserListQuery";

QString IPv4Text(const QHostAddress& address)
{
    return QHostAddress(address.toIPv4Address()).toString();
}

/// Same record as discovery reports it.
bool SameQueuedUnit(const sUnit& a, const sUnit& b)
{
    return a.mHostAddress == b.mHostAddress && a.mUnitName == b.mUnitName && a.mFindString == b.mFindString;
}

} // namespace

cUserListQuery::cUserListQuery(cNetworkConnection* networkConnection)
    : cNetObject(kQueryName, 1)
    , mRefreshTimer(new QTimer(this))
    , mNetworkConnection(networkConnection)
    , mLifetime(std::make_shared<sLifetime>())
{
    mLifetime->mQuery = this;
    connect(mRefreshTimer, &QTimer::timeout, this, &cUserListQuery::RefreshUserLists);
    if (mNetworkConnection) {
        // A unit that goes after the link was made never answers and never fails the link.
        connect(
            mNetworkConnection, &cNetworkConnection::ConnectionDisconnected, this,
            [this](UWORD, std::string host, bool, QAbstractSocket::SocketError) { ConnectionEnded(host); },
            Qt::DirectConnection);
    }
    mRefreshTimer->start(kRefreshPeriodMs);
}

cUserListQuery::~cUserListQuery()
{
    {
        std::lock_guard<std::mutex> locker(mLifetime->mMutex);
        mLifetime->mQuery = nullptr;
    }
    if (IsRegistered()) {
        cPollLocker locker;
        Unregister();
    }
}

void cUserListQuery::UnregisterAndDeleteLater()
{
    {
        cPollLocker locker;
        Unregister();
    }
    deleteLater();
}

bool cUserListQuery::SameFoundUnit(const sUnit& a, const sUnit& b)
{
    return a.mUnitName == b.mUnitName && IPv4Text(a.mHostAddress) == IPv4Text(b.mHostAddress);
}

void cUserListQuery::SetPaused(bool paused)
{
    std::lock_guard<std::recursive_mutex> locker(mMutex);
    mPaused = paused;
}

void cUserListQuery::SetSelected(const QString& address)
{
    {
        std::lock_guard<std::recursive_mutex> locker(mMutex);
        if (address == mSelectedAddress)
            return;
        mSelectedAddress = address;
    }
    RefreshUserLists();
}

QString cUserListQuery::SelectedAddress() const
{
    std::lock_guard<std::recursive_mutex> locker(mMutex);
    return mSelectedAddress;
}

void cUserListQuery::RefreshUserLists()
{
    std::vector<sUnit> selected;
    {
        std::lock_guard<std::recursive_mutex> locker(mMutex);
        if (mPaused)
            return;
        for (const sUnit& unit : mFoundUnits) {
            if (IPv4Text(unit.mHostAddress) == mSelectedAddress)
                selected.push_back(unit);
        }
    }
    for (const sUnit& unit : selected)
        RequestUserList(unit);
}

void cUserListQuery::RequestUserList(sUnit unit)
{
    {
        std::lock_guard<std::recursive_mutex> locker(mMutex);
        if (mFoundUnitQueryInProgress && SameQueuedUnit(unit, mCurrentUnit))
            return;
        for (const sUnit& pending : mPendingUnits) {
            if (SameQueuedUnit(unit, pending))
                return;
        }
        mPendingUnits.push_back(unit);
    }
    CheckPending();
}

bool cUserListQuery::RequestDirectUserList(const QString& address)
{
    {
        std::lock_guard<std::recursive_mutex> locker(mMutex);
        if (mDirectQueryPending)
            return false;
        mDirectQueryPending = true;
        mDirectAddress = address;
    }
    CheckPending();
    return true;
}

bool cUserListQuery::DirectQueryPending()
{
    std::lock_guard<std::recursive_mutex> locker(mMutex);
    return mDirectQueryPending;
}

QString cUserListQuery::TargetLocked() const
{
    if (mDirectQueryInProgress)
        return mDirectAddress;
    if (mFoundUnitQueryInProgress)
        return mCurrentUnit.mUnitName;
    return QString();
}

cUserListQuery::sEndedQuery cUserListQuery::EndRunningQuery()
{
    sEndedQuery ended;
    std::lock_guard<std::recursive_mutex> locker(mMutex);
    ended.mTarget = TargetLocked();
    if (ended.mTarget.isNull())
        return ended;
    ended.mOwnsConnection = mOwnsConnection;
    if (mDirectQueryInProgress) {
        ended.mDirect = true;
        ended.mDirectAddress = mDirectAddress;
        mDirectQueryInProgress = false;
        mDirectQueryPending = false;
    } else {
        ended.mUnit = mCurrentUnit;
        for (const sUnit& listed : mFoundUnits)
            ended.mListed = ended.mListed || SameFoundUnit(listed, ended.mUnit);
        mFoundUnitQueryInProgress = false;
    }
    return ended;
}

void cUserListQuery::CheckPending()
{
    QString target;
    quint64 serial;
    {
        // Claimed under the lock: the GUI thread and the network message thread both get here.
        std::lock_guard<std::recursive_mutex> locker(mMutex);
        if (mDirectQueryInProgress || mFoundUnitQueryInProgress)
            return;
        if (mDirectQueryPending) {
            mDirectQueryInProgress = true;
        } else if (!mPendingUnits.empty()) {
            mFoundUnitQueryInProgress = true;
            mCurrentUnit = mPendingUnits.front();
            mPendingUnits.erase(mPendingUnits.begin());
        } else {
            return;
        }
        target = TargetLocked();
        serial = ++mQuerySerial;
        // Nothing answers before the link below is queued, so this is settled in time.
        mOwnsConnection = !(mNetworkConnection
            && mNetworkConnection->GetConnectionIDFromHostName(target.toStdString()) != ZUNET_NO_CONNECTION);
    }

    sParameterLinkingCommand command = LinkCommand(target);
    command.mSync = true;
    // The builder calls back on its own thread with its lock held, and perhaps after this object
    // has gone: the failure is handled later on this object's thread, if it still exists.
    std::weak_ptr<sLifetime> lifetime = mLifetime;
    command.mCompletionCallback = [lifetime, serial](sParameterLinkingCommand*) {
        if (std::shared_ptr<sLifetime> alive = lifetime.lock()) {
            std::lock_guard<std::mutex> locker(alive->mMutex);
            if (cUserListQuery* query = alive->mQuery)
                QMetaObject::invokeMethod(
                    query, [query, serial] { query->QueryFailed(serial); }, Qt::QueuedConnection);
        }
    };
    cPollLocker locker;
    if (gSystemBuilder)
        gSystemBuilder->AddLinkCommandToList(command, false);
    else
        ZU_ERR("No system builder, user list of %s not asked for", target.toUtf8().constData());
}

sParameterLinkingCommand cUserListQuery::LinkCommand(const QString& target) const
{
    const QByteArray source = QStringLiteral("%1/%2").arg(target, QLatin1String(Quendle::kUserListServerName)).toUtf8();
    return sParameterLinkingCommand::Make(source.constData(), PARAMETER_BASE, GetName(), PARAMETER_BASE);
}

void cUserListQuery::EntrypointMessage(cZUNetMessage& message)
{
    if (message.mMethod != PARAMETER_BASE) {
        cNetObject::EntrypointMessage(message);
        return;
    }
    QVector<QString> userList;
    QVector<bool> hasPassword;
    ExtractUserList(message, userList, hasPassword);

    const sEndedQuery ended = EndRunningQuery();
    if (ended.mTarget.isNull())
        return; // no query of ours is waiting
    if (ended.mDirect)
        Q_EMIT DirectUserListResult(true, ended.mDirectAddress, userList, hasPassword);
    else if (ended.mListed)
        Q_EMIT UserListResult(ended.mUnit, userList, hasPassword);
    // The connection the link opened goes once the list is in: the one the list came over, never
    // one opened to the same host since. Over a connection someone else holds, the link goes
    // instead: the server answers a link only when it is new.
    if (ended.mOwnsConnection) {
        if (mNetworkConnection && message.mConnectionId != 0 && message.mConnectionId != ZUNET_NO_CONNECTION)
            mNetworkConnection->DisconnectConnectionID(message.mConnectionId);
    } else {
        sParameterLinkingCommand removal = LinkCommand(ended.mTarget);
        removal.mRemove = true;
        cPollLocker locker;
        if (gSystemBuilder)
            gSystemBuilder->AddLinkCommandToList(removal, false);
    }
    CheckPending();
}

void cUserListQuery::QueryFailed(quint64 serial)
{
    {
        std::lock_guard<std::recursive_mutex> locker(mMutex);
        if (serial != mQuerySerial)
            return;
    }
    FailedToLink();
}

void cUserListQuery::ConnectionEnded(const std::string& host)
{
    quint64 serial;
    {
        std::lock_guard<std::recursive_mutex> locker(mMutex);
        const QString target = TargetLocked();
        if (target.isNull() || target.toStdString() != host)
            return;
        serial = mQuerySerial;
    }
    QMetaObject::invokeMethod(
        this, [this, serial] { QueryFailed(serial); }, Qt::QueuedConnection);
}

void cUserListQuery::FailedToLink()
{
    const sEndedQuery ended = EndRunningQuery();
    if (ended.mTarget.isNull())
        return;
    if (ended.mOwnsConnection)
        DisconnectFromUnit(ended.mTarget);
    if (ended.mDirect)
        Q_EMIT DirectUserListResult(false, ended.mDirectAddress, {}, {});
    else
        Q_EMIT UserListResult(ended.mUnit, {}, {});
    CheckPending();
}

void cUserListQuery::DisconnectFromUnit(const QString& hostName)
{
    if (!mNetworkConnection || hostName.isEmpty())
        return;
    const UWORD connectionId = mNetworkConnection->GetConnectionIDFromHostName(hostName.toStdString());
    if (connectionId != ZUNET_NO_CONNECTION)
        mNetworkConnection->DisconnectConnectionID(connectionId);
}

void cUserListQuery::ExtractUserList(cZUNetMessage& message, QVector<QString>& userList, QVector<bool>& hasPassword)
{
    if (!Quendle::ReadUserList(message, userList, hasPassword))
        ZU_ERR("User list reply of %d bytes ends early; %d users read", int(message.mLength), int(userList.size()));
}

void cUserListQuery::UnitFoundSlot(sUnit Unit)
{
    {
        std::lock_guard<std::recursive_mutex> locker(mMutex);
        for (const sUnit& listed : mFoundUnits) {
            if (SameFoundUnit(listed, Unit))
                return;
        }
        mFoundUnits.push_back(Unit);
    }
    // Listed at once; its users come when it is selected.
    Q_EMIT UserListResult(Unit, {}, {});
}

void cUserListQuery::UnitLostSlot(sUnit Unit)
{
    sUnit lost;
    {
        std::lock_guard<std::recursive_mutex> locker(mMutex);
        auto it = std::find_if(
            mFoundUnits.begin(), mFoundUnits.end(), [&](const sUnit& listed) { return SameFoundUnit(listed, Unit); });
        if (it == mFoundUnits.end())
            return;
        lost = *it;
        mFoundUnits.erase(it);
    }
    Q_EMIT UnitLostSignal(lost);
}
