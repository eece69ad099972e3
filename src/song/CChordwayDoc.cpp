#include "song/CChordwayDoc.h"

#include <algorithm>
#include <cmath>
#include <chrono>
#include <cstring>

#include "framework/IMessageSink.h"
#include "framework/INotice.h"
#include "media/CMedia.h"
#include "media/CSamples.h"
#include "song/IDocumentObserver.h"
#include "song/Messages.h"

namespace tessaron {

namespace {

bool StartsBefore(const std::unique_ptr<CAction>& a, const std::unique_ptr<CAction>& b)
{
    return a->Start() < b->Start();
}

uint32_t MillisecondTime()
{
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count());
}

}  // namespace

int CChordwayDoc::GridZoomIndexOf(int32_t value)
{
    for (int i = 0; i < 5; ++i) {
        if (kGridZoomValues[i] <= value) {
            return i;
        }
    }
    return 0;
}

CChordwayDoc::CChordwayDoc(SongEnvironment environment) : env_(environment), random_(MillisecondTime()) {}

CChordwayDoc::~CChordwayDoc()
{
    // The player has stopped the tick before; events refer to media, so they go first.
    Loader().Stop();
    transport_.ClearPending();
    events_.clear();
    deletedEvents_.clear();
    media_.clear();
    deletedMedia_.clear();
}

void CChordwayDoc::Post(uint32_t message, intptr_t first, intptr_t second) const
{
    if (env_.sink != nullptr) {
        env_.sink->post(message, first, second);
    }
}

void CChordwayDoc::Hint(int hint, intptr_t value, bool toMediaList) const
{
    if (env_.views != nullptr) {
        env_.views->UpdateHint(hint, value, toMediaList);
    }
}

void CChordwayDoc::NotifyViews(ListNotice notice) const
{
    if (env_.views != nullptr) {
        env_.views->Notice(notice);
    }
}

void CChordwayDoc::SetStoredTempo(float tempo)
{
    std::lock_guard guard(lock_);
    tempo_ = tempo;
}

void CChordwayDoc::SetLoopSong(bool on)
{
    std::lock_guard guard(lock_);
    loopSong_ = on;
}

void CChordwayDoc::SetQuantizationOn(bool on)
{
    std::lock_guard guard(lock_);
    quantizationOn_ = on;
}

void CChordwayDoc::SetBeatsPerBar(uint8_t beats)
{
    std::lock_guard guard(lock_);
    clock_.beatsPerBar = beats;
}

void CChordwayDoc::SetTempo(float tempo)
{
    std::lock_guard guard(lock_);
    Loader().SettleAll();  // what it was opening at the old tempo changes below
    CollectLoads();
    tempo_ = tempo == 0.0f ? 100.0f : tempo;
    for (const auto& medium : media_) {
        if (medium->loaded == 1) {
            medium->ChangeTempo(tempo_);
            ChargeMemory(*medium);  // a stretch holds a second version of the sound
        }
    }
    for (const auto& event : events_) {
        event->SetStart(event->Position().ToMs(tempo_));
    }
    // A start within 25 ms of a beat is recorded on the beat, so an event recorded just after
    // another can land before it at the new tempo; the list stays in start order.
    if (!std::is_sorted(events_.begin(), events_.end(), StartsBefore)) {
        std::stable_sort(events_.begin(), events_.end(), StartsBefore);
        RenumberEvents();
    }
    loopBeginMs_ = CMesure(loopBegin_, 0.0f).ToMs(tempo_);
    loopEndMs_ = CMesure(loopEnd_, 0.0f).ToMs(tempo_);
    RestartClock(songPosition_);
    Hint(view_hint::kTempoChanged, 0);
}

bool CChordwayDoc::SetSongPosition(int32_t beat)
{
    std::lock_guard guard(lock_);
    if (beat < 0 || beat > songLength_ || beat == songPosition_) {
        return false;
    }
    songPosition_ = beat;
    RestartClock(beat);
    if (!transport_.SongPlaying()) {
        Hint(view_hint::kSongPosition, beat, false);
    }
    return true;
}

