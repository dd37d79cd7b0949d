#pragma once

#include <QObject>

#include <memory>

class QSocketNotifier;

/// Turns SIGHUP, SIGINT, SIGQUIT and SIGTERM into an orderly quit of the Qt event loop: the
/// handler only writes the signal's number to a socket pair, and the owner's thread reads it and
/// quits. SIGUSR1 is caught and ignored.
class cUnixSignalManager : public QObject
{
    Q_OBJECT
public:
    explicit cUnixSignalManager(QObject* parent = nullptr);
    ~cUnixSignalManager() override;

    /// Installs the handler; 0, or 1 when a signal's handler could not be set.
    static int SetUpUnixHandler();
    static void UnixSignalHandler(int signalNumber);

    /// Both ends of the socket pair, -1 while there is none.
    static int SignalFileDescriptor[2];

public Q_SLOTS:
    void HandleSigInt();

private:
    std::unique_ptr<QSocketNotifier> mNotifier;
};
