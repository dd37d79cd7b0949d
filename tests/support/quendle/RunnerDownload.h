#pragma once

#include "Quendle/AppCommon/RunnerQuendleConfigClient.h"

#include <QByteArray>

#include <mutex>

/// The bytes a runner's client holds from its last download, read under the storage mutex and left
/// in place; "<no file>" when it holds none.
inline QByteArray RunnerDownloadBytes(cRunnerQuendleConfigClient& client)
{
    const std::lock_guard<std::mutex> locker(client.StorageMutex());
    QFile* file = client.ConfigDataTempFile();
    if (!file)
        return QByteArray("<no file>");
    file->seek(0);
    return file->readAll();
}
