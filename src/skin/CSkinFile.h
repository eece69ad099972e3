#pragma once

#include <string>
#include <string_view>

#include "skin/SkinDefaults.h"
#include "skin/SkinMainValues.h"
#include "skin/SkinReader.h"
#include "skin/SkinRecords.h"

namespace tessaron {

// A skin file: the look of the main window and the layout of the piano view, read from a
// text file that starts (anywhere) with "<Tessaron Config>". Plain C++, so that
// `tessaron-cli skin` and the tests read skins exactly as the program does.
//
// Order of use, at start-up and whenever the user picks another skin:
//   CSkinFile skin;
//   skin.Load(path);                 // a failed load leaves every table at its defaults
//   skin.LoadBitmapDefinitions();    // then SkinBitmaps (Qt) loads the images
//   skin.ParseMain();                // the main frame: colours, piano height, fonts
//   const SkinMainValues look = skin.MainValues();
//   skin.ParsePiano();               // the piano view, when it sets itself up
// The main frame tells its views that the skin goes away (hint 28) before Load and that a new
// one is there (hint 29) after ParseMain; the piano view calls ParsePiano on hint 29.
class CSkinFile {
public:
    static constexpr std::string_view kHeader = "<Tessaron Config>";
    static constexpr std::string_view kDefaultName = "rqconfig.ini";
    // A longer file is not a skin; refusing it keeps a wrong pick from eating memory.
    static constexpr size_t kMaxFileSize = 16u << 20;

    CSkinFile();

    // Reset, then read the file and check its header. A file that cannot be read, is empty,
    // too long or lacks the header leaves an empty skin with all defaults, and false.
    bool Load(const std::string& path);
    // The same on a text already in memory; `path` gives the skin folder.
    bool LoadText(std::string_view text, const std::string& path);
    // Load, then the BITMAPDEF, MAIN and PIANO sections, as the program does at start-up.
    bool LoadAndParse(const std::string& path);
    // Forgets the file and restores every table's defaults.
    void Reset();

    bool IsLoaded() const { return loaded_; }
    const std::string& Path() const { return path_; }
    // The folder of the skin file (with its closing "/"), empty for a bare file name.
    const std::string& SkinFolder() const { return skinFolder_; }
    // The skin folder followed by the BMDirectory value, when the skin gives one.
    std::string BitmapFolder() const;
    const std::string& BitmapDirectory() const { return bitmapDirectory_; }

    // Each restores its tables' defaults and then reads its section when the skin has one.
    void LoadBitmapDefinitions();
    void ParseMain();
    void ParsePiano();

    const skin::SkinSection& Main() const { return main_; }
    const skin::SkinSection& Piano() const { return piano_; }
    const skin::BitmapDefinitions& BitmapDefinitions() const { return bitmapDefinitions_; }
    // Sizes found when the images are loaded (SkinBitmaps).
    skin::BitmapDefinitions& MutableBitmapDefinitions() { return bitmapDefinitions_; }

    // What the main frame takes from the MAIN section.
    skin::SkinMainValues MainValues() const;
    const skin::SkinField& MainField(skin::MainField field) const;
    const skin::SkinField& PianoField(skin::PianoField field) const;

private:
    void ParseSection(skin::SkinReader& reader, skin::SkinSection& section);
    void ParseFieldLine(skin::SkinReader& reader, skin::SkinField& field);

    std::string text_;
    std::string path_;
    std::string skinFolder_;
    std::string bitmapDirectory_;
    bool loaded_ = false;
    skin::SkinSection main_;
    skin::SkinSection piano_;
    skin::BitmapDefinitions bitmapDefinitions_;
};

}  // namespace tessaron
