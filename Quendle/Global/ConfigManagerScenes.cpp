// Following the recalled scene and announcing it once it has settled.
#include "Quendle/Global/ConfigManager.h"

#include "Quendle/Global/ReplyWorkerThread.h"

namespace Quendle
{

namespace
{

constexpr UBYTE kSceneAnnounceTicks = 50;

} // namespace

void cConfigManager::LastSceneRecalledChanged(const cZUNetMessage& message)
{
    if (!ZU_CHECK_LENGTH(message, 2))
        return;
    const UWORD scene = message.GetDataBufferUWORD(0);
    if (scene == mSceneNumber)
        return;
    mSceneNumber = scene;
    if (mScenePending) {
        mSceneTicks = 0;
    } else {
        mScenePending = true;
        mSceneTicks = 0;
    }
}

void cConfigManager::SceneHeaderChanged(const cZUNetMessage& message)
{
    if (!ZU_CHECK_LENGTH(message, 2))
        return;
    const UWORD scene = message.GetDataBufferUWORD(0);
    if (scene != mSceneNumber)
        return;
    const std::string name = GetSceneName(scene);
    if (name == mSceneName)
        return;
    mSceneName = name;
    mReplyWorker->SetCurrentSceneNumberAndName(scene, name, mRunnerInformList, mHandle);
}

void cConfigManager::ActionTick()
{
    if (mScenePending) {
        if (mSceneTicks >= kSceneAnnounceTicks) {
            mReplyWorker->SetCurrentSceneNumberAndName(
                mSceneNumber, GetSceneName(mSceneNumber), mRunnerInformList, mHandle);
            mScenePending = false;
            mSceneTicks = 0;
            return;
        }
        ++mSceneTicks;
    }
    CleanUpAuthenticators();
}

} // namespace Quendle
