// An audio driver of the runner linked by path, through the system builder, to the audio object of
// a controller on the unit program, over a real connection.
#include "ZUNet/Core/AudioDrivers.h"
#include "ZUNet/Core/SystemBuilder.h"
#include "ZUNet/QT/NetworkStack.h"
#include "ZUNet/QT/TestSettings.h"
#include "tests/support/NetTestHelpers.h"
#include "tests/support/TestNetwork.h"
#include "tests/support/UnitProcess.h"

#include <QtTest>

#include <memory>

namespace
{

const QString kUnitAddress = QStringLiteral("10.77.0.2");

/// A fader of the runner: shows what the unit's controller sends.
class cRunnerFader : public cContinuousControllerDriver
{
public:
    using cContinuousControllerDriver::cContinuousControllerDriver;
    bool ReadControllerTouched() override { return false; }
    UWORD ReadControllerValue() override { return mValue; }
    void WriteControllerValue(UWORD value) override
    {
        mValue = ClampValue(value);
        ++mWrites;
    }

    UWORD mValue = 0;
    int mWrites = 0;
};

} // namespace

class tst_AudioDriversEndToEnd : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void unitControllerReachesRunnerDriver();
};

void tst_AudioDriversEndToEnd::initTestCase()
{
    ZU_REQUIRE_PRIVATE_TEST_NETWORK();
}

void tst_AudioDriversEndToEnd::unitControllerReachesRunnerDriver()
{
    ZUNetTestSettings::SetLostCommsPeriod(100);
    // Dispatch runs on the test's thread.
    auto stack = std::make_unique<cNetworkStack>(cNetworkStack::SystemBuilder);
    cUnitProcess unit;
    QVERIFY(unit.Start({ "--listen", kUnitAddress, "--audio" }));
    QVERIFY(unit.Command("controller 700"));

    {
        cRunnerFader fader("RunnerFader");
        const QByteArray controllerPath = (kUnitAddress + "/Controller").toUtf8();
        fader.LinkRange(controllerPath.constData(), M_CONTINUOUS_CONTROLLER_RANGE, 0);
        fader.Link(controllerPath.constData(), M_CONTINUOUS_CONTROLLER_VALUE, 0, false);
        // Sync: the unit sends its range and its current value at once.
        QVERIFY(DispatchUntil([&] { return gSystemBuilder->GetMade() == 2 && !gSystemBuilder->IsBusy(); }));
        QVERIFY(DispatchUntil([&] { return fader.mValue == 700; }));
        QCOMPARE(fader.GetControllerRangeUpper(), UWORD(0xFFFF));

        // The control on the unit moves: its next tick sends the value over the connection.
        QVERIFY(unit.Command("controller 1234"));
        QVERIFY(DispatchUntil([&] { return fader.mValue == 1234; }));

        // A new range with a value: both reach the runner's driver.
        QVERIFY(unit.Command("controller-range 100 2000 1500"));
        QVERIFY(DispatchUntil([&] { return fader.mValue == 1500; }));
        QCOMPARE(fader.GetControllerRangeLower(), UWORD(100));
        QCOMPARE(fader.GetControllerRangeUpper(), UWORD(2000));

        // Out of the new range: clamped on the unit before it is sent.
        QVERIFY(unit.Command("controller-range 100 2000 5000"));
        QVERIFY(DispatchUntil([&] { return fader.mValue == 2000; }));
    }
    QVERIFY(unit.Stop());
    stack->Stop();
    stack.reset();
    ZUNetTestSettings::Reset();
}

QTEST_GUILESS_MAIN(tst_AudioDriversEndToEnd)
#include "tst_audiodrivers_endtoend.moc"
