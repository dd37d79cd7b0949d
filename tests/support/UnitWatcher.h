#pragma once

#include "ZUNet/Core/NetObject.h"
#include "ZUNet/Core/Trace.h"

/// In a unit process of the tests: tells the test, on standard output, which connections ended
/// ("unit: terminated ID LOST").
class cUnitWatcher : public cNetObject
{
public:
    cUnitWatcher()
        : cNetObject("Unit Watcher", 0)
    {
    }
    ~cUnitWatcher() override { Unregister(); }
    void ConnectionTerminated(UWORD connectionId, bool lostComms) override
    {
        ZU_TRACE("unit: terminated %d %d", connectionId, lostComms ? 1 : 0);
    }
};
