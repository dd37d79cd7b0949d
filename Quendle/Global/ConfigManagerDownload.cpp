// Handing out the configuration and keeping the lists of clients told when it changes.
#include "Quendle/Global/ConfigManager.h"

#include "Quendle/Global/ReplyWorkerThread.h"
#include "ZUNet/Core/Trace.h"

#include <set>

namespace Quendle
{

void cConfigManager::ReplyToGetRunnerConfig(const cZUNetMessage& request)
{
    const tClient client(request.mConnectionId, request.mSource);
    const auto signedIn = mAuthenticationLookup.find(client);
    if (signedIn == mAuthenticationLookup.end()) {
        Reply(request, M_REPLY_FAIL);
        return;
    }
    UBYTE deviceType = 0;
    UWORD count = 0;
    if (!request.ReadUBYTE(0, deviceType) || !request.ReadUWORD(1, count)) {
        ZU_ERR("Unexpected message size");
        Reply(request, M_REPLY_FAIL);
        return;
    }
    if (2 * int(count) + 3 != request.mLength) {
        ZU_ERR("Unexpected message size");
        Reply(request, M_REPLY_FAIL);
        return;
    }
    std::set<int> held;
    for (int i = 0; i < count; ++i) {
        UWORD resourceId = 0;
        if (!request.ReadUWORD(3 + 2 * i, resourceId)) {
            ZU_ERR("Unexpected message size");
            Reply(request, M_REPLY_FAIL);
            return;
        }
        held.insert(resourceId);
    }
    const std::string userName = GetUserName(signedIn->second);

    cZUNetMessage replyTemplate;
    replyTemplate.SetAddress(request.mConnectionId, request.mSource, mHandle, M_REPLY_OK);
    mReplyWorker->AddRunnerReplyToQueue(replyTemplate, deviceType, userName, held);
    AddRunnerToInformList(request.mConnectionId, request.mSource, deviceType, userName);
}

void cConfigManager::ReplyToGetFullConfig(const cZUNetMessage& request)
{
    if (!Authenticated(request.mConnectionId, request.mSource)) {
        Reply(request, M_REPLY_FAIL);
        return;
    }
    if (request.mLength != 0) {
        ZU_ERR("Unexpected message size");
        Reply(request, M_REPLY_FAIL);
        return;
    }
    cZUNetMessage replyTemplate;
    replyTemplate.SetAddress(request.mConnectionId, request.mSource, mHandle, M_REPLY_OK);
    mReplyWorker->AddFullReplyToQueue(replyTemplate);
}

void cConfigManager::AddRunnerToInformList(const cZUNetMessage& request)
{
    const auto signedIn = mAuthenticationLookup.find(tClient(request.mConnectionId, request.mSource));
    if (signedIn == mAuthenticationLookup.end() || !ZU_CHECK_LENGTH(request, 1))
        return;
    AddRunnerToInformList(
        request.mConnectionId, request.mSource, request.GetDataBufferUBYTE(0), GetUserName(signedIn->second));
}

void cConfigManager::AddRunnerToInformList(
    UWORD connectionId, UWORD handle, UBYTE deviceType, const std::string& userName)
{
    for (const sRunnerInformItem& runner : mRunnerInformList) {
        if (runner.mConnectionId == connectionId && runner.mHandle == handle)
            return;
    }
    mRunnerInformList.push_back(sRunnerInformItem { connectionId, handle, deviceType, userName });
}

void cConfigManager::RemoveRunnerFromInformList(UWORD connectionId)
{
    mRunnerInformList.remove_if([connectionId](const sRunnerInformItem& r) { return r.mConnectionId == connectionId; });
}

void cConfigManager::AddSyncClientToInformList(UWORD connectionId, UWORD handle)
{
    if (!Authenticated(connectionId, handle))
        return;
    const tClient client(connectionId, handle);
    for (const tClient& existing : mSyncClientInformList) {
        if (existing == client)
            return;
    }
    mSyncClientInformList.push_back(client);
}

void cConfigManager::RemoveSyncClientFromInformList(UWORD connectionId)
{
    mSyncClientInformList.remove_if([connectionId](const tClient& c) { return c.first == connectionId; });
}

} // namespace Quendle
