#include "Quendle/AppCommon/FoundUnitsManager.h"

#include "Quendle/AppCommon/SettingsKeys.h"
#include "Quendle/AppCommon/StoredSettings.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QSettings>

cFoundUnitsManager::cFoundUnitsManager(const QStringList& finderNames, QObject* parent)
    : QObject(parent)
    , mFinderNames(finderNames)
    , mUnits(new QQmlObjectListModel<cQmlUnit>(this, QByteArray(), QByteArray()))
{
    mUnits->append(
        new cQmlUnit(QStringLiteral("Other..."), QString(), cQmlUnit::Unknown, QStringList(), QString(), {}, {}, this));
    QSettings settings;
    bool ok = false;
    const int index = settings.value(LastUnitIndexKey(), QStringLiteral("0")).toInt(&ok);
    // Damaged settings never select before the list.
    mLastUnitIndex = ok && index > 0 ? index : 0;
    mLastUnitName = Quendle::ReadStoredName(LastUnitNameKey());
}

cFoundUnitsManager::~cFoundUnitsManager()
{
    StopUnitFinder();
}

const QString& cFoundUnitsManager::LastUnitIndexKey()
{
    static const QString key = cSettingsKeys::LastUnitIndex;
    return key;
}

const QString& cFoundUnitsManager::LastUnitNameKey()
{
    static const QString key = cSettingsKeys::LastUnitName;
    return key;
}

void cFoundUnitsManager::StartUnitFinder()
{
    if (mUnitFinder)
        return;
    mUnitFinder = new cMultiUnitFinder(this);
    gMultiUnitFinder.store(mUnitFinder);
    CreateUnitFinderConnections();
    for (const QString& name : qAsConst(mFinderNames))
        mUnitFinder->StartFindingUnits(name, true);
}

void cFoundUnitsManager::StopUnitFinder()
{
    if (!mUnitFinder)
        return;
    if (gMultiUnitFinder.load() == mUnitFinder)
        gMultiUnitFinder.store(nullptr);
    mUnitFinder->StopFindingAllUnits();
    delete mUnitFinder;
    mUnitFinder = nullptr;
}

void cFoundUnitsManager::CreateUnitFinderConnections()
{
    connect(mUnitFinder, &cMultiUnitFinder::UnitFound, this,
        [this](const sUnit& unit) { UnitFound(unit, QVector<QString>(), QVector<bool>()); });
    connect(mUnitFinder, &cMultiUnitFinder::UnitLost, this, &cFoundUnitsManager::UnitLost);
}

namespace
{

QString AddressText(const QHostAddress& address)
{
    return QHostAddress(address.toIPv4Address()).toString();
}

} // namespace

void cFoundUnitsManager::UnitFound(sUnit Unit, QVector<QString> UserList, QVector<bool> HasPassword)
{
    const cQmlUnit::eUnitType type = cQmlUnit::GetTypeFromFindString(Unit.mFindString);
    QStringList versions;
    QString productName;
    if (type >= cQmlUnit::TarvoMirvane && type <= cQmlUnit::VesprilMirvane && !Unit.mUnitInfo.isEmpty()) {
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(Unit.mUnitInfo.toLocal8Bit(), &error);
        if (error.error == QJsonParseError::NoError && document.isObject()) {
            const QJsonObject object = document.object();
            if (object.value(QLatin1String("V")).isArray()) {
                const QJsonArray parts = object.value(QLatin1String("V")).toArray();
                for (const QJsonValue& part : parts)
                    versions.append(part.toString());
            }
            if (object.value(QLatin1String("N")).isString())
                productName = object.value(QLatin1String("N")).toString();
        }
    }
    const QString address = AddressText(Unit.mHostAddress);

    int index = mUnits->count();
    for (int i = FirstFoundIndex(); i < mUnits->count(); ++i) {
        cQmlUnit* entry = mUnits->at(i);
        if (entry->name() == Unit.mUnitName && entry->IpAddress() == address) {
            entry->UpdateUserList(UserList, HasPassword);
            UpdateSelectedUnitUserList();
            return;
        }
        if (entry->name().compare(Unit.mUnitName, Qt::CaseSensitive) > 0) {
            index = i;
            break;
        }
    }
    mUnits->insert(
        index, new cQmlUnit(Unit.mUnitName, address, type, versions, productName, UserList, HasPassword, this));
    // The selected entry keeps pointing at its unit.
    if (index <= mSelectedUnitIndex && mSelectedUnitIndex >= FirstFoundIndex()) {
        ++mSelectedUnitIndex;
        Q_EMIT selectedUnitIndexChanged();
    }
    UpdateSelectedUnitUserList();
    if (!mLostSelectionName.isEmpty() && Unit.mUnitName == mLostSelectionName) {
        mLostSelectionName.clear();
        SelectIndex(index);
    } else if (!mUserChangedSelectedUnit) {
        UpdateLastSelectedUnitIndex();
    }
}

