#include "song/CScheduler.h"

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "framework/IMessageSink.h"
#include "media/CMedia.h"
#include "song/CAction.h"
#include "song/CChordwayDoc.h"
#include "song/IDocumentObserver.h"
#include "song/Messages.h"

namespace tessaron {

namespace {

using Pending = CTransport::Actions;

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

CScheduler::CScheduler(CChordwayDoc& doc) : doc_(doc), transport_(doc.Transport()) {}

CScheduler::~CScheduler() { ShutDown(); }

void CScheduler::Post(uint32_t message, intptr_t first, intptr_t second) const
{
    if (IMessageSink* sink = doc_.Environment().sink) {
        sink->post(message, first, second);
    }
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
        stopping_ = false;
        timer_ = std::make_unique<CTickTimer>(kTickMs, [this] { TimerTick(); });
        timer_->Start();
    }
}

void CScheduler::ShutDown()
{
    WaitForIdle();
    if (timer_) {
        stopping_ = true;
        timer_->Stop();
        timer_.reset();
    }
}

void CScheduler::WaitForIdle() { transport_.DisableTick(); }

void CScheduler::TimerTick()
{
    if (!transport_.TickEnabled()) {
        return;
    }
    // The lock is tried rather than waited for: whoever holds it may be stopping the timer and
    // waiting for this thread to end. A held lock is tried again every quarter of a tick.
    std::unique_lock lock(doc_.Lock(), std::try_to_lock);
    while (!lock.owns_lock()) {
        if (stopping_.load() || !transport_.TickEnabled()) {
            return;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(kTickMs * 250));
        lock.try_lock();
    }
    Tick();
}

bool CScheduler::Busy(const CMedia* medium) const { return medium != nullptr && doc_.Loader().IsBusyWith(medium); }

void CScheduler::StopAllLoadedMedia()
{
    for (int i = 0; i < doc_.MediaCount(); ++i) {
        CMedia* medium = doc_.MediumAt(i);
        if (!Busy(medium) && medium->loaded == 1) {
            medium->Stop();
        }
    }
}

bool CScheduler::Trigger(const CAction& source, int32_t timeMs)
{
    CMedia* medium = source.Medium();
    // Loaded before the lock is taken, so that the tick goes on while the medium decodes.
    if (source.Code() == CAction::kPlay && (medium == nullptr || !doc_.LoadMediumData(*medium, true))) {
        return false;
    }
    const Guard held = transport_.Hold();
    auto action = std::make_unique<CAction>(source);
    if (action->Code() == CAction::kPlay) {
        if (!doc_.LoadMediumData(*medium, true)) {
            return false;  // closed again by the tick meanwhile, and now refused
        }
        int64_t duration = medium->GetTotalPlayLength();
        if (medium->IsContinuousLoop()) {
            duration = static_cast<int64_t>(medium->GetPlayLength()) * doc_.Environment().settings.nbLoop;
        }
        action->SetDuration(static_cast<int32_t>(std::min<int64_t>(duration, INT32_MAX)));
        action->Length().FromMs(action->Duration(), doc_.EffectiveTempo());
        if (medium->IsPlaying()) {
            transport_.MarkHoldsDone(held, medium, false);
        }
    }
    if (transport_.RecordMode()) {
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
            transport_.CountRecordedEvent();
        }
    }
    action->SetStart(timeMs);
    transport_.Insert(held, std::move(action));
    transport_.EnableTick();
    return true;
}

bool CScheduler::Play(CMedia* medium, int32_t listPosition, int mode)
{
    if (medium == nullptr || !doc_.LoadMediumData(*medium, true)) {
        return false;
    }
    // The tick reads the loop mode, volume and pan of a playing medium.
    const Guard held = transport_.Hold();
    if (mode == 2) {
        medium->SetLoop(true);
    } else if (mode == 1) {
        medium->SetLoop(false);
    }
    const CAction action(CAction::kPlay, medium, listPosition, -1, medium->volume, medium->pan);
    return Trigger(action, doc_.Clock().clock);
}

bool CScheduler::Stop(CMedia* medium, int32_t listPosition)
{
    const Guard held = transport_.Hold();
    if (!transport_.TickEnabled()) {
        Post(message::kMediumState, CAction::kStop, reinterpret_cast<intptr_t>(medium));
        return true;
    }
    return Trigger(CAction(CAction::kStop, medium, listPosition, -1, 0, 0), doc_.Clock().clock);
}

