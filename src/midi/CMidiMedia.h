#pragma once

#include <array>
#include <string>

#include "media/CMedia.h"
#include "midi/CInstrumentDef.h"

namespace tessaron {

// A standard MIDI file played through the synthesizer or a MIDI output port.
class CMidiMedia : public CMedia {
    TESSARON_DECLARE_CLASS(CMidiMedia)
public:
    static constexpr int kMaxInstruments = 16;

    CMidiMedia();
    using CMedia::CMedia;

    void ResetSettings() override;
    void Store(CArchive& archive) override;
    void Load(CArchive& archive) override;

    std::string soundFile;  // DLS or SoundFont collection for the medium's instruments
    int32_t optionValue = 0;
    int32_t setting1 = 1;  // "Tempo change"
    int32_t setting2 = 0;
    int32_t setting3 = 0;
    int32_t setting4 = 0;
    int32_t instrumentCount = 0;
    std::array<CInstrumentDef, kMaxInstruments> instruments;
    bool muted = false;

private:
    void ResetMidiFields();
    int StoredInstrumentCount() const;
};

}  // namespace tessaron
