#include "bench/BenchSupport.h"

#include "ZUNet/Core/RegistryRouter.h"

#include <chrono>

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
