#include "skin/CSkinFile.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>

#include "skin/SkinPaths.h"

namespace tessaron {

using namespace skin;

namespace {

std::string UpperCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

int32_t NumberOr(SkinReader& reader, int32_t fallback) { return reader.Number().value_or(fallback); }
std::string StringOr(SkinReader& reader, std::string fallback) { return reader.String().value_or(std::move(fallback)); }

}  // namespace

CSkinFile::CSkinFile() { Reset(); }

void CSkinFile::Reset()
{
    text_.clear();
    text_.shrink_to_fit();
    path_.clear();
    skinFolder_.clear();
    bitmapDirectory_.clear();
    loaded_ = false;
    main_ = MainDefaults();
    piano_ = PianoDefaults();
    bitmapDefinitions_ = BitmapDefinitionDefaults();
}

bool CSkinFile::Load(const std::string& path)
{
    Reset();
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    std::string text;
    char chunk[65536];
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
        text.append(chunk, static_cast<size_t>(in.gcount()));
        if (text.size() > kMaxFileSize) {
            return false;
        }
    }
    if (in.bad()) {
        return false;
    }
    return LoadText(text, path);
}

bool CSkinFile::LoadText(std::string_view text, const std::string& path)
{
    Reset();
    // The text ends at its first zero byte, as a C string would.
    text = text.substr(0, text.find('\0'));
    if (text.empty() || text.size() > kMaxFileSize || text.find(kHeader) == std::string_view::npos) {
        return false;
    }
    text_ = text;
    path_ = path;
    skinFolder_ = skin::SkinFolder(path);
    loaded_ = true;
    return true;
}

bool CSkinFile::LoadAndParse(const std::string& path)
{
    const bool loaded = Load(path);
    LoadBitmapDefinitions();
    ParseMain();
    ParsePiano();
    return loaded;
}

std::string CSkinFile::BitmapFolder() const
{
    return bitmapDirectory_.empty() ? skinFolder_ : skin::BitmapFolder(skinFolder_, bitmapDirectory_);
}

const SkinField& CSkinFile::MainField(skin::MainField field) const { return main_.fields[static_cast<size_t>(field)]; }
const SkinField& CSkinFile::PianoField(skin::PianoField field) const { return piano_.fields[static_cast<size_t>(field)]; }

void CSkinFile::ParseMain()
{
    main_ = MainDefaults();
    SkinReader reader(text_);
    if (loaded_ && reader.FindSection("MAIN")) {
        ParseSection(reader, main_);
    }
}

void CSkinFile::ParsePiano()
{
    piano_ = PianoDefaults();
    SkinReader reader(text_);
    if (loaded_ && reader.FindSection("PIANO")) {
        ParseSection(reader, piano_);
    }
}

void CSkinFile::ParseFieldLine(SkinReader& reader, SkinField& field)
{
    SkinField line;
    line.x = NumberOr(reader, 0);
    line.y = NumberOr(reader, 0);
    line.w = NumberOr(reader, 0);
    line.h = NumberOr(reader, 0);
    line.opt = NumberOr(reader, 0);
    line.font = NumberOr(reader, -1);
    line.ct = NumberOr(reader, kNoColour);
    if (line.ct != kNoColour) {
        line.cb = NumberOr(reader, kNoColour);
        if (line.cb != kNoColour) {
            line.co = NumberOr(reader, kNoColour);
        }
    }
    line.tooltip = StringOr(reader, {});

    field.x = line.x;
    field.y = line.y;
    field.w = line.w;
    field.h = line.h;
    field.opt = line.opt;
    field.font = line.font;
    field.tooltip = line.tooltip;
    // A colour the line does not give keeps the table's.
    if (line.ct != kNoColour) {
        field.ct = line.ct;
    }
    if (line.cb != kNoColour) {
        field.cb = line.cb;
    }
    if (line.co != kNoColour) {
        field.co = line.co;
    }
    field.found = true;
}

