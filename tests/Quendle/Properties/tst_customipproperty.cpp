#include "Quendle/Properties/CustomIPProperty.h"
#include "tests/support/TraceCapture.h"

#include <QtTest>

namespace
{
using tBytes = std::vector<UBYTE>;

QString HexOf(const tBytes& bytes)
{
    return cCustomIPProperty::ConvertMessageListToHex(bytes);
}

/// "0A,0B,..." for n bytes counting up from 0.
QString CountingHex(int n)
{
    tBytes bytes;
    for (int i = 0; i < n; ++i)
        bytes.push_back(UBYTE(i));
    return HexOf(bytes);
}
} // namespace

Q_DECLARE_METATYPE(tBytes)

class tst_CustomIPProperty : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void configText_data();
    void configText();
    void midiText_data();
    void midiText();
    void midiShownText_data();
    void midiShownText();
    void midiCharacters();
    void midiCharactersAreCapped();
    void toText_data();
    void toText();
    void fromText_data();
    void fromText();
    void compositions();
    void addressAndPortValidity_data();
    void addressAndPortValidity();
    void messageValidity_data();
    void messageValidity();
};

void tst_CustomIPProperty::configText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("port");
    QTest::addColumn<bool>("tcp");
    QTest::addColumn<QString>("hex");
    QTest::addColumn<QString>("shown");
    auto row = [](const char* name, const QString& text, const char* address, int port, bool tcp, const QString& hex,
                   const char* shown) { QTest::newRow(name) << text << address << port << tcp << hex << shown; };
    row("whole", "10.0.0.5:7000:0:0A,0B", "10.0.0.5", 7000, false, "0A,0B", "10.0.0.5 (Port 7000, UDP)");
    row("no colon", "10.0.0.5", "", 0, true, "", "");
    row("fields that are not numbers", "a:b:c:0A", "a", 0, true, "0A", "a (Port 0, TCP)");
    row("hex that does not parse", "1.2.3.4:80:1:GG", "1.2.3.4", 80, true, "", "1.2.3.4 (Port 80, TCP)");
    row("top port", "1.2.3.4:65535:1:01", "1.2.3.4", 65535, true, "01", "1.2.3.4 (Port 65535, TCP)");
    row("port above 65535 is invalid", "1.2.3.4:70000:0:01", "1.2.3.4", 0, false, "01", "1.2.3.4 (Port 0, UDP)");
    row("huge port", "1.2.3.4:99999999999999999999999:0:01", "1.2.3.4", 0, false, "01", "1.2.3.4 (Port 0, UDP)");
    row("no hex field", "1.2.3.4:80:0", "1.2.3.4", 80, true, "", "1.2.3.4 (Port 80, TCP)");
    row("1001 bytes cut to 1000", "1.2.3.4:80:1:" + CountingHex(1001), "1.2.3.4", 80, true, CountingHex(1000),
        "1.2.3.4 (Port 80, TCP)");
}

void tst_CustomIPProperty::configText()
{
    QFETCH(QString, text);
    QFETCH(QString, address);
    QFETCH(int, port);
    QFETCH(bool, tcp);
    QFETCH(QString, hex);
    QFETCH(QString, shown);
    cCustomIPProperty property("Press", QString(), 0, true, false, nullptr);
    QCOMPARE(property.type(), cProperty::CustomIP);
    QSignalSpy about(&property, &cProperty::ValueAboutToChange);
    QSignalSpy changed(&property, &cProperty::valueChanged);
    cTraceCapture trace;
    property.setValue(text);
    QCOMPARE(property.addressValue(), address);
    QCOMPARE(property.portValue(), port);
    QCOMPARE(property.isTCPValue(), tcp);
    QCOMPARE(property.hexMessageValue(), hex);
    QCOMPARE(property.stringValue(), shown);
    int error = -1;
    QCOMPARE(property.Message(), cCustomIPProperty::ConvertMessageHexToList(hex, error));
    QCOMPARE(property.value().toString(), cCustomIPProperty::CreateConfigString(address, port, tcp, hex));
    QCOMPARE(about.count(), 1);
    QCOMPARE(changed.count(), 1);
    const bool portRefused = QString(QTest::currentDataTag()).contains("port");
    QCOMPARE(trace.CountContaining("out of range"), portRefused && port == 0 ? 1 : 0);
}

