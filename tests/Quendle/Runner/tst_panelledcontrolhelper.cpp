#include "Quendle/Runner/PanelLEDControlHelper.h"
#include "tests/support/TraceCapture.h"

#include <QtTest>

#include <memory>

namespace
{
quint32 Code(int level, int red, int green, int blue)
{
    return quint32(level) << 24 | quint32(red) << 16 | quint32(green) << 8 | quint32(blue);
}
const QString kRedError = QStringLiteral("ERROR: Could not parse red from RGB string!");
const QString kGreenError = QStringLiteral("ERROR: Could not parse green from RGB string!");
const QString kBlueError = QStringLiteral("ERROR: Could not parse blue from RGB string!");
} // namespace

class tst_PanelLEDControlHelper : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void colourNames_data();
    void colourNames();
    void rgbStrings_data();
    void rgbStrings();
    void singleton();
    void setColoursAndDisable();
};

void tst_PanelLEDControlHelper::colourNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<quint32>("code");
    QTest::addColumn<bool>("red");
    QTest::addColumn<bool>("green");
    QTest::addColumn<bool>("blue");

    QTest::newRow("red") << "red" << Code(3, 112, 0, 0) << true << false << false;
    QTest::newRow("green is full green") << "green" << Code(7, 0, 112, 0) << false << true << false;
    QTest::newRow("yellow") << "yellow" << Code(10, 112, 112, 0) << true << true << false;
    QTest::newRow("blue") << "blue" << Code(1, 0, 0, 112) << false << false << true;
    QTest::newRow("purple") << "purple" << Code(4, 112, 0, 112) << true << false << true;
    QTest::newRow("cyan") << "cyan" << Code(8, 0, 112, 112) << false << true << true;
    QTest::newRow("white") << "white" << Code(12, 112, 112, 112) << true << true << true;
    QTest::newRow("darkgrey") << "darkgrey" << quint32(0) << false << false << false;
}

void tst_PanelLEDControlHelper::colourNames()
{
    QFETCH(QString, name);
    QFETCH(quint32, code);
    QFETCH(bool, red);
    QFETCH(bool, green);
    QFETCH(bool, blue);

    cTraceCapture trace;
    cPanelLEDControlHelper helper(false, 0.0);
    QCOMPARE(quint32(helper.ConvertColourCodeToLRGB(name)), code);
    QCOMPARE(helper.RedOn(), red);
    QCOMPARE(helper.GreenOn(), green);
    QCOMPARE(helper.BlueOn(), blue);
    QVERIFY(trace.Lines().isEmpty());

    // Names are case-sensitive: any other text is none of the eight and leaves the flags alone.
    QString other = name;
    other[0] = other[0].toUpper();
    QCOMPARE(helper.ConvertColourCodeToLRGB(other), 0);
    QCOMPARE(helper.RedOn(), red);
    QCOMPARE(helper.GreenOn(), green);
    QCOMPARE(helper.BlueOn(), blue);
}

void tst_PanelLEDControlHelper::rgbStrings_data()
{
    QTest::addColumn<QString>("rgb");
    QTest::addColumn<quint32>("code");
    QTest::addColumn<QStringList>("errors");

    QTest::newRow("lower case") << "#ff0000" << Code(3, 112, 0, 0) << QStringList();
    QTest::newRow("upper case") << "#FF0000" << Code(3, 112, 0, 0) << QStringList();
    QTest::newRow("mixed digits") << "#80ff80" << Code(9, 56, 112, 56) << QStringList();
    QTest::newRow("black") << "#000000" << Code(0, 0, 0, 0) << QStringList();
    QTest::newRow("longer: last six digits") << "#80ff8000" << Code(7, 112, 56, 0) << QStringList();
    QTest::newRow("red unreadable") << "#zz0000" << Code(1, 49, 0, 0) << QStringList { kRedError };
    QTest::newRow("blue unreadable") << "#0000zz" << Code(0, 0, 0, 49) << QStringList { kBlueError };
    QTest::newRow("all unreadable") << "#gggggg" << Code(5, 49, 49, 49)
                                    << QStringList { kRedError, kGreenError, kBlueError };
    QTest::newRow("empty") << "" << Code(5, 49, 49, 49) << QStringList { kRedError, kGreenError, kBlueError };
    // Exactly two hexadecimal digits per channel: no sign, blank or prefix is a number.
    QTest::newRow("minus sign") << "#-f0000" << Code(1, 49, 0, 0) << QStringList { kRedError };
    QTest::newRow("plus sign") << "#00+f00" << Code(3, 0, 49, 0) << QStringList { kGreenError };
    QTest::newRow("leading blank") << "#0000 f" << Code(0, 0, 0, 49) << QStringList { kBlueError };
    QTest::newRow("hex prefix") << "#0x0000" << Code(1, 49, 0, 0) << QStringList { kRedError };
    // "#fff": green has one digit and blue none.
    QTest::newRow("short form") << "#fff" << Code(7, 112, 49, 49) << QStringList { kGreenError, kBlueError };
}

void tst_PanelLEDControlHelper::rgbStrings()
{
    QFETCH(QString, rgb);
    QFETCH(quint32, code);
    QFETCH(QStringList, errors);

    cTraceCapture trace;
    const cPanelLEDControlHelper helper(false, 0.0);
    QCOMPARE(quint32(helper.ConvertColourStringToLRGB(rgb)), code);
    QCOMPARE(trace.Lines(), errors);
}

void tst_PanelLEDControlHelper::singleton()
{
    cPanelLEDControlHelper* first = cPanelLEDControlHelper::CreateSingleton(true, 10.1);
    QCOMPARE(cPanelLEDControlHelper::CreateSingleton(false, 0.0), first);
    QCOMPARE(first->IsProDVX(), true);
    QCOMPARE(first->ScreenSize(), 10.1);
    QCOMPARE(first->property("proDVX").toBool(), true);
    QCOMPARE(first->property("screenSize").toDouble(), 10.1);

    // Another helper's end does not clear the instance; the instance's own end does.
    delete new cPanelLEDControlHelper(false, 0.0);
    QCOMPARE(cPanelLEDControlHelper::CreateSingleton(false, 0.0), first);
    delete first;
    std::unique_ptr<cPanelLEDControlHelper> second(cPanelLEDControlHelper::CreateSingleton(false, 7.0));
    QCOMPARE(second->IsProDVX(), false);
    QCOMPARE(second->ScreenSize(), 7.0);
}

void tst_PanelLEDControlHelper::setColoursAndDisable()
{
    cPanelLEDControlHelper helper(false, 0.0);
    QCOMPARE(helper.OnColourCode(), quint32(0));
    QCOMPARE(helper.OffColourCode(), quint32(0));

    helper.SetPanelLEDOffColour(QStringLiteral("blue"));
    helper.SetPanelLEDColour(QStringLiteral("white"));
    QCOMPARE(helper.OnColourCode(), Code(12, 112, 112, 112));
    QCOMPARE(helper.OffColourCode(), Code(1, 0, 0, 112));
    QVERIFY(helper.RedOn() && helper.GreenOn() && helper.BlueOn());

    helper.DisableLED();
    QCOMPARE(helper.OnColourCode(), Code(12, 112, 112, 112));
    QCOMPARE(helper.OffColourCode(), quint32(0));
    QVERIFY(!helper.RedOn() && !helper.GreenOn() && !helper.BlueOn());
    helper.SetPanelLED(true); // drives nothing here
}

QTEST_GUILESS_MAIN(tst_PanelLEDControlHelper)
#include "tst_panelledcontrolhelper.moc"
