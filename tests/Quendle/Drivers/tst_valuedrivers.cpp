#include "Quendle/Drivers/ValueDrivers.h"
#include "ZUNet/Core/RegistryRouter.h"
#include "ZUNet/Core/Syscall.h"
#include "ZUNet/Core/SystemBuilder.h"
#include "ZUNet/QT/NetworkStack.h"
#include "tests/support/HexData.h"
#include "tests/support/MessageData.h"
#include "tests/support/ProbeObject.h"
#include "tests/support/TraceCapture.h"
#include "tests/support/ValueObject.h"

#include <QtTest>

#include <functional>
#include <memory>
#include <thread>

namespace
{

using tAction = std::function<void(cZUNetDriverBase*)>;

/// A driver of the named kind: "switch", "meter", "string", "ubyte", "uword" or "vector".
std::unique_ptr<cZUNetDriverBase> MakeDriver(const QString& kind, const char* name)
{
    if (kind == "switch")
        return std::make_unique<cZUNetBooleanSwitchDriver>(nullptr, name);
    if (kind == "meter")
        return std::make_unique<cZUNetMeterDriver>(nullptr, name);
    if (kind == "string")
        return std::make_unique<cZUNetStringDriver>(nullptr, name);
    if (kind == "ubyte")
        return std::make_unique<cZUNetUBYTEDriver>(nullptr, name);
    if (kind == "uword")
        return std::make_unique<cZUNetUWORDDriver>(nullptr, name);
    return std::make_unique<cZUNetVectorUBYTEDriver>(nullptr, name);
}

/// The driver's value as text, whatever its kind.
QString ValueText(cZUNetDriverBase* driver)
{
    if (auto* d = qobject_cast<cZUNetBooleanSwitchDriver*>(driver))
        return d->Value() ? "true" : "false";
    if (auto* d = qobject_cast<cZUNetMeterDriver*>(driver))
        return QString::number(double(d->Value()));
    if (auto* d = qobject_cast<cZUNetStringDriver*>(driver))
        return QString::fromStdString(d->Value());
    if (auto* d = qobject_cast<cZUNetUBYTEDriver*>(driver))
        return QString::number(d->Value());
    if (auto* d = qobject_cast<cZUNetUWORDDriver*>(driver))
        return QString::number(d->Value());
    const std::vector<UBYTE> bytes = qobject_cast<cZUNetVectorUBYTEDriver*>(driver)->Value();
    return ToHex(QByteArray(reinterpret_cast<const char*>(bytes.data()), int(bytes.size())));
}

/// Watches the driver's one `ValueChanged` signal, whatever its arguments.
std::unique_ptr<QSignalSpy> SpyOnValueChanged(cZUNetDriverBase* driver)
{
    const QMetaObject* meta = driver->metaObject();
    for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
        const QMetaMethod method = meta->method(i);
        if (method.methodType() == QMetaMethod::Signal && method.name() == "ValueChanged")
            return std::make_unique<QSignalSpy>(driver, ("2" + method.methodSignature()).constData());
    }
    return nullptr;
}

tAction SetSwitch(bool v)
{
    return [v](cZUNetDriverBase* d) { static_cast<cZUNetBooleanSwitchDriver*>(d)->SetValue(v); };
}
tAction SetByte(UBYTE v)
{
    return [v](cZUNetDriverBase* d) { static_cast<cZUNetUBYTEDriver*>(d)->SetValue(v); };
}
tAction SetWord(UWORD v, bool always = false)
{
    return [v, always](cZUNetDriverBase* d) {
        auto* driver = static_cast<cZUNetUWORDDriver*>(d);
        always ? driver->SetValueAndSendNetworkMessage(v) : driver->SetValue(v);
    };
}
tAction SetString(const std::string& v, bool always = false)
{
    return [v, always](cZUNetDriverBase* d) {
        auto* driver = static_cast<cZUNetStringDriver*>(d);
        always ? driver->SetValueAndSendNetworkMessage(v) : driver->SetValue(v);
    };
}
tAction SetBytes(const std::vector<UBYTE>& v, bool always = false)
{
    return [v, always](cZUNetDriverBase* d) {
        auto* driver = static_cast<cZUNetVectorUBYTEDriver*>(d);
        always ? driver->SetValueAndSendNetworkMessage(v) : driver->SetValue(v);
    };
}
tAction SetLevel(float v)
{
    return [v](cZUNetDriverBase* d) { static_cast<cZUNetMeterDriver*>(d)->SetValue(v); };
}

} // namespace

