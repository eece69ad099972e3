#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>
#include <unistd.h>

#include "audioout/CSoundDevice.h"
#include "support/OutputPulseServer.h"
#include "support/OutputSignals.h"
#include "support/ToneDetector.h"

namespace tessaron::test {
namespace {

std::vector<float> ReadFloats(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<float> floats(bytes.size() / sizeof(float));
    std::memcpy(floats.data(), bytes.data(), floats.size() * sizeof(float));
    return floats;
}

// Plays a 1 kHz loop through `api` on a private PulseAudio null sink and answers what the
// sink's monitor recorded (48000 Hz stereo).
std::vector<float> PlayAndRecord(AudioApi api, OutputPulseServer& server)
{
    ::unsetenv(kAudioApiVariable);
    const std::string file = server.Folder() + "/monitor.raw";
    OutputPulseRecorder recorder("ci_sink.monitor", file);  // first, so the first write does not stall
    EXPECT_TRUE(recorder.Running());
    std::error_code error;
    for (int i = 0; i < 100 && std::filesystem::file_size(file, error) == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));  // until the monitor streams
    }
    CSoundDevice device(api);
    EXPECT_EQ(device.Api(), api);
    std::vector<CDeviceEntry> list;
    EXPECT_TRUE(device.EnumerateDevices(list, true, false));
    EXPECT_TRUE(device.OpenDefault(nullptr));
    const WaveFormat format = WaveFormat::Pcm16(44100, 2);
    SoundBufferDesc desc;
    desc.flags = BufferCaps::Static | BufferCaps::CtrlVolume;
    const auto pcm = SinePcm(format, 441, 1000, 0.5);
    desc.bufferBytes = static_cast<uint32_t>(pcm.size());
    desc.format = &format;
    auto buffer = device.CreateSecondary(desc);
    LockedRegion region;
    EXPECT_TRUE(buffer && buffer->Lock(0, 0, region, LockFlags::EntireBuffer));
    if (!region.part1) {
        return {};
    }
    std::memcpy(region.part1, pcm.data(), region.bytes1);
    buffer->Unlock(region);
    EXPECT_TRUE(buffer->Play(PlayFlags::Looping));
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    recorder.Stop();
    buffer.reset();
    device.Close();
    return ReadFloats(file);
}

// What a tone sounds like on the monitor: its amplitude over the loudest half second.
double HeardAmplitude(const std::vector<float>& frames)
{
    const size_t window = 24000;
    double best = 0.0;
    for (size_t at = 0; at + window <= frames.size() / 2; at += window / 4) {
        best = std::max(best, ToneAmplitude(frames.data() + at * 2, window, 2, 1000, 48000));
    }
    return best;
}

TEST(PulseOutput, ToneReachesTheNullSink)
{
    OutputPulseServer server;
    std::string error;
    ASSERT_TRUE(server.Start(error)) << error;
    const std::vector<float> frames = PlayAndRecord(AudioApi::Pulse, server);
    ASSERT_GT(frames.size(), 48000u);
    EXPECT_NEAR(HeardAmplitude(frames), 0.5, 0.05);
}

// With a sound server running, ALSA's default device and mixer belong to it.
TEST(PulseOutput, AlsaDefaultDeviceAndMixerGoThroughTheServer)
{
    OutputPulseServer server;
    std::string error;
    ASSERT_TRUE(server.Start(error)) << error;
    const std::vector<float> frames = PlayAndRecord(AudioApi::Alsa, server);
    ASSERT_GT(frames.size(), 48000u);
    EXPECT_NEAR(HeardAmplitude(frames), 0.5, 0.05);

    CSystemMixer mixer;
    ASSERT_TRUE(mixer.OpenMixer(0));
    ASSERT_TRUE(mixer.Record(MixerRecord::MasterVolume).present);
    EXPECT_FALSE(mixer.Record(MixerRecord::Bass).present);
    EXPECT_FALSE(mixer.Record(MixerRecord::CdLevel).present);
    ASSERT_TRUE(mixer.SetLevel(MixerRecord::MasterVolume, -50));
    EXPECT_EQ(mixer.GetLevel(MixerRecord::MasterVolume), -50);
    ASSERT_TRUE(mixer.SetLevel(MixerRecord::MasterVolume, 0));
    EXPECT_EQ(mixer.GetLevel(MixerRecord::MasterVolume), 0);
}

// Without a setting, the API is the first whose server answers: JACK, PulseAudio, then ALSA.
TEST(PulseOutput, AutomaticChoiceFindsTheRunningServer)
{
    ::unsetenv(kAudioApiVariable);
    ::setenv("JACK_DEFAULT_SERVER", ("no-such-server-" + std::to_string(::getpid())).c_str(), 1);
    ::unsetenv("PULSE_SERVER");
    const TempDir empty;  // a runtime folder without a server's socket
    ::setenv("XDG_RUNTIME_DIR", empty.path().c_str(), 1);
    EXPECT_EQ(ResolveAudioApi(AudioApi::Auto), AudioApi::Alsa) << "no server at all";

    OutputPulseServer server;
    std::string error;
    ASSERT_TRUE(server.Start(error)) << error;
    EXPECT_EQ(ResolveAudioApi(AudioApi::Auto), AudioApi::Pulse);
    EXPECT_EQ(CSoundDevice().Api(), AudioApi::Pulse);
    ::setenv(kAudioApiVariable, "alsa", 1);
    EXPECT_EQ(CSoundDevice().Api(), AudioApi::Alsa) << "the variable names one";
}

}  // namespace
}  // namespace tessaron::test
