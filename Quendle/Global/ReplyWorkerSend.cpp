#include "Quendle/Global/ReplyWorkerThread.h"

#include "Quendle/Global/ConfigManagerRecords.h"

#include "ZUNet/Core/NetworkInterface.h"
#include "ZUNet/Core/Syscall.h"
#include "ZUNet/Core/Trace.h"

#include <QMutexLocker>

#include <algorithm>
#include <cstring>

namespace Quendle
{

bool cReplyWorkerThread::SendConfigDataMessage(
    cZUNetMessage& message, const char* bytes, int length, int index, int lastIndex)
{
    if (Cancelled())
        return false;
    message.SetLength(static_cast<UWORD>(length + kChunkHeaderSize));
    WriteChunkHeader(message, static_cast<UWORD>(index), static_cast<UWORD>(lastIndex));
    if (length > 0)
        std::memcpy(message.mDataBuffer + kChunkHeaderSize, bytes, static_cast<std::size_t>(length));
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
    auto file = std::make_unique<QFile>(mConfigFilePath);
    if (!OpenConfigFileOrAnswer(*file, reply))
        return;
    sRunnerConfigPlan whole;
    whole.mResourcePositions.append(0);
    whole.mResourceLengths.append(file->size());
    StartSending(reply, std::move(file), std::move(whole));
}

void cReplyWorkerThread::SendRunnerConfigData(
    cZUNetMessage& reply, UBYTE deviceType, const std::string& userName, const std::set<int>& resourceIdsHeld)
{
    QMutexLocker fileLocker(mConfigFileMutex); // no-op without a shared file lock
    auto file = std::make_unique<QFile>(mConfigFilePath);
    if (!OpenConfigFileOrAnswer(*file, reply))
        return;
    sRunnerFilter runner = RunnerFilter(deviceType, userName);
    runner.mResourceIdsHeld = resourceIdsHeld;
    sRunnerConfigPlan plan = mFilter.PlanRunnerConfig(*file, runner);
    if (!plan.mTopLevelTagFound)
        ZU_ERR("Problem getting top level tag");
    if (Cancelled())
        return;
    RememberLayoutsSent(reply, plan.mLayoutIndices);
    StartSending(reply, std::move(file), std::move(plan));
}

void cReplyWorkerThread::StartSending(cZUNetMessage& reply, std::unique_ptr<QFile> file, sRunnerConfigPlan plan)
{
    if (Cancelled())
        return;
    sActiveReply active;
    active.mReply = reply;
    active.mFile = std::move(file);
    active.mPlan = std::move(plan);
    active.mTotal = active.mPlan.Size();
    active.mLastIndex = active.mTotal > 0 ? int((active.mTotal - 1) / kChunkSize) : 0;
    mActive.push_back(std::move(active));
}

bool cReplyWorkerThread::SendActiveChunks(bool ignoreRoom)
{
    // Chunks a reply sends in one turn while its link has room: fewer turns of the loop and
    // wake-ups per download, and still a turn for every other reply and for new requests soon.
    constexpr int kChunksPerTurn = 8;
    bool sent = false;
    for (auto it = mActive.begin(); it != mActive.end();) {
        sActiveReply& active = *it;
        bool failed = false;
        // A runner that does not read holds back only its own reply; its link is dropped as
        // lost if it stays full.
        for (int i = 0; i < kChunksPerTurn && active.mIndex <= active.mLastIndex; ++i) {
            if (!ignoreRoom && !NetworkLinkHasRoom(active.mReply.mConnectionId))
                break;
            sent = true;
            if (!SendNextChunk(active)) {
                failed = true;
                break;
            }
        }
        if (failed) {
            ZU_ERR("Problem sending file %d %d %d", active.mIndex, active.mLastIndex, int(active.mFile->atEnd()));
            SendFail(active.mReply);
            it = mActive.erase(it);
        } else if (active.mIndex > active.mLastIndex) {
            it = mActive.erase(it);
        } else {
            ++it;
        }
    }
    return sent;
}

bool cReplyWorkerThread::SendNextChunk(sActiveReply& active)
{
    const int length = int(std::min<qint64>(kChunkSize, active.mTotal - active.mSent));
    cZUNetMessage& message = active.mReply;
    message.SetLength(UWORD(kChunkHeaderSize + length));
    char* out = reinterpret_cast<char*>(message.mDataBuffer) + kChunkHeaderSize;
    // The reply's bytes [mSent, mSent + length): the middle, then each resource range, then the tail.
    const sRunnerConfigPlan& plan = active.mPlan;
    qint64 at = active.mSent;
    int filled = 0;
    auto copyFrom = [&](qint64 segmentLength, auto copy) {
        if (filled < length && at < segmentLength) {
            const int take = int(std::min<qint64>(segmentLength - at, length - filled));
            if (!copy(at, out + filled, take))
                return false;
            filled += take;
            at += take;
        }
        at -= segmentLength;
        return true;
    };
    auto fromBytes = [](const QByteArray& bytes) {
        return [&bytes](qint64 offset, char* to, int count) {
            std::memcpy(to, bytes.constData() + offset, std::size_t(count));
            return true;
        };
    };
    bool ok = copyFrom(plan.mMiddle.size(), fromBytes(plan.mMiddle));
    for (int i = 0; ok && i < plan.mResourcePositions.size(); ++i) {
        const qint64 position = plan.mResourcePositions[i];
        ok = copyFrom(plan.mResourceLengths[i], [&](qint64 offset, char* to, int count) {
            // Chunks follow each other in the file: a seek only where a range starts.
            QFile& file = *active.mFile;
            const bool there = file.pos() == position + offset || file.seek(position + offset);
            return there && file.read(to, count) == count;
        });
    }
    ok = ok && copyFrom(plan.mTail.size(), fromBytes(plan.mTail));
    if (!ok || filled != length)
        return false;
    WriteChunkHeader(message, UWORD(active.mIndex), UWORD(active.mLastIndex));
    message.mMethod = M_REPLY_OK;
    SyscallSendMessage(message);
    active.mSent += length;
    ++active.mIndex;
    return true;
}

void cReplyWorkerThread::DropRepliesToEndedConnections()
{
    for (UWORD connectionId : mEndedConnections) {
        mActive.remove_if(
            [connectionId](const sActiveReply& active) { return active.mReply.mConnectionId == connectionId; });
    }
    mEndedConnections.clear();
}

} // namespace Quendle
