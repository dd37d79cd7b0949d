#include "Quendle/AppCommon/RunnerQuendleConfigClient.h"

cRunnerQuendleConfigClient::cRunnerQuendleConfigClient(
    const char* netObjectName, const std::array<UBYTE, 3>& ownVersion)
    : cQuendleConfigClient(netObjectName, ownVersion)
{
}

cRunnerQuendleConfigClient::~cRunnerQuendleConfigClient()
{
    Unregister();
    const std::lock_guard<std::mutex> locker(mStorageMutex);
    EndWriting(false);
}

void cRunnerQuendleConfigClient::DeleteTempFile()
{
    EndWriting(false);
}

std::unique_ptr<QTemporaryFile> cRunnerQuendleConfigClient::TakeConfigDataTempFile()
{
    const std::lock_guard<std::mutex> locker(mStorageMutex);
    // Blocks still being written land first; a file that refused them is not handed over.
    EndWriting(true);
    std::unique_ptr<QTemporaryFile> file(mTempFile);
    mTempFile = nullptr;
    mPending.clear();
    return file;
}

void cRunnerQuendleConfigClient::ClearDownloadedConfigDataStorage()
{
    const std::lock_guard<std::mutex> locker(mStorageMutex);
    EndWriting(false);
}

bool cRunnerQuendleConfigClient::EndWriting(bool keep)
{
    bool written = true;
    if (mWriter) {
        written = keep && mWriter->Finish();
        mWriter.reset();
    }
    if (!keep || !written) {
        delete mTempFile;
        mTempFile = nullptr;
        mPending.clear();
    }
    return written;
}

bool cRunnerQuendleConfigClient::WritePending(bool last)
{
    if (mPending.isEmpty())
        return true;
    if (last && !mWriter) {
        // All of a small download: no thread for it.
        const bool written = mTempFile->write(mPending) == mPending.size();
        mPending.clear();
        return written || EndWriting(false);
    }
    if (!mWriter)
        mWriter = std::make_unique<cStorageWriter>(*mTempFile);
    if (!mWriter->Write(std::move(mPending))) {
        EndWriting(false);
        return false;
    }
    mPending = mWriter->TakeSpare();
    return true;
}

bool cRunnerQuendleConfigClient::FinishDownloadedConfigDataStorage()
{
    const std::lock_guard<std::mutex> locker(mStorageMutex);
    return mTempFile && WritePending(true) && EndWriting(true) && mTempFile->flush();
}

bool cRunnerQuendleConfigClient::AddToDownloadedConfigDataStorage(const char* data, int length)
{
    const std::lock_guard<std::mutex> locker(mStorageMutex);
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
    return mPending.size() < kWriteBlock || WritePending(false);
}
