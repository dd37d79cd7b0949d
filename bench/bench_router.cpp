// Post and dispatch of small messages through the registry router, beside a mutex-guarded deque
// that delivers copies of the same messages to a virtual call.

#include "ZUNet/Core/NetObject.h"
#include "ZUNet/Core/RegistryRouter.h"
#include "ZUNet/Core/Syscall.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <new>

// Counts heap allocations, to show that the router allocates nothing per message once warm.
static std::atomic<long> gAllocations { 0 };
void* operator new(std::size_t size)
{
    gAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size)
{
    gAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete[](void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}

namespace
{

constexpr int kBatch = 64;

class cSink : public cNetObject
{
public:
    cSink()
        : cNetObject("sink", 1)
    {
    }
    ~cSink() override { Unregister(); }
    void EntrypointMessage(cZUNetMessage& message) override { mSum += message.GetDataBufferUWORD(0); }
    ULONG mSum = 0;
};

void BM_RouterPostAndDispatch(benchmark::State& state)
{
    gRegistryRouter = new cRegistryRouter();
    {
        cSink sink;
        cZUNetMessage message(4);
        message.SetDataBufferULONG(0x00010002, 0);
        message.mConnectionId = 0;
        message.mDestination = sink.GetHandle();
        message.mMethod = PARAMETER_BASE;
        // Warm up the queue and pools.
        for (int i = 0; i < kBatch; ++i)
            gRegistryRouter->PostLocalMessage(message);
        gRegistryRouter->SyscallPoll();
        const long allocationsBefore = gAllocations.load();
        for (auto _ : state) {
            for (int i = 0; i < kBatch; ++i)
                gRegistryRouter->PostLocalMessage(message);
            gRegistryRouter->SyscallPoll();
        }
        const long allocations = gAllocations.load() - allocationsBefore;
        state.counters["allocs_per_msg"] = double(allocations) / double(state.iterations() * kBatch);
        state.SetItemsProcessed(state.iterations() * kBatch);
        benchmark::DoNotOptimize(sink.mSum);
    }
    delete gRegistryRouter;
    gRegistryRouter = nullptr;
}
BENCHMARK(BM_RouterPostAndDispatch);

struct sBaselineTarget {
    virtual ~sBaselineTarget() = default;
    virtual void Deliver(const cZUNetMessage& message) = 0;
};

struct sBaselineSink : sBaselineTarget {
    void Deliver(const cZUNetMessage& message) override { mSum += message.GetDataBufferUWORD(0); }
    ULONG mSum = 0;
};

void BM_BaselineMutexDeque(benchmark::State& state)
{
    std::mutex mutex;
    std::deque<cZUNetMessage> queue;
    sBaselineSink sinkObject;
    sBaselineTarget* sink = &sinkObject;
    benchmark::DoNotOptimize(sink);
    cZUNetMessage message(4);
    message.SetDataBufferULONG(0x00010002, 0);
    const long allocationsBefore = gAllocations.load();
    for (auto _ : state) {
        for (int i = 0; i < kBatch; ++i) {
            std::lock_guard<std::mutex> lock(mutex);
            queue.push_back(message);
        }
        for (;;) {
            std::unique_lock<std::mutex> lock(mutex);
            if (queue.empty())
                break;
            cZUNetMessage next = std::move(queue.front());
            queue.pop_front();
            lock.unlock();
            sink->Deliver(next);
        }
    }
    const long allocations = gAllocations.load() - allocationsBefore;
    state.counters["allocs_per_msg"] = double(allocations) / double(state.iterations() * kBatch);
    state.SetItemsProcessed(state.iterations() * kBatch);
    benchmark::DoNotOptimize(sinkObject.mSum);
}
BENCHMARK(BM_BaselineMutexDeque);

} // namespace

BENCHMARK_MAIN();
