// Frame writer and parser: exact bytes, every split of the stream, resynchronisation after
// malformed frames, the 65535-byte limit, and the rewrite of inform-list requests.

#include "ZUNet/Core/ZUNetMethods.h"
#include "ZUNet/QT/ConnectionBase.h"
#include "ZUNet/QT/FrameBlock.h"
#include "ZUNet/QT/FrameParser.h"
#include "ZUNet/QT/FrameWriter.h"
#include "ZUNet/QT/ZUNetWire.h"
#include "tests/support/HexData.h"
#include "tests/support/MessageData.h"
#include "tests/support/TraceCapture.h"

#include <QtTest>

#include <algorithm>
#include <cstring>
#include <functional>
#include <set>
#include <vector>

namespace
{

constexpr UWORD kLinkId = 5;
const QString kObjectError
    = QStringLiteral("ERROR: ERROR - Invalid ZUNetMessage Data Packet! - No message delimiter mConnectionId = 5");
const QString kUtilityError
    = QStringLiteral("ERROR: ERROR - Invalid Util Data Packet! - No message delimiter, mConnectionId = 5");

QString Word(UWORD value)
{
    return QStringLiteral("%1").arg(value, 4, 16, QLatin1Char('0')).toUpper();
}

QString Describe(const cZUNetMessage& m)
{
    return QStringLiteral("O %1 %2 %3 %4 [%5]")
        .arg(Word(m.mConnectionId), Word(m.mDestination), Word(m.mSource), Word(m.mMethod), ToHex(MessageData(m)));
}

QString DescribeUtility(const UBYTE* payload, UWORD length)
{
    return QStringLiteral("U [%1]").arg(ToHex(QByteArray(reinterpret_cast<const char*>(payload), length)));
}

/// A link without transport: records what the parser hands it, through the connection base.
class cRecordingConnection : public cConnectionBase
{
public:
    cRecordingConnection()
        : cConnectionBase(kLinkId)
    {
    }
    void SendMessage(const cZUNetMessage&) override { }
    void SendMessage(const UBYTE*, UWORD) override { }
    using cConnectionBase::Parser;

    QStringList mEvents;
    std::function<void(cZUNetMessage&)> mOnMessage;
    std::function<void(const UBYTE*, UWORD)> mOnUtility;

protected:
    void ZUNetMessageReceived(cZUNetMessage& message) override
    {
        mEvents.append(Describe(message));
        if (mOnMessage)
            mOnMessage(message);
    }
    void CheckDisconnectMessage(UBYTE* payload, UWORD length) override { UtilMessageReceived(payload, length); }
    void UtilMessageReceived(UBYTE* payload, UWORD length) override
    {
        mEvents.append(DescribeUtility(payload, length));
        if (mOnUtility)
            mOnUtility(payload, length);
    }
};

struct sOutcome {
    QStringList mEvents;
    QStringList mTraces;
    int mState;
};

/// How a link hands the parser what it read: copied in, read into a buffer the parser may use in
/// place, or, inside a frame's data, read straight into the frame as a TCP link reads its socket.
enum class eFeed { Copied, InPlace, IntoFrame };

void FeedPiece(cRecordingConnection& link, const UBYTE* bytes, ULONG count, eFeed how)
{
    if (how == eFeed::Copied) {
        link.MessageReceived(bytes, count);
        return;
    }
    // The reader's own buffer, exactly the piece's size, so that a read past it shows.
    std::vector<UBYTE> piece(bytes, bytes + count);
    UBYTE* at = piece.data();
    while (count > 0) {
        ULONG room = 0;
        UBYTE* space = how == eFeed::IntoFrame ? link.Parser().DataSpace(room) : nullptr;
        if (!space) {
            link.Parser().FeedInPlace(at, count);
            return;
        }
        const ULONG taken = std::min(room, count);
        std::memcpy(space, at, taken);
        link.Parser().DataWritten(taken);
        at += taken;
        count -= taken;
    }
}

/// Parses `input` fed in the pieces that the cut positions make.
sOutcome Parse(const QByteArray& input, const QVector<int>& cuts, eFeed how = eFeed::Copied)
{
    cTraceCapture traces;
    cRecordingConnection link;
    const auto* bytes = reinterpret_cast<const UBYTE*>(input.constData());
    int from = 0;
    for (int cut : cuts) {
        FeedPiece(link, bytes + from, ULONG(cut - from), how);
        from = cut;
    }
    FeedPiece(link, bytes + from, ULONG(input.size() - from), how);
    return { link.mEvents, traces.Lines(), int(link.Parser().GetState()) };
}

QString SplitName(const QVector<int>& cuts)
{
    QStringList parts;
    for (int cut : cuts)
        parts.append(QString::number(cut));
    return QStringLiteral("cut at ") + parts.join(QLatin1Char(','));
}

QByteArray Bytes(const UBYTE* data, ULONG length)
{
    return QByteArray(reinterpret_cast<const char*>(data), int(length));
}

} // namespace

