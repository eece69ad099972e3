#include <gtest/gtest.h>

#include <ctime>
#include <fstream>

#include "audiofile/FilePaths.h"
#include "audiofile/FileTypes.h"
#include "support/TempDir.h"

namespace tessaron {
namespace {

TEST(FileTypesTest, ExtensionListsMatchAnywhereIgnoringCase)
{
    EXPECT_TRUE(IsAudioFile("C:\\Loops\\DRUMS.MP3"));
    EXPECT_FALSE(IsAudioFile("/loops/pad.ogg"));
    EXPECT_TRUE(IsAudioFile("/loops/pad.aif"));
    EXPECT_TRUE(IsAudioFile("/loops/pad.aiff"));  // contains ".aif"
    EXPECT_TRUE(IsAudioFile("voice.WAX"));
    EXPECT_TRUE(IsAudioFile("song.mp3.txt"));
    EXPECT_FALSE(IsAudioFile("readme.txt"));

    EXPECT_TRUE(IsMidiFile("/a/Tune.MID"));
    EXPECT_TRUE(IsMidiFile("tune.midi"));
    EXPECT_TRUE(IsMidiFile("tune.rmi"));
    EXPECT_FALSE(IsMidiFile("tune.wav"));

    EXPECT_TRUE(IsMpegFile("x.MPG"));
    EXPECT_TRUE(IsMpegFile("x.mp2"));
    EXPECT_FALSE(IsMpegFile("x.wav"));

    EXPECT_TRUE(IsWavFile("/x/LOOP.WAV"));
    EXPECT_FALSE(IsWavFile("/x/loop.wa"));
    EXPECT_TRUE(IsMp3File("a.Mp3"));
    EXPECT_FALSE(IsMp3File("a.mp2"));
}

TEST(FileTypesTest, NetworkPathsAreMatchedAsWritten)
{
    EXPECT_TRUE(IsNetworkPath("http://host/a.mp3"));
    EXPECT_TRUE(IsNetworkPath("see ftp://host/a.mp3"));
    EXPECT_FALSE(IsNetworkPath("HTTP://host/a.mp3"));
    EXPECT_FALSE(IsNetworkPath("https://host/a.mp3"));
    EXPECT_FALSE(IsNetworkPath("/home/http/a.mp3"));
}

TEST(FilePathsTest, BothSeparatorsSplitPaths)
{
    struct Case {
        const char* path;
        const char* folder;
        const char* name;
        const char* title;
    };
    const Case cases[] = {
        {"/home/me/loops/beat.1.wav", "/home/me/loops/", "beat.1.wav", "beat.1"},
        {"C:\\Loops\\Beat.WAV", "C:\\Loops\\", "Beat.WAV", "Beat"},
        {"mixed\\folder/file.mp3", "mixed\\folder/", "file.mp3", "file"},
        {"a.dir\\noext", "a.dir\\", "noext", "noext"},
        {"bare.wav", "", "bare.wav", "bare"},
        {"/folder/", "/folder/", "", ""},
        {"", "", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GetFolder(c.path), c.folder) << c.path;
        EXPECT_EQ(GetFileName(c.path), c.name) << c.path;
        EXPECT_EQ(GetFileTitle(c.path), c.title) << c.path;
    }
}

TEST(FilePathsTest, SizeAndCreationTime)
{
    test::TempDir dir;
    const std::string path = dir.file("five.bin");
    std::ofstream(path) << "12345";
    const int64_t before = std::time(nullptr);
    int64_t created = 0;
    EXPECT_EQ(GetFileInfo(path, created), 5);
    EXPECT_GT(created, before - 60);
    EXPECT_LE(created, before + 60);
    EXPECT_EQ(GetFileSize(path), 5);

    created = 123;
    EXPECT_EQ(GetFileInfo(dir.file("missing"), created), 0);
    EXPECT_EQ(created, 0);
    EXPECT_EQ(GetFileSize("http://host/x.mp3"), 0);
}

}  // namespace
}  // namespace tessaron
