#include "Quendle/Drivers/ValueDrivers.h"

#include "AES-Standards/Conversions.h"
#include "ZUNet/Core/PollLocker.h"
#include "ZUNet/Core/Syscall.h"
#include "ZUNet/Core/Trace.h"

#include <cstring>

void QueueDriverLink(const cNetObject& driver, const char* remoteName, UWORD remoteParameter, bool sync, bool remove,
    tLinkCallback callback)
{
    // A path too long is kept unterminated by the command, and the builder refuses it.
    sParameterLinkingCommand command = sParameterLinkingCommand::Make(
        remoteName ? remoteName : "", remoteParameter, driver.GetName(), PARAMETER_BASE, sync, remove);
    if (!remove)
        command.mCompletionCallback = std::move(callback);
    cPollLocker locker;
    if (!gSystemBuilder) {
        ZU_ERR("No system builder, link to \"%s\" not queued", driver.GetName());
        return;
    }
    gSystemBuilder->AddLinkCommandToList(command, true);
}

// ---- boolean switch

cZUNetBooleanSwitchDriver::cZUNetBooleanSwitchDriver(QObject* parent, const char* name)
    : cZUNetDriverBase(parent, name, 2)
{
}

cZUNetBooleanSwitchDriver::~cZUNetBooleanSwitchDriver()
{
    Unregister();
}

bool cZUNetBooleanSwitchDriver::Value() const
{
    std::lock_guard<std::mutex> locker(mValueMutex);
    return mValue;
}

void cZUNetBooleanSwitchDriver::SetValue(bool value)
{
    {
        cPollLocker poll;
        {
            std::lock_guard<std::mutex> locker(mValueMutex);
            if (mValue == value)
                return;
            mValue = value;
        }
        const UBYTE byte = BoolToUBYTE(value);
        SendParameterMessage(&byte, 1);
    }
    TellListener();
    Q_EMIT ValueChanged();
}

void cZUNetBooleanSwitchDriver::SetValueFromNetwork(bool value)
{
    {
        std::lock_guard<std::mutex> locker(mValueMutex);
        if (mValue == value)
            return;
        mValue = value;
    }
    NotifyValueFromNetwork();
}

void cZUNetBooleanSwitchDriver::EmitValueChanged()
{
    Q_EMIT ValueChanged();
}

void cZUNetBooleanSwitchDriver::Link(const char* remoteName, UWORD remoteParameter, bool remove, tLinkCallback callback)
{
    QueueDriverLink(*this, remoteName, remoteParameter, true, remove, std::move(callback));
}

void cZUNetBooleanSwitchDriver::EntrypointMessage(cZUNetMessage& message)
{
    if (message.mMethod == PARAMETER_BASE) {
        if (!ZU_CHECK_LENGTH(message, 1))
            return;
        // Any non-zero byte is on; the unit is not told off for sending 2.
        SetValueFromNetwork(message.GetDataBufferUBYTE(0) != 0);
        InformOtherObjects(message);
    } else if (message.mMethod == PARAMETER_BASE + 1) {
        ZU_ERR("M_SWITCH_DELTA not handled");
    } else {
        cNetObject::EntrypointMessage(message);
    }
}

// ---- meter

cZUNetMeterDriver::cZUNetMeterDriver(QObject* parent, const char* name)
    : cZUNetDriverBase(parent, name, 7)
{
}

cZUNetMeterDriver::~cZUNetMeterDriver()
{
    Unregister();
}

float cZUNetMeterDriver::Value() const
{
    std::lock_guard<std::mutex> locker(mValueMutex);
    return mValue;
}

bool cZUNetMeterDriver::Store(float value)
{
    std::lock_guard<std::mutex> locker(mValueMutex);
    if (mValue == value)
        return false;
    mValue = value;
    return true;
}

void cZUNetMeterDriver::SetValue(float value)
{
    if (Store(value)) {
        TellListener();
        Q_EMIT ValueChanged();
    }
}

void cZUNetMeterDriver::SetValueFromNetwork(float value)
{
    if (Store(value))
        NotifyValueFromNetwork();
}

void cZUNetMeterDriver::EmitValueChanged()
{
    Q_EMIT ValueChanged();
}

void cZUNetMeterDriver::Link(const char* remoteName, UWORD remoteParameter, bool remove, tLinkCallback callback)
{
    QueueDriverLink(*this, remoteName, remoteParameter, false, remove, std::move(callback));
}

