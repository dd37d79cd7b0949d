#include "tests/support/UnitProcess.h"

#include <QElapsedTimer>
#include <QtTest>

#include <signal.h>

#ifndef ZUNET_TEST_UNIT
#define ZUNET_TEST_UNIT ""
#endif

cUnitProcess::cUnitProcess(const QString& program)
    : mProgram(program.isEmpty() ? QStringLiteral(ZUNET_TEST_UNIT) : program)
{
    mProcess.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    connect(&mProcess, &QProcess::readyReadStandardOutput, this, &cUnitProcess::ReadOutput);
}

cUnitProcess::~cUnitProcess()
{
    if (IsRunning())
        Kill();
}

bool cUnitProcess::Start(const QStringList& arguments, int timeoutMs)
{
    mLines.clear();
    mPartial.clear();
    mProcess.start(mProgram, arguments);
    if (!mProcess.waitForStarted(timeoutMs))
        return false;
    return WaitForLine(QStringLiteral("unit: ready"), 1, timeoutMs);
}

void cUnitProcess::ReadOutput()
{
    mPartial += mProcess.readAllStandardOutput();
    int end;
    while ((end = mPartial.indexOf('\n')) >= 0) {
        mLines.append(QString::fromUtf8(mPartial.left(end)));
        mPartial.remove(0, end + 1);
    }
}

int cUnitProcess::CountLines(const QString& fragment) const
{
    int n = 0;
    for (const QString& line : mLines)
        n += line.contains(fragment) ? 1 : 0;
    return n;
}

bool cUnitProcess::WaitForLine(const QString& fragment, int count, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (CountLines(fragment) < count) {
        if (timer.elapsed() > timeoutMs || (!IsRunning() && mProcess.bytesAvailable() == 0))
            return CountLines(fragment) >= count;
        QTest::qWait(5);
    }
    return true;
}

bool cUnitProcess::Command(const QString& line, int timeoutMs)
{
    const QString done = QStringLiteral("unit: done ") + line;
    const int before = CountLines(done);
    mProcess.write(line.toUtf8() + '\n');
    return WaitForLine(done, before + 1, timeoutMs);
}

void cUnitProcess::Signal(int signalNumber)
{
    if (IsRunning())
        ::kill(pid_t(mProcess.processId()), signalNumber);
}

bool cUnitProcess::Stop(int timeoutMs)
{
    if (!IsRunning())
        return true;
    mProcess.closeWriteChannel();
    QElapsedTimer timer;
    timer.start();
    while (IsRunning() && timer.elapsed() < timeoutMs)
        QTest::qWait(10);
    ReadOutput();
    return !IsRunning() && mProcess.exitStatus() == QProcess::NormalExit && mProcess.exitCode() == 0;
}

void cUnitProcess::Kill()
{
    if (!IsRunning())
        return;
    Signal(SIGCONT);
    mProcess.kill();
    mProcess.waitForFinished(5000);
    ReadOutput();
}
