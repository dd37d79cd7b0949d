#include "Quendle/AppCommon/QmlUnit.h"

#include "ZUNet/Core/Trace.h"

#include <climits>

cUserListEntry::cUserListEntry(const QString& userName, bool hasPassword, QObject* parent)
    : QObject(parent)
    , mUserName(userName)
    , mHasPassword(hasPassword)
{
}

cQmlUnit::cQmlUnit(const QString& name, const QString& ipAddress, eUnitType type, const QStringList& versions,
    const QString& productName, const QVector<QString>& users, const QVector<bool>& hasPassword, QObject* parent)
    : QObject(parent)
    , mName(name)
    , mIpAddress(ipAddress)
    , mType(type)
    , mVersions(versions)
    , mProductName(productName)
    , mUserList(new QQmlObjectListModel<cUserListEntry>(this, QByteArray(), QByteArray()))
{
    AppendUsers(users, hasPassword);
}

cQmlUnit::eUnitType cQmlUnit::GetTypeFromFindString(const QString& findString)
{
    if (findString == QLatin1String("Vek Find"))
        return TarvoMirvane;
    if (findString == QLatin1String("Pell Find"))
        return PellMirvane;
    if (findString == QLatin1String("Frell Find"))
        return FrellMirvane;
    if (findString == QLatin1String("Vespril Find"))
        return VesprilMirvane;
    return Unknown;
}

namespace
{

struct sMinimumVersion {
    int mMajor, mMinor, mSub;
};

bool MinimumVersion(cQmlUnit::eUnitType type, sMinimumVersion& minimum)
{
    switch (type) {
    case cQmlUnit::TarvoMirvane:
        minimum = { 1, 8, 1 };
        return true;
    case cQmlUnit::PellMirvane:
        minimum = { 1, 5, 0 };
        return true;
    default:
        ZU_ERR("Can't get minimum version for unit type: %d", int(type));
        return false;
    }
}

} // namespace

int cQmlUnit::GetMinimumMajorVersion(eUnitType type)
{
    sMinimumVersion minimum {};
    return MinimumVersion(type, minimum) ? minimum.mMajor : INT_MAX;
}

int cQmlUnit::GetMinimumMinorVersion(eUnitType type)
{
    sMinimumVersion minimum {};
    return MinimumVersion(type, minimum) ? minimum.mMinor : INT_MAX;
}

int cQmlUnit::GetMinimumMinorSubversion(eUnitType type)
{
    sMinimumVersion minimum {};
    return MinimumVersion(type, minimum) ? minimum.mSub : INT_MAX;
}

QString cQmlUnit::readableIpAddress() const
{
    QString text = mIpAddress;
    return text.remove(QStringLiteral("::ffff:"), Qt::CaseInsensitive);
}

QString cQmlUnit::version() const
{
    if (mVersions.isEmpty())
        return QString();
    return QStringLiteral("V") + mVersions.join(QLatin1Char('.'));
}

bool cQmlUnit::validVersion() const
{
    switch (mType) {
    case Demo:
    case Unknown:
    case FrellMirvane:
    case VesprilMirvane:
        return true;
    case TarvoMirvane:
    case PellMirvane:
        break;
    default:
        return false;
    }
    if (mVersions.size() != 3)
        return false;
    const int major = mVersions[0].toInt();
    if (major < GetMinimumMajorVersion(mType))
        return false;
    if (major > GetMinimumMajorVersion(mType))
        return true;
    const int minor = mVersions[1].toInt();
    if (minor < GetMinimumMinorVersion(mType))
        return false;
    if (minor > GetMinimumMinorVersion(mType))
        return true;
    if (mVersions[2] == QLatin1String("X"))
        return true;
    return mVersions[2].toInt() >= GetMinimumMinorSubversion(mType);
}

void cQmlUnit::UpdateUserList(const QVector<QString>& users, const QVector<bool>& hasPassword)
{
    bool same = mUserList->count() == users.size();
    for (int i = 0; same && i < users.size(); ++i) {
        const cUserListEntry* entry = mUserList->at(i);
        same = entry->userName() == users[i] && entry->hasPassword() == hasPassword.value(i);
    }
    if (same)
        return;
    const QList<cUserListEntry*> old = mUserList->toList();
    mUserList->clear();
    for (cUserListEntry* entry : old)
        entry->deleteLater();
    AppendUsers(users, hasPassword);
}

void cQmlUnit::AppendUsers(const QVector<QString>& users, const QVector<bool>& hasPassword)
{
    // The two lists come from one reply; a short flag list counts as users without a password.
    for (int i = 0; i < users.size(); ++i)
        mUserList->append(new cUserListEntry(users[i], hasPassword.value(i), this));
}
