#pragma once

#include "ZUNet/Core/NetObject.h"

#include <QObject>

#include <string>

/// A name for a net object of this process that no registered object holds: `wanted` itself when
/// it is free, otherwise `wanted` (cut to fit) followed by "~2", "~3" ... Widget ids repeat across
/// layouts, and two drivers under one name would link one control to both parameters. Choose and
/// register under the poll lock, so no other thread takes the name in between.
std::string UniqueNetObjectName(const char* wanted);

/// Common ground of the widgets' network objects: registered under a name unique in the process.
/// The owner checks `RegistrationFailed` (and disables itself) since nothing can link to such an
/// object. Each concrete class unregisters first thing in its destructor: once its own members
/// start to go, dispatch must no longer find it.
class cZUNetDriverBase : public QObject, public cNetObject
{
    Q_OBJECT
public:
    ~cZUNetDriverBase() override;

    /// True when the object has no handle: the name was too long or the registry was full.
    bool RegistrationFailed() const { return GetHandle() == ZUNET_NO_HANDLE; }
    /// The name the owner asked for; `GetName()` is the one registered.
    const std::string& RequestedName() const { return mRequestedName; }

protected:
    cZUNetDriverBase(QObject* parent, const char* name, UWORD numberOfParameters);

    /// Sends `length` bytes as a parameter-0 message to every linked object. The caller holds the
    /// poll lock.
    void SendParameterMessage(const UBYTE* data, int length);
    /// Callers off the syscall thread hold the poll lock while they build and send.
    cZUNetMessage mOutgoing;

private:
    std::string mRequestedName;
};
