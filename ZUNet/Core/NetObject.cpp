#include "ZUNet/Core/NetObject.h"

#include "ZUNet/Core/RegistryRouter.h"
#include "ZUNet/Core/Syscall.h"
#include "ZUNet/Core/Trace.h"

#include <algorithm>
#include <cstring>

cNetObject::cNetObject(const char* name, UWORD numberOfParameters, bool tickScan, bool tockScan)
    : mNumberOfParameters(numberOfParameters)
{
    if (mNumberOfParameters > MAX_NUMBER_OF_PARAMETERS)
        ZU_ERR("%s - mNumberOfParameters  = 0x%X, exceeds maximum", name, mNumberOfParameters);
    mInformLists.resize(mNumberOfParameters);

    cRegistryRouter* router = gRegistryRouter;
    if (!router) {
        ZU_ERR("No registry router, object not registered: \"%s\"", name);
        return;
    }
    router->RegisterNetworkObject(this, name);
    if (mHandle != ZUNET_NO_HANDLE) {
        mRouter = router;
        if (tickScan)
            router->AddObjectToScan(this);
        if (tockScan)
            router->AddObjectToTockScan(this);
    }
    mRegistered = true;
}

cNetObject::~cNetObject()
{
    if (mRegistered) {
        ZU_ERR("This object (%s) should have been unregistered by now", mName);
        // Leaving our pointer in the router would let the next message to our handle touch freed memory.
        if (mRouter && mRouter == gRegistryRouter)
            mRouter->UnRegisterNetworkObject(this);
    }
}

void cNetObject::YourHandleIs(UWORD handle, const char* name)
{
    mHandle = handle;
    mServiceMessage.mSource = handle;
    std::strncpy(mNameBuffer, name, ZUNET_MAX_NAME_LENGTH);
    mNameBuffer[ZUNET_MAX_NAME_LENGTH] = '\0';
}

void cNetObject::Unregister()
{
    if (mRegistered) {
        if (mRouter && mRouter == gRegistryRouter)
            mRouter->UnRegisterNetworkObject(this);
        mRouter = nullptr;
        mRegistered = false;
    }
    for (const sDeleteListItem& item : mDeleteList)
        SendServiceMessage(item.mConnectionId, item.mHandle, M_OBJECT_DELETED);
    mDeleteList.clear();
    mInformLists.clear();
    mInformLists.shrink_to_fit();
}

void cNetObject::SendServiceMessage(UWORD connectionId, UWORD handle, UWORD method)
{
    mServiceMessage.SetLength(0);
    mServiceMessage.SetAddress(connectionId, handle, mHandle, method);
    SyscallSendMessage(mServiceMessage);
}

void cNetObject::ReplyFail(const cZUNetMessage& message)
{
    SendServiceMessage(message.mConnectionId, message.mSource, M_REPLY_FAIL);
}

void cNetObject::EntrypointMessage(cZUNetMessage& message)
{
    switch (message.mMethod) {
    case M_OBJECT_ADD_TO_INFORM_LIST:
        AddObjectToInformList(message);
        break;
    case M_OBJECT_REMOVE_FROM_INFORM_LIST:
        RemoveObjectFromInformList(message);
        break;
    case M_OBJECT_ADD_TO_DELETE_LIST:
        AddObjectToDeleteList(message);
        break;
    case M_OBJECT_DELETED:
        ObjectDeleted(message);
        break;
    case M_OBJECT_REMOVE_FROM_DELETE_LIST:
        DecrementDeleteListRefCount(message);
        break;
    case M_ALL_ABSOLUTE_UPDATE_CURRENT_STORE:
        ZU_ERR(
            "NYI - M_ALL_ABSOLUTE_UPDATE_CURRENT_STORE for %s on %d", mName, int(M_ALL_ABSOLUTE_UPDATE_CURRENT_STORE));
        ReplyFail(message);
        break;
    case M_ALL_RELATIVE_UPDATE_CURRENT_STORE:
        ZU_ERR(
            "NYI - M_ALL_RELATIVE_UPDATE_CURRENT_STORE for %s on %d", mName, int(M_ALL_RELATIVE_UPDATE_CURRENT_STORE));
        ReplyFail(message);
        break;
    default:
        ZU_ERR("Unknown Method: %d  Source: %d, ConnId: %d ObjectName: \"%s\", mHandle = %d", message.mMethod,
            message.mSource, message.mConnectionId, mName, mHandle);
        break;
    }
}