Q_DECLARE_METATYPE(tAction)

class tst_ValueDrivers : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void sentBytes_data();
    void sentBytes();
    void changeRule_data();
    void changeRule();
    void receivedValues_data();
    void receivedValues();
    void burstFromTheNetworkIsToldOnceWithItsLastValue_data();
    void burstFromTheNetworkIsToldOnceWithItsLastValue();
    void driverThatGoesWhileNotifiedIsToldNothing();
    void listenerIsToldOfEveryChangeBeforeTheSignal_data();
    void listenerIsToldOfEveryChangeBeforeTheSignal();
    void switchDeltaIsNotHandled();
    void wordHasNoValueUntilTheUnitSends();
    void equalValueGoesOnButNotBackToItsSender();
    void linkMakesBothDirectionsAndRemoveUndoesThem_data();
    void linkMakesBothDirectionsAndRemoveUndoesThem();
    void onlyAddingALinkReportsFailure();
    void namesStayUniqueWhenWidgetIdsRepeat();
    void registrationFailureIsReported();
    void valuesThatDoNotFitAMessageAreRefused_data();
    void valuesThatDoNotFitAMessageAreRefused();
    void setAndSendAreOneStep();
    void slotReadingTheValueDoesNotBlock();

private:
    /// Dispatches what the router holds, then delivers the drivers' notifications, as the next turn
    /// of the event loop would.
    int Drain()
    {
        const int dispatched = gRegistryRouter->SyscallPollAtMost(100000);
        QCoreApplication::sendPostedEvents();
        return dispatched;
    }
    bool DrainUntilBuilderIdle();
    /// A probe that every send of `driver` reaches (a one-way local link).
    std::unique_ptr<cProbeObject> Listen(cNetObject& driver);
    /// Sends `data` to the driver's parameter 0 from `from` and dispatches it.
    void Deliver(cNetObject& driver, const QByteArray& data, const cNetObject& from, UWORD method = PARAMETER_BASE);

    std::unique_ptr<cNetworkStack> mStack;
};

void tst_ValueDrivers::init()
{
    mStack = std::make_unique<cNetworkStack>(cNetworkStack::SystemBuilder);
}

void tst_ValueDrivers::cleanup()
{
    mStack->Stop();
    mStack.reset();
}

bool tst_ValueDrivers::DrainUntilBuilderIdle()
{
    for (int i = 0; i < 1000; ++i) {
        Drain();
        if (!gSystemBuilder->IsBusy() && gRegistryRouter->GetNumberOfMessagesInBuffer() == 0)
            return true;
    }
    return false;
}

std::unique_ptr<cProbeObject> tst_ValueDrivers::Listen(cNetObject& driver)
{
    auto probe = std::make_unique<cProbeObject>(
        QByteArray("listener of ").append(driver.GetName()).left(ZUNET_MAX_NAME_LENGTH).constData(), 1);
    sParameterLinkingCommand command;
    [&] {
        QVERIFY(command.SetSourcePath(driver.GetName()));
        QVERIFY(command.SetDestinationPath(probe->GetName()));
    }();
    command.mSourceParam = PARAMETER_BASE;
    command.mDestParam = PARAMETER_BASE;
    SyscallMessagesPollLock();
    gSystemBuilder->AddLinkCommandToList(command, false);
    SyscallMessagesPollUnLock();
    DrainUntilBuilderIdle();
    probe->mReceived.clear();
    return probe;
}

void tst_ValueDrivers::Deliver(cNetObject& driver, const QByteArray& data, const cNetObject& from, UWORD method)
{
    cZUNetMessage message = MessageWithData(ZUNET_LOCAL_CONNECTION, driver.GetHandle(), from.GetHandle(), method, data);
    SyscallSendMessage(message);
    Drain();
}

