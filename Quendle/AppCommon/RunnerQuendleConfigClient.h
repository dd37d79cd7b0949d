#pragma once

#include "Quendle/AppCommon/QuendleConfigClient.h"

#include <QFile>
#include <QMutex>
#include <QTemporaryFile>

/// The runner's configuration client: a download lands in a temporary file, which the application
/// reads under `StorageMutex()` before it calls `SetDownloadHasBeenProcessed()`.
class cRunnerQuendleConfigClient : public cQuendleConfigClient
{
    Q_OBJECT

public:
    cRunnerQuendleConfigClient(const char* netObjectName, const std::array<UBYTE, 3>& ownVersion);
    ~cRunnerQuendleConfigClient() override;

    /// The file of the current download, null when nothing is stored. Use it under `StorageMutex()`.
    QFile* ConfigDataTempFile() const { return mTempFile; }
    QMutex& StorageMutex() { return mStorageMutex; }
    /// Deletes the file without taking the storage mutex.
    void DeleteTempFile();

protected:
    void ClearDownloadedConfigDataStorage() override;
    bool AddToDownloadedConfigDataStorage(const char* data, int length) override;
    bool FinishDownloadedConfigDataStorage() override;

private:
    /// Writes the collected bytes; false (and nothing stored) when the file refuses them.
    bool WritePending();

    /// Bytes are written in blocks of this size: the file system takes large writes at several
    /// times the speed of chunk-sized ones.
    static constexpr int kWriteBlock = 1 << 20;

    QMutex mStorageMutex;
    QTemporaryFile* mTempFile = nullptr;
    QByteArray mPending;
};
