#include "Common/Qt/UnixSignalManager.h"

#include "ZUNet/Core/Trace.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <cstdint>

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

int cUnixSignalManager::SignalFileDescriptor[2] = { -1, -1 };

cUnixSignalManager::cUnixSignalManager(QObject* parent)
    : QObject(parent)
{
    int descriptors[2] = { -1, -1 };
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, descriptors) != 0) {
        // Nothing to watch: a notifier on a bad descriptor would quit on whatever it reads.
        ZU_ERR("Couldn't create signal socketpair");
        return;
    }
    // A handler must never block: signals nobody reads any more are dropped instead.
    ::fcntl(descriptors[0], F_SETFL, ::fcntl(descriptors[0], F_GETFL) | O_NONBLOCK);
    SignalFileDescriptor[1] = descriptors[1];
    SignalFileDescriptor[0] = descriptors[0];
    mNotifier = std::make_unique<QSocketNotifier>(descriptors[1], QSocketNotifier::Read);
    connect(mNotifier.get(), &QSocketNotifier::activated, this, &cUnixSignalManager::HandleSigInt);
}

cUnixSignalManager::~cUnixSignalManager() = default;

int cUnixSignalManager::SetUpUnixHandler()
{
    struct sigaction action = {};
    action.sa_handler = &cUnixSignalManager::UnixSignalHandler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    for (int signalNumber : { SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGUSR1 }) {
        if (::sigaction(signalNumber, &action, nullptr) != 0) {
            ZU_ERR("Error setting up unix signal handler");
            return 1;
        }
    }
    return 0;
}

void cUnixSignalManager::UnixSignalHandler(int signalNumber)
{
    if (signalNumber == SIGUSR1)
        return;
    const int descriptor = SignalFileDescriptor[0];
    if (descriptor < 0)
        return;
    const int savedErrno = errno;
    const std::int32_t number = signalNumber;
    (void)!::write(descriptor, &number, sizeof(number));
    errno = savedErrno;
}

void cUnixSignalManager::HandleSigInt()
{
    mNotifier->setEnabled(false);
    std::int32_t number = 0;
    (void)!::read(int(mNotifier->socket()), &number, sizeof(number));
    QCoreApplication::quit();
    mNotifier->setEnabled(true);
}
