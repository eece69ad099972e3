#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

namespace tessaron {

class CChordwayDoc;
class CMedia;
class CScheduler;

namespace link {
struct AddSampleRecord;
struct CutFramesRecord;
}  // namespace link

// What a companion program's commands do to the song: command 1 adds a sample it has written
// as a file; command 2 cuts frames of a music file into WAV files beside it that become
// samples. Runs on the link server's thread and takes the document lock for each change.
class CCompanionLink {
public:
    // The answer to a frame.
    enum class Result : uint32_t { Refused = 0, Done = 1 };

    explicit CCompanionLink(CChordwayDoc& doc, CScheduler* scheduler = nullptr)
        : doc_(doc), scheduler_(scheduler)
    {
    }

    // Hears of each medium the link added (for a tool's log or the views).
    void SetAddedCallback(std::function<void(CMedia&)> added) { added_ = std::move(added); }

    // The live volume and pan of the piano key a medium sits on (its MIDI key), from the
    // program's piano view; answers false when there is no such view. With AUTOVOL on, a
    // handed-over sample takes these instead of the record's.
    using KeyLevels = std::function<bool(int32_t midiKey, int32_t& volume, int32_t& pan)>;
    void SetKeyLevels(KeyLevels levels) { keyLevels_ = std::move(levels); }

    // Refused: an unknown command or a malformed record, with no effect. Done: the command ran
    // (which adds nothing when the song refuses the size or the file cannot be read).
    Result Execute(uint32_t command, std::span<const uint8_t> record);

    int AddSample(const link::AddSampleRecord& record);
    int CutFrames(const link::CutFramesRecord& record);

    // Frame size of a cut in bytes: 60 / tempo x beats x bytes per second, whole multiples of
    // 4; 0 when the values make no frame.
    static int64_t FrameBytes(float tempo, int32_t beats, int32_t bytesPerSecond);

private:
    bool SongTakes(int64_t bytes) const;
    void Added(CMedia& medium);

    CChordwayDoc& doc_;
    CScheduler* scheduler_;
    std::function<void(CMedia&)> added_;
    KeyLevels keyLevels_;
};

}  // namespace tessaron
