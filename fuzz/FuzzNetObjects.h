#pragma once

// What the fuzz targets of net objects share: a quiet registry router, and message records that
// are handed to an object as dispatch hands them.

#include "ZUNet/Core/NetObject.h"
#include "ZUNet/Core/PollLocker.h"
#include "ZUNet/Core/RegistryRouter.h"
#include "ZUNet/Core/Syscall.h"
#include "ZUNet/Core/Trace.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>

/// Once per process: traces dropped, a registry router with room to spare.
inline void StartQuietRouter()
{
    static const bool ready = [] {
        SetTraceSink([](const char*, std::size_t, void*) {}, nullptr);
        sZUNetMessagePoolConfig pools;
        pools.mSmallInitial = 200;
        pools.mMediumInitial = 50;
        gRegistryRouter = new cRegistryRouter(pools);
        return true;
    }();
    (void)ready;
}

/// Reads a message record from `at` (target, connection, method (2), length (2), data up to what is
/// left) and hands it to `target(index)` under the poll lock, from one of `sources` local handles or
/// one on a unit, as `kind` says. False when the input ends inside the record's header.
template <typename tTarget>
bool DeliverMessageRecord(
    const std::uint8_t* data, std::size_t size, std::size_t& at, UBYTE kind, int sources, tTarget target)
{
    static const UWORD kConnections[] = { ZUNET_LOCAL_CONNECTION, 1, 70, ZUNET_NO_CONNECTION };
    if (size - at < 6)
        return false;
    cNetObject& to = target(int(data[at]));
    const UWORD connection = kConnections[data[at + 1] % 4];
    const UWORD method = UWORD((data[at + 2] << 8) | data[at + 3]);
    const std::size_t length = std::min(std::size_t((data[at + 4] << 8) | data[at + 5]), size - at - 6);
    at += 6;
    // Sized exactly: a read past the data is a read past the buffer.
    cZUNetMessage message { UWORD(length) };
    for (std::size_t i = 0; i < length; ++i)
        message.SetDataBufferUBYTE(data[at + i], int(i));
    at += length;
    message.SetAddress(connection, to.GetHandle(), UWORD((kind >> 1) % sources + 1), method);
    // A link to the registry itself could ask it for its diagnostic dump, a file in the working
    // folder: point such links at another handle.
    if (method == M_OBJECT_ADD_TO_INFORM_LIST && length >= 4 && message.GetDataBufferUWORD(2) == 0)
        message.SetDataBufferUWORD(1, 2);
    cPollLocker poll;
    to.EntrypointMessage(message);
    return true;
}

/// Runs an input of records, each starting with a byte: with its low bit clear a message record
/// for `target`, set another record that `act(at)` reads (false when the input ends inside it).
/// What the objects sent is dispatched after each record.
template <typename tTarget, typename tAct>
void RunRecords(const std::uint8_t* data, std::size_t size, int sources, tTarget target, tAct act)
{
    std::size_t at = 0;
    while (at < size) {
        const UBYTE kind = data[at++];
        const bool whole = (kind & 1) ? act(at) : DeliverMessageRecord(data, size, at, kind, sources, target);
        if (!whole)
            return;
        gRegistryRouter->SyscallPollAtMost(2000);
    }
}

/// Destroys the objects, then dispatches until nothing is left: links an input made may form
/// loops, whose messages fall away once the objects are gone.
template <typename tObjects> void DropAndDrain(std::unique_ptr<tObjects>& objects)
{
    objects.reset();
    while (gRegistryRouter->SyscallPollAtMost(100000) > 0) { }
}
