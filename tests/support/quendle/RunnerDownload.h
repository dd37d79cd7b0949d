#pragma once

#include "Quendle/AppCommon/RunnerQuendleConfigClient.h"

#include <QByteArray>
#include <QMutexLocker>

/// The bytes a runner's client holds from its last download, read as the application reads them
/// (under the storage mutex); "<no file>" when it holds none.
inline QByteArray RunnerDownloadBytes(cRunnerQuendleConfigClient& client)
{
    QMutexLocker locker(&client.StorageMutex());
    QFile* file = client.ConfigDataTempFile();
    if (!file)
        return QByteArray("<no file>");
    file->seek(0);
    return file->readAll();
}
