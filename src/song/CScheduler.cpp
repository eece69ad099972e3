#include "song/CScheduler.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "framework/IMessageSink.h"
#include "media/CMedia.h"
#include "song/CAction.h"
#include "song/CChordwayDoc.h"
#include "song/IDocumentObserver.h"
#include "song/Messages.h"

namespace tessaron {

namespace {

using Pending = std::vector<std::unique_ptr<CAction>>;

bool FiresWithoutGrid(int32_t code)
{
    return code == CAction::kVolume || code == CAction::kPan || code == CAction::kPitchChange;
}

// Codes after which the event list view is told which event fired.
bool TellsEventList(int32_t code)
{
    return code >= CAction::kPlay && code <= CAction::kNotifyFrame;
}

}  // namespace

CScheduler::CScheduler(CChordwayDoc& doc) : doc_(doc) {}

CScheduler::~CScheduler() { ShutDown(); }

void CScheduler::Post(uint32_t message, intptr_t first, intptr_t second) const
{
    if (IMessageSink* sink = doc_.Environment().sink) {
        sink->post(message, first, second);
    }
}

int32_t CScheduler::Now() const
{
    std::lock_guard guard(doc_.Lock());
    return doc_.Clock().clock;
}

void CScheduler::Start()
{
    {
        std::lock_guard guard(doc_.Lock());
        doc_.Random().seed(static_cast<uint32_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
                .count()));
        doc_.Clock().Reset();
    }
    if (!timer_) {
        timer_ = std::make_unique<CTickTimer>(kTickMs, [this] { Tick(); });
    }
}

void CScheduler::ShutDown()
{
    WaitForIdle();
    if (timer_) {
        timer_->Stop();
        timer_.reset();
    }
}

void CScheduler::WaitForIdle()
{
    if (doc_.tickBusy.load() == 0) {
        return;
    }
    doc_.tickEnabled = false;
    const auto start = std::chrono::steady_clock::now();
    while (doc_.tickBusy.load() != 0 || std::chrono::steady_clock::now() - start < std::chrono::milliseconds(200)) {
        std::this_thread::yield();
    }
}

void CScheduler::CancelStopsAndHolds(const CMedia* medium)
{
    for (const auto& action : doc_.PendingActions()) {
        const int32_t code = action->Code();
        if (action->Medium() == medium && (code == CAction::kScheduledStop || code == CAction::kHold)) {
            action->SetCode(CAction::kDone);
            doc_.purgeFlag = true;
        }
    }
}

void CScheduler::StopAllLoadedMedia()
{
    for (int i = 0; i < doc_.MediaCount(); ++i) {
        CMedia* medium = doc_.MediumAt(i);
        if (medium->loaded == 1) {
            medium->Stop();
        }
    }
}

bool CScheduler::Trigger(const CAction& source, int32_t timeMs)
{
    std::lock_guard guard(doc_.Lock());
    auto action = std::make_unique<CAction>(source);
    CMedia* medium = action->Medium();
    if (action->Code() == CAction::kPlay) {
        if (medium == nullptr || !doc_.LoadMediumData(*medium, true)) {
            return false;
        }
        int64_t duration = medium->GetTotalPlayLength();
        if (medium->IsContinuousLoop()) {
            duration = static_cast<int64_t>(medium->GetPlayLength()) * doc_.Environment().settings.nbLoop;
        }
        action->SetDuration(static_cast<int32_t>(std::min<int64_t>(duration, INT32_MAX)));
        action->Length().FromMs(action->Duration(), doc_.EffectiveTempo());
        if (medium->IsPlaying()) {
            for (const auto& pending : doc_.PendingActions()) {
                if (pending->Medium() == medium && pending->Code() == CAction::kHold) {
                    pending->SetCode(CAction::kDone);
                    doc_.purgeFlag = true;
                }
            }
        }
    }
    if (doc_.recordMode) {
        action->SetStart(timeMs);
        action->Position().FromMs(timeMs, doc_.EffectiveTempo());
        const int index = doc_.RecordAction(*action);
        if (index >= 0) {
            if (action->Code() == CAction::kPlay || action->Code() == CAction::kStop) {
                doc_.ComputeSongLength();
            }
            if (IDocumentObserver* views = doc_.Environment().views) {
                views->UpdateHint(view_hint::kEventRecorded, index, true);
            }
            ++doc_.eventsRecordedThisPass;
        }
    }
    action->SetStart(timeMs);
    doc_.InsertPending(std::move(action));
    doc_.tickEnabled = true;
    return true;
}

