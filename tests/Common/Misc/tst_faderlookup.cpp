#include "AES-Standards/Conversions.h"
#include "Common/Misc/NonLinearLookup.h"
#include "tests/support/TraceCapture.h"

#include <QtTest>

#include <algorithm>

class tst_FaderLookup : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void index_data();
    void index();
    void indexIsLowerBoundForEveryCode();
    void landmarks_data();
    void landmarks();
    void tableAscends();
    void shorterLastIndex_data();
    void shorterLastIndex();
    void diagnoseReportsEveryBadPair();
};

void tst_FaderLookup::index_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("index");
    QTest::newRow("minus infinity") << 0 << 0;
    QTest::newRow("1") << 1 << 1;
    QTest::newRow("first entry above 0") << 7424 << 1;
    QTest::newRow("just above it") << 7425 << 2;
    QTest::newRow("0 dB") << 32768 << 196;
    QTest::newRow("just above 0 dB") << 32769 << 197;
    QTest::newRow("just below +10 dB") << 35327 << 255;
    QTest::newRow("+10 dB") << 35328 << 255;
    QTest::newRow("above the law") << 35329 << 255;
    QTest::newRow("top code") << 65535 << 255;
}

void tst_FaderLookup::index()
{
    QFETCH(int, code);
    QFETCH(int, index);
    const cFaderLookup lookup;
    QCOMPARE(int(lookup.GetIndex(UWORD(code))), index);
}

void tst_FaderLookup::indexIsLowerBoundForEveryCode()
{
    const cFaderLookup lookup;
    const UWORD* begin = cFaderLookup::kFaderLawTable;
    const UWORD* end = begin + cFaderLookup::TABLE_SIZE;
    for (int code = 0; code <= 0xFFFF; ++code) {
        const int expected = std::min<int>(int(std::lower_bound(begin, end, UWORD(code)) - begin), 255);
        if (lookup.GetIndex(UWORD(code)) != expected)
            QFAIL(qPrintable(QString("code %1: %2, expected %3").arg(code).arg(lookup.GetIndex(code)).arg(expected)));
    }
}

void tst_FaderLookup::landmarks_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("decibels");
    QTest::newRow("1") << 1 << -99;
    QTest::newRow("8") << 8 << -69;
    QTest::newRow("16") << 16 << -50;
    QTest::newRow("31") << 31 << -40;
    QTest::newRow("62") << 62 << -30;
    QTest::newRow("93") << 93 << -20;
    QTest::newRow("124") << 124 << -10;
    QTest::newRow("157") << 157 << -5;
    QTest::newRow("196") << 196 << 0;
    QTest::newRow("231") << 231 << 5;
    QTest::newRow("255") << 255 << 10;
}

void tst_FaderLookup::landmarks()
{
    QFETCH(int, index);
    QFETCH(int, decibels);
    QCOMPARE(int(UWORDToGain(cFaderLookup::kFaderLawTable[index])), decibels * 256);
    QCOMPARE(int(cFaderLookup::kFaderLawTable[0]), 0);
}

void tst_FaderLookup::tableAscends()
{
    cTraceCapture capture;
    QCOMPARE(int(cFaderLookup().Diagnose()), 255);
    QVERIFY2(capture.Lines().isEmpty(), qPrintable(capture.Lines().join('\n')));
}

void tst_FaderLookup::shorterLastIndex_data()
{
    QTest::addColumn<int>("lastIndex");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("index");
    QTest::newRow("last index 0: always 0") << 0 << 30000 << 0;
    QTest::newRow("last index 0, code 0") << 0 << 0 << 0;
    QTest::newRow("last index 196: 0 dB") << 196 << 32768 << 196;
    QTest::newRow("last index 196: above") << 196 << 35328 << 196;
    QTest::newRow("last index 196: below") << 196 << 32767 << 196;
    QTest::newRow("last index 196: 7425") << 196 << 7425 << 2;
    QTest::newRow("last index 1") << 1 << 5 << 1;
}

void tst_FaderLookup::shorterLastIndex()
{
    QFETCH(int, lastIndex);
    QFETCH(int, code);
    QFETCH(int, index);
    QCOMPARE(int(cFaderLookup(UBYTE(lastIndex)).GetIndex(UWORD(code))), index);
}

void tst_FaderLookup::diagnoseReportsEveryBadPair()
{
    const UWORD table[] = { 1, 5, 5, 9, 2 };
    const cNonLinearLookup lookup(table, 4);
    cTraceCapture capture;
    QCOMPARE(int(lookup.Diagnose()), 4);
    QCOMPARE(capture.Lines(),
        QStringList({ "ERROR: Index: 1 >= 2  --  Value: 5 >= 5", "ERROR: Index: 3 >= 4  --  Value: 9 >= 2" }));

    const UWORD single[] = { 7 };
    capture.Clear();
    QCOMPARE(int(cNonLinearLookup(single, 0).Diagnose()), 0);
    QVERIFY(capture.Lines().isEmpty());
}

QTEST_GUILESS_MAIN(tst_FaderLookup)
#include "tst_faderlookup.moc"
