#pragma once

#include <cstdint>
#include <optional>

#include "app/CWindowPlacement.h"

namespace tessaron {

// Where and how the main window opens, decided from the saved placement, the skin's main-window
// rectangle and the screen, before the window exists.
class PlacementRules {
public:
    static constexpr int32_t kMinimizeBit = 0x20000000;
    static constexpr int32_t kMinimumSize = 100;  // a width or height of 100 or less is refused
    static constexpr int32_t kCentre = -1;        // a skin x or y of -1 centres the window

    struct Rect {
        int32_t x = 0, y = 0, width = 0, height = 0;
        bool operator==(const Rect&) const = default;
    };
    // The skin's main window: width -1 means the skin gives no size.
    struct SkinWindow {
        int32_t x = kCentre, y = kCentre, width = -1, height = -1;
    };
    struct Decision {
        int32_t startStyle = CWindowPlacement::kMaximizeBit;
        std::optional<Rect> rect;  // empty: the window system's default place
        bool Maximized() const { return (startStyle & CWindowPlacement::kMaximizeBit) != 0; }
    };

    static Decision Restore(const CWindowPlacement& saved, const SkinWindow& skin, int32_t screenWidth,
                            int32_t screenHeight);
    // The style bits stored for a window: the overlapped-window bits, plus maximize or minimize.
    static int32_t StyleOf(bool maximized, bool minimized);
    static CWindowPlacement Save(const Rect& frame, bool maximized, bool minimized, int32_t screenWidth,
                                 int32_t screenHeight);
};

}  // namespace tessaron
