#pragma once

#include "Common/Qt/UnitFinder.h"
#include "Quendle/AppCommon/QQmlObjectListModel.h"
#include "Quendle/AppCommon/QmlUnit.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVector>

class cNetworkConnection;

/// The list of units the login page offers: fixed entries first ("Other..."), then the units
/// discovery finds for the given find strings, in name order, with versions and user lists. Keeps
/// the selected entry on its unit while the list changes around it, and remembers the last unit
/// chosen in the settings. GUI thread only.
class cFoundUnitsManager : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QQmlObjectListModel<cQmlUnit>* units READ units CONSTANT)
    Q_PROPERTY(int selectedUnitIndex READ selectedUnitIndex WRITE setSelectedUnitIndex NOTIFY selectedUnitIndexChanged)
    Q_PROPERTY(QString lastConnectionIpAddress READ lastConnectionIpAddress NOTIFY lastConnectionIpAddressChanged)

public:
    cFoundUnitsManager(const QStringList& finderNames, QObject* parent);
    ~cFoundUnitsManager() override;

    virtual void SetZUNetNetworkConnection(cNetworkConnection* connection) { }
    virtual void CreateUnitFinderConnections();
    virtual void UpdateSelectedUnitUserList() { }
    virtual void ChangedSelectedUnit() { }

    QQmlObjectListModel<cQmlUnit>* units() const { return mUnits; }
    int selectedUnitIndex() const { return mSelectedUnitIndex; }
    void setSelectedUnitIndex(int index);
    QString lastConnectionIpAddress() const;
    QString LastUnitName() const { return mLastUnitName; }
    int LastUnitIndex() const { return mLastUnitIndex; }
    cMultiUnitFinder* UnitFinder() const { return mUnitFinder; }
    const QStringList& FinderNames() const { return mFinderNames; }

    void StartUnitFinder();
    void StopUnitFinder();
    void UpdateLastSelectedUnitIndex();

    Q_INVOKABLE QString getUnitName(int UnitIndex) const;
    Q_INVOKABLE void setLastUnitNameAndIndex(int Index, QString UnitName);
    Q_INVOKABLE void setLastUnitNameFromIndex(int Index);
    Q_INVOKABLE void setUserChangedSelectedUnit();

    static const QString& LastUnitIndexKey();
    static const QString& LastUnitNameKey();

Q_SIGNALS:
    void selectedUnitIndexChanged();
    void lastConnectionIpAddressChanged();

protected Q_SLOTS:
    void UnitFound(sUnit Unit, QVector<QString> UserList, QVector<bool> HasPassword);
    void UnitLost(sUnit Unit);

protected:
    int FirstFoundIndex() const { return mHasSecondFixedEntry ? 2 : 1; }
    /// Stores the index, tells QML and the hooks (also when it did not change).
    void SelectIndex(int index);

    cMultiUnitFinder* mUnitFinder = nullptr;
    QStringList mFinderNames;
    QQmlObjectListModel<cQmlUnit>* mUnits;
    bool mHasSecondFixedEntry = false;
    int mSelectedUnitIndex = 0;
    bool mUserChangedSelectedUnit = false;
    int mLastUnitIndex = 0;
    QString mLastUnitName;
    /// The unit whose entry was selected when discovery lost it (a restart, a cable): selected again
    /// when it comes back, unless the user has picked an entry since.
    QString mLostSelectionName;
};