class tst_Frames : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void writer_data();
    void writer();
    void writerMatchesExamples();

    void framing_data();
    void framing();
    void everyExampleIsParsed();
    void seedsMatchExamples();

    void boundaryLengths_data();
    void boundaryLengths();
    void oversizedPromisesStayBounded_data();
    void oversizedPromisesStayBounded();
    void receivedMessageIsReused();

    void stamping_data();
    void stamping();
    void helloPayload_data();
    void helloPayload();
    void frameBlocksAreReusedWithinTheirBound();

private:
    QStringList mExamplesParsed;
};

void tst_Frames::writer_data()
{
    QTest::addColumn<bool>("object");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("object with data") << true << HexBytes("AA BB")
                                      << HexBytes("F0 01 02 03 04 FF FF 10 00 00 02 AA BB F7");
    QTest::newRow("object without data") << true << QByteArray() << HexBytes("F0 01 02 03 04 FF FF 10 00 00 00 F7");
    QTest::newRow("keep-alive") << false << HexBytes("03") << HexBytes("E0 00 01 03 E7");
    QTest::newRow("bye") << false << QByteArray("BYE") << HexBytes("E0 00 03 42 59 45 E7");
    QTest::newRow("empty utility") << false << QByteArray() << HexBytes("E0 00 00 E7");
}

void tst_Frames::writer()
{
    QFETCH(bool, object);
    QFETCH(QByteArray, payload);
    QFETCH(QByteArray, expected);

    if (object) {
        const cZUNetMessage message = MessageWithData(0x0102, 0x0304, 0xFFFF, 0x1000, payload);
        QCOMPARE(cFrameWriter::ObjectFrameLength(message), ULONG(12 + payload.size()));
        QCOMPARE(ToHex(cFrameWriter::ObjectFrame(message)), ToHex(expected));
        ULONG length = 0;
        const auto block = cFrameWriter::NewObjectFrame(message, length);
        QCOMPARE(ToHex(Bytes(block.get(), length)), ToHex(expected));
        cRecordingConnection link;
        QCOMPARE(link.PackageMessage(message), ULONG(expected.size()));
        QCOMPARE(ToHex(Bytes(link.GetPackagedFrame(), ULONG(expected.size()))), ToHex(expected));
    } else {
        const auto* bytes = reinterpret_cast<const UBYTE*>(payload.constData());
        const UWORD length = UWORD(payload.size());
        QCOMPARE(cFrameWriter::UtilityFrameLength(length), ULONG(4 + payload.size()));
        QCOMPARE(ToHex(cFrameWriter::UtilityFrame(bytes, length)), ToHex(expected));
        ULONG frameLength = 0;
        const auto block = cFrameWriter::NewUtilityFrame(bytes, length, frameLength);
        QCOMPARE(ToHex(Bytes(block.get(), frameLength)), ToHex(expected));
    }
}

