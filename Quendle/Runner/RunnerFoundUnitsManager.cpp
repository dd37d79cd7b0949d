#include "Quendle/Runner/RunnerFoundUnitsManager.h"

#include "Quendle/Runner/UserListQuery.h"
#include "ZUNet/Core/PollLocker.h"
#include "ZUNet/QT/TestDottedIPAddress.h"

#include <QSettings>
#include <QTimer>

namespace
{

QString ContactingText()
{
    return QStringLiteral("Contacting unit...");
}
QString NotReachableText()
{
    return QStringLiteral("Failed to discover\nremote unit");
}
QString NotEnabledText()
{
    return QStringLiteral("User lists\nnot enabled");
}
QString NotSupportedText()
{
    return QStringLiteral("User lists\nnot supported");
}

} // namespace

cRunnerFoundUnitsManager::cRunnerFoundUnitsManager(const QStringList& finderNames, QObject* parent)
    : cFoundUnitsManager(finderNames, parent)
    , mClearErrorTimer(new QTimer(this))
{
    // The query's results cross threads.
    qRegisterMetaType<sUnit>("sUnit");
    qRegisterMetaType<QVector<QString>>("QVector<QString>");
    qRegisterMetaType<QVector<bool>>("QVector<bool>");

    mClearErrorTimer->setSingleShot(true);
    mClearErrorTimer->setInterval(kErrorClearMs);
    connect(mClearErrorTimer, &QTimer::timeout, this, &cRunnerFoundUnitsManager::ClearDirectRequestError);

    mUnits->insert(0, new cQmlUnit(QStringLiteral("Demo"), QString(), cQmlUnit::Demo, {}, QString(), {}, {}, this));
    mHasSecondFixedEntry = true;
    mSelectedUnitIndex = kOtherIndex;
    // Nothing chosen yet: "Other..." stays selected when units come, as it is before.
    if (!QSettings().contains(LastUnitIndexKey()))
        mLastUnitIndex = kOtherIndex;
}

cRunnerFoundUnitsManager::~cRunnerFoundUnitsManager()
{
    // Waits for the probe's thread; its finish, if already posted, dies with this object.
    mProbe.reset();
    // Deleted now: at exit no event loop is left to carry out a deferred delete. Under the poll
    // lock no connection's end reaches it meanwhile; it unregisters itself.
    if (mUserListQuery) {
        cPollLocker locker;
        delete mUserListQuery;
        mUserListQuery = nullptr;
    }
}

void cRunnerFoundUnitsManager::SetZUNetNetworkConnection(cNetworkConnection* connection)
{
    // A restarted network gets a new query; the old one's name must be free first.
    if (mUserListQuery)
        mUserListQuery->UnregisterAndDeleteLater();
    mUserListQuery = new cUserListQuery(connection);
    mUserListQuery->SetPaused(mUserListQueryPaused);
    connect(mUserListQuery, &cUserListQuery::UserListResult, this, &cRunnerFoundUnitsManager::UnitFound);
    connect(mUserListQuery, &cUserListQuery::UnitLostSignal, this, &cRunnerFoundUnitsManager::UnitLost);
    connect(
        mUserListQuery, &cUserListQuery::DirectUserListResult, this, &cRunnerFoundUnitsManager::DirectUserListResult);
    // A finder still running reports to the new query.
    CreateUnitFinderConnections();
}

void cRunnerFoundUnitsManager::CreateUnitFinderConnections()
{
    if (!mUnitFinder || !mUserListQuery)
        return;
    connect(mUnitFinder, &cMultiUnitFinder::UnitFound, mUserListQuery, &cUserListQuery::UnitFoundSlot,
        Qt::UniqueConnection);
    connect(
        mUnitFinder, &cMultiUnitFinder::UnitLost, mUserListQuery, &cUserListQuery::UnitLostSlot, Qt::UniqueConnection);
}

void cRunnerFoundUnitsManager::ChangedSelectedUnit()
{
    if (!mUserListQuery)
        return;
    if (mSelectedUnitIndex > kOtherIndex) {
        if (mSelectedUnitIndex < mUnits->count())
            mUserListQuery->SetSelected(mUnits->at(mSelectedUnitIndex)->IpAddress());
    } else if (mSelectedUnitIndex >= 0) {
        mUserListQuery->SetSelected(QString());
    }
}

