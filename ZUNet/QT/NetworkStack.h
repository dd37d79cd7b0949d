#pragma once

#include "ZUNet/Core/Syscall.h"

#include <memory>

class cActionTickDriver;
class cNetworkConnection;
class cSyscallThread;

/// Owns a process's running network: the registry router and system builder, the connection
/// manager with lost-comms detection, the syscall thread and the action-tick driver. Made, started
/// and stopped on the main thread.
///
/// The net objects of the process are made after the stack and before `Start`, and die after
/// `Stop` and before the stack: no object is dispatched to while it is being built or torn down.
class cNetworkStack
{
public:
    /// The parts besides the router and the connection manager, which are always there.
    enum ePart : unsigned {
        SystemBuilder = 1,
        /// Without it the caller polls the router itself.
        SyscallThread = 2,
        /// The 20 ms tick driver; `Start` switches ticks on.
        Ticks = 4,
        AllParts = SystemBuilder | SyscallThread | Ticks,
    };

    /// Router, system builder, connection manager with lost comms, syscall thread and tick driver
    /// (which queues the first tick), in that order; nothing runs yet.
    explicit cNetworkStack(
        unsigned parts = AllParts, eConnectionTerminatedBehaviour behaviour = CONNECTION_TERMINATED_ABORT_COMMANDS);
    /// `Stop`, then the tick driver, syscall thread, connection manager, system builder and router go.
    ~cNetworkStack();
    cNetworkStack(const cNetworkStack&) = delete;
    cNetworkStack& operator=(const cNetworkStack&) = delete;

    /// Dispatch, then the tick timer, then ticks on. Once.
    void Start();
    /// Ticks off; connections end (with BYE) and lost comms stop; dispatch stops; then a pass
    /// through the poll lock, so no other thread is still inside a net object. Once is enough.
    void Stop();

    cNetworkConnection* Connections() const { return mConnections; }

private:
    cNetworkConnection* mConnections = nullptr;
    std::unique_ptr<cSyscallThread> mSyscallThread;
    std::unique_ptr<cActionTickDriver> mTickDriver;
    bool mStopped = false;
};
