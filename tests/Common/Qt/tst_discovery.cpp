// Discovery end to end: the finder in this process, a unit's announcer in another one, on the
// real ports inside the test's private network.
#include "Common/Qt/UnitFinder.h"
#include "tests/support/TestNetwork.h"

#include <QProcess>
#include <QtTest>

#include <memory>

namespace
{

const QHostAddress kSubnet("10.77.0.0");

struct cKillProcess {
    void operator()(QProcess* process) const
    {
        process->kill();
        process->waitForFinished(5000);
        delete process;
    }
};
using tUnitProcess = std::unique_ptr<QProcess, cKillProcess>;

/// Starts the announcer process and waits until its sockets are set up.
tUnitProcess StartUnit(const QStringList& arguments)
{
    tUnitProcess unit(new QProcess());
    unit->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    unit->start(QStringLiteral(ZUNET_FINDME_UNIT), arguments);
    QByteArray output;
    QElapsedTimer waited;
    waited.start();
    while (!output.contains("ready\n") && waited.elapsed() < 10000) {
        QTest::qWait(20);
        output += unit->readAllStandardOutput();
        if (unit->state() == QProcess::NotRunning)
            break;
    }
    if (!output.contains("ready\n"))
        return nullptr;
    return unit;
}

} // namespace

class tst_Discovery : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { ZU_REQUIRE_PRIVATE_TEST_NETWORK(); }
    void findsUnitAndLosesItOnTheFifthSilentTick();
    void legacyRequestAndAnswer();
};

void tst_Discovery::findsUnitAndLosesItOnTheFifthSilentTick()
{
    const QString find = QStringLiteral("Test Find");
    const QString json = QStringLiteral("{\"model\":\"ZU-16\",\"channels\":32}");
    cMultiUnitFinder finder;
    finder.SetTimerRunning(false);
    finder.StartFindingUnits(find, true);
    QSignalSpy found(&finder, &cMultiUnitFinder::UnitFound);
    QSignalSpy lost(&finder, &cMultiUnitFinder::UnitLost);

    tUnitProcess unit = StartUnit({ find, QStringLiteral("Stage Box"), json });
    QVERIFY(unit);
    QTRY_VERIFY_WITH_TIMEOUT(!found.isEmpty(), 5000); // the first announcement comes after a second

    const sUnit first = found.at(0).at(0).value<sUnit>();
    QCOMPARE(first.mUnitName, QStringLiteral("Stage Box"));
    QCOMPARE(first.mUnitInfo, json);
    QCOMPARE(first.mFindString, find);
    QVERIFY(first.mHostAddress.isInSubnet(kSubnet, 24));
    QCOMPARE(finder.GetHostAddressByUnitName(find, QStringLiteral("Stage Box")), first.mHostAddress);
    QCOMPARE(finder.GetFoundUnitsOfFindString(find).size(), found.count());

    QSignalSpy finished(unit.get(), QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished));
    unit->kill();
    QVERIFY(finished.wait(5000));
    finder.DiscoveryPortUDPRead(); // whatever it sent before it died
    const int units = finder.GetFoundUnits().size();
    QVERIFY(units >= 1);

    for (int tick = 1; tick <= 4; ++tick) {
        finder.TimerFired();
        QCOMPARE(lost.count(), 0);
    }
    finder.TimerFired();
    QCOMPARE(lost.count(), units);
    QCOMPARE(lost.at(0).at(0).value<sUnit>(), first);
    QVERIFY(finder.GetFoundUnits().isEmpty());
    QVERIFY(finder.GetHostAddressByUnitName(find, QStringLiteral("Stage Box")).isNull());
}

// An older family's unit is asked with the bare find string, broadcast, and answers with its name.
void tst_Discovery::legacyRequestAndAnswer()
{
    const QString find = QStringLiteral("Aster Find");
    tUnitProcess unit = StartUnit({ find, QStringLiteral("Old Desk"), QStringLiteral("{}") });
    QVERIFY(unit);

    cUnitFinder finder(find, nullptr);
    QVERIFY(finder.IsLegacy());
    QCOMPARE(finder.SocketCount(), 2);
    QSignalSpy seen(&finder, &cUnitFinder::UnitSeen);
    for (int tick = 0; tick < 20 && seen.isEmpty(); ++tick) {
        finder.TimerFired();
        seen.wait(250);
    }
    QVERIFY(!seen.isEmpty());
    const sUnit answer = seen.at(0).at(0).value<sUnit>();
    QCOMPARE(answer.mUnitName, QStringLiteral("Old Desk"));
    QCOMPARE(answer.mFindString, find);
    QVERIFY(answer.mUnitInfo.isEmpty());
    QVERIFY(answer.mHostAddress.isInSubnet(kSubnet, 24));
    QCOMPARE(seen.at(0).at(1).toBool(), false);

    // The same through the multi finder, which lists it with an empty description.
    cMultiUnitFinder multi;
    multi.SetTimerRunning(false);
    multi.StartFindingUnits(find, true);
    auto legacyFound = [&] {
        for (const sUnit& u : multi.GetFoundUnits()) {
            if (u.mUnitName == QStringLiteral("Old Desk") && u.mUnitInfo.isEmpty())
                return true;
        }
        return false;
    };
    for (int tick = 0; tick < 20 && !legacyFound(); ++tick) {
        multi.TimerFired();
        QTest::qWait(100);
    }
    QVERIFY(legacyFound());
}

QTEST_GUILESS_MAIN(tst_Discovery)
#include "tst_discovery.moc"
