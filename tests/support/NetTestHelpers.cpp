#include "tests/support/NetTestHelpers.h"

#include "ZUNet/Core/PollLocker.h"
#include "ZUNet/Core/RegistryRouter.h"
#include "ZUNet/Core/Syscall.h"
#include "ZUNet/Core/SystemBuilder.h"

#include <QElapsedTimer>
#include <QTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

cFullBacklogListener::cFullBacklogListener(const char* address, quint16 port)
{
    sockaddr_in where {};
    where.sin_family = AF_INET;
    where.sin_port = htons(port);
    inet_pton(AF_INET, address, &where.sin_addr);
    mListener = ::socket(AF_INET, SOCK_STREAM, 0);
    const int one = 1;
    ::setsockopt(mListener, SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
    if (::bind(mListener, reinterpret_cast<sockaddr*>(&where), sizeof(where)) != 0 || ::listen(mListener, 0) != 0) {
        ::close(mListener);
        mListener = -1;
        return;
    }
    // With a backlog of 0 the queue holds one connection; this one fills it.
    mFiller = ::socket(AF_INET, SOCK_STREAM, 0);
    if (::connect(mFiller, reinterpret_cast<sockaddr*>(&where), sizeof(where)) != 0) {
        ::close(mFiller);
        mFiller = -1;
    }
}

cFullBacklogListener::~cFullBacklogListener()
{
    if (mFiller >= 0)
        ::close(mFiller);
    if (mListener >= 0)
        ::close(mListener);
}

QVector<QPair<UWORD, bool>> TerminatedUnderPollLock(const cProbeObject& probe)
{
    cPollLocker locker;
    return probe.mTerminated;
}

QVector<cZUNetMessage> ReceivedUnderPollLock(const cProbeObject& probe)
{
    cPollLocker locker;
    return probe.mReceived;
}

bool AddSyncLink(const QString& sourcePath, const char* destination)
{
    const sParameterLinkingCommand link = sParameterLinkingCommand::Make(
        sourcePath.toUtf8().constData(), PARAMETER_BASE, destination, PARAMETER_BASE, true);
    if (!link.PathsFit())
        return false;
    cPollLocker locker;
    gSystemBuilder->AddLinkCommandToList(link, false);
    return true;
}

bool DispatchUntil(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        gRegistryRouter->SyscallPollAtMost(1000);
        if (done())
            return true;
        if (timer.elapsed() > timeoutMs)
            return false;
        QTest::qWait(1);
    }
}
