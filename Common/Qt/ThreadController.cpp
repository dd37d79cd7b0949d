#include "Common/Qt/ThreadController.h"

cThreadWorker::cThreadWorker()
    : QObject(nullptr)
{
}

void cThreadWorker::InitOnThread() { }

cThreadController::cThreadController(QThread::Priority priority)
    : QObject(nullptr)
    , mPriority(priority)
{
}

cThreadController::~cThreadController()
{
    mThread.quit();
    mThread.wait();
}

void cThreadController::SetThreadWorkerAndStartThread(cThreadWorker* worker)
{
    worker->moveToThread(&mThread);
    connect(&mThread, &QThread::started, worker, &cThreadWorker::InitOnThread);
    connect(&mThread, &QThread::finished, worker, &QObject::deleteLater);
    mThread.start(mPriority);
}
