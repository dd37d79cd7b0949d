#include "Quendle/AppCommon/StorageWriter.h"

#include <QIODevice>

#include <utility>

cStorageWriter::cStorageWriter(QIODevice& file)
    : mFile(file)
    , mThread([this] { Run(); })
{
}

cStorageWriter::~cStorageWriter()
{
    {
        std::lock_guard<std::mutex> locker(mLock);
        mStop = true;
        mWaiting.clear();
    }
    mChanged.notify_all();
    mThread.join();
}

bool cStorageWriter::Write(QByteArray block)
{
    std::unique_lock<std::mutex> locker(mLock);
    mChanged.wait(locker, [this] { return mFailed || int(mWaiting.size()) < kMostWaiting; });
    if (mFailed)
        return false;
    mWaiting.push_back(std::move(block));
    locker.unlock();
    mChanged.notify_all();
    return true;
}

bool cStorageWriter::Finish()
{
    std::unique_lock<std::mutex> locker(mLock);
    mChanged.wait(locker, [this] { return mFailed || (mWaiting.empty() && !mWriting); });
    return !mFailed;
}

QByteArray cStorageWriter::TakeSpare()
{
    std::lock_guard<std::mutex> locker(mLock);
    return std::exchange(mSpare, QByteArray());
}

void cStorageWriter::Run()
{
    std::unique_lock<std::mutex> locker(mLock);
    for (;;) {
        mChanged.wait(locker, [this] { return mStop || !mWaiting.empty(); });
        if (mStop)
            return;
        QByteArray block = std::move(mWaiting.front());
        mWaiting.pop_front();
        mWriting = true;
        locker.unlock();
        const bool written = mFile.write(block) == block.size();
        block.resize(0); // keeps its capacity
        locker.lock();
        mWriting = false;
        if (!written) {
            mFailed = true;
            mWaiting.clear();
        } else {
            mSpare = std::move(block);
        }
        mChanged.notify_all();
    }
}
