#include "Common/Qt/UnitFinder.h"

#include <QDebug>
#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QPointer>
#include <QTimer>
#include <QUdpSocket>

#include <algorithm>

std::atomic<cMultiUnitFinder*> gMultiUnitFinder { nullptr };

namespace
{

// Held by other threads while they read the process-wide finder, and by the finder's destructor,
// so that finder cannot be destroyed under a reader.
std::mutex& ProcessFinderLock()
{
    static std::mutex lock;
    return lock;
}

} // namespace

QList<QNetworkAddressEntry> LocalIPv4AddressEntries()
{
    const QHostAddress localHost(QHostAddress::LocalHost);
    QList<QNetworkAddressEntry> result;
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& networkInterface : interfaces) {
        if (!networkInterface.isValid())
            continue;
        const auto entries = networkInterface.addressEntries();
        for (const QNetworkAddressEntry& entry : entries) {
            const QHostAddress address = entry.ip();
            if (address.protocol() == QAbstractSocket::IPv4Protocol && address.toIPv4Address() != 0
                && address != localHost)
                result.append(entry);
        }
    }
    return result;
}

// ---------------------------------------------------------------------------------------------
// cUnitFinder

const QStringList& cUnitFinder::LegacyFindStrings()
{
    static const QStringList list {
        QStringLiteral("Aster Find"),
        QStringLiteral("Brio Find"),
        QStringLiteral("Corvo Find"),
        QStringLiteral("Dalia Find"),
        QStringLiteral("Estro Find"),
        QStringLiteral("Fiora Find"),
        QStringLiteral("Gallo Find"),
        QStringLiteral("Helio Find"),
        QStringLiteral("Iride Find"),
        QStringLiteral("Juno Find"),
        QStringLiteral("Kappa Find"),
    };
    return list;
}

cUnitFinder::cUnitFinder(const QString& findString, QObject* parent)
    : QObject(parent)
    , mFindString(findString)
{
    mIsLegacy = LegacyFindStrings().contains(findString, Qt::CaseSensitive);
    mRequest = findString.toLocal8Bit();
    if (!mIsLegacy) {
        mRequest.append('\0');
        mRequest.append(UNIT_FINDER_V2FLAG);
        mRequest.append('\0');
    }

    const auto entries = LocalIPv4AddressEntries();
    for (const QNetworkAddressEntry& entry : entries) {
        auto* socket = new QUdpSocket(this);
        if (!socket->bind(entry.ip(), 0)) {
            delete socket;
            continue;
        }
        connect(socket, &QUdpSocket::readyRead, this, &cUnitFinder::UDPRead);
        mSockets.append(socket);
    }
}

void cUnitFinder::TimerFired()
{
    QPointer<cUnitFinder> self(this);
    UDPRead();
    if (!self)
        return;
    for (QUdpSocket* socket : qAsConst(mSockets))
        socket->writeDatagram(mRequest, QHostAddress(QHostAddress::Broadcast), UNIT_FINDER_REQUEST_PORT);
}

void cUnitFinder::UDPRead()
{
    QPointer<cUnitFinder> self(this);
    const QList<QUdpSocket*> sockets = mSockets;
    for (QUdpSocket* socket : sockets) {
        while (socket->hasPendingDatagrams()) {
            const QNetworkDatagram datagram = socket->receiveDatagram();
            if (!datagram.isValid())
                break;
            const QByteArray data = datagram.data();
            const int end = data.indexOf('\0');
            sUnit unit;
            unit.mHostAddress = datagram.senderAddress();
            unit.mUnitName = QString::fromLatin1(data.constData(), end < 0 ? data.size() : end);
            unit.mFindString = mFindString;
            Q_EMIT UnitSeen(unit, false);
            if (!self)
                return;
        }
    }
}

// ---------------------------------------------------------------------------------------------
// cMultiUnitFinder

cMultiUnitFinder::cMultiUnitFinder(QObject* parent)
    : QObject(parent)
{
    qRegisterMetaType<sUnit>("sUnit");
    mDiscoverySocket = new QUdpSocket(this);
    BindDiscoverySocket();
    connect(mDiscoverySocket, &QUdpSocket::readyRead, this, &cMultiUnitFinder::DiscoveryPortUDPRead);
    mTimer = new QTimer(this);
    mTimer->setInterval(TIMER_PERIOD_MS);
    connect(mTimer, &QTimer::timeout, this, &cMultiUnitFinder::TimerFired);
    mTimer->start();
}

