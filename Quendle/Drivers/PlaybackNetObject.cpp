#include "Quendle/Drivers/PlaybackNetObject.h"

#include "ZUNet/Core/PollLocker.h"
#include "ZUNet/Core/Syscall.h"
#include "ZUNet/Core/Trace.h"

#include <cstring>
#include <iterator>

cQuendlePlaybackNetObject::cQuendlePlaybackNetObject(
    QObject* parent, const char* name, UWORD track, ePlaybackChannel channel)
    : cZUNetDriverBase(parent, name, 3)
    , mTrack(track)
    , mChannel(channel)
{
    // Reports come from the syscall thread; the state is only touched on this object's thread.
    connect(this, &cQuendlePlaybackNetObject::PlaybackStateSignal, this, &cQuendlePlaybackNetObject::PlaybackStateSlot);
}

cQuendlePlaybackNetObject::~cQuendlePlaybackNetObject()
{
    Unregister();
}

bool cQuendlePlaybackNetObject::CreateAssignments(
    const std::list<std::pair<std::string, UWORD>>& namesAndParameters, tLinkCallback onFailure)
{
    if (mTrack == 0)
        return true;
    if (namesAndParameters.size() < 3) {
        ZU_ERR("Playback object %s: %d objects to link to, 3 needed", GetName(), int(namesAndParameters.size()));
        if (onFailure) {
            sParameterLinkingCommand command;
            (void)command.SetSourcePath(GetName());
            command.mSourceParam = PARAMETER_BASE;
            onFailure(&command);
        }
        return false;
    }
    auto pair = namesAndParameters.begin();
    const auto& start = *pair++;
    const auto& request = *pair++;
    const auto& reports = *pair;

    auto queue = [&](const char* source, UWORD sourceParam, const char* destination, UWORD destParam, bool sync) {
        sParameterLinkingCommand command
            = sParameterLinkingCommand::Make(source, sourceParam, destination, destParam, sync);
        command.mCompletionCallback = onFailure;
        gSystemBuilder->AddLinkCommandToList(command, false);
    };
    cPollLocker locker;
    if (!gSystemBuilder) {
        ZU_ERR("No system builder, %s not linked", GetName());
        return false;
    }
    queue(GetName(), PARAMETER_BASE, start.first.c_str(), start.second, false);
    queue(GetName(), PARAMETER_BASE + 1, request.first.c_str(), request.second, false);
    queue(reports.first.c_str(), reports.second, GetName(), PARAMETER_BASE + 2, true);
    return true;
}

void cQuendlePlaybackNetObject::Clicked(bool longPress)
{
    switch (mState) {
    case PLAYBACK_STATE_STOPPED:
        StartPlaying();
        break;
    case PLAYBACK_STATE_PAUSED:
        RequestStateChange(longPress ? PLAYBACK_STATE_STOPPED : PLAYBACK_STATE_PLAYING);
        break;
    case PLAYBACK_STATE_PLAYING:
        RequestStateChange(longPress ? PLAYBACK_STATE_STOPPED : PLAYBACK_STATE_PAUSED);
        break;
    default:
        break;
    }
}

void cQuendlePlaybackNetObject::StartPlaying()
{
    const UBYTE data[START_LENGTH] = { UBYTE(mChannel), UBYTE(mTrack >> 8), UBYTE(mTrack) };
    Send(PARAMETER_BASE, data, START_LENGTH);
}

void cQuendlePlaybackNetObject::RequestStateChange(ePlaybackState requested)
{
    if (mSlot < 0)
        return;
    const UBYTE data[REQUEST_LENGTH] = { UBYTE(mSlot), UBYTE(requested) };
    Send(PARAMETER_BASE + 1, data, REQUEST_LENGTH);
}

void cQuendlePlaybackNetObject::Send(UWORD method, const UBYTE* data, int length)
{
    cPollLocker locker;
    mOutgoing.SetLength(UWORD(length));
    std::memcpy(mOutgoing.mDataBuffer, data, std::size_t(length));
    mOutgoing.SetAddress(ZUNET_NO_CONNECTION, ZUNET_NO_HANDLE, GetHandle(), method);
    InformOtherObjects(mOutgoing);
}

void cQuendlePlaybackNetObject::EntrypointMessage(cZUNetMessage& message)
{
    if (message.mMethod != PARAMETER_BASE + 2) {
        cNetObject::EntrypointMessage(message);
        return;
    }
    if (!ZU_CHECK_LENGTH(message, REPORT_LENGTH))
        return;
    const int slot = message.GetDataBufferUBYTE(0);
    const int track = message.GetDataBufferUWORD(1);
    const int channel = message.GetDataBufferUBYTE(3);
    const int state = message.GetDataBufferUBYTE(4);
    // A state the protocol does not have would hold the slot for good and leave the button dead.
    if (state > PLAYBACK_STATE_STOPPED) {
        ZU_ERR("Playback object %s: state %d of slot %d ignored", GetName(), state, slot);
        return;
    }
    Q_EMIT PlaybackStateSignal(slot, track, channel, state);
}

void cQuendlePlaybackNetObject::PlaybackStateSlot(int slot, int track, int channel, int state)
{
    const bool following = mSlot >= 0 && slot == mSlot;
    const bool adopting = mSlot < 0 && track == mTrack && channel == mChannel;
    if (!following && !adopting)
        return;
    if (state < PLAYBACK_STATE_PLAYING || state > PLAYBACK_STATE_STOPPED)
        return;
    mSlot = state == PLAYBACK_STATE_STOPPED ? -1 : slot;
    mState = state;
    Q_EMIT PlaybackStateChanged();
}