void tst_Frames::writerMatchesExamples()
{
    using namespace ZUNetWire;
    QCOMPARE(cFrameWriter::ObjectFrame(MessageWithData(0x0102, 0x0304, 0xFFFF, 0x1000, HexBytes("AA BB"))),
        LoadHexData("frames/object-two-bytes.hex"));
    QCOMPARE(cFrameWriter::UtilityFrame(kByePayload, kByePayloadLength), LoadHexData("frames/bye.hex"));
    QCOMPARE(
        cFrameWriter::UtilityFrame(kKeepAlivePayload, kKeepAlivePayloadLength), LoadHexData("frames/keep-alive.hex"));
    UBYTE hello[4];
    cFrameWriter::WriteHelloPayload(kUtilityHello, kUnitTcpPort, hello);
    QCOMPARE(cFrameWriter::UtilityFrame(hello, kHelloPayloadLength), LoadHexData("frames/hello.hex"));
    cFrameWriter::WriteHelloPayload(kUtilityHelloAck, UWORD(kUnitDatagramPortBase + 1), hello);
    QCOMPARE(cFrameWriter::UtilityFrame(hello, kHelloPayloadLength), LoadHexData("frames/hello-ack.hex"));
}

// Each row: input (hex, or an example file), what the link is handed, the traces, and the parser
// state at the end. Every row is also fed one byte at a time and in every split into two and
// three pieces.
void tst_Frames::framing_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<QStringList>("traces");
    QTest::addColumn<int>("endState");

    const auto example = [this](const char* name) {
        mExamplesParsed.append(QString::fromLatin1(name));
        return LoadHexData(QStringLiteral("frames/%1.hex").arg(QLatin1String(name)));
    };
    const int between = cFrameParser::BETWEEN_FRAMES;

    // Protocol examples.
    QTest::newRow("object with data") << example("object-two-bytes") << QStringList { "O 0102 0304 FFFF 1000 [AA BB]" }
                                      << QStringList() << between;
    QTest::newRow("object of 12 bytes, no data")
        << example("object-empty") << QStringList { "O 0005 0001 0002 1000 []" } << QStringList() << between;
    QTest::newRow("start and end bytes inside object data")
        << example("object-delimiters-in-data") << QStringList { "O 0001 0002 0003 1001 [F0 F7 E0 E7]" }
        << QStringList() << between;
    QTest::newRow("hello") << example("hello") << QStringList { "U [01 03 C8 79]" } << QStringList() << between;
    QTest::newRow("hello ack") << example("hello-ack") << QStringList { "U [02 03 C8 7D]" } << QStringList() << between;
    QTest::newRow("bye") << example("bye") << QStringList { "U [42 59 45]" } << QStringList() << between;
    QTest::newRow("keep-alive") << example("keep-alive") << QStringList { "U [03]" } << QStringList() << between;
    QTest::newRow("inform-list add") << example("link-request-add")
                                     << QStringList { "O 0000 0005 0009 0006 [12 34 00 07 10 00 10 01 00 01]" }
                                     << QStringList() << between;
    QTest::newRow("inform-list remove") << example("link-request-remove")
                                        << QStringList { "O 0000 0005 0009 0007 [12 34 00 07 10 00 10 01]" }
                                        << QStringList() << between;
    QTest::newRow("garbage and stray end bytes, then three frames")
        << example("mixed-stream") << QStringList { "O 0001 0002 0003 1000 [7F]", "U [03]", "O 0001 0002 0003 0002 []" }
        << QStringList() << between;

    // Well-formed cases without an example file.
    QTest::newRow("empty utility payload")
        << HexBytes("E0 00 00 E7") << QStringList { "U []" } << QStringList() << between;
    QTest::newRow("start and end bytes inside a utility payload")
        << HexBytes("E0 00 04 F0 F7 E0 E7 E7") << QStringList { "U [F0 F7 E0 E7]" } << QStringList() << between;
    QTest::newRow("two frames in one read")
        << HexBytes("E0 00 01 03 E7 F0 00 00 00 01 00 02 10 00 00 00 F7")
        << QStringList { "U [03]", "O 0000 0001 0002 1000 []" } << QStringList() << between;

    // One row per malformed-input cause.
    QTest::newRow("object end byte wrong") << HexBytes("F0 00 01 00 02 00 03 10 00 00 01 55 AA E0 00 01 03 E7")
                                           << QStringList { "U [03]" } << QStringList { kObjectError } << between;
    QTest::newRow("object end byte is a utility start")
        << example("bad-end-resync") << QStringList { "U [03]" } << QStringList { kObjectError } << between;
    QTest::newRow("object end byte is an object start")
        << HexBytes("F0 00 01 00 02 00 03 10 00 00 01 55 F0 00 07 00 08 00 09 10 02 00 00 F7")
        << QStringList { "O 0007 0008 0009 1002 []" } << QStringList { kObjectError } << between;
    QTest::newRow("utility end byte wrong") << HexBytes("E0 00 01 03 00 E0 00 01 03 E7") << QStringList { "U [03]" }
                                            << QStringList { kUtilityError } << between;
    QTest::newRow("utility end byte is an object start")
        << HexBytes("E0 00 01 03 F0 00 07 00 08 00 09 10 02 00 00 F7") << QStringList { "O 0007 0008 0009 1002 []" }
        << QStringList { kUtilityError } << between;
    QTest::newRow("object length promises more than the frame holds")
        << example("overlong-length") << QStringList { "U [03]" } << QStringList { kObjectError } << between;
    QTest::newRow("utility length promises more than the frame holds")
        << HexBytes("E0 00 05 03 E7 E0 00 01 03 E7 E0 00 01 03 E7") << QStringList { "U [03]" }
        << QStringList { kUtilityError } << between;
    QTest::newRow("only garbage") << HexBytes("00 01 F7 E7 7F FF") << QStringList() << QStringList() << between;
    QTest::newRow("object frame cut short") << HexBytes("F0 00 01 00 02 00 03 10 00 00 04 AA") << QStringList()
                                            << QStringList() << int(cFrameParser::IN_OBJECT_FRAME);
    QTest::newRow("utility frame cut short")
        << HexBytes("E0 00 04 01 03") << QStringList() << QStringList() << int(cFrameParser::IN_UTILITY_FRAME);
}

