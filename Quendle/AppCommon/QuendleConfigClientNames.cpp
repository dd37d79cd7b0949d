#include "Quendle/AppCommon/QuendleConfigClient.h"

#include "ZUNet/Core/NetworkInterface.h"
#include "ZUNet/Core/Syscall.h"
#include "ZUNet/Core/Trace.h"

#include <mutex>
#include <vector>

using namespace Quendle;

// The name-and-parameter binding widgets use; runs on the owner's thread only.

ULONG cQuendleConfigClient::GetNetObjectNameAndParameterRequestNextUp()
{
    return mNextRequestId++;
}

void cQuendleConfigClient::RequestNetObjectNameAndParameter(
    const std::string& objectPath, cZUNetWidgetClientInterface* listener)
{
    RemoveNetObjectNameAndParameterListener(listener);
    // Refused before the listener is kept: it would wait for an answer that never comes.
    if (objectPath.size() + 5 > ZUNET_MAX_DATA_LENGTH) {
        ZU_ERR("Object path too long: %zu", objectPath.size());
        return;
    }
    mListenersByPath.emplace(objectPath, listener);
    const ULONG requestId = GetNetObjectNameAndParameterRequestNextUp();
    mListenersByRequestId.emplace(requestId, listener);
    cZUNetMessage request(static_cast<UWORD>(objectPath.size() + 5));
    {
        std::lock_guard<cRequestMutex> locker(mMutex);
        request.SetAddress(mManagerConnectionId, mManagerHandle, mHandle, M_REQUEST_NAME_PARAM);
    }
    request.SetDataBufferULONG(requestId, 0);
    request.SetDataBufferString(objectPath.c_str(), 4);
    SyscallSendMessage(request);
}

void cQuendleConfigClient::RemoveNetObjectNameAndParameterListener(cZUNetWidgetClientInterface* listener)
{
    for (auto it = mListenersByPath.begin(); it != mListenersByPath.end(); ++it) {
        if (it->second != listener)
            continue;
        const std::string path = it->first;
        mListenersByPath.erase(it);
        if (mListenersByPath.count(path) == 0)
            NetObjectNameParameterNotificationsNotRequired(path);
        break;
    }
    for (auto it = mListenersByRequestId.begin(); it != mListenersByRequestId.end(); ++it) {
        if (it->second == listener) {
            mListenersByRequestId.erase(it);
            break;
        }
    }
}

void cQuendleConfigClient::NetObjectNameParameterNotificationsNotRequired(const std::string& objectPath)
{
    if (objectPath.size() + 1 > ZUNET_MAX_DATA_LENGTH)
        return;
    cZUNetMessage request(static_cast<UWORD>(objectPath.size() + 1));
    {
        std::lock_guard<cRequestMutex> locker(mMutex);
        request.SetAddress(mManagerConnectionId, mManagerHandle, mHandle, M_FORGET_NAME_PARAM);
    }
    request.SetDataBufferString(objectPath.c_str(), 0);
    SyscallSendMessage(request);
}

std::string cQuendleConfigClient::NameHostPrefix()
{
    UWORD connectionId;
    {
        std::lock_guard<cRequestMutex> locker(mMutex);
        connectionId = mManagerConnectionId;
    }
    if (connectionId == ZUNET_LOCAL_CONNECTION)
        return std::string();
    if (connectionId == ZUNET_NO_CONNECTION)
        return "/"; // connection gone: the caller drops the answer
    const std::string host = NetworkGetHostNameFromConnId(connectionId);
    return host.empty() ? std::string("/") : host + "/";
}

void cQuendleConfigClient::NameAndParamReplyReceivedSlot()
{
    sNameParamReply item;
    {
        std::lock_guard<cRequestMutex> locker(mMutex);
        if (mNameParamReplyQueue.isEmpty())
            return;
        item = mNameParamReplyQueue.takeFirst();
    }
    const auto listener = mListenersByRequestId.find(item.mRequestId);
    if (listener == mListenersByRequestId.end())
        return;
    const std::string prefix = NameHostPrefix();
    if (prefix == "/")
        return;
    for (auto& entry : item.mNamesAndParameters)
        entry.first = prefix + entry.first;
    cZUNetWidgetClientInterface* target = listener->second;
    mListenersByRequestId.erase(listener);
    target->NetObjectNamesAndParametersReceived(
        static_cast<eRequestNameParamStatusCode>(item.mStatus), item.mNamesAndParameters);
}

void cQuendleConfigClient::NameAndParamUpdateReceivedSlot()
{
    sNameParamUpdate item;
    {
        std::lock_guard<cRequestMutex> locker(mMutex);
        if (mNameParamUpdateQueue.isEmpty())
            return;
        item = mNameParamUpdateQueue.takeFirst();
    }
    const std::string prefix = NameHostPrefix();
    if (prefix == "/")
        return;
    for (auto& entry : item.mNamesAndParameters)
        entry.first = prefix + entry.first;
    // Listeners may change the map from inside the call: collect them first.
    std::vector<cZUNetWidgetClientInterface*> listeners;
    const auto range = mListenersByPath.equal_range(item.mObjectPath);
    for (auto it = range.first; it != range.second; ++it)
        listeners.push_back(it->second);
    for (cZUNetWidgetClientInterface* listener : listeners)
        listener->NetObjectNamesAndParametersReceived(
            static_cast<eRequestNameParamStatusCode>(item.mStatus), item.mNamesAndParameters);
}
