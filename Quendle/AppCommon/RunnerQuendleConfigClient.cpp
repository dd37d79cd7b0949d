#include "RunnerQuendleConfigClient.h"

#include <QMutexLocker>

cRunnerQuendleConfigClient::cRunnerQuendleConfigClient(
    const char* netObjectName, const std::array<UBYTE, 3>& ownVersion)
    : cQuendleConfigClient(netObjectName, ownVersion)
{
}

cRunnerQuendleConfigClient::~cRunnerQuendleConfigClient()
{
    Unregister();
    QMutexLocker locker(&mStorageMutex);
    delete mTempFile;
    mTempFile = nullptr;
}

void cRunnerQuendleConfigClient::DeleteTempFile()
{
    delete mTempFile;
    mTempFile = nullptr;
}

void cRunnerQuendleConfigClient::ClearDownloadedConfigDataStorage()
{
    QMutexLocker locker(&mStorageMutex);
    delete mTempFile;
    mTempFile = nullptr;
}

bool cRunnerQuendleConfigClient::AddToDownloadedConfigDataStorage(const char* data, int length)
{
    QMutexLocker locker(&mStorageMutex);
    if (!mTempFile) {
        mTempFile = new QTemporaryFile;
        if (!mTempFile->open()) {
            delete mTempFile;
            mTempFile = nullptr;
            return false;
        }
    }
    if (length > 0 && mTempFile->write(data, length) != length) {
        delete mTempFile;
        mTempFile = nullptr;
        return false;
    }
    return true;
}