void tst_Frames::framing()
{
    QFETCH(QByteArray, input);
    QFETCH(QStringList, events);
    QFETCH(QStringList, traces);
    QFETCH(int, endState);
    QVERIFY(!input.isEmpty());

    const auto check = [&](const QVector<int>& cuts) {
        for (eFeed how : { eFeed::Copied, eFeed::InPlace, eFeed::IntoFrame }) {
            const sOutcome outcome = Parse(input, cuts, how);
            if (outcome.mEvents != events || outcome.mTraces != traces || outcome.mState != endState) {
                qWarning("%s, feed %d: events %s, traces %s, state %d", qPrintable(SplitName(cuts)), int(how),
                    qPrintable(outcome.mEvents.join(" | ")), qPrintable(outcome.mTraces.join(" | ")), outcome.mState);
                return false;
            }
        }
        return true;
    };

    QVERIFY(check({}));
    QVector<int> everyByte;
    for (int i = 1; i < input.size(); ++i)
        everyByte.append(i);
    QVERIFY(check(everyByte));
    for (int i = 1; i < input.size(); ++i) {
        QVERIFY(check({ i }));
        for (int j = i + 1; j < input.size(); ++j)
            QVERIFY(check({ i, j }));
    }
}

void tst_Frames::everyExampleIsParsed()
{
    QStringList parsed = mExamplesParsed;
    parsed.sort();
    parsed.removeDuplicates();
    QStringList files = HexDataNames("frames");
    files.sort();
    QCOMPARE(files, parsed);
}

