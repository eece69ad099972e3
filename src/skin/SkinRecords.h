#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// The records a skin file fills. Colours are 24-bit values packed as red + 256 * green
// + 65536 * blue; -1 means "none". Texts are copies, so the records outlive the file text.
namespace tessaron::skin {

constexpr int32_t kNoColour = -1;

constexpr int32_t PackRgb(int red, int green, int blue)
{
    return (red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16);
}
constexpr int Red(int32_t colour) { return colour & 0xFF; }
constexpr int Green(int32_t colour) { return (colour >> 8) & 0xFF; }
constexpr int Blue(int32_t colour) { return (colour >> 16) & 0xFF; }

// One named field of a section: a window or a drawn part of a view.
struct SkinField {
    std::string name;          // upper case; empty for the placeholder at index 0
    uint32_t windowStyle = 0;  // creation style of the control that shows the field
    int32_t x = 0, y = 0, w = 0, h = 0;
    int32_t ct = kNoColour;  // text or border colour
    int32_t cb = kNoColour;  // background colour
    int32_t co = kNoColour;  // other colour
    std::string tooltip;     // empty: none
    int32_t opt = 0;         // option bits, meaning per field
    int32_t font = -1;       // font number, -1 for none
    bool found = false;      // its line was read in the last parse of its section
    bool control = false;    // a child control of its own rather than drawn by the view
};

struct SkinText {
    int32_t x = 0, y = 0, w = 0, h = 0;
    int32_t font = -1;
    int32_t colour = kNoColour;
    std::string text;
};

struct SkinBorder {
    int32_t x = 0, y = 0, w = 0, h = 0;
    int32_t border = kNoColour;
    int32_t background = kNoColour;
};

struct SkinBitmap {
    int32_t x = 0, y = 0, w = 0, h = 0;
    int32_t option = 0;
    int32_t transparent = kNoColour;
    std::string file;
};

// Style bits: 1 bold, 2 italic, 4 text turned by 90 degrees.
struct SkinFont {
    std::string face;  // empty: the font is not made
    int32_t size = 0;  // points
    int32_t style = 0;
};

constexpr int32_t kFontBold = 1;
constexpr int32_t kFontItalic = 2;
constexpr int32_t kFontVertical = 4;

// Where a bitmap definition's images come from.
constexpr int32_t kSourceNone = -1;        // no bitmap
constexpr int32_t kSourceFilesOnly = 18;   // files named in the skin only
// 0..17: share the images of that definition when no file is named;
// above 18: the number of a built-in image (off image n, on image n + 1).

// How many images a definition has and how they are used.
enum class BitmapKind : int32_t {
    ButtonFace = 0,  // one image whose light grey becomes the desktop's button colour
    Single = 1,      // one image
    OffOn = 2,       // an off and an on image
    Three = 3,       // three images (sliders)
};

struct BitmapDefinition {
    std::string name;
    int32_t source = kSourceNone;
    int32_t transparent = kNoColour;
    BitmapKind kind = BitmapKind::Single;
    std::string offFile, onFile, thirdFile;
    // Sizes of the first and third image, known once the images are loaded.
    int32_t width = 0, height = 0;
    int32_t thirdWidth = 0, thirdHeight = 0;
};

constexpr size_t kBitmapDefinitionCount = 18;
using BitmapDefinitions = std::array<BitmapDefinition, kBitmapDefinitionCount>;

// One section's tables: the fields (index 0 is an unnamed placeholder that never matches),
// the free decorations with their limits, and the fonts the section may set.
struct SkinSection {
    std::vector<SkinField> fields;
    std::vector<SkinText> texts;
    size_t textLimit = 0;
    std::vector<SkinBorder> borders;
    size_t borderLimit = 0;
    std::vector<SkinBitmap> bitmaps;
    size_t bitmapLimit = 0;
    std::vector<SkinFont> fonts;  // every font record the section may set
    int32_t fontCount = 0;        // how many of them are made
};

}  // namespace tessaron::skin
