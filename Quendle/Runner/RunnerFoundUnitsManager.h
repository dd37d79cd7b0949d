#pragma once

#include "Quendle/AppCommon/FoundUnitsManager.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <memory>

class QTimer;
class cTestDottedIPAddress;
class cUserListQuery;

/// The runner's found-units list: "Demo" at the top, then "Other..." for a typed address, then the
/// units discovery finds, each with its users as its user-list server reports them. A typed address
/// is probed and then asked directly, with a status text for QML. GUI thread only; the query's
/// results arrive queued from the network message thread.
class cRunnerFoundUnitsManager : public cFoundUnitsManager
{
    Q_OBJECT
    Q_PROPERTY(QStringList selectedUnitUserList READ selectedUnitUserList NOTIFY selectedUnitUserListChanged)
    Q_PROPERTY(QVector<bool> selectedUnitUserHasPasswordList READ selectedUnitUserHasPasswordList NOTIFY
            selectedUnitUserHasPasswordListChanged)
    Q_PROPERTY(bool selectedUnitIsIPAddress READ selectedUnitIsIPAddress NOTIFY selectedUnitIndexChanged)
    Q_PROPERTY(bool hasUserListIPAddressError READ hasUserListIPAddressError NOTIFY userListIPAddressErrorChanged)
    Q_PROPERTY(QString userListIPAddressError READ userListIPAddressError NOTIFY userListIPAddressErrorChanged)

public:
    static constexpr int kErrorClearMs = 3000;
    static constexpr int kOtherIndex = 1;

    cRunnerFoundUnitsManager(const QStringList& finderNames, QObject* parent);
    ~cRunnerFoundUnitsManager() override;

    void SetZUNetNetworkConnection(cNetworkConnection* connection) override;
    void CreateUnitFinderConnections() override;
    void UpdateSelectedUnitUserList() override;
    void ChangedSelectedUnit() override;

    QStringList selectedUnitUserList() const { return mSelectedUnitUserList; }
    QVector<bool> selectedUnitUserHasPasswordList() const { return mSelectedUnitUserHasPasswordList; }
    bool selectedUnitIsIPAddress() const { return mSelectedUnitIndex == kOtherIndex; }
    bool hasUserListIPAddressError() const { return !mUserListIPAddressError.isEmpty(); }
    QString userListIPAddressError() const { return mUserListIPAddressError; }

    cUserListQuery* UserListQuery() const { return mUserListQuery; }
    /// Sets the status text; with `clearLater` it goes again after kErrorClearMs.
    void SetDirectRequestError(const QString& text, bool clearLater);

    Q_INVOKABLE void requestIPAddressUserList(QString Address);
    Q_INVOKABLE void unitIPAddressChanged();
    Q_INVOKABLE void pauseUserListQuery(bool Pause);

Q_SIGNALS:
    void selectedUnitUserListChanged();
    void selectedUnitUserHasPasswordListChanged();
    void userListIPAddressErrorChanged();

private Q_SLOTS:
    void DirectUserListResult(bool Supported, QString Address, QVector<QString> UserList, QVector<bool> HasPassword);
    void ClearDirectRequestError();
    void TcpPingFinishedSlot();

private:
    cQmlUnit* OtherEntry() const;

    cUserListQuery* mUserListQuery = nullptr;
    // What the pages last asked: the login page may show before the network (and its query) starts.
    bool mUserListQueryPaused = true;
    QStringList mSelectedUnitUserList;
    QVector<bool> mSelectedUnitUserHasPasswordList;
    QString mUserListIPAddressError;
    /// Owned: a probe still running when the manager goes is stopped with it.
    std::unique_ptr<cTestDottedIPAddress> mProbe;
    /// The address asked directly.
    QString mTypedAddress;
    /// The user has edited the address since it was asked (or nothing was asked yet): late
    /// answers for it are dropped.
    bool mTypedAddressEdited = true;
    /// The query was still busy with an earlier address; the typed one is asked once that ends.
    bool mDirectRequestWaiting = false;
    /// One timer, so that a clear armed for an earlier text never wipes a newer one.
    QTimer* mClearErrorTimer;
};
