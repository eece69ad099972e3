#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "song/CAction.h"

namespace tessaron {

class CMedia;

// The run-time state of playback: the pending actions (sorted by start), the record and play
// flags, the tick's enable and busy marks and the counters of a recording pass. It shares the
// document lock, which the tick holds for its whole run: every change takes it, and the list
// of pending actions is reached only with a Guard, so nobody walks it while the tick does.
// The flags the user interface polls are atomics; a decision that must hold until the change
// it leads to is made under a Guard.
class CTransport {
public:
    using Actions = std::vector<std::unique_ptr<CAction>>;
    // Re-entrant like the critical section it stands for.
    using Mutex = std::recursive_mutex;

    // The document lock, held while it lives.
    class [[nodiscard]] Guard {
    public:
        explicit Guard(Mutex& lock) : lock_(lock) {}

    private:
        std::lock_guard<Mutex> lock_;
    };

    explicit CTransport(Mutex& lock) : lock_(lock) {}
    CTransport(const CTransport&) = delete;
    CTransport& operator=(const CTransport&) = delete;

    Guard Hold() const { return Guard(lock_); }

    // Polled values; they may change right after the read.
    bool RecordMode() const { return recordMode_.load(); }
    bool SongPlaying() const { return songPlaying_.load(); }
    bool TickEnabled() const { return tickEnabled_.load(); }
    int32_t RecordPassCount() const;
    int32_t EventsRecordedThisPass() const;

    void SetSongPlaying(bool on);
    // Flips the record mode; going on starts a new pass. Answers the new mode.
    bool ToggleRecordMode();
    void CountRecordedEvent();
    void ResetRecordPasses();

    void EnableTick();
    // Disables the tick. A tick runs only while holding the document lock, so once this has
    // taken it no tick is running and none will do work until the tick is enabled again.
    void DisableTick();

    // The tick's hand-over, under a Guard: BeginTick answers whether this tick does its work
    // (enabled, and not a tick started from inside a running one); EndTick closes it.
    bool BeginTick(const Guard&);
    void EndTick(const Guard&);
    bool TickBusy() const { return tickBusy_.load(); }
    // Ticks done so far; answers the count before this one.
    int32_t CountTick(const Guard&) { return tickCounter_++; }

    // Pending actions.
    Actions& Pending(const Guard&) { return pending_; }
    bool HasPending() const;
    // The start of the first pending action; INT32_MAX when there is none.
    int32_t NextStart() const;
    // Inserts before the first action that starts later (equal starts keep their order);
    // answers where it went.
    size_t Insert(const Guard&, std::unique_ptr<CAction> action);
    // Takes action `i` out and inserts it again in start order, moving a walk at `i` past it
    // when it lands at or before the walk's place.
    void Reinsert(const Guard&, size_t& i);
    // Marks an action done; done actions are removed by PurgeDone.
    void MarkDone(const Guard&, CAction& action);
    // Marks the pending holds of `medium` done, and its scheduled stops with `stopsToo`.
    void MarkHoldsDone(const Guard&, const CMedia* medium, bool stopsToo);
    void PurgeDone(const Guard&);
    void DropActionsOf(const CMedia* medium);
    void ClearPending();

private:
    Mutex& lock_;
    Actions pending_;
    std::atomic<bool> recordMode_{false};
    std::atomic<bool> songPlaying_{false};
    std::atomic<bool> tickEnabled_{false};
    std::atomic<bool> tickBusy_{false};
    int32_t recordPassCount_ = 0;
    int32_t eventsRecordedThisPass_ = 0;
    int32_t tickCounter_ = 0;
    bool purgeFlag_ = false;
};

}  // namespace tessaron