void tst_ValueDrivers::sentBytes_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<tAction>("action");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("switch on") << "switch" << SetSwitch(true) << HexBytes("01");
    QTest::newRow("byte 7") << "ubyte" << SetByte(7) << HexBytes("07");
    QTest::newRow("byte 255") << "ubyte" << SetByte(255) << HexBytes("ff");
    QTest::newRow("word 0x1234") << "uword" << SetWord(0x1234) << HexBytes("12 34");
    QTest::newRow("word 0") << "uword" << SetWord(0) << HexBytes("00 00");
    QTest::newRow("word 0xFFFF, sent anyway") << "uword" << SetWord(0xFFFF, true) << HexBytes("ff ff");
    QTest::newRow("string abc") << "string" << SetString("abc") << HexBytes("61 62 63 00");
    QTest::newRow("empty string, sent anyway") << "string" << SetString("", true) << HexBytes("00");
    QTest::newRow("vector") << "vector" << SetBytes({ 1, 0, 0xFF }) << HexBytes("01 00 ff");
    QTest::newRow("empty vector, sent anyway") << "vector" << SetBytes({}, true) << QByteArray();
}

void tst_ValueDrivers::sentBytes()
{
    QFETCH(QString, kind);
    QFETCH(tAction, action);
    QFETCH(QByteArray, bytes);
    auto driver = MakeDriver(kind, "driver");
    auto probe = Listen(*driver);
    action(driver.get());
    Drain();
    QCOMPARE(probe->mReceived.size(), 1);
    const cZUNetMessage& sent = probe->mReceived.first();
    QCOMPARE(sent.mMethod, PARAMETER_BASE);
    QCOMPARE(sent.mSource, driver->GetHandle());
    QCOMPARE(sent.mConnectionId, ZUNET_LOCAL_CONNECTION);
    QCOMPARE(ToHex(MessageData(sent)), ToHex(bytes));
}

void tst_ValueDrivers::changeRule_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<tAction>("change");
    QTest::addColumn<tAction>("again");
    QTest::addColumn<tAction>("againAndSend"); // null where the driver has no such call
    QTest::addColumn<bool>("sends");
    QTest::newRow("switch") << "switch" << SetSwitch(true) << SetSwitch(true) << tAction() << true;
    QTest::newRow("switch back off") << "switch" << SetSwitch(false) << SetSwitch(false) << tAction() << true;
    QTest::newRow("byte") << "ubyte" << SetByte(9) << SetByte(9) << tAction() << true;
    QTest::newRow("word") << "uword" << SetWord(5) << SetWord(5) << SetWord(5, true) << true;
    QTest::newRow("string") << "string" << SetString("x") << SetString("x") << SetString("x", true) << true;
    QTest::newRow("vector") << "vector" << SetBytes({ 4 }) << SetBytes({ 4 }) << SetBytes({ 4 }, true) << true;
    QTest::newRow("meter, never sends") << "meter" << SetLevel(-3.5f) << SetLevel(-3.5f) << tAction() << false;
}

void tst_ValueDrivers::changeRule()
{
    QFETCH(QString, kind);
    QFETCH(tAction, change);
    QFETCH(tAction, again);
    QFETCH(tAction, againAndSend);
    QFETCH(bool, sends);
    auto driver = MakeDriver(kind, "driver");
    auto probe = Listen(*driver);
    auto spy = SpyOnValueChanged(driver.get());
    QVERIFY(spy);

    change(driver.get());
    Drain();
    const int changedSignals = spy->count();
    const int changedMessages = probe->mReceived.size();
    // "switch back off" starts from the initial value: nothing changes at all.
    QCOMPARE(changedSignals, QString(QTest::currentDataTag()) == "switch back off" ? 0 : 1);
    QCOMPARE(changedMessages, sends ? changedSignals : 0);

    again(driver.get());
    Drain();
    QCOMPARE(spy->count(), changedSignals);
    QCOMPARE(probe->mReceived.size(), changedMessages);

    if (againAndSend) {
        againAndSend(driver.get());
        Drain();
        QCOMPARE(spy->count(), changedSignals);
        QCOMPARE(probe->mReceived.size(), changedMessages + 1);
    }
}

