#include "tests/support/Connections.h"

#include "ZUNet/QT/NetworkConnection.h"

#include <QTest>

cStartedNetwork::cStartedNetwork()
    : mStack(cNetworkStack::SystemBuilder | cNetworkStack::SyscallThread)
{
    mStack.Start();
}

cLocalNetwork::cLocalNetwork(bool systemBuilder)
{
    cNetworkConnection::AllowInstanceOf(true);
    InitialiseSyscall(CONNECTION_TERMINATED_ABORT_COMMANDS, systemBuilder);
}

cLocalNetwork::~cLocalNetwork()
{
    cNetworkConnection::DeleteInstance();
    UninitialiseSyscall();
}

void EndEveryConnection()
{
    cNetworkConnection* network = cNetworkConnection::Instance();
    for (UWORD id = 1; id <= ZUNET_MAX_CONNECTIONS; ++id) {
        if (network->IsConnectionIDInUse(id))
            network->DisconnectConnectionID(id);
    }
    QTRY_COMPARE(network->GetNumberOfConnections(), UWORD(0));
}

UWORD ConnectionTo(const QString& host)
{
    return cNetworkConnection::Instance()->GetConnectionIDFromHostName(host.toStdString());
}
