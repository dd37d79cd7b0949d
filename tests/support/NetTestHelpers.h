#pragma once

#include "tests/support/ProbeObject.h"

#include <QPair>
#include <QString>
#include <QVector>
#include <functional>

/// A listener that never accepts and whose accept queue is already full, so a further connect
/// to it hangs (its SYNs are dropped) until the client gives up.
class cFullBacklogListener
{
public:
    cFullBacklogListener(const char* address, quint16 port);
    ~cFullBacklogListener();
    bool IsValid() const { return mListener >= 0 && mFiller >= 0; }

private:
    int mListener = -1;
    int mFiller = -1;
};

/// The connection ends a probe object has seen, copied under the router's poll lock: a lost-comms
/// end reaches objects on the lost-comms thread.
QVector<QPair<UWORD, bool>> TerminatedUnderPollLock(const cProbeObject& probe);

/// What a probe object has received, copied under the router's poll lock.
QVector<cZUNetMessage> ReceivedUnderPollLock(const cProbeObject& probe);

/// Hands the builder a synchronised link from the base parameter of `sourcePath` to that of the
/// object `destination`; false when a path does not fit.
bool AddSyncLink(const QString& sourcePath, const char* destination);

/// Dispatches the router's queue on the test thread until `done` holds or `timeoutMs` passes.
bool DispatchUntil(const std::function<bool()>& done, int timeoutMs = 10000);
