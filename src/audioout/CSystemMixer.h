#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audioout/CMixerControl.h"
#include "audioout/IMixerElements.h"

namespace tessaron {

// The card's own mixer beside the program's buffers: master volume, bass, treble, the levels
// and mutes of the card's sources, and the recording source with its level, in the 13 records
// of CMixerControl. A control the card does not have leaves its record absent: reading it
// answers 0, setting it does nothing.
//
// Levels are in percent: volume records -100 (silence) .. 0 (full), bass and treble
// -100 .. 100 with 0 the middle position. Mutes are raw: 1 muted, 0 not.
class CSystemMixer {
public:
    struct RecordingSource {
        std::string name;
        unsigned index = 0;
    };

    CSystemMixer();
    ~CSystemMixer();

    // Opens ALSA mixer `index` (0 "default", n the card n - 1). Answers false, every record
    // absent, when there is no such mixer.
    bool OpenMixer(int index);
    // The same on elements given by the caller.
    bool OpenMixer(std::unique_ptr<IMixerElements> elements);
    void Close();

    const CMixerControl& Record(MixerRecord record) const;

    // One value of a control counted from its minimum, or -1 on failure.
    long GetValue(uint32_t controlId);
    bool SetValue(uint32_t controlId, long value);

    int GetLevel(MixerRecord record);
    bool SetLevel(MixerRecord record, int percent);
    long GetMute(MixerRecord record);
    bool SetMute(MixerRecord record, long value);

    bool ReadRecordingSources();
    bool SelectRecordingSource(unsigned index);
    const std::vector<RecordingSource>& RecordingSources() const { return sources_; }
    unsigned SourceCount() const { return static_cast<unsigned>(sources_.size()); }

    // The percent rules, with `max` the record's maximum (integer arithmetic, truncating).
    static long VolumeValue(int percent, long max);
    static int VolumePercent(long value, long max);
    static long ToneValue(int percent, long max);
    static int TonePercent(long value, long max);

private:
    struct Control {
        std::string element;
        MixerAspect aspect;
        long min = 0;
        long max = 0;
    };

    // Fills the record from the first element of `names` that has the aspect.
    bool FindControl(std::initializer_list<const char*> names, MixerAspect aspect, MixerRecord record);
    CMixerControl& At(MixerRecord record) { return records_[static_cast<int>(record) - 1]; }

    std::unique_ptr<IMixerElements> elements_;
    std::array<CMixerControl, kMixerRecordCount> records_{};
    std::vector<Control> controls_;
    std::vector<RecordingSource> sources_;
};

}  // namespace tessaron
