#include "Quendle/Global/ReplyWorkerThread.h"

#include "ZUNet/Core/Syscall.h"
#include "ZUNet/Core/Trace.h"

#include <QMutexLocker>

namespace Quendle
{

void cReplyWorkerThread::RememberLayoutsSent(const cZUNetMessage& reply, const std::list<int>& layoutIndices)
{
    std::lock_guard<std::mutex> locker(mRunnerLayoutsMutex);
    const auto key = std::make_pair(reply.mConnectionId, reply.mDestination);
    mRunnerLayouts.erase(key);
    for (int index : layoutIndices)
        mRunnerLayouts.emplace(key, index);
}

std::list<int> cReplyWorkerThread::GetMatchingLayoutIndices(const sRunnerInformItem& runner)
{
    std::list<int> indices;
    QMutexLocker fileLocker(mConfigFileMutex); // no-op without a shared file lock
    QFile file(mConfigFilePath);
    if (!file.exists() || file.size() == 0)
        return indices;
    if (!file.open(QIODevice::ReadOnly)) {
        ZU_ERR("Could not open quendle config file");
        return indices;
    }
    return mFilter.MatchingLayoutIndices(file, RunnerFilter(runner.mDeviceType, runner.mUserName));
}

std::list<int> cReplyWorkerThread::GetCurrentLayoutIndices(const sRunnerInformItem& runner)
{
    std::list<int> indices;
    std::lock_guard<std::mutex> locker(mRunnerLayoutsMutex);
    const auto range = mRunnerLayouts.equal_range(std::make_pair(runner.mConnectionId, runner.mHandle));
    for (auto it = range.first; it != range.second; ++it)
        indices.push_back(it->second);
    return indices;
}

void cReplyWorkerThread::SendSceneChange(const sSceneChangedQueueItem& item)
{
    cZUNetMessage notice;
    for (const sRunnerInformItem& runner : item.mRunners) {
        if (GetMatchingLayoutIndices(runner) == GetCurrentLayoutIndices(runner))
            continue;
        notice.SetLength(0);
        notice.SetAddress(runner.mConnectionId, runner.mHandle, item.mManagerHandle, M_SCENE_CHANGED);
        SyscallSendMessage(notice);
    }
}

} // namespace Quendle
