#pragma once

#include "ZUNet/Core/Syscall.h"

/// Holds the registry's poll lock for a scope: registrations, links and sends from threads other
/// than the syscall thread go under it.
class cPollLocker
{
public:
    cPollLocker() { SyscallMessagesPollLock(); }
    ~cPollLocker() { SyscallMessagesPollUnLock(); }
    cPollLocker(const cPollLocker&) = delete;
    cPollLocker& operator=(const cPollLocker&) = delete;
};
