#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QString>

#include <functional>
#include <thread>

#include <unistd.h>

/// Reads command lines from standard input on a thread of its own and runs `run` with each
/// (trimmed) on the application's thread; the end of standard input quits the application. What
/// `run` uses must live as long as the application's event loop runs.
inline void ReadCommandsFromStandardInput(QCoreApplication& app, std::function<void(const QString&)> run)
{
    std::thread([&app, run] {
        QByteArray pending;
        char buffer[256];
        ssize_t count;
        while ((count = ::read(0, buffer, sizeof(buffer))) > 0) {
            pending.append(buffer, int(count));
            int end;
            while ((end = pending.indexOf('\n')) >= 0) {
                const QString line = QString::fromUtf8(pending.left(end)).trimmed();
                pending.remove(0, end + 1);
                QMetaObject::invokeMethod(&app, [line, run] { run(line); });
            }
        }
        QMetaObject::invokeMethod(&app, &QCoreApplication::quit, Qt::QueuedConnection);
    }).detach();
}