cMultiUnitFinder::~cMultiUnitFinder()
{
    {
        std::lock_guard<std::mutex> locker(ProcessFinderLock());
        cMultiUnitFinder* expected = this;
        gMultiUnitFinder.compare_exchange_strong(expected, nullptr);
    }
    delete mTimer;
    delete mDiscoverySocket;
    QList<cUnitFinder*> finders;
    {
        std::lock_guard<std::mutex> locker(mFoundLock);
        finders.swap(mUnitFinders);
    }
    qDeleteAll(finders);
}

void cMultiUnitFinder::BindDiscoverySocket()
{
    mDiscoverySocket->bind(QHostAddress::AnyIPv4, UNIT_FINDER_REPLY_PORT,
        QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint);
}

void cMultiUnitFinder::StartFindingUnits(const QString& findString, bool sendRequests)
{
    {
        std::lock_guard<std::mutex> locker(mSearchLock);
        if (mFindStrings.contains(findString))
            return;
    }
    if (sendRequests) {
        auto* finder = new cUnitFinder(findString, this);
        connect(finder, &cUnitFinder::UnitSeen, this, &cMultiUnitFinder::UnitSeen);
        std::lock_guard<std::mutex> locker(mFoundLock);
        mUnitFinders.append(finder);
    }
    std::lock_guard<std::mutex> locker(mSearchLock);
    mFindStrings.insert(findString);
}

void cMultiUnitFinder::StopFindingUnits(const QString& findString)
{
    cUnitFinder* finder = nullptr;
    {
        std::lock_guard<std::mutex> locker(mFoundLock);
        for (int i = 0; i < mUnitFinders.size(); ++i) {
            if (mUnitFinders.at(i)->GetFindString() == findString) {
                finder = mUnitFinders.takeAt(i);
                break;
            }
        }
    }
    if (finder) {
        // We may be inside one of this finder's own signals: it must outlive the emission.
        disconnect(finder, nullptr, this, nullptr);
        finder->deleteLater();
    }
    {
        std::lock_guard<std::mutex> locker(mSearchLock);
        mFindStrings.remove(findString);
        mSeenUnits.erase(std::remove_if(mSeenUnits.begin(), mSeenUnits.end(),
                             [&](const sSeenUnit& seen) { return seen.mUnit.mFindString == findString; }),
            mSeenUnits.end());
    }
    QPointer<cMultiUnitFinder> self(this);
    for (;;) {
        sUnit unit;
        {
            std::lock_guard<std::mutex> locker(mFoundLock);
            auto it = std::find_if(mFoundUnits.begin(), mFoundUnits.end(),
                [&](const sUnit& found) { return found.mFindString == findString; });
            if (it == mFoundUnits.end())
                break;
            unit = *it;
            mFoundUnits.erase(it);
        }
        Q_EMIT UnitLost(unit);
        if (!self)
            return;
    }
}

void cMultiUnitFinder::StopFindingAllUnits()
{
    for (;;) {
        QString findString;
        {
            std::lock_guard<std::mutex> locker(mSearchLock);
            if (mFindStrings.isEmpty())
                return;
            findString = *mFindStrings.cbegin();
        }
        StopFindingUnits(findString);
    }
}

QList<sUnit> cMultiUnitFinder::GetFoundUnits() const
{
    std::lock_guard<std::mutex> locker(mFoundLock);
    return mFoundUnits;
}

QList<sUnit> cMultiUnitFinder::GetFoundUnitsOfFindString(const QString& findString) const
{
    QList<sUnit> units;
    std::lock_guard<std::mutex> locker(mFoundLock);
    for (const sUnit& unit : mFoundUnits) {
        if (unit.mFindString == findString)
            units.append(unit);
    }
    return units;
}

QHostAddress cMultiUnitFinder::GetHostAddressByUnitName(const QString& findString, const QString& unitName) const
{
    std::lock_guard<std::mutex> locker(mFoundLock);
    for (const sUnit& unit : mFoundUnits) {
        if (unit.mFindString == findString && unit.mUnitName == unitName)
            return unit.mHostAddress;
    }
    return QHostAddress();
}

bool cMultiUnitFinder::GetProcessFoundUnits(QList<sUnit>& units)
{
    std::lock_guard<std::mutex> locker(ProcessFinderLock());
    cMultiUnitFinder* finder = gMultiUnitFinder.load();
    if (!finder)
        return false;
    units = finder->GetFoundUnits();
    return true;
}

QHostAddress cMultiUnitFinder::GetProcessHostAddressByUnitName(const QString& findString, const QString& unitName)
{
    std::lock_guard<std::mutex> locker(ProcessFinderLock());
    cMultiUnitFinder* finder = gMultiUnitFinder.load();
    return finder ? finder->GetHostAddressByUnitName(findString, unitName) : QHostAddress();
}

