#include "Quendle/AppCommon/RunnerQuendleConfigClient.h"

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
    mPending.clear();
}

void cRunnerQuendleConfigClient::ClearDownloadedConfigDataStorage()
{
    QMutexLocker locker(&mStorageMutex);
    delete mTempFile;
    mTempFile = nullptr;
    mPending.clear();
}

bool cRunnerQuendleConfigClient::WritePending()
{
    if (mPending.isEmpty())
        return true;
    const bool written = mTempFile->write(mPending) == mPending.size();
    mPending.clear();
    if (!written) {
        delete mTempFile;
        mTempFile = nullptr;
    }
    return written;
}

bool cRunnerQuendleConfigClient::FinishDownloadedConfigDataStorage()
{
    QMutexLocker locker(&mStorageMutex);
    return mTempFile && WritePending() && mTempFile->flush();
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
    if (length <= 0)
        return true;
    if (mPending.capacity() < kWriteBlock)
        mPending.reserve(kWriteBlock);
    mPending.append(data, length);
    return mPending.size() < kWriteBlock || WritePending();
}
