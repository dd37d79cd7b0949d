#pragma once

#include "ZUNet/Core/NetObject.h"

#include <atomic>
#include <functional>

/// A net object holding one 16-bit value per parameter, as a driver does: a value set here or
/// received from a linked object is stored and passed on to the other linked objects; a Sync link
/// gets the current value at once. It unregisters itself.
class cValueObject : public cNetObject
{
public:
    explicit cValueObject(const char* name, UWORD numberOfParameters = 1);
    ~cValueObject() override;

    /// Stores the value and sends it to the parameter's inform list. Callers off the syscall
    /// thread hold the poll lock.
    void SetValue(UWORD value, UWORD parameter = 0);
    UWORD Value(UWORD parameter = 0) const { return mValues[parameter].load(); }
    int Updates() const { return mUpdates.load(); }

    void EntrypointMessage(cZUNetMessage& message) override;
    void UpdateNewObject(UWORD connectionId, UWORD handle, UWORD destinationMethod, UWORD sourceMethod) override;

    /// Called on the syscall thread after a value arrived from a linked object.
    std::function<void(UWORD value)> mOnValue;

private:
    cZUNetMessage mValueMessage;
    std::atomic<UWORD> mValues[8] = {};
    std::atomic<int> mUpdates { 0 };
};