void cNetObject::ActionTick()
{
    ZU_ERR("Object %s, scanned with no ActionTick?", mName);
}

void cNetObject::ActionTock()
{
    ZU_ERR("Object %s, tock scanned with no ActionTock?", mName);
}

void cNetObject::ConnectionTerminated(UWORD connectionId, bool)
{
    // Every object hears of every ended connection, and most have nothing linked: skip empty lists.
    for (auto& list : mInformLists) {
        if (list.empty())
            continue;
        list.erase(std::remove_if(list.begin(), list.end(),
                       [connectionId](const sInformListItem& i) { return i.mConnectionId == connectionId; }),
            list.end());
    }
    if (mDeleteList.empty())
        return;
    mDeleteList.erase(std::remove_if(mDeleteList.begin(), mDeleteList.end(),
                          [connectionId](const sDeleteListItem& i) { return i.mConnectionId == connectionId; }),
        mDeleteList.end());
}

void cNetObject::UpdateNewObject(UWORD connectionId, UWORD handle, UWORD, UWORD sourceMethod)
{
    ZU_ERR("UpdateNewObject needs overloading to enable sync-up");
    ZU_ERR("Object Name: \"%s\" SourceMethod: 0x%X, Destination Handle: 0x%X  ConnectionId: %d", mName, sourceMethod,
        handle, connectionId);
    if (sourceMethod >= NON_PARAMETER_BASE && sourceMethod < PARAMETER_BASE)
        ZU_ERR("NON_PARAMETER_BASE Adjusted SourceMethod: %d,", sourceMethod - NON_PARAMETER_BASE);
    else if (sourceMethod >= PARAMETER_BASE)
        ZU_ERR("PARAMETER_BASE Adjusted SourceMethod: %d,", sourceMethod - PARAMETER_BASE);
}

const std::vector<sInformListItem>* cNetObject::GetInformList(UWORD method) const
{
    const UWORD index = static_cast<UWORD>(method - PARAMETER_BASE);
    if (method < PARAMETER_BASE || index >= mInformLists.size())
        return nullptr;
    return &mInformLists[index];
}

UWORD cNetObject::GetNumberOfInformListItems(UWORD method) const
{
    const std::vector<sInformListItem>* list = GetInformList(method);
    if (!list) {
        ZU_ERR("Parameter out of range Object Name: \"%s\" Parameter: %d", mName, int(UWORD(method - PARAMETER_BASE)));
        return 0;
    }
    return static_cast<UWORD>(list->size());
}

void cNetObject::AddObjectToInformList(const cZUNetMessage& message)
{
    if (!ZU_CHECK_LENGTH(message, LinkRequest::kAddLength))
        return;
    const UWORD connectionId = message.GetDataBufferUWORD(LinkRequest::kConnectionId);
    const UWORD handle = message.GetDataBufferUWORD(LinkRequest::kHandle);
    const UWORD destinationMethod = message.GetDataBufferUWORD(LinkRequest::kDestinationMethod);
    const UWORD sourceMethod = message.GetDataBufferUWORD(LinkRequest::kSourceMethod);
    const bool dataGram = message.GetDataBufferUBYTE(LinkRequest::kDataGram) != 0;
    const bool sync = message.GetDataBufferUBYTE(LinkRequest::kSync) != 0;

    const int index = int(sourceMethod) - int(PARAMETER_BASE);
    if (index < 0 || index >= int(mInformLists.size())) {
        ZU_ERR("Add Parameter out of range Object Name: \"%s\" Parameter: %d, mNumberOfParameters: %d", mName, index,
            mNumberOfParameters);
        ZU_ERR("ConnectionId: %d, Handle: %d, DestinationMethod: 0x%X, SourceMethod: 0x%X", connectionId, handle,
            destinationMethod, sourceMethod);
        return;
    }
    std::vector<sInformListItem>& list = mInformLists[index];
    for (const sInformListItem& item : list) {
        if (item.mConnectionId == connectionId && item.mHandle == handle && item.mMethod == destinationMethod)
            return;
    }
    list.insert(list.begin(), sInformListItem { connectionId, handle, destinationMethod, dataGram });
    SendServiceMessage(connectionId, handle, M_OBJECT_ADD_TO_DELETE_LIST);
    if (sync)
        UpdateNewObject(connectionId, handle, destinationMethod, sourceMethod);
}

