#pragma once

#include "ZUNet/Core/NetworkInterface.h"

#include <QMap>
#include <QVector>
#include <mutex>

/// Stands in for the connection manager: records what is sent and answers lookups from a
/// table. Installs itself while it lives.
class cFakeNetwork : public cNetworkInterface
{
public:
    cFakeNetwork();
    ~cFakeNetwork() override;

    UWORD FindConnection(const char* host) override;
    bool ConnectionExists(const char* host) override;
    std::string HostNameFromConnectionId(UWORD connectionId) override;
    UWORD NumberOfConnections() override;
    void SendMessage(const cZUNetMessage& message) override;
    void SendDatagramMessage(const cZUNetMessage& message) override;

    /// `host` resolves to `connectionId`.
    void AddConnection(const QString& host, UWORD connectionId);
    void RemoveConnection(const QString& host);

    QVector<cZUNetMessage> Sent() const;
    QVector<cZUNetMessage> SentDatagrams() const;
    QStringList FindRequests() const;
    void Clear();

private:
    mutable std::mutex mMutex;
    QMap<QString, UWORD> mConnections;
    QVector<cZUNetMessage> mSent;
    QVector<cZUNetMessage> mSentDatagrams;
    QStringList mFindRequests;
};
