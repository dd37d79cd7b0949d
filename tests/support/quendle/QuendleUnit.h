#pragma once

#include "tests/support/UnitProcess.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

/// Runs quendle_test_unit as a separate process: writes its description file, starts it on an
/// address, sends it commands and waits for what it reports. Its standard error is the test's (see
/// cPeerErrors).
class cQuendleUnit : public QObject
{
    Q_OBJECT
public:
    /// Users Alice ("wonder"), Bob (no password), Mallory (not valid) and Admin ("root"); scene 1
    /// "Intro 2"; keys "fader/1" and "meter/1"; mixer objects "Input 1" and "Input 1 Meter".
    static QJsonObject DefaultDescription();
    /// A description's key that names one object: [[object, parameter]]. (Written out, a braced
    /// array holding one array is copied by clang instead of nested.)
    static QJsonArray Key(const QString& object, int parameter = 4096);

    cQuendleUnit();
    ~cQuendleUnit() override;

    /// Starts the unit listening on `address` with the stored configuration `configPath` (may
    /// not exist) and waits for "unit: ready".
    bool Start(const QString& address, const QString& configPath, const QStringList& extraArguments = {},
        const QJsonObject& description = DefaultDescription());
    /// Sends one command line and waits until the unit has carried it out.
    bool Command(const QString& line, int timeoutMs = 10000);
    /// Sends `command` and reads the number after `prefix` in the last line holding it; -1 when none.
    int Ask(const QString& command, const QString& prefix, int timeoutMs = 10000);
    bool WaitForLine(const QString& fragment, int count = 1, int timeoutMs = 10000);
    int CountLines(const QString& fragment) const;
    /// Closes standard input and waits for an orderly end.
    bool Stop(int timeoutMs = 10000);
    void Kill();
    QString Address() const { return mAddress; }
    qint64 Pid() const { return mProcess.processId(); }
    QStringList Lines() const { return mLines; }

private:
    void ReadOutput();

    QTemporaryDir mDir;
    QProcess mProcess;
    QStringList mLines;
    QByteArray mPartial;
    QString mAddress;
    cPeerErrors mErrors;
};