void CSkinFile::ParseSection(SkinReader& reader, SkinSection& section)
{
    for (SkinField& field : section.fields) {
        field.found = false;
    }
    std::vector<bool> taken(section.fields.size(), false);
    int32_t fontsRead = 0;

    while (const auto keyword = reader.NextLine()) {
        const std::string name = UpperCase(*keyword);
        if (name == "TEXT") {
            if (section.texts.size() < section.textLimit) {
                SkinText text;
                text.x = NumberOr(reader, 0);
                text.y = NumberOr(reader, 0);
                text.w = NumberOr(reader, 0);
                text.h = NumberOr(reader, 0);
                text.font = NumberOr(reader, -1);
                text.colour = NumberOr(reader, kNoColour);
                text.text = StringOr(reader, {});
                section.texts.push_back(std::move(text));
            }
        } else if (name == "BORDER") {
            if (section.borders.size() < section.borderLimit) {
                SkinBorder border;
                border.x = NumberOr(reader, 0);
                border.y = NumberOr(reader, 0);
                border.w = NumberOr(reader, 0);
                border.h = NumberOr(reader, 0);
                border.border = NumberOr(reader, kNoColour);
                border.background = NumberOr(reader, kNoColour);
                section.borders.push_back(border);
            }
        } else if (name == "BITMAP") {
            if (section.bitmaps.size() < section.bitmapLimit) {
                SkinBitmap bitmap;
                bitmap.x = NumberOr(reader, 0);
                bitmap.y = NumberOr(reader, 0);
                bitmap.w = NumberOr(reader, 0);
                bitmap.h = NumberOr(reader, 0);
                bitmap.option = NumberOr(reader, 0);
                bitmap.transparent = NumberOr(reader, kNoColour);
                bitmap.file = StringOr(reader, {});
                section.bitmaps.push_back(std::move(bitmap));
            }
        } else if (name.size() == 5 && name.starts_with("FONT")) {
            const int number = name[4] - '0';
            if (number >= 0 && static_cast<size_t>(number) < section.fonts.size()) {
                SkinFont& font = section.fonts[static_cast<size_t>(number)];
                font.size = NumberOr(reader, font.size);
                font.style = NumberOr(reader, font.style);
                font.face = StringOr(reader, font.face);
                // Every font up to the highest one a line gives is made.
                fontsRead = std::max(fontsRead, number + 1);
            }
        } else {
            for (size_t i = 1; i < section.fields.size(); ++i) {
                if (!taken[i] && section.fields[i].name == name) {
                    taken[i] = true;
                    ParseFieldLine(reader, section.fields[i]);
                    break;
                }
            }
        }
    }
    if (fontsRead > 0) {
        section.fontCount = fontsRead;
    }
}

void CSkinFile::LoadBitmapDefinitions()
{
    bitmapDefinitions_ = BitmapDefinitionDefaults();
    bitmapDirectory_.clear();
    SkinReader reader(text_);
    if (!loaded_ || !reader.FindSection("BITMAPDEF")) {
        return;
    }
    std::vector<bool> taken(kBitmapDefinitionCount, false);
    bool directoryTaken = false;
    while (const auto keyword = reader.NextLine()) {
        if (*keyword == "BMDirectory") {
            if (!directoryTaken) {
                directoryTaken = true;
                bitmapDirectory_ = StringOr(reader, {});
            }
            continue;
        }
        for (size_t i = 0; i < kBitmapDefinitionCount; ++i) {
            BitmapDefinition& definition = bitmapDefinitions_[i];
            if (taken[i] || definition.name != *keyword) {
                continue;
            }
            taken[i] = true;
            definition.offFile = StringOr(reader, {});
            definition.onFile = StringOr(reader, {});
            if (reader.NextIsQuote()) {
                definition.thirdFile = StringOr(reader, {});
            }
            definition.transparent = NumberOr(reader, kNoColour);
            if (definition.source == kSourceNone) {
                definition.source = kSourceFilesOnly;
            }
            break;
        }
    }
}

SkinMainValues CSkinFile::MainValues() const
{
    SkinMainValues values;
    for (size_t view = 0; view < kSkinViewCount; ++view) {
        const SkinField& field = main_.fields[static_cast<size_t>(skin::MainField::Piano) + view];
        ColourPair pair{SkinMainValues::kUnsetText, SkinMainValues::kUnsetBackground};
        if (field.found) {
            if (field.ct != kNoColour) {
                pair.text = field.ct;
            }
            if (field.cb != kNoColour) {
                pair.background = field.cb;
            }
        }
        values.colours[view] = pair;
    }
    const SkinField& piano = MainField(skin::MainField::Piano);
    if (piano.found) {
        // A piano view of no height would vanish: only a real height replaces the default.
        if (piano.h > 0) {
            values.pianoHeight = piano.h;
        }
        values.octaves = piano.font >= 1 && piano.font <= SkinMainValues::kMaxOctaves ? piano.font
                                                                                        : SkinMainValues::kDefaultOctaves;
    }
    const SkinField& window = MainField(skin::MainField::Main);
    values.x = window.x;
    values.y = window.y;
    values.w = window.w;
    values.h = window.h;
    return values;
}

}  // namespace tessaron