void tst_ValueDrivers::receivedValues_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("signals");
    QTest::addColumn<bool>("passedOn");
    QTest::newRow("switch 01") << "switch" << HexBytes("01") << "true" << 1 << true;
    QTest::newRow("switch 02 is on") << "switch" << HexBytes("02") << "true" << 1 << true;
    QTest::newRow("switch 00, as it was") << "switch" << HexBytes("00") << "false" << 0 << true;
    QTest::newRow("switch, extra bytes") << "switch" << HexBytes("01 ff") << "true" << 1 << true;
    QTest::newRow("switch, short") << "switch" << QByteArray() << "false" << 0 << false;
    QTest::newRow("meter 0 is +18 dB") << "meter" << HexBytes("00 00") << "18" << 1 << true;
    QTest::newRow("meter EE00 is 0 dB, as it was") << "meter" << HexBytes("ee 00") << "0" << 0 << true;
    QTest::newRow("meter -32768 is -110 dB") << "meter" << HexBytes("80 00") << "-110" << 1 << true;
    QTest::newRow("meter top") << "meter" << HexBytes("7f ff") << "145.996" << 1 << true;
    QTest::newRow("meter, short") << "meter" << HexBytes("12") << "0" << 0 << false;
    QTest::newRow("byte") << "ubyte" << HexBytes("07") << "7" << 1 << true;
    QTest::newRow("byte, short") << "ubyte" << QByteArray() << "0" << 0 << false;
    QTest::newRow("word") << "uword" << HexBytes("12 34") << "4660" << 1 << true;
    QTest::newRow("word 0") << "uword" << HexBytes("00 00") << "0" << 1 << true;
    QTest::newRow("word, short") << "uword" << HexBytes("12") << "65535" << 0 << false;
    QTest::newRow("string") << "string" << HexBytes("61 62 63 00") << "abc" << 1 << true;
    QTest::newRow("string, bytes after the NUL") << "string" << HexBytes("61 00 62 63") << "a" << 1 << true;
    QTest::newRow("string without NUL") << "string" << HexBytes("61 62") << "ab" << 1 << true;
    QTest::newRow("string, empty data") << "string" << QByteArray() << "" << 0 << true;
    QTest::newRow("vector") << "vector" << HexBytes("01 02 03") << "01 02 03" << 1 << true;
    QTest::newRow("vector, empty") << "vector" << QByteArray() << "" << 0 << true;
}

void tst_ValueDrivers::receivedValues()
{
    QFETCH(QString, kind);
    QFETCH(QByteArray, data);
    QFETCH(QString, value);
    QFETCH(int, signals);
    QFETCH(bool, passedOn);
    auto driver = MakeDriver(kind, "driver");
    auto probe = Listen(*driver);
    auto spy = SpyOnValueChanged(driver.get());
    cProbeObject unit("unit object");
    cTraceCapture trace;

    Deliver(*driver, data, unit);
    QCOMPARE(ValueText(driver.get()), value);
    QCOMPARE(spy->count(), signals);
    QCOMPARE(probe->mReceived.size(), passedOn ? 1 : 0);
    if (passedOn)
        QCOMPARE(ToHex(MessageData(probe->mReceived.first())), ToHex(data));
    else
        QCOMPARE(trace.CountContaining("ERROR: Message too short, dropped: Method: 4096"), 1);
}

void tst_ValueDrivers::burstFromTheNetworkIsToldOnceWithItsLastValue_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QList<QByteArray>>("burst"); // parameter data, one message each
    QTest::addColumn<QString>("last");
    QList<QByteArray> words;
    QList<QByteArray> bytes;
    QList<QByteArray> texts;
    QList<QByteArray> levels;
    for (int i = 1; i <= 200; ++i) {
        words << HexBytes(QString("%1 %2").arg(i >> 8, 2, 16, QChar('0')).arg(i & 0xFF, 2, 16, QChar('0')));
        bytes << QByteArray(1, char(i));
        texts << QByteArray("text ").append(QByteArray::number(i)).append('\0');
        levels << HexBytes(QString("ff %1").arg(i, 2, 16, QChar('0')));
    }
    QTest::newRow("word") << "uword" << words << "200";
    QTest::newRow("byte") << "ubyte" << bytes << "200";
    QTest::newRow("string") << "string" << texts << "text 200";
    QTest::newRow("meter") << "meter" << levels
                           << QString::number(double(cZUNetMeterDriver::LevelFromWire(-256 + 200)));
    QTest::newRow("vector") << "vector" << words << "00 C8";
    QTest::newRow("switch, off and on, ending on")
        << "switch" << QList<QByteArray> { HexBytes("00"), HexBytes("01"), HexBytes("00"), HexBytes("01") } << "true";
}