void CChordwayDoc::MoveSongCursor(int32_t beat)
{
    std::lock_guard guard(lock_);
    songPosition_ = beat;
    RestartClock(beat);
    if (!transport_.SongPlaying()) {
        if (!timeDisplay_) {
            CMesure position(beat, 0.0f, clock_.beatsPerBar);
            Post(message::kBarBeat, (position.BeatInBar() + 1) * 256, position.Bar() + 1);
        } else {
            Post(message::kTimeDisplay, 0, clock_.clock);
        }
    }
}

void CChordwayDoc::ComputeSongLength()
{
    std::lock_guard guard(lock_);
    int64_t end = 0;
    for (const auto& event : events_) {
        end = std::max<int64_t>(end, static_cast<int64_t>(event->Start()) + event->Duration());
    }
    CMesure length;
    length.FromMs(static_cast<int32_t>(std::min<int64_t>(end, INT32_MAX)), EffectiveTempo());
    songLength_ = length.WholeBeatsRoundedUp();
    Post(message::kSongLength, 0, songLength_);
}

void CChordwayDoc::SetLoopBegin(int32_t beat)
{
    std::lock_guard guard(lock_);
    loopBegin_ = beat;
    loopBeginMs_ = CMesure(beat, 0.0f).ToMs(EffectiveTempo());
}

void CChordwayDoc::SetLoopEnd(int32_t beat)
{
    std::lock_guard guard(lock_);
    loopEnd_ = beat;
    loopEndMs_ = CMesure(beat, 0.0f).ToMs(EffectiveTempo());
}

void CChordwayDoc::SetTimeDisplay(bool milliseconds)
{
    if (milliseconds == timeDisplay_) {
        return;
    }
    {
        std::lock_guard guard(lock_);
        timeDisplay_ = milliseconds;
    }
    Hint(milliseconds ? view_hint::kDisplayInTime : view_hint::kDisplayInBars, 0);
}

void CChordwayDoc::SetQuantizationType(int32_t type)
{
    std::lock_guard guard(lock_);
    quantizationType_ = type;
    RestartClock(songPosition_);
}

void CChordwayDoc::SetQuantizationFrequency(int32_t index)
{
    std::lock_guard guard(lock_);
    quantizationFrequency_ = index;
    RestartClock(songPosition_);
}

void CChordwayDoc::SetViewSettings(int32_t a, int32_t b)
{
    viewSettingA_ = a;
    viewSettingB_ = b;
}

CMedia* CChordwayDoc::FindMedium(int32_t mediumId) const
{
    if (mediumId == 0) {
        return nullptr;
    }
    for (const auto& medium : media_) {
        if (medium->mediumId == mediumId) {
            return medium.get();
        }
    }
    return nullptr;
}

int32_t CChordwayDoc::UniqueMediumId()
{
    int32_t candidate = 0;
    for (int i = 0; i < 10; ++i) {
        candidate = i % 2 == 0 ? static_cast<int32_t>(random_() & 0x7FFF)
                               : static_cast<int32_t>(MillisecondTime() + static_cast<uint32_t>(i));
        if (candidate != 0 && FindMedium(candidate) == nullptr) {
            return candidate;
        }
    }
    return candidate;
}

CMedia* CChordwayDoc::InsertMedium(int index, std::unique_ptr<CMedia> medium)
{
    std::lock_guard guard(lock_);
    index = std::clamp(index, 0, MediaCount());
    medium->mediumId = UniqueMediumId();
    medium->SetColourScheme(index);
    CMedia* inserted = medium.get();
    media_.insert(media_.begin() + index, std::move(medium));
    SetModified();
    RenumberMedia();
    return inserted;
}

void CChordwayDoc::AppendLoadedMedium(std::unique_ptr<CMedia> medium) { media_.push_back(std::move(medium)); }

void CChordwayDoc::RemoveMedium(int index)
{
    std::lock_guard guard(lock_);
    CMedia* medium = MediumAt(index);
    Loader().Settle(medium);
    CollectLoads();
    transport_.DropActionsOf(medium);
    for (int i = EventCount() - 1; i >= 0; --i) {
        if (EventAt(i)->Medium() == medium) {
            deletedEvents_.push_back(std::move(events_[static_cast<size_t>(i)]));
            events_.erase(events_.begin() + i);
        }
    }
    RenumberEvents();
    if (medium->loaded == 1) {
        ReleaseMemory(*medium);
        medium->Close();
    }
    deletedMedia_.push_back(std::move(media_[static_cast<size_t>(index)]));
    media_.erase(media_.begin() + index);
    RenumberMedia();
    SetModified();
}

