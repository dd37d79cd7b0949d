#include "Quendle/AppCommon/ChannelColours.h"
#include "tests/support/TraceCapture.h"

#include <QtTest>

#include <cmath>

class tst_ChannelColours : public QObject
{
    Q_OBJECT

private:
    static bool Near(const QColor& a, const QColor& b, int tolerance = 1)
    {
        return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
            && std::abs(a.blue() - b.blue()) <= tolerance && a.alpha() == b.alpha();
    }

private Q_SLOTS:
    void channelColourNames_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("traced");
        QTest::newRow("0") << 0 << "darkgrey" << false;
        QTest::newRow("1") << 1 << "red" << false;
        QTest::newRow("2") << 2 << "green" << false;
        QTest::newRow("3") << 3 << "yellow" << false;
        QTest::newRow("4") << 4 << "blue" << false;
        QTest::newRow("5") << 5 << "magenta" << false;
        QTest::newRow("6") << 6 << "cyan" << false;
        QTest::newRow("7") << 7 << "lightgrey" << false;
        QTest::newRow("8") << 8 << "darkgrey" << true;
        QTest::newRow("-1") << -1 << "darkgrey" << true;
        QTest::newRow("large") << 1000000 << "darkgrey" << true;
    }

    void channelColourNames()
    {
        QFETCH(int, index);
        QFETCH(QString, name);
        QFETCH(bool, traced);
        cTraceCapture traces;
        QCOMPARE(cChannelColourHelper::ChannelColourToQString(index), name);
        QCOMPARE(traces.Lines(),
            traced ? QStringList { QString("ERROR: Un-known channel colour %1").arg(index) } : QStringList());
        QVERIFY(QColor(name).isValid());
    }

    void channelSteps_data()
    {
        QTest::addColumn<QString>("step");
        QTest::addColumn<double>("in");
        QTest::addColumn<double>("out");
        QTest::newRow("inverse low") << "InverseComprand" << 10.0 << (10.0 / 255.0) / 12.92;
        QTest::newRow("inverse high") << "InverseComprand" << 128.0 << std::pow((128.0 / 255.0 + 0.055) / 1.055, 2.4);
        // The threshold is 0.00304: just above it the curve is taken.
        QTest::newRow("comprand low") << "Comprand" << 0.003 << 0.003 * 12.92 * 255.0;
        QTest::newRow("comprand above threshold")
            << "Comprand" << 0.0031 << (1.055 * std::pow(0.0031, 1.0 / 2.4) - 0.055) * 255.0;
        QTest::newRow("comprand 1") << "Comprand" << 1.0 << 255.0;
        QTest::newRow("to lab low") << "XYZToLABHelper" << 0.008 << 7.787037037037037 * 0.008 + 0.13793103448275862;
        QTest::newRow("to lab high") << "XYZToLABHelper" << 0.125 << 0.5;
        QTest::newRow("to xyz low") << "LABToXYZHelper" << 0.2 << (0.2 - 0.13793103448275862) * 0.12841854934601665;
        QTest::newRow("to xyz high") << "LABToXYZHelper" << 0.5 << 0.125;
    }

    void channelSteps()
    {
        QFETCH(QString, step);
        QFETCH(double, in);
        QFETCH(double, out);
        double result = 0;
        if (step == "InverseComprand")
            result = cColorInterpolator::InverseComprand(in);
        else if (step == "Comprand")
            result = cColorInterpolator::Comprand(in);
        else if (step == "XYZToLABHelper")
            result = cColorInterpolator::XYZToLABHelper(in);
        else
            result = cColorInterpolator::LABToXYZHelper(in);
        QVERIFY2(std::abs(result - out) < 1e-9, qPrintable(QString("%1 != %2").arg(result, 0, 'g', 12).arg(out)));
    }

    void blackAndWhiteHaveNoHue()
    {
        double l, c, h;
        cColorInterpolator::ConvertRGBToLCH(0, 0, 0, l, c, h);
        QVERIFY(std::abs(l) < 1e-9);
        QVERIFY(std::isnan(h));
        cColorInterpolator::ConvertRGBToLCH(255, 255, 255, l, c, h);
        QVERIFY(std::abs(l - 100.0) < 1e-3);
        QVERIFY(std::isnan(h));
    }

    void roundTrips_data()
    {
        QTest::addColumn<QColor>("colour");
        QTest::newRow("red") << QColor(255, 0, 0);
        QTest::newRow("green") << QColor(0, 255, 0);
        QTest::newRow("blue") << QColor(0, 0, 255);
        QTest::newRow("orange") << QColor(255, 128, 0);
        QTest::newRow("grey") << QColor(128, 128, 128);
        QTest::newRow("white") << QColor(255, 255, 255);
    }

    void roundTrips()
    {
        QFETCH(QColor, colour);
        double l, c, h, r, g, b;
        cColorInterpolator::ConvertRGBToLCH(colour.red(), colour.green(), colour.blue(), l, c, h);
        cColorInterpolator::ConvertLCHToRGB(l, c, h, r, g, b);
        QVERIFY2(
            std::abs(r - colour.red()) <= 1 && std::abs(g - colour.green()) <= 1 && std::abs(b - colour.blue()) <= 1,
            qPrintable(QString("%1 %2 %3").arg(r).arg(g).arg(b)));
    }

    void interpolation_data()
    {
        QTest::addColumn<QColor>("from");
        QTest::addColumn<QColor>("to");
        QTest::addColumn<double>("t");
        QTest::addColumn<QColor>("expected");
        const QColor red(255, 0, 0), blue(0, 0, 255), grey(128, 128, 128), white(255, 255, 255), black(0, 0, 0);
        QTest::newRow("t 0") << red << blue << 0.0 << red;
        QTest::newRow("t 1") << red << blue << 1.0 << blue;
        // The short way round the hue circle goes through magenta, not green.
        QTest::newRow("red to blue halfway") << red << blue << 0.5 << QColor(250, 0, 128);
        // A grey end takes the other end's hue: t 1 is `to`, t 0 is `from`.
        QTest::newRow("grey to red, t 1") << grey << red << 1.0 << red;
        QTest::newRow("grey to red, t 0") << grey << red << 0.0 << grey;
        QTest::newRow("red to grey, t 1") << red << grey << 1.0 << grey;
        QTest::newRow("white to blue, t 1") << white << blue << 1.0 << blue;
        QTest::newRow("black to green, t 1") << black << QColor(0, 255, 0) << 1.0 << QColor(0, 255, 0);
        QTest::newRow("grey to white halfway stays grey") << grey << white << 0.5 << QColor(189, 189, 189);
        QTest::newRow("beyond 1, opaque") << red << blue << 1.5 << QColor();
    }

    void interpolation()
    {
        QFETCH(QColor, from);
        QFETCH(QColor, to);
        QFETCH(double, t);
        QFETCH(QColor, expected);
        const QColor result = cColorInterpolator::InterpolateColour(from, to, t);
        QVERIFY(result.isValid());
        if (!expected.isValid())
            return; // only validity and alpha matter there
        QVERIFY2(Near(result, expected), qPrintable(result.name()));
    }

    void greyBlendHasOneHue()
    {
        // Every step from grey to red is a muted red of red's own hue, never another hue.
        double l, c, redHue, hue;
        cColorInterpolator::ConvertRGBToLCH(255, 0, 0, l, c, redHue);
        for (double t : { 0.25, 0.5, 0.75 }) {
            const QColor step = cColorInterpolator::InterpolateColour(QColor(128, 128, 128), QColor(255, 0, 0), t);
            cColorInterpolator::ConvertRGBToLCH(step.red(), step.green(), step.blue(), l, c, hue);
            QVERIFY2(
                std::abs(hue - redHue) < 3.0, qPrintable(QString("%1 at %2: hue %3").arg(step.name()).arg(t).arg(hue)));
        }
    }

    void alpha_data()
    {
        QTest::addColumn<int>("fromAlpha");
        QTest::addColumn<int>("toAlpha");
        QTest::addColumn<double>("t");
        QTest::addColumn<int>("alpha"); // -1: invalid colour
        QTest::newRow("opaque beyond 1") << 255 << 255 << 1.5 << 255;
        QTest::newRow("fade in halfway") << 0 << 255 << 0.5 << 127;
        QTest::newRow("fade in beyond 1") << 0 << 255 << 1.5 << -1;
        QTest::newRow("fade out before 0") << 255 << 0 << -0.5 << -1;
        QTest::newRow("fade out, truncated") << 255 << 0 << 0.999 << 0;
    }

    void alpha()
    {
        QFETCH(int, fromAlpha);
        QFETCH(int, toAlpha);
        QFETCH(double, t);
        QFETCH(int, alpha);
        const QColor result
            = cColorInterpolator::InterpolateColour(QColor(255, 0, 0, fromAlpha), QColor(0, 0, 255, toAlpha), t);
        if (alpha < 0) {
            QVERIFY(!result.isValid());
        } else {
            QVERIFY(result.isValid());
            QCOMPARE(result.alpha(), alpha);
        }
    }
};

QTEST_GUILESS_MAIN(tst_ChannelColours)
#include "tst_channelcolours.moc"