bool CScheduler::Play(CMedia* medium, int32_t listPosition, int mode)
{
    if (medium == nullptr) {
        return false;
    }
    if (mode == 2) {
        medium->SetLoop(true);
    } else if (mode == 1) {
        medium->SetLoop(false);
    }
    const CAction action(CAction::kPlay, medium, listPosition, -1, medium->volume, medium->pan);
    return Trigger(action, Now());
}

bool CScheduler::Stop(CMedia* medium, int32_t listPosition)
{
    if (!doc_.tickEnabled) {
        Post(message::kMediumState, CAction::kStop, reinterpret_cast<intptr_t>(medium));
        return true;
    }
    return Trigger(CAction(CAction::kStop, medium, listPosition, -1, 0, 0), Now());
}

bool CScheduler::Close(CMedia* medium, int32_t listPosition)
{
    if (!doc_.tickEnabled) {
        std::lock_guard guard(doc_.Lock());
        if (medium != nullptr && medium->loaded == 1) {
            medium->Stop();
            doc_.SubtractMemory(medium->MemoryHeld());
            medium->Close();
        }
        if (IDocumentObserver* views = doc_.Environment().views) {
            views->Notice(ListNotice::MediaChanged);
        }
        return true;
    }
    return Trigger(CAction(CAction::kClose, medium, listPosition, -1, 0, 0), Now());
}

bool CScheduler::Volume(CMedia* medium, int32_t listPosition, int32_t volume)
{
    return doc_.tickEnabled &&
           Trigger(CAction(CAction::kVolume, medium, listPosition, -1, volume, 0), Now());
}

bool CScheduler::Pan(CMedia* medium, int32_t listPosition, int32_t pan)
{
    return doc_.tickEnabled && Trigger(CAction(CAction::kPan, medium, listPosition, -1, pan, 0), Now());
}

bool CScheduler::PitchChange(CMedia* medium, int32_t listPosition, int32_t tenths)
{
    return doc_.tickEnabled &&
           Trigger(CAction(CAction::kPitchChange, medium, listPosition, -1, tenths, 0), Now());
}

void CScheduler::Schedule(int32_t fromMs, bool preload)
{
    std::lock_guard guard(doc_.Lock());
    for (int i = 0; i < doc_.EventCount(); ++i) {
        CAction* event = doc_.EventAt(i);
        if (event->Start() < fromMs) {
            continue;
        }
        if (doc_.LoopSong() && event->Start() > doc_.LoopEndMs()) {
            break;
        }
        event->SetSongFlag(true);
        if (preload && event->Medium() != nullptr && event->Medium()->loaded != 1) {
            doc_.LoadMediumData(*event->Medium(), true);
        }
        doc_.InsertPending(std::make_unique<CAction>(*event));
    }
}

void CScheduler::DropPendingSongActions()
{
    std::lock_guard guard(doc_.Lock());
    Pending& pending = doc_.PendingActions();
    for (auto it = pending.begin(); it != pending.end();) {
        if ((*it)->IsSongAction()) {
            if (CMedia* medium = (*it)->Medium()) {
                medium->Stop();
            }
            it = pending.erase(it);
        } else {
            ++it;
        }
    }
}

void CScheduler::AdvanceClock(int32_t now)
{
    CSongClock& clock = doc_.Clock();
    const bool delayed = clock.startDelay > 0;
    if (!delayed) {
        clock.gridFlag = clock.ComputeGridFlag(now, doc_.QuantizationType(), doc_.Random());
    }
    clock.beatFlag = clock.ComputeBeatFlag(delayed ? clock.startDelay : now);
    if (clock.beatFlag) {
        ++clock.beatCounter;
        clock.subBeatTicks = 0;
    } else {
        ++clock.subBeatTicks;
    }
    if (delayed) {
        clock.startDelay -= kTickMs;
    } else {
        clock.clock += kTickMs;
    }
}