void CChordwayDoc::MoveMedium(int from, int to)
{
    if (from < 0 || to < 0 || from == to || from >= MediaCount()) {
        return;
    }
    std::lock_guard guard(lock_);
    if (orderBeforeMoves_.empty()) {
        // The order as undo would leave it without this move: deleted media waiting for undo
        // stand where undo puts them back.
        for (const auto& each : media_) {
            orderBeforeMoves_.push_back(each->mediumId);
        }
        if (!deletedMedia_.empty()) {
            auto at = orderBeforeMoves_.begin() + std::clamp(deletedMedia_.front()->slot, 0, MediaCount());
            for (const auto& deleted : deletedMedia_) {
                at = orderBeforeMoves_.insert(at, deleted->mediumId) + 1;
            }
        }
    }
    std::unique_ptr<CMedia> medium = std::move(media_[static_cast<size_t>(from)]);
    media_.erase(media_.begin() + from);
    to = std::min(to, MediaCount());
    media_.insert(media_.begin() + to, std::move(medium));
    RenumberMedia();
    SetModified();
}

void CChordwayDoc::RenumberMedia()
{
    for (size_t i = 0; i < media_.size(); ++i) {
        media_[i]->slot = static_cast<int32_t>(i);
    }
}

int32_t CChordwayDoc::FitKey(int32_t key) const
{
    const int32_t keys = 12 * std::max(1, env_.keyboardOctaves);
    return ((key % keys) + keys) % keys + 12;
}

void CChordwayDoc::SetMediumKey(CMedia& medium, int32_t key) const { medium.midiNote = FitKey(key); }

CAction* CChordwayDoc::InsertEvent(int index, const CAction& action)
{
    std::lock_guard guard(lock_);
    index = std::clamp(index, 0, EventCount());
    auto copy = std::make_unique<CAction>(action);
    CAction* inserted = copy.get();
    events_.insert(events_.begin() + index, std::move(copy));
    RenumberEvents(index);
    SetModified();
    return inserted;
}

int CChordwayDoc::RecordAction(const CAction& action)
{
    for (int i = 0; i < EventCount(); ++i) {
        CAction* event = EventAt(i);
        if (event->Start() == action.Start() && event->Medium() == action.Medium() &&
            event->Code() == action.Code()) {
            event->Length() = action.Length();
            event->SetDuration(action.Duration());
            SetModified();
            return -1;
        }
        if (event->Start() > action.Start()) {
            InsertEvent(i, action);
            return i;
        }
    }
    InsertEvent(EventCount(), action);
    return EventCount() - 1;
}

void CChordwayDoc::DeleteEventWithUndo(int index)
{
    std::lock_guard guard(lock_);
    deletedEvents_.push_back(std::move(events_[static_cast<size_t>(index)]));
    events_.erase(events_.begin() + index);
    RenumberEvents(index);
    SetModified();
}

void CChordwayDoc::DeleteEvent(int index)
{
    std::lock_guard guard(lock_);
    events_.erase(events_.begin() + index);
    RenumberEvents(index);
    SetModified();
}

bool CChordwayDoc::BreaksOrder(int index, int32_t startMs) const
{
    if (index > 0 && EventAt(index - 1)->Start() > startMs) {
        return true;
    }
    return index + 1 < EventCount() && EventAt(index + 1)->Start() < startMs;
}

void CChordwayDoc::ClearScreenRects()
{
    for (const auto& event : events_) {
        event->ScreenRect() = CAction::Rect{};
    }
}

void CChordwayDoc::RebuildMediaEvents()
{
    for (const auto& medium : media_) {
        medium->events.clear();
    }
    for (const auto& event : events_) {
        const int32_t code = event->Code();
        if ((code == CAction::kPlay || code == CAction::kStop || code == CAction::kClose) && event->Medium()) {
            // Each medium's list stays in start order; equal starts keep the song's order.
            auto& list = event->Medium()->events;
            const auto at = std::upper_bound(list.begin(), list.end(), event->Start(),
                                             [](int32_t start, const CAction* e) { return start < e->Start(); });
            list.insert(at, event.get());
        }
    }
}

