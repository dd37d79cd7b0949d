#include "tests/support/ValueObject.h"

#include "ZUNet/Core/Syscall.h"

cValueObject::cValueObject(const char* name, UWORD numberOfParameters)
    : cNetObject(name, numberOfParameters)
    , mValueMessage(2)
{
}

cValueObject::~cValueObject()
{
    Unregister();
}

void cValueObject::SetValue(UWORD value, UWORD parameter)
{
    mValues[parameter] = value;
    mValueMessage.SetLength(2);
    mValueMessage.SetDataBufferUWORD(value, 0);
    mValueMessage.SetAddress(ZUNET_LOCAL_CONNECTION, mHandle, mHandle, static_cast<UWORD>(PARAMETER_BASE + parameter));
    InformOtherObjects(mValueMessage);
}

void cValueObject::EntrypointMessage(cZUNetMessage& message)
{
    const int parameter = int(message.mMethod) - int(PARAMETER_BASE);
    if (parameter < 0 || parameter >= int(mNumberOfParameters)) {
        cNetObject::EntrypointMessage(message);
        return;
    }
    if (!ZU_CHECK_LENGTH(message, 2))
        return;
    const UWORD value = message.GetDataBufferUWORD(0);
    mValues[parameter] = value;
    ++mUpdates;
    InformOtherObjects(message); // not back to the sender
    if (mOnValue)
        mOnValue(value);
}

void cValueObject::UpdateNewObject(UWORD connectionId, UWORD handle, UWORD destinationMethod, UWORD sourceMethod)
{
    cZUNetMessage update(2);
    update.SetDataBufferUWORD(mValues[sourceMethod - PARAMETER_BASE].load(), 0);
    update.SetAddress(connectionId, handle, mHandle, destinationMethod);
    SyscallSendMessage(update);
}
