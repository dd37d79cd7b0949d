#include "ZUNet/QT/NetworkStack.h"

#include "ZUNet/Core/PollLocker.h"
#include "ZUNet/QT/ActionTickDriver.h"
#include "ZUNet/QT/NetworkConnection.h"
#include "ZUNet/QT/SyscallThread.h"

cNetworkStack::cNetworkStack(unsigned parts, eConnectionTerminatedBehaviour behaviour)
{
    cNetworkConnection::AllowInstanceOf(true);
    InitialiseSyscall(behaviour, (parts & SystemBuilder) != 0);
    mConnections = cNetworkConnection::Instance();
    mConnections->InitialiseLostComms();
    if (parts & SyscallThread)
        mSyscallThread = std::make_unique<cSyscallThread>();
    if (parts & Ticks)
        mTickDriver = std::make_unique<cActionTickDriver>(nullptr);
}

cNetworkStack::~cNetworkStack()
{
    Stop();
    mTickDriver.reset();
    mSyscallThread.reset();
    cNetworkConnection::DeleteInstance();
    UninitialiseSyscall();
}

void cNetworkStack::Start()
{
    if (mSyscallThread)
        mSyscallThread->StartSyscall();
    if (mTickDriver) {
        mTickDriver->StartTimer();
        SyscallSetStartTicks(true);
    }
}

void cNetworkStack::Stop()
{
    if (mStopped)
        return;
    mStopped = true;
    if (mTickDriver)
        SyscallSetStartTicks(false);
    mConnections->UninitialiseLostComms();
    if (mSyscallThread)
        mSyscallThread->QuitSyscallAndWait();
    // Waits for whoever still holds the poll lock.
    cPollLocker barrier;
}
