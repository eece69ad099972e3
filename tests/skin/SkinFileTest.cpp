#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "skin/CSkinFile.h"
#include "support/TempDir.h"

namespace tessaron {
namespace {

using namespace skin;

const std::string kHeader = "<Tessaron Config>\n";

CSkinFile Parsed(const std::string& text, const std::string& path = "/skins/test.ini")
{
    CSkinFile skin;
    EXPECT_TRUE(skin.LoadText(text, path));
    skin.LoadBitmapDefinitions();
    skin.ParseMain();
    skin.ParsePiano();
    return skin;
}

void ExpectAllViews(const SkinMainValues& values, int32_t text, int32_t background)
{
    for (const ColourPair& pair : values.colours) {
        EXPECT_EQ(pair.text, text);
        EXPECT_EQ(pair.background, background);
    }
}

TEST(SkinFile, WithoutASkinEveryDefaultHolds)
{
    test::TempDir dir;
    CSkinFile skin;
    EXPECT_FALSE(skin.LoadAndParse(dir.file("missing.ini")));
    EXPECT_FALSE(skin.IsLoaded());
    const SkinMainValues values = skin.MainValues();
    ExpectAllViews(values, PackRgb(255, 255, 255), PackRgb(30, 30, 30));
    EXPECT_EQ(values.pianoHeight, 336);
    EXPECT_EQ(values.octaves, 2);
    EXPECT_EQ(skin.Main().fontCount, 2);
    EXPECT_EQ(skin.Main().fonts[0].face, "MS Sans Serif");
    EXPECT_EQ(skin.Main().fonts[1].size, 14);
    EXPECT_EQ(skin.PianoField(PianoField::Mute).ct, kNoColour);
    EXPECT_TRUE(skin.PianoField(PianoField::Sequence).found);
    EXPECT_TRUE(skin.PianoField(PianoField::Sync).control);
    EXPECT_FALSE(skin.PianoField(PianoField::PitchBend).control);
    EXPECT_EQ(skin.PianoField(PianoField::Level).windowStyle, kChildControlStyle);
}

TEST(SkinFile, HeaderEmptinessAndSizeDecideTheLoad)
{
    test::TempDir dir;
    auto write = [&](const std::string& name, const std::string& text) {
        std::ofstream(dir.file(name), std::ios::binary) << text;
        return dir.file(name);
    };
    CSkinFile skin;
    EXPECT_FALSE(skin.Load(write("empty.ini", "")));
    EXPECT_FALSE(skin.Load(write("other.ini", "<Other Config>\n%MAIN\n:PIANO 0 0 0 250\n")));
    skin.ParseMain();
    EXPECT_EQ(skin.MainValues().pianoHeight, 336) << "a file without the header is not read";
    // The header may stand anywhere; the text ends at its first zero byte.
    EXPECT_TRUE(skin.Load(write("late.ini", "// a skin\n%MAIN\n:PIANO 0 0 0 250\n" + kHeader)));
    skin.ParseMain();
    EXPECT_EQ(skin.MainValues().pianoHeight, 250);
    EXPECT_FALSE(skin.Load(write("zero.ini", std::string("%MAIN\n\0", 7) + kHeader)));
    EXPECT_FALSE(skin.Load(write("huge.ini", kHeader + std::string(CSkinFile::kMaxFileSize, ' '))));
    EXPECT_FALSE(skin.Load(dir.path().string()));  // a folder
}

TEST(SkinFile, MainSectionColoursHeightAndOctaves)
{
    // A MAIN section without a PIANO line: the views fall back to black on RGB(180,180,185).
    ExpectAllViews(Parsed(kHeader + "%MAIN\n:MAIN 1 2 3 4\n").MainValues(), 0, PackRgb(180, 180, 185));

    CSkinFile skin = Parsed(kHeader + "%MAIN\n"
                                      ":piano 0 0 0 250 0 9 RGB(1,2,3) RGB(4,5,6)\n"
                                      ":Media 0 0 0 0 0 -1 -1\n"
                                      ":EVENT 0 0 0 0 0 -1 #0000FF\n"
                                      ":MAIN -1 -1 -1 0\n");
    SkinMainValues values = skin.MainValues();
    EXPECT_EQ(values.pianoHeight, 250);
    EXPECT_EQ(values.octaves, 2) << "9 octaves are out of range";
    EXPECT_EQ(values.Colours(SkinView::Piano), (ColourPair{PackRgb(1, 2, 3), PackRgb(4, 5, 6)}));
    // A found line without colours keeps the table's white on RGB(30,30,30).
    EXPECT_EQ(values.Colours(SkinView::Media), (ColourPair{PackRgb(255, 255, 255), PackRgb(30, 30, 30)}));
    EXPECT_EQ(values.Colours(SkinView::Event), (ColourPair{0xFF, PackRgb(30, 30, 30)}));
    EXPECT_EQ(values.Colours(SkinView::Timeline), (ColourPair{0, PackRgb(180, 180, 185)}));
    EXPECT_EQ(values.w, -1);
    EXPECT_EQ(values.x, -1);

    EXPECT_EQ(Parsed(kHeader + "%MAIN\n:PIANO 0 0 0 200 0 7\n").MainValues().octaves, 7);
    EXPECT_EQ(Parsed(kHeader + "%MAIN\n:PIANO 0 0 0 200 0 1\n").MainValues().octaves, 1);
    EXPECT_EQ(Parsed(kHeader + "%MAIN\n:PIANO 0 0 0 200 0 0\n").MainValues().octaves, 2);
    // A piano line without a height keeps the piano view visible.
    EXPECT_EQ(Parsed(kHeader + "%MAIN\n:PIANO 0 0 0 0 0 3\n").MainValues().pianoHeight, 336);
}

TEST(SkinFile, FieldLines)
{
    CSkinFile skin = Parsed(kHeader + "%PIANO\n"
                                      ":MUTE 1 2 3 4 \"Mute it\" 5 6\n"
                                      ":MUTE 9 9 9 9\n"  // a name is taken once per parse
                                      ":solo 1 2 3 4 8 1 RGB(9,9,9) -1 RGB(7,7,7)\n"
                                      ":LOOP 1 2 3 4 0 -1 #10 #20 #30 \"Loop\"\n"
                                      ":VOL 5 6 x 8 9\n"
                                      ":UNKNOWN 1 2 3\n");
    const SkinField& mute = skin.PianoField(PianoField::Mute);
    EXPECT_TRUE(mute.found);
    EXPECT_EQ((std::array{mute.x, mute.y, mute.w, mute.h}), (std::array{1, 2, 3, 4}));
    EXPECT_EQ(mute.tooltip, "Mute it");
    EXPECT_EQ(mute.opt, 0);
    EXPECT_EQ(mute.font, -1);
    EXPECT_EQ(mute.ct, kNoColour);

    // cb is -1, so co is not read; a colour the line leaves out keeps the table's.
    const SkinField& solo = skin.PianoField(PianoField::Solo);
    EXPECT_EQ(solo.opt, 8);
    EXPECT_EQ(solo.font, 1);
    EXPECT_EQ(solo.ct, PackRgb(9, 9, 9));
    EXPECT_EQ(solo.cb, kNoColour);
    EXPECT_EQ(solo.co, kNoColour);
    EXPECT_TRUE(solo.tooltip.empty());

    const SkinField& loop = skin.PianoField(PianoField::Loop);
    EXPECT_EQ((std::array{loop.ct, loop.cb, loop.co}), (std::array{0x10, 0x20, 0x30}));
    EXPECT_EQ(loop.tooltip, "Loop");

    const SkinField& vol = skin.PianoField(PianoField::Vol);
    EXPECT_EQ((std::array{vol.x, vol.y, vol.w, vol.h, vol.opt}), (std::array{5, 6, 0, 0, 0}));

    // Fields the section does not name are not found after its parse.
    EXPECT_FALSE(skin.PianoField(PianoField::Hold).found);
    EXPECT_FALSE(skin.PianoField(PianoField::Sequence).found);
}

TEST(SkinFile, SectionsAreFoundOnlyByRealHeaders)
{
    CSkinFile skin = Parsed(kHeader + "// old: %PIANO\n:MUTE 1 1 1 1\n"
                                      "%MAIN\n:PIANO 0 0 0 222\n:MUTE 2 2 2 2\n"
                                      "%PIANO\n:MUTE 3 3 3 3\n:PIANO 0 0 0 111\n");
    EXPECT_EQ(skin.PianoField(PianoField::Mute).x, 3);
    EXPECT_EQ(skin.MainValues().pianoHeight, 222) << "the MAIN section ends at %PIANO";
}

TEST(SkinFile, Fonts)
{
    // A lone FONT1 line: font 1 is made, and font 0 keeps its default.
    CSkinFile one = Parsed(kHeader + "%MAIN\n:FONT1 20 3 \"Serif\"\n");
    EXPECT_EQ(one.Main().fontCount, 2);
    EXPECT_EQ(one.Main().fonts[1].face, "Serif");
    EXPECT_EQ(one.Main().fonts[1].size, 20);
    EXPECT_EQ(one.Main().fonts[1].style, kFontBold | kFontItalic);
    EXPECT_EQ(one.Main().fonts[0].face, "MS Sans Serif");

    EXPECT_EQ(Parsed(kHeader + "%MAIN\n:FONT0 10 0 \"A\"\n").Main().fontCount, 1);
    CSkinFile three = Parsed(kHeader + "%MAIN\n:FONT2 7 4 \"Narrow\"\n:FONT3 1 1 \"no slot\"\n:FONTS 1\n");
    EXPECT_EQ(three.Main().fontCount, 3);
    EXPECT_EQ(three.Main().fonts[2].style, kFontVertical);
    EXPECT_EQ(three.Main().fonts.size(), 3u);
    // A FONT line without a face keeps the table's face.
    EXPECT_EQ(Parsed(kHeader + "%MAIN\n:FONT0 11\n").Main().fonts[0].face, "MS Sans Serif");
    // The piano section takes no fonts.
    EXPECT_TRUE(Parsed(kHeader + "%PIANO\n:FONT0 11 0 \"X\"\n").Piano().fonts.empty());

    EXPECT_EQ(FontPixelHeight(96, 8), 10);
    EXPECT_EQ(FontPixelHeight(96, 14), 18);
    EXPECT_EQ(FontPixelHeight(120, 12), 20);
}

TEST(SkinFile, DecorationLinesStopAtTheirLimits)
{
    std::string text = kHeader + "%PIANO\n";
    for (int i = 0; i < 21; ++i) {
        text += ":TEXT " + std::to_string(i) + " 1 2 3 1 #FF \"t" + std::to_string(i) + "\"\n";
    }
    for (int i = 0; i < 11; ++i) {
        text += ":BORDER " + std::to_string(i) + " 1 2 3 RGB(1,1,1) RGB(2,2,2)\n";
    }
    for (int i = 0; i < 4; ++i) {
        text += ":bitmap " + std::to_string(i) + " 1 2 3 4 0 \"b.bmp\"\n";
    }
    const CSkinFile skin = Parsed(text);
    ASSERT_EQ(skin.Piano().texts.size(), 20u);
    EXPECT_EQ(skin.Piano().texts[19].text, "t19");
    EXPECT_EQ(skin.Piano().texts[0].font, 1);
    EXPECT_EQ(skin.Piano().texts[0].colour, 0xFF);
    ASSERT_EQ(skin.Piano().borders.size(), 10u);
    EXPECT_EQ(skin.Piano().borders[9].background, PackRgb(2, 2, 2));
    ASSERT_EQ(skin.Piano().bitmaps.size(), 3u);
    EXPECT_EQ(skin.Piano().bitmaps[2].option, 4);
    EXPECT_EQ(skin.Piano().bitmaps[2].transparent, 0);
    EXPECT_EQ(skin.Piano().bitmaps[2].file, "b.bmp");
    // MAIN has no room for decorations.
    EXPECT_TRUE(Parsed(kHeader + "%MAIN\n:TEXT 1 1 1 1 0 0 \"x\"\n").Main().texts.empty());
}

TEST(SkinFile, BitmapDefinitions)
{
    const CSkinFile skin = Parsed(kHeader + "%BITMAPDEF\n"
                                            ":BMDirectory \"art\\buttons\\\"\n"
                                            ":BMDirectory \"second\"\n"
                                            ":BMMute \"m-off.bmp\" \"m-on.bmp\" 255\n"
                                            ":BMMute \"again.bmp\"\n"
                                            ":bmsolo \"lower case is another name.bmp\"\n"
                                            ":BMKeyboard \"keys.png\"\n"
                                            ":BMVol \"t.png\" \"a.png\" \"b.png\" RGB(255,0,255)\n"
                                            ":BMLoop \"\" \"on.bmp\" \"third.bmp\"\n",
                                  "C:\\skins\\mine.ini");
    EXPECT_EQ(skin.SkinFolder(), "C:/skins/");
    EXPECT_EQ(skin.BitmapFolder(), "C:/skins/art/buttons/");
    const BitmapDefinitions& d = skin.BitmapDefinitions();
    EXPECT_EQ(d[0].offFile, "m-off.bmp");
    EXPECT_EQ(d[0].onFile, "m-on.bmp");
    EXPECT_EQ(d[0].transparent, 255);
    EXPECT_EQ(d[0].source, 2350);
    EXPECT_TRUE(d[1].offFile.empty());
    EXPECT_EQ(d[1].transparent, 0);
    EXPECT_EQ(d[9].source, kSourceFilesOnly) << "a definition without a bitmap that a skin names";
    EXPECT_EQ(d[9].offFile, "keys.png");
    EXPECT_EQ(d[9].transparent, kNoColour);
    EXPECT_EQ(d[15].thirdFile, "b.png");
    EXPECT_EQ(d[15].transparent, PackRgb(255, 0, 255));
    EXPECT_TRUE(d[2].offFile.empty());
    EXPECT_EQ(d[2].thirdFile, "third.bmp");
    EXPECT_EQ(d[2].kind, BitmapKind::OffOn);
}

TEST(SkinFile, ALaterSkinStartsFromTheDefaults)
{
    CSkinFile skin = Parsed(kHeader + "%MAIN\n:PIANO 0 0 0 250 0 4\n:FONT0 20 0 \"Big\"\n"
                                      "%PIANO\n:TEXT 1 1 1 1 0 0 \"x\"\n:MUTE 1 2 3 4\n"
                                      "%BITMAPDEF\n:BMDirectory \"d\"\n:BMKeyboard \"k.png\"\n");
    EXPECT_TRUE(skin.LoadText(kHeader + "%MAIN\n", "/other/b.ini"));
    skin.LoadBitmapDefinitions();
    skin.ParseMain();
    skin.ParsePiano();
    EXPECT_EQ(skin.MainValues().pianoHeight, 336);
    EXPECT_EQ(skin.Main().fonts[0].face, "MS Sans Serif");
    EXPECT_TRUE(skin.Piano().texts.empty());
    EXPECT_EQ(skin.PianoField(PianoField::Mute).x, 0);
    EXPECT_EQ(skin.BitmapDefinitions()[9].source, kSourceNone);
    EXPECT_EQ(skin.BitmapFolder(), "/other/");
    // Parsing a section twice gives the same tables: names taken in one parse free up again.
    skin.ParsePiano();
    skin.ParsePiano();
    EXPECT_EQ(skin.PianoField(PianoField::Mute).x, 0);
}

}  // namespace
}  // namespace tessaron