void cRunnerFoundUnitsManager::UpdateSelectedUnitUserList()
{
    QStringList names;
    QVector<bool> flags;
    if (mSelectedUnitIndex >= 0 && mSelectedUnitIndex < mUnits->count()) {
        const QQmlObjectListModel<cUserListEntry>* users = mUnits->at(mSelectedUnitIndex)->userList();
        for (int i = 0; i < users->count(); ++i) {
            names.append(users->at(i)->userName());
            flags.append(users->at(i)->hasPassword());
        }
    }
    if (names != mSelectedUnitUserList) {
        mSelectedUnitUserList = names;
        Q_EMIT selectedUnitUserListChanged();
    }
    if (flags != mSelectedUnitUserHasPasswordList) {
        mSelectedUnitUserHasPasswordList = flags;
        Q_EMIT selectedUnitUserHasPasswordListChanged();
    }
}

cQmlUnit* cRunnerFoundUnitsManager::OtherEntry() const
{
    return mUnits->count() > kOtherIndex ? mUnits->at(kOtherIndex) : nullptr;
}

void cRunnerFoundUnitsManager::pauseUserListQuery(bool Pause)
{
    mUserListQueryPaused = Pause;
    if (mUserListQuery)
        mUserListQuery->SetPaused(Pause);
}

void cRunnerFoundUnitsManager::unitIPAddressChanged()
{
    if (cQmlUnit* other = OtherEntry())
        other->UpdateUserList({}, {});
    UpdateSelectedUnitUserList();
    // Whatever is still on its way is for the address as it was.
    mTypedAddressEdited = true;
}

void cRunnerFoundUnitsManager::requestIPAddressUserList(QString Address)
{
    if (mProbe)
        return;
    mTypedAddress = Address;
    mTypedAddressEdited = false;
    mProbe = std::make_unique<cTestDottedIPAddress>(nullptr, Address.toLocal8Bit().toStdString());
    connect(mProbe.get(), &cTestDottedIPAddress::FinishedSignal, this, &cRunnerFoundUnitsManager::TcpPingFinishedSlot,
        Qt::QueuedConnection);
    mProbe->Start();
    SetDirectRequestError(ContactingText(), false);
}

void cRunnerFoundUnitsManager::TcpPingFinishedSlot()
{
    if (!mProbe || mProbe->GetState() == cTestDottedIPAddress::Running)
        return;
    const bool reachable = mProbe->GetState() == cTestDottedIPAddress::Reachable;
    mProbe.reset();
    if (mTypedAddressEdited) {
        // The address was edited while it was probed.
        SetDirectRequestError(QString(), false);
        return;
    }
    if (!reachable) {
        SetDirectRequestError(NotReachableText(), true);
        return;
    }
    if (mUserListQuery && !mUserListQuery->RequestDirectUserList(mTypedAddress))
        mDirectRequestWaiting = true;
    SetDirectRequestError(QString(), false);
}

void cRunnerFoundUnitsManager::DirectUserListResult(
    bool Supported, QString Address, QVector<QString> UserList, QVector<bool> HasPassword)
{
    if (mDirectRequestWaiting) {
        mDirectRequestWaiting = false;
        if (!mTypedAddressEdited && Address != mTypedAddress && mUserListQuery
            && !mUserListQuery->RequestDirectUserList(mTypedAddress))
            mDirectRequestWaiting = true;
    }
    if (mTypedAddressEdited || Address != mTypedAddress)
        return; // for an address no longer typed
    if (cQmlUnit* other = OtherEntry())
        other->UpdateUserList(UserList, HasPassword);
    UpdateSelectedUnitUserList();
    if (UserList.isEmpty())
        SetDirectRequestError(Supported ? NotEnabledText() : NotSupportedText(), true);
}

void cRunnerFoundUnitsManager::SetDirectRequestError(const QString& text, bool clearLater)
{
    mClearErrorTimer->stop();
    mUserListIPAddressError = text;
    Q_EMIT userListIPAddressErrorChanged();
    if (clearLater)
        mClearErrorTimer->start();
}

void cRunnerFoundUnitsManager::ClearDirectRequestError()
{
    SetDirectRequestError(QString(), false);
}
