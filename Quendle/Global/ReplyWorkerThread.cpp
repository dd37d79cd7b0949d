#include "Quendle/Global/ReplyWorkerThread.h"

#include "Quendle/Global/UnitServices.h"
#include "ZUNet/Core/NetworkInterface.h"
#include "ZUNet/Core/Trace.h"

#include <chrono>
#include <memory>

namespace Quendle
{

cReplyWorkerThread::cReplyWorkerThread(
    UWORD sceneNumber, UWORD secondValue, const QString& configFilePath, QMutex* configFileMutex)
    : mSceneNumber(sceneNumber)
    , mSecondValue(secondValue)
    , mConfigFilePath(configFilePath)
    , mConfigFileMutex(configFileMutex)
    , mFilter(&UnitFoundUnitAddresses)
{
    Q_UNUSED(mSecondValue);
    mRoomWaker = AddLinkRoomWaker([this] {
        std::lock_guard<std::mutex> locker(mQueueMutex);
        mRoomMade = true;
        Wake();
    });
}

cReplyWorkerThread::~cReplyWorkerThread()
{
    RemoveLinkRoomWaker(mRoomWaker);
    Quit();
    wait();
    std::lock_guard<std::mutex> locker(mQueueMutex);
    if (!mQueue.empty()) {
        ZU_ERR("Queue not empty on destruction");
        for (sQueueItem* item : mQueue)
            delete item;
        mQueue.clear();
    }
}

void cReplyWorkerThread::Wake()
{
    mQueueCondition.notify_all();
}

void cReplyWorkerThread::Quit()
{
    std::lock_guard<std::mutex> locker(mQueueMutex);
    mQuit = true;
    Wake();
}

void cReplyWorkerThread::AddFullReplyToQueue(const cZUNetMessage& reply)
{
    auto* item = new sReplyQueueItem;
    item->mReplyMessage = reply;
    item->mFullConfig = true;
    std::lock_guard<std::mutex> locker(mQueueMutex);
    mQueue.push_back(item);
    Wake();
}

void cReplyWorkerThread::AddRunnerReplyToQueue(
    const cZUNetMessage& reply, UBYTE deviceType, const std::string& userName, const std::set<int>& resourceIdsHeld)
{
    auto* item = new sReplyQueueItem;
    item->mReplyMessage = reply;
    item->mFullConfig = false;
    item->mDeviceType = deviceType;
    item->mUserName = userName;
    item->mResourceIdsHeld = resourceIdsHeld;
    std::lock_guard<std::mutex> locker(mQueueMutex);
    mQueue.push_back(item);
    Wake();
}

void cReplyWorkerThread::SetCurrentSceneNumberAndName(
    UWORD scene, const std::string& name, const std::list<sRunnerInformItem>& runners, UWORD managerHandle)
{
    {
        std::lock_guard<std::mutex> locker(mSceneMutex);
        mSceneNumber = scene;
        mSceneName = name;
    }
    AddSceneChangedQueueItem(runners, scene, name, managerHandle);
}

void cReplyWorkerThread::AddSceneChangedQueueItem(
    const std::list<sRunnerInformItem>& runners, UWORD scene, const std::string& name, UWORD managerHandle)
{
    auto* item = new sSceneChangedQueueItem;
    item->mRunners = runners;
    item->mSceneNumber = scene;
    item->mSceneName = name;
    item->mManagerHandle = managerHandle;
    std::lock_guard<std::mutex> locker(mQueueMutex);
    for (auto it = mQueue.begin(); it != mQueue.end();) {
        if (dynamic_cast<sSceneChangedQueueItem*>(*it)) {
            delete *it;
            it = mQueue.erase(it);
        } else {
            ++it;
        }
    }
    mQueue.push_back(item);
    Wake();
}

UWORD cReplyWorkerThread::GetCurrentSceneNumber() const
{
    std::lock_guard<std::mutex> locker(mSceneMutex);
    return mSceneNumber;
}

std::string cReplyWorkerThread::GetCurrentSceneName() const
{
    std::lock_guard<std::mutex> locker(mSceneMutex);
    return mSceneName;
}

void cReplyWorkerThread::ConnectionTerminated(UWORD connectionId)
{
    {
        std::lock_guard<std::mutex> locker(mQueueMutex);
        for (auto it = mQueue.begin(); it != mQueue.end();) {
            if (auto* reply = dynamic_cast<sReplyQueueItem*>(*it)) {
                if (reply->mReplyMessage.mConnectionId == connectionId) {
                    delete *it;
                    it = mQueue.erase(it);
                    continue;
                }
            } else if (auto* scene = dynamic_cast<sSceneChangedQueueItem*>(*it)) {
                scene->mRunners.remove_if(
                    [connectionId](const sRunnerInformItem& runner) { return runner.mConnectionId == connectionId; });
            }
            ++it;
        }
        if (mCurrentConnectionId == connectionId)
            mCancelCurrent.store(true);
        // An idle worker holds nothing to drop: connections end often, and waking it for nothing
        // costs a thread switch each time.
        if (mHoldsReplies) {
            mEndedConnections.push_back(connectionId);
            Wake();
        }
    }
    std::lock_guard<std::mutex> locker(mRunnerLayoutsMutex);
    for (auto it = mRunnerLayouts.begin(); it != mRunnerLayouts.end();) {
        if (it->first.first == connectionId)
            it = mRunnerLayouts.erase(it);
        else
            ++it;
    }
}

void cReplyWorkerThread::run()
{
    // Replies are started in arrival order and then sent a chunk at a time, in turn, each only
    // while its link has room: a runner that does not read holds up nobody else. A full link
    // wakes the worker once it has written half its queue; the poll is only a fallback.
    constexpr std::chrono::milliseconds kRoomPoll(5);
    std::unique_lock<std::mutex> locker(mQueueMutex);
    for (;;) {
        DropRepliesToEndedConnections();
        mHoldsReplies = !mActive.empty();
        if (!mQueue.empty()) {
            std::unique_ptr<sQueueItem> item(mQueue.front());
            mQueue.pop_front();
            mHoldsReplies = true;
            auto* reply = dynamic_cast<sReplyQueueItem*>(item.get());
            mCurrentConnectionId = reply ? reply->mReplyMessage.mConnectionId : ZUNET_NO_CONNECTION;
            mCancelCurrent.store(false);
            locker.unlock();

            if (reply) {
                if (reply->mFullConfig)
                    SendFullConfigData(reply->mReplyMessage);
                else
                    SendRunnerConfigData(
                        reply->mReplyMessage, reply->mDeviceType, reply->mUserName, reply->mResourceIdsHeld);
            } else if (auto* scene = dynamic_cast<sSceneChangedQueueItem*>(item.get())) {
                SendSceneChange(*scene);
            }
            item.reset();

            locker.lock();
            mCurrentConnectionId = ZUNET_NO_CONNECTION;
            mCancelCurrent.store(false);
            continue;
        }
        if (mActive.empty()) {
            if (mQuit) {
                SetWaiting(true);
                return;
            }
            SetWaiting(true);
            mQueueCondition.wait(locker);
            SetWaiting(false);
            continue;
        }
        // Once told to stop, what is started goes out whatever the links hold.
        const bool quitting = mQuit;
        mRoomMade = false;
        locker.unlock();
        const bool sent = SendActiveChunks(quitting);
        locker.lock();
        if (!sent && !mRoomMade && mQueue.empty() && mEndedConnections.empty()) {
            SetWaiting(true);
            mQueueCondition.wait_for(locker, kRoomPoll);
            SetWaiting(false);
        }
    }
}

void cReplyWorkerThread::SetWaiting(bool waiting)
{
    mWaiting = waiting;
    if (waiting)
        mIdleCondition.notify_all();
}

void cReplyWorkerThread::WaitUntilIdle()
{
    std::unique_lock<std::mutex> locker(mQueueMutex);
    mIdleCondition.wait(locker, [this] { return mWaiting && mQueue.empty() && mEndedConnections.empty(); });
}

sRunnerFilter cReplyWorkerThread::RunnerFilter(UBYTE deviceType, const std::string& userName) const
{
    sRunnerFilter runner;
    runner.mDeviceType = deviceType;
    runner.mUserName = userName;
    std::lock_guard<std::mutex> locker(mSceneMutex);
    runner.mSceneNumber = mSceneNumber;
    runner.mSceneName = QString::fromStdString(mSceneName);
    return runner;
}

} // namespace Quendle
