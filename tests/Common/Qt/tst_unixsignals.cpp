#include "Common/Qt/UnixSignalManager.h"

#include <QProcess>
#include <QtTest>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

class tst_UnixSignals : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void quitSignalsEndTheEventLoop_data();
    void quitSignalsEndTheEventLoop();
    void userSignalIsIgnored();
    void noSocketPairNothingWatched();
    void handlerWritesNowhereWithoutSocketPair();

private:
    /// Starts the program and waits for "ready".
    bool Start(QProcess& process, const QStringList& arguments = {});
    /// Waits for an orderly end: exit code 0 after the event loop returned.
    void VerifyCleanEnd(QProcess& process);

    QByteArray mOutput;
};

bool tst_UnixSignals::Start(QProcess& process, const QStringList& arguments)
{
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QStringLiteral(UNIXSIGNAL_PROGRAM), arguments);
    if (!process.waitForStarted(10000))
        return false;
    mOutput.clear();
    QElapsedTimer timer;
    timer.start();
    while (!mOutput.contains("ready\n") && timer.elapsed() < 10000) {
        if (!process.waitForReadyRead(int(10000 - timer.elapsed())))
            break;
        mOutput += process.readAllStandardOutput();
    }
    return mOutput.contains("ready\n");
}

void tst_UnixSignals::VerifyCleanEnd(QProcess& process)
{
    QVERIFY(process.waitForFinished(10000));
    mOutput += process.readAllStandardOutput();
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
    QVERIFY2(mOutput.contains("event loop returned\n"), mOutput.constData());
    QCOMPARE(process.state(), QProcess::NotRunning);
}

void tst_UnixSignals::quitSignalsEndTheEventLoop_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGINT") << int(SIGINT);
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGHUP") << int(SIGHUP);
    QTest::newRow("SIGQUIT") << int(SIGQUIT);
}

void tst_UnixSignals::quitSignalsEndTheEventLoop()
{
    QFETCH(int, signalNumber);
    QProcess process;
    QVERIFY(Start(process));
    QCOMPARE(::kill(pid_t(process.processId()), signalNumber), 0);
    VerifyCleanEnd(process);
}

void tst_UnixSignals::userSignalIsIgnored()
{
    QProcess process;
    QVERIFY(Start(process));
    QCOMPARE(::kill(pid_t(process.processId()), SIGUSR1), 0);
    QVERIFY(!process.waitForFinished(500));
    QCOMPARE(process.state(), QProcess::Running);
    // Its event loop still answers a quit signal.
    QCOMPARE(::kill(pid_t(process.processId()), SIGTERM), 0);
    VerifyCleanEnd(process);
}

void tst_UnixSignals::noSocketPairNothingWatched()
{
    QProcess process;
    QVERIFY(Start(process, { "--without-descriptors" }));
    // Readable standard input must not be taken for a signal.
    process.write("\x0f\0\0\0", 4);
    process.closeWriteChannel();
    VerifyCleanEnd(process);
    QVERIFY2(mOutput.contains("ERROR: Couldn't create signal socketpair"), mOutput.constData());
    QVERIFY2(mOutput.contains("kept running\n"), mOutput.constData());
}

void tst_UnixSignals::handlerWritesNowhereWithoutSocketPair()
{
    // No manager made in this process: the handler has nowhere to write, not even descriptor 0.
    int pipeEnds[2];
    QCOMPARE(::pipe(pipeEnds), 0);
    const int savedInput = ::dup(0);
    QVERIFY(savedInput >= 0);
    QCOMPARE(::dup2(pipeEnds[1], 0), 0);
    cUnixSignalManager::UnixSignalHandler(SIGTERM);
    ::dup2(savedInput, 0);
    ::close(savedInput);
    ::close(pipeEnds[1]);
    char byte;
    const ssize_t count = ::read(pipeEnds[0], &byte, 1); // every writer closed: 0 at once when empty
    ::close(pipeEnds[0]);
    QCOMPARE(count, ssize_t(0));
}

QTEST_GUILESS_MAIN(tst_UnixSignals)
#include "tst_unixsignals.moc"
