#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "JackCapture.h"
#include "MusicFixtures.h"
#include "media/CSamples.h"
#include "song/CChordwayDoc.h"
#include "song/CSongFile.h"
#include "support/ProcessSpawn.h"
#include "support/TempDir.h"

namespace tessaron::test {
namespace {

std::string Cli() { return std::string(TESSARON_BINARY_DIR) + "/tessaron-cli"; }

std::string ReadText(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// tessaron-cli play --listen serves the link in a runtime folder of the test's own; tessaron-cli
// send hands it a sample and cuts a music file into 352800-byte frames.
TEST(LinkCommand, SendAddsASampleAndCutsFramesIntoARunningPlayer)
{
    ASSERT_FALSE(UseFixtureJackServer().empty()) << "needs the jack_server fixture of ctest";
    TempDir dir;
    std::filesystem::create_directory(dir.file("run"));
    std::filesystem::permissions(dir.file("run"), std::filesystem::perms::owner_all);
    ::setenv("XDG_RUNTIME_DIR", dir.file("run").c_str(), 1);

    const std::string loop = dir.file("loop.wav");
    ASSERT_TRUE(WriteWav(loop, WaveFormat::Pcm16(44100, 2), SweepPcm(44100, 44100)));
    // A song of one medium and no events: the player keeps listening until it is stopped.
    CChordwayDoc empty;
    auto medium = std::make_unique<CSamples>(loop, "first", 44100, 1000, "", "", 120.0f, 0, 0, 0);
    medium->dataSize = 44100 * 4;
    empty.InsertMedium(0, std::move(medium));
    ASSERT_TRUE(CSongFile::Save(empty, dir.file("empty.tsn")).ok());
    const std::string track = dir.file("track.wav");
    ASSERT_TRUE(WriteWav(track, WaveFormat::Pcm16(44100, 2), SweepPcm(44100, 44100 * 5)));

    const std::string log = dir.file("player.txt");
    const pid_t player =
        SpawnQuietly({"/bin/sh", "-c", "exec '" + Cli() + "' play '" + dir.file("empty.tsn") + "' --listen > '" + log + "'"});
    ASSERT_GT(player, 0);
    const std::string socket = dir.file("run") + "/Tessaron Communication";
    for (int i = 0; i < 150 && !std::filesystem::exists(socket); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_TRUE(std::filesystem::exists(socket)) << ReadText(log);

    // A second player does not take the link over.
    const auto second = RunCapturingErrors({Cli(), "play", dir.file("empty.tsn"), "--listen"}, 20.0);
    EXPECT_NE(second.status, 0);
    EXPECT_NE(second.errors.find("another Tessaron is listening"), std::string::npos) << second.errors;

    const auto sent = RunCapturingErrors({Cli(), "send", "file", "--path", loop, "--name", "handed", "--tempo", "120",
                                          "--beats", "2", "--volume", "-100", "--data-size", "176400"});
    EXPECT_EQ(sent.status, 0) << sent.errors;
    const auto cut = RunCapturingErrors({Cli(), "send", "cut", "--path", track, "--name", "riff", "--tempo", "120",
                                         "--beats", "4", "--frames", "9"});
    EXPECT_EQ(cut.status, 0) << cut.errors;
    const auto bad = RunCapturingErrors({Cli(), "send", "cut", "--path", track, "--tempo", "fast"});
    EXPECT_EQ(bad.status, 2);

    ::kill(player, SIGTERM);
    EXPECT_EQ(WaitForExit(player, 10.0), 128 + SIGTERM) << "ended by the signal, as a shell reports it";
    EXPECT_FALSE(std::filesystem::exists(socket)) << "the socket is removed at the end";
    const std::string heard = ReadText(log);
    EXPECT_NE(heard.find("added \"handed\" from " + loop), std::string::npos) << heard;
    EXPECT_NE(heard.find("added \"riff p0\""), std::string::npos) << heard;
    EXPECT_NE(heard.find("added \"riff p1\""), std::string::npos) << heard;
    EXPECT_EQ(heard.find("riff p2"), std::string::npos) << "the file holds only two whole frames";
    for (const char* frame : {"track p0.wav", "track p1.wav"}) {
        EXPECT_EQ(std::filesystem::file_size(dir.file(frame)), 352800u + 44u) << frame;
    }

    const auto nobody = RunCapturingErrors({Cli(), "send", "file", "--path", loop});
    EXPECT_EQ(nobody.status, 1);
    EXPECT_NE(nobody.errors.find("no Tessaron is listening"), std::string::npos);
}

}  // namespace
}  // namespace tessaron::test
