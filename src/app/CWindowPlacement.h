#pragma once

#include <cstdint>

namespace tessaron {

// Where the main window was when it closed, as kept in the settings store. -1000 means that
// no value was saved.
struct CWindowPlacement {
    static constexpr int32_t kNone = -1000;
    static constexpr int32_t kMaximizeBit = 16777216;

    int32_t x = kNone;     // X
    int32_t y = kNone;     // Y
    int32_t cx = kNone;    // CX: width
    int32_t cy = kNone;    // CY: height
    int32_t resX = kNone;  // RESX: screen width when saved
    int32_t resY = kNone;  // RESY: screen height when saved
    int32_t style = kMaximizeBit;  // STYLE: window style bits

    bool operator==(const CWindowPlacement&) const = default;
};

}  // namespace tessaron
