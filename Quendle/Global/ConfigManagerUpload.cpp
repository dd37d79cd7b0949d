// Receiving a configuration in chunks and committing it in place of the old file.
#include "Quendle/Global/ConfigManager.h"
#include "ZUNet/Core/PollLocker.h"

#include "Quendle/Global/ConfigManagerRecords.h"
#include "ZUNet/Core/Syscall.h"
#include "ZUNet/Core/Trace.h"

#include <QFile>
#include <QMutexLocker>

#include <cstdio>

#include <unistd.h>

namespace Quendle
{

void cConfigManager::InformRunnersOfConfigUpdate()
{
    mReply.SetLength(0);
    for (const sRunnerInformItem& runner : mRunnerInformList)
        SendToClient(runner.mConnectionId, runner.mHandle, M_CONFIG_UPDATED);
}

void cConfigManager::InformSyncClientsOfConfigUpdate(UWORD connectionId, UWORD handle)
{
    mReply.SetLength(0);
    for (const tClient& client : mSyncClientInformList) {
        // Handles are per process: only the pair names the uploader.
        if (client.first == connectionId && client.second == handle)
            continue;
        SendToClient(client.first, client.second, M_CONFIG_UPDATED);
    }
}

void cConfigManager::SendStatusMessage(eStatusCodes code, UWORD connectionId, UWORD handle)
{
    mReply.SetLength(2);
    mReply.SetDataBufferUWORD(static_cast<UWORD>(code), 0);
    SendToClient(connectionId, handle, M_MANAGER_STATUS);
}

void cConfigManager::EndUpload()
{
    mUploaderConnectionId = ZUNET_NO_CONNECTION;
    mUploaderHandle = ZUNET_NO_HANDLE;
    mUploadCommitted = false;
}

void cConfigManager::SendDelayedFinalStatusMessage(eStatusCodes code)
{
    if (mUploaderConnectionId != ZUNET_NO_CONNECTION)
        SendStatusMessage(code, mUploaderConnectionId, mUploaderHandle);
    InformRunnersOfConfigUpdate();
    InformSyncClientsOfConfigUpdate(mUploaderConnectionId, mUploaderHandle);
    EndUpload();
}

void cConfigManager::StoreConfig(const cZUNetMessage& request)
{
    const UWORD connectionId = request.mConnectionId;
    const UWORD handle = request.mSource;
    if (!Authenticated(connectionId, handle)) {
        SendStatusMessage(eStatusCodes::NotAuthenticated, connectionId, handle);
        return;
    }
    UWORD index = 0;
    UWORD lastIndex = 0;
    const char* bytes = nullptr;
    int chunkLength = 0;
    if (!ZU_CHECK_LENGTH(request, kChunkHeaderSize) || !ReadChunk(request, index, lastIndex, bytes, chunkLength))
        return;

    if (index == 0) {
        if (mUploaderConnectionId != ZUNET_NO_CONNECTION) {
            SendStatusMessage(eStatusCodes::UploadInProgress, connectionId, handle);
            return;
        }
        if (!CreateTempFile()) {
            SendStatusMessage(eStatusCodes::FileError, connectionId, handle);
            return;
        }
        mUploaderConnectionId = connectionId;
        mUploaderHandle = handle;
        mUploadCommitted = false;
    } else if (mUploaderConnectionId == ZUNET_NO_CONNECTION) {
        ZU_ERR("Received unexpected sequence number %d", index);
        return;
    }
    if (connectionId != mUploaderConnectionId || handle != mUploaderHandle) {
        ZU_ERR("Received unexpected data from connection %d, source %d", connectionId, handle);
        return;
    }
    if (!mTempFile.isOpen()) {
        ZU_ERR("Temp file not open");
        return;
    }
    const qint64 length = chunkLength;
    if (length > 0 && mTempFile.write(bytes, length) != length) {
        mTempFile.close();
        mTempFile.remove();
        ZU_ERR("Failed to write to temp file");
        SendStatusMessage(eStatusCodes::FileError, mUploaderConnectionId, mUploaderHandle);
        EndUpload();
        return;
    }
    if (index != lastIndex) {
        if (lastIndex >= index) {
            mReply.SetLength(4);
            mReply.SetDataBufferUWORD(index, 0);
            mReply.SetDataBufferUWORD(lastIndex, 2);
            SendToClient(connectionId, handle, M_UPLOAD_PROGRESS);
            return;
        }
        ZU_ERR("Unexpected sequence number %d %d", index, lastIndex);
        mTempFile.close();
        mTempFile.remove();
        SendStatusMessage(eStatusCodes::SequenceError, mUploaderConnectionId, mUploaderHandle);
        EndUpload();
        return;
    }

    mReply.SetLength(4);
    mReply.SetDataBufferUWORD(index, 0);
    mReply.SetDataBufferUWORD(index, 2);
    SendToClient(connectionId, handle, M_UPLOAD_PROGRESS);
    if (!CommitTempFile()) {
        SendStatusMessage(eStatusCodes::FileError, mUploaderConnectionId, mUploaderHandle);
        EndUpload();
        return;
    }
    bool delayed = false;
    if (!ParseNewConfig(delayed)) {
        SendStatusMessage(eStatusCodes::ParseFailed, mUploaderConnectionId, mUploaderHandle);
        EndUpload();
        return;
    }
    if (delayed) {
        mUploadCommitted = true;
        return;
    }
    SendStatusMessage(eStatusCodes::Success, mUploaderConnectionId, mUploaderHandle);
    InformRunnersOfConfigUpdate();
    InformSyncClientsOfConfigUpdate(mUploaderConnectionId, mUploaderHandle);
    EndUpload();
}

bool cConfigManager::ParseNewConfig(bool& finalStatusDelayed)
{
    CheckForAllowUserLists();
    finalStatusDelayed = false;
    return true;
}

QString cConfigManager::ConfigFileTempFilename() const
{
    return mConfigFilePath + QStringLiteral("_tmp");
}

bool cConfigManager::CreateTempFile()
{
    if (mTempFile.isOpen()) {
        ZU_ERR("Temp file was open");
        mTempFile.close();
    }
    mTempFile.setFileName(ConfigFileTempFilename());
    if (mTempFile.exists() && !mTempFile.remove()) {
        ZU_ERR("Unable to delete temp file");
        return false;
    }
    if (!mTempFile.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        ZU_ERR("Unable to open temp file");
        return false;
    }
    return true;
}

bool cConfigManager::CommitTempFile()
{
    {
        QMutexLocker fileLocker(mConfigFileMutex); // no-op without a shared file lock
        mTempFile.flush();
        // On disk before it replaces the old file, so a power cut leaves one or the other whole.
        if (mTempFile.handle() >= 0)
            ::fsync(mTempFile.handle());
        mTempFile.close();
        // rename() replaces the old file in one step: the unit is never without a configuration.
        const QByteArray from = QFile::encodeName(ConfigFileTempFilename());
        const QByteArray to = QFile::encodeName(mConfigFilePath);
        if (std::rename(from.constData(), to.constData()) != 0) {
            QFile::remove(ConfigFileTempFilename());
            ZU_ERR("Unable to move temp file");
            return false;
        }
    }
    // Sent after the file lock is released: the poll lock is never taken inside it.
    UpdatedConfigFile();
    return true;
}

bool cConfigManager::HasConfigFile() const
{
    return QFile::exists(mConfigFilePath);
}

void cConfigManager::SendConfigFilePresent(UWORD connectionId, UWORD handle, UWORD method, bool toInformList)
{
    cZUNetMessage message(1);
    message.SetDataBufferUBYTE(HasConfigFile() ? 1 : 0, 0);
    if (toInformList) {
        message.SetAddress(ZUNET_NO_CONNECTION, ZUNET_NO_HANDLE, ZUNET_NO_HANDLE, P_CONFIG_FILE_PRESENT);
        InformOtherObjects(message);
        return;
    }
    message.SetAddress(connectionId, handle, mHandle, method);
    SyscallSendMessage(message);
}

void cConfigManager::UpdatedConfigFile()
{
    cPollLocker locker;
    SendConfigFilePresent(ZUNET_NO_CONNECTION, ZUNET_NO_HANDLE, P_CONFIG_FILE_PRESENT, true);
}

void cConfigManager::UpdateNewObject(UWORD connectionId, UWORD handle, UWORD destinationMethod, UWORD sourceMethod)
{
    if (sourceMethod != P_CONFIG_FILE_PRESENT) {
        ZU_ERR("No matching method at this level.");
        return;
    }
    SendConfigFilePresent(connectionId, handle, destinationMethod, false);
}

} // namespace Quendle
