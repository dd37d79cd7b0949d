#pragma once

#include "Quendle/Drivers/ValueDrivers.h"

#include <list>
#include <string>
#include <utility>

enum ePlaybackChannel : int { PLAYBACK_CHANNEL_LEFT = 0, PLAYBACK_CHANNEL_RIGHT = 1, PLAYBACK_CHANNEL_STEREO = 2 };
enum ePlaybackState : int { PLAYBACK_STATE_PLAYING = 0, PLAYBACK_STATE_PAUSED = 1, PLAYBACK_STATE_STOPPED = 2 };

/// Starts, pauses, resumes and stops a numbered track on one of a unit's players, and follows the
/// player slot the unit plays it on. Parameter 0 start requests, 1 state-change requests (both to
/// the unit), 2 the players' state reports (from the unit).
///
/// Reports arrive on the syscall thread and only emit `PlaybackStateSignal`; the state changes in
/// `PlaybackStateSlot` on the object's own thread.
class cQuendlePlaybackNetObject : public cZUNetDriverBase
{
    Q_OBJECT
public:
    static constexpr int START_LENGTH = 3; // channel, track
    static constexpr int REQUEST_LENGTH = 2; // slot, state
    static constexpr int REPORT_LENGTH = 5; // slot, track, channel, state

    cQuendlePlaybackNetObject(QObject* parent, const char* name, UWORD track, ePlaybackChannel channel);
    ~cQuendlePlaybackNetObject() override;

    /// Links start and state requests to the first two objects of the unit's answer and the third
    /// object's reports to this object; nothing while the track is 0. An answer of fewer than three
    /// pairs links nothing and is reported through `onFailure` (so the button shows disabled rather
    /// than half-linked); false then.
    bool CreateAssignments(const std::list<std::pair<std::string, UWORD>>& namesAndParameters, tLinkCallback onFailure);

    /// Stopped: start the track. Paused: play on, or stop on a long press. Playing: pause, or stop
    /// on a long press.
    void Clicked(bool longPress);
    void StartPlaying();
    void Stop() { RequestStateChange(PLAYBACK_STATE_STOPPED); }
    void Pause() { RequestStateChange(PLAYBACK_STATE_PAUSED); }
    void Unpause() { RequestStateChange(PLAYBACK_STATE_PLAYING); }
    /// Sent only while a slot is held.
    void RequestStateChange(ePlaybackState requested);

    bool IsPlaying() const { return mState < PLAYBACK_STATE_STOPPED; }
    bool IsPaused() const { return mState == PLAYBACK_STATE_PAUSED; }
    int State() const { return mState; }
    int Slot() const { return mSlot; }
    UWORD Track() const { return mTrack; }

    void EntrypointMessage(cZUNetMessage& message) override;

Q_SIGNALS:
    void PlaybackStateChanged();
    void PlaybackStateSignal(int PlaybackSlot, int Track, int Channel, int State);

public Q_SLOTS:
    void PlaybackStateSlot(int PlaybackSlot, int Track, int Channel, int State);

private:
    void Send(UWORD method, const UBYTE* data, int length);

    const UWORD mTrack;
    const ePlaybackChannel mChannel;
    int mState = PLAYBACK_STATE_STOPPED;
    int mSlot = -1;
};
