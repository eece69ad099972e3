// What the commands say: malformed arguments refused by name before any work, renders that
// would pass the WAV limit refused before writing, media that cannot sound named, and every
// error in the form "tessaron-cli: FILE: what went wrong".
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "cli/Commands.h"
#include "cli/DemoSong.h"
#include "cli/SongJson.h"
#include "song/CChordwayDoc.h"
#include "song/CSongFile.h"
#include "support/ProcessSpawn.h"
#include "support/SongFixtures.h"
#include "support/TempDir.h"

namespace tessaron::cli {
namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

test::ProcessOutcome Tool(Args args)
{
    args.insert(args.begin(), std::string(TESSARON_BINARY_DIR) + "/tessaron-cli");
    return test::RunCapturingErrors(std::move(args));
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class CommandMessages : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(WriteDemoSong(dir.file("demo")), "");
        song = dir.file("demo/demo.tsn");
    }

    // The demo song changed through its JSON form, saved as `name`.
    std::string ChangedSong(const std::string& name, const std::function<void(nlohmann::ordered_json&)>& change)
    {
        CChordwayDoc doc;
        EXPECT_TRUE(CSongFile::Read(doc, song, CSongFile::ReadMode::AsStored).ok());
        auto json = SongToJson(doc);
        change(json);
        CChordwayDoc changed;
        SongFromJson(json, changed);
        EXPECT_TRUE(CSongFile::Save(changed, dir.file(name)).ok());
        return dir.file(name);
    }

    test::TempDir dir;
    std::string song;
};

TEST_F(CommandMessages, MalformedArgumentsAreRefusedByNameBeforeAnyWork)
{
    const std::string out = dir.file("out.wav");
    for (const char* end : {"abc", "nan", "-1.1.0", "0x10", " ", "", "00:00:01,5", "1.9.0", "1.1", "0.1.0", "1.0.0",
                            "3.1.x", "00:99:99.999", "1:2:3:4", "00:01:30.5000", "+2.1.0"}) {
        const auto result = Tool({"render", song, out, "--end", end});
        EXPECT_EQ(result.status, 2) << "'" << end << "'";
        EXPECT_TRUE(result.errors.starts_with("tessaron-cli: --end: ")) << result.errors;
        EXPECT_FALSE(fs::exists(out)) << end;
    }
    for (const char* end : {"2.1.0", "1.4.500", "00:00:01.500", "0:02", "00:00:02"}) {
        EXPECT_EQ(Tool({"render", song, out, "--end", end}).status, 0) << end;
    }
    fs::remove(out);
    struct Case {
        Args args;
        const char* named;
    };
    const std::vector<Case> cases = {
        {{"render", song, out, "--end"}, "--end"},
        {{"render", song, out, "--fast"}, "--fast"},
        {{"tone", "--freq", "abc"}, "--freq"},
        {{"tone", "--freq", "0x1F4"}, "--freq"},
        {{"tone", "--seconds", "nan"}, "--seconds"},
        {{"tone", "--seconds", "-2"}, "--seconds"},
        {{"effect", "gain", dir.file("demo/drums.wav"), out, "abc"}, "abc"},
        {{"effect", "gain", dir.file("demo/drums.wav"), out, " 3"}, " 3"},
        {{"effect", "gain", dir.file("demo/drums.wav"), out, "3", "--range", "10", "x"}, "--range"},
        {{"effect", "blur", dir.file("demo/drums.wav"), out}, "blur"},
        {{"stretch", dir.file("demo/drums.wav"), out, "--from", "abc", "--to", "100"}, "--from"},
        {{"stretch", dir.file("demo/drums.wav"), out, "--from", "120", "--to", "1e9"}, "--to"},
    };
    for (const Case& c : cases) {
        const auto result = Tool(c.args);
        EXPECT_EQ(result.status, 2) << c.named;
        EXPECT_TRUE(result.errors.starts_with(std::string("tessaron-cli: ") + c.named + ": ")) << result.errors;
        EXPECT_FALSE(Contains(result.errors, "stod") || Contains(result.errors, "stoi")) << result.errors;
    }
    EXPECT_FALSE(fs::exists(out));
}

TEST_F(CommandMessages, RendersPastTheWavLimitAreRefusedBeforeWriting)
{
    const std::string out = dir.file("huge.wav");
    std::ofstream(out) << "old";
    const auto far = Tool({"render", song, out, "--end", "99999999.1.0"});
    EXPECT_EQ(far.status, 1);
    EXPECT_TRUE(Contains(far.errors, "tessaron-cli: " + out + ": a render of ")) << far.errors;
    EXPECT_TRUE(Contains(far.errors, "more than a WAV file can hold (4 GiB)")) << far.errors;

    // A tempo the song file takes but that makes a song of years.
    const std::string slow = ChangedSong("slow.tsn", [](auto& json) { json["settings"]["tempo"] = 1e-05; });
    const auto slowResult = Tool({"render", slow, out});
    EXPECT_EQ(slowResult.status, 1);
    EXPECT_TRUE(Contains(slowResult.errors, "more than a WAV file can hold")) << slowResult.errors;

    // Mono halves the bytes: 14 hours fit in mono but not in stereo.
    EXPECT_EQ(Tool({"render", song, out, "--end", "14:00:00"}).status, 1);
    std::ifstream in(out);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "old");
    EXPECT_EQ(fs::file_size(out), 3u);
}

