#include "ZUNet/Core/ZUNetMessage.h"
#include "ZUNet/Core/ZUNetMessagePool.h"
#include "tests/support/MessageData.h"
#include "tests/support/TraceCapture.h"

#include <QtTest>

#include <cstring>

#include <vector>

class tst_Message : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void defaults();
    void copyAndAssign();
    void setLength();
    void encoding_data();
    void encoding();
    void strings();
    void checkedReaders_data();
    void checkedReaders();
    void lengthGuardTraces();

    void sizeClasses_data();
    void sizeClasses();
    void smallPoolGrowsPastInitial();
    void staticPoolConstructionTraces_data();
    void staticPoolConstructionTraces();
    void staticPoolLimits();
    void staticPoolIsLastInFirstOut();
    void dynamicPoolCap();
    void returnGoesToTheOriginalPool();
};

void tst_Message::defaults()
{
    cZUNetMessage m;
    QCOMPARE(m.mConnectionId, UWORD(0xFFFF));
    QCOMPARE(m.mDestination, UWORD(0xFFFF));
    QCOMPARE(m.mSource, UWORD(0xFFFF));
    QCOMPARE(m.mMethod, UWORD(0));
    QCOMPARE(m.mLength, UWORD(0));
    QCOMPARE(m.mBufferSize, UWORD(0));
    QVERIFY(!m.mDataBuffer);

    cZUNetMessage sized(12);
    QCOMPARE(sized.mLength, UWORD(12));
    QCOMPARE(sized.mBufferSize, UWORD(12));
    QVERIFY(sized.mDataBuffer);
    QCOMPARE(sized.mConnectionId, UWORD(0xFFFF));
}

void tst_Message::copyAndAssign()
{
    cZUNetMessage empty;
    empty.mMethod = 7;
    const cZUNetMessage copy(empty);
    QVERIFY(!copy.mDataBuffer);
    QCOMPARE(copy.mBufferSize, UWORD(0));
    QCOMPARE(copy.mMethod, UWORD(7));

    cZUNetMessage big(1280);
    cZUNetMessage two(2);
    two.SetDataBufferUWORD(0xBEEF, 0);
    two.SetAddress(1, 2, 3, 4);
    big = two;
    QCOMPARE(big.mBufferSize, UWORD(1280));
    QCOMPARE(big.mLength, UWORD(2));
    QCOMPARE(big.GetDataBufferUWORD(0), UWORD(0xBEEF));
    QCOMPARE(big.mConnectionId, UWORD(1));
    QCOMPARE(big.mDestination, UWORD(2));
    QCOMPARE(big.mSource, UWORD(3));
    QCOMPARE(big.mMethod, UWORD(4));

    cZUNetMessage small(1);
    small = big; // grows to exactly the new length
    QCOMPARE(small.mBufferSize, UWORD(2));
    QCOMPARE(small.GetDataBufferUWORD(0), UWORD(0xBEEF));

    const cZUNetMessage copied(big); // a copy holds exactly mLength bytes
    QCOMPARE(copied.mBufferSize, UWORD(2));
}

void tst_Message::setLength()
{
    cZUNetMessage m(4);
    m.SetDataBufferULONG(0x01020304, 0);
    m.SetLength(2);
    QCOMPARE(m.mBufferSize, UWORD(4));
    QCOMPARE(m.GetDataBufferUWORD(0), UWORD(0x0102)); // shorter keeps the data
    m.SetLength(100);
    QCOMPARE(m.mBufferSize, UWORD(100));
    QCOMPARE(m.mLength, UWORD(100));
}

void tst_Message::encoding_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<qint64>("value");
    QTest::addColumn<int>("offset");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("UWORD 0x1234") << "UWORD" << qint64(0x1234) << 0 << QByteArray::fromHex("1234");
    QTest::newRow("SWORD -2") << "SWORD" << qint64(-2) << 0 << QByteArray::fromHex("FFFE");
    QTest::newRow("SWORD -32768") << "SWORD" << qint64(-32768) << 0 << QByteArray::fromHex("8000");
    QTest::newRow("SLONG -1 at 4") << "SLONG" << qint64(-1) << 4 << QByteArray::fromHex("FFFFFFFF");
    QTest::newRow("ULONG") << "ULONG" << qint64(0x01020304) << 0 << QByteArray::fromHex("01020304");
    QTest::newRow("SBYTE -1") << "SBYTE" << qint64(-1) << 3 << QByteArray::fromHex("FF");
    QTest::newRow("UBYTE") << "UBYTE" << qint64(0xA5) << 1 << QByteArray::fromHex("A5");
}

