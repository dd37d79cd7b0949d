// The kiosk word of the command line.

#include "Quendle/Runner/ApplicationArguments.h"
#include "tests/support/TraceCapture.h"

#include <QtTest>

class tst_ApplicationArguments : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void table_data();
    void table();
};

void tst_ApplicationArguments::table_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("given");
    QTest::addColumn<bool>("on");
    QTest::addColumn<QString>("error");

    const QString wrongWord = QStringLiteral("Invalid arguments use \"KioskMode\" or \"NoKioskMode\"");
    const QString wrongCount = QStringLiteral("Invalid number of argument use \"KioskMode\" or \"NoKioskMode\"");
    QTest::newRow("none") << QStringList() << false << false << QString();
    QTest::newRow("KioskMode") << QStringList { "KioskMode" } << true << true << QString();
    QTest::newRow("NoKioskMode") << QStringList { "NoKioskMode" } << true << false << QString();
    QTest::newRow("other case") << QStringList { "kioskmode" } << false << false << wrongWord;
    QTest::newRow("other word") << QStringList { "foo" } << false << false << wrongWord;
    QTest::newRow("empty word") << QStringList { "" } << false << false << wrongWord;
    QTest::newRow("two, both right") << QStringList { "KioskMode", "KioskMode" } << false << false << wrongCount;
    QTest::newRow("three") << QStringList { "NoKioskMode", "a", "b" } << false << false << wrongCount;
}

void tst_ApplicationArguments::table()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, given);
    QFETCH(bool, on);
    QFETCH(QString, error);

    cTraceCapture trace;
    const Quendle::sKioskArguments result = Quendle::ParseKioskArguments(arguments);
    QCOMPARE(result.mGiven, given);
    QCOMPARE(result.mOn, on);
    if (error.isEmpty()) {
        QCOMPARE(trace.Lines().size(), 0);
    } else {
        QCOMPARE(trace.Lines().size(), 1);
        QVERIFY2(trace.Lines().first().endsWith(error), qPrintable(trace.Lines().first()));
    }
}

QTEST_GUILESS_MAIN(tst_ApplicationArguments)
#include "tst_applicationarguments.moc"
