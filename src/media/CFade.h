#pragma once

#include <cstdint>

#include "framework/CObject.h"

namespace tessaron {

class CArchive;

// A fade-in or fade-out record that travels with each medium in the song file.
class CFade : public CObject {
    TESSARON_DECLARE_CLASS(CFade)
public:
    CFade() = default;
    CFade(int32_t direction, int32_t length, int32_t parameter1, int32_t parameter2)
        : direction(direction), length(length), parameter1(parameter1), parameter2(parameter2)
    {
    }
    // Copies direction to firstStepPending; remaining and range stay.
    CFade(const CFade& other) : CObject(other) { *this = other; }
    CFade& operator=(const CFade& other);

    // Inside a medium's record: parameter 1, length, direction, parameter 2.
    void Store(CArchive& archive) const;
    void Load(CArchive& archive);
    void Serialize(CArchive& archive) override;

    int32_t direction = 0;  // 0 fade in, 1 fade out
    int32_t length = 0;
    int32_t parameter1 = 0;
    int32_t parameter2 = 0;
    // Run-time state, never stored.
    int32_t increment = 0;
    int32_t stepUnit = 0;
    int32_t from = 0;
    int32_t to = 0;
    int32_t current = 0;
    int32_t tickCounter = 0;
    int32_t ticksPerStep = 1;
    int32_t steps = 0;
    int32_t firstStepPending = 0;
    int32_t remaining = 0;
    int32_t range = 0;
};

}  // namespace tessaron
