#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tessaron {

// A standard MIDI file as the program reads it before the synthesizer plays it: checked from
// end to end (a damaged or truncated file is refused, never half read), with its tempo map, its
// length and its channel events in time order.
class CMidiFile {
public:
    // Files above this size are not MIDI files anyone plays; refusing them bounds the work.
    static constexpr size_t kMaxBytes = 16u << 20;
    static constexpr int kMaxTracks = 256;

    struct Event {
        int64_t tick = 0;
        uint8_t status = 0;
        uint8_t data1 = 0;
        uint8_t data2 = 0;
    };
    struct TempoChange {
        int64_t tick = 0;
        uint32_t microsPerQuarter = 500000;
    };

    // Reads a file from memory; `error` says why it was refused.
    static std::optional<CMidiFile> Parse(const uint8_t* data, size_t size, std::string* error = nullptr);
    static std::optional<CMidiFile> Load(const std::string& path, std::string* error = nullptr);

    int Format() const { return format_; }
    int TrackCount() const { return tracks_; }
    int TicksPerQuarter() const { return division_; }
    // Beats per minute of the first tempo event; 0 when the file sets none.
    float Tempo() const;
    // The tick of the last event of any track (its end of track included).
    int64_t LastTick() const { return lastTick_; }
    // Milliseconds from the start to `tick`, following the tempo changes (120 BPM before any).
    double TickToMs(int64_t tick) const;
    double LengthMs() const { return TickToMs(lastTick_); }
    // Note, controller, program, pressure and bend messages of every track, sorted by tick.
    const std::vector<Event>& Events() const { return events_; }
    const std::vector<TempoChange>& Tempos() const { return tempos_; }
    const std::vector<uint8_t>& Bytes() const { return bytes_; }

private:
    bool ReadTrack(const uint8_t* data, size_t size, std::string& error);

    int format_ = 0;
    int tracks_ = 0;
    int division_ = 96;
    int64_t lastTick_ = 0;
    std::vector<Event> events_;
    std::vector<TempoChange> tempos_;
    std::vector<uint8_t> bytes_;
};

}  // namespace tessaron
