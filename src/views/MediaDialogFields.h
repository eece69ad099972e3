#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tessaron {

class CChordwayDoc;
class CMedia;

// What "Select" learns of a file before it becomes a medium.
struct MediaProbe {
    bool ok = false;
    bool midi = false;
    std::string name;
    int32_t durationMs = 0;
    int32_t sampleRate = 0;
    int32_t dataSize = 0;
    float tempo = 0.0f;  // from the file's tag (audio) or its first tempo event (MIDI); 0 for none
};

// The fields of the "Add Media" / "Edit Media" dialog as plain values, with the rules that fill
// them from a medium, check them and write them back. The choices are kept as list rows.
struct MediaDialogFields {
    enum class Kind { Sample, Music, Midi };

    Kind kind = Kind::Sample;
    std::string file;
    std::string name;
    int device = 0;
    int stretchRow = 0;  // "No", "No pitch changed", "Change pitch"
    int divRow = 0;      // "Norm", "1", "2", "4", "8", "16"
    double tempo = 0.0;
    int beats = 0;
    int pcKeyRow = -1;    // a row of PcKeyChoices(), -1 for none
    int midiKeyRow = -1;  // a row of MidiKeyChoices(), -1 for none
    int colourRow = -1;   // a colour scheme 0..22, -1 for one of no scheme
    int offset = 0;
    int end = 0;
    int duration = 0;
    bool loop = false;
    int loopCount = 1;  // 0..100, 0 continuously
    bool hold = false;
    bool resynchro = false;
    bool primary = false;      // MIDI only
    bool tempoChange = true;   // MIDI only
    std::string soundFile;     // MIDI only; kept, not shown
    int volume = 0;            // kept, not shown
    int pan = 0;               // kept, not shown
    int32_t sampleRate = 0;    // from the medium or the probe
    int32_t dataSize = 0;      // of the whole file

    static constexpr double kTempoMax = 250.0;
    static constexpr int kBeatsMax = 990;
    static constexpr int kLoopCountMax = 100;

    static MediaDialogFields FromMedium(const CMedia& medium);
    // Writes every field back. The caller holds the document lock.
    void WriteTo(CMedia& medium) const;
    // Takes what a probe of a newly selected file found: file, name, length (the whole file),
    // rate, size and, when the file tells one, the tempo.
    void TakeProbe(const std::string& path, const MediaProbe& probe);
    // Keeps 0 <= offset <= end <= duration.
    void ClampRange();

    // Bytes the selected range holds at the file's rate of bytes.
    int64_t RangeBytes() const;
    // The message that keeps these fields from becoming (or staying) a sample of `doc`, or an
    // empty text. `held` is what the medium holds in memory now (0 for a new one).
    std::string_view CheckLimits(const CChordwayDoc& doc, int64_t held) const;

    // The choices of the lists, in row order.
    static const std::vector<std::string>& PcKeyChoices();
    static int PcKeyCode(int row);
    static int PcKeyRow(int code);
    static const std::vector<std::string>& MidiKeyChoices();
    static const std::vector<std::string>& DivChoices();
    static int DivRowOf(int stretchOption);
    static int StretchOptionOf(int divRow);
    // The colour scheme whose back colour the medium shows, -1 for none.
    static int ColourRowOf(uint32_t backColour);
};

// Reads a file for the dialog: an audio file's format and tag, or a MIDI file's length and
// tempo. Safe on any thread.
MediaProbe ProbeMediaFile(const std::string& path);

}  // namespace tessaron
