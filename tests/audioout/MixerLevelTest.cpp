#include <gtest/gtest.h>

#include <cmath>

#include "OfflineOutput.h"
#include "support/ToneDetector.h"

namespace tessaron::test {
namespace {

const WaveFormat kStereo16 = WaveFormat::Pcm16(48000, 2);

double Db(double hundredths) { return std::pow(10.0, hundredths / 2000.0); }

// Amplitude of a 1 kHz tone in each channel after the start ramp.
std::pair<double, double> ToneLevels(OfflineOutput& out)
{
    out.Render(960);
    const std::vector<float> mixed = out.Render(4800);
    return {ToneAmplitude(mixed.data(), 4800, 2, 1000, 48000),
            ToneAmplitude(mixed.data() + 1, 4800, 2, 1000, 48000)};
}

TEST(MixerLevels, VolumeAndPanAttenuateInHundredthsOfADecibel)
{
    struct Case {
        int32_t volume, pan;
    };
    for (const Case c : {Case{0, 0}, Case{-600, 0}, Case{-2000, 0}, Case{0, 300}, Case{0, -1500},
                         Case{-300, 2500}}) {
        OfflineOutput out;
        auto buffer = out.Buffer(kStereo16, SinePcm(kStereo16, 4800, 1000, 0.5));
        ASSERT_TRUE(buffer->SetVolume(c.volume));
        ASSERT_TRUE(buffer->SetPan(c.pan));
        ASSERT_TRUE(buffer->Play(PlayFlags::Looping));
        const auto [left, right] = ToneLevels(out);
        const double expectLeft = 0.5 * Db(c.volume) * (c.pan > 0 ? Db(-c.pan) : 1.0);
        const double expectRight = 0.5 * Db(c.volume) * (c.pan < 0 ? Db(c.pan) : 1.0);
        EXPECT_NEAR(left, expectLeft, expectLeft * 0.01) << c.volume << " " << c.pan;
        EXPECT_NEAR(right, expectRight, expectRight * 0.01) << c.volume << " " << c.pan;
    }
}

TEST(MixerLevels, FullPanAndMinimumVolumeAreSilent)
{
    OfflineOutput out;
    auto buffer = out.Buffer(kStereo16, SinePcm(kStereo16, 4800, 1000, 0.5));
    ASSERT_TRUE(buffer->SetPan(BufferLimits::PanLeft));
    ASSERT_TRUE(buffer->Play(PlayFlags::Looping));
    std::vector<float> mixed = out.Render(4800);
    EXPECT_EQ(Peak(mixed.data() + 1, 4800, 2), 0.0) << "pan -10000 silences the right channel";
    EXPECT_GT(Peak(mixed.data(), 4800, 2), 0.49);

    ASSERT_TRUE(buffer->SetPan(0));
    ASSERT_TRUE(buffer->SetVolume(BufferLimits::VolumeMin));
    out.Render(256);
    mixed = out.Render(4800);
    EXPECT_EQ(Peak(mixed.data(), 9600, 1), 0.0);
}

TEST(MixerLevels, MonoAndEightBitDataReachBothChannels)
{
    OfflineOutput out;
    const WaveFormat mono8 = WaveFormat::MakePcm(48000, 1, 8);
    const WaveFormat mono16 = WaveFormat::Pcm16(48000, 1);
    const WaveFormat stereo8 = WaveFormat::MakePcm(48000, 2, 8);
    for (const WaveFormat& format : {mono8, mono16, stereo8}) {
        auto buffer = out.Buffer(format, ConstantPcm(format, 2000, 0.5));
        ASSERT_TRUE(buffer->Play(PlayFlags::Looping));
        out.Render(256);
        const std::vector<float> mixed = out.Render(512);
        EXPECT_NEAR(mixed[100], 0.5, 1e-3) << format.bitsPerSample << "-bit " << format.channels;
        EXPECT_NEAR(mixed[101], 0.5, 1e-3);
        buffer->Stop();
        out.Render(256);
    }
}

TEST(MixerLevels, VoicesSumOnAFloatBusAndClipOnlyAtTheOutput)
{
    OfflineOutput out;
    std::vector<std::unique_ptr<CSoundBuffer>> voices;
    for (int i = 0; i < 200; ++i) {
        voices.push_back(out.Buffer(kStereo16, ConstantPcm(kStereo16, 1000, 0.004)));
        ASSERT_TRUE(voices.back()->Play(PlayFlags::Looping));
    }
    out.Render(256);
    std::vector<float> mixed = out.Render(256);
    EXPECT_NEAR(mixed[10], 200 * 0.004, 2e-3);

    // Two full-scale sounds clip at 1.0; one negative takes the sum back below it unharmed.
    auto loud1 = out.Buffer(kStereo16, ConstantPcm(kStereo16, 1000, 0.9));
    auto loud2 = out.Buffer(kStereo16, ConstantPcm(kStereo16, 1000, 0.9));
    loud1->Play(PlayFlags::Looping);
    loud2->Play(PlayFlags::Looping);
    out.Render(256);
    mixed = out.Render(256);
    EXPECT_EQ(mixed[10], 1.0f);
    // Two sounds that take it back below full scale leave it unharmed: the bus does not clip.
    auto negative1 = out.Buffer(kStereo16, ConstantPcm(kStereo16, 1000, -0.9));
    auto negative2 = out.Buffer(kStereo16, ConstantPcm(kStereo16, 1000, -0.9));
    negative1->Play(PlayFlags::Looping);
    negative2->Play(PlayFlags::Looping);
    out.Render(256);
    mixed = out.Render(256);
    EXPECT_NEAR(mixed[10], 200 * 0.004, 2e-3);
}

TEST(MixerLevels, MasterVolumeAndPanActOnTheWholeOutput)
{
    OfflineOutput out;
    auto buffer = out.Buffer(kStereo16, ConstantPcm(kStereo16, 1000, 0.5));
    buffer->Play(PlayFlags::Looping);
    ASSERT_TRUE(out.device.SetMasterVolume(-600));
    ASSERT_TRUE(out.device.SetMasterPan(10000));
    EXPECT_FALSE(out.device.SetMasterVolume(10));
    EXPECT_EQ(out.device.GetMasterVolume(), -600);
    EXPECT_EQ(out.device.GetMasterPan(), 10000);
    out.Render(256);
    const std::vector<float> mixed = out.Render(256);
    EXPECT_EQ(mixed[10], 0.0f) << "left silent";
    EXPECT_NEAR(mixed[11], 0.5 * Db(-600), 1e-3);
}

// The level meters' feed: the loudest sample each buffer put out since the meter last took
// it, after volume and pan, for 16-bit and 8-bit data; silence once the buffer stops.
TEST(MixerLevels, PeakFollowsTheVoiceAndItsVolume)
{
    const WaveFormat mono8 = WaveFormat::MakePcm(22050, 1, 8);
    struct Case {
        const WaveFormat* format;
        int32_t volume;
        double expected;
    };
    for (const Case c : {Case{&kStereo16, 0, 0.5}, Case{&kStereo16, -600, 0.5 * Db(-600)}, Case{&mono8, 0, 0.5},
                         Case{&mono8, -2000, 0.05}}) {
        OfflineOutput out;
        auto quiet = out.Buffer(kStereo16, SinePcm(kStereo16, 4800, 1000, 0.1));
        auto buffer = out.Buffer(*c.format, SinePcm(*c.format, 4800, 1000, 0.5));
        EXPECT_EQ(buffer->TakePeak(), 0.0f) << "nothing played yet";
        ASSERT_TRUE(buffer->SetVolume(c.volume));
        ASSERT_TRUE(buffer->Play(PlayFlags::Looping));
        ASSERT_TRUE(quiet->Play(PlayFlags::Looping));
        out.Render(960);  // past the start ramp
        buffer->TakePeak();
        quiet->TakePeak();
        out.Render(2400);
        EXPECT_NEAR(buffer->TakePeak(), c.expected, c.expected * 0.03) << c.volume;
        EXPECT_NEAR(quiet->TakePeak(), 0.1, 0.003) << "each voice has its own level";
        EXPECT_EQ(buffer->TakePeak(), 0.0f) << "taken";
        ASSERT_TRUE(buffer->Stop());
        out.Render(960);
        buffer->TakePeak();
        out.Render(960);
        EXPECT_EQ(buffer->TakePeak(), 0.0f) << "a stopped voice is silent";
        EXPECT_GT(quiet->TakePeak(), 0.09f);
    }
}

}  // namespace
}  // namespace tessaron::test