void tst_CustomIPProperty::midiText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("hex");
    QTest::addColumn<tBytes>("bytes");
    auto row = [](const char* name, const QString& text, const QString& hex, const tBytes& bytes) {
        QTest::newRow(name) << text << hex << bytes;
    };
    row("two bytes", "90,40", "90,40", tBytes { 0x90, 0x40 });
    row("blanks kept as written", " 90  40", " 90  40", tBytes { 0x90, 0x40 });
    row("empty", "", "", tBytes {});
    row("bad token: nothing, not a zero byte", "90,XX,40", "", tBytes {});
    row("above 255: nothing", "100", "", tBytes {});
    row("1001 bytes cut to 1000", CountingHex(1001), CountingHex(1000),
        cCustomIPProperty::ConvertMessageStringToList(cCustomIPProperty::ConvertMessageHexToString(CountingHex(1000))));
}

void tst_CustomIPProperty::midiText()
{
    QFETCH(QString, text);
    QFETCH(QString, hex);
    QFETCH(tBytes, bytes);
    cCustomIPProperty property("Press", QString(), 0, true, true, nullptr);
    QCOMPARE(property.type(), cProperty::CustomMIDI);
    QVERIFY(property.isMIDI());
    property.setValue(text);
    QCOMPARE(property.hexMessageValue(), hex);
    QCOMPARE(property.value().toString(), hex);
    QCOMPARE(property.Message(), bytes);
    QCOMPARE(property.addressValue(), QString());
    QCOMPARE(property.portValue(), 0);
}

void tst_CustomIPProperty::midiShownText_data()
{
    QTest::addColumn<QString>("hex");
    QTest::addColumn<QString>("shown");
    const QString hex29 = "01,02,03,04,05,06,07,08,09,0A"; // 29 characters
    auto row = [](const char* name, const QString& hex, const QString& shown) { QTest::newRow(name) << hex << shown; };
    row("empty", "", "");
    row("29 characters", hex29, "Hex: " + hex29);
    row("30 characters: marked though not cut", hex29 + ",", "Hex: " + hex29 + ",...");
    row("31 characters", hex29 + ",0", "Hex: " + hex29 + ",...");
}

void tst_CustomIPProperty::midiShownText()
{
    QFETCH(QString, hex);
    QFETCH(QString, shown);
    cCustomIPProperty property("Press", QString(), 0, true, true, nullptr);
    property.setValue(hex);
    QCOMPARE(property.stringValue(), shown);
}

void tst_CustomIPProperty::midiCharacters()
{
    cCustomIPProperty property("Press", "1.2.3.4", 80, false, true, nullptr);
    QSignalSpy changed(&property, &cProperty::valueChanged);
    property.setValueMIDIString("AB");
    QCOMPARE(property.Message(), (tBytes { 0x41, 0x42 }));
    QCOMPARE(property.hexMessageValue(), QString("41,42"));
    QCOMPARE(property.addressValue(), QString());
    QCOMPARE(property.portValue(), 0);
    QVERIFY(property.isTCPValue());
    QCOMPARE(changed.count(), 1);
}

void tst_CustomIPProperty::midiCharactersAreCapped()
{
    cCustomIPProperty property("Press", QString(), 0, true, true, nullptr);
    cTraceCapture trace;
    property.setValueMIDIString(QString(1000, 'x'));
    QCOMPARE(int(property.Message().size()), 1000);
    QCOMPARE(trace.Lines().size(), 0);
    property.setValueMIDIString(QString(5000, 'y'));
    QCOMPARE(int(property.Message().size()), 1000);
    QCOMPARE(property.Message().front(), UBYTE('y'));
    QCOMPARE(trace.Count("ERROR: Custom MIDI text of 5000 characters cut to 1000"), 1);
}

void tst_CustomIPProperty::toText_data()
{
    QTest::addColumn<tBytes>("bytes");
    QTest::addColumn<int>("base");
    QTest::addColumn<QString>("text");
    QTest::newRow("decimal") << tBytes { 5, 200 } << 10 << "05,200";
    QTest::newRow("hex") << tBytes { 5, 200 } << 16 << "05,C8";
    QTest::newRow("zero and top, decimal") << tBytes { 0, 9, 10, 255 } << 10 << "00,09,10,255";
    QTest::newRow("zero and top, hex") << tBytes { 0, 15, 16, 255 } << 16 << "00,0F,10,FF";
    QTest::newRow("empty") << tBytes {} << 16 << "";
}

void tst_CustomIPProperty::toText()
{
    QFETCH(tBytes, bytes);
    QFETCH(int, base);
    QFETCH(QString, text);
    QCOMPARE(cCustomIPProperty::ConvertMessageListToNum(bytes, base), text);
}

