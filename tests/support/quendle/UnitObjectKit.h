#pragma once

// What the tests of widgets bound to unit objects share: waiting for the system builder to settle,
// counting a unit object's links, and a unit object that answers no Sync link.

#include "ZUNet/Core/NetObject.h"
#include "ZUNet/Core/Syscall.h"
#include "ZUNet/Core/SystemBuilder.h"
#include "tests/support/ValueObject.h"

#include <QCoreApplication>
#include <QtTest>

namespace WidgetTest
{

/// A unit object that gives a Sync link nothing: the driver keeps "no value yet".
class cSilentObject : public cValueObject
{
public:
    using cValueObject::cValueObject;
    void UpdateNewObject(UWORD, UWORD, UWORD, UWORD) override { }
};

/// Waits until the system builder has made every link asked for and the messages it sent were handled.
inline void WaitForBuilder()
{
    QTRY_VERIFY_WITH_TIMEOUT(
        !gSystemBuilder->IsBusy() && gSystemBuilder->GetQueued() == 0 && SyscallGetNumberOfMessagesInBuffer() == 0,
        10000);
    QCoreApplication::processEvents();
}

/// How many objects the parameter informs, read under the poll lock.
inline UWORD InformCount(const cNetObject& object, UWORD parameter = 0)
{
    SyscallMessagesPollLock();
    const UWORD count = object.GetNumberOfInformListItems(UWORD(PARAMETER_BASE + parameter));
    SyscallMessagesPollUnLock();
    return count;
}

} // namespace WidgetTest
