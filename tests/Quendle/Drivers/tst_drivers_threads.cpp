// The user-interface thread sets values while the syscall thread delivers the unit's: run under
// ThreadSanitizer (label "threads").
#include "Quendle/Drivers/ValueDrivers.h"
#include "ZUNet/Core/PollLocker.h"
#include "ZUNet/Core/RegistryRouter.h"
#include "ZUNet/Core/Syscall.h"
#include "ZUNet/Core/SystemBuilder.h"
#include "ZUNet/QT/NetworkStack.h"

#include <QtTest>

#include <atomic>
#include <memory>
#include <string>
#include <thread>

class tst_DriversThreads : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void userSetsWhileTheUnitSends();
    void lastValueOfEveryBurstIsShown();
    void driversGoWhileTheUnitSends();
};

void tst_DriversThreads::userSetsWhileTheUnitSends()
{
    constexpr int kRounds = 2000;
    auto stack = std::make_unique<cNetworkStack>(cNetworkStack::SystemBuilder | cNetworkStack::SyscallThread);
    // The widgets' drivers, and in place of the unit's objects drivers that another thread sets.
    auto level = std::make_unique<cZUNetUWORDDriver>(nullptr, "level");
    auto text = std::make_unique<cZUNetStringDriver>(nullptr, "text");
    auto unitLevel = std::make_unique<cZUNetUWORDDriver>(nullptr, "unit level");
    auto unitText = std::make_unique<cZUNetStringDriver>(nullptr, "unit text");

    // What QML would see: the value read back in a slot queued to this thread.
    UWORD shownLevel = 0;
    QString shownText;
    connect(level.get(), &cZUNetUWORDDriver::ValueChanged, this, [&] { shownLevel = level->Value(); });
    connect(text.get(), &cZUNetStringDriver::ValueChanged, this,
        [&](const QString& value) { shownText = QString::fromStdString(text->Value()) + "|" + value; });

    stack->Start();
    QueueDriverLink(*level, "unit level", PARAMETER_BASE, false, false, nullptr);
    QueueDriverLink(*text, "unit text", PARAMETER_BASE, false, false, nullptr);
    // Linked both ways once each end informs the other (read under the poll lock, as dispatch writes).
    auto linked = [&] {
        cPollLocker locker;
        for (const cNetObject* object : { static_cast<cNetObject*>(level.get()), static_cast<cNetObject*>(text.get()),
                 static_cast<cNetObject*>(unitLevel.get()), static_cast<cNetObject*>(unitText.get()) }) {
            if (object->GetInformList(PARAMETER_BASE)->size() != 1)
                return false;
        }
        return true;
    };
    QTRY_VERIFY(linked());

    std::atomic<bool> go { false };
    std::thread unit([&] {
        while (!go.load())
            std::this_thread::yield();
        for (int i = 0; i < kRounds; ++i) {
            unitLevel->SetValue(UWORD(i));
            unitText->SetValueAndSendNetworkMessage("unit " + std::to_string(i % 50));
        }
    });
    go = true;
    for (int i = 0; i < kRounds; ++i) {
        level->SetValue(UWORD(30000 + i));
        text->SetValue("user " + std::to_string(i % 50));
        (void)level->Value();
        if (i % 100 == 0)
            QCoreApplication::processEvents();
    }
    unit.join();

    // The unit has the last word; both sides and the shown values settle on it.
    unitLevel->SetValue(50000);
    unitText->SetValue("last");
    QTRY_COMPARE(level->Value(), UWORD(50000));
    QTRY_COMPARE(shownLevel, UWORD(50000));
    QTRY_COMPARE(text->Value(), std::string("last"));
    QTRY_COMPARE(shownText, QString("last|last"));

    stack->Stop();
    level.reset();
    text.reset();
    unitLevel.reset();
    unitText.reset();
    stack.reset();
}

// The unit sends bursts of levels while this thread's event loop turns: however the deliveries
// fall between the changes, what the slot reads after each burst is the burst's last value.
void tst_DriversThreads::lastValueOfEveryBurstIsShown()
{
    constexpr int kBursts = 40;
    constexpr int kBurst = 250;
    auto stack = std::make_unique<cNetworkStack>(cNetworkStack::SystemBuilder | cNetworkStack::SyscallThread);
    auto level = std::make_unique<cZUNetUWORDDriver>(nullptr, "level");
    auto unitLevel = std::make_unique<cZUNetUWORDDriver>(nullptr, "unit level");
    UWORD shown = 0;
    int told = 0;
    connect(level.get(), &cZUNetUWORDDriver::ValueChanged, this, [&] {
        shown = level->Value();
        ++told;
    });
    stack->Start();
    QueueDriverLink(*level, "unit level", PARAMETER_BASE, false, false, nullptr);
    QTRY_VERIFY([&] {
        cPollLocker locker;
        return unitLevel->GetInformList(PARAMETER_BASE)->size() == 1;
    }());

    for (int burst = 0; burst < kBursts; ++burst) {
        std::atomic<bool> sent { false };
        std::thread unit([&] {
            for (int i = 0; i < kBurst; ++i)
                unitLevel->SetValue(UWORD(burst * kBurst + i));
            sent = true;
        });
        while (!sent.load())
            QCoreApplication::processEvents();
        unit.join();
        QTRY_COMPARE(shown, UWORD(burst * kBurst + kBurst - 1));
    }
    qInfo("%d changes, told %d times", kBursts * kBurst, told);
    QVERIFY(told <= kBursts * kBurst);

    stack->Stop();
    level.reset();
    unitLevel.reset();
    stack.reset();
}

void tst_DriversThreads::driversGoWhileTheUnitSends()
{
    auto stack = std::make_unique<cNetworkStack>(cNetworkStack::SystemBuilder | cNetworkStack::SyscallThread);
    stack->Start();
    std::atomic<UWORD> target { ZUNET_NO_HANDLE };
    std::atomic<bool> stop { false };
    std::atomic<int> posted { 0 };
    // Values keep arriving for whatever driver holds the handle, as a unit's do while a layout
    // is torn down.
    std::thread unit([&] {
        cZUNetMessage message(2);
        message.SetDataBufferUWORD(0x1234, 0);
        while (!stop.load()) {
            message.SetAddress(ZUNET_LOCAL_CONNECTION, target.load(), 1, PARAMETER_BASE);
            gRegistryRouter->PostLocalMessage(message);
            ++posted;
            if (posted.load() % 64 == 0)
                std::this_thread::yield();
        }
    });
    for (int i = 0; i < 300; ++i) {
        std::unique_ptr<cZUNetDriverBase> driver;
        if (i % 3 == 0)
            driver = std::make_unique<cZUNetUWORDDriver>(nullptr, "fader");
        else if (i % 3 == 1)
            driver = std::make_unique<cZUNetStringDriver>(nullptr, "text");
        else
            driver = std::make_unique<cZUNetVectorUBYTEDriver>(nullptr, "midi");
        target = driver->GetHandle();
        const int before = posted.load();
        while (posted.load() < before + 20)
            std::this_thread::yield();
        driver.reset();
    }
    stop = true;
    unit.join();
    stack->Stop();
    stack.reset();
}

QTEST_GUILESS_MAIN(tst_DriversThreads)
#include "tst_drivers_threads.moc"
