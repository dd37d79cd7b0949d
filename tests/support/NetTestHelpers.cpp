#include "tests/support/NetTestHelpers.h"

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
    SyscallMessagesPollLock();
    QVector<QPair<UWORD, bool>> copy = probe.mTerminated;
    SyscallMessagesPollUnLock();
    return copy;
}

QVector<cZUNetMessage> ReceivedUnderPollLock(const cProbeObject& probe)
{
    SyscallMessagesPollLock();
    QVector<cZUNetMessage> copy = probe.mReceived;
    SyscallMessagesPollUnLock();
    return copy;
}

bool AddSyncLink(const QString& sourcePath, const char* destination)
{
    sParameterLinkingCommand link;
    if (!link.SetSourcePath(sourcePath.toUtf8().constData()) || !link.SetDestinationPath(destination))
        return false;
    link.mSourceParam = PARAMETER_BASE;
    link.mDestParam = PARAMETER_BASE;
    link.mSync = true;
    SyscallMessagesPollLock();
    gSystemBuilder->AddLinkCommandToList(link, false);
    SyscallMessagesPollUnLock();
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
