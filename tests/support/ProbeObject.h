#pragma once

#include "ZUNet/Core/NetObject.h"

#include <QStringList>
#include <QVector>

#include <functional>

/// A network object that records what reaches it, for tests. It unregisters itself.
class cProbeObject : public cNetObject
{
public:
    cProbeObject(const char* name, UWORD numberOfParameters = 0, bool tickScan = false, bool tockScan = false);
    ~cProbeObject() override;

    void EntrypointMessage(cZUNetMessage& message) override;
    void ActionTick() override;
    void ActionTock() override;
    void ConnectionTerminated(UWORD connectionId, bool lostComms) override;
    void UpdateNewObject(UWORD connectionId, UWORD handle, UWORD destinationMethod, UWORD sourceMethod) override;

    /// Messages received, in order; base handling still runs for methods below PARAMETER_BASE
    /// unless `mSwallowAll` is set.
    QVector<cZUNetMessage> mReceived;
    bool mSwallowAll = false;
    int mTicks = 0;
    int mTocks = 0;
    QVector<QPair<UWORD, bool>> mTerminated;
    struct sUpdate {
        UWORD mConnectionId, mHandle, mDestinationMethod, mSourceMethod;
    };
    QVector<sUpdate> mUpdates;
    /// Shared journal of ticks, tocks and messages across probes ("name:tick" ...).
    static QStringList* sJournal;
    /// Called from EntrypointMessage, if set.
    std::function<void(cProbeObject&, cZUNetMessage&)> mOnMessage;
    std::function<void(cProbeObject&)> mOnTick;
};
