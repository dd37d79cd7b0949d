#pragma once
// What the benchmarks that talk to a unit process share: they run inside the private test network
// namespace, and start the unit as a process of its own.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <vector>

#include <unistd.h>

/// Returns at once inside the test namespace; otherwise runs this program again inside one
/// (loopback only, never outside a namespace of our own) and does not return.
inline void RunInTestNamespace(int argc, char** argv)
{
    if (qgetenv("ZUNET_IN_NETNS") == "1")
        return;
    std::vector<char*> arguments { const_cast<char*>(ZUNET_NETNS_RUN) };
    for (int i = 0; i < argc; ++i)
        arguments.push_back(argv[i]);
    arguments.push_back(nullptr);
    ::execv(ZUNET_NETNS_RUN, arguments.data());
    ::_exit(127);
}

/// Starts the unit program and waits until it reports "unit: ready"; its errors go to ours.
inline bool StartUnitProcess(QProcess& unit, const QString& program, const QStringList& arguments)
{
    unit.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    unit.start(program, arguments);
    QByteArray output;
    while (!output.contains("unit: ready") && unit.waitForReadyRead(10000))
        output += unit.readAllStandardOutput();
    return output.contains("unit: ready");
}

/// What the threads of a process have done so far: time on a processor and times they went to
/// sleep (each one a wake-up later).
struct sProcessWork {
    double mCpuSeconds = 0;
    long mSleeps = 0;
};

/// Summed over the process's threads now; threads that ended no longer count, so take the
/// difference over a span in which the threads stay.
inline sProcessWork WorkOfProcess(qint64 pid)
{
    sProcessWork work;
    const QString tasks = QStringLiteral("/proc/%1/task").arg(pid);
    for (const QString& task : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile schedstat(tasks + QLatin1Char('/') + task + QStringLiteral("/schedstat"));
        if (schedstat.open(QIODevice::ReadOnly))
            work.mCpuSeconds += schedstat.readAll().split(' ').first().toDouble() / 1e9;
        QFile status(tasks + QLatin1Char('/') + task + QStringLiteral("/status"));
        if (!status.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("voluntary_ctxt_switches:"))
                work.mSleeps += line.mid(line.indexOf(':') + 1).trimmed().toLong();
        }
    }
    return work;
}
