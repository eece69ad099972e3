#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>

#include "audiofile/CId3Tag.h"
#include "support/AudioTools.h"
#include "support/TempDir.h"

namespace tessaron {
namespace {

// `tessaron-cli info` as a user runs it, on files made by sox and lame.
class InfoCommandTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!std::filesystem::exists(cli_)) {
            GTEST_SKIP() << "tessaron-cli is not built";
        }
        if (!test::HaveTool("sox") || !test::HaveTool("lame")) {
            GTEST_SKIP() << "sox and lame are needed to make the test files";
        }
        ASSERT_TRUE(test::MakeSweep(dir_.file("a.wav"), 44100, 2, 16, 2.5));
    }

    // The command's standard output and its exit status.
    std::pair<std::string, int> Info(const std::string& path)
    {
        const std::string command = "'" + cli_ + "' info '" + path + "' 2>/dev/null";
        std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
        std::string output;
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe.get()) != nullptr) {
            output += buffer;
        }
        const int status = pclose(pipe.release());
        return {output, WEXITSTATUS(status)};
    }

    test::TempDir dir_;
    std::string cli_ = std::string(TESSARON_BINARY_DIR) + "/tessaron-cli";
};

TEST_F(InfoCommandTest, ReportsEveryKindOfFile)
{
    const std::string wav = dir_.file("a.wav");
    ASSERT_TRUE(test::Run("sox '" + wav + "' '" + dir_.file("a.flac") + "'"));
    ASSERT_TRUE(test::Run("sox '" + wav + "' '" + dir_.file("a.ogg") + "'"));
    ASSERT_TRUE(test::Run("sox '" + wav + "' '" + dir_.file("a.aiff") + "'"));
    ASSERT_TRUE(test::Run("lame --quiet -b 128 '" + wav + "' '" + dir_.file("a.mp3") + "'"));

    const std::pair<const char*, const char*> files[] = {
        {"a.wav", "format: PCM Stereo  16 Bits  44100\n"},
        {"a.flac", "format: 16bits 44100 stereo\n"},
        {"a.ogg", "format: 16bits 44100 stereo\n"},
        {"a.aiff", "format: 16bits 44100 stereo\n"},
        {"a.mp3", "format: Mpeg1 Layer3 Joint stereo 128Kbps 16Bits 44100\n"},
    };
    for (const auto& [name, format] : files) {
        const auto [output, status] = Info(dir_.file(name));
        EXPECT_EQ(status, 0) << name;
        EXPECT_NE(output.find(format), std::string::npos) << output;
        EXPECT_NE(output.find("duration: 2500 ms\n"), std::string::npos) << output;
        EXPECT_NE(output.find(" k  /  2500 ms\n"), std::string::npos) << output;
        EXPECT_NE(output.find("channels: 2\nrate: 44100\nbits: 16\n"), std::string::npos) << output;
        EXPECT_EQ(output.find("title:"), std::string::npos) << output;
    }
}

TEST_F(InfoCommandTest, ShowsTagsAndFailsOnUnreadableFiles)
{
    const std::string mp3 = dir_.file("tagged.mp3");
    ASSERT_TRUE(test::Run("lame --quiet -b 128 '" + dir_.file("a.wav") + "' '" + mp3 + "'"));
    CId3Tag tag;
    tag.title = "Loop";
    tag.genre = "Techno";
    tag.tempo = 126.0f;
    ASSERT_TRUE(WriteTag(mp3, tag));
    const auto [output, status] = Info(mp3);
    EXPECT_EQ(status, 0);
    EXPECT_NE(output.find("title: Loop\n"), std::string::npos) << output;
    EXPECT_NE(output.find("genre: Techno\n"), std::string::npos) << output;
    EXPECT_NE(output.find("tempo: 126.0\n"), std::string::npos) << output;

    EXPECT_EQ(Info(dir_.file("missing.wav")).second, 1);
    EXPECT_EQ(Info("http://example.com/a.mp3").second, 1);
}

}  // namespace
}  // namespace tessaron
