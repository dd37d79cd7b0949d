// The built-in demo configurations read whole by the runner's reader: every layout, every widget of
// the file (none refused), and every type key the factory knows.

#include "Quendle/Runner/RunnerConfig.h"
#include "Quendle/Runner/WidgetFactory.h"
#include "tests/Quendle/Runner/RunnerTestApplication.h"
#include "tests/support/Connections.h"

#include <QFile>
#include <QSet>
#include <QXmlStreamReader>
#include <QtTest>

#include <memory>

namespace
{

/// The `Widget` elements of each `Layout` of the document, nested ones included, and their types.
QList<int> CountWidgetElements(const QByteArray& document, QSet<QString>& types)
{
    QList<int> counts;
    QXmlStreamReader reader(document);
    while (!reader.atEnd()) {
        if (!reader.readNext() || !reader.isStartElement())
            continue;
        if (reader.name() == QLatin1String("Layout"))
            counts.append(0);
        else if (reader.name() == QLatin1String("Widget") && !counts.isEmpty()) {
            ++counts.last();
            types.insert(reader.attributes().value(QLatin1String("type")).toString());
        }
    }
    return reader.hasError() ? QList<int>() : counts;
}

} // namespace

class tst_DemoLayouts : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void readWhole_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QList<int>>("orientations");
        QTest::newRow("desktop and tablet") << QStringLiteral(":/DemoMode.xml") << QList<int> { 0 };
        QTest::newRow("phone") << QStringLiteral(":/PhoneDemoMode.xml") << QList<int> { 1, 2 };
    }

    void readWhole()
    {
        QFETCH(QString, path);
        QFETCH(QList<int>, orientations);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray document = file.readAll();
        QSet<QString> typesInFile;
        const QList<int> expectedCounts = CountWidgetElements(document, typesInFile);
        QCOMPARE(expectedCounts.count(), orientations.count());

        cRunnerTestApplication application;
        cRunnerConfig config(nullptr, &application, &application);
        application.mImages = &config;
        cRunnerWidgetFactory::mDemoMode = true;
        file.seek(0);
        const bool read = config.ReadXml(file);
        cRunnerWidgetFactory::mDemoMode = false;
        QVERIFY2(read, qPrintable(config.ErrorText()));

        QCOMPARE(config.layouts()->count(), orientations.count());
        QSet<QString> typesRead;
        for (int i = 0; i < config.layouts()->count(); ++i) {
            cRunnerLayout* layout = config.layouts()->at(i);
            QCOMPARE(layout->orientation(), orientations.at(i));
            QCOMPARE(layout->getTotalNumWidgets(), expectedCounts.at(i));
            for (cWidget* widget : layout->findChildren<cWidget*>())
                typesRead.insert(widget->Type());
        }
        const QList<QString> keys = cRunnerWidgetFactory::QmlFilesByType().keys();
        const QSet<QString> factoryTypes(keys.begin(), keys.end());
        QCOMPARE(typesInFile, factoryTypes);
        QCOMPARE(typesRead, factoryTypes);
        QCOMPARE(config.resources()->count(), 1);
    }

private:
    cLocalNetwork mNetwork { true };
};

QTEST_GUILESS_MAIN(tst_DemoLayouts)
#include "tst_demolayouts.moc"
