#pragma once

#include "Quendle/Runner/ConfigConnectionInterface.h"
#include "tests/support/quendle/TestConfig.h"

/// The application as the runner's configuration sees it: the primary unit for both of its faces,
/// no unit finder (dotted addresses only) and the desktop's device type.
class cRunnerTestApplication : public cTestApplication, public cConnectionInterfaceApplication
{
public:
    cConnectionUnit* PrimaryConnectionUnit() const override { return mPrimary; }
    cMultiUnitFinder* MultiUnitFinder() const override { return nullptr; }
    UBYTE DeviceType() const override { return 0; }
    void AuthenticatePrimaryUnit() override { ++mAuthenticateCalls; }
    QObject* ApplicationObject() override { return this; }

    int mAuthenticateCalls = 0;
};
