#include "app/OptionsTransfer.h"

#include <cstdlib>

namespace tessaron {

int32_t OptionsTransfer::IndexOf(const std::vector<std::string>& list, const std::string& name)
{
    if (list.empty()) {
        return -1;
    }
    for (size_t i = 0; i < list.size(); ++i) {
        if (list[i] == name) {
            return static_cast<int32_t>(i);
        }
    }
    return 0;  // the first port when the stored one is not there
}

std::string OptionsTransfer::NameAt(const std::vector<std::string>& list, int32_t index, const std::string& current)
{
    // With no port listed (no MIDI service, or it reports none) the stored name stays: taking
    // the empty combo's text would forget the user's port for good.
    if (index < 0 || static_cast<size_t>(index) >= list.size()) {
        return current;
    }
    return list[static_cast<size_t>(index)];
}

OptionsFields OptionsTransfer::Fill(const CSettings& s) const
{
    OptionsFields f;
    f.autoLoad = s.autoLoad;
    f.editor = s.editor;
    f.midiEditor = s.midiEditor;
    f.memoryMaxMb = CSettings::ToMegabytes(s.memoryMax);
    f.sizeSamplesMaxMb = CSettings::ToMegabytes(s.sizeSamplesMax);
    f.nbSamplesMax = s.nbSamplesMax;
    f.nbLoop = s.nbLoop;
    f.tempoMin = s.tempoMin;
    f.tempoMax = s.tempoMax;
    f.resVolPan = s.resVolPan;
    f.dirWave = s.dirWave;
    f.dirMidi = s.dirMidi;
    f.midiInIndex = IndexOf(inputs_, s.midiInDrivers);
    f.midiOutIndex = IndexOf(outputs_, s.midiOutDrivers);
    f.midiCanal = s.midiCanal;
    f.midiThru = s.midiThru;
    f.midiVelocity = s.midiVelocity;
    f.mam = s.mam;
    f.pitchBend = s.pitchBend;
    f.pitchBendRange = s.pitchBendRange;
    f.pcBeep = s.pcBeep;
    f.midiBeep = s.midiBeep;
    f.autoPlay = s.autoPlay;
    f.autoLoop = s.autoLoop;
    f.autoSustain = s.autoSustain;
    f.autoVol = s.autoVol;
    f.latency = s.latency;
    f.handOverLoopCount = s.handOverLoopCount;
    f.autoSave = s.autoSave;
    return f;
}

std::optional<OptionsTransfer::RangeError> OptionsTransfer::Validate(const OptionsFields& f)
{
    struct Check {
        const char* field;
        int32_t value;
        CSettings::Range range;
    };
    const Check checks[] = {
        {"MEMORYMAX", f.memoryMaxMb, CSettings::kMemoryMaxMb},
        {"SIZESAMPLESMAX", f.sizeSamplesMaxMb, CSettings::kSizeSamplesMaxMb},
        {"NBSAMPLESMAX", f.nbSamplesMax, CSettings::kNbSamplesMax},
        {"NBLOOP", f.nbLoop, CSettings::kNbLoop},
        {"TEMPOMIN", f.tempoMin, CSettings::kTempo},
        {"TEMPOMAX", f.tempoMax, CSettings::kTempo},
        {"RESVOLPAN", f.resVolPan, CSettings::kResVolPan},
        {"PITCHBENDRANGE", f.pitchBendRange, CSettings::kPitchBendRange},
        {"LANTENCY", f.latency, CSettings::kLatency},
    };
    for (const Check& check : checks) {
        if (!check.range.Contains(check.value)) {
            return RangeError{check.field, "Please enter an integer between " + std::to_string(check.range.min) +
                                               " and " + std::to_string(check.range.max) + "."};
        }
    }
    return std::nullopt;
}

bool OptionsTransfer::Apply(const OptionsFields& f, CSettings& s) const
{
    const std::string midiIn = NameAt(inputs_, f.midiInIndex, s.midiInDrivers);
    const std::string midiOut = NameAt(outputs_, f.midiOutIndex, s.midiOutDrivers);

    s.autoLoad = f.autoLoad;
    s.editor = f.editor;
    s.midiEditor = f.midiEditor;
    s.memoryMax = CSettings::FromMegabytes(f.memoryMaxMb);
    s.sizeSamplesMax = CSettings::FromMegabytes(f.sizeSamplesMaxMb);
    s.nbSamplesMax = f.nbSamplesMax;
    s.nbLoop = CSettings::NbLoopFromDialog(f.nbLoop);
    s.tempoMin = f.tempoMin;
    s.tempoMax = f.tempoMax;
    s.resVolPan = f.resVolPan;
    s.dirWave = f.dirWave;
    s.dirMidi = f.dirMidi;
    s.midiVelocity = f.midiVelocity;
    s.mam = f.mam;
    s.pitchBend = f.pitchBend;
    s.pitchBendRange = f.pitchBendRange;
    s.pcBeep = f.pcBeep;
    s.midiBeep = f.midiBeep;
    s.autoPlay = f.autoPlay;
    s.autoLoop = f.autoLoop;
    s.autoSustain = f.autoSustain;
    s.autoVol = f.autoVol;
    s.latency = f.latency;
    s.handOverLoopCount = f.handOverLoopCount;
    s.autoSave = f.autoSave;

    const bool midiChanged = f.midiCanal != s.midiCanal || midiIn != s.midiInDrivers ||
                             midiOut != s.midiOutDrivers || f.midiThru != s.midiThru;
    if (midiChanged) {
        s.midiCanal = f.midiCanal;
        s.midiInDrivers = midiIn;
        s.midiOutDrivers = midiOut;
        s.midiThru = f.midiThru;
    }
    return midiChanged;
}

std::string OptionsTransfer::LoopCountText(int32_t count) { return count == 0 ? "cont." : std::to_string(count); }

int32_t OptionsTransfer::LoopCountFromText(const std::string& text)
{
    return static_cast<int32_t>(std::strtol(text.c_str(), nullptr, 10));  // "cont." reads as 0
}

}  // namespace tessaron
