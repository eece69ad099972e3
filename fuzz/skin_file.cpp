// Feeds arbitrary text to the skin reader: no crash, every table within its limits, and
// reading the same text twice gives the same tables.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "skin/CSkinFile.h"
#include "skin/SkinImagePlan.h"
#include "cli/SkinJson.h"

namespace {

void Check(bool condition)
{
    if (!condition) {
        __builtin_trap();
    }
}

std::string ReadAll(tessaron::CSkinFile& skin, std::string_view text)
{
    skin.LoadText(text, "skins\\fuzz/skin.ini");
    skin.LoadBitmapDefinitions();
    skin.ParseMain();
    skin.ParsePiano();
    return tessaron::cli::SkinToJson(skin).dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace tessaron;
    using namespace tessaron::skin;
    // Most inputs carry the header, so that the parser is reached.
    std::string text(reinterpret_cast<const char*>(data), size);
    if (size > 0 && (data[0] & 1)) {
        text.insert(0, CSkinFile::kHeader);
    }
    CSkinFile skin;
    const std::string first = ReadAll(skin, text);
    Check(skin.Piano().texts.size() <= kPianoTextLimit);
    Check(skin.Piano().borders.size() <= kPianoBorderLimit);
    Check(skin.Piano().bitmaps.size() <= kPianoBitmapLimit);
    Check(skin.Main().fontCount >= 1 && skin.Main().fontCount <= static_cast<int32_t>(kMainFontSlots));
    const SkinMainValues values = skin.MainValues();
    Check(values.pianoHeight > 0 && values.octaves >= 1 && values.octaves <= SkinMainValues::kMaxOctaves);
    const ImagePlans plans = PlanImages(skin.BitmapDefinitions(), skin.BitmapFolder());
    for (size_t i = 0; i < plans.size(); ++i) {
        Check(plans[i].sharesWith < static_cast<int32_t>(i));
    }
    CSkinFile again;
    Check(ReadAll(again, text) == first);
    return 0;
}
