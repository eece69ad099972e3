#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "song/CSettings.h"

namespace tessaron {

// What the Options dialog shows, in its own units (megabytes, combo indexes), and the rules
// that move it to and from the settings. The dialog only lays these fields out.
struct OptionsFields {
    bool autoLoad = false;
    std::string editor;
    std::string midiEditor;
    int32_t memoryMaxMb = 0;
    int32_t sizeSamplesMaxMb = 0;
    int32_t nbSamplesMax = 0;
    int32_t nbLoop = 0;
    int32_t tempoMin = 0;
    int32_t tempoMax = 0;
    int32_t resVolPan = 0;
    std::string dirWave;
    std::string dirMidi;
    int32_t midiInIndex = -1;   // into the MIDI input ports listed; -1 with none listed
    int32_t midiOutIndex = -1;  // into the MIDI output ports listed
    int32_t midiCanal = 0;
    bool midiThru = false;
    bool midiVelocity = false;
    bool mam = false;
    bool pitchBend = false;
    int32_t pitchBendRange = 0;
    bool pcBeep = false;
    bool midiBeep = false;
    bool autoPlay = false;
    bool autoLoop = false;
    bool autoSustain = false;
    bool autoVol = false;
    int32_t latency = 0;
    int32_t handOverLoopCount = 0;
    bool autoSave = false;
};

class OptionsTransfer {
public:
    // The MIDI ports the service reports, listed in the In and Out combos.
    OptionsTransfer(std::vector<std::string> inputPorts, std::vector<std::string> outputPorts)
        : inputs_(std::move(inputPorts)), outputs_(std::move(outputPorts))
    {
    }

    const std::vector<std::string>& InputPorts() const { return inputs_; }
    const std::vector<std::string>& OutputPorts() const { return outputs_; }

    OptionsFields Fill(const CSettings& settings) const;

    // The first field outside its range, as the message the dialog shows; none when all fit.
    struct RangeError {
        std::string field;  // the settings key of the field
        std::string message;
    };
    static std::optional<RangeError> Validate(const OptionsFields& fields);

    // Copies the fields back (after Validate passed). Answers whether the MIDI ports must be
    // closed and opened again: only when the channel, a port name or MIDI thru changed.
    bool Apply(const OptionsFields& fields, CSettings& settings) const;

    // The text shown for the loop count of handed-over media: "cont." for 0.
    static std::string LoopCountText(int32_t count);
    static int32_t LoopCountFromText(const std::string& text);

private:
    static int32_t IndexOf(const std::vector<std::string>& list, const std::string& name);
    static std::string NameAt(const std::vector<std::string>& list, int32_t index, const std::string& current);

    std::vector<std::string> inputs_;
    std::vector<std::string> outputs_;
};

}  // namespace tessaron
