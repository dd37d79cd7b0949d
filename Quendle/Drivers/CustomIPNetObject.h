#pragma once

#include "ZUNet/Core/NetObject.h"

#include <QString>

#include <vector>

/// Hands a user-defined message for some address and port on the unit's network to the unit's
/// custom-IP object, which sends it. Parameter 0 carries a version byte and the message record.
class cCustomIPNetObject : public cNetObject
{
public:
    explicit cCustomIPNetObject(const char* name);
    ~cCustomIPNetObject() override;

    bool RegistrationFailed() const { return GetHandle() == ZUNET_NO_HANDLE; }

    /// Sends from the user-interface thread under the poll lock. The host is cut to 15 bytes;
    /// more than 1000 data bytes are refused (traced, nothing sent): false then.
    bool SendIPMessage(const QString& host, UWORD port, bool isTCP, const std::vector<UBYTE>& data);

private:
    cZUNetMessage mOutgoing;
};
