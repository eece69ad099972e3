#pragma once

#include <cstdint>
#include <memory>

#include "song/CTickTimer.h"

namespace tessaron {

class CAction;
class CChordwayDoc;
class CMedia;

// Turns actions into sound at the right moment: the song clock advanced by 2 ms ticks, the
// pending actions, and the record, play and loop logic of the song. The tick can be driven
// directly (tests, offline tools) or by the timer thread.
class CScheduler {
public:
    static constexpr int32_t kTickMs = 2;

    explicit CScheduler(CChordwayDoc& doc);
    ~CScheduler();
    CScheduler(const CScheduler&) = delete;
    CScheduler& operator=(const CScheduler&) = delete;

    // Resets the clock and starts the 2 ms timer thread.
    void Start();
    // Waits for the tick to be idle and stops the timer thread.
    void ShutDown();
    // Disables the tick and waits until a running tick has ended (and at least 200 ms passed
    // when one was running).
    void WaitForIdle();
    bool IsRunning() const { return timer_ && timer_->IsRunning(); }
    const CTickTimer* Timer() const { return timer_.get(); }

    // One tick; called every 2 ms on the timer thread, or by hand.
    void Tick();

    // Live triggers, stamped with the current clock. Each answers whether it was accepted.
    bool Play(CMedia* medium, int32_t listPosition, int mode);
    bool Stop(CMedia* medium, int32_t listPosition);
    bool Close(CMedia* medium, int32_t listPosition);
    bool Volume(CMedia* medium, int32_t listPosition, int32_t volume);
    bool Pan(CMedia* medium, int32_t listPosition, int32_t pan);
    bool PitchChange(CMedia* medium, int32_t listPosition, int32_t tenths);
    // Sends an action to the pending list at `timeMs` (recording it too when recording).
    bool Trigger(const CAction& action, int32_t timeMs);

    // Appends copies of the events from `fromMs` on (up to the loop end when looping).
    void Schedule(int32_t fromMs, bool preload);
    void DropPendingSongActions();

    // Song commands.
    void StartRecordingClock();
    void ToggleRecordMode();
    void ClearRecording();
    void PlaySong();
    void StopSong();
    void StopAndRewind();
    void StopCommand();

private:
    void AdvanceClock(int32_t now);
    // Fires the due actions (only those that need no grid point when `offGrid`); false when
    // the end of the song stopped everything.
    bool FireDue(int32_t now, bool offGrid);
    void CancelStopsAndHolds(const CMedia* medium);
    void StopAllLoadedMedia();
    void Post(uint32_t message, intptr_t first, intptr_t second) const;
    // The song clock, read under the document lock (the tick moves it).
    int32_t Now() const;

    CChordwayDoc& doc_;
    std::unique_ptr<CTickTimer> timer_;
};

}  // namespace tessaron