// The fuzz seeds are the example frames as binary files: they must not drift apart.
void tst_Frames::seedsMatchExamples()
{
    const QDir corpus(TestDataPath("../../fuzz/corpus/fuzz_frame_parser"));
    if (!corpus.exists())
        QSKIP("fuzz corpus not in this tree");
    for (const QString& name : HexDataNames("frames")) {
        QFile seed(corpus.filePath(name));
        QVERIFY2(seed.open(QIODevice::ReadOnly), qPrintable(seed.fileName()));
        QCOMPARE(ToHex(seed.readAll()), ToHex(LoadHexData(QStringLiteral("frames/%1.hex").arg(name))));
    }
}

void tst_Frames::boundaryLengths_data()
{
    QTest::addColumn<bool>("object");
    QTest::addColumn<int>("length");
    for (int length : { 0, 1, 255, 256, 1280, 32004, 65523, 65524, 65525, 65526, 65533, 65534, 65535 })
        QTest::addRow("object %d", length) << true << length;
    for (int length : { 0, 1, 65533, 65534, 65535 })
        QTest::addRow("utility %d", length) << false << length;
}

// Frames up to the 65535-byte limit round-trip, fed whole and in odd-sized pieces, and the
// parser is ready for the next frame afterwards.
void tst_Frames::boundaryLengths()
{
    QFETCH(bool, object);
    QFETCH(int, length);

    QByteArray data(length, Qt::Uninitialized);
    for (int i = 0; i < length; ++i)
        data[i] = char(i * 7 + 0xF0); // walks through the start and end byte values too
    QByteArray frame;
    if (object) {
        const cZUNetMessage message = MessageWithData(0xABCD, 0x0102, 0x0304, 0x1005, data);
        frame = cFrameWriter::ObjectFrame(message);
        QCOMPARE(frame.size(), length + 12);
        cRecordingConnection packer;
        QCOMPARE(packer.PackageMessage(message), ULONG(length + 12));
        QCOMPARE(Bytes(packer.GetPackagedFrame(), ULONG(length + 12)), frame);
    } else {
        frame = cFrameWriter::UtilityFrame(reinterpret_cast<const UBYTE*>(data.constData()), UWORD(length));
        QCOMPARE(frame.size(), length + 4);
    }
    const QByteArray stream = frame + HexBytes("E0 00 01 03 E7");

    for (const auto& [piece, how] : std::vector<std::pair<int, eFeed>> { { stream.size(), eFeed::Copied },
             { 1000, eFeed::Copied }, { 7, eFeed::Copied }, { stream.size(), eFeed::InPlace }, { 1000, eFeed::InPlace },
             { 1000, eFeed::IntoFrame }, { 7, eFeed::IntoFrame } }) {
        cTraceCapture traces;
        cRecordingConnection link;
        QByteArray received;
        bool haveFirst = false;
        link.mOnMessage = [&](cZUNetMessage& m) {
            QCOMPARE(m.mConnectionId, UWORD(0xABCD));
            QCOMPARE(m.mDestination, UWORD(0x0102));
            QCOMPARE(m.mSource, UWORD(0x0304));
            QCOMPARE(m.mMethod, UWORD(0x1005));
            received = Bytes(m.mDataBuffer, m.mLength);
            haveFirst = true;
        };
        link.mOnUtility = [&](const UBYTE* payload, UWORD size) {
            if (!haveFirst)
                received = Bytes(payload, size);
            haveFirst = true;
        };
        for (int from = 0; from < stream.size(); from += piece)
            FeedPiece(link, reinterpret_cast<const UBYTE*>(stream.constData()) + from,
                ULONG(qMin(piece, stream.size() - from)), how);
        QCOMPARE(traces.Lines(), QStringList());
        QCOMPARE(link.mEvents.size(), 2);
        QCOMPARE(link.mEvents.last(), QStringLiteral("U [03]"));
        QVERIFY2(received == data, qPrintable(QStringLiteral("piece %1, feed %2").arg(piece).arg(int(how))));
        QVERIFY(link.Parser().GetBufferedCapacity() <= 2 * ZUNetWire::kMaxDataLength);
    }
}

