#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "effects/SampleEffect.h"
#include "views/WaveMapping.h"

namespace tessaron {

class CChordwayDoc;
class CSamples;

// The edits of one sample in the wave editor: crop, silence, cut, copy and paste through the
// song's clipboard sample, effects, save, and undo of each edit in turn. Each edit goes
// through the song (its lock, memory count and modified mark). Runs on the user-interface
// thread; an effect on a long sound may run on a worker (EffectJob).
class CWaveEditSession {
public:
    // Snapshots for undo are kept within this many bytes (the last one always).
    static constexpr size_t kUndoBudget = size_t{128} << 20;
    // Effects on sounds longer than this run on a worker thread.
    static constexpr int32_t kBackgroundBytes = 2 << 20;

    // An effect running on a copy of the sound; the copy replaces the sound when it is done
    // and the sound did not change meanwhile.
    class EffectJob {
    public:
        EffectJob(std::vector<uint8_t> pcm, PcmFormat format, int offset, EffectParameters parameters,
                  ByteRange range, const uint8_t* source);
        ~EffectJob();
        EffectJob(const EffectJob&) = delete;
        EffectJob& operator=(const EffectJob&) = delete;
        bool Done() const { return done_.load(std::memory_order_acquire); }
        void Wait();

    private:
        friend class CWaveEditSession;
        std::vector<uint8_t> pcm_;
        const uint8_t* source_;
        bool ok_ = false;
        std::atomic<bool> done_{false};
        std::thread worker_;
    };

    CWaveEditSession(CChordwayDoc& doc, CSamples& sample);

    CSamples& Sample() const { return sample_; }
    int32_t DataSize() const;
    int32_t BlockAlign() const;
    int32_t BytesPerSecond() const;
    // Milliseconds of `bytes` of the sound.
    int32_t BytesToMs(int64_t bytes) const;

    // Keeps only the range; refused when it lasts less than 30 ms.
    bool Crop(wave::ByteRange range);
    bool Silence(wave::ByteRange range);
    // Moves the range into the song's clipboard sample.
    bool Cut(wave::ByteRange range);
    // Copies the range into the clipboard sample; nothing when it would pass the sample size limit.
    bool Copy(wave::ByteRange range);
    // Inserts the clipboard sample at byte `at`; false with an empty clipboard.
    bool Paste(int32_t at);
    // One effect by command number over the range, here and now.
    bool Effect(int command, EffectParameters parameters, wave::ByteRange range);
    // The same on a worker thread; null when the sample holds no sound.
    std::unique_ptr<EffectJob> StartEffect(int command, EffectParameters parameters, wave::ByteRange range);
    // Takes a finished job's result; false when it failed or the sound changed meanwhile.
    bool FinishEffect(EffectJob& job);

    bool CanUndo() const { return !undo_.empty(); }
    size_t UndoDepth() const { return undo_.size(); }
    // Brings back the sound (and the crop's offsets) as they were before the last edit.
    bool Undo();

    // Writes the sound as a WAV file. Saved over the medium's own file, the sound becomes what
    // the medium's file holds: committed, its offsets the whole file, its undo forgotten.
    bool Save(const std::string& path, std::string* error);

private:
    struct Snapshot {
        std::vector<uint8_t> pcm;
        int32_t startOffset = 0;
        int32_t endOffset = 0;
        int32_t savedStart = -1;
        int32_t savedEnd = -1;
        int32_t edited = 0;
        int32_t uncommitted = 0;
    };
    void Remember();
    void Forget() { undo_.pop_back(); }
    // Runs an edit, remembering the sound before it; a refused edit leaves no snapshot.
    template <typename Edit>
    bool Edited(Edit edit);

    CChordwayDoc& doc_;
    CSamples& sample_;
    std::deque<Snapshot> undo_;
    size_t undoBytes_ = 0;
};

}  // namespace tessaron
