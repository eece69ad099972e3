#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "song/CTickTimer.h"
#include "song/CTransport.h"

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
    // Disables the tick and stops the timer thread. Safe with the document lock held.
    void ShutDown();
    // Disables the tick; on return no tick is running and none does work until something
    // enables the tick again. It never waits for the tick to notice: the tick holds the
    // document lock for its whole run, so taking the lock is the hand-over.
    void WaitForIdle();
    bool IsRunning() const { return timer_ && timer_->IsRunning(); }
    const CTickTimer* Timer() const { return timer_.get(); }

    // One tick; called every 2 ms on the timer thread, or by hand. Takes the document lock.
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
    using Guard = CTransport::Guard;

    // Called on the timer thread: the tick, unless the timer is told to stop while the thread
    // waits for the document lock (the one stopping it may hold the lock).
    void TimerTick();
    void AdvanceClock(int32_t now);
    // Fires the due actions (only those that need no grid point when `offGrid`); false when
    // the end of the song stopped everything.
    bool FireDue(const Guard& held, int32_t now, bool offGrid);
    void StopAllLoadedMedia();
    // Whether the loader has the medium: then nothing here touches it.
    bool Busy(const CMedia* medium) const;
    void StopSong(const Guard& held);
    // The distinct media of the events from the song position on that are not loaded.
    std::vector<CMedia*> UnloadedSongMedia() const;
    void Post(uint32_t message, intptr_t first, intptr_t second) const;

    CChordwayDoc& doc_;
    CTransport& transport_;
    std::unique_ptr<CTickTimer> timer_;
    std::atomic<bool> stopping_{false};
};

}  // namespace tessaron
