#pragma once

#include "ZUNet/Core/NetObject.h"

#include <QObject>

#include <atomic>
#include <string>

class cDriverNotifier;
class cZUNetDriverBase;

/// What a driver's owner implements to be told of every change of the driver's value, on the
/// driver's thread, just before the driver's signal. A plain call costs a fraction of a queued
/// signal's connection lookup, which dominated a busy screen's notification cost.
class cDriverListener
{
public:
    virtual void DriverChanged(cZUNetDriverBase& driver) = 0;

protected:
    ~cDriverListener() = default;
};

/// A name for a net object of this process that no registered object holds: `wanted` itself when
/// it is free, otherwise `wanted` (cut to fit) followed by "~2", "~3" ... Widget ids repeat across
/// layouts, and two drivers under one name would link one control to both parameters. Choose and
/// register under the poll lock, so no other thread takes the name in between.
std::string UniqueNetObjectName(const char* wanted);

/// Common ground of the widgets' network objects: registered under a name unique in the process.
/// The owner checks `RegistrationFailed` (and disables itself) since nothing can link to such an
/// object. Each concrete class unregisters first thing in its destructor: once its own members
/// start to go, dispatch must no longer find it.
///
/// Values from the network are coalesced: a change stores the value and asks for one notification;
/// until it is delivered, on the driver's thread once per event-loop turn together with those of the
/// thread's other drivers, further changes only replace the value. The signal then carries the value
/// stored last, so a burst costs the user side one signal and its last value is never lost. A driver
/// stays on the thread that made it.
class cZUNetDriverBase : public QObject, public cNetObject
{
    Q_OBJECT
public:
    ~cZUNetDriverBase() override;

    /// True when the object has no handle: the name was too long or the registry was full.
    bool RegistrationFailed() const { return GetHandle() == ZUNET_NO_HANDLE; }
    /// The name the owner asked for; `GetName()` is the one registered.
    const std::string& RequestedName() const { return mRequestedName; }
    /// One listener at a time, or none; on the driver's thread. The owner clears it before it goes
    /// if the driver may outlive it.
    void SetListener(cDriverListener* listener) { mListener = listener; }

protected:
    cZUNetDriverBase(QObject* parent, const char* name, UWORD numberOfParameters);

    /// Sends `length` bytes as a parameter-0 message to every linked object. The caller holds the
    /// poll lock.
    void SendParameterMessage(const UBYTE* data, int length);
    /// Callers off the syscall thread hold the poll lock while they build and send.
    cZUNetMessage mOutgoing;

    /// The network side has stored a new value: asks for a notification unless one is pending.
    /// Any thread; call with no lock held.
    void NotifyValueFromNetwork();
    /// Emits the driver's `ValueChanged` for the value it holds now; on the driver's thread. Only
    /// objects that call `NotifyValueFromNetwork` need one.
    virtual void EmitValueChanged() { }
    /// What a change on the user side does before its signal.
    void TellListener()
    {
        if (mListener)
            mListener->DriverChanged(*this);
    }

private:
    friend class cDriverNotifier;

    std::string mRequestedName;
    cDriverNotifier* mNotifier;
    std::atomic<bool> mNotificationPending { false };
    cDriverListener* mListener = nullptr;
};