bool CScheduler::FireDue(int32_t now, bool offGrid)
{
    Pending& pending = doc_.PendingActions();
    size_t i = 0;
    while (i < pending.size()) {
        CAction* action = pending[i].get();
        const int32_t code = action->Code();
        if (action->Start() > now) {
            break;
        }
        // Between grid points only volume, pan and pitch changes fire; the rest wait.
        if (code == CAction::kDone || (offGrid && !FiresWithoutGrid(code))) {
            ++i;
            continue;
        }
        CMedia* medium = action->Medium();
        enum class Outcome { Drop, Keep, Reinsert } outcome = Outcome::Drop;

        if (medium == nullptr && code != CAction::kEndOfSong) {
            // An event whose medium is gone does nothing.
        } else {
            switch (code) {
            case CAction::kPlay: {
                CancelStopsAndHolds(medium);
                medium->SetVolume(action->Value1());
                medium->SetPan(action->Value2());
                bool started = true;
                if (medium->loaded == 1) {
                    medium->Play();
                } else {
                    started = doc_.LoadMediumData(*medium, false);  // it plays at its next "Play"
                }
                if (!started) {
                    break;
                }
                Post(message::kMediumState, CAction::kPlay, reinterpret_cast<intptr_t>(medium));
                if (!medium->IsContinuousLoop() && medium->kind != CMedia::kKindMidi) {
                    action->SetCode(CAction::kScheduledStop);
                    action->SetStart(action->Start() + action->Duration() + (medium->IsLoop() ? 0 : 4));
                    outcome = Outcome::Reinsert;
                }
                break;
            }
            case CAction::kStop:
                if (!action->IsSongAction()) {
                    CancelStopsAndHolds(medium);
                }
                medium->Stop();
                Post(message::kMediumState, CAction::kStop, reinterpret_cast<intptr_t>(medium));
                break;
            case CAction::kClose:
                medium->Stop();
                for (const auto& other : pending) {
                    if (other->Medium() == medium && other->Code() == CAction::kHold) {
                        other->SetCode(CAction::kDone);
                        doc_.purgeFlag = true;
                    }
                }
                if (medium->loaded == 1) {
                    doc_.SubtractMemory(medium->MemoryHeld());
                }
                medium->Close();
                Post(message::kMediumState, CAction::kClose, reinterpret_cast<intptr_t>(medium));
                break;
            case CAction::kVolume:
                medium->SetVolume(action->Value1());
                Post(message::kMediumState, CAction::kVolume, reinterpret_cast<intptr_t>(medium));
                break;
            case CAction::kPan:
                medium->SetPan(action->Value1());
                Post(message::kMediumState, CAction::kPan, reinterpret_cast<intptr_t>(medium));
                break;
            case CAction::kPitch:
            case CAction::kNotifyFrame:
                Post(message::kMediumState, code, reinterpret_cast<intptr_t>(medium));
                break;
            case CAction::kEndOfSong:
                StopAllLoadedMedia();
                pending.clear();
                doc_.tickEnabled = false;
                doc_.RestartClock(doc_.SongPosition());
                doc_.SetStoredSongPosition(0);
                doc_.RestartClock(0);
                return false;
            case CAction::kScheduledStop:
                medium->Stop();
                break;
            case CAction::kPitchChange:
                // Tenths of a semitone; the medium takes cents.
                medium->SetPitchFloat(static_cast<float>(action->Value1()) * 10.0f);
                Post(message::kMediumState, CAction::kPitchChange, reinterpret_cast<intptr_t>(medium));
                break;
            case CAction::kHold:
                if (medium->IsContinuousLoop() || medium->loopCount == 1) {
                    outcome = Outcome::Keep;
                } else {
                    const float step = doc_.QuantizationOn() ? doc_.Clock().gridMs : static_cast<float>(kTickMs);
                    action->SetRemaining(action->Remaining() - step);
                    if (action->Remaining() >= 0.0f) {
                        outcome = Outcome::Keep;
                    } else {
                        medium->Stop();
                    }
                }
                break;
            default: break;
            }
            if (TellsEventList(code) && !doc_.recordMode) {
                Post(message::kEventFired, 0, action->Index());
            }
        }

        switch (outcome) {
        case Outcome::Keep: ++i; break;
        case Outcome::Drop: pending.erase(pending.begin() + static_cast<std::ptrdiff_t>(i)); break;
        case Outcome::Reinsert: doc_.ReinsertPending(i); break;
        }
    }
    return true;
}