void cZUNetMeterDriver::EntrypointMessage(cZUNetMessage& message)
{
    if (message.mMethod != PARAMETER_BASE) {
        cNetObject::EntrypointMessage(message);
        return;
    }
    if (!ZU_CHECK_LENGTH(message, 2))
        return;
    SetValueFromNetwork(LevelFromWire(message.GetDataBufferSWORD(0)));
    InformOtherObjects(message);
}

// ---- string

cZUNetStringDriver::cZUNetStringDriver(QObject* parent, const char* name)
    : cZUNetDriverBase(parent, name, 1)
{
}

cZUNetStringDriver::~cZUNetStringDriver()
{
    Unregister();
}

std::string cZUNetStringDriver::Value() const
{
    std::lock_guard<std::mutex> locker(mValueMutex);
    return mValue;
}

bool cZUNetStringDriver::Store(const std::string& value)
{
    std::lock_guard<std::mutex> locker(mValueMutex);
    if (mValue == value)
        return false;
    mValue = value;
    return true;
}

void cZUNetStringDriver::Set(const std::string& value, bool sendUnchanged)
{
    if (value.size() > MAX_LENGTH) {
        ZU_ERR("Value of %s refused: %d characters do not fit one message", GetName(), int(value.size()));
        return;
    }
    bool changed = false;
    {
        cPollLocker poll;
        changed = Store(value);
        if (!changed && !sendUnchanged)
            return;
        SendParameterMessage(reinterpret_cast<const UBYTE*>(value.c_str()), int(value.size()) + 1);
    }
    if (changed) {
        TellListener();
        Q_EMIT ValueChanged(QString::fromStdString(value));
    }
}

void cZUNetStringDriver::SetValue(const std::string& value)
{
    Set(value, false);
}

void cZUNetStringDriver::SetValueAndSendNetworkMessage(const std::string& value)
{
    Set(value, true);
}

void cZUNetStringDriver::SetValueFromNetwork(const std::string& value)
{
    if (Store(value))
        NotifyValueFromNetwork();
}

void cZUNetStringDriver::EmitValueChanged()
{
    Q_EMIT ValueChanged(QString::fromStdString(Value()));
}

void cZUNetStringDriver::EntrypointMessage(cZUNetMessage& message)
{
    if (message.mMethod != PARAMETER_BASE) {
        cNetObject::EntrypointMessage(message);
        return;
    }
    // Up to the NUL, or the whole data when a peer left it out.
    const char* text = reinterpret_cast<const char*>(message.mDataBuffer);
    const void* nul = message.mLength ? std::memchr(text, 0, message.mLength) : nullptr;
    const std::size_t length = nul ? std::size_t(static_cast<const char*>(nul) - text) : message.mLength;
    SetValueFromNetwork(std::string(text ? text : "", length));
    InformOtherObjects(message);
}

// ---- byte

cZUNetUBYTEDriver::cZUNetUBYTEDriver(QObject* parent, const char* name)
    : cZUNetDriverBase(parent, name, 1)
{
}

cZUNetUBYTEDriver::~cZUNetUBYTEDriver()
{
    Unregister();
}

UBYTE cZUNetUBYTEDriver::Value() const
{
    std::lock_guard<std::mutex> locker(mValueMutex);
    return mValue;
}

void cZUNetUBYTEDriver::SetValue(UBYTE value)
{
    {
        cPollLocker poll;
        {
            std::lock_guard<std::mutex> locker(mValueMutex);
            if (mValue == value)
                return;
            mValue = value;
        }
        SendParameterMessage(&value, 1);
    }
    TellListener();
    Q_EMIT ValueChanged(int(value));
}

void cZUNetUBYTEDriver::SetValueFromNetwork(UBYTE value)
{
    {
        std::lock_guard<std::mutex> locker(mValueMutex);
        if (mValue == value)
            return;
        mValue = value;
    }
    NotifyValueFromNetwork();
}

void cZUNetUBYTEDriver::EmitValueChanged()
{
    Q_EMIT ValueChanged(int(Value()));
}

void cZUNetUBYTEDriver::EntrypointMessage(cZUNetMessage& message)
{
    if (message.mMethod != PARAMETER_BASE) {
        cNetObject::EntrypointMessage(message);
        return;
    }
    if (!ZU_CHECK_LENGTH(message, 1))
        return;
    SetValueFromNetwork(message.GetDataBufferUBYTE(0));
    InformOtherObjects(message);
}

