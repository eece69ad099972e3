#pragma once

#include "skin/SkinRecords.h"

// The values every table holds before a skin is parsed, so that the program looks right with
// no skin file at all.
namespace tessaron::skin {

// Indices of the MAIN section's fields.
enum class MainField : size_t { Main = 1, Piano = 2, Media = 3, Event = 4, Timeline = 5 };
constexpr size_t kMainFieldCount = 6;

// Indices of the PIANO section's fields; 1..9 are child controls, the rest are drawn.
enum class PianoField : size_t {
    Level = 1, Mute, Solo, Active, Vol, Pan, Loop, Hold, Sync,
    PitchBend, NotePlus, NoteMinus, White, Black, Support, Note, NoteBorder,
    Play1, PlayLoop, Stop, Alone1, AloneLoop, Sequence,
};
constexpr size_t kPianoFieldCount = 24;
constexpr size_t kPianoTextLimit = 20;
constexpr size_t kPianoBorderLimit = 10;
constexpr size_t kPianoBitmapLimit = 3;
constexpr size_t kMainFontSlots = 3;
constexpr int32_t kMainDefaultFontCount = 2;

// A visible child window: the style of every piano control.
constexpr uint32_t kChildControlStyle = 0x50000000;

constexpr int32_t kDefaultViewText = PackRgb(255, 255, 255);
constexpr int32_t kDefaultViewBackground = PackRgb(30, 30, 30);

SkinSection MainDefaults();
SkinSection PianoDefaults();
BitmapDefinitions BitmapDefinitionDefaults();

// Sizes of the built-in images by number; {0, 0} for a number that has none.
struct ImageSize {
    int32_t width = 0, height = 0;
    bool operator==(const ImageSize&) const = default;
};
ImageSize BuiltinImageSize(int32_t number);
// Every built-in image number, in ascending order.
const std::vector<int32_t>& BuiltinImageNumbers();

}  // namespace tessaron::skin
