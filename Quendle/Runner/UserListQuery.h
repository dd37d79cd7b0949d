#pragma once

#include "Common/Qt/UnitFinder.h"
#include "ZUNet/Core/NetObject.h"

#include <QObject>
#include <QString>
#include <QVector>

#include <memory>
#include <mutex>
#include <vector>

class QTimer;
class cNetworkConnection;
struct sParameterLinkingCommand;

/// Fetches the users of units, and whether each needs a password, from their user-list servers,
/// one unit at a time, and keeps the list of units that discovery has found. A unit typed in by
/// address is asked directly, ahead of the found units. Results leave through queued signals.
///
/// Discovery events and requests come from the GUI thread; replies arrive on the network message
/// thread. The owner ends it with `UnregisterAndDeleteLater`.
class cUserListQuery : public QObject, public cNetObject
{
    Q_OBJECT
public:
    static constexpr int kRefreshPeriodMs = 60000;

    explicit cUserListQuery(cNetworkConnection* networkConnection);
    ~cUserListQuery() override;

    void UnregisterAndDeleteLater();
    /// While paused the refreshes ask nothing.
    void SetPaused(bool paused);
    /// The address of the unit selected on the sign-in page; a new one is asked for at once.
    void SetSelected(const QString& address);
    /// The selected unit's address; null while no found unit is selected.
    QString SelectedAddress() const;
    /// Queues one found unit, unless it is queued already or its query is running.
    void RequestUserList(sUnit unit);
    /// Asks the unit at a typed address; refused (false) while an earlier direct query has not
    /// finished.
    bool RequestDirectUserList(const QString& address);
    bool DirectQueryPending();
    /// Starts the next query unless one is running.
    void CheckPending();

    void EntrypointMessage(cZUNetMessage& message) override;
    /// The running query's unit cannot be linked to.
    void FailedToLink();
    /// Ends the connection to the host, if there is one.
    void DisconnectFromUnit(const QString& hostName);

    /// Reads a user-list reply into the names and has-password flags, never past its data.
    static void ExtractUserList(cZUNetMessage& message, QVector<QString>& userList, QVector<bool>& hasPassword);

    /// Same name and same address as IPv4 text.
    static bool SameFoundUnit(const sUnit& a, const sUnit& b);

Q_SIGNALS:
    void UserListResult(sUnit Unit, QVector<QString> UserList, QVector<bool> HasPassword);
    void DirectUserListResult(bool Supported, QString Address, QVector<QString> UserList, QVector<bool> HasPassword);
    void UnitLostSignal(sUnit Unit);

public Q_SLOTS:
    void RefreshUserLists();
    void UnitFoundSlot(sUnit Unit);
    void UnitLostSlot(sUnit Unit);

private:
    /// What the handlers of a query's end need, taken as the running query is ended.
    struct sEndedQuery {
        QString mTarget; ///< null when no query was running
        bool mOwnsConnection = false;
        bool mDirect = false;
        QString mDirectAddress;
        sUnit mUnit;
        bool mListed = false; ///< the found unit is still listed
    };
    /// Ends the running query under the lock.
    sEndedQuery EndRunningQuery();

    /// The link of query `serial` failed, or its connection ended before the list came.
    void QueryFailed(quint64 serial);
    /// Runs where the connection manager ends a connection, under the poll lock.
    void ConnectionEnded(const std::string& host);

    /// Links the user-list server of `target` to this object.
    sParameterLinkingCommand LinkCommand(const QString& target) const;
    /// The host the running query links to: the typed address, the current unit's name, or empty.
    QString TargetLocked() const;

    /// Lets the builder's failure callback, which may run after this object has gone, reach it.
    struct sLifetime {
        std::mutex mMutex;
        cUserListQuery* mQuery;
    };

    mutable std::recursive_mutex mMutex;
    std::vector<sUnit> mFoundUnits;
    std::vector<sUnit> mPendingUnits;
    QString mDirectAddress;
    bool mDirectQueryInProgress = false;
    bool mDirectQueryPending = false;
    sUnit mCurrentUnit;
    bool mFoundUnitQueryInProgress = false;
    /// The running query opened its connection and so ends it; a connection someone else
    /// holds to the same host stays.
    bool mOwnsConnection = false;
    /// Counts the queries started, so that a late failure report of an earlier one is dropped.
    quint64 mQuerySerial = 0;
    bool mPaused = true;
    QTimer* mRefreshTimer;
    cNetworkConnection* mNetworkConnection;
    QString mSelectedAddress;
    std::shared_ptr<sLifetime> mLifetime;
};
