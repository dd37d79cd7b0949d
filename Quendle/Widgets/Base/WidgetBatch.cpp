#include "Quendle/Widgets/Base/WidgetBatch.h"

#include "ZUNet/Core/Syscall.h"

namespace
{
thread_local cWidgetBatch* tOutermost = nullptr;
} // namespace

cWidgetBatch::cWidgetBatch()
    : mOutermost(tOutermost == nullptr)
{
    if (mOutermost)
        tOutermost = this;
}

cWidgetBatch::~cWidgetBatch()
{
    if (!mOutermost)
        return;
    tOutermost = nullptr;
    if (mHolding)
        SyscallMessagesPollUnLock();
}

void cWidgetBatch::Step()
{
    cWidgetBatch* batch = tOutermost;
    if (!batch || ++batch->mWidgets % kWidgetsPerHold != 0 || !batch->mHolding || batch->mInScope > 0)
        return;
    // Taken again only when a widget needs it: the syscall thread, woken by the letting go, has it
    // meanwhile.
    batch->mHolding = false;
    SyscallMessagesPollUnLock();
}

cWidgetBatch::cLock::cLock()
    : mBatched(tOutermost != nullptr)
{
    if (!mBatched) {
        SyscallMessagesPollLock();
        return;
    }
    ++tOutermost->mInScope;
    if (tOutermost->mHolding)
        return;
    SyscallMessagesPollLock();
    tOutermost->mHolding = true;
}

cWidgetBatch::cLock::~cLock()
{
    if (mBatched)
        --tOutermost->mInScope;
    else
        SyscallMessagesPollUnLock();
}