void CChordwayDoc::RenumberEvents(int from)
{
    for (size_t i = static_cast<size_t>(std::max(0, from)); i < events_.size(); ++i) {
        events_[i]->SetIndex(static_cast<int32_t>(i));
    }
}

void CChordwayDoc::AppendLoadedEvent(std::unique_ptr<CAction> action) { events_.push_back(std::move(action)); }

void CChordwayDoc::QuantizeSong()
{
    std::lock_guard guard(lock_);
    const float step = clock_.gridBeats;
    const auto quantize = [step](CMesure& m) {
        const int q = static_cast<int>(step);
        if (q >= 1) {
            m.SetBeats((m.Beats() / q) * q);
            m.SetFraction(0.0f);
        } else if (step > 0.0f) {
            const float fraction = m.Fraction() - std::fmod(m.Fraction(), step);
            m.SetFraction(fraction < 0.0f ? 0.0f : fraction);
        }
    };
    for (const auto& event : events_) {
        event->SavedPosition() = event->Position();
        event->SavedLength() = event->Length();
        quantize(event->Position());
        quantize(event->Length());
        event->MsFromMusical(EffectiveTempo());
    }
    quantized_ = true;
    SetModified();
}

void CChordwayDoc::UndoQuantization()
{
    for (const auto& event : events_) {
        event->Position() = event->SavedPosition();
        event->Length() = event->SavedLength();
        event->MsFromMusical(EffectiveTempo());
    }
    quantized_ = false;
}

bool CChordwayDoc::HasUndo() const
{
    return !deletedMedia_.empty() || !deletedEvents_.empty() || quantized_ || !orderBeforeMoves_.empty();
}

void CChordwayDoc::Undo()
{
    std::lock_guard guard(lock_);
    if (!deletedMedia_.empty()) {
        int at = std::clamp(deletedMedia_.front()->slot, 0, MediaCount());
        for (auto& medium : deletedMedia_) {
            media_.insert(media_.begin() + at++, std::move(medium));
        }
        deletedMedia_.clear();
        RenumberMedia();
        NotifyViews(ListNotice::MediaChanged);
    }
    if (!orderBeforeMoves_.empty()) {
        // Deleted media are back in their places; the order of before the first move comes back,
        // and media added since then keep their order after the others.
        const auto placeOf = [this](const std::unique_ptr<CMedia>& medium) {
            const auto found = std::find(orderBeforeMoves_.begin(), orderBeforeMoves_.end(), medium->mediumId);
            return found - orderBeforeMoves_.begin();
        };
        std::stable_sort(media_.begin(), media_.end(),
                         [&](const auto& a, const auto& b) { return placeOf(a) < placeOf(b); });
        orderBeforeMoves_.clear();
        RenumberMedia();
        NotifyViews(ListNotice::MediaChanged);
    }
    if (!deletedEvents_.empty()) {
        for (auto& event : deletedEvents_) {
            auto later = std::find_if(events_.begin(), events_.end(),
                                      [&](const auto& e) { return e->Start() > event->Start(); });
            events_.insert(later, std::move(event));
        }
        deletedEvents_.clear();
        RenumberEvents();
        ComputeSongLength();
        NotifyViews(ListNotice::EventsChanged);
    }
    if (quantized_) {
        UndoQuantization();
        NotifyViews(ListNotice::EventsChanged);
    }
    SetModified();
}

bool CChordwayDoc::ChangeSample(CSamples& sample, const std::function<bool()>& change)
{
    std::lock_guard guard(lock_);
    Loader().Settle(&sample);
    CollectLoads();
    if (!change()) {
        return false;
    }
    if (sample.loaded == 1) {
        ChargeMemory(sample);
    }
    SetModified();
    return true;
}

bool CChordwayDoc::CropSample(CSamples& sample, int startMs, int endMs)
{
    return ChangeSample(sample, [&] { return sample.Crop(startMs, endMs); });
}

bool CChordwayDoc::InsertIntoSample(CSamples& sample, int position, const uint8_t* block, int size)
{
    return ChangeSample(sample, [&] { return sample.Insert(position, block, size); });
}

