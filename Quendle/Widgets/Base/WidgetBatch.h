#pragma once

/// Holds the registry's poll lock over the making or binding of many widgets on one thread: their
/// driver registrations and link commands then take a lock this thread holds already instead of
/// waiting, once or twice a widget, while the syscall thread dispatches under it. Every
/// `kWidgetsPerHold` widgets made or put on or off line (each steps the batch of its thread) the
/// lock is let go for a moment, so the syscall thread waits for at most that many. Batches nest;
/// the outermost holds the lock. Nothing inside a batch may wait for the syscall thread.
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

private:
    cWidgetBatch* const mOuter;
    int mWidgets = 0;
};
