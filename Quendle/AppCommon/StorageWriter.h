#pragma once

#include <QByteArray>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

class QIODevice;

/// Writes blocks to a file on a thread of its own, in order, while the caller fills the next: a
/// download's dispatch is not held up by the file system. At most one block waits; the caller
/// waits for room beyond that, so memory stays bounded whatever the file system's pace.
class cStorageWriter
{
public:
    /// `file` is open for writing and is used only by the writer's thread until `Finish` returns
    /// or the writer is destroyed.
    explicit cStorageWriter(QIODevice& file);
    /// Drops what still waits and joins the thread.
    ~cStorageWriter();
    cStorageWriter(const cStorageWriter&) = delete;
    cStorageWriter& operator=(const cStorageWriter&) = delete;

    /// Queues the block; false once a write has failed (nothing more is written then).
    bool Write(QByteArray block);
    /// Waits until every queued block is written; false when one was not.
    bool Finish();
    /// A block already written, cleared, for the next fill (null when there is none): the filler
    /// reuses its megabyte instead of asking the heap for another.
    QByteArray TakeSpare();

private:
    static constexpr int kMostWaiting = 1;

    void Run();

    QIODevice& mFile;
    std::mutex mLock;
    std::condition_variable mChanged;
    std::deque<QByteArray> mWaiting;
    QByteArray mSpare;
    bool mWriting = false;
    bool mFailed = false;
    bool mStop = false;
    std::thread mThread;
};
