#pragma once

#include <cstdint>
#include <string>

namespace tessaron {

// The user's preferences: the working copy that every part of the program reads. The settings
// store fills it at start-up and writes it back at close; the Options dialog edits it in between.
// Each field is named after its key in the store.
struct CSettings {
    bool autoLoad = true;               // AUTOLOAD: load all media of a song when it opens
    std::string editor;                 // EDITOR: external sound editor for "Run Editor"
    std::string midiEditor;             // MIDIEDITOR: kept and edited only
    int32_t memoryMax = 134217728;      // MEMORYMAX: bytes of sample memory for all samples
    int32_t sizeSamplesMax = 20971520;  // SIZESAMPLESMAX: bytes of one sample
    int32_t nbSamplesMax = 300;         // NBSAMPLESMAX: media in one song
    int32_t nbLoop = 16;                // NBLOOP: loop lengths that a continuous loop's event lasts
    int32_t tempoMin = 40;              // TEMPOMIN, BPM; kept and edited only
    int32_t tempoMax = 250;             // TEMPOMAX, BPM; kept and edited only
    int32_t resVolPan = 1000;           // RESVOLPAN, ms: interval of the volume and pan controls
    std::string dirWave;                // DIRWAVE: start folder for adding samples
    std::string dirMidi;                // DIRMIDI: start folder for adding MIDI files
    std::string dirDls;                 // DIRDLS: start folder for DLS collections
    std::string midiInDrivers;          // MIDIINDRIVERS: name of the MIDI input port
    std::string midiOutDrivers;         // MIDIOUTDRIVERS: name of the MIDI output port
    int32_t midiCanal = 0;              // MIDICANAL: 0 "No", 1 "Omni", 2..17 channels 1..16
    bool midiThru = false;              // MIDITHRU
    bool midiVelocity = true;           // MIDIVELOCITY: set means note velocity is ignored
    bool mam = false;                   // MAM: wheels act on the selected key, not the last note
    bool pitchBend = false;             // PITCHBEND: kept and edited only
    int32_t pitchBendRange = 10;        // PITCHBENDRANGE: full-scale pitch of the bend wheel
    bool pcBeep = false;                // PCBEEP: beep on each beat of the running clock
    bool midiBeep = false;              // MIDIBEEP: kept and edited only
    bool autoPlay = true;               // AUTOPLAY: play a handed-over medium at once
    bool autoLoop = true;               // AUTOLOOP: loop a handed-over medium
    bool autoSustain = false;           // AUTOSUSTAIN: hold a handed-over medium
    bool autoVol = true;                // AUTOVOL: its volume and pan from the system mixer
    int32_t latency = 15;               // LANTENCY (old spelling kept in the store), ms

    // Edited in the Options dialog but never stored.
    int32_t handOverLoopCount = 0;  // loop count of handed-over media, 0 = continuous
    bool autoSave = false;

    bool operator==(const CSettings&) const = default;

    // Ranges that the Options dialog accepts, in the units it shows.
    struct Range {
        int32_t min;
        int32_t max;
        constexpr bool Contains(int32_t value) const { return value >= min && value <= max; }
    };
    static constexpr Range kMemoryMaxMb{10, 300};
    static constexpr Range kSizeSamplesMaxMb{1, 200};
    static constexpr Range kNbSamplesMax{10, 500};
    static constexpr Range kNbLoop{1, 2048};
    static constexpr Range kTempo{40, 250};
    static constexpr Range kResVolPan{0, 1000};
    static constexpr Range kPitchBendRange{5, 100};
    static constexpr Range kLatency{0, 100};
    static constexpr Range kMidiCanal{0, 17};

    // Byte counts shown in whole megabytes, rounded toward zero.
    static int32_t ToMegabytes(int32_t bytes);
    // Megabytes entered back into bytes; saturates instead of overflowing.
    static int32_t FromMegabytes(int32_t megabytes);
    // The dialog's range lets 2048 through, but only 1..2047 are kept: anything else is 16.
    static int32_t NbLoopFromDialog(int32_t entered);
};

// The size limit of one sample that the size checks use. It is process-wide because the checks
// run on the scheduler thread as well as the UI thread and must see the value read at start-up,
// not the one the Options dialog may have changed since; hence an atomic rather than a field.
inline constexpr int32_t kStartSampleSizeLimit = 4194304;
int32_t SampleSizeLimit();
void SetSampleSizeLimit(int32_t bytes);

}  // namespace tessaron
