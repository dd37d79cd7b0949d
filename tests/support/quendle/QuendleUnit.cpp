#include "tests/support/quendle/QuendleUnit.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTest>

#ifndef QUENDLE_TEST_UNIT
#define QUENDLE_TEST_UNIT "quendle_test_unit"
#endif

QJsonObject cQuendleUnit::DefaultDescription()
{
    auto user = [](const QString& name, const QString& password, bool valid = true) {
        return QJsonObject { { "name", name }, { "password", password }, { "valid", valid } };
    };
    QJsonObject description;
    description["users"] = QJsonArray { user("Alice", "wonder"), user("Bob", ""), user("Mallory", "evil", false),
        user("Admin", "root") };
    description["scenes"] = QJsonObject { { "1", "Intro 2" } };
    description["keys"] = QJsonObject { { "fader/1", Key(QStringLiteral("Input 1")) },
        { "meter/1", Key(QStringLiteral("Input 1 Meter")) } };
    description["objects"] = QJsonArray { QJsonObject { { "name", "Input 1" }, { "parameters", 1 }, { "value", 100 } },
        QJsonObject { { "name", "Input 1 Meter" }, { "parameters", 1 }, { "value", 7 } } };
    return description;
}

QJsonArray cQuendleUnit::Key(const QString& object, int parameter)
{
    QJsonArray key;
    key.append(QJsonArray { object, parameter });
    return key;
}

cQuendleUnit::cQuendleUnit()
    : mErrors(mProcess, QStringLiteral("quendle_test_unit"))
{
    connect(&mProcess, &QProcess::readyReadStandardOutput, this, &cQuendleUnit::ReadOutput);
}

cQuendleUnit::~cQuendleUnit()
{
    // What the unit said helps to tell which side a failure lies on.
    if (QTest::currentTestFailed())
        qWarning().noquote() << "unit at" << mAddress << "said:\n" << mLines.join(QLatin1Char('\n'));
    if (mProcess.state() != QProcess::NotRunning && !Stop(5000))
        Kill();
    mErrors.Check();
}

bool cQuendleUnit::Start(const QString& address, const QString& configPath, const QStringList& extraArguments,
    const QJsonObject& description)
{
    mAddress = address;
    const QString descriptionPath = mDir.filePath(QStringLiteral("unit.json"));
    QFile file(descriptionPath);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(QJsonDocument(description).toJson());
    file.close();
    QStringList arguments { "--listen", address, "--description", descriptionPath, "--config", configPath };
    arguments += extraArguments;
    mProcess.start(QStringLiteral(QUENDLE_TEST_UNIT), arguments);
    if (!mProcess.waitForStarted(10000))
        return false;
    return WaitForLine(QStringLiteral("unit: ready"));
}

bool cQuendleUnit::Command(const QString& line, int timeoutMs)
{
    const int before = CountLines(QStringLiteral("unit: done ") + line);
    mProcess.write((line + QLatin1Char('\n')).toUtf8());
    return WaitForLine(QStringLiteral("unit: done ") + line, before + 1, timeoutMs);
}

int cQuendleUnit::Ask(const QString& command, const QString& prefix, int timeoutMs)
{
    if (!Command(command, timeoutMs))
        return -1;
    for (int i = mLines.size() - 1; i >= 0; --i) {
        const int at = mLines[i].indexOf(prefix);
        if (at >= 0)
            return mLines[i].mid(at + prefix.size()).section(QRegularExpression(QStringLiteral("\\s")), 0, 0).toInt();
    }
    return -1;
}

void cQuendleUnit::ReadOutput()
{
    mPartial += mProcess.readAllStandardOutput();
    int end;
    while ((end = mPartial.indexOf('\n')) >= 0) {
        mLines.append(QString::fromUtf8(mPartial.left(end)));
        mPartial.remove(0, end + 1);
    }
}

int cQuendleUnit::CountLines(const QString& fragment) const
{
    int count = 0;
    for (const QString& line : mLines) {
        if (line.contains(fragment))
            ++count;
    }
    return count;
}

bool cQuendleUnit::WaitForLine(const QString& fragment, int count, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (CountLines(fragment) < count) {
        if (deadline.hasExpired() || mProcess.state() == QProcess::NotRunning)
            return false;
        mProcess.waitForReadyRead(20);
        ReadOutput();
        QCoreApplication::processEvents();
    }
    return true;
}

bool cQuendleUnit::Stop(int timeoutMs)
{
    if (mProcess.state() == QProcess::NotRunning)
        return true;
    mProcess.closeWriteChannel();
    const bool ended = mProcess.waitForFinished(timeoutMs) && mProcess.exitStatus() == QProcess::NormalExit;
    return mErrors.Check() && ended;
}

void cQuendleUnit::Kill()
{
    mProcess.kill();
    mProcess.waitForFinished(5000);
    mErrors.Check();
}
