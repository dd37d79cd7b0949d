#pragma once

#include "RegistryRouter.h"
#include "Syscall.h"

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
    cRegistryRouter& Router() { return *gRegistryRouter; }
    /// Dispatches queued messages on the calling thread; at most `maximum` (bounded, since some
    /// flows keep posting).
    int Drain(int maximum = 100000) { return gRegistryRouter->SyscallPollAtMost(maximum); }
};
