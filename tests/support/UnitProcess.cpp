#include "tests/support/UnitProcess.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QtTest>

#include <cstdio>
#include <signal.h>

#ifndef ZUNET_TEST_UNIT
#define ZUNET_TEST_UNIT ""
#endif

namespace
{
// The first line of every report of AddressSanitizer, LeakSanitizer, ThreadSanitizer and
// UndefinedBehaviorSanitizer.
const char* const kReportMarks[]
    = { "ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "WARNING: ThreadSanitizer", ": runtime error: " };
// Exit codes of a sanitizer that stopped the process: AddressSanitizer and UndefinedBehaviorSanitizer
// (1 is too common to tell), LeakSanitizer alone, ThreadSanitizer.
constexpr int kSanitizerExitCodes[] = { 23, 66 };
} // namespace

cPeerErrors::cPeerErrors(QProcess& process, const QString& name)
    : mProcess(process)
    , mName(name)
{
    mProcess.setProcessChannelMode(QProcess::SeparateChannels);
    connect(&mProcess, &QProcess::readyReadStandardError, this, &cPeerErrors::Read);
    connect(&mProcess, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), this, &cPeerErrors::Finished);
}

void cPeerErrors::Read()
{
    const QByteArray data = mProcess.readAllStandardError();
    if (data.isEmpty())
        return;
    std::fwrite(data.constData(), 1, size_t(data.size()), stderr);
    std::fflush(stderr);
    mPartial += data;
    int end;
    while ((end = mPartial.indexOf('\n')) >= 0) {
        const QByteArray line = mPartial.left(end);
        mPartial.remove(0, end + 1);
        for (const char* mark : kReportMarks) {
            if (line.contains(mark))
                mReported = true;
        }
    }
    if (mReported)
        Fail(QStringLiteral("sanitizer report"));
}

void cPeerErrors::Finished(int exitCode, QProcess::ExitStatus status)
{
    Read();
    for (int code : kSanitizerExitCodes) {
        if (status == QProcess::NormalExit && exitCode == code) {
            mReported = true;
            Fail(QStringLiteral("exit code %1 of a sanitizer").arg(code));
        }
    }
}

void cPeerErrors::Fail(const QString& why)
{
    // Outside a test function the report itself, in the test's output, fails the test (CTest).
    if (mFailed || !QTest::currentTestFunction())
        return;
    mFailed = true;
    const QByteArray message = QStringLiteral("%1 in %2 (see its standard error above)").arg(why, mName).toUtf8();
    QTest::qFail(message.constData(), __FILE__, __LINE__);
}

bool cPeerErrors::Check()
{
    Read();
    return !mReported;
}

cUnitProcess::cUnitProcess(const QString& program)
    : mProgram(program.isEmpty() ? QStringLiteral(ZUNET_TEST_UNIT) : program)
    , mErrors(mProcess, QFileInfo(mProgram).fileName())
{
    connect(&mProcess, &QProcess::readyReadStandardOutput, this, &cUnitProcess::ReadOutput);
}

cUnitProcess::~cUnitProcess()
{
    if (IsRunning())
        Kill();
    mErrors.Check();
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
    const bool clean = mErrors.Check();
    return clean && !IsRunning() && mProcess.exitStatus() == QProcess::NormalExit && mProcess.exitCode() == 0;
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
