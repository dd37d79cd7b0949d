#include "Common/CustomIPMessageSender/CustomIPMessage.h"
#include "tests/support/HexData.h"
#include "tests/support/MessageData.h"
#include "tests/support/TraceCapture.h"

#include <QtTest>

#include <cstring>

namespace
{

QByteArray Payload(int length)
{
    QByteArray bytes(length, Qt::Uninitialized);
    for (int i = 0; i < length; ++i)
        bytes[i] = char(i * 7 + 3);
    return bytes;
}

const QByteArray kAddress = HexBytes("31 30 2e 30 2e 30 2e 35  00 00 00 00 00 00 00 00"); // "10.0.0.5"

} // namespace

class tst_CustomIPMessage : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void pack_data();
    void pack();
    void packRefuses_data();
    void packRefuses();
    void roundTrip_data();
    void roundTrip();
    void read_data();
    void read();
    void addressAlwaysTerminated();
};

void tst_CustomIPMessage::pack_data()
{
    QTest::addColumn<int>("protocol");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QByteArray>("expected");
    const QByteArray header = kAddress + HexBytes("c8 79"); // port 51321
    QTest::newRow("UDP, no data") << 1 << QByteArray() << HexBytes("01") + header + HexBytes("00 00");
    QTest::newRow("TCP, three bytes") << 0 << HexBytes("aa bb cc")
                                      << HexBytes("00") + header + HexBytes("00 03 aa bb cc");
    QTest::newRow("only the low byte of the flag")
        << 0x101 << QByteArray() << HexBytes("01") + header + HexBytes("00 00");
}

void tst_CustomIPMessage::pack()
{
    QFETCH(int, protocol);
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, expected);
    sCustomIPMessageLong record;
    record.mProtocol = protocol;
    record.SetAddress("10.0.0.5");
    record.mPort = 51321;
    QVERIFY(record.SetData(reinterpret_cast<const UBYTE*>(data.constData()), data.size()));

    // As the carrier does it: version byte first, the record from offset 1.
    cZUNetMessage message(UWORD(data.size() + 22));
    message.SetDataBufferUBYTE(sCustomIPMessageLong::VERSION, 0);
    int offset = 1;
    QVERIFY(record.PackMessage(message, offset));
    QCOMPARE(offset, 1 + sCustomIPMessageLong::PACKED_HEADER_SIZE + data.size());
    QCOMPARE(ToHex(MessageData(message).mid(1)), ToHex(expected));
}

void tst_CustomIPMessage::packRefuses_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("messageLength");
    QTest::addColumn<QString>("trace");
    QTest::newRow("length above 1000") << 1001 << 2000 << "ERROR: Length 1001 greater max allowed string length";
    QTest::newRow("no room for the data") << 10 << 30 << "ERROR: Message too short";
    QTest::newRow("no room for the header") << 0 << 20 << "ERROR: Message too short";
}

void tst_CustomIPMessage::packRefuses()
{
    QFETCH(int, length);
    QFETCH(int, messageLength);
    QFETCH(QString, trace);
    sCustomIPMessageLong record;
    record.mLength = UWORD(length); // as a careless caller could leave it
    cZUNetMessage message { UWORD(messageLength) };
    std::memset(message.mDataBuffer, 0xEE, size_t(messageLength));
    cTraceCapture traces;
    int offset = 0;
    QVERIFY(!record.PackMessage(message, offset));
    QCOMPARE(offset, 0);
    QCOMPARE(MessageData(message), QByteArray(messageLength, char(0xEE)));
    QCOMPARE(traces.CountContaining(trace), 1);
}

void tst_CustomIPMessage::roundTrip_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("start");
    QTest::newRow("empty") << 0 << 0;
    QTest::newRow("one byte") << 1 << 1;
    QTest::newRow("1000 bytes") << 1000 << 1;
    QTest::newRow("1000 bytes deep in a message") << 1000 << 300;
}

void tst_CustomIPMessage::roundTrip()
{
    QFETCH(int, length);
    QFETCH(int, start);
    sCustomIPMessageLong sent;
    sent.mProtocol = 1;
    sent.SetAddress("192.168.100.200");
    sent.mPort = 9000;
    const QByteArray payload = Payload(length);
    QVERIFY(sent.SetData(reinterpret_cast<const UBYTE*>(payload.constData()), length));

    cZUNetMessage message(UWORD(start + 21 + length));
    int offset = start;
    QVERIFY(sent.PackMessage(message, offset));
    QCOMPARE(offset, int(message.mLength));

    sCustomIPMessageLong received;
    offset = start;
    QVERIFY(received.FromMessage(message, offset, 2));
    QCOMPARE(offset, int(message.mLength));
    QCOMPARE(received.mProtocol, 1);
    QCOMPARE(QByteArray(received.mAddress), QByteArray("192.168.100.200"));
    QCOMPARE(received.mPort, UWORD(9000));
    QCOMPARE(int(received.mLength), length);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(received.mData), length), payload);
}

