#include "tests/support/FakeNetwork.h"

#include <QStringList>

cFakeNetwork::cFakeNetwork()
{
    SetNetworkInterface(this);
}

cFakeNetwork::~cFakeNetwork()
{
    if (GetNetworkInterface() == this)
        SetNetworkInterface(nullptr);
}

UWORD cFakeNetwork::FindConnection(const char* host)
{
    std::lock_guard<std::mutex> locker(mMutex);
    mFindRequests.append(QString::fromUtf8(host));
    return mConnections.value(QString::fromUtf8(host), ZUNET_NO_CONNECTION);
}

bool cFakeNetwork::ConnectionExists(const char* host)
{
    std::lock_guard<std::mutex> locker(mMutex);
    return mConnections.contains(QString::fromUtf8(host));
}

std::string cFakeNetwork::HostNameFromConnectionId(UWORD connectionId)
{
    std::lock_guard<std::mutex> locker(mMutex);
    for (auto it = mConnections.cbegin(); it != mConnections.cend(); ++it) {
        if (it.value() == connectionId)
            return it.key().toStdString();
    }
    return std::string();
}

UWORD cFakeNetwork::NumberOfConnections()
{
    std::lock_guard<std::mutex> locker(mMutex);
    return UWORD(mConnections.size());
}

void cFakeNetwork::SendMessage(const cZUNetMessage& message)
{
    std::lock_guard<std::mutex> locker(mMutex);
    mSent.append(message);
}

void cFakeNetwork::SendDatagramMessage(const cZUNetMessage& message)
{
    std::lock_guard<std::mutex> locker(mMutex);
    mSentDatagrams.append(message);
}

void cFakeNetwork::AddConnection(const QString& host, UWORD connectionId)
{
    std::lock_guard<std::mutex> locker(mMutex);
    mConnections.insert(host, connectionId);
}

void cFakeNetwork::RemoveConnection(const QString& host)
{
    std::lock_guard<std::mutex> locker(mMutex);
    mConnections.remove(host);
}

QVector<cZUNetMessage> cFakeNetwork::Sent() const
{
    std::lock_guard<std::mutex> locker(mMutex);
    return mSent;
}

QVector<cZUNetMessage> cFakeNetwork::SentDatagrams() const
{
    std::lock_guard<std::mutex> locker(mMutex);
    return mSentDatagrams;
}

QStringList cFakeNetwork::FindRequests() const
{
    std::lock_guard<std::mutex> locker(mMutex);
    return mFindRequests;
}

void cFakeNetwork::Clear()
{
    std::lock_guard<std::mutex> locker(mMutex);
    mSent.clear();
    mSentDatagrams.clear();
    mFindRequests.clear();
}