void tst_Frames::oversizedPromisesStayBounded_data()
{
    QTest::addColumn<QByteArray>("header");
    QTest::addRow("object promising 65535") << HexBytes("F0 00 01 00 02 00 03 10 00 FF FF");
    QTest::addRow("utility promising 65535") << HexBytes("E0 FF FF");
}

// A peer that promises the largest frame and then floods the link costs at most the two 64 KiB
// buffers; the parser resynchronises at the promised end.
void tst_Frames::oversizedPromisesStayBounded()
{
    QFETCH(QByteArray, header);
    cTraceCapture traces;
    cRecordingConnection link;
    QByteArray flood(4096, char(ZUNetWire::kObjectFrameStart));
    link.MessageReceived(reinterpret_cast<const UBYTE*>(header.constData()), ULONG(header.size()));
    for (int i = 0; i < 64; ++i)
        link.MessageReceived(reinterpret_cast<const UBYTE*>(flood.constData()), ULONG(flood.size()));
    QVERIFY(link.Parser().GetBufferedCapacity() <= 2 * ZUNetWire::kMaxDataLength + 1);
    QVERIFY(link.mEvents.isEmpty());
    QVERIFY(traces.Lines().size() >= 1);
}

// The parser reuses one message: a short frame after a long one has the short length, and the
// receiver's changes to it do not leak into the next frame.
void tst_Frames::receivedMessageIsReused()
{
    cRecordingConnection link;
    link.mOnMessage = [](cZUNetMessage& m) {
        if (m.mLength > 0)
            m.mDataBuffer[0] = 0;
        m.mMethod = 0;
    };
    const QByteArray stream = cFrameWriter::ObjectFrame(MessageWithData(1, 2, 3, 0x1000, QByteArray(2000, char(0x11))))
        + cFrameWriter::ObjectFrame(MessageWithData(1, 2, 3, 0x1001, HexBytes("22 33")));
    link.MessageReceived(reinterpret_cast<const UBYTE*>(stream.constData()), ULONG(stream.size()));
    QCOMPARE(link.mEvents.size(), 2);
    QCOMPARE(link.mEvents.last(), QStringLiteral("O 0001 0002 0003 1001 [22 33]"));
    QCOMPARE(link.Parser().GetBufferedCapacity(), ULONG(2000));
}

void tst_Frames::stamping_data()
{
    QTest::addColumn<int>("method");
    QTest::addColumn<int>("connectionId");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("add on connection 5") << int(M_OBJECT_ADD_TO_INFORM_LIST) << 5
                                         << HexBytes("12 34 00 07 10 00 10 01 00 01")
                                         << HexBytes("00 05 00 07 10 00 10 01 00 01");
    QTest::newRow("remove on connection 12")
        << int(M_OBJECT_REMOVE_FROM_INFORM_LIST) << 12 << HexBytes("12 34 00 07 10 00 10 01")
        << HexBytes("00 0C 00 07 10 00 10 01");
    QTest::newRow("parameter method untouched") << int(PARAMETER_BASE) << 12 << HexBytes("12 34") << HexBytes("12 34");
    QTest::newRow("find request untouched")
        << int(M_REG_FIND_OBJECT) << 12 << HexBytes("12 34 00") << HexBytes("12 34 00");
    QTest::newRow("add with exactly one word")
        << int(M_OBJECT_ADD_TO_INFORM_LIST) << 5 << HexBytes("12 34") << HexBytes("00 05");
    QTest::newRow("add without data") << int(M_OBJECT_ADD_TO_INFORM_LIST) << 5 << QByteArray() << QByteArray();
    QTest::newRow("remove with one byte")
        << int(M_OBJECT_REMOVE_FROM_INFORM_LIST) << 5 << HexBytes("12") << HexBytes("12");
}

