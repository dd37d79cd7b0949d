#pragma once

#include <QObject>
#include <QThread>

#include <condition_variable>
#include <mutex>
#include <string>

class QTcpSocket;
class cTestDottedIPAddressWorker;

/// Checks cheaply, on a thread of its own, that something accepts TCP connections on the ZUNet
/// port of an address: connects, sends BYE so the unit drops the probe at once, disconnects.
/// Reachable after a clean disconnect; failed on the first socket error or after 4000 ms.
class cTestDottedIPAddress : public QObject
{
    Q_OBJECT
public:
    enum eState { Running = 0, Reachable = 1, Failed = 2 };
    static constexpr int kTimeoutMs = 4000;

    cTestDottedIPAddress(QObject* parent, const std::string& address);
    ~cTestDottedIPAddress() override;

    void Start();
    eState GetState() const;
    void SetFinishedState(eState state);
    /// Returns at once when the probe has finished.
    void WaitUntilFinished();

Q_SIGNALS:
    void FinishedSignal();

private:
    cTestDottedIPAddressWorker* mWorker;
    QThread mThread;
    bool mStarted = false;
    mutable std::mutex mStateLock;
    std::condition_variable mStateCondition;
    eState mState = Running;
    bool mFinished = false;
};

class cTestDottedIPAddressWorker : public QObject
{
    Q_OBJECT
public:
    cTestDottedIPAddressWorker(cTestDottedIPAddress* probe, const std::string& address, int timeoutMs, quint16 port);

Q_SIGNALS:
    void StartSignal();

public Q_SLOTS:
    void Start();
    void AbortTcpPing();
    void TcpPingConnected();
    void TcpPingDisconnected();

private:
    cTestDottedIPAddress* mProbe;
    const std::string mAddress;
    const int mTimeoutMs;
    const quint16 mPort;
    QTcpSocket* mSocket = nullptr; // set while the probe runs
    bool mStarted = false;
};
