#include "AES-Standards/Conversions.h"
#include "tests/support/TraceCapture.h"

#include <QtTest>

#include <cmath>
#include <limits>

namespace
{
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInfinity = std::numeric_limits<double>::infinity();
} // namespace

class tst_Conversions : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void byteToBool_data();
    void byteToBool();
    void boolToByte();
    void codeToGain_data();
    void codeToGain();
    void gainToCode_data();
    void gainToCode();
    void codeToFrequency_data();
    void codeToFrequency();
    void frequencyToCode_data();
    void frequencyToCode();
    void codeToTime_data();
    void codeToTime();
    void timeToCode_data();
    void timeToCode();
    void truncate_data();
    void truncate();
};

void tst_Conversions::byteToBool_data()
{
    QTest::addColumn<int>("byte");
    QTest::addColumn<bool>("expected");
    QTest::addColumn<QString>("trace");
    QTest::newRow("0") << 0 << false << QString();
    QTest::newRow("1") << 1 << true << QString();
    QTest::newRow("2 is on, traced") << 2 << true << "ERROR: Bad conversion to boolean for UBYTE with value 0x2";
    QTest::newRow("255 is on, traced") << 255 << true << "ERROR: Bad conversion to boolean for UBYTE with value 0xFF";
}

void tst_Conversions::byteToBool()
{
    QFETCH(int, byte);
    QFETCH(bool, expected);
    QFETCH(QString, trace);
    cTraceCapture capture;
    QCOMPARE(UBYTEToBool(UBYTE(byte)), expected);
    if (trace.isEmpty())
        QVERIFY(capture.Lines().isEmpty());
    else
        QCOMPARE(capture.Lines(), QStringList { trace });
}

void tst_Conversions::boolToByte()
{
    QCOMPARE(int(BoolToUBYTE(true)), 1);
    QCOMPARE(int(BoolToUBYTE(false)), 0);
}

void tst_Conversions::codeToGain_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("gain");
    QTest::newRow("0 is minus infinity") << 0 << -32767;
    QTest::newRow("1 is minus infinity as well") << 1 << -32767;
    QTest::newRow("2") << 2 << -32766;
    QTest::newRow("0 dB") << 32768 << 0;
    QTest::newRow("+10 dB") << 35328 << 2560;
    QTest::newRow("top") << 65535 << 32767;
}

void tst_Conversions::codeToGain()
{
    QFETCH(int, code);
    QFETCH(int, gain);
    QCOMPARE(int(UWORDToGain(UWORD(code))), gain);
}

void tst_Conversions::gainToCode_data()
{
    QTest::addColumn<int>("gain");
    QTest::addColumn<int>("code");
    QTest::newRow("0 dB") << 0 << 32768;
    QTest::newRow("minus infinity") << -32767 << 0;
    QTest::newRow("bottom wraps to 0") << -32768 << 0;
    QTest::newRow("-32766") << -32766 << 2;
    QTest::newRow("+10 dB") << 2560 << 35328;
    QTest::newRow("top") << 32767 << 65535;
}

void tst_Conversions::gainToCode()
{
    QFETCH(int, gain);
    QFETCH(int, code);
    QCOMPARE(int(GainToUWORD(SWORD(gain))), code);
}

void tst_Conversions::codeToFrequency_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<double>("hertz");
    QTest::newRow("0 is 4 Hz") << 0 << 4.0;
    QTest::newRow("one octave up") << 4608 << 8.0;
    QTest::newRow("about 1 kHz") << 36706 << 999.9498;
    QTest::newRow("top") << 65535 << 76438.148;
}

void tst_Conversions::codeToFrequency()
{
    QFETCH(int, code);
    QFETCH(double, hertz);
    QVERIFY2(std::abs(UWORDToFreq(UWORD(code)) - hertz) < hertz * 1e-6, qPrintable(QString::number(UWORDToFreq(code))));
}

void tst_Conversions::frequencyToCode_data()
{
    QTest::addColumn<double>("hertz");
    QTest::addColumn<int>("code");
    QTest::newRow("1 kHz") << 1000.0 << 36706;
    QTest::newRow("4 Hz") << 4.0 << 0;
    QTest::newRow("20 kHz") << 20000.0 << 56621;
    QTest::newRow("below 4 Hz: low bits of a negative code") << 3.0 << 63624;
    QTest::newRow("far above: low bits") << 1e300 << 61033;
    QTest::newRow("0 Hz") << 0.0 << 0;
    QTest::newRow("negative") << -1.0 << 0;
    QTest::newRow("NaN") << kNaN << 0;
    QTest::newRow("infinity") << kInfinity << 0;
    QTest::newRow("minus infinity") << -kInfinity << 0;
}

void tst_Conversions::frequencyToCode()
{
    QFETCH(double, hertz);
    QFETCH(int, code);
    QCOMPARE(int(FreqToUWORD(hertz)), code);
}

void tst_Conversions::codeToTime_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<double>("seconds");
    QTest::newRow("0 is 0 s") << 0 << 0.0;
    QTest::newRow("1 is 1 us") << 1 << 0.000001;
    QTest::newRow("about 1 ms") << 17874 << 0.00099982434;
    QTest::newRow("top") << 65535 << 99922.7336;
}

void tst_Conversions::codeToTime()
{
    QFETCH(int, code);
    QFETCH(double, seconds);
    const double result = UWORDToTime(UWORD(code));
    if (seconds == 0.0)
        QCOMPARE(result, 0.0);
    else
        QVERIFY2(std::abs(result - seconds) < seconds * 1e-6, qPrintable(QString::number(result, 'g', 12)));
}

void tst_Conversions::timeToCode_data()
{
    QTest::addColumn<double>("seconds");
    QTest::addColumn<int>("code");
    QTest::newRow("1 ms") << 0.001 << 17874;
    QTest::newRow("1 us") << 0.000001 << 1;
    QTest::newRow("10 s") << 10.0 << 41705;
    QTest::newRow("0 s") << 0.0 << 0;
    QTest::newRow("-0 s") << -0.0 << 0;
    QTest::newRow("below 1 us: low bits of a negative code") << 0.0000001 << 59580;
    QTest::newRow("negative") << -1.0 << 0;
    QTest::newRow("NaN") << kNaN << 0;
    QTest::newRow("infinity") << kInfinity << 0;
}

void tst_Conversions::timeToCode()
{
    QFETCH(double, seconds);
    QFETCH(int, code);
    QCOMPARE(int(TimeToUWORD(seconds)), code);
}

void tst_Conversions::truncate_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("word");
    QTest::newRow("toward zero") << 65535.9 << 65535;
    QTest::newRow("wraps at 65536") << 65536.5 << 0;
    QTest::newRow("negative toward zero") << -1.5 << 65535;
    QTest::newRow("largest that fits 64 bits") << 9223372036854774784.0 << 64512;
    QTest::newRow("2^63 does not fit") << 9223372036854775808.0 << 0;
    QTest::newRow("-2^63 fits") << -9223372036854775808.0 << 0;
    QTest::newRow("1e19") << 1e19 << 0;
    QTest::newRow("-1e300") << -1e300 << 0;
    QTest::newRow("NaN") << kNaN << 0;
    QTest::newRow("-NaN") << -kNaN << 0;
    QTest::newRow("infinity") << kInfinity << 0;
}

void tst_Conversions::truncate()
{
    QFETCH(double, value);
    QFETCH(int, word);
    QCOMPARE(int(TruncateToUWORD(value)), word);
}

QTEST_GUILESS_MAIN(tst_Conversions)
#include "tst_conversions.moc"