void cNetObject::RemoveObjectFromInformList(const cZUNetMessage& message)
{
    if (!ZU_CHECK_LENGTH(message, LinkRequest::kRemoveLength))
        return;
    const UWORD connectionId = message.GetDataBufferUWORD(LinkRequest::kConnectionId);
    const UWORD handle = message.GetDataBufferUWORD(LinkRequest::kHandle);
    const UWORD destinationMethod = message.GetDataBufferUWORD(LinkRequest::kDestinationMethod);
    const UWORD sourceMethod = message.GetDataBufferUWORD(LinkRequest::kSourceMethod);

    const int index = int(sourceMethod) - int(PARAMETER_BASE);
    if (index < 0 || index >= int(mInformLists.size())) {
        ZU_ERR("Remove Parameter out of range Object Name: \"%s\" Parameter: %d Adjusted: %d, mNumberOfParameters: %d",
            mName, sourceMethod, index, mNumberOfParameters);
        ZU_ERR("ConnectionId: %d, Handle: %d, Method: %d", connectionId, handle, destinationMethod);
        return;
    }
    std::vector<sInformListItem>& list = mInformLists[index];
    auto it = std::find_if(list.begin(), list.end(), [&](const sInformListItem& item) {
        return item.mConnectionId == connectionId && item.mHandle == handle && item.mMethod == destinationMethod;
    });
    if (it == list.end())
        return;
    list.erase(it);
    SendServiceMessage(connectionId, handle, M_OBJECT_REMOVE_FROM_DELETE_LIST);
}

void cNetObject::AddObjectToDeleteList(const cZUNetMessage& message)
{
    for (sDeleteListItem& item : mDeleteList) {
        if (item.mConnectionId == message.mConnectionId && item.mHandle == message.mSource) {
            ++item.mRefCount;
            return;
        }
    }
    mDeleteList.insert(mDeleteList.begin(), sDeleteListItem { message.mConnectionId, message.mSource, 1 });
}

void cNetObject::DecrementDeleteListRefCount(const cZUNetMessage& message)
{
    auto it = std::find_if(mDeleteList.begin(), mDeleteList.end(), [&](const sDeleteListItem& item) {
        return item.mConnectionId == message.mConnectionId && item.mHandle == message.mSource;
    });
    if (it == mDeleteList.end())
        return;
    if (--it->mRefCount == 0)
        mDeleteList.erase(it);
}

void cNetObject::ObjectDeleted(const cZUNetMessage& message)
{
    const UWORD connectionId = message.mConnectionId;
    const UWORD handle = message.mSource;
    for (auto& list : mInformLists) {
        list.erase(
            std::remove_if(list.begin(), list.end(),
                [&](const sInformListItem& i) { return i.mConnectionId == connectionId && i.mHandle == handle; }),
            list.end());
    }
    mDeleteList.erase(
        std::remove_if(mDeleteList.begin(), mDeleteList.end(),
            [&](const sDeleteListItem& i) { return i.mConnectionId == connectionId && i.mHandle == handle; }),
        mDeleteList.end());
}

void cNetObject::SendToInformList(const cZUNetMessage& message, bool onlyTheSender)
{
    const UWORD index = static_cast<UWORD>(message.mMethod - PARAMETER_BASE);
    if (index >= mInformLists.size() || mInformLists[index].empty())
        return;
    mInformMessage = message;
    for (const sInformListItem& item : mInformLists[index]) {
        const bool isSender = item.mHandle == message.mSource && item.mConnectionId == message.mConnectionId;
        if (isSender != onlyTheSender)
            continue;
        mInformMessage.SetAddress(item.mConnectionId, item.mHandle, mHandle, item.mMethod);
        if (item.mDataGram)
            SyscallSendDatagramMessage(mInformMessage);
        else
            SyscallSendMessage(mInformMessage);
    }
}

void cNetObject::InformOtherObjects(const cZUNetMessage& message)
{
    SendToInformList(message, false);
}

void cNetObject::InformThisObject(const cZUNetMessage& message)
{
    SendToInformList(message, true);
}