void tst_ValueDrivers::burstFromTheNetworkIsToldOnceWithItsLastValue()
{
    QFETCH(QString, kind);
    QFETCH(QList<QByteArray>, burst);
    QFETCH(QString, last);
    auto driver = MakeDriver(kind, "driver");
    auto spy = SpyOnValueChanged(driver.get());
    cProbeObject unit("unit object");
    auto send = [&](const QByteArray& data) {
        cZUNetMessage message
            = MessageWithData(ZUNET_LOCAL_CONNECTION, driver->GetHandle(), unit.GetHandle(), PARAMETER_BASE, data);
        SyscallSendMessage(message);
    };

    for (const QByteArray& data : burst)
        send(data);
    gRegistryRouter->SyscallPollAtMost(100000);
    // Every value is stored as it comes; the user side is told in the next turn, once.
    QCOMPARE(ValueText(driver.get()), last);
    QCOMPARE(spy->count(), 0);
    QCoreApplication::sendPostedEvents();
    QCOMPARE(spy->count(), 1);
    if (!spy->first().isEmpty())
        QCOMPARE(spy->first().first().toString(), last);
    QCoreApplication::sendPostedEvents();
    QCOMPARE(spy->count(), 1);

    // A change after the delivery is told in a turn of its own.
    send(burst.first());
    Drain();
    QCOMPARE(spy->count(), 2);
}

void tst_ValueDrivers::driverThatGoesWhileNotifiedIsToldNothing()
{
    auto first = std::make_unique<cZUNetUWORDDriver>(nullptr, "first");
    auto second = std::make_unique<cZUNetUWORDDriver>(nullptr, "second");
    auto third = std::make_unique<cZUNetUWORDDriver>(nullptr, "third");
    int secondTold = 0;
    int thirdTold = 0;
    // The first one's slot takes the second away in the middle of the turn that tells both.
    connect(first.get(), &cZUNetUWORDDriver::ValueChanged, this, [&] { second.reset(); });
    connect(second.get(), &cZUNetUWORDDriver::ValueChanged, this, [&] { ++secondTold; });
    connect(third.get(), &cZUNetUWORDDriver::ValueChanged, this, [&] { ++thirdTold; });
    first->SetValueFromNetwork(1);
    second->SetValueFromNetwork(2);
    third->SetValueFromNetwork(3);
    third.reset();
    QCoreApplication::sendPostedEvents();
    QVERIFY(!second);
    QCOMPARE(secondTold, 0);
    QCOMPARE(thirdTold, 0);
    QCOMPARE(first->Value(), UWORD(1));
}

void tst_ValueDrivers::listenerIsToldOfEveryChangeBeforeTheSignal_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<tAction>("set"); // a change on the user side
    QTest::addColumn<QString>("setText");
    QTest::addColumn<QByteArray>("received"); // then one from the network
    QTest::addColumn<QString>("receivedText");
    QTest::newRow("switch") << "switch" << SetSwitch(true) << "true" << HexBytes("00") << "false";
    QTest::newRow("meter") << "meter" << SetLevel(-3.5f) << "-3.5" << HexBytes("ff 10")
                           << QString::number(double(cZUNetMeterDriver::LevelFromWire(-256 + 16)));
    QTest::newRow("string") << "string" << SetString("abc") << "abc" << QByteArray("xy", 3) << "xy";
    QTest::newRow("ubyte") << "ubyte" << SetByte(7) << "7" << HexBytes("09") << "9";
    QTest::newRow("uword") << "uword" << SetWord(300) << "300" << HexBytes("01 02") << "258";
    QTest::newRow("vector") << "vector" << SetBytes({ 1, 2 }) << "01 02" << HexBytes("0a 0b") << "0A 0B";
}

