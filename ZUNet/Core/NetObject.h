#pragma once

#include "ZUNet/Core/ZUNetMessage.h"
#include "ZUNet/Core/ZUNetMethods.h"

#include <vector>

class cRegistryRouter;

struct sInformListItem {
    UWORD mConnectionId;
    UWORD mHandle;
    UWORD mMethod;
    bool mDataGram;
};

struct sDeleteListItem {
    UWORD mConnectionId;
    UWORD mHandle;
    UWORD mRefCount;
};

/// Base of every object addressable on the control network: a unique name, a handle, numbered
/// parameters and, per parameter, the list of objects that are sent its new values. The owner
/// calls `Unregister` before the object is destroyed.
class cNetObject
{
public:
    cNetObject(const char* name, UWORD numberOfParameters, bool tickScan = false, bool tockScan = false);
    virtual ~cNetObject();

    cNetObject(const cNetObject&) = delete;
    cNetObject& operator=(const cNetObject&) = delete;

    /// Runs on the syscall thread, under the poll lock.
    virtual void EntrypointMessage(cZUNetMessage& message);
    virtual void ActionTick();
    virtual void ActionTock();
    virtual void ConnectionTerminated(UWORD connectionId, bool lostComms);
    /// A Sync link was added: send the current value of `sourceMethod` to that one entry.
    virtual void UpdateNewObject(UWORD connectionId, UWORD handle, UWORD destinationMethod, UWORD sourceMethod);

    void Unregister();
    void YourHandleIs(UWORD handle, const char* name);

    void InformOtherObjects(const cZUNetMessage& message);
    void InformThisObject(const cZUNetMessage& message);
    UWORD GetNumberOfInformListItems(UWORD method) const;

    void AddObjectToInformList(const cZUNetMessage& message);
    void RemoveObjectFromInformList(const cZUNetMessage& message);
    void AddObjectToDeleteList(const cZUNetMessage& message);
    void DecrementDeleteListRefCount(const cZUNetMessage& message);
    void ObjectDeleted(const cZUNetMessage& message);

    UWORD GetHandle() const { return mHandle; }
    const char* GetName() const { return mName; }
    bool IsRegistered() const { return mRegistered; }
    UWORD GetNumberOfParameters() const { return mNumberOfParameters; }
    const std::vector<sInformListItem>* GetInformList(UWORD method) const;
    const std::vector<sDeleteListItem>& GetDeleteList() const { return mDeleteList; }

protected:
    /// Replies M_REPLY_FAIL (no data) to the sender of `message`.
    void ReplyFail(const cZUNetMessage& message);

    const char* mName = mNameBuffer;
    std::vector<sDeleteListItem> mDeleteList;
    bool mRegistered = false;
    UWORD mNumberOfParameters;
    std::vector<std::vector<sInformListItem>> mInformLists;
    cZUNetMessage mInformMessage;
    UWORD mHandle = ZUNET_NO_HANDLE;
    cZUNetMessage mServiceMessage;

private:
    void SendServiceMessage(UWORD connectionId, UWORD handle, UWORD method);
    void SendToInformList(const cZUNetMessage& message, bool onlyTheSender);

    cRegistryRouter* mRouter = nullptr; // the router that holds our registration
    char mNameBuffer[ZUNET_MAX_NAME_LENGTH + 1] = {}; // our own copy: traces may outlive the router
};
