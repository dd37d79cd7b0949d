#pragma once

#include "Quendle/AppCommon/QQmlObjectListModel.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVector>

/// One user of a unit as its user list names it.
class cUserListEntry : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString userName READ userName CONSTANT)
    Q_PROPERTY(bool hasPassword READ hasPassword CONSTANT)

public:
    cUserListEntry(const QString& userName, bool hasPassword, QObject* parent);
    QString userName() const { return mUserName; }
    bool hasPassword() const { return mHasPassword; }

private:
    QString mUserName;
    bool mHasPassword;
};

/// One entry of the found-units list as QML sees it: a unit found on the network, or a fixed entry.
class cQmlUnit : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString name READ name NOTIFY nameChanged)
    Q_PROPERTY(QString readableIpAddress READ readableIpAddress NOTIFY ipAddressChanged)
    Q_PROPERTY(eUnitType type READ type NOTIFY typeChanged)
    Q_PROPERTY(QString version READ version CONSTANT)
    Q_PROPERTY(bool validVersion READ validVersion CONSTANT)
    Q_PROPERTY(QString productName READ productName CONSTANT)
    Q_PROPERTY(QQmlObjectListModel<cUserListEntry>* userList READ userList CONSTANT)

public:
    enum eUnitType { Demo = 0, Unknown = 1, TarvoMirvane = 2, FrellMirvane = 3, PellMirvane = 4, VesprilMirvane = 5 };
    Q_ENUM(eUnitType)

    cQmlUnit(const QString& name, const QString& ipAddress, eUnitType type, const QStringList& versions,
        const QString& productName, const QVector<QString>& users, const QVector<bool>& hasPassword, QObject* parent);

    static eUnitType GetTypeFromFindString(const QString& findString);
    static int GetMinimumMajorVersion(eUnitType type);
    static int GetMinimumMinorVersion(eUnitType type);
    static int GetMinimumMinorSubversion(eUnitType type);

    QString name() const { return mName; }
    QString IpAddress() const { return mIpAddress; }
    QString readableIpAddress() const;
    eUnitType type() const { return mType; }
    QString version() const;
    QStringList VersionParts() const { return mVersions; }
    bool validVersion() const;
    QString productName() const { return mProductName; }
    QQmlObjectListModel<cUserListEntry>* userList() const { return mUserList; }

    void UpdateUserList(const QVector<QString>& users, const QVector<bool>& hasPassword);

Q_SIGNALS:
    void nameChanged();
    void ipAddressChanged();
    void typeChanged();

private:
    void AppendUsers(const QVector<QString>& users, const QVector<bool>& hasPassword);

    QString mName;
    QString mIpAddress;
    eUnitType mType;
    QStringList mVersions;
    QString mProductName;
    QQmlObjectListModel<cUserListEntry>* mUserList;
};
