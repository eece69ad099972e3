#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "song/CAction.h"
#include "song/CMesure.h"
#include "song/CSongClock.h"
#include "song/CSongMemory.h"
#include "song/CTransport.h"
#include "song/IDocumentObserver.h"
#include "song/SongEnvironment.h"

namespace tessaron {

class CMedia;
class CSamples;

// The song: its media, its recorded events, tempo and musical time, loop region, quantization,
// and the run-time state of the playback clock.
class CChordwayDoc {
public:
    // Grid zoom values of the "Size Grid" choices, in their order.
    static constexpr int32_t kGridZoomValues[5] = {40, 20, 10, 5, 3};
    static constexpr const char* kGridZoomTexts[5] = {"1 bar", "4 bar", "8 bar", "16 bar", "32 bar"};
    static int GridZoomIndexOf(int32_t value);

    explicit CChordwayDoc(SongEnvironment environment = {});
    ~CChordwayDoc();
    CChordwayDoc(const CChordwayDoc&) = delete;
    CChordwayDoc& operator=(const CChordwayDoc&) = delete;

    SongEnvironment& Environment() { return env_; }
    const SongEnvironment& Environment() const { return env_; }
    // The document lock: the scheduler tick holds it for its whole run.
    CTransport::Mutex& Lock() { return lock_; }

    // Tempo (0 reads as 100 wherever it is used).
    float Tempo() const { return tempo_; }
    // The tempo every computation uses: 0 (and anything a damaged file may hold that is not a
    // positive number) reads as 100.
    float EffectiveTempo() const { return tempo_ > 0.0f && tempo_ < 1.0e30f ? tempo_ : 100.0f; }
    void SetTempo(float tempo);
    // Sets the tempo as the song file holds it, with no other effect.
    void SetStoredTempo(float tempo);

    // Song position, in beats.
    int32_t SongPosition() const { return songPosition_; }
    bool SetSongPosition(int32_t beat);
    void MoveSongCursor(int32_t beat);
    int32_t SongLength() const { return songLength_; }
    // Largest event end, rounded up to whole beats; posted to the main window.
    void ComputeSongLength();

    int32_t LoopBegin() const { return loopBegin_; }
    int32_t LoopEnd() const { return loopEnd_; }
    int32_t LoopBeginMs() const { return loopBeginMs_; }
    int32_t LoopEndMs() const { return loopEndMs_; }
    void SetLoopBegin(int32_t beat);
    void SetLoopEnd(int32_t beat);

    bool LoopSong() const { return loopSong_; }
    void ToggleLoopSong() { SetLoopSong(!loopSong_); }
    void SetLoopSong(bool on);
    bool FollowSong() const { return followSong_; }
    void ToggleFollowSong() { followSong_ = !followSong_; }
    void SetFollowSong(bool on) { followSong_ = on; }
    bool QuantizationOn() const { return quantizationOn_; }
    void ToggleQuantization() { SetQuantizationOn(!quantizationOn_); }
    void SetQuantizationOn(bool on);
    bool TimeDisplay() const { return timeDisplay_; }
    void SetTimeDisplay(bool milliseconds);
    int32_t QuantizationType() const { return quantizationType_; }
    void SetQuantizationType(int32_t type);
    int32_t QuantizationFrequency() const { return quantizationFrequency_; }
    void SetQuantizationFrequency(int32_t index);
    int32_t GridZoom() const { return gridZoom_; }
    void SetGridZoom(int32_t zoom) { gridZoom_ = zoom; }
    int32_t ViewSettingA() const { return viewSettingA_; }
    int32_t ViewSettingB() const { return viewSettingB_; }
    void SetViewSettings(int32_t a, int32_t b);
    uint8_t BeatsPerBar() const { return clock_.beatsPerBar; }
    void SetBeatsPerBar(uint8_t beats);

    // Media list.
    int MediaCount() const { return static_cast<int>(media_.size()); }
    CMedia* MediumAt(int index) const { return media_[static_cast<size_t>(index)].get(); }
    CMedia* FindMedium(int32_t mediumId) const;
    // Inserts at `index` (below 0: first), with a new unique id and the colours of its place.
    CMedia* InsertMedium(int index, std::unique_ptr<CMedia> medium);
    // Appends a medium that already carries its id (a song being read).
    void AppendLoadedMedium(std::unique_ptr<CMedia> medium);
    // Removes with undo: the medium and its events wait in the deleted lists.
    void RemoveMedium(int index);
    // Moves the medium at `from` to place `to` of the list without it (beyond the end: last).
    // Undo brings back the order the media had before the first move since undo was emptied.
    void MoveMedium(int from, int to);
    void RenumberMedia();
    // Stores a key request as it fits the on-screen keyboard: (k mod 12 x octaves) + 12.
    void SetMediumKey(CMedia& medium, int32_t key) const;
    int32_t FitKey(int32_t key) const;

    // Event list, sorted by start.
    int EventCount() const { return static_cast<int>(events_.size()); }
    CAction* EventAt(int index) const { return events_[static_cast<size_t>(index)].get(); }
    // Inserts a copy of `action` at `index` (below 0: first).
    CAction* InsertEvent(int index, const CAction& action);
    // Records an action in start order; the new index, or -1 when it only updated an event.
    int RecordAction(const CAction& action);
    void DeleteEventWithUndo(int index);
    void DeleteEvent(int index);
    // Whether moving event `index` to `startMs` would break the start order.
    bool BreaksOrder(int index, int32_t startMs) const;
    void ClearScreenRects();
    void RebuildMediaEvents();
    void RenumberEvents(int from = 0);
    void AppendLoadedEvent(std::unique_ptr<CAction> action);