void tst_Message::encoding()
{
    QFETCH(QString, kind);
    QFETCH(qint64, value);
    QFETCH(int, offset);
    QFETCH(QByteArray, bytes);
    cZUNetMessage m(8);
    std::memset(m.mDataBuffer, 0, 8);
    qint64 readBack = 0;
    if (kind == "UWORD") {
        m.SetDataBufferUWORD(UWORD(value), offset);
        readBack = m.GetDataBufferUWORD(offset);
    } else if (kind == "SWORD") {
        m.SetDataBufferSWORD(SWORD(value), offset);
        readBack = m.GetDataBufferSWORD(offset);
    } else if (kind == "ULONG") {
        m.SetDataBufferULONG(ULONG(value), offset);
        readBack = m.GetDataBufferULONG(offset);
    } else if (kind == "SLONG") {
        m.SetDataBufferSLONG(SLONG(value), offset);
        readBack = m.GetDataBufferSLONG(offset);
    } else if (kind == "UBYTE") {
        m.SetDataBufferUBYTE(UBYTE(value), offset);
        readBack = m.GetDataBufferUBYTE(offset);
    } else {
        m.SetDataBufferSBYTE(SBYTE(value), offset);
        readBack = m.GetDataBufferSBYTE(offset);
    }
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(m.mDataBuffer) + offset, bytes.size()), bytes);
    QCOMPARE(readBack, value);
}

void tst_Message::strings()
{
    cZUNetMessage m(8);
    std::memset(m.mDataBuffer, 0x55, 8);
    m.SetDataBufferString("abc", 2);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(m.mDataBuffer), 7),
        QByteArray("\x55\x55"
                   "abc\0\x55",
            7));
    QCOMPARE(QByteArray(m.GetDataBufferString(2)), QByteArray("abc"));

    const QString threeTwoByte = QString::fromUtf8("\xC3\xA9\xC3\xA8\xC3\xAA");
    QCOMPARE(cZUNetMessage::GetQStringLength(threeTwoByte), 7);
    QCOMPARE(cZUNetMessage::GetQStringLength(QString()), 1);
    cZUNetMessage q(UWORD(cZUNetMessage::GetQStringLength(threeTwoByte)));
    q.SetDataBufferQString(threeTwoByte, 0);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(q.mDataBuffer), 7), QByteArray("\xC3\xA9\xC3\xA8\xC3\xAA\0", 7));
}

void tst_Message::checkedReaders_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("offset");
    QTest::addColumn<bool>("wordOk");
    QTest::addColumn<bool>("stringOk");
    QTest::newRow("empty") << QByteArray() << 0 << false << false;
    QTest::newRow("one byte") << QByteArray::fromHex("41") << 0 << false << false;
    QTest::newRow("word at end") << QByteArray::fromHex("4100") << 0 << true << true;
    QTest::newRow("word past end") << QByteArray::fromHex("410000") << 2 << false << true;
    QTest::newRow("no NUL") << QByteArray("abcd") << 0 << true << false;
    QTest::newRow("NUL after offset") << QByteArray("ab\0d\0", 5) << 3 << true << true;
    QTest::newRow("negative offset") << QByteArray("ab\0", 3) << -1 << false << false;
}

void tst_Message::checkedReaders()
{
    QFETCH(QByteArray, data);
    QFETCH(int, offset);
    QFETCH(bool, wordOk);
    QFETCH(bool, stringOk);
    const cZUNetMessage m = MessageWithData(data);
    UWORD word = 0;
    const char* text = nullptr;
    QCOMPARE(m.ReadUWORD(offset, word), wordOk);
    QCOMPARE(m.ReadString(offset, text), stringOk);
}