bool CScheduler::Close(CMedia* medium, int32_t listPosition)
{
    const Guard held = transport_.Hold();
    if (!transport_.TickEnabled()) {
        if (medium != nullptr) {
            doc_.Loader().Settle(medium);
            doc_.CollectLoads();
        }
        if (medium != nullptr && medium->loaded == 1) {
            medium->Stop();
            doc_.ReleaseMemory(*medium);
            medium->Close();
        }
        if (IDocumentObserver* views = doc_.Environment().views) {
            views->Notice(ListNotice::MediaChanged);
        }
        return true;
    }
    return Trigger(CAction(CAction::kClose, medium, listPosition, -1, 0, 0), doc_.Clock().clock);
}

bool CScheduler::Volume(CMedia* medium, int32_t listPosition, int32_t volume)
{
    const Guard held = transport_.Hold();
    return transport_.TickEnabled() &&
           Trigger(CAction(CAction::kVolume, medium, listPosition, -1, volume, 0), doc_.Clock().clock);
}

bool CScheduler::Pan(CMedia* medium, int32_t listPosition, int32_t pan)
{
    const Guard held = transport_.Hold();
    return transport_.TickEnabled() &&
           Trigger(CAction(CAction::kPan, medium, listPosition, -1, pan, 0), doc_.Clock().clock);
}

bool CScheduler::PitchChange(CMedia* medium, int32_t listPosition, int32_t tenths)
{
    const Guard held = transport_.Hold();
    return transport_.TickEnabled() &&
           Trigger(CAction(CAction::kPitchChange, medium, listPosition, -1, tenths, 0), doc_.Clock().clock);
}

void CScheduler::Schedule(int32_t fromMs, bool preload)
{
    const Guard held = transport_.Hold();
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
        transport_.Insert(held, std::make_unique<CAction>(*event));
    }
}

