#include "Quendle/Drivers/DriverBase.h"

#include "ZUNet/Core/PollLocker.h"
#include "ZUNet/Core/RegistryRouter.h"
#include "ZUNet/Core/Syscall.h"
#include "ZUNet/Core/Trace.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace
{
bool NameTaken(const std::string& name)
{
    return gRegistryRouter && gRegistryRouter->GetHandle(name.c_str()) != ZUNET_NO_HANDLE;
}

const QEvent::Type kDeliverEvent = QEvent::Type(QEvent::registerEventType());
} // namespace

/// The drivers of one thread whose network values wait to be told: one posted event delivers all
/// of them, so the thread pays one event per turn however many drivers changed. Made for a thread
/// with its first driver and gone with its last.
class cDriverNotifier : public QObject
{
public:
    /// The current thread's, counting one driver more.
    static cDriverNotifier* Acquire();
    /// One driver less; the thread's last one takes the notifier with it. On the notifier's thread.
    void Release();
    /// Any thread: `driver` joins the next delivery.
    void Post(cZUNetDriverBase* driver);
    /// On the notifier's thread, when `driver` goes: it is told nothing more.
    void Remove(cZUNetDriverBase* driver);

protected:
    bool event(QEvent* event) override;

private:
    static std::mutex& RegistryMutex();
    static std::unordered_map<QThread*, cDriverNotifier*>& Registry();

    int mDrivers = 0; // guarded by RegistryMutex()
    std::mutex mPendingMutex;
    std::vector<cZUNetDriverBase*> mPending; // guarded by mPendingMutex
    // The deliveries under way on this thread (a slot may run an event loop): a driver that goes
    // meanwhile is struck out of them.
    std::vector<std::vector<cZUNetDriverBase*>*> mDelivering;
};

std::mutex& cDriverNotifier::RegistryMutex()
{
    static auto* mutex = new std::mutex;
    return *mutex;
}

std::unordered_map<QThread*, cDriverNotifier*>& cDriverNotifier::Registry()
{
    static auto* registry = new std::unordered_map<QThread*, cDriverNotifier*>;
    return *registry;
}

cDriverNotifier* cDriverNotifier::Acquire()
{
    std::lock_guard<std::mutex> locker(RegistryMutex());
    cDriverNotifier*& notifier = Registry()[QThread::currentThread()];
    if (!notifier)
        notifier = new cDriverNotifier;
    ++notifier->mDrivers;
    return notifier;
}

void cDriverNotifier::Release()
{
    {
        std::lock_guard<std::mutex> locker(RegistryMutex());
        if (--mDrivers > 0)
            return;
        Registry().erase(thread());
    }
    // Inside a delivery the stack still uses it.
    if (mDelivering.empty())
        delete this;
    else
        deleteLater();
}

void cDriverNotifier::Post(cZUNetDriverBase* driver)
{
    bool first = false;
    {
        std::lock_guard<std::mutex> locker(mPendingMutex);
        first = mPending.empty();
        mPending.push_back(driver);
    }
    if (first)
        QCoreApplication::postEvent(this, new QEvent(kDeliverEvent));
}

void cDriverNotifier::Remove(cZUNetDriverBase* driver)
{
    {
        std::lock_guard<std::mutex> locker(mPendingMutex);
        mPending.erase(std::remove(mPending.begin(), mPending.end(), driver), mPending.end());
    }
    for (std::vector<cZUNetDriverBase*>* batch : mDelivering)
        std::replace(batch->begin(), batch->end(), driver, static_cast<cZUNetDriverBase*>(nullptr));
}

bool cDriverNotifier::event(QEvent* event)
{
    if (event->type() != kDeliverEvent)
        return QObject::event(event);
    std::vector<cZUNetDriverBase*> batch;
    {
        std::lock_guard<std::mutex> locker(mPendingMutex);
        batch.swap(mPending);
    }
    mDelivering.push_back(&batch);
    for (cZUNetDriverBase*& driver : batch) {
        if (!driver)
            continue;
        // Cleared first: a value stored from here on asks for a delivery of its own.
        driver->mNotificationPending.store(false);
        driver->TellListener();
        // The listener may take the driver away.
        if (driver)
            driver->EmitValueChanged();
    }
    mDelivering.pop_back();
    return true;
}

std::string UniqueNetObjectName(const char* wanted)
{
    cPollLocker locker;
    std::string name(wanted ? wanted : "");
    // A name the registry refuses anyway is left for the registration to report.
    if (name.size() > std::size_t(ZUNET_MAX_NAME_LENGTH) || !NameTaken(name))
        return name;
    for (int n = 2; n <= ZUNET_MAX_HANDLE + 1; ++n) {
        const std::string suffix = "~" + std::to_string(n);
        std::string candidate = name.substr(0, std::size_t(ZUNET_MAX_NAME_LENGTH) - suffix.size()) + suffix;
        if (!NameTaken(candidate)) {
            ZU_NOTIF("Net object name \"%s\" is in use, registering \"%s\"", name.c_str(), candidate.c_str());
            return candidate;
        }
    }
    return name;
}

cZUNetDriverBase::cZUNetDriverBase(QObject* parent, const char* name, UWORD numberOfParameters)
    : QObject(parent)
    , cNetObject(UniqueNetObjectName(name).c_str(), numberOfParameters)
    , mRequestedName(name ? name : "")
    , mNotifier(cDriverNotifier::Acquire())
{
    if (RegistrationFailed())
        ZU_ERR("Driver \"%s\" could not be registered", mRequestedName.c_str());
}

cZUNetDriverBase::~cZUNetDriverBase()
{
    Unregister();
    mNotifier->Remove(this);
    mNotifier->Release();
}

void cZUNetDriverBase::NotifyValueFromNetwork()
{
    if (!mNotificationPending.exchange(true))
        mNotifier->Post(this);
}

void cZUNetDriverBase::SendParameterMessage(const UBYTE* data, int length)
{
    mOutgoing.SetLength(UWORD(length));
    if (length > 0)
        std::memcpy(mOutgoing.mDataBuffer, data, std::size_t(length));
    mOutgoing.SetAddress(ZUNET_NO_CONNECTION, ZUNET_NO_HANDLE, GetHandle(), PARAMETER_BASE);
    InformOtherObjects(mOutgoing);
}