// The owner's listener stands in for a connection to the signal: told of each change, on either
// side, with the value already held, before anything connected to the signal.
void tst_ValueDrivers::listenerIsToldOfEveryChangeBeforeTheSignal()
{
    QFETCH(QString, kind);
    QFETCH(tAction, set);
    QFETCH(QString, setText);
    QFETCH(QByteArray, received);
    QFETCH(QString, receivedText);

    struct sListener : cDriverListener {
        QSignalSpy* mSpy = nullptr;
        QStringList mTold; // the value and how many signals had gone out then
        void DriverChanged(cZUNetDriverBase& driver) override
        {
            mTold << ValueText(&driver) + " after " + QString::number(mSpy->count());
        }
    };
    auto driver = MakeDriver(kind, "driver");
    auto spy = SpyOnValueChanged(driver.get());
    sListener listener;
    listener.mSpy = spy.get();
    driver->SetListener(&listener);
    cProbeObject unit("unit object");

    set(driver.get());
    Deliver(*driver, received, unit);
    Deliver(*driver, received, unit); // unchanged: nothing to tell
    QCOMPARE(listener.mTold, QStringList({ setText + " after 0", receivedText + " after 1" }));
    QCOMPARE(spy->count(), 2);

    driver->SetListener(nullptr);
    set(driver.get());
    QCOMPARE(listener.mTold.size(), 2);
    QCOMPARE(spy->count(), 3);
}

void tst_ValueDrivers::switchDeltaIsNotHandled()
{
    cZUNetBooleanSwitchDriver driver(nullptr, "switch");
    auto probe = Listen(driver);
    cProbeObject unit("unit object");
    QSignalSpy changed(&driver, &cZUNetBooleanSwitchDriver::ValueChanged);
    cTraceCapture trace;
    Deliver(driver, HexBytes("01"), unit, PARAMETER_BASE + 1);
    QCOMPARE(trace.Count("ERROR: M_SWITCH_DELTA not handled"), 1);
    QCOMPARE(driver.Value(), false);
    QCOMPARE(changed.count(), 0);
    QCOMPARE(probe->mReceived.size(), 0);
}

void tst_ValueDrivers::wordHasNoValueUntilTheUnitSends()
{
    cZUNetUWORDDriver driver(nullptr, "level");
    QCOMPARE(driver.Value(), cZUNetUWORDDriver::NO_VALUE);
    QVERIFY(!driver.HasValue());
    cValueObject unit("unit level");
    unit.SetValue(32768);
    QueueDriverLink(driver, "unit level", PARAMETER_BASE, true, false, nullptr);
    QVERIFY(DrainUntilBuilderIdle());
    QCOMPARE(driver.Value(), UWORD(32768));
    QVERIFY(driver.HasValue());
}

void tst_ValueDrivers::equalValueGoesOnButNotBackToItsSender()
{
    cZUNetUWORDDriver driver(nullptr, "level");
    cValueObject unit("unit level");
    unit.SetValue(100);
    QueueDriverLink(driver, "unit level", PARAMETER_BASE, true, false, nullptr);
    QVERIFY(DrainUntilBuilderIdle());
    auto listener = Listen(driver);
    QSignalSpy changed(&driver, &cZUNetUWORDDriver::ValueChanged);

    // The unit says its value again: no signal, still passed on, never back to the unit.
    SyscallMessagesPollLock();
    unit.SetValue(100);
    SyscallMessagesPollUnLock();
    Drain();
    QCOMPARE(changed.count(), 0);
    QCOMPARE(listener->mReceived.size(), 1);
    QCOMPARE(unit.Updates(), 0);

    // A new value from the unit: one signal, passed on, still not back.
    SyscallMessagesPollLock();
    unit.SetValue(200);
    SyscallMessagesPollUnLock();
    Drain();
    QCOMPARE(changed.count(), 1);
    QCOMPARE(driver.Value(), UWORD(200));
    QCOMPARE(listener->mReceived.size(), 2);
    QCOMPARE(unit.Updates(), 0);

    // A value set here reaches both.
    driver.SetValue(300);
    Drain();
    QCOMPARE(unit.Value(), UWORD(300));
    QCOMPARE(unit.Updates(), 1);
    QCOMPARE(listener->mReceived.size(), 3);
}

void tst_ValueDrivers::linkMakesBothDirectionsAndRemoveUndoesThem_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("sync");
    QTest::newRow("switch, synced") << "switch" << true;
    QTest::newRow("meter, not synced") << "meter" << false;
}

