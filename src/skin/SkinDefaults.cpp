#include "skin/SkinDefaults.h"

#include <algorithm>

namespace tessaron::skin {

namespace {

SkinField NamedField(const char* name)
{
    SkinField field;
    field.name = name;
    return field;
}

struct BuiltinImage {
    int32_t number;
    ImageSize size;
};

// The built-in images: mute and solo, loop, hold and sync (kept for skins that name them),
// active, note+ and note-, pan, play-loop, and play, stop, solo-play and solo-loop.
constexpr BuiltinImage kBuiltinImages[] = {
    {220, {6, 12}},    {221, {6, 12}},    {223, {16, 16}},   {2350, {9, 10}},  {2351, {9, 10}},
    {2352, {9, 10}},   {2353, {9, 10}},   {2354, {22, 21}},  {2355, {23, 21}}, {2356, {12, 12}},
    {2357, {12, 12}},  {2358, {25, 24}},  {2359, {25, 24}},  {2360, {24, 13}}, {2361, {24, 13}},
    {2362, {30, 30}},  {2363, {30, 30}},  {2364, {30, 30}},  {2365, {30, 30}}, {26020, {16, 16}},
    {26021, {16, 16}}, {26022, {16, 16}}, {26023, {16, 16}},
};

}  // namespace

SkinSection MainDefaults()
{
    SkinSection section;
    section.fields.resize(kMainFieldCount);
    section.fields[1] = NamedField("MAIN");
    section.fields[1].ct = 0;
    section.fields[1].cb = 0;
    const char* views[] = {"PIANO", "MEDIA", "EVENT", "TIMELINE"};
    for (size_t i = 0; i < 4; ++i) {
        SkinField& field = section.fields[static_cast<size_t>(MainField::Piano) + i];
        field = NamedField(views[i]);
        field.ct = kDefaultViewText;
        field.cb = kDefaultViewBackground;
        field.found = true;
    }
    section.fonts = {{"MS Sans Serif", 8, 0}, {"MS Sans Serif", 14, 0}, {}};
    section.fontCount = kMainDefaultFontCount;
    return section;
}

SkinSection PianoDefaults()
{
    static constexpr const char* kNames[kPianoFieldCount] = {
        "",        "LEVEL", "MUTE",  "SOLO",    "ACTIVE",  "VOL",        "PAN",   "LOOP",
        "HOLD",    "SYNC",  "PITCHBEND", "NOTE+", "NOTE-", "WHITE",      "BLACK", "SUPPORT",
        "NOTE",    "NOTEBORDER", "PLAY1", "PLAYLOOP", "STOP", "ALONE1", "ALONELOOP", "SEQUENCE",
    };
    SkinSection section;
    section.fields.resize(kPianoFieldCount);
    for (size_t i = 1; i < kPianoFieldCount; ++i) {
        SkinField& field = section.fields[i];
        field.name = kNames[i];
        field.windowStyle = kChildControlStyle;
        field.found = true;
        field.control = i <= static_cast<size_t>(PianoField::Sync);
    }
    section.textLimit = kPianoTextLimit;
    section.borderLimit = kPianoBorderLimit;
    section.bitmapLimit = kPianoBitmapLimit;
    return section;
}

BitmapDefinitions BitmapDefinitionDefaults()
{
    using K = BitmapKind;
    struct Row {
        const char* name;
        int32_t source;
        K kind;
        int32_t transparent;
    };
    static constexpr Row kRows[kBitmapDefinitionCount] = {
        {"BMMute", 2350, K::OffOn, 0},          {"BMSolo", 2352, K::OffOn, 0},
        {"BMLoop", 2354, K::OffOn, -1},         {"BMHold", 2, K::ButtonFace, 0},
        {"BMSync", 2, K::ButtonFace, 0},        {"BMActive", 2360, K::OffOn, -1},
        {"BMNote+", 2362, K::OffOn, -1},        {"BMNote-", 2364, K::OffOn, -1},
        {"BMPan", 220, K::OffOn, -1},           {"BMKeyboard", kSourceNone, K::Single, -1},
        {"BMPlay1", 26020, K::Single, -1},      {"BMPlayLoop", 223, K::Single, -1},
        {"BMStop", 26021, K::Single, -1},       {"BMAlone1", 26023, K::Single, -1},
        {"BMAloneLoop", 26022, K::Single, -1},  {"BMVol", kSourceNone, K::Three, -1},
        {"BMPitchBend", kSourceNone, K::Three, -1}, {"BMSequence", 26020, K::Single, -1},
    };
    BitmapDefinitions definitions;
    for (size_t i = 0; i < kBitmapDefinitionCount; ++i) {
        definitions[i].name = kRows[i].name;
        definitions[i].source = kRows[i].source;
        definitions[i].kind = kRows[i].kind;
        definitions[i].transparent = kRows[i].transparent;
    }
    return definitions;
}

ImageSize BuiltinImageSize(int32_t number)
{
    const auto* end = std::end(kBuiltinImages);
    const auto* it = std::find_if(std::begin(kBuiltinImages), end,
                                  [number](const BuiltinImage& image) { return image.number == number; });
    return it == end ? ImageSize{} : it->size;
}

const std::vector<int32_t>& BuiltinImageNumbers()
{
    static const std::vector<int32_t> numbers = [] {
        std::vector<int32_t> all;
        for (const BuiltinImage& image : kBuiltinImages) {
            all.push_back(image.number);
        }
        return all;
    }();
    return numbers;
}

}  // namespace tessaron::skin
