#include "ZUNet/Core/NetworkInterface.h"

#include <atomic>
#include <map>
#include <mutex>

namespace
{
std::atomic<cNetworkInterface*> gNetwork { nullptr };
std::atomic<tNetworkInitialiser> gInitialiser { nullptr };

struct sRoomWakers {
    std::mutex mMutex;
    std::map<int, tLinkRoomWaker> mWakers;
    int mNextId = 1;
};

sRoomWakers& RoomWakers()
{
    static auto* wakers = new sRoomWakers;
    return *wakers;
}
} // namespace

void SetNetworkInterface(cNetworkInterface* network)
{
    gNetwork.store(network);
}

cNetworkInterface* GetNetworkInterface()
{
    return gNetwork.load();
}

void SetNetworkInitialiser(tNetworkInitialiser initialiser)
{
    gInitialiser.store(initialiser);
}

void NetworkInitialise()
{
    if (tNetworkInitialiser initialiser = gInitialiser.load())
        initialiser();
}

UWORD NetworkFindConnection(const char* host)
{
    cNetworkInterface* network = gNetwork.load();
    return network ? network->FindConnection(host) : ZUNET_NO_CONNECTION;
}

bool DoesNetworkConnectionExist(const char* host)
{
    cNetworkInterface* network = gNetwork.load();
    return network ? network->ConnectionExists(host) : false;
}

std::string NetworkGetHostNameFromConnId(UWORD connectionId)
{
    cNetworkInterface* network = gNetwork.load();
    return network ? network->HostNameFromConnectionId(connectionId) : std::string();
}

UWORD NetworkGetNumberOfConnections()
{
    cNetworkInterface* network = gNetwork.load();
    return network ? network->NumberOfConnections() : 0;
}

void SendNetworkMessage(const cZUNetMessage& message)
{
    if (cNetworkInterface* network = gNetwork.load())
        network->SendMessage(message);
}

void SendNetworkDatagramMessage(const cZUNetMessage& message)
{
    if (cNetworkInterface* network = gNetwork.load())
        network->SendDatagramMessage(message);
}

bool NetworkLinkHasRoom(UWORD connectionId)
{
    if (connectionId == ZUNET_LOCAL_CONNECTION)
        return true;
    cNetworkInterface* network = gNetwork.load();
    return !network || network->LinkHasRoom(connectionId);
}

int AddLinkRoomWaker(tLinkRoomWaker waker)
{
    sRoomWakers& wakers = RoomWakers();
    std::lock_guard<std::mutex> locker(wakers.mMutex);
    const int id = wakers.mNextId++;
    wakers.mWakers.emplace(id, std::move(waker));
    return id;
}

void RemoveLinkRoomWaker(int id)
{
    sRoomWakers& wakers = RoomWakers();
    std::lock_guard<std::mutex> locker(wakers.mMutex);
    wakers.mWakers.erase(id);
}

void NotifyLinkRoom()
{
    // Called under the mutex, so a waker removed is never called afterwards. Wakers only set a
    // flag and notify under their own lock.
    sRoomWakers& wakers = RoomWakers();
    std::lock_guard<std::mutex> locker(wakers.mMutex);
    for (const auto& entry : wakers.mWakers)
        entry.second();
}
