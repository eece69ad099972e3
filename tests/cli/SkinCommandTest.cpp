#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <string>

#include <nlohmann/json.hpp>

#include "skin/CSkinFile.h"
#include "cli/Commands.h"
#include "cli/SkinJson.h"
#include "support/TempDir.h"

namespace tessaron::cli {
namespace {

using Json = nlohmann::ordered_json;

struct Output {
    int status = -1;
    std::string text;
};

// Runs the built tessaron-cli and keeps what it prints on stdout.
Output RunCli(const std::string& arguments)
{
    Output output;
    const std::string command = std::string(TESSARON_BINARY_DIR) + "/tessaron-cli " + arguments + " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        return output;
    }
    char buffer[4096];
    while (const size_t n = fread(buffer, 1, sizeof buffer, pipe)) {
        output.text.append(buffer, n);
    }
    const int status = pclose(pipe);
    output.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return output;
}

TEST(SkinCommand, ShippedSkinAsJson)
{
    const std::string path = std::string(TESSARON_SOURCE_DIR) + "/data/skins/rqconfig.ini";
    const Output output = RunCli("skin " + path);
    ASSERT_EQ(output.status, 0);
    const Json json = Json::parse(output.text);
    EXPECT_TRUE(json["loaded"].get<bool>());
    EXPECT_EQ(json["skinFolder"], std::string(TESSARON_SOURCE_DIR) + "/data/skins/");
    EXPECT_EQ(json["bitmapFolder"], std::string(TESSARON_SOURCE_DIR) + "/data/skins/rqconfig/");

    const Json& main = json["main"];
    ASSERT_EQ(main["fields"].size(), 5u);
    EXPECT_EQ(main["fields"][1]["name"], "PIANO");
    EXPECT_EQ(main["fields"][1]["h"], 300);
    EXPECT_EQ(main["fields"][1]["found"], true);
    EXPECT_EQ(main["fontCount"], 3);
    EXPECT_EQ(main["fonts"][2]["style"], 4);
    EXPECT_EQ(main["fonts"][1]["face"], "DejaVu Sans");

    const Json& piano = json["piano"];
    ASSERT_EQ(piano["fields"].size(), 23u);
    EXPECT_EQ(piano["fields"][1]["name"], "MUTE");
    EXPECT_EQ(piano["fields"][1]["tooltip"], "Mute");
    EXPECT_EQ(piano["fields"][1]["x"], -1);
    EXPECT_EQ(piano["texts"].size(), 2u);
    EXPECT_EQ(piano["borders"].size(), 2u);
    EXPECT_EQ(piano["bitmaps"][0]["file"], "logo.xpm");

    const Json& definitions = json["bitmapDefinitions"];
    ASSERT_EQ(definitions.size(), 18u);
    EXPECT_EQ(definitions[0]["name"], "BMMute");
    EXPECT_EQ(definitions[0]["images"][1]["builtin"], 2351);
    EXPECT_EQ(definitions[0]["images"][1]["width"], 9);
    EXPECT_EQ(definitions[3]["sharesWith"], 2);
    EXPECT_EQ(definitions[15]["images"][2]["file"],
              std::string(TESSARON_SOURCE_DIR) + "/data/skins/rqconfig/vol-thumb-on.xpm");
    EXPECT_EQ(definitions[9]["source"], 18);

    const Json& applied = json["applied"];
    EXPECT_EQ(applied["pianoHeight"], 300);
    EXPECT_EQ(applied["octaves"], 2);
    EXPECT_EQ(applied["colours"]["timeline"]["text"], 200 + 256 * 220 + 65536 * 255);
    EXPECT_EQ(applied["window"]["w"], 1180);

    // Every image file the shipped skin names is there.
    for (const Json& definition : definitions) {
        for (const Json& image : definition["images"]) {
            if (image.is_object() && image.contains("file")) {
                EXPECT_TRUE(std::ifstream(image["file"].get<std::string>()).good()) << image["file"];
            }
        }
    }
}

TEST(SkinCommand, NotASkinShowsTheDefaultsAndFails)
{
    test::TempDir dir;
    std::ofstream(dir.file("plain.ini")) << "%MAIN\n:PIANO 0 0 0 250\n";
    const Output output = RunCli("skin " + dir.file("plain.ini"));
    EXPECT_EQ(output.status, 1);
    const Json json = Json::parse(output.text);
    EXPECT_FALSE(json["loaded"].get<bool>());
    EXPECT_EQ(json["applied"]["pianoHeight"], 336);
    EXPECT_EQ(json["applied"]["colours"]["media"]["background"], 30 + 256 * 30 + 65536 * 30);
    EXPECT_EQ(RunSkin({}), 2);
}

TEST(SkinCommand, BytesThatAreNotUtf8StillGiveJson)
{
    CSkinFile skin;
    ASSERT_TRUE(skin.LoadText("<Tessaron Config>\n%PIANO\n:MUTE 1 2 3 4 \"caf\xE9\"\n", "x.ini"));
    skin.ParsePiano();
    const std::string text = SkinToJson(skin).dump(-1, ' ', false, Json::error_handler_t::replace);
    const Json json = Json::parse(text);
    EXPECT_EQ(json["piano"]["fields"][1]["tooltip"], "caf\xEF\xBF\xBD");
}

}  // namespace
}  // namespace tessaron::cli
