#pragma once

#include <array>
#include <cstdint>

#include "framework/CObject.h"

namespace tessaron {

// One instrument definition of a MIDI medium: six integers handed to the MIDI service.
class CInstrumentDef : public CObject {
    TESSARON_DECLARE_CLASS(CInstrumentDef)
public:
    void Serialize(CArchive& archive) override;

    std::array<int32_t, 6> values{};
};

}  // namespace tessaron
