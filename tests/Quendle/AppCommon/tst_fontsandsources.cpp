#include "Quendle/AppCommon/QuendleFonts.h"
#include "Quendle/AppCommon/SourceInfo.h"
#include "tests/support/TraceCapture.h"

#include <QSignalSpy>
#include <QtTest>

class tst_FontsAndSources : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fontTable()
    {
        const QMap<QString, QString> expected { { "amaticsc", "Amatic SC" }, { "andada", "Andada" },
            { "anticsans", "Antic Sans" }, { "belgrano", "Belgrano" }, { "blackhansans", "Black Han Sans" },
            { "breeserif", "Bree Serif" }, { "crimsontext", "Crimson Text" }, { "encodesans", "Encode Sans" },
            { "exo2", "Exo 2" }, { "fjordone", "Fjord One" }, { "glegoo", "Glegoo" },
            { "ibmplexmono", "IBM Plex Mono" }, { "koho", "Ko-Ho" }, { "lato", "Lato" },
            { "martelsans", "Martel Sans" }, { "mina", "Mina" }, { "poiretone", "Poiret One" },
            { "shadowsintolight", "Shadows Into Light" } };
        QCOMPARE(cQuendleFonts::mFontCodesToNames, expected);
        const QStringList codes = cQuendleFonts::mFontCodesToNames.keys();
        QCOMPARE(codes.count(), 18);
        QCOMPARE(codes.first(), QString("amaticsc"));
        QCOMPARE(codes.last(), QString("shadowsintolight"));
        QCOMPARE(cQuendleFonts::mDefaultFontCode, QString("lato"));
        QVERIFY(codes.contains(cQuendleFonts::mDefaultFontCode));
        QVERIFY(!cQuendleFonts::mFontCodesToNames.contains("Lato"));
        QCOMPARE(cQuendleFonts::mFontCodesToNames.value("nope"), QString());
    }

    void sourceName()
    {
        cSourceInfo source(nullptr, "In 1", "red");
        QCOMPARE(source.sourceName(), QString("In 1"));
        QSignalSpy name(&source, &cSourceInfo::nameChanged);
        QSignalSpy colour(&source, &cSourceInfo::colourChanged);
        source.SetSourceName("Vocal");
        source.SetSourceName("Vocal");
        QCOMPARE(name.count(), 1);
        QCOMPARE(source.property("sourceName").toString(), QString("Vocal"));
        QCOMPARE(colour.count(), 0);
    }

    void sourceColour_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QList<int>>("indices");
        QTest::addColumn<QString>("colour");
        QTest::addColumn<int>("signals");
        QTest::addColumn<int>("traces");
        QTest::newRow("red") << "" << QList<int> { 1 } << "red" << 1 << 0;
        QTest::newRow("same index twice") << "" << QList<int> { 4, 4 } << "blue" << 1 << 0;
        // 0 and 8 both give "darkgrey".
        QTest::newRow("0 then 8") << "" << QList<int> { 0, 8 } << "darkgrey" << 1 << 1;
        QTest::newRow("already blue") << "blue" << QList<int> { 4 } << "blue" << 0 << 0;
        QTest::newRow("unknown from start") << "" << QList<int> { -1 } << "darkgrey" << 1 << 1;
    }

    void sourceColour()
    {
        QFETCH(QString, start);
        QFETCH(QList<int>, indices);
        QFETCH(QString, colour);
        QFETCH(int, signals);
        QFETCH(int, traces);
        cSourceInfo source;
        QSignalSpy changed(&source, &cSourceInfo::colourChanged);
        source.SetSourceColour(start); // stores without a signal
        QCOMPARE(changed.count(), 0);
        cTraceCapture capture;
        for (int index : indices)
            source.SetSourceColourFromChannelColour(index);
        QCOMPARE(source.sourceColour(), colour);
        QCOMPARE(changed.count(), signals);
        QCOMPARE(capture.CountContaining("Un-known channel colour"), traces);
    }
};

QTEST_GUILESS_MAIN(tst_FontsAndSources)
#include "tst_fontsandsources.moc"