// ---- word

cZUNetUWORDDriver::cZUNetUWORDDriver(QObject* parent, const char* name)
    : cZUNetDriverBase(parent, name, 1)
{
}

cZUNetUWORDDriver::~cZUNetUWORDDriver()
{
    Unregister();
}

UWORD cZUNetUWORDDriver::Value() const
{
    std::lock_guard<std::mutex> locker(mValueMutex);
    return mValue;
}

bool cZUNetUWORDDriver::Store(UWORD value)
{
    std::lock_guard<std::mutex> locker(mValueMutex);
    if (mValue == value)
        return false;
    mValue = value;
    return true;
}

void cZUNetUWORDDriver::Set(UWORD value, bool sendUnchanged)
{
    bool changed = false;
    {
        cPollLocker poll;
        changed = Store(value);
        if (!changed && !sendUnchanged)
            return;
        const UBYTE bytes[2] = { UBYTE(value >> 8), UBYTE(value) };
        SendParameterMessage(bytes, 2);
    }
    if (changed) {
        TellListener();
        Q_EMIT ValueChanged();
    }
}

void cZUNetUWORDDriver::SetValue(UWORD value)
{
    Set(value, false);
}

void cZUNetUWORDDriver::SetValueAndSendNetworkMessage(UWORD value)
{
    Set(value, true);
}

void cZUNetUWORDDriver::SetValueFromNetwork(UWORD value)
{
    if (Store(value))
        NotifyValueFromNetwork();
}

void cZUNetUWORDDriver::EmitValueChanged()
{
    Q_EMIT ValueChanged();
}

void cZUNetUWORDDriver::EntrypointMessage(cZUNetMessage& message)
{
    if (message.mMethod != PARAMETER_BASE) {
        cNetObject::EntrypointMessage(message);
        return;
    }
    if (!ZU_CHECK_LENGTH(message, 2))
        return;
    SetValueFromNetwork(message.GetDataBufferUWORD(0));
    InformOtherObjects(message);
}

// ---- byte string

cZUNetVectorUBYTEDriver::cZUNetVectorUBYTEDriver(QObject* parent, const char* name)
    : cZUNetDriverBase(parent, name, 1)
{
}

cZUNetVectorUBYTEDriver::~cZUNetVectorUBYTEDriver()
{
    Unregister();
}

std::vector<UBYTE> cZUNetVectorUBYTEDriver::Value() const
{
    std::lock_guard<std::mutex> locker(mValueMutex);
    return mValue;
}

bool cZUNetVectorUBYTEDriver::Store(const UBYTE* data, std::size_t length)
{
    std::lock_guard<std::mutex> locker(mValueMutex);
    if (mValue.size() == length && (length == 0 || std::memcmp(mValue.data(), data, length) == 0))
        return false;
    mValue.assign(data, data + length);
    return true;
}

void cZUNetVectorUBYTEDriver::Set(const std::vector<UBYTE>& value, bool sendUnchanged)
{
    if (value.size() > MAX_LENGTH) {
        ZU_ERR("Value of %s refused: %d bytes do not fit one message", GetName(), int(value.size()));
        return;
    }
    bool changed = false;
    {
        cPollLocker poll;
        changed = Store(value.data(), value.size());
        if (!changed && !sendUnchanged)
            return;
        SendParameterMessage(value.data(), int(value.size()));
    }
    if (changed) {
        TellListener();
        Q_EMIT ValueChanged();
    }
}

void cZUNetVectorUBYTEDriver::SetValue(const std::vector<UBYTE>& value)
{
    Set(value, false);
}

void cZUNetVectorUBYTEDriver::SetValueAndSendNetworkMessage(const std::vector<UBYTE>& value)
{
    Set(value, true);
}

void cZUNetVectorUBYTEDriver::SetValueFromNetwork(const cZUNetMessage& message)
{
    if (Store(message.mDataBuffer, message.mLength))
        NotifyValueFromNetwork();
}

void cZUNetVectorUBYTEDriver::EmitValueChanged()
{
    Q_EMIT ValueChanged();
}

void cZUNetVectorUBYTEDriver::EntrypointMessage(cZUNetMessage& message)
{
    if (message.mMethod != PARAMETER_BASE) {
        cNetObject::EntrypointMessage(message);
        return;
    }
    SetValueFromNetwork(message);
    InformOtherObjects(message);
}
