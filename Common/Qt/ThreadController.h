#pragma once

#include <QObject>
#include <QThread>

/// A worker object that lives on a controller's thread. `InitOnThread` runs on that thread as
/// soon as it starts, so sockets and timers are made there.
class cThreadWorker : public QObject
{
    Q_OBJECT
public:
    cThreadWorker();

private:
    friend class cThreadController;

protected Q_SLOTS:
    virtual void InitOnThread();
};

/// Owns one thread of a fixed priority that runs one worker. Destroying the controller quits the
/// thread, waits for it, and the worker is deleted as the thread finishes.
class cThreadController : public QObject
{
    Q_OBJECT
public:
    explicit cThreadController(QThread::Priority priority);
    ~cThreadController() override;

    void SetThreadWorkerAndStartThread(cThreadWorker* worker);
    QThread* Thread() { return &mThread; }

protected:
    QThread mThread;
    const QThread::Priority mPriority;
};
