#include "Common/Qt/HeavyProfile.h"
#include "tests/support/TraceCapture.h"

#include <QDateTime>
#include <QtTest>

#include <condition_variable>
#include <mutex>
#include <thread>

class tst_HeavyProfile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void longTime_data();
    void longTime();
    void nanoSecondTime_data();
    void nanoSecondTime();
    void sectionStatistics();
    void depthGoesDownOnEnd();
    void overlappingSectionsAcrossThreads();
    void endWithoutStart();
    void instanceAndMainThread();
};

void tst_HeavyProfile::longTime_data()
{
    QTest::addColumn<qint64>("milliseconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << qint64(0) << "0ms";
    QTest::newRow("below a second") << qint64(999) << "999ms";
    QTest::newRow("one second") << qint64(1000) << "1sec 0ms";
    QTest::newRow("one of each but weeks")
        << qint64(86400000 + 3600000 + 60000 + 1000 + 1) << "1days 1hours 1min 1sec 1ms";
    QTest::newRow("a week, nothing between") << qint64(604800000) << "1weeks 0ms";
    QTest::newRow("two weeks and a minute") << qint64(2 * 604800000LL + 60000 + 7) << "2weeks 1min 7ms";
    QTest::newRow("a day less a millisecond") << qint64(86400000 - 1) << "23hours 59min 59sec 999ms";
}

void tst_HeavyProfile::longTime()
{
    QFETCH(qint64, milliseconds);
    QFETCH(QString, text);
    QCOMPARE(cHeavyProfile::ConvertLongTimeToString(milliseconds), text);
}

void tst_HeavyProfile::nanoSecondTime_data()
{
    QTest::addColumn<qint64>("nanoseconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << qint64(0) << "0ns";
    QTest::newRow("microsecond and a half") << qint64(1500) << "1us 500ns";
    QTest::newRow("one millisecond") << qint64(1000000) << "1ms 0ns";
    QTest::newRow("one of each") << qint64(60000000000LL + 1000000000 + 1000000 + 1000 + 1) << "1min 1sec 1ms 1us 1ns";
    QTest::newRow("an hour stays minutes") << qint64(3600000000000LL) << "60min 0ns";
}

void tst_HeavyProfile::nanoSecondTime()
{
    QFETCH(qint64, nanoseconds);
    QFETCH(QString, text);
    QCOMPARE(cHeavyProfile::ConvertNanoSecondTimeToString(nanoseconds), text);
}

void tst_HeavyProfile::sectionStatistics()
{
    cHeavyProfile::cHeavyProfileEntry entry;
    QCOMPARE(entry.Statistics().mMin, std::numeric_limits<std::int64_t>::max());

    const qint64 before = QDateTime::currentMSecsSinceEpoch();
    QVERIFY(entry.Start());
    const qint64 after = QDateTime::currentMSecsSinceEpoch();
    entry.End(after + 100);
    auto statistics = entry.Statistics();
    QVERIFY(statistics.mLast >= 100 && statistics.mLast <= 100 + (after - before));
    const std::int64_t first = statistics.mLast;
    QCOMPARE(statistics.mMin, first);
    QCOMPARE(statistics.mMax, first);
    QCOMPARE(statistics.mTotal, first);

    entry.Start();
    entry.End(QDateTime::currentMSecsSinceEpoch() + 10000);
    statistics = entry.Statistics();
    QVERIFY(statistics.mLast >= 10000);
    QCOMPARE(statistics.mMin, first);
    QCOMPARE(statistics.mMax, statistics.mLast);
    QCOMPARE(statistics.mTotal, first + statistics.mLast);
    QCOMPARE(statistics.mCallCount, std::uint64_t(2));
    QCOMPARE(statistics.mOverlapCount, std::uint64_t(0));
    QCOMPARE(statistics.mActiveThreads, 0);
}

void tst_HeavyProfile::depthGoesDownOnEnd()
{
    cHeavyProfile::cHeavyProfileEntry entry;
    QVERIFY(entry.Start());
    QCOMPARE(entry.Depth(), std::int64_t(1));
    entry.End(QDateTime::currentMSecsSinceEpoch());
    QCOMPARE(entry.Depth(), std::int64_t(0));
    // A later section opens with nothing open before it.
    QVERIFY(entry.Start());
    entry.End(QDateTime::currentMSecsSinceEpoch());
    QCOMPARE(entry.Depth(), std::int64_t(0));
}

void tst_HeavyProfile::overlappingSectionsAcrossThreads()
{
    cHeavyProfile::cHeavyProfileEntry entry;
    std::mutex mutex;
    std::condition_variable changed;
    int started = 0;
    bool end = false;
    auto section = [&](bool& first) {
        first = entry.Start();
        std::unique_lock<std::mutex> locker(mutex);
        ++started;
        changed.notify_all();
        changed.wait(locker, [&] { return end; });
        locker.unlock();
        entry.End(QDateTime::currentMSecsSinceEpoch());
    };
    bool firstA = false;
    bool firstB = false;
    std::thread a([&] { section(firstA); });
    {
        std::unique_lock<std::mutex> locker(mutex);
        changed.wait(locker, [&] { return started == 1; });
    }
    std::thread b([&] { section(firstB); });
    {
        std::unique_lock<std::mutex> locker(mutex);
        changed.wait(locker, [&] { return started == 2; });
        QCOMPARE(entry.Statistics().mActiveThreads, 2);
        end = true;
    }
    changed.notify_all();
    a.join();
    b.join();

    const auto statistics = entry.Statistics();
    QCOMPARE(statistics.mCallCount, std::uint64_t(2));
    QCOMPARE(statistics.mOverlapCount, std::uint64_t(1));
    QCOMPARE(statistics.mActiveThreads, 0);
    // Each thread had nothing open of its own.
    QVERIFY(firstA);
    QVERIFY(firstB);
}

void tst_HeavyProfile::endWithoutStart()
{
    cHeavyProfile::cHeavyProfileEntry entry;
    entry.Start();
    entry.End(QDateTime::currentMSecsSinceEpoch() + 5);
    const auto before = entry.Statistics();

    cTraceCapture traces;
    std::thread other([&] { entry.End(QDateTime::currentMSecsSinceEpoch() + 50000); });
    other.join();
    entry.End(QDateTime::currentMSecsSinceEpoch() + 50000); // this thread's section is closed
    QCOMPARE(traces.Count("ERROR: End called before start"), 2);

    const auto after = entry.Statistics();
    QCOMPARE(after.mLast, before.mLast);
    QCOMPARE(after.mMin, before.mMin);
    QCOMPARE(after.mMax, before.mMax);
    QCOMPARE(after.mTotal, before.mTotal);
    QCOMPARE(after.mCallCount, before.mCallCount);
    QCOMPARE(entry.Depth(), std::int64_t(0));
}

void tst_HeavyProfile::instanceAndMainThread()
{
    cHeavyProfile* profile = cHeavyProfile::Instance();
    QCOMPARE(cHeavyProfile::Instance(), profile);
    QVERIFY(!profile->IsMainThread());
    profile->SetMainThread();
    QVERIFY(profile->IsMainThread());
    bool mainOnOther = true;
    std::thread other([&] {
        profile->SetMainThread(); // the first one recorded stays
        mainOnOther = profile->IsMainThread();
    });
    other.join();
    QVERIFY(!mainOnOther);
    QCOMPARE(profile->RecordConstructor(QStringLiteral("cWidget")), QStringLiteral("cWidget"));
    QVERIFY(!profile->IsCurrentThreadRegistered());
    QVERIFY(profile->GetCurrentThreadDescription().isEmpty());
    cHeavyProfile::DeleteInstance();
}

QTEST_GUILESS_MAIN(tst_HeavyProfile)
#include "tst_heavyprofile.moc"
