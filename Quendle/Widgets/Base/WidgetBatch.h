#pragma once

/// Keeps the registry's poll lock over the making or binding of many widgets on one thread: the
/// first driver registration or link command of a widget takes it (`cLock`), and the batch holds
/// on to it, so the widgets after do not wait for it, once or twice each, while the syscall thread
/// dispatches under it. Every `kWidgetsPerHold` widgets made or put on or off line (each steps the
/// batch of its thread) the lock is let go until a widget needs it again, so the syscall thread
/// waits for at most that many. A batch whose widgets need no lock never takes it. Batches nest;
/// the outermost keeps the lock. Nothing inside a batch may wait for the syscall thread.
class cWidgetBatch
{
public:
    static constexpr int kWidgetsPerHold = 32;

    cWidgetBatch();
    ~cWidgetBatch();
    cWidgetBatch(const cWidgetBatch&) = delete;
    cWidgetBatch& operator=(const cWidgetBatch&) = delete;

    /// One widget more for the outermost batch of this thread, if there is one.
    static void Step();

    /// The poll lock for widget code: for its scope, or, inside a batch of this thread, until the
    /// batch lets it go.
    class cLock
    {
    public:
        cLock();
        ~cLock();
        cLock(const cLock&) = delete;
        cLock& operator=(const cLock&) = delete;

    private:
        const bool mBatched;
    };

private:
    const bool mOutermost;
    bool mHolding = false;
    // The locks of widget code in scope now: the batch never lets go under them.
    int mInScope = 0;
    int mWidgets = 0;
};
