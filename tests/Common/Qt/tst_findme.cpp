#include "Common/Qt/FindMe.h"
#include "Common/Qt/UnitFinder.h"
#include "tests/support/TestNetwork.h"

#include <QNetworkDatagram>
#include <QUdpSocket>
#include <QtTest>

namespace
{

const QString kFind = QStringLiteral("Test Find");

template <std::size_t N> QByteArray Bytes(const char (&text)[N])
{
    return QByteArray(text, int(N - 1));
}

/// Listens where announcements arrive and returns the next one.
class cAnnouncementListener
{
public:
    bool Bind()
    {
        return mSocket.bind(QHostAddress::AnyIPv4, UNIT_FINDER_REPLY_PORT,
            QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint);
    }
    void Drain()
    {
        while (mSocket.hasPendingDatagrams())
            mSocket.receiveDatagram();
    }
    QNetworkDatagram Next()
    {
        if (!mSocket.hasPendingDatagrams())
            mSocket.waitForReadyRead(5000);
        return mSocket.receiveDatagram();
    }

private:
    QUdpSocket mSocket;
};

} // namespace

class tst_FindMe : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { ZU_REQUIRE_PRIVATE_TEST_NETWORK(); }
    void announcesToEveryBroadcastAddress();
    void renameChangesTheNextAnnouncement();
    void legacyAnswer_data();
    void legacyAnswer();
    void withoutListenAnnouncesButNeverAnswers();
};

void tst_FindMe::announcesToEveryBroadcastAddress()
{
    cAnnouncementListener listener;
    QVERIFY(listener.Bind());
    cFindMe findMe(kFind, "Stage Box", "{\"ch\":32}", nullptr, false);
    findMe.SetTimerRunning(false);
    QCOMPARE(findMe.GetDatagram(), Bytes("ZU_UFV2\0Test Find\0Stage Box\0{\"ch\":32}\0"));

    findMe.TimerFired();
    const QNetworkDatagram announcement = listener.Next();
    QCOMPARE(announcement.data(), findMe.GetDatagram());
    QCOMPARE(announcement.destinationAddress(), QHostAddress("10.77.0.255"));
    QVERIFY(announcement.senderAddress().isInSubnet(QHostAddress("10.77.0.0"), 24));
}

void tst_FindMe::renameChangesTheNextAnnouncement()
{
    cAnnouncementListener listener;
    QVERIFY(listener.Bind());
    cFindMe findMe(kFind, "A", "{}", nullptr, false);
    findMe.SetTimerRunning(false);
    findMe.TimerFired();
    QCOMPARE(listener.Next().data(), Bytes("ZU_UFV2\0Test Find\0A\0{}\0"));
    listener.Drain();

    findMe.SetUnitName("B");
    QCOMPARE(findMe.GetUnitName(), QStringLiteral("B"));
    findMe.TimerFired();
    QCOMPARE(listener.Next().data(), Bytes("ZU_UFV2\0Test Find\0B\0{}\0"));
}

// Only the bare find string is answered, with the name and one NUL, to the asking socket.
void tst_FindMe::legacyAnswer_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<bool>("answered");
    QTest::newRow("exactly the find string") << QByteArray("Test Find") << true;
    QTest::newRow("find string and NUL") << Bytes("Test Find\0") << false;
    QTest::newRow("version-2 request") << Bytes("Test Find\0V2\0") << false;
    QTest::newRow("prefix") << QByteArray("Test Fin") << false;
    QTest::newRow("longer") << QByteArray("Test Finder") << false;
    QTest::newRow("other case") << QByteArray("test find") << false;
    QTest::newRow("empty") << QByteArray() << false;
}

void tst_FindMe::legacyAnswer()
{
    QFETCH(QByteArray, request);
    QFETCH(bool, answered);
    cFindMe findMe(kFind, "Unit 1", "{}", nullptr, true);
    findMe.SetTimerRunning(false);
    QVERIFY(findMe.IsListening());

    QUdpSocket asking;
    QUdpSocket control;
    QVERIFY(asking.bind(QHostAddress(QHostAddress::LocalHost), 0));
    QVERIFY(control.bind(QHostAddress(QHostAddress::LocalHost), 0));
    asking.writeDatagram(request, QHostAddress::LocalHost, UNIT_FINDER_REQUEST_PORT);
    control.writeDatagram(QByteArray("Test Find"), QHostAddress::LocalHost, UNIT_FINDER_REQUEST_PORT);

    // The control request is handled after ours, so once its answer is here ours would be too.
    QTRY_VERIFY(control.hasPendingDatagrams());
    const QNetworkDatagram controlAnswer = control.receiveDatagram();
    QCOMPARE(controlAnswer.data(), Bytes("Unit 1\0"));
    QCOMPARE(controlAnswer.senderPort(), int(UNIT_FINDER_REQUEST_PORT));
    QCOMPARE(asking.hasPendingDatagrams(), answered);
    if (answered)
        QCOMPARE(asking.receiveDatagram().data(), Bytes("Unit 1\0"));
}

void tst_FindMe::withoutListenAnnouncesButNeverAnswers()
{
    cAnnouncementListener listener;
    QVERIFY(listener.Bind());
    cFindMe findMe(kFind, "Quiet", "{}", nullptr, false);
    findMe.SetTimerRunning(false);
    QVERIFY(!findMe.IsListening());
    // Nobody holds the request port.
    QUdpSocket port;
    QVERIFY(port.bind(QHostAddress::AnyIPv4, UNIT_FINDER_REQUEST_PORT, QAbstractSocket::DontShareAddress));
    findMe.TimerFired();
    QCOMPARE(listener.Next().data(), Bytes("ZU_UFV2\0Test Find\0Quiet\0{}\0"));
}

QTEST_GUILESS_MAIN(tst_FindMe)
#include "tst_findme.moc"
