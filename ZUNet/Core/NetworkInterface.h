#pragma once

#include "ZUNet/Core/ZUNetMessage.h"

#include <functional>
#include <string>

/// What the object core needs of the connection manager. The manager installs itself with
/// `SetNetworkInterface`; tests install a fake. Without one, sends are dropped and lookups fail.
class cNetworkInterface
{
public:
    virtual ~cNetworkInterface() = default;
    /// Id of the connection to `host`, opening one when needed (may block); 0xFFFF on failure.
    virtual UWORD FindConnection(const char* host) = 0;
    virtual bool ConnectionExists(const char* host) = 0;
    virtual std::string HostNameFromConnectionId(UWORD connectionId) = 0;
    virtual UWORD NumberOfConnections() = 0;
    virtual void SendMessage(const cZUNetMessage& message) = 0;
    virtual void SendDatagramMessage(const cZUNetMessage& message) = 0;
    /// False while the connection's link holds so much unsent that bulk senders should wait; the
    /// link then calls `NotifyLinkRoom` once it has written enough.
    virtual bool LinkHasRoom(UWORD /*connectionId*/) { return true; }
};

void SetNetworkInterface(cNetworkInterface* network);
cNetworkInterface* GetNetworkInterface();

/// Called by `InitialiseSyscall`; the connection manager's layer installs it so that starting
/// the network brings the manager up.
using tNetworkInitialiser = void (*)();
void SetNetworkInitialiser(tNetworkInitialiser initialiser);
void NetworkInitialise();

UWORD NetworkFindConnection(const char* host);
bool DoesNetworkConnectionExist(const char* host);
std::string NetworkGetHostNameFromConnId(UWORD connectionId);
UWORD NetworkGetNumberOfConnections();
void SendNetworkMessage(const cZUNetMessage& message);
void SendNetworkDatagramMessage(const cZUNetMessage& message);
/// True for local messages (connection 0), without a network, and while the link has room. When
/// false, the link calls `NotifyLinkRoom` once it has room again.
bool NetworkLinkHasRoom(UWORD connectionId);

/// Bulk senders sleep while their links are full; a link wakes them through these instead of
/// their polling. `waker` is called on a link's thread with none of the link's locks held, and
/// not after `RemoveLinkRoomWaker` returns.
using tLinkRoomWaker = std::function<void()>;
int AddLinkRoomWaker(tLinkRoomWaker waker);
void RemoveLinkRoomWaker(int id);
/// A link that a bulk sender found full has room again: calls every waker.
void NotifyLinkRoom();
