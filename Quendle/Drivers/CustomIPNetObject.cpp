#include "Quendle/Drivers/CustomIPNetObject.h"

#include "Common/CustomIPMessageSender/CustomIPMessage.h"
#include "Quendle/Drivers/DriverBase.h"
#include "ZUNet/Core/PollLocker.h"
#include "ZUNet/Core/Trace.h"

#include <memory>

cCustomIPNetObject::cCustomIPNetObject(const char* name)
    : cNetObject(UniqueNetObjectName(name).c_str(), 1)
{
    if (RegistrationFailed())
        ZU_ERR("Driver \"%s\" could not be registered", name);
}

cCustomIPNetObject::~cCustomIPNetObject()
{
    Unregister();
}

bool cCustomIPNetObject::SendIPMessage(const QString& host, UWORD port, bool isTCP, const std::vector<UBYTE>& data)
{
    auto record = std::make_unique<sCustomIPMessageLong>();
    record->SetAddress(host.toUtf8().constData());
    record->mPort = port;
    record->mProtocol = isTCP ? 0 : 1;
    if (!record->SetData(data.data(), int(data.size())))
        return false; // traced by the record
    cPollLocker locker;
    mOutgoing.SetLength(UWORD(data.size() + 1 + sCustomIPMessageLong::PACKED_HEADER_SIZE));
    mOutgoing.SetDataBufferUBYTE(sCustomIPMessageLong::VERSION, 0);
    int offset = 1;
    if (!record->PackMessage(mOutgoing, offset))
        return false;
    mOutgoing.SetAddress(ZUNET_NO_CONNECTION, ZUNET_NO_HANDLE, GetHandle(), PARAMETER_BASE);
    InformOtherObjects(mOutgoing);
    return true;
}
