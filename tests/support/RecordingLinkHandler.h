#pragma once

#include "ZUNet/QT/LinkEventHandler.h"

#include <QByteArray>
#include <QList>
#include <QPair>

#include <mutex>

/// Stands in for the connection manager behind a link or a connection thread: records the utility
/// payloads it is handed and the connections it is asked to watch. Links call it on their threads.
class cRecordingLinkHandler : public cLinkEventHandler
{
public:
    void UtilityMessageReceived(const UBYTE* payload, UWORD length, UWORD connectionId) override
    {
        std::lock_guard<std::mutex> locker(mMutex);
        mUtility.append({ connectionId, QByteArray(reinterpret_cast<const char*>(payload), length) });
    }
    void RegisterConnectionWithLostComms(UWORD connectionId) override
    {
        std::lock_guard<std::mutex> locker(mMutex);
        mRegistered.append(connectionId);
    }
    /// (connection id, payload) of each utility message, in order.
    QList<QPair<UWORD, QByteArray>> Utility()
    {
        std::lock_guard<std::mutex> locker(mMutex);
        return mUtility;
    }
    QList<UWORD> Registered()
    {
        std::lock_guard<std::mutex> locker(mMutex);
        return mRegistered;
    }

private:
    std::mutex mMutex;
    QList<QPair<UWORD, QByteArray>> mUtility;
    QList<UWORD> mRegistered;
};
