#include "Quendle/Global/ReplyWorkerThread.h"

#include "ZUNet/Core/Syscall.h"
#include "ZUNet/Core/Trace.h"

#include <QMutexLocker>

#include <algorithm>
#include <cstring>

namespace Quendle
{

/// Cuts a reply of known total size into numbered chunks of at most 32000 bytes as the bytes
/// arrive, so a large configuration is never held whole.
class cReplyWorkerThread::cChunkWriter
{
public:
    cChunkWriter(cReplyWorkerThread& worker, cZUNetMessage& reply, qint64 total)
        : mWorker(worker)
        , mReply(reply)
        , mTotal(total)
        , mLastIndex(total > 0 ? int((total - 1) / kChunkSize) : 0)
    {
        mReply.SetLength(kChunkHeaderSize + kChunkSize);
    }

    /// Copies straight into the chunk message; a full chunk goes out at once.
    bool Append(const char* bytes, qint64 length)
    {
        while (length > 0 && mOk) {
            const int take = int(std::min<qint64>(length, kChunkSize - mFill));
            std::memcpy(mReply.mDataBuffer + kChunkHeaderSize + mFill, bytes, static_cast<std::size_t>(take));
            mFill += take;
            bytes += take;
            length -= take;
            mWritten += take;
            if (mFill == kChunkSize && mWritten < mTotal)
                Flush();
        }
        return mOk;
    }
    bool Append(const QByteArray& bytes) { return Append(bytes.constData(), bytes.size()); }

    /// Sends what is left; true when exactly the announced chunks and bytes went out.
    bool Finish()
    {
        if (mOk && (mWritten != mTotal || mIndex != mLastIndex))
            mOk = false;
        if (mOk)
            Flush();
        return mOk && mIndex == mLastIndex + 1;
    }

    int ChunksSent() const { return mIndex; }
    int LastIndex() const { return mLastIndex; }

private:
    void Flush()
    {
        if (mIndex > mLastIndex || !mWorker.SendChunk(mReply, mFill, mIndex, mLastIndex)) {
            mOk = false;
            return;
        }
        ++mIndex;
        mFill = 0;
        mReply.SetLength(kChunkHeaderSize + kChunkSize); // the buffer only grows: its size is kept
    }

    cReplyWorkerThread& mWorker;
    cZUNetMessage& mReply;
    qint64 mTotal;
    int mLastIndex;
    int mIndex = 0;
    int mFill = 0;
    qint64 mWritten = 0;
    bool mOk = true;
};

bool cReplyWorkerThread::SendConfigDataMessage(
    cZUNetMessage& message, const char* bytes, int length, int index, int lastIndex)
{
    if (Cancelled())
        return false;
    message.SetLength(static_cast<UWORD>(length + kChunkHeaderSize));
    message.SetDataBufferUWORD(static_cast<UWORD>(index), 0);
    message.SetDataBufferUWORD(static_cast<UWORD>(lastIndex), 2);
    if (length > 0)
        std::memcpy(message.mDataBuffer + kChunkHeaderSize, bytes, static_cast<std::size_t>(length));
    message.mMethod = M_REPLY_OK;
    SyscallSendMessage(message);
    return true;
}

bool cReplyWorkerThread::SendChunk(cZUNetMessage& message, int length, int index, int lastIndex)
{
    if (Cancelled())
        return false;
    message.SetLength(static_cast<UWORD>(length + kChunkHeaderSize));
    message.SetDataBufferUWORD(static_cast<UWORD>(index), 0);
    message.SetDataBufferUWORD(static_cast<UWORD>(lastIndex), 2);
    message.mMethod = M_REPLY_OK;
    SyscallSendMessage(message);
    return true;
}

void cReplyWorkerThread::SendEmptyConfig(cZUNetMessage& reply)
{
    SendConfigDataMessage(reply, nullptr, 0, 0, 0);
}

void cReplyWorkerThread::SendFail(cZUNetMessage& reply)
{
    if (Cancelled())
        return;
    reply.SetLength(0);
    reply.mMethod = M_REPLY_FAIL;
    SyscallSendMessage(reply);
}

bool cReplyWorkerThread::OpenConfigFileOrAnswer(QFile& file, cZUNetMessage& reply)
{
    if (!file.exists() || file.size() == 0) {
        SendEmptyConfig(reply);
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        ZU_ERR("Could not open quendle config file");
        SendFail(reply);
        return false;
    }
    return true;
}

void cReplyWorkerThread::SendFullConfigData(cZUNetMessage& reply)
{
    QMutexLocker fileLocker(mConfigFileMutex); // no-op without a shared file lock
    QFile file(mConfigFilePath);
    if (!OpenConfigFileOrAnswer(file, reply))
        return;
    const int lastIndex = int((file.size() - 1) / kChunkSize);
    QByteArray block(kChunkSize, '\0');
    int sent = 0;
    for (int i = 0; i <= lastIndex && !file.atEnd(); ++i) {
        const qint64 read = file.read(block.data(), kChunkSize);
        if (read <= 0 || !SendConfigDataMessage(reply, block.constData(), int(read), i, lastIndex))
            break;
        ++sent;
    }
    if (sent < lastIndex + 1) {
        ZU_ERR("Problem sending file %d %d %d", sent, lastIndex, int(file.atEnd()));
        SendFail(reply);
    }
}

void cReplyWorkerThread::SendRunnerConfigData(
    cZUNetMessage& reply, UBYTE deviceType, const std::string& userName, const std::set<int>& resourceIdsHeld)
{
    QMutexLocker fileLocker(mConfigFileMutex); // no-op without a shared file lock
    QFile file(mConfigFilePath);
    if (!OpenConfigFileOrAnswer(file, reply))
        return;

    sRunnerFilter runner = RunnerFilter(deviceType, userName);
    runner.mResourceIdsHeld = resourceIdsHeld;
    const sRunnerConfigPlan plan = mFilter.PlanRunnerConfig(file, runner);
    if (!plan.mTopLevelTagFound)
        ZU_ERR("Problem getting top level tag");
    RememberLayoutsSent(reply, plan.mLayoutIndices);

    cChunkWriter writer(*this, reply, plan.Size());
    bool ok = writer.Append(plan.mMiddle);
    const cWholeBytes whole(file);
    QByteArray block;
    for (int i = 0; i < plan.mResourcePositions.size() && ok; ++i) {
        const qint64 position = plan.mResourcePositions[i];
        const qint64 length = plan.mResourceLengths[i];
        if (whole.Data() && position + length <= whole.Size()) {
            ok = writer.Append(whole.Data() + position, length);
            continue;
        }
        ok = file.seek(position);
        for (qint64 left = length; ok && left > 0; left -= block.size()) {
            block = file.read(std::min<qint64>(left, 1 << 20));
            ok = !block.isEmpty() && writer.Append(block);
        }
    }
    ok = ok && writer.Append(plan.mTail);
    if (!writer.Finish() && !Cancelled()) {
        ZU_ERR("Problem sending file %d %d %d", writer.ChunksSent(), writer.LastIndex(), int(file.atEnd()));
        SendFail(reply);
    }
}

} // namespace Quendle
