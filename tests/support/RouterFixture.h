#pragma once

#include "ZUNet/Core/RegistryRouter.h"
#include "ZUNet/Core/Syscall.h"

/// Installs a fresh registry router as `gRegistryRouter` while it lives. Tests drain it on their
/// own thread with `Drain`.
class cRouterFixture
{
public:
    explicit cRouterFixture(const sZUNetMessagePoolConfig& config = sZUNetMessagePoolConfig())
    {
        gRegistryRouter = new cRegistryRouter(config);
    }
    ~cRouterFixture()
    {
        delete gRegistryRouter;
        gRegistryRouter = nullptr;
    }
    /// A small-message pool that holds one message and never grows: a second one finds no room.
    static sZUNetMessagePoolConfig OneSmallMessagePool()
    {
        sZUNetMessagePoolConfig config;
        config.mSmallInitial = 1;
        config.mSmallMax = 1;
        config.mSmallGrowth = 1;
        return config;
    }
    cRegistryRouter& Router() { return *gRegistryRouter; }
    /// Dispatches queued messages on the calling thread; at most `maximum` (bounded, since some
    /// flows keep posting).
    int Drain(int maximum = 100000) { return gRegistryRouter->SyscallPollAtMost(maximum); }
};
