#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>

#include "JackCapture.h"
#include "audioout/CSoundDevice.h"
#include "framework/CMessageRecorder.h"
#include "media/SampleFixtures.h"
#include "midi/CMidiMedia.h"
#include "midi/CMidiPlayer.h"
#include "midi/CMidiService.h"
#include "midi/MidiTestFiles.h"
#include "song/CMediaOutputs.h"
#include "support/ProcessSpawn.h"
#include "support/TempDir.h"
#include "support/ToneDetector.h"

namespace tessaron::test {
namespace {

using Clock = std::chrono::steady_clock;

// A MIDI file medium on the built-in synthesizer, mixed into the program's JACK output: heard,
// and its end notice comes once, when its one-second note has been played.
TEST(MidiMediaOnJack, TheBuiltInSynthesizerIsHeardAndEndsOnTime)
{
    ASSERT_FALSE(UseFixtureJackServer().empty()) << "needs the jack_server fixture of ctest";
    ASSERT_FALSE(CMidiPlayer::DefaultSoundFont().empty());
    TempDir dir;
    WriteFile(dir.file("note.mid"), OneNoteFile(69, 192));  // A 440 Hz for one second
    CSoundDevice device;
    ASSERT_TRUE(device.Open("", -1, 48000, 2, CSoundDevice::kSpeakerStereo));
    CMessageRecorder messages;
    CMidiService midi;
    midi.SetSink(&messages);
    CMediaOutputs outputs({&device}, &midi);
    CMidiMedia medium;
    medium.filePath = dir.file("note.mid");
    ASSERT_TRUE(outputs.OpenMedium(medium, 120.0f));
    EXPECT_EQ(medium.loaded, 1);
    EXPECT_EQ(medium.duration, 1000);
    EXPECT_FLOAT_EQ(medium.tempo, 120.0f);

    JackCapture capture("tessaron-midi-capture-" + std::to_string(::getpid()), 2.0);
    ASSERT_TRUE(capture.Ok());
    ASSERT_TRUE(capture.ConnectFrom("Tessaron"));
    capture.Start();
    const auto started = Clock::now();
    ASSERT_TRUE(medium.Play());
    Clock::time_point ended{};
    while (Clock::now() - started < std::chrono::milliseconds(1700)) {
        if (ended == Clock::time_point{} && !messages.messagesOf(CMidiPlayer::kEndMessage).empty()) {
            ended = Clock::now();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    capture.Stop();
    ASSERT_NE(ended, Clock::time_point{}) << "no end notice";
    const double endMs = std::chrono::duration<double, std::milli>(ended - started).count();
    // The last event is heard one second after the start, plus the output's latency.
    EXPECT_NEAR(endMs, 1000.0, capture.Xruns() == 0 ? 60.0 : 150.0);
    const auto notices = messages.messagesOf(CMidiPlayer::kEndMessage);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].first, 7);
    EXPECT_EQ(notices[0].second, reinterpret_cast<intptr_t>(&medium));

    const auto left = Channel(capture.Frames(), 2, 0);
    const double rate = capture.Rate();
    ASSERT_GT(left.size(), static_cast<size_t>(rate));
    const size_t from = static_cast<size_t>(rate * 0.2);
    EXPECT_GT(Rms(left.data() + from, static_cast<size_t>(rate * 0.5), 1), 0.002);
    EXPECT_NEAR(DominantFrequency(left.data() + from, 16384, 1, rate, 200, 900, 5), 440.0, 8.0);
    medium.Close();
}

// A MIDI medium on device 1 plays through our output port to an outside program, which receives
// its notes in order.
TEST(MidiMediaOnJack, AnOutsidePortReceivesTheNotesInOrder)
{
    ASSERT_FALSE(UseFixtureJackServer().empty()) << "needs the jack_server fixture of ctest";
    TempDir dir;
    const Bytes notes = MidiFile(0, 96,
                                 {Track({{0, TempoEvent(240.0)},
                                         {0, {0x90, 60, 100}},
                                         {24, {0x80, 60, 0}},
                                         {0, {0x90, 62, 101}},
                                         {24, {0x80, 62, 0}},
                                         {0, {0x91, 64, 102}},
                                         {24, {0x81, 64, 0}}})});
    WriteFile(dir.file("notes.mid"), notes);
    const std::string dumper = "tessaron-dump-" + std::to_string(::getpid());
    const std::string log = dir.file("dump.txt");
    const pid_t dump = SpawnQuietly({"/bin/sh", "-c", "exec timeout -s INT 8 stdbuf -oL jack_midi_dump -a " + dumper + " > " + log});
    ASSERT_GT(dump, 0);

    CMessageRecorder messages;
    CMidiService midi;
    ASSERT_TRUE(midi.Create());
    midi.SetSink(&messages);
    bool connected = false;
    for (int i = 0; i < 100 && !connected; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        connected = midi.OpenOutput(dumper);
    }
    ASSERT_TRUE(connected) << "the dump client did not appear";
    CSoundDevice device(AudioApi::Offline);
    ASSERT_TRUE(device.Create(nullptr, "", 44100, 2, CSoundDevice::kSpeakerStereo));
    CMediaOutputs outputs({&device}, &midi);
    CMidiMedia medium;
    medium.filePath = dir.file("notes.mid");
    medium.deviceIndex = 1;
    ASSERT_TRUE(outputs.OpenMedium(medium, 120.0f));
    ASSERT_TRUE(medium.Play());
    for (int i = 0; i < 100 && messages.messagesOf(CMidiPlayer::kEndMessage).empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ(messages.messagesOf(CMidiPlayer::kEndMessage).size(), 1u);
    medium.Stop();  // silences the port: all notes off on every channel
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ::kill(dump, SIGINT);
    WaitForExit(dump, 5.0);

    std::ifstream in(log);
    std::vector<std::array<unsigned, 3>> received;
    for (std::string line; std::getline(in, line);) {
        long time = 0;
        std::array<unsigned, 3> bytes{};
        if (std::sscanf(line.c_str(), " %ld: %x %x %x", &time, &bytes[0], &bytes[1], &bytes[2]) == 4) {
            received.push_back(bytes);
        }
    }
    std::vector<std::array<unsigned, 3>> notesSeen;
    int controllers = 0;
    for (const auto& b : received) {
        if ((b[0] & 0xE0) == 0x80) {
            notesSeen.push_back({b[0] & 0xF0, b[1], b[0] & 0x0F});
        } else if ((b[0] & 0xF0) == 0xB0 && (b[1] == 120 || b[1] == 123)) {
            ++controllers;
        }
    }
    const std::vector<std::array<unsigned, 3>> expected = {
        {0x90, 60, 0}, {0x80, 60, 0}, {0x90, 62, 0}, {0x80, 62, 0}, {0x90, 64, 1}, {0x80, 64, 1}};
    EXPECT_EQ(notesSeen, expected);
    EXPECT_EQ(controllers, 32) << "all sound off and all notes off on the 16 channels";
}

}  // namespace
}  // namespace tessaron::test