void tst_Message::lengthGuardTraces()
{
    cTraceCapture traces;
    cZUNetMessage m(3);
    m.mMethod = 6;
    m.mConnectionId = 2;
    m.mSource = 9;
    QVERIFY(ZU_CHECK_LENGTH(m, 3));
    QVERIFY(!ZU_CHECK_LENGTH(m, 10));
    QCOMPARE(traces.Lines(),
        QStringList { "ERROR: Message too short, dropped: Method: 6 Length: 3 Needed: 10 ConnId: 2 Source: 9" });
}

void tst_Message::sizeClasses_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("pool");
    QTest::newRow("0") << 0 << "small";
    QTest::newRow("10") << 10 << "small";
    QTest::newRow("11") << 11 << "medium";
    QTest::newRow("1280") << 1280 << "medium";
    QTest::newRow("1281") << 1281 << "heap";
    QTest::newRow("65535") << 65535 << "heap";
}

void tst_Message::sizeClasses()
{
    QFETCH(int, length);
    QFETCH(QString, pool);
    sZUNetMessagePoolConfig config;
    config.mSmallInitial = 4;
    config.mMediumInitial = 4;
    cZUNetMessagePool pools(config);
    cZUNetMessage* m = pools.GetZUNetMessage(UWORD(length));
    QVERIFY(m);
    QCOMPARE(pools.SmallPool().GetNumberFree(), size_t(pool == "small" ? 3 : 4));
    QCOMPARE(pools.MediumPool().GetNumberFree(), size_t(pool == "medium" ? 3 : 4));
    QCOMPARE(pools.LargePool().GetHeapUsed(), ULONG(pool == "heap" ? length : 0));
    if (pool == "small")
        QCOMPARE(m->mBufferSize, UWORD(10));
    if (pool == "medium")
        QCOMPARE(m->mBufferSize, UWORD(1280));
    pools.ReturnZUNetMessage(m, UWORD(length));
    QCOMPARE(pools.SmallPool().GetNumberFree(), size_t(4));
    QCOMPARE(pools.MediumPool().GetNumberFree(), size_t(4));
    QCOMPARE(pools.LargePool().GetHeapUsed(), ULONG(0));
}

void tst_Message::smallPoolGrowsPastInitial()
{
    cZUNetMessagePool pools;
    QCOMPARE(pools.SmallPool().GetNumberCreated(), ULONG(25000));
    QCOMPARE(pools.MediumPool().GetNumberCreated(), ULONG(1000));
    std::vector<cZUNetMessage*> held;
    for (int i = 0; i < 25001; ++i) {
        cZUNetMessage* m = pools.GetZUNetMessage(4);
        QVERIFY(m);
        held.push_back(m);
    }
    QCOMPARE(pools.SmallPool().GetNumberCreated(), ULONG(26000));
    QCOMPARE(pools.SmallPool().GetNumberFree(), size_t(999));
    for (cZUNetMessage* m : held)
        pools.ReturnZUNetMessage(m);
    QCOMPARE(pools.SmallPool().GetNumberFree(), size_t(26000));
}

void tst_Message::staticPoolConstructionTraces_data()
{
    QTest::addColumn<int>("max");
    QTest::addColumn<int>("initial");
    QTest::addColumn<int>("growth");
    QTest::addColumn<QStringList>("traces");
    QTest::newRow("no growth") << 5 << 2 << 0
                               << QStringList {
                                      "ERROR: No GrowthIncrement set, but Initial != Max, so growth expected!"
                                  };
    QTest::newRow("not a modulo") << 10 << 3 << 4
                                  << QStringList { "ERROR: GrowthIncrement set, but not a modulo of the Max! 3" };
    QTest::newRow("fits") << 10 << 2 << 4 << QStringList {};
    QTest::newRow("no max") << 0 << 2 << 0 << QStringList {};
    QTest::newRow("max equals initial") << 4 << 4 << 0 << QStringList {};
}

