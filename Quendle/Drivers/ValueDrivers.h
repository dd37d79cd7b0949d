#pragma once

#include "Quendle/Drivers/DriverBase.h"
#include "ZUNet/Core/SystemBuilder.h"

#include <QString>

#include <functional>
#include <mutex>
#include <string>
#include <vector>

// The value drivers: each carries one value between a widget and one parameter of a unit object.
// The network side (`EntrypointMessage`, `SetValueFromNetwork`) runs on the syscall thread, the user
// side (`SetValue`, `Value`) on the user-interface thread. A value mutex guards only the value; sends
// from the user side take the poll lock first and compare, store and send inside it, so a unit value
// dispatched meanwhile cannot slip in between. A change made on the user side signals at once; one
// from the network is coalesced (see `cZUNetDriverBase`). Signals are emitted with no lock held.

using tLinkCallback = std::function<void(sParameterLinkingCommand*)>;

/// Queues a link (or its removal) between a remote parameter and parameter 0 of `driver`, in both
/// directions. A removal carries no failure callback: undoing a link that is already gone must not
/// report the widget as broken.
void QueueDriverLink(const cNetObject& driver, const char* remoteName, UWORD remoteParameter, bool sync, bool remove,
    tLinkCallback callback);

/// On/off. Parameter 0 the value, parameter 1 a delta that is not handled.
class cZUNetBooleanSwitchDriver : public cZUNetDriverBase
{
    Q_OBJECT
public:
    cZUNetBooleanSwitchDriver(QObject* parent, const char* name);
    ~cZUNetBooleanSwitchDriver() override;

    bool Value() const;
    void SetValue(bool value);
    /// Stores a changed value and asks for a notification; sends nothing.
    void SetValueFromNetwork(bool value);
    void Link(const char* remoteName, UWORD remoteParameter, bool remove, tLinkCallback callback);
    void EntrypointMessage(cZUNetMessage& message) override;

Q_SIGNALS:
    void ValueChanged();

private:
    void EmitValueChanged() override;

    mutable std::mutex mValueMutex;
    bool mValue = false;
};

/// A meter level in dB, received only: a signed word in 1/256 dB relative to +18 dB.
class cZUNetMeterDriver : public cZUNetDriverBase
{
    Q_OBJECT
public:
    cZUNetMeterDriver(QObject* parent, const char* name);
    ~cZUNetMeterDriver() override;

    float Value() const;
    /// Stores and signals a changed level; never sends.
    void SetValue(float value);
    /// Stores a changed level and asks for a notification.
    void SetValueFromNetwork(float value);
    void Link(const char* remoteName, UWORD remoteParameter, bool remove, tLinkCallback callback);
    void EntrypointMessage(cZUNetMessage& message) override;

    static float LevelFromWire(SWORD value) { return float(value) * 0.00390625f + 18.0f; }

Q_SIGNALS:
    void ValueChanged();

private:
    bool Store(float value);
    void EmitValueChanged() override;

    mutable std::mutex mValueMutex;
    float mValue = 0.0f;
};

/// A text, sent as its bytes and a NUL. One that cannot fit a message is refused.
class cZUNetStringDriver : public cZUNetDriverBase
{
    Q_OBJECT
public:
    /// Characters a message can carry with the NUL.
    static constexpr std::size_t MAX_LENGTH = 0xFFFF - 1;

    cZUNetStringDriver(QObject* parent, const char* name);
    ~cZUNetStringDriver() override;

    std::string Value() const;
    void SetValue(const std::string& value);
    /// Sends even when the value is unchanged (then without a signal).
    void SetValueAndSendNetworkMessage(const std::string& value);
    void SetValueFromNetwork(const std::string& value);
    void EntrypointMessage(cZUNetMessage& message) override;

Q_SIGNALS:
    void ValueChanged(QString Value);

private:
    void EmitValueChanged() override;
    void Set(const std::string& value, bool sendUnchanged);
    bool Store(const std::string& value);

    mutable std::mutex mValueMutex;
    std::string mValue;
};

/// One byte.
class cZUNetUBYTEDriver : public cZUNetDriverBase
{
    Q_OBJECT
public:
    cZUNetUBYTEDriver(QObject* parent, const char* name);
    ~cZUNetUBYTEDriver() override;

    UBYTE Value() const;
    void SetValue(UBYTE value);
    void SetValueFromNetwork(UBYTE value);
    void EntrypointMessage(cZUNetMessage& message) override;

Q_SIGNALS:
    void ValueChanged(int Value);

private:
    void EmitValueChanged() override;

    mutable std::mutex mValueMutex;
    UBYTE mValue = 0;
};

/// One word; `NO_VALUE` until the unit has sent one.
class cZUNetUWORDDriver : public cZUNetDriverBase
{
    Q_OBJECT
public:
    static constexpr UWORD NO_VALUE = 0xFFFF;

    cZUNetUWORDDriver(QObject* parent, const char* name);
    ~cZUNetUWORDDriver() override;

    UWORD Value() const;
    /// False while the value is still `NO_VALUE`: a level must not be shown or written back then.
    bool HasValue() const { return Value() != NO_VALUE; }
    void SetValue(UWORD value);
    /// Sends even when the value is unchanged (then without a signal).
    void SetValueAndSendNetworkMessage(UWORD value);
    void SetValueFromNetwork(UWORD value);
    void EntrypointMessage(cZUNetMessage& message) override;

Q_SIGNALS:
    void ValueChanged();

private:
    void EmitValueChanged() override;
    void Set(UWORD value, bool sendUnchanged);
    bool Store(UWORD value);

    mutable std::mutex mValueMutex;
    UWORD mValue = NO_VALUE;
};

/// A byte string, sent as is; on receipt the message's whole data is taken. One that cannot fit
/// a message is refused.
class cZUNetVectorUBYTEDriver : public cZUNetDriverBase
{
    Q_OBJECT
public:
    static constexpr std::size_t MAX_LENGTH = 0xFFFF;

    cZUNetVectorUBYTEDriver(QObject* parent, const char* name);
    ~cZUNetVectorUBYTEDriver() override;

    std::vector<UBYTE> Value() const;
    void SetValue(const std::vector<UBYTE>& value);
    /// Sends even when the value is unchanged (then without a signal).
    void SetValueAndSendNetworkMessage(const std::vector<UBYTE>& value);
    /// Takes every data byte of the message.
    void SetValueFromNetwork(const cZUNetMessage& message);
    void EntrypointMessage(cZUNetMessage& message) override;

Q_SIGNALS:
    void ValueChanged();

private:
    void EmitValueChanged() override;
    void Set(const std::vector<UBYTE>& value, bool sendUnchanged);
    bool Store(const UBYTE* data, std::size_t length);

    mutable std::mutex mValueMutex;
    std::vector<UBYTE> mValue;
};
