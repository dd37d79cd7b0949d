#pragma once

#include <QObject>
#include <QProcess>
#include <QStringList>

/// A test peer's standard error, forwarded to this process's. A sanitizer report in it (or a
/// sanitizer's exit) fails the running test function, so a fault found in the peer fails the test
/// that drove it.
class cPeerErrors : public QObject
{
    Q_OBJECT
public:
    cPeerErrors(QProcess& process, const QString& name);
    /// Forwards what is left; false (and the running test failed) when the peer reported.
    bool Check();

private:
    void Read();
    void Finished(int exitCode, QProcess::ExitStatus status);
    void Fail(const QString& why);

    QProcess& mProcess;
    QString mName;
    QByteArray mPartial;
    bool mReported = false;
    bool mFailed = false;
};

/// Runs the test unit program (zunet_test_unit) as a separate process and collects its output
/// lines, so tests can wait for what the unit reports ("unit: ready", "unit: terminated 1 0" ...).
/// Its standard error is the test's (see cPeerErrors).
class cUnitProcess : public QObject
{
    Q_OBJECT
public:
    explicit cUnitProcess(const QString& program = QString());
    ~cUnitProcess() override;

    /// Starts the program and waits until it reports ready; false when it does not.
    bool Start(const QStringList& arguments, int timeoutMs = 10000);
    /// Waits until `count` output lines contain `fragment` (counting from the start).
    bool WaitForLine(const QString& fragment, int count = 1, int timeoutMs = 10000);
    int CountLines(const QString& fragment) const;
    QStringList Lines() const { return mLines; }
    qint64 Pid() const { return mProcess.processId(); }
    bool IsRunning() const { return mProcess.state() != QProcess::NotRunning; }
    /// Sends one command line and waits until the unit reports it carried it out.
    bool Command(const QString& line, int timeoutMs = 10000);
    /// Sends a POSIX signal to the process.
    void Signal(int signalNumber);
    /// Asks the unit to shut down in order (closes its standard input) and waits for it.
    bool Stop(int timeoutMs = 10000);
    /// SIGKILL, then waits for it to be gone.
    void Kill();

private:
    void ReadOutput();

    QString mProgram;
    QProcess mProcess;
    QStringList mLines;
    QByteArray mPartial;
    cPeerErrors mErrors;
};