void tst_Message::staticPoolConstructionTraces()
{
    QFETCH(int, max);
    QFETCH(int, initial);
    QFETCH(int, growth);
    QFETCH(QStringList, traces);
    cTraceCapture capture;
    cStaticZUNetMessPool pool(10, ULONG(initial), ULONG(max), ULONG(growth));
    QCOMPARE(capture.Lines(), traces);
    QCOMPARE(pool.GetNumberCreated(), ULONG(initial));
}

void tst_Message::staticPoolLimits()
{
    {
        cTraceCapture capture;
        cStaticZUNetMessPool pool(10, 2, 5, 0);
        capture.Clear();
        cZUNetMessage* a = pool.GetZUNetMessage();
        cZUNetMessage* b = pool.GetZUNetMessage();
        QVERIFY(a && b);
        QVERIFY(!pool.GetZUNetMessage());
        QCOMPARE(capture.Lines(), QStringList {}); // refused by the zero growth, not by the maximum
        pool.ReturnZUNetMessage(a);
        pool.ReturnZUNetMessage(b);
    }
    {
        cTraceCapture capture;
        cStaticZUNetMessPool pool(10, 2, 4, 2);
        std::vector<cZUNetMessage*> held;
        for (int i = 0; i < 4; ++i)
            held.push_back(pool.GetZUNetMessage());
        QVERIFY(std::all_of(held.begin(), held.end(), [](cZUNetMessage* m) { return m != nullptr; }));
        QVERIFY(!pool.GetZUNetMessage());
        QCOMPARE(capture.Lines(), QStringList { "ERROR: Mess Pools Full" });
        for (cZUNetMessage* m : held)
            pool.ReturnZUNetMessage(m);
    }
}

void tst_Message::staticPoolIsLastInFirstOut()
{
    cStaticZUNetMessPool pool(10, 3, 0, 1);
    cZUNetMessage* a = pool.GetZUNetMessage();
    cZUNetMessage* b = pool.GetZUNetMessage();
    pool.ReturnZUNetMessage(a);
    pool.ReturnZUNetMessage(b);
    QCOMPARE(pool.GetZUNetMessage(), b);
    QCOMPARE(pool.GetZUNetMessage(), a);
    pool.ReturnZUNetMessage(a);
    pool.ReturnZUNetMessage(b);
}

void tst_Message::dynamicPoolCap()
{
    cTraceCapture capture;
    cDynamicZUNetMessPool pool(100);
    cZUNetMessage* first = pool.GetZUNetMessage(60);
    cZUNetMessage* second = pool.GetZUNetMessage(60); // checked before adding: still granted
    QVERIFY(first && second);
    QCOMPARE(pool.GetHeapUsed(), ULONG(120));
    QVERIFY(!pool.GetZUNetMessage(1));
    QCOMPARE(capture.Lines(), QStringList { "ERROR: Heap Memory Cap Reached" });
    pool.ReturnZUNetMessage(first);
    QCOMPARE(pool.GetHeapUsed(), ULONG(60));
    cZUNetMessage* third = pool.GetZUNetMessage(1);
    QVERIFY(third);
    pool.ReturnZUNetMessage(second);
    pool.ReturnZUNetMessage(third);
    QCOMPARE(pool.GetHeapUsed(), ULONG(0));
}

void tst_Message::returnGoesToTheOriginalPool()
{
    // A handler may shorten the message it was handed; it still goes home.
    sZUNetMessagePoolConfig config;
    config.mSmallInitial = 2;
    config.mMediumInitial = 2;
    cZUNetMessagePool pools(config);
    cZUNetMessage* medium = pools.GetZUNetMessage(100);
    medium->SetLength(2);
    pools.ReturnZUNetMessage(medium, 100);
    QCOMPARE(pools.SmallPool().GetNumberFree(), size_t(2));
    QCOMPARE(pools.MediumPool().GetNumberFree(), size_t(2));

    cZUNetMessage* heap = pools.GetZUNetMessage(2000);
    heap->SetLength(5);
    pools.ReturnZUNetMessage(heap, 2000);
    QCOMPARE(pools.LargePool().GetHeapUsed(), ULONG(0));
    QCOMPARE(pools.SmallPool().GetNumberFree(), size_t(2));
}

QTEST_GUILESS_MAIN(tst_Message)
#include "tst_message.moc"