void tst_ValueDrivers::linkMakesBothDirectionsAndRemoveUndoesThem()
{
    QFETCH(QString, kind);
    QFETCH(bool, sync);
    auto driver = MakeDriver(kind, "driver");
    cValueObject unit("unit object", 3);
    unit.SetValue(0x0100, 2); // parameter 2: on for the switch, +19 dB for the meter
    auto link = [&](bool remove) {
        if (auto* d = qobject_cast<cZUNetBooleanSwitchDriver*>(driver.get()))
            d->Link("unit object", PARAMETER_BASE + 2, remove, nullptr);
        else
            qobject_cast<cZUNetMeterDriver*>(driver.get())->Link("unit object", PARAMETER_BASE + 2, remove, nullptr);
    };
    link(false);
    QVERIFY(DrainUntilBuilderIdle());

    // Unit to driver, and the mirror from driver to unit.
    const std::vector<sInformListItem>* toDriver = unit.GetInformList(PARAMETER_BASE + 2);
    QCOMPARE(int(toDriver->size()), 1);
    QCOMPARE(toDriver->front().mHandle, driver->GetHandle());
    QCOMPARE(toDriver->front().mMethod, PARAMETER_BASE);
    const std::vector<sInformListItem>* toUnit = driver->GetInformList(PARAMETER_BASE);
    QCOMPARE(int(toUnit->size()), 1);
    QCOMPARE(toUnit->front().mHandle, unit.GetHandle());
    QCOMPARE(toUnit->front().mMethod, UWORD(PARAMETER_BASE + 2));
    // Only the switch asks for the unit's value at once.
    QCOMPARE(ValueText(driver.get()), sync ? QString("true") : QString("0"));

    link(true);
    QVERIFY(DrainUntilBuilderIdle());
    QCOMPARE(int(unit.GetInformList(PARAMETER_BASE + 2)->size()), 0);
    QCOMPARE(int(driver->GetInformList(PARAMETER_BASE)->size()), 0);
}

void tst_ValueDrivers::onlyAddingALinkReportsFailure()
{
    cZUNetBooleanSwitchDriver driver(nullptr, "switch");
    int failures = 0;
    auto callback = [&failures](sParameterLinkingCommand*) { ++failures; };
    cTraceCapture trace;
    driver.Link("no such object", PARAMETER_BASE, true, callback);
    QVERIFY(DrainUntilBuilderIdle());
    QCOMPARE(failures, 0);
    driver.Link("no such object", PARAMETER_BASE, false, callback);
    QVERIFY(DrainUntilBuilderIdle());
    QCOMPARE(failures, 1);
}

void tst_ValueDrivers::namesStayUniqueWhenWidgetIdsRepeat()
{
    cTraceCapture trace;
    cZUNetUWORDDriver first(nullptr, "zunet_fader5");
    cZUNetUWORDDriver second(nullptr, "zunet_fader5");
    cZUNetUWORDDriver third(nullptr, "zunet_fader5");
    QCOMPARE(QString(first.GetName()), "zunet_fader5");
    QCOMPARE(QString(second.GetName()), "zunet_fader5~2");
    QCOMPARE(QString(third.GetName()), "zunet_fader5~3");
    QCOMPARE(second.RequestedName(), std::string("zunet_fader5"));
    QVERIFY(!second.RegistrationFailed());
    QCOMPARE(
        trace.Count("Notification: Net object name \"zunet_fader5\" is in use, registering \"zunet_fader5~2\""), 1);

    // Each drives its own parameter: a link made by the second's name leaves the first alone.
    cValueObject channel2("channel 2 level");
    channel2.SetValue(1234);
    QueueDriverLink(second, "channel 2 level", PARAMETER_BASE, true, false, nullptr);
    QVERIFY(DrainUntilBuilderIdle());
    QCOMPARE(second.Value(), UWORD(1234));
    QCOMPARE(first.Value(), cZUNetUWORDDriver::NO_VALUE);

    // A name at the longest is cut to make room for the mark.
    const std::string longest(ZUNET_MAX_NAME_LENGTH, 'n');
    cZUNetBooleanSwitchDriver a(nullptr, longest.c_str());
    cZUNetBooleanSwitchDriver b(nullptr, longest.c_str());
    QCOMPARE(std::string(b.GetName()), longest.substr(0, ZUNET_MAX_NAME_LENGTH - 2) + "~2");
    QVERIFY(!b.RegistrationFailed());

    // A name freed is used again as asked.
    {
        cZUNetUBYTEDriver gone(nullptr, "zunet_button1");
    }
    cZUNetUBYTEDriver again(nullptr, "zunet_button1");
    QCOMPARE(QString(again.GetName()), "zunet_button1");
}

