// Feeds the value drivers, the playback object and the custom-IP object any message (any method,
// any connection, any length, any bytes) and any user-side call, in any order. Nothing may read
// past a message's data, loop or crash; whatever they send is dispatched in turn.
//
// Input: records, each starting with a byte whose low bit chooses the kind:
//   message: target, connection, method (2), length (2), data (up to what is left)
//   user call: target, argument, length (1), data
// The target byte picks one of the eight objects (modulo 8).

#include "Quendle/Drivers/CustomIPNetObject.h"
#include "Quendle/Drivers/PlaybackNetObject.h"
#include "Quendle/Drivers/ValueDrivers.h"
#include "ZUNet/Core/RegistryRouter.h"
#include "ZUNet/Core/Syscall.h"
#include "ZUNet/Core/Trace.h"
#include "fuzz/FuzzNetObjects.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace
{

struct sObjects {
    cZUNetBooleanSwitchDriver mSwitch { nullptr, "switch" };
    cZUNetMeterDriver mMeter { nullptr, "meter" };
    cZUNetStringDriver mString { nullptr, "string" };
    cZUNetUBYTEDriver mByte { nullptr, "byte" };
    cZUNetUWORDDriver mWord { nullptr, "word" };
    cZUNetVectorUBYTEDriver mVector { nullptr, "vector" };
    cQuendlePlaybackNetObject mPlayback { nullptr, "playback", 0x0102, PLAYBACK_CHANNEL_STEREO };
    cCustomIPNetObject mCustomIP { "customip" };

    cNetObject& Target(int index)
    {
        cNetObject* objects[] = { &mSwitch, &mMeter, &mString, &mByte, &mWord, &mVector, &mPlayback, &mCustomIP };
        return *objects[index % 8];
    }

    void UserCall(int target, UBYTE argument, const std::vector<UBYTE>& data)
    {
        const bool always = argument & 1;
        switch (target % 8) {
        case 0:
            mSwitch.SetValue(argument & 2);
            break;
        case 1:
            mMeter.SetValue(cZUNetMeterDriver::LevelFromWire(SWORD(argument << 8)));
            break;
        case 2: {
            const std::string text(data.begin(), data.end());
            always ? mString.SetValueAndSendNetworkMessage(text) : mString.SetValue(text);
            break;
        }
        case 3:
            mByte.SetValue(argument);
            break;
        case 4:
            always ? mWord.SetValueAndSendNetworkMessage(UWORD(argument * 257)) : mWord.SetValue(UWORD(argument * 257));
            break;
        case 5:
            always ? mVector.SetValueAndSendNetworkMessage(data) : mVector.SetValue(data);
            break;
        case 6:
            if (argument & 4)
                mPlayback.RequestStateChange(ePlaybackState(argument % 4));
            else
                mPlayback.Clicked(argument & 2);
            break;
        default:
            mCustomIP.SendIPMessage(QString::fromLatin1(reinterpret_cast<const char*>(data.data()), int(data.size())),
                UWORD(argument * 251), always, data);
            break;
        }
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    StartQuietRouter();

    auto objects = std::make_unique<sObjects>();
    RunRecords(
        data, size, 12, [&](int index) -> cNetObject& { return objects->Target(index); },
        [&](std::size_t& at) {
            if (size - at < 3)
                return false;
            const int target = data[at];
            const UBYTE argument = data[at + 1];
            const std::size_t length = std::min(std::size_t(data[at + 2]), size - at - 3);
            at += 3;
            objects->UserCall(target, argument, std::vector<UBYTE>(data + at, data + at + length));
            at += length;
            return true;
        });
    DropAndDrain(objects);
    return 0;
}
