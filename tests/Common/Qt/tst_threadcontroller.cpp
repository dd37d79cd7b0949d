#include "Common/Qt/ThreadController.h"

#include <QtTest>

#include <atomic>

namespace
{
class cRecordingWorker : public cThreadWorker
{
    Q_OBJECT
public:
    std::atomic<QThread*> mInitThread { nullptr };
    std::atomic<bool> mBusyDone { false };

public Q_SLOTS:
    void BeBusy()
    {
        QThread::msleep(200);
        mBusyDone = true;
    }

protected:
    void InitOnThread() override { mInitThread = QThread::currentThread(); }
};
} // namespace

class tst_ThreadController : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initRunsOnTheNewThread();
    void neverStartedReturnsAtOnce();
    void destructionWaitsForBusyWorker();
};

void tst_ThreadController::initRunsOnTheNewThread()
{
    auto* controller = new cThreadController(QThread::LowPriority);
    auto* worker = new cRecordingWorker();
    QPointer<cRecordingWorker> watch(worker);
    QSignalSpy destroyed(worker, &QObject::destroyed);
    controller->SetThreadWorkerAndStartThread(worker);
    QTRY_VERIFY(worker->mInitThread.load() != nullptr);
    QCOMPARE(worker->mInitThread.load(), controller->Thread());
    QVERIFY(worker->mInitThread.load() != QThread::currentThread());
    delete controller;
    QCOMPARE(destroyed.count(), 1); // deleted by the finishing thread, nobody else
    QVERIFY(watch.isNull());
}

void tst_ThreadController::neverStartedReturnsAtOnce()
{
    QElapsedTimer timer;
    timer.start();
    delete new cThreadController(QThread::NormalPriority);
    QVERIFY(timer.elapsed() < 1000);
}

void tst_ThreadController::destructionWaitsForBusyWorker()
{
    auto* controller = new cThreadController(QThread::NormalPriority);
    auto* worker = new cRecordingWorker();
    controller->SetThreadWorkerAndStartThread(worker);
    QTRY_VERIFY(worker->mInitThread.load() != nullptr);
    std::atomic<bool>* done = &worker->mBusyDone;
    bool doneBeforeDelete = true;
    QMetaObject::invokeMethod(worker, "BeBusy", Qt::QueuedConnection);
    QThread::msleep(20);
    doneBeforeDelete = done->load();
    QSignalSpy destroyed(worker, &QObject::destroyed);
    delete controller; // returns only once the busy slot has returned and the worker is gone
    QVERIFY(!doneBeforeDelete);
    QCOMPARE(destroyed.count(), 1);
}

QTEST_GUILESS_MAIN(tst_ThreadController)
#include "tst_threadcontroller.moc"