void tst_CustomIPProperty::fromText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("base");
    QTest::addColumn<tBytes>("bytes");
    QTest::addColumn<int>("error");
    QTest::newRow("blanks and commas") << "  0a ,  ff" << 16 << tBytes { 0x0A, 0xFF } << -1;
    QTest::newRow("bad second token") << "0A GG" << 16 << tBytes { 0x0A, 0x00 } << 5;
    QTest::newRow("256: error, its low byte still added") << "256" << 10 << tBytes { 0x00 } << 3;
    QTest::newRow("the last bad token is reported") << "x,5,y,6" << 10 << tBytes { 0, 5, 0, 6 } << 5;
    QTest::newRow("empty") << "" << 16 << tBytes {} << -1;
    QTest::newRow("only separators") << " , ,, " << 16 << tBytes {} << -1;
    QTest::newRow("character above 255") << QString("1") + QChar(0x263A) << 16 << tBytes { 0 } << 2;
    QTest::newRow("decimal 255") << "255" << 10 << tBytes { 255 } << -1;
}

void tst_CustomIPProperty::fromText()
{
    QFETCH(QString, text);
    QFETCH(int, base);
    QFETCH(tBytes, bytes);
    QFETCH(int, error);
    int position = -1;
    QCOMPARE(cCustomIPProperty::ConvertMessageNumToList(text, position, base), bytes);
    QCOMPARE(position, error);
}

void tst_CustomIPProperty::compositions()
{
    QCOMPARE(cCustomIPProperty::ConvertMessageStringToHex("AB"), QString("41,42"));
    QCOMPARE(cCustomIPProperty::ConvertMessageStringToDec("AB"), QString("65,66"));
    QCOMPARE(cCustomIPProperty::ConvertMessageHexToString("41,42"), QString("AB"));
    QCOMPARE(cCustomIPProperty::ConvertMessageHexToDec("05,C8"), QString("05,200"));
    QCOMPARE(cCustomIPProperty::ConvertMessageDecToHex("5 200"), QString("05,C8"));
    QCOMPARE(cCustomIPProperty::ConvertMessageDecToString("65,66"), QString("AB"));
}

void tst_CustomIPProperty::addressAndPortValidity_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("addressValid");
    QTest::addColumn<QString>("port");
    QTest::addColumn<bool>("portValid");
    QTest::newRow("last number 254") << "192.168.1.254" << true << "65535" << true;
    QTest::newRow("last number 255") << "192.168.1.255" << false << "65536" << false;
    QTest::newRow("first numbers 255") << "255.255.255.1" << true << "0" << true;
    QTest::newRow("256") << "256.1.1.1" << false << "" << false;
    QTest::newRow("three numbers") << "10.0.0" << false << "80a" << false;
    QTest::newRow("trailing text") << "10.0.0.1x" << false << "-1" << false;
    QTest::newRow("huge port") << "127.0.0.1" << true << "99999999999999999999999" << false;
}

void tst_CustomIPProperty::addressAndPortValidity()
{
    QFETCH(QString, address);
    QFETCH(bool, addressValid);
    QFETCH(QString, port);
    QFETCH(bool, portValid);
    QCOMPARE(cCustomIPProperty::IsIPAddressValid(address), addressValid);
    QCOMPARE(cCustomIPProperty::IsPortValid(port), portValid);
}

void tst_CustomIPProperty::messageValidity_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    auto row = [](const char* name, const char* form, const QString& text, const char* message) {
        QTest::newRow(name) << form << text << message;
    };
    row("characters, 1000", "string", QString(1000, 'a'), "");
    row("characters, 1001", "string", QString(1001, 'a'), "Message length exceeds maximum of 1000");
    row("hex, 1000 bytes", "hex", CountingHex(1000), "");
    row("hex, 1001 bytes", "hex", CountingHex(1001), "Message length exceeds maximum of 1000");
    row("hex, bad token", "hex", "0A GG", "Error at character 5");
    row("decimal, 256", "dec", "1,256", "Error at character 5");
    row("decimal, fine", "dec", "1, 255", "");
}

void tst_CustomIPProperty::messageValidity()
{
    QFETCH(QString, form);
    QFETCH(QString, text);
    QFETCH(QString, message);
    if (form == "string")
        QCOMPARE(cCustomIPProperty::CheckMessageStringValidity(text), message);
    else if (form == "hex")
        QCOMPARE(cCustomIPProperty::CheckMessageHexValidity(text), message);
    else
        QCOMPARE(cCustomIPProperty::CheckMessageDecValidity(text), message);
}

QTEST_GUILESS_MAIN(tst_CustomIPProperty)
#include "tst_customipproperty.moc"
