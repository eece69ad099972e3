#pragma once

#include <array>
#include <cstdint>

#include "skin/SkinRecords.h"

namespace tessaron::skin {

struct ColourPair {
    int32_t text = 0;
    int32_t background = 0;
    bool operator==(const ColourPair&) const = default;
};

// The four views whose colours the MAIN section gives, in the order of its fields.
enum class SkinView : size_t { Piano = 0, Media = 1, Event = 2, Timeline = 3 };
constexpr size_t kSkinViewCount = 4;

// What the main frame applies from the MAIN section.
struct SkinMainValues {
    static constexpr int32_t kDefaultPianoHeight = 336;
    static constexpr int32_t kDefaultOctaves = 2;
    static constexpr int32_t kMaxOctaves = 7;
    static constexpr int32_t kUnsetText = 0;
    static constexpr int32_t kUnsetBackground = 12170420;  // RGB(180, 180, 185)

    std::array<ColourPair, kSkinViewCount> colours;
    int32_t pianoHeight = kDefaultPianoHeight;
    int32_t octaves = kDefaultOctaves;
    // The first-start window rectangle (the MAIN field): a width of -1 asks for a maximized
    // window, an x or y of -1 for a centred one.
    int32_t x = 0, y = 0, w = 0, h = 0;

    const ColourPair& Colours(SkinView view) const { return colours[static_cast<size_t>(view)]; }
};

// Pixel height of a font of `points` on a screen of `dotsPerInch` vertical resolution.
int32_t FontPixelHeight(int32_t dotsPerInch, int32_t points);

}  // namespace tessaron::skin
