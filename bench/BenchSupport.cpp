#include "bench/BenchSupport.h"

#include "ZUNet/Core/RegistryRouter.h"

#include <atomic>
#include <chrono>

// Qt's object hooks: slot 0 the version of the table, 1 its size, 3 and 4 called by every
// QObject's constructor and destructor.
extern quintptr Q_CORE_EXPORT qtHookData[];

namespace
{
std::atomic<long> gLiveQObjects { 0 };
quintptr gPreviousAdd = 0;
quintptr gPreviousRemove = 0;

void AddQObject(QObject* object)
{
    gLiveQObjects.fetch_add(1, std::memory_order_relaxed);
    if (gPreviousAdd)
        reinterpret_cast<void (*)(QObject*)>(gPreviousAdd)(object);
}

void RemoveQObject(QObject* object)
{
    gLiveQObjects.fetch_sub(1, std::memory_order_relaxed);
    if (gPreviousRemove)
        reinterpret_cast<void (*)(QObject*)>(gPreviousRemove)(object);
}
} // namespace

bool QObjectCensus::Install()
{
    constexpr int kAdd = 3;
    constexpr int kRemove = 4;
    if (qtHookData[1] <= quintptr(kRemove))
        return false;
    if (qtHookData[kAdd] != reinterpret_cast<quintptr>(&AddQObject)) {
        gPreviousAdd = qtHookData[kAdd];
        gPreviousRemove = qtHookData[kRemove];
        qtHookData[kAdd] = reinterpret_cast<quintptr>(&AddQObject);
        qtHookData[kRemove] = reinterpret_cast<quintptr>(&RemoveQObject);
    }
    return true;
}

long QObjectCensus::Live()
{
    return gLiveQObjects.load(std::memory_order_relaxed);
}

cPlainEmitter::cPlainEmitter(cPlainSender* sender, int changes)
    : cNetObject("plain emitter", 1)
    , mSender(sender)
    , mChanges(changes)
{
}

void cPlainEmitter::EntrypointMessage(cZUNetMessage& message)
{
    if (message.mMethod != PARAMETER_BASE) {
        cNetObject::EntrypointMessage(message);
        return;
    }
    const int base = message.GetDataBufferUWORD(0) * mChanges;
    for (int i = 0; i < mChanges; ++i)
        Q_EMIT mSender->Changed(base + i);
}

sPlainQueuedSignals::sPlainQueuedSignals(int changes)
    : mChanges(changes)
    , mEmitter(std::make_unique<cPlainEmitter>(&mSender, changes))
{
    QObject::connect(&mSender, &cPlainSender::Changed, &mReceiver, &cPlainReceiver::Changed);
}

void sPlainQueuedSignals::Run(benchmark::State& state)
{
    cZUNetMessage message(2);
    message.mConnectionId = ZUNET_LOCAL_CONNECTION;
    message.mMethod = PARAMETER_BASE;
    message.mDestination = mEmitter->GetHandle();
    UWORD round = 0;
    for (auto _ : state) {
        ++round;
        mReceiver.mCount = 0;
        const int last = round % 6 * mChanges + mChanges - 1;
        const auto start = std::chrono::steady_clock::now();
        message.SetDataBufferUWORD(UWORD(round % 6), 0);
        gRegistryRouter->PostLocalMessage(message);
        while (mReceiver.mCount < mChanges || mReceiver.mValue != last)
            QCoreApplication::processEvents();
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    state.SetItemsProcessed(state.iterations() * mChanges);
}
