#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cmath>
#include <thread>

#include "JackCapture.h"
#include "audioout/CSoundDevice.h"
#include "media/CSamples.h"
#include "media/SampleFixtures.h"
#include "midi/CMidiService.h"
#include "midi/IMidiInputTarget.h"
#include "midi/JackMidiPorts.h"
#include "song/CChordwayDoc.h"
#include "song/CMediaOutputs.h"
#include "song/CScheduler.h"
#include "song/CTriggerRules.h"
#include "support/TempDir.h"
#include "support/ToneDetector.h"

namespace tessaron::test {
namespace {

class RulesTarget : public IMidiInputTarget {
public:
    explicit RulesTarget(CTriggerRules& rules) : rules_(rules) {}
    void send(uint32_t, int, uint32_t packed) override { rules_.HandleMessage(packed); }

private:
    CTriggerRules& rules_;
};

// Ten seconds of 10,000 MIDI messages a second (notes of a bound sample, the modulation
// wheel, pitch bend) from an outside JACK client: the input keeps up, the triggers run, and a
// tone playing on the same output meanwhile never breaks off.
TEST(MidiFlood, TenThousandMessagesASecondNeitherCrashNorStallTheOutput)
{
    ASSERT_FALSE(UseFixtureJackServer().empty()) << "needs the jack_server fixture of ctest";
    TempDir dir;
    CSoundDevice device;
    ASSERT_TRUE(device.Open("", -1, 48000, 2, CSoundDevice::kSpeakerStereo));
    // The steady tone: a looping buffer of whole cycles of 1000 Hz.
    const WaveFormat format = WaveFormat::Pcm16(48000, 2);
    const std::vector<uint8_t> tone = SinePcm(format, 4800, 1000.0, 0.4);
    SoundBufferDesc desc;
    desc.flags = BufferCaps::Static | BufferCaps::CtrlVolume;
    desc.bufferBytes = static_cast<uint32_t>(tone.size());
    desc.format = &format;
    auto steady = device.CreateSecondary(desc);
    ASSERT_TRUE(steady);
    LockedRegion region;
    ASSERT_TRUE(steady->Lock(0, 0, region, LockFlags::EntireBuffer));
    std::copy(tone.begin(), tone.end(), static_cast<uint8_t*>(region.part1));
    steady->Unlock(region);

    CMediaOutputs outputs({&device});
    SongEnvironment env;
    env.loader = &outputs;
    env.audioDeviceCount = 1;
    env.settings.pitchBendRange = 2;
    CChordwayDoc doc(env);
    const std::string sample = WriteWav(dir, "low.wav", WaveFormat::Pcm16(44100, 2),
                                        SinePcm(WaveFormat::Pcm16(44100, 2), 44100, 300.0, 0.2));
    auto medium = std::make_unique<CSamples>(sample, "low", 44100, 1000, "", "", 120.0f, 0, 0, 0);
    medium->dataSize = 44100 * 4;
    medium->midiNote = 36;
    doc.InsertMedium(0, std::move(medium));
    CScheduler scheduler(doc);
    CTriggerRules rules(doc, scheduler);
    RulesTarget target(rules);
    CMidiService midi;
    ASSERT_TRUE(midi.Create());
    midi.SetTarget(&target);
    ASSERT_TRUE(midi.OpenInput(""));
    scheduler.Start();

    auto sender = JackMidiPorts::Connect("tessaron-flood-" + std::to_string(::getpid()));
    ASSERT_TRUE(sender);
    ASSERT_TRUE(sender->OpenOutput(midi.InputPortName()));
    JackCapture capture("tessaron-flood-capture-" + std::to_string(::getpid()), 10.5);
    ASSERT_TRUE(capture.Ok());
    ASSERT_TRUE(capture.ConnectFrom("Tessaron"));
    ASSERT_TRUE(steady->Play(PlayFlags::Looping));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    capture.Start();

    // Ten messages every millisecond, on an absolute schedule.
    uint64_t sent = 0, refused = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int ms = 0; ms < 10000; ++ms) {
        std::this_thread::sleep_until(start + std::chrono::milliseconds(ms));
        for (int i = 0; i < 10; ++i) {
            const uint64_t n = sent + refused;
            uint8_t message[3];
            switch (n % 4) {
            case 0: message[0] = 0x90; message[1] = 60; message[2] = static_cast<uint8_t>(1 + n % 127); break;
            case 1: message[0] = 0x80; message[1] = 60; message[2] = 0; break;
            case 2: message[0] = 0xB0; message[1] = 1; message[2] = static_cast<uint8_t>(n % 128); break;
            default: message[0] = 0xE0; message[1] = 0; message[2] = static_cast<uint8_t>(n % 128); break;
            }
            (sender->Send(message, 3) ? sent : refused) += 1;
        }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    capture.Stop();
    const int xruns = capture.Xruns();
    sender.reset();
    scheduler.ShutDown();
    midi.SetTarget(nullptr);

    EXPECT_EQ(sent + refused, 100000u);
    EXPECT_GE(sent, 99000u) << "the sender's own queue overflowed";
    // What arrived went through: the input thread kept pace with the port.
    EXPECT_EQ(midi.DroppedInput(), 0u);
    EXPECT_GE(midi.DeliveredInput(), sent * 99 / 100);

    // The tone sounds in every 10 ms window, except where the server itself missed deadlines.
    const auto left = Channel(capture.Frames(), 2, 0);
    const double rate = capture.Rate();
    ASSERT_GT(left.size(), static_cast<size_t>(rate * 9.5));
    const size_t window = static_cast<size_t>(rate / 100);
    size_t windows = 0, quiet = 0;
    for (size_t at = 0; at + window <= left.size(); at += window, ++windows) {
        if (ToneAmplitude(left.data() + at, window, 1, 1000.0, rate) < 0.2) {
            ++quiet;
        }
    }
    if (xruns == 0) {
        EXPECT_EQ(quiet, 0u) << "windows without the tone";
    } else {
        EXPECT_LE(quiet, windows / 20) << xruns << " missed deadlines";
    }
}

}  // namespace
}  // namespace tessaron::test