void CScheduler::DropPendingSongActions()
{
    const Guard held = transport_.Hold();
    Pending& pending = transport_.Pending(held);
    for (auto it = pending.begin(); it != pending.end();) {
        if ((*it)->IsSongAction()) {
            if (CMedia* medium = (*it)->Medium(); medium != nullptr && !Busy(medium)) {
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

bool CScheduler::FireDue(const Guard& held, int32_t now, bool offGrid)
{
    Pending& pending = transport_.Pending(held);
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
        if (Busy(medium)) {
            ++i;  // its data is being opened: it fires in the first tick after
            continue;
        }
        enum class Outcome { Drop, Keep, Reinsert } outcome = Outcome::Drop;

        if (medium == nullptr && code != CAction::kEndOfSong) {
            // An event whose medium is gone does nothing.
        } else {
            switch (code) {
            case CAction::kPlay: {
                if (medium->loaded != 1 && medium->kind != CMedia::kKindMusic) {
                    // Opened off the tick; the action waits for it and the others keep their time.
                    doc_.Loader().Request(*medium, doc_.EffectiveTempo(), doc_.Environment().loader);
                    ++i;
                    continue;
                }
                transport_.MarkHoldsDone(held, medium, true);
                medium->SetVolume(action->Value1());
                medium->SetPan(action->Value2());
                medium->Play();
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
                    transport_.MarkHoldsDone(held, medium, true);
                }
                medium->Stop();
                Post(message::kMediumState, CAction::kStop, reinterpret_cast<intptr_t>(medium));
                break;
            case CAction::kClose:
                medium->Stop();
                transport_.MarkHoldsDone(held, medium, false);
                if (medium->loaded == 1) {
                    doc_.ReleaseMemory(*medium);
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
                transport_.DisableTick();
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
            if (TellsEventList(code) && !transport_.RecordMode()) {
                Post(message::kEventFired, 0, action->Index());
            }
        }

        switch (outcome) {
        case Outcome::Keep: ++i; break;
        case Outcome::Drop: pending.erase(pending.begin() + static_cast<std::ptrdiff_t>(i)); break;
        case Outcome::Reinsert: transport_.Reinsert(held, i); break;
        }
    }
    return true;
}

void CScheduler::Tick()
{
    if (!transport_.TickEnabled()) {
        return;
    }
    const Guard held = transport_.Hold();
    // Enabled is checked again under the lock: WaitForIdle may have disabled the tick while
    // this one waited for the lock. A tick started from inside a running one does nothing.
    if (!transport_.BeginTick(held)) {
        return;
    }
    doc_.CollectLoads();
    {
        CSongClock& clock = doc_.Clock();
        const int32_t now = clock.clock;
        AdvanceClock(now);

        const bool offGrid = doc_.QuantizationOn() && !clock.gridFlag;
        if (FireDue(held, now, offGrid) && !offGrid) {
            transport_.PurgeDone(held);
        }

        bool jump = false;
        if (transport_.SongPlaying() && !transport_.RecordMode() && doc_.LoopSong() && now > doc_.LoopEndMs()) {
            DropPendingSongActions();
            for (int i = 0; i < doc_.MediaCount(); ++i) {
                CMedia* medium = doc_.MediumAt(i);
                if (!Busy(medium) && medium->IsPlaying()) {
                    medium->Stop();
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
            if (transport_.SongPlaying()) {
                Post(message::kSongCursor, 0, beatIndex);
                doc_.SetStoredSongPosition(beatIndex);
            }
        }
        const int32_t counter = transport_.CountTick(held);
        if (counter % 50 == 0 && doc_.TimeDisplay() && clock.startDelay <= 0) {
            Post(message::kTimeDisplay, 0, now);
        }
        if (jump) {
            doc_.SetStoredSongPosition(doc_.LoopBegin());
            clock.RestartAt(doc_.LoopBegin());
        }
    }
    transport_.EndTick(held);
}

void CScheduler::StartRecordingClock()
{
    const Guard held = transport_.Hold();
    if (!transport_.RecordMode() || transport_.SongPlaying()) {
        return;
    }
    doc_.RestartClock(doc_.SongPosition());
    transport_.SetSongPlaying(true);
    doc_.Clock().startDelay = 6;
}

void CScheduler::ToggleRecordMode()
{
    const Guard held = transport_.Hold();
    if (!transport_.ToggleRecordMode()) {
        doc_.ComputeSongLength();
    }
}

void CScheduler::ClearRecording()
{
    const Guard held = transport_.Hold();
    transport_.ResetRecordPasses();
    doc_.ClearUndo();
    DropPendingSongActions();
    doc_.DeleteAllEventsWithUndo();
    doc_.SetStoredSongPosition(0);
    doc_.RestartClock(0);
    doc_.ResetSongLength();
    transport_.SetSongPlaying(false);
}

std::vector<CMedia*> CScheduler::UnloadedSongMedia() const
{
    const Guard held = transport_.Hold();
    // The start the clock takes below, and a tick before it: an extra medium loaded early is
    // harmless, a missed one would start late.
    const double fromMs = static_cast<double>(doc_.SongPosition()) * doc_.Clock().msPerBeat - kTickMs;
    std::vector<CMedia*> media;
    for (int i = 0; i < doc_.EventCount(); ++i) {
        const CAction* event = doc_.EventAt(i);
        if (event->Start() < fromMs) {
            continue;
        }
        if (doc_.LoopSong() && event->Start() > doc_.LoopEndMs()) {
            break;
        }
        CMedia* medium = event->Medium();
        if (medium != nullptr && medium->loaded != 1 && std::find(media.begin(), media.end(), medium) == media.end()) {
            media.push_back(medium);
        }
    }
    return media;
}

void CScheduler::PlaySong()
{
    // The song's media are opened first, without the document lock: decoding and stretching
    // them takes up to seconds, and meanwhile the tick goes on (live plays, the clock, the
    // window's position). The song waits for them and then starts, its first event on time.
    // Media are removed only by the thread that gives this command, so the list stays valid.
    for (CMedia* medium : UnloadedSongMedia()) {
        doc_.LoadMediumData(*medium, true);
    }
    const Guard held = transport_.Hold();
    DropPendingSongActions();
    doc_.RestartClock(doc_.SongPosition());
    // A medium the tick closed again meanwhile is opened off the tick when its play comes due.
    Schedule(doc_.Clock().clock, false);
    transport_.EnableTick();
    transport_.SetSongPlaying(true);
}

void CScheduler::StopSong(const Guard& held)
{
    StopAllLoadedMedia();
    transport_.Pending(held).clear();
    transport_.DisableTick();
    doc_.RestartClock(doc_.SongPosition());
    transport_.SetSongPlaying(false);
}

void CScheduler::StopSong()
{
    const Guard held = transport_.Hold();
    StopSong(held);
}

void CScheduler::StopAndRewind()
{
    const Guard held = transport_.Hold();
    doc_.SetStoredSongPosition(0);
    StopSong(held);
    doc_.Clock().startDelay = 2;
}

void CScheduler::StopCommand()
{
    const Guard held = transport_.Hold();
    if (transport_.SongPlaying()) {
        StopSong(held);
        if (IDocumentObserver* views = doc_.Environment().views) {
            views->UpdateHint(view_hint::kStopCommand, 0, true);
        }
    } else if (doc_.SongPosition() != 0) {
        doc_.MoveSongCursor(doc_.SongPosition() > doc_.LoopBegin() ? doc_.LoopBegin() : 0);
    }
}

}  // namespace tessaron
