#include "tests/support/ProbeObject.h"

#include <QStringList>

QStringList* cProbeObject::sJournal = nullptr;

cProbeObject::cProbeObject(const char* name, UWORD numberOfParameters, bool tickScan, bool tockScan)
    : cNetObject(name, numberOfParameters, tickScan, tockScan)
{
}

cProbeObject::~cProbeObject()
{
    Unregister();
}

void cProbeObject::EntrypointMessage(cZUNetMessage& message)
{
    mReceived.append(message);
    if (sJournal)
        sJournal->append(QStringLiteral("%1:msg:%2").arg(QString::fromUtf8(GetName())).arg(message.mMethod));
    if (mOnMessage)
        mOnMessage(*this, message);
    if (!mSwallowAll && message.mMethod < PARAMETER_BASE && message.mMethod != M_REPLY_OK
        && message.mMethod != M_REPLY_FAIL)
        cNetObject::EntrypointMessage(message);
}

void cProbeObject::ActionTick()
{
    ++mTicks;
    if (sJournal)
        sJournal->append(QStringLiteral("%1:tick").arg(QString::fromUtf8(GetName())));
    if (mOnTick)
        mOnTick(*this);
}

void cProbeObject::ActionTock()
{
    ++mTocks;
    if (sJournal)
        sJournal->append(QStringLiteral("%1:tock").arg(QString::fromUtf8(GetName())));
}

void cProbeObject::ConnectionTerminated(UWORD connectionId, bool lostComms)
{
    mTerminated.append(qMakePair(connectionId, lostComms));
    cNetObject::ConnectionTerminated(connectionId, lostComms);
}

void cProbeObject::UpdateNewObject(UWORD connectionId, UWORD handle, UWORD destinationMethod, UWORD sourceMethod)
{
    mUpdates.append(sUpdate { connectionId, handle, destinationMethod, sourceMethod });
}