// The rewrite runs on the parser's reused message, whose buffer may be absent or shorter than
// two bytes: it must write only when the data holds the word.
void tst_Frames::stamping()
{
    QFETCH(int, method);
    QFETCH(int, connectionId);
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, expected);

    cRecordingConnection link;
    QByteArray stamped;
    UWORD stampedId = 0;
    link.mOnMessage = [&](cZUNetMessage& m) {
        cConnectionBase::StampReceivedMessage(m, UWORD(connectionId));
        stampedId = m.mConnectionId;
        stamped = Bytes(m.mDataBuffer, m.mLength);
    };
    const QByteArray frame = cFrameWriter::ObjectFrame(MessageWithData(0x4321, 5, 9, UWORD(method), data));
    link.MessageReceived(reinterpret_cast<const UBYTE*>(frame.constData()), ULONG(frame.size()));
    QCOMPARE(link.mEvents.size(), 1);
    QCOMPARE(stampedId, UWORD(connectionId));
    QCOMPARE(ToHex(stamped), ToHex(expected));
}

void tst_Frames::helloPayload_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<bool>("readable");
    QTest::addColumn<int>("version");
    QTest::addColumn<int>("port");

    QTest::newRow("hello") << HexBytes("01 03 C8 79") << true << 3 << 51321;
    QTest::newRow("hello ack") << HexBytes("02 03 12 34") << true << 3 << 0x1234;
    QTest::newRow("other version") << HexBytes("02 02 12 34") << true << 2 << 0x1234;
    QTest::newRow("longer than needed") << HexBytes("01 03 C8 79 00") << true << 3 << 51321;
    QTest::newRow("port cut short") << HexBytes("01 03 C8") << false << 0 << 0;
    QTest::newRow("kind only") << HexBytes("01") << false << 0 << 0;
    QTest::newRow("empty") << QByteArray() << false << 0 << 0;
}

void tst_Frames::helloPayload()
{
    QFETCH(QByteArray, payload);
    QFETCH(bool, readable);
    QFETCH(int, version);
    QFETCH(int, port);

    // A heap copy of exactly the payload, so a read past it shows under AddressSanitizer.
    std::unique_ptr<UBYTE[]> exact(new UBYTE[size_t(qMax(1, payload.size()))]);
    memcpy(exact.get(), payload.constData(), size_t(payload.size()));
    UBYTE readVersion = 0;
    UWORD readPort = 0;
    QCOMPARE(cConnectionBase::ReadHelloPayload(exact.get(), UWORD(payload.size()), readVersion, readPort), readable);
    if (readable) {
        QCOMPARE(int(readVersion), version);
        QCOMPARE(int(readPort), port);
    }
}

// A bulk transfer's frames reuse the blocks of the frames written before them, and however many
// are freed at once, the spare list keeps no more than its bound.
void tst_Frames::frameBlocksAreReusedWithinTheirBound()
{
    constexpr ULONG kChunkFrame = 32012;
    std::vector<cFrameBlock> inFlight;
    std::set<const UBYTE*> made;
    for (ULONG held = 0; held < 2 * cFrameBlock::kMostSpareBytes; held += kChunkFrame) {
        inFlight.emplace_back(kChunkFrame);
        made.insert(inFlight.back().get());
    }
    inFlight.clear();
    QVERIFY(cFrameBlock::SpareBytes() > 0);
    QVERIFY(cFrameBlock::SpareBytes() <= cFrameBlock::kMostSpareBytes);

    const cFrameBlock next(kChunkFrame);
    QVERIFY(made.count(next.get()) == 1);
    // Small frames come and go through the heap.
    const ULONG spare = cFrameBlock::SpareBytes();
    {
        const cFrameBlock small(64);
    }
    QCOMPARE(cFrameBlock::SpareBytes(), spare);
}

QTEST_GUILESS_MAIN(tst_Frames)
#include "tst_frames.moc"