void CScheduler::Tick()
{
    if (!doc_.tickEnabled.load()) {
        return;
    }
    if (doc_.tickBusy.exchange(1) == 1) {
        return;  // one timer thread drives the tick, so this only guards a hand-made call
    }
    {
        std::lock_guard guard(doc_.Lock());
        CSongClock& clock = doc_.Clock();
        const int32_t now = clock.clock;
        AdvanceClock(now);

        const bool offGrid = doc_.QuantizationOn() && !clock.gridFlag;
        if (FireDue(now, offGrid) && !offGrid) {
            if (doc_.purgeFlag) {
                std::erase_if(doc_.PendingActions(),
                              [](const std::unique_ptr<CAction>& a) { return a->Code() == CAction::kDone; });
                doc_.purgeFlag = false;
            }
        }

        bool jump = false;
        if (doc_.songPlaying && !doc_.recordMode && doc_.LoopSong() && now > doc_.LoopEndMs()) {
            DropPendingSongActions();
            for (int i = 0; i < doc_.MediaCount(); ++i) {
                if (doc_.MediumAt(i)->IsPlaying()) {
                    doc_.MediumAt(i)->Stop();
                }
            }
            Schedule(doc_.LoopBeginMs(), false);
            jump = true;
        }

        if (clock.beatFlag && clock.startDelay <= 0) {
            const int32_t beatIndex = clock.beatCounter - 1;
            if (!doc_.TimeDisplay()) {
                const CMesure position(beatIndex, 0.0f, doc_.BeatsPerBar());
                Post(message::kBarBeat, (position.BeatInBar() + 1) * 256, position.Bar() + 1);
            }
            if (doc_.songPlaying) {
                Post(message::kSongCursor, 0, beatIndex);
                doc_.SetStoredSongPosition(beatIndex);
            }
        }
        const int32_t counter = doc_.tickCounter++;
        if (counter % 50 == 0 && doc_.TimeDisplay() && clock.startDelay <= 0) {
            Post(message::kTimeDisplay, 0, now);
        }
        if (jump) {
            doc_.SetStoredSongPosition(doc_.LoopBegin());
            clock.RestartAt(doc_.LoopBegin());
        }
    }
    doc_.tickBusy = 0;
}

void CScheduler::StartRecordingClock()
{
    if (!doc_.recordMode || doc_.songPlaying) {
        return;
    }
    std::lock_guard guard(doc_.Lock());
    doc_.RestartClock(doc_.SongPosition());
    doc_.songPlaying = true;
    doc_.Clock().startDelay = 6;
}

void CScheduler::ToggleRecordMode()
{
    doc_.recordMode = !doc_.recordMode;
    if (doc_.recordMode) {
        ++doc_.recordPassCount;
        doc_.eventsRecordedThisPass = 0;
    } else {
        doc_.ComputeSongLength();
    }
}

void CScheduler::ClearRecording()
{
    std::lock_guard guard(doc_.Lock());
    doc_.recordPassCount = 0;
    doc_.ClearUndo();
    DropPendingSongActions();
    doc_.DeleteAllEventsWithUndo();
    doc_.SetStoredSongPosition(0);
    doc_.RestartClock(0);
    doc_.ResetSongLength();
    doc_.songPlaying = false;
}

void CScheduler::PlaySong()
{
    std::lock_guard guard(doc_.Lock());
    DropPendingSongActions();
    doc_.RestartClock(doc_.SongPosition());
    Schedule(doc_.Clock().clock, true);
    doc_.tickEnabled = true;
    doc_.songPlaying = true;
}

void CScheduler::StopSong()
{
    {
        std::lock_guard guard(doc_.Lock());
        StopAllLoadedMedia();
        doc_.PendingActions().clear();
        doc_.tickEnabled = false;
        doc_.RestartClock(doc_.SongPosition());
    }
    doc_.songPlaying = false;
}

void CScheduler::StopAndRewind()
{
    {
        std::lock_guard guard(doc_.Lock());
        doc_.SetStoredSongPosition(0);
        StopSong();
        doc_.Clock().startDelay = 2;
    }
    doc_.songPlaying = false;
}

void CScheduler::StopCommand()
{
    if (doc_.songPlaying) {
        StopSong();
        if (IDocumentObserver* views = doc_.Environment().views) {
            views->UpdateHint(view_hint::kStopCommand, 0, true);
        }
    } else if (doc_.SongPosition() != 0) {
        doc_.MoveSongCursor(doc_.SongPosition() > doc_.LoopBegin() ? doc_.LoopBegin() : 0);
    }
}

}  // namespace tessaron
