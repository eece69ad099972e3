#include "cli/SkinJson.h"

#include "skin/CSkinFile.h"
#include "skin/SkinImagePlan.h"

namespace tessaron::cli {

using Json = nlohmann::ordered_json;
using namespace skin;

namespace {

Json Text(const std::string& text) { return text.empty() ? Json(nullptr) : Json(text); }

Json FieldJson(size_t index, const SkinField& field)
{
    return Json{{"index", index},     {"name", field.name}, {"windowStyle", field.windowStyle},
                {"x", field.x},       {"y", field.y},       {"w", field.w},
                {"h", field.h},       {"ct", field.ct},     {"cb", field.cb},
                {"co", field.co},     {"tooltip", Text(field.tooltip)},
                {"opt", field.opt},   {"font", field.font}, {"found", field.found},
                {"control", field.control}};
}

Json FieldsJson(const SkinSection& section)
{
    Json fields = Json::array();
    for (size_t i = 1; i < section.fields.size(); ++i) {
        fields.push_back(FieldJson(i, section.fields[i]));
    }
    return fields;
}

Json SectionJson(const SkinSection& section)
{
    Json json{{"fields", FieldsJson(section)}};
    Json texts = Json::array();
    for (const SkinText& t : section.texts) {
        texts.push_back({{"x", t.x}, {"y", t.y}, {"w", t.w}, {"h", t.h}, {"font", t.font}, {"colour", t.colour},
                         {"text", Text(t.text)}});
    }
    Json borders = Json::array();
    for (const SkinBorder& b : section.borders) {
        borders.push_back({{"x", b.x}, {"y", b.y}, {"w", b.w}, {"h", b.h}, {"border", b.border},
                           {"background", b.background}});
    }
    Json bitmaps = Json::array();
    for (const SkinBitmap& b : section.bitmaps) {
        bitmaps.push_back({{"x", b.x}, {"y", b.y}, {"w", b.w}, {"h", b.h}, {"option", b.option},
                           {"transparent", b.transparent}, {"file", Text(b.file)}});
    }
    json["texts"] = texts;
    json["borders"] = borders;
    json["bitmaps"] = bitmaps;
    return json;
}

Json ImageJson(const ImageSource& image)
{
    switch (image.from) {
    case ImageSource::From::File:
        return {{"file", image.path}};
    case ImageSource::From::Builtin: {
        const ImageSize size = BuiltinImageSize(image.number);
        return {{"builtin", image.number}, {"width", size.width}, {"height", size.height}};
    }
    case ImageSource::From::Nothing:
        break;
    }
    return nullptr;
}

Json DefinitionsJson(const CSkinFile& skin)
{
    const ImagePlans plans = PlanImages(skin.BitmapDefinitions(), skin.BitmapFolder());
    Json definitions = Json::array();
    for (size_t i = 0; i < kBitmapDefinitionCount; ++i) {
        const BitmapDefinition& d = skin.BitmapDefinitions()[i];
        const ImagePlan& plan = plans[i];
        Json images = Json::array();
        for (const ImageSource& image : plan.images) {
            images.push_back(ImageJson(image));
        }
        definitions.push_back({{"index", i},
                               {"name", d.name},
                               {"source", d.source},
                               {"transparent", d.transparent},
                               {"kind", static_cast<int>(d.kind)},
                               {"offFile", Text(d.offFile)},
                               {"onFile", Text(d.onFile)},
                               {"thirdFile", Text(d.thirdFile)},
                               {"sharesWith", plan.sharesWith < 0 ? Json(nullptr) : Json(plan.sharesWith)},
                               {"images", images}});
    }
    return definitions;
}

Json AppliedJson(const SkinMainValues& values)
{
    static const char* const kViews[kSkinViewCount] = {"piano", "media", "event", "timeline"};
    Json colours = Json::object();
    for (size_t i = 0; i < kSkinViewCount; ++i) {
        colours[kViews[i]] = {{"text", values.colours[i].text}, {"background", values.colours[i].background}};
    }
    return {{"colours", colours},
            {"pianoHeight", values.pianoHeight},
            {"octaves", values.octaves},
            {"window", {{"x", values.x}, {"y", values.y}, {"w", values.w}, {"h", values.h}}}};
}

}  // namespace

Json SkinToJson(const CSkinFile& skin)
{
    Json json;
    json["path"] = skin.Path();
    json["loaded"] = skin.IsLoaded();
    json["skinFolder"] = skin.SkinFolder();
    json["bitmapDirectory"] = Text(skin.BitmapDirectory());
    json["bitmapFolder"] = skin.BitmapFolder();

    Json main = SectionJson(skin.Main());
    main.erase("texts");
    main.erase("borders");
    main.erase("bitmaps");
    Json fonts = Json::array();
    for (size_t i = 0; i < skin.Main().fonts.size(); ++i) {
        const SkinFont& font = skin.Main().fonts[i];
        fonts.push_back({{"number", i}, {"face", Text(font.face)}, {"size", font.size}, {"style", font.style},
                         {"made", static_cast<int32_t>(i) < skin.Main().fontCount && !font.face.empty()}});
    }
    main["fonts"] = fonts;
    main["fontCount"] = skin.Main().fontCount;
    json["main"] = main;
    json["piano"] = SectionJson(skin.Piano());
    json["bitmapDefinitions"] = DefinitionsJson(skin);
    json["applied"] = AppliedJson(skin.MainValues());
    return json;
}

}  // namespace tessaron::cli