bool CChordwayDoc::CutFromSample(CSamples& sample, uint8_t* destination, int start, int end)
{
    return ChangeSample(sample, [&] { return sample.Cut(destination, start, end); });
}

bool CChordwayDoc::AllocateScratch(size_t size)
{
    FreeScratch();
    if (size == 0) {
        return false;
    }
    scratch_ = std::make_unique<uint8_t[]>(size);
    scratchSize_ = size;
    return true;
}

bool CChordwayDoc::CopyToScratch(const void* source, size_t size)
{
    if (!scratch_ || source == nullptr) {
        return false;
    }
    std::memcpy(scratch_.get(), source, std::min(size, scratchSize_));
    return true;
}

void CChordwayDoc::FreeScratch()
{
    scratch_.reset();
    scratchSize_ = 0;
}

void CChordwayDoc::RestartClock(int32_t beat)
{
    std::lock_guard guard(lock_);
    clock_.RestartAt(beat);
    PrepareGrid();
}

void CChordwayDoc::PrepareGrid()
{
    clock_.PrepareGrid(tempo_, quantizationType_, quantizationFrequency_, random_);
}

void CChordwayDoc::DeleteContents()
{
    std::lock_guard guard(lock_);
    Loader().SettleAll();
    Loader().TakeFinished();  // the loop below closes what it opened
    transport_.ClearPending();
    events_.clear();
    deletedEvents_.clear();
    for (const auto& medium : media_) {
        if (medium->loaded == 1) {
            medium->Close();
        }
    }
    media_.clear();
    deletedMedia_.clear();
    orderBeforeMoves_.clear();
    memory_.Clear();
    quantized_ = false;
    songLength_ = 0;
    Post(message::kSongLength, 0, 0);
    tempo_ = 100.0f;
    PostMemory();
    modified_ = false;
}

void CChordwayDoc::NewDocument()
{
    DeleteContents();
    std::lock_guard guard(lock_);
    quantizationFrequency_ = 0;
    songPosition_ = 0;
    RestartClock(0);
    loopBegin_ = loopEnd_ = 0;
    loopBeginMs_ = loopEndMs_ = 0;
    NotifyViews(ListNotice::SongNew);
}

void CChordwayDoc::AfterOpen()
{
    std::lock_guard guard(lock_);
    RestartClock(0);
    songPosition_ = 0;
    ComputeSongLength();
    NotifyViews(ListNotice::SongOpened);
}

void CChordwayDoc::ClearUndo()
{
    std::lock_guard guard(lock_);
    deletedEvents_.clear();
    deletedMedia_.clear();
    orderBeforeMoves_.clear();
}

void CChordwayDoc::DeleteAllEventsWithUndo()
{
    std::lock_guard guard(lock_);
    for (auto& event : events_) {
        deletedEvents_.push_back(std::move(event));
    }
    events_.clear();
    SetModified();
}

void CChordwayDoc::ResetSongLength()
{
    songLength_ = 0;
    Post(message::kSongLength, 0, 0);
}

void CChordwayDoc::AdoptSong(CChordwayDoc& other)
{
    std::lock_guard guard(lock_);
    Loader().SettleAll();
    CollectLoads();
    media_ = std::move(other.media_);
    events_ = std::move(other.events_);
    other.media_.clear();
    other.events_.clear();
    loopBegin_ = other.loopBegin_;
    loopEnd_ = other.loopEnd_;
    loopBeginMs_ = other.loopBeginMs_;
    loopEndMs_ = other.loopEndMs_;
    loopSong_ = other.loopSong_;
    followSong_ = other.followSong_;
    timeDisplay_ = other.timeDisplay_;
    viewSettingA_ = other.viewSettingA_;
    viewSettingB_ = other.viewSettingB_;
    quantizationOn_ = other.quantizationOn_;
    quantizationType_ = other.quantizationType_;
    quantizationFrequency_ = other.quantizationFrequency_;
    clock_.beatsPerBar = other.clock_.beatsPerBar;
    songPosition_ = other.songPosition_.load();
    gridZoom_ = other.gridZoom_;
    tempo_ = other.tempo_;
    modified_ = false;
}

}  // namespace tessaron