bool cMultiUnitFinder::TakeStringFromDatagram(const QByteArray& datagram, int& offset, QString& text)
{
    if (offset < 0 || offset >= datagram.size())
        return false;
    int end = datagram.indexOf('\0', offset);
    if (end < 0)
        end = datagram.size();
    text = QString::fromLatin1(datagram.constData() + offset, end - offset);
    offset = end + 1;
    return true;
}

bool cMultiUnitFinder::ParseV2Reply(
    const QByteArray& datagram, QString& findString, QString& unitName, QString& unitInfo)
{
    int offset = 0;
    QString sentinel;
    if (!TakeStringFromDatagram(datagram, offset, sentinel)
        || sentinel != QLatin1String(UNIT_FINDER_V2_DISCOVERY_SENTINEL))
        return false;
    return TakeStringFromDatagram(datagram, offset, findString) && TakeStringFromDatagram(datagram, offset, unitName)
        && TakeStringFromDatagram(datagram, offset, unitInfo);
}

void cMultiUnitFinder::ProcessDiscoveryDatagram(const QByteArray& datagram, const QHostAddress& sender)
{
    sUnit unit;
    if (!ParseV2Reply(datagram, unit.mFindString, unit.mUnitName, unit.mUnitInfo))
        return;
    {
        std::lock_guard<std::mutex> locker(mSearchLock);
        if (!mFindStrings.contains(unit.mFindString))
            return;
    }
    unit.mHostAddress = sender;
    UnitSeen(unit);
}

void cMultiUnitFinder::DiscoveryPortUDPRead()
{
    QPointer<cMultiUnitFinder> self(this);
    while (mDiscoverySocket->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = mDiscoverySocket->receiveDatagram();
        if (!datagram.isValid())
            break;
        ProcessDiscoveryDatagram(datagram.data(), datagram.senderAddress());
        if (!self)
            return;
    }
}

void cMultiUnitFinder::UnitSeen(sUnit Unit)
{
    {
        std::lock_guard<std::mutex> locker(mSearchLock);
        for (sSeenUnit& seen : mSeenUnits) {
            if (seen.mUnit == Unit) {
                seen.mLife = UNIT_LIFE;
                return;
            }
        }
        if (int(mSeenUnits.size()) >= MAX_SEEN_UNITS)
            return;
        mSeenUnits.push_back({ Unit, UNIT_LIFE });
    }
    UnitFoundInternal(Unit);
}

void cMultiUnitFinder::UnitFoundInternal(const sUnit& unit)
{
    {
        std::lock_guard<std::mutex> locker(mFoundLock);
        mFoundUnits.append(unit);
    }
    Q_EMIT UnitFound(unit);
}

void cMultiUnitFinder::UnitLostInternal(const sUnit& unit)
{
    {
        std::lock_guard<std::mutex> locker(mFoundLock);
        const int index = mFoundUnits.indexOf(unit);
        if (index >= 0)
            mFoundUnits.removeAt(index);
    }
    Q_EMIT UnitLost(unit);
}

void cMultiUnitFinder::TimerFired()
{
    if (mDiscoverySocket->state() != QAbstractSocket::BoundState) {
        qDebug().noquote() << QStringLiteral("cMultiUnitFinder - TimerFired, not bound. attempting to bind socket... ")
                + mDiscoverySocket->errorString();
        mDiscoverySocket->abort();
        BindDiscoverySocket();
    }

    QPointer<cMultiUnitFinder> self(this);
    QList<QPointer<cUnitFinder>> finders;
    {
        std::lock_guard<std::mutex> locker(mFoundLock);
        for (cUnitFinder* finder : qAsConst(mUnitFinders))
            finders.append(finder);
    }
    for (const QPointer<cUnitFinder>& finder : qAsConst(finders)) {
        if (finder)
            finder->TimerFired();
        if (!self)
            return;
    }

    std::vector<sUnit> lost;
    {
        std::lock_guard<std::mutex> locker(mSearchLock);
        for (auto it = mSeenUnits.begin(); it != mSeenUnits.end();) {
            if (--it->mLife <= 0) {
                lost.push_back(it->mUnit);
                it = mSeenUnits.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (const sUnit& unit : lost) {
        UnitLostInternal(unit);
        if (!self)
            return;
    }
}

void cMultiUnitFinder::SetTimerRunning(bool running)
{
    if (running)
        mTimer->start();
    else
        mTimer->stop();
}

bool cMultiUnitFinder::IsDiscoverySocketBound() const
{
    return mDiscoverySocket->state() == QAbstractSocket::BoundState;
}

int cMultiUnitFinder::FinderCount() const
{
    std::lock_guard<std::mutex> locker(mFoundLock);
    return mUnitFinders.size();
}
