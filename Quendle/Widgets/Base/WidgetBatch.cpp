#include "Quendle/Widgets/Base/WidgetBatch.h"

#include "ZUNet/Core/Syscall.h"

namespace
{
thread_local cWidgetBatch* tOutermost = nullptr;
} // namespace

cWidgetBatch::cWidgetBatch()
    : mOuter(tOutermost)
{
    if (mOuter)
        return;
    tOutermost = this;
    SyscallMessagesPollLock();
}

cWidgetBatch::~cWidgetBatch()
{
    if (mOuter)
        return;
    tOutermost = nullptr;
    SyscallMessagesPollUnLock();
}

void cWidgetBatch::Step()
{
    cWidgetBatch* batch = tOutermost;
    if (!batch || ++batch->mWidgets % kWidgetsPerHold != 0)
        return;
    // Let go and taken again: a thread waiting for the lock is woken by the letting go and takes
    // it while this one comes back from that.
    SyscallMessagesPollUnLock();
    SyscallMessagesPollLock();
}