void tst_ValueDrivers::registrationFailureIsReported()
{
    cTraceCapture trace;
    const std::string tooLong(ZUNET_MAX_NAME_LENGTH + 1, 'x');
    cZUNetUWORDDriver driver(nullptr, tooLong.c_str());
    QVERIFY(driver.RegistrationFailed());
    QCOMPARE(trace.Count(QString("ERROR: Driver \"%1\" could not be registered").arg(tooLong.c_str())), 1);
    // Still safe to use: nothing is linked, nothing is sent.
    driver.SetValue(3);
    QCOMPARE(driver.Value(), UWORD(3));
}

void tst_ValueDrivers::valuesThatDoNotFitAMessageAreRefused_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("refused");
    QTest::newRow("string, 65534 characters") << "string" << 65534 << false;
    QTest::newRow("string, 65535 characters") << "string" << 65535 << true;
    QTest::newRow("string, 70000 characters") << "string" << 70000 << true;
    QTest::newRow("vector, 65535 bytes") << "vector" << 65535 << false;
    QTest::newRow("vector, 65536 bytes") << "vector" << 65536 << true;
}

void tst_ValueDrivers::valuesThatDoNotFitAMessageAreRefused()
{
    QFETCH(QString, kind);
    QFETCH(int, size);
    QFETCH(bool, refused);
    auto driver = MakeDriver(kind, "driver");
    auto probe = Listen(*driver);
    auto spy = SpyOnValueChanged(driver.get());
    cTraceCapture trace;
    for (bool always : { false, true }) {
        if (kind == "string")
            SetString(std::string(std::size_t(size), 'a'), always)(driver.get());
        else
            SetBytes(std::vector<UBYTE>(std::size_t(size), 0x5A), always)(driver.get());
    }
    Drain();
    if (refused) {
        QCOMPARE(spy->count(), 0);
        QCOMPARE(probe->mReceived.size(), 0);
        QCOMPARE(ValueText(driver.get()), QString());
        QCOMPARE(trace.CountContaining("ERROR: Value of driver refused:"), 2);
    } else {
        QCOMPARE(spy->count(), 1);
        QCOMPARE(probe->mReceived.size(), 2);
        QCOMPARE(int(probe->mReceived.first().mLength), kind == "string" ? size + 1 : size);
    }
}

void tst_ValueDrivers::setAndSendAreOneStep()
{
    cZUNetUWORDDriver driver(nullptr, "level");
    cValueObject unit("unit level");
    unit.SetValue(10);
    QueueDriverLink(driver, "unit level", PARAMETER_BASE, true, false, nullptr);
    QVERIFY(DrainUntilBuilderIdle());
    QCOMPARE(driver.Value(), UWORD(10));

    // This thread plays the syscall thread inside a dispatch; the user sets 20 meanwhile.
    SyscallMessagesPollLock();
    std::thread user([&driver] { driver.SetValue(20); });
    QTest::qSleep(50);
    QCOMPARE(driver.Value(), UWORD(10)); // the user's value waits for the dispatch to end
    cZUNetMessage fromUnit = MessageWithData(
        ZUNET_LOCAL_CONNECTION, driver.GetHandle(), unit.GetHandle(), PARAMETER_BASE, HexBytes("00 1e"));
    driver.EntrypointMessage(fromUnit); // the unit's 30
    SyscallMessagesPollUnLock();
    user.join();
    Drain();
    // The user's value came last on both sides: the driver does not show a value the unit left.
    QCOMPARE(driver.Value(), UWORD(20));
    QCOMPARE(unit.Value(), UWORD(20));
}

void tst_ValueDrivers::slotReadingTheValueDoesNotBlock()
{
    cZUNetStringDriver driver(nullptr, "text");
    QStringList seen;
    connect(&driver, &cZUNetStringDriver::ValueChanged, this,
        [&](const QString& value) { seen << value << QString::fromStdString(driver.Value()); });
    driver.SetValue("set");
    cProbeObject unit("unit object");
    Deliver(driver, QByteArray("got", 4), unit);
    QCOMPARE(seen, QStringList({ "set", "set", "got", "got" }));
}

QTEST_GUILESS_MAIN(tst_ValueDrivers)
#include "tst_valuedrivers.moc"
