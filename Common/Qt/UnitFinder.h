#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QMetaType>
#include <QNetworkAddressEntry>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <atomic>
#include <mutex>
#include <vector>

class QTimer;
class QUdpSocket;

/// Discovery ports: requests go to the request port, version-2 replies arrive on the reply port.
constexpr quint16 UNIT_FINDER_REQUEST_PORT = 51320;
constexpr quint16 UNIT_FINDER_REPLY_PORT = 51319;
/// First text of every version-2 reply.
constexpr char UNIT_FINDER_V2_DISCOVERY_SENTINEL[] = "ZU_UFV2";

/// One unit found on the network.
struct sUnit {
    QHostAddress mHostAddress;
    QString mUnitName;
    QString mFindString;
    QString mUnitInfo; // JSON description from a version-2 reply; empty for legacy replies

    /// The description is not part of a unit's identity.
    bool operator==(const sUnit& other) const
    {
        return mHostAddress == other.mHostAddress && mUnitName == other.mUnitName && mFindString == other.mFindString;
    }
    bool operator!=(const sUnit& other) const { return !(*this == other); }
};
Q_DECLARE_METATYPE(sUnit)

/// The IPv4 address entries of the valid local interfaces, 127.0.0.1 left out: the addresses
/// discovery sends from and broadcasts on.
QList<QNetworkAddressEntry> LocalIPv4AddressEntries();

/// One search: broadcasts the request for one find string from every local IPv4 address and
/// reports legacy answers that come back to its sockets.
class cUnitFinder : public QObject
{
    Q_OBJECT
public:
    static constexpr char UNIT_FINDER_V2FLAG[] = "V2";
    /// Older unit families that only understand the bare find string.
    static const QStringList& LegacyFindStrings();

    cUnitFinder(const QString& findString, QObject* parent);

    QString GetFindString() const { return mFindString; }
    bool IsLegacy() const { return mIsLegacy; }
    const QByteArray& GetRequest() const { return mRequest; }
    int SocketCount() const { return mSockets.size(); }

    /// Collects answers that came in, then sends the request from every socket.
    void TimerFired();

Q_SIGNALS:
    void UnitSeen(sUnit Unit, bool isV2 = false);

public Q_SLOTS:
    void UDPRead();

private:
    QList<QUdpSocket*> mSockets;
    QString mFindString;
    QByteArray mRequest;
    bool mIsLegacy = false;
};

/// Every search of the process and the list of units found by them. Lives on the main thread;
/// other threads may only call the three Get... operations (and the static process helpers).
class cMultiUnitFinder : public QObject
{
    Q_OBJECT
public:
    static constexpr int TIMER_PERIOD_MS = 1000;
    static constexpr int UNIT_LIFE = 5;
    static constexpr int MAX_SEEN_UNITS = 256;

    explicit cMultiUnitFinder(QObject* parent = nullptr);
    ~cMultiUnitFinder() override;

    void StartFindingUnits(const QString& findString, bool sendRequests);
    void StopFindingUnits(const QString& findString);
    void StopFindingAllUnits();

    QList<sUnit> GetFoundUnits() const;
    QList<sUnit> GetFoundUnitsOfFindString(const QString& findString) const;
    QHostAddress GetHostAddressByUnitName(const QString& findString, const QString& unitName) const;

    /// Takes the Latin-1 text at `offset` up to the next NUL (or the end) and moves past the NUL.
    /// False when the offset lies outside the datagram.
    static bool TakeStringFromDatagram(const QByteArray& datagram, int& offset, QString& text);
    /// Splits a version-2 reply into its find string, unit name and description. False for a
    /// wrong sentinel or fewer than four texts.
    static bool ParseV2Reply(const QByteArray& datagram, QString& findString, QString& unitName, QString& unitInfo);

    /// Handles one datagram as if it had arrived on the reply port from `sender`.
    void ProcessDiscoveryDatagram(const QByteArray& datagram, const QHostAddress& sender);

    /// The real one-second timer runs by default; tests switch it off and call TimerFired themselves.
    void SetTimerRunning(bool running);
    bool IsDiscoverySocketBound() const;
    int FinderCount() const;

    /// For threads other than the main one: the found list of the process-wide finder, read while
    /// the finder is kept from being destroyed. False when there is none.
    static bool GetProcessFoundUnits(QList<sUnit>& units);
    static QHostAddress GetProcessHostAddressByUnitName(const QString& findString, const QString& unitName);

Q_SIGNALS:
    void UnitFound(sUnit Unit);
    void UnitLost(sUnit Unit);

public Q_SLOTS:
    void UnitSeen(sUnit Unit);
    void DiscoveryPortUDPRead();
    void TimerFired();

private:
    struct sSeenUnit {
        sUnit mUnit;
        int mLife = 0;
    };

    void BindDiscoverySocket();
    void UnitFoundInternal(const sUnit& unit);
    void UnitLostInternal(const sUnit& unit);

    QList<cUnitFinder*> mUnitFinders; // guarded by mFoundLock
    QList<sUnit> mFoundUnits; // guarded by mFoundLock
    mutable std::mutex mFoundLock;
    mutable std::mutex mSearchLock; // taken before mFoundLock when both are needed
    QUdpSocket* mDiscoverySocket = nullptr;
    std::vector<sSeenUnit> mSeenUnits; // guarded by mSearchLock
    QTimer* mTimer = nullptr;
    QSet<QString> mFindStrings; // guarded by mSearchLock
};

/// The process's finder. Set and cleared by its creator on the main thread; other threads go
/// through cMultiUnitFinder::GetProcessFoundUnits and GetProcessHostAddressByUnitName.
extern std::atomic<cMultiUnitFinder*> gMultiUnitFinder;
