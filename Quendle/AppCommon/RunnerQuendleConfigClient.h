#pragma once

#include "Quendle/AppCommon/QuendleConfigClient.h"
#include "Quendle/AppCommon/StorageWriter.h"

#include <QFile>
#include <QTemporaryFile>

#include <memory>
#include <mutex>

/// The runner's configuration client: a download lands in a temporary file, which the application
/// takes (`TakeConfigDataTempFile()`) and reads before it calls `SetDownloadHasBeenProcessed()`.
class cRunnerQuendleConfigClient : public cQuendleConfigClient
{
    Q_OBJECT

public:
    cRunnerQuendleConfigClient(const char* netObjectName, const std::array<UBYTE, 3>& ownVersion);
    ~cRunnerQuendleConfigClient() override;

    /// The file of the current download, null when nothing is stored. Use it under `StorageMutex()`.
    QFile* ConfigDataTempFile() const { return mTempFile; }
    /// A standard mutex, so that the thread sanitizer checks the order it is taken in.
    std::mutex& StorageMutex() { return mStorageMutex; }
    /// Hands over the finished download's file, null when nothing is stored. It is read with no
    /// lock held: widgets made while reading take the poll lock, under which the network threads
    /// store chunks and end connections, and those take the storage mutex.
    std::unique_ptr<QTemporaryFile> TakeConfigDataTempFile();
    /// Deletes the file without taking the storage mutex.
    void DeleteTempFile();

protected:
    void ClearDownloadedConfigDataStorage() override;
    bool AddToDownloadedConfigDataStorage(const char* data, int length) override;
    bool FinishDownloadedConfigDataStorage() override;

private:
    /// Hands the collected bytes to the writer (writes them at once when they are the `last` of a
    /// download that never filled a block); false (and nothing stored) when the file refused these
    /// or earlier ones.
    bool WritePending(bool last);
    /// Ends the writer, and with it the file when `keep` is false or a write failed; true when
    /// everything handed over is in the file.
    bool EndWriting(bool keep);

    /// Bytes are written in blocks of this size: the file system takes large writes at several
    /// times the speed of chunk-sized ones.
    static constexpr int kWriteBlock = 1 << 20;

    std::mutex mStorageMutex;
    QTemporaryFile* mTempFile = nullptr;
    QByteArray mPending;
    // Writes the blocks of the current download while the next fills; made at its first block.
    std::unique_ptr<cStorageWriter> mWriter;
};
