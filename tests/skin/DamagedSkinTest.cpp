// Skins cut short or with bytes changed anywhere still read into tables within their limits.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "skin/CSkinFile.h"
#include "skin/SkinImagePlan.h"

namespace tessaron {
namespace {

using namespace skin;

std::string ShippedSkin(const std::string& name)
{
    std::ifstream in(std::string(TESSARON_SOURCE_DIR) + "/data/skins/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void ExpectWithinLimits(const CSkinFile& skin)
{
    EXPECT_LE(skin.Piano().texts.size(), kPianoTextLimit);
    EXPECT_LE(skin.Piano().borders.size(), kPianoBorderLimit);
    EXPECT_LE(skin.Piano().bitmaps.size(), kPianoBitmapLimit);
    EXPECT_EQ(skin.Piano().fields.size(), kPianoFieldCount);
    EXPECT_EQ(skin.Main().fields.size(), kMainFieldCount);
    EXPECT_GE(skin.Main().fontCount, 1);
    EXPECT_LE(skin.Main().fontCount, static_cast<int32_t>(kMainFontSlots));
    const SkinMainValues values = skin.MainValues();
    EXPECT_GT(values.pianoHeight, 0);
    EXPECT_GE(values.octaves, 1);
    EXPECT_LE(values.octaves, 7);
    PlanImages(skin.BitmapDefinitions(), skin.BitmapFolder());
}

void ParseText(const std::string& text)
{
    CSkinFile skin;
    skin.LoadText(text, "/skins/damaged.ini");
    skin.LoadBitmapDefinitions();
    skin.ParseMain();
    skin.ParsePiano();
    ExpectWithinLimits(skin);
}

TEST(DamagedSkin, ShippedSkinsReadWhole)
{
    for (const char* name : {"rqconfig.ini", "ember.ini"}) {
        const std::string text = ShippedSkin(name);
        ASSERT_FALSE(text.empty()) << name;
        CSkinFile skin;
        ASSERT_TRUE(skin.LoadText(text, name));
        skin.LoadBitmapDefinitions();
        skin.ParseMain();
        skin.ParsePiano();
        ExpectWithinLimits(skin);
        // Every field of both sections is given.
        for (size_t i = 1; i < kMainFieldCount; ++i) {
            EXPECT_TRUE(skin.Main().fields[i].found) << name << " " << skin.Main().fields[i].name;
        }
        for (size_t i = 1; i < kPianoFieldCount; ++i) {
            EXPECT_TRUE(skin.Piano().fields[i].found) << name << " " << skin.Piano().fields[i].name;
        }
    }
}

TEST(DamagedSkin, EveryCutOfTheShippedSkin)
{
    const std::string text = ShippedSkin("rqconfig.ini");
    for (size_t size = 0; size <= text.size(); size += 3) {
        ParseText(text.substr(0, size));
    }
}

TEST(DamagedSkin, RandomChangesAndNoise)
{
    const std::string text = ShippedSkin("rqconfig.ini");
    std::mt19937 random(14);
    const std::string specials = "%:/\"#()\r\n\t ,-+0123456789RGBrgb";
    for (int round = 0; round < 300; ++round) {
        std::string damaged = text;
        const int changes = 1 + static_cast<int>(random() % 40);
        for (int i = 0; i < changes; ++i) {
            const size_t at = random() % damaged.size();
            damaged[at] = random() % 2 ? specials[random() % specials.size()] : static_cast<char>(random());
        }
        ParseText(damaged);
    }
    for (int round = 0; round < 100; ++round) {
        std::string noise = "<Tessaron Config>";
        for (int i = 0; i < 2000; ++i) {
            noise += specials[random() % specials.size()];
        }
        ParseText(noise);
    }
    // Long lines of section marks, quotes and colons read in linear time.
    ParseText("<Tessaron Config>" + std::string(4u << 20, '%'));
    ParseText("<Tessaron Config>\n%PIANO\n" + std::string(4u << 20, ':'));
    ParseText("<Tessaron Config>\n%PIANO\n:MUTE " + std::string(4u << 20, '"'));
    ParseText("<Tessaron Config>%MAIN:FONT");
    ParseText("<Tessaron Config>%PIANO:TEXT 1 2 3 4 5 RGB(");
    ParseText("<Tessaron Config>%BITMAPDEF:BMVol \"a\" \"b\" \"");
}

}  // namespace
}  // namespace tessaron