    // Song quantization and undo.
    void QuantizeSong();
    bool IsQuantized() const { return quantized_; }
    bool HasUndo() const;
    void Undo();

    // Memory used by loaded media data, posted to the main window on each change, and the
    // loading of media within the limit (see CSongMemory).
    int32_t MemoryUsed() const { return memory_.Used(); }
    void AddMemory(int32_t bytes) { memory_.Add(bytes); }
    void SubtractMemory(int32_t bytes) { memory_.Subtract(bytes); }
    void ChargeMemory(const CMedia& medium) { memory_.Charge(medium); }
    void ReleaseMemory(const CMedia& medium) { memory_.Release(medium); }
    void PostMemory() { memory_.Post(); }
    bool LoadMediumData(CMedia& medium, bool notify) { return memory_.LoadMediumData(medium, notify); }
    CMediumLoader& Loader() { return memory_.Loader(); }
    void CollectLoads() { memory_.CollectLoads(); }

    // The wave editor's edits of a sample, under the document lock, with the memory used
    // following what the sample then holds; the song is marked modified when the edit succeeds.
    bool CropSample(CSamples& sample, int startMs, int endMs);
    bool InsertIntoSample(CSamples& sample, int position, const uint8_t* block, int size);
    bool CutFromSample(CSamples& sample, uint8_t* destination, int start, int end);
    // Any other change of a sample's sound (an effect, silence, commit, revert) goes through
    // here for the same lock, memory count and modified mark: a sample holds its decoded sound
    // and, while they differ, the edited one.
    bool ChangeSample(CSamples& sample, const std::function<bool()>& change);

    // Scratch buffer.
    bool AllocateScratch(size_t size);
    bool CopyToScratch(const void* source, size_t size);
    void FreeScratch();
    const uint8_t* Scratch() const { return scratch_.get(); }
    size_t ScratchSize() const { return scratchSize_; }

    // Playback clock.
    CSongClock& Clock() { return clock_; }
    const CSongClock& Clock() const { return clock_; }
    std::minstd_rand& Random() { return random_; }
    void RestartClock(int32_t beat);
    void PrepareGrid();
    // Pending actions, record and play flags, and the tick's hand-over.
    CTransport& Transport() { return transport_; }
    const CTransport& Transport() const { return transport_; }

    bool IsModified() const { return modified_; }
    void SetModified(bool modified = true) { modified_ = modified; }

    // Document life: empty everything (the tick must be idle), then a new song.
    void DeleteContents();
    void NewDocument();
    // What follows a successful read of a song: clock at 0, position 0, length recomputed.
    void AfterOpen();
    // Takes the media, events and settings of a song read into `other`, which ends up empty.
    void AdoptSong(CChordwayDoc& other);
    // The stored song position, as read from a file (the open command resets it).
    void SetStoredSongPosition(int32_t beat) { songPosition_ = beat; }

    // Forgets what undo could bring back.
    void ClearUndo();
    // Moves every event to the deleted events, so that undo can bring them back.
    void DeleteAllEventsWithUndo();
    // An empty song: length 0, posted.
    void ResetSongLength();

    const std::vector<std::unique_ptr<CMedia>>& DeletedMedia() const { return deletedMedia_; }
    const std::vector<std::unique_ptr<CAction>>& DeletedEvents() const { return deletedEvents_; }

private:
    int32_t UniqueMediumId();
    void Post(uint32_t message, intptr_t first, intptr_t second) const;
    void Hint(int hint, intptr_t value, bool toMediaList = true) const;
    void NotifyViews(ListNotice notice) const;
    void UndoQuantization();

    SongEnvironment env_;
    CTransport::Mutex lock_;
    CTransport transport_{lock_};
    std::minstd_rand random_;

    std::vector<std::unique_ptr<CMedia>> media_;
    std::vector<std::unique_ptr<CAction>> events_;
    std::vector<std::unique_ptr<CAction>> deletedEvents_;
    std::vector<std::unique_ptr<CMedia>> deletedMedia_;
    std::vector<int32_t> orderBeforeMoves_;  // media ids in their order before the first move

    int32_t loopBegin_ = 0;
    int32_t loopEnd_ = 0;
    bool loopSong_ = false;
    bool followSong_ = false;
    bool timeDisplay_ = false;
    int32_t loopBeginMs_ = 0;
    int32_t loopEndMs_ = 0;
    int32_t viewSettingA_ = 1;
    int32_t viewSettingB_ = 5;
    float tempo_ = 100.0f;
    std::atomic<int32_t> songPosition_{0};  // the tick follows the beats with it
    int32_t songLength_ = 0;
    bool quantizationOn_ = false;
    int32_t quantizationType_ = 0;
    int32_t quantizationFrequency_ = 4;
    CSongClock clock_;
    int32_t gridZoom_ = 20;
    bool quantized_ = false;
    std::unique_ptr<uint8_t[]> scratch_;
    size_t scratchSize_ = 0;
    bool modified_ = false;
    CSongMemory memory_{*this};
};

}  // namespace tessaron