// One row per outcome of reading: whole records of both versions, each length limit, each
// truncation, an unknown version.
void tst_CustomIPMessage::read_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("version");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("endOffset");
    QTest::addColumn<QString>("trace");

    const QByteArray fixed = HexBytes("01") + kAddress + HexBytes("c8 79"); // 19 bytes
    QTest::newRow("v2 length 1000") << fixed + HexBytes("03 e8") + Payload(1000) << 2 << true << 1000 << 1021 << "";
    QTest::newRow("v2 length 1001") << fixed + HexBytes("03 e9") + Payload(1001) << 2 << false << 0 << 21
                                    << "ERROR: Length 1001 greater max allowed string length";
    QTest::newRow("v2 length 65535") << fixed + HexBytes("ff ff") << 2 << false << 0 << 21
                                     << "ERROR: Length 65535 greater max allowed string length";
    QTest::newRow("v1 length 50") << fixed + HexBytes("32") + Payload(50) << 1 << true << 50 << 70 << "";
    QTest::newRow("v1 length 51") << fixed + HexBytes("33") + Payload(51) << 1 << false << 0 << 20
                                  << "ERROR: Length 51 greater max allowed string length";
    QTest::newRow("version 3") << fixed + HexBytes("00 00") << 3 << false << 0 << 19 << "ERROR: Invalid Version";
    QTest::newRow("version 0") << fixed + HexBytes("00 00") << 0 << false << 0 << 19 << "ERROR: Invalid Version";
    QTest::newRow("shorter than the fixed fields")
        << fixed.left(10) << 2 << false << 0 << 0 << "ERROR: Message too short";
    QTest::newRow("empty") << QByteArray() << 2 << false << 0 << 0 << "ERROR: Message too short";
    QTest::newRow("v2 length field cut") << fixed + HexBytes("00") << 2 << false << 0 << 19
                                         << "ERROR: Message too short";
    QTest::newRow("v1 length field missing") << fixed << 1 << false << 0 << 19 << "ERROR: Message too short";
    QTest::newRow("v2 data shorter than length")
        << fixed + HexBytes("00 0a") + Payload(5) << 2 << false << 0 << 21 << "ERROR: Message too short";
    QTest::newRow("v1 data shorter than length")
        << fixed + HexBytes("0a") + Payload(9) << 1 << false << 0 << 20 << "ERROR: Message too short";
}

void tst_CustomIPMessage::read()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, version);
    QFETCH(bool, ok);
    QFETCH(int, length);
    QFETCH(int, endOffset);
    QFETCH(QString, trace);

    cZUNetMessage message = MessageWithData(bytes);
    sCustomIPMessageLong record;
    record.mLength = 77; // a previous record's
    cTraceCapture traces;
    int offset = 0;
    QCOMPARE(record.FromMessage(message, offset, UBYTE(version)), ok);
    QCOMPARE(offset, endOffset);
    QCOMPARE(int(record.mLength), length);
    QVERIFY(std::memchr(record.mAddress, 0, sizeof(record.mAddress)));
    if (ok) {
        QVERIFY(traces.Lines().isEmpty());
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(record.mData), length), bytes.right(length));
        QCOMPARE(QByteArray(record.mAddress), QByteArray("10.0.0.5"));
        QCOMPARE(record.mPort, UWORD(51321));
    } else {
        QCOMPARE(traces.Lines().size(), 1);
        QVERIFY2(traces.Lines().at(0).startsWith(trace), qPrintable(traces.Lines().at(0)));
    }
}

// 16 address bytes without a NUL on the wire, and a host text longer than 15 characters.
void tst_CustomIPMessage::addressAlwaysTerminated()
{
    const QByteArray wire = HexBytes("00") + QByteArray(16, 'a') + HexBytes("00 50 00 00");
    cZUNetMessage message = MessageWithData(wire);
    sCustomIPMessageLong record;
    int offset = 0;
    QVERIFY(record.FromMessage(message, offset, 2));
    QCOMPARE(QByteArray(record.mAddress), QByteArray(15, 'a'));

    sCustomIPMessageLong longHost;
    longHost.SetAddress("a-very-long-host-name.example");
    QCOMPARE(QByteArray(longHost.mAddress), QByteArray("a-very-long-hos"));
    std::memset(longHost.mAddress, 'b', sizeof(longHost.mAddress)); // filled by hand, no NUL
    cZUNetMessage packed(21);
    offset = 0;
    QVERIFY(longHost.PackMessage(packed, offset));
    QCOMPARE(MessageData(packed).mid(1, 16), QByteArray(15, 'b') + HexBytes("00"));
}

QTEST_GUILESS_MAIN(tst_CustomIPMessage)
#include "tst_customipmessage.moc"