void cFoundUnitsManager::UnitLost(sUnit Unit)
{
    const QString address = AddressText(Unit.mHostAddress);
    for (int i = FirstFoundIndex(); i < mUnits->count(); ++i) {
        cQmlUnit* entry = mUnits->at(i);
        if (entry->name() != Unit.mUnitName || entry->IpAddress() != address)
            continue;
        mUnits->remove(i);
        if (entry->parent() != mUnits)
            entry->deleteLater();
        if (i == mSelectedUnitIndex) {
            mLostSelectionName = Unit.mUnitName;
            UpdateLastSelectedUnitIndex();
        } else if (i < mSelectedUnitIndex) {
            --mSelectedUnitIndex;
            Q_EMIT selectedUnitIndexChanged();
        }
        return;
    }
}

void cFoundUnitsManager::SelectIndex(int index)
{
    mSelectedUnitIndex = index;
    Q_EMIT selectedUnitIndexChanged();
    ChangedSelectedUnit();
    UpdateSelectedUnitUserList();
}

void cFoundUnitsManager::UpdateLastSelectedUnitIndex()
{
    if (mLastUnitIndex < FirstFoundIndex()) {
        SelectIndex(mLastUnitIndex);
        return;
    }
    for (int i = 0; i < mUnits->count(); ++i) {
        if (mUnits->at(i)->name() == mLastUnitName) {
            SelectIndex(i);
            return;
        }
    }
    SelectIndex(mHasSecondFixedEntry ? 1 : 0);
}

void cFoundUnitsManager::setSelectedUnitIndex(int index)
{
    if (index != mSelectedUnitIndex) {
        mSelectedUnitIndex = index;
        Q_EMIT selectedUnitIndexChanged();
        ChangedSelectedUnit();
    }
    UpdateSelectedUnitUserList();
}

void cFoundUnitsManager::setUserChangedSelectedUnit()
{
    mUserChangedSelectedUnit = true;
    mLostSelectionName.clear();
}

void cFoundUnitsManager::setLastUnitNameAndIndex(int Index, QString UnitName)
{
    QSettings settings;
    if (Index != mLastUnitIndex) {
        mLastUnitIndex = Index;
        settings.setValue(LastUnitIndexKey(), Index);
    }
    if (Index == 0 && mHasSecondFixedEntry)
        return;
    if (UnitName != mLastUnitName) {
        mLastUnitName = UnitName;
        settings.setValue(LastUnitNameKey(), UnitName);
    }
}

void cFoundUnitsManager::setLastUnitNameFromIndex(int Index)
{
    setLastUnitNameAndIndex(Index, getUnitName(Index));
}

QString cFoundUnitsManager::getUnitName(int UnitIndex) const
{
    if (UnitIndex < 0 || UnitIndex >= mUnits->count())
        return QString();
    return mUnits->at(UnitIndex)->name();
}

QString cFoundUnitsManager::lastConnectionIpAddress() const
{
    static const QRegularExpression pattern(QStringLiteral("(\\d{1,3}\\.\\d{1,3}\\.\\d{1,3}\\.\\d{1,3})"));
    QRegularExpressionValidator validator(pattern);
    QString text = mLastUnitName;
    int position = 0;
    return validator.validate(text, position) == QValidator::Invalid ? QString() : mLastUnitName;
}