TEST_F(CommandMessages, MediaThatCannotSoundAreNamedAndTheRenderStillSucceeds)
{
    fs::copy_file(dir.file("demo/pad.wav"), dir.file("text.wav"));
    std::ofstream(dir.file("text.wav"), std::ios::trunc) << "not a sound";
    const std::string broken = ChangedSong("broken.tsn", [&](auto& json) {
        json["media"][0]["filePath"] = dir.file("gone.wav");
        json["media"][2]["filePath"] = dir.file("text.wav");
    });
    const auto render = Tool({"render", broken, dir.file("out.wav")});
    EXPECT_EQ(render.status, 0) << render.errors;
    EXPECT_TRUE(Contains(render.errors, "tessaron-cli: " + broken + ": warning: medium 1 'drums'")) << render.errors;
    EXPECT_TRUE(Contains(render.errors, "No such file or directory; it stays silent")) << render.errors;
    EXPECT_TRUE(Contains(render.errors, "warning: medium 3 'pad'")) << render.errors;
    EXPECT_FALSE(Contains(render.errors, "medium 2")) << render.errors;
    EXPECT_TRUE(fs::exists(dir.file("out.wav")));

    testing::internal::CaptureStdout();
    EXPECT_EQ(RunSummary({broken}), 0);
    const std::string summary = testing::internal::GetCapturedStdout();
    EXPECT_TRUE(Contains(summary, "gone.wav  [cannot load: No such file or directory]")) << summary;
    EXPECT_TRUE(Contains(summary, "text.wav  [cannot load: ")) << summary;
    EXPECT_TRUE(Contains(summary, "bass.wav\n")) << summary;

    // Music and MIDI media play live only; a render says so once.
    auto full = test::MakeFullSong();
    ASSERT_TRUE(CSongFile::Save(*full, dir.file("full.tsn")).ok());
    const auto mixed = Tool({"render", dir.file("full.tsn"), dir.file("full.wav"), "--end", "2.1.0"});
    EXPECT_EQ(mixed.status, 0) << mixed.errors;
    const std::string note = "music and MIDI media are silent in a render";
    ASSERT_TRUE(Contains(mixed.errors, note)) << mixed.errors;
    EXPECT_EQ(mixed.errors.find(note), mixed.errors.rfind(note));
}

TEST_F(CommandMessages, ErrorsNameTheFileAndNoFatalErrorIsAWarning)
{
    std::ofstream(dir.file("notes.tsn")) << "\x05hello, not a song";
    std::ofstream(dir.file("notes.txt")) << "some words, not a sound";
    std::ofstream(dir.file("cut.tsn"), std::ios::binary) << std::ifstream(song, std::ios::binary).rdbuf();
    fs::resize_file(dir.file("cut.tsn"), 200);
    struct Case {
        Args args;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {{"render", dir.file("missing.tsn"), dir.file("o.wav")}, dir.file("missing.tsn") + ": No such file or directory"},
        {{"summary", dir.file("notes.tsn")}, dir.file("notes.tsn") + ": This file is not a Tessaron song."},
        {{"resave", dir.file("cut.tsn"), dir.file("o.tsn")}, dir.file("cut.tsn") + ": The song cannot be opened: the file is damaged"},
        {{"dump", dir.file("demo")}, dir.file("demo") + ": is a folder"},
        {{"resave", dir.file("song.txt"), dir.file("o.tsn")}, dir.file("song.txt") + ": not a song file"},
        {{"info", dir.file("notes.txt")}, dir.file("notes.txt") + ": no reader knows the format of this file"},
        {{"info", dir.file("none.wav")}, dir.file("none.wav") + ": No such file or directory"},
        {{"effect", "gain", dir.file("none.wav"), dir.file("o.wav"), "3"}, dir.file("none.wav") + ": No such file or directory"},
        {{"build", dir.file("none.json"), dir.file("o.tsn")}, dir.file("none.json") + ": No such file or directory"},
    };
    for (const Case& c : cases) {
        const auto result = Tool(c.args);
        EXPECT_EQ(result.status, 1) << c.expected;
        EXPECT_TRUE(result.errors.starts_with("tessaron-cli: " + c.expected)) << result.errors;
        EXPECT_FALSE(Contains(result.errors, "warning")) << result.errors;
    }
}

// The MP3 decoder reports every damaged frame on stderr by itself; the user sees those lines
// only when asking for them.
TEST_F(CommandMessages, LibraryChatterStaysOutUnlessAskedFor)
{
    const std::string mp3 = dir.file("loop.mp3");
    const std::string command = "lame --quiet -b 128 '" + dir.file("demo/drums.wav") + "' '" + mp3 + "' 2>/dev/null";
    if (std::system(command.c_str()) != 0) {
        GTEST_SKIP() << "lame is not installed";
    }
    std::fstream file(mp3, std::ios::in | std::ios::out | std::ios::binary);
    const auto size = static_cast<long>(fs::file_size(mp3));
    for (long at = 4000; at < size; at += 997) {  // damage frames all along
        file.seekp(at);
        file.put('\x5A');
    }
    file.close();

    const Args effect = {"effect", "gain", mp3, dir.file("out.wav"), "3"};
    setenv("TESSARON_VERBOSE", "1", 1);
    const auto verbose = Tool(effect);
    unsetenv("TESSARON_VERBOSE");
    if (!Contains(verbose.errors, "libmpg123")) {
        GTEST_SKIP() << "this decoder says nothing about damaged frames: " << verbose.errors;
    }
    const auto quiet = Tool(effect);
    EXPECT_EQ(quiet.status, verbose.status);
    EXPECT_FALSE(Contains(quiet.errors, "libmpg123")) << quiet.errors;
    EXPECT_EQ(Tool({"effect", "gain", mp3, "/no/such/folder/out.wav", "3"}).errors,
              "tessaron-cli: /no/such/folder/out.wav: No such file or directory\n")
        << "our own messages still come";
}

}  // namespace
}  // namespace tessaron::cli
