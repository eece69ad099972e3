#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tessaron::test {

// Hand-made MIDI and DLS files for the MIDI tests.
using Bytes = std::vector<uint8_t>;

// One track event: delta ticks, then its bytes as written (status and data, or a meta event).
struct TrackEvent {
    uint32_t delta;
    Bytes bytes;
};

Bytes VarLen(uint32_t value);
// An MTrk chunk of the events; the end-of-track event is added unless `end` is false.
Bytes Track(const std::vector<TrackEvent>& events, bool end = true);
// An MThd header and the tracks.
Bytes MidiFile(uint16_t format, uint16_t division, const std::vector<Bytes>& tracks);
// The tempo meta event of `bpm`.
Bytes TempoEvent(double bpm);
// A format 0 file at `bpm` (96 ticks per quarter) playing `note` on channel 0 from tick 0 for
// `ticks`, then silence.
Bytes OneNoteFile(int note, uint32_t ticks, double bpm = 120.0, int program = 0);

// A DLS level 1 collection of one instrument (bank 0, program 0) whose one region holds a
// looped sine of `frequency` Hz recorded at 44100 Hz, tuned so that `unityNote` plays it as is.
Bytes SineDls(double frequency, int unityNote);

void WriteFile(const std::string& path, const Bytes& bytes);

}  // namespace tessaron::test
