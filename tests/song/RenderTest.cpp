#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "audiofile/CWaveReader.h"
#include "framework/CProgressRecorder.h"
#include "media/CSamples.h"
#include "song/CChordwayDoc.h"
#include "song/CRenderVoice.h"
#include "song/CScheduler.h"
#include "song/CSongRenderer.h"
#include "support/TempDir.h"

namespace tessaron {
namespace {

// A sample whose sound is a given block of PCM, already loaded.
class PcmSample : public CSamples {
public:
    PcmSample(std::vector<uint8_t> pcm, int channels, int rate, int bits)
        : pcm_(std::move(pcm)), channels_(channels), rate_(rate), bits_(bits)
    {
        loaded = 1;
        duration = endOffset = static_cast<int>(pcm_.size() * 1000 / (rate * channels * bits / 8));
    }
    const uint8_t* GetPcm() const override { return pcm_.data(); }
    int GetChannels() const override { return channels_; }
    int GetSampleRate() const override { return rate_; }
    int GetBitsPerSample() const override { return bits_; }
    int GetDataSize() const override { return static_cast<int>(pcm_.size()); }
    void Stop() override {}

private:
    std::vector<uint8_t> pcm_;
    int channels_, rate_, bits_;
};

std::vector<uint8_t> Pcm16(const std::vector<int16_t>& samples)
{
    std::vector<uint8_t> bytes(samples.size() * 2);
    std::memcpy(bytes.data(), samples.data(), bytes.size());
    return bytes;
}

std::vector<int16_t> ReadWav(const std::string& path, int* channels = nullptr)
{
    CWaveReader reader;
    EXPECT_TRUE(reader.OpenForRead(path));
    if (channels != nullptr) {
        *channels = reader.Format().channels;
    }
    std::vector<int16_t> samples(static_cast<size_t>(reader.GetDataSize() / 2));
    reader.Read(samples.data(), static_cast<int32_t>(samples.size() * 2));
    return samples;
}

// The attenuation as the render defines it, written out the long way.
int32_t ReferenceAttenuate(int32_t v, int32_t a)
{
    if (a == 0 || v == 0) {
        return v;
    }
    const double magnitude = std::trunc(std::pow(10.0, std::log10(std::abs(v)) + a / 200.0));
    return static_cast<int32_t>(v < 0 ? -magnitude : magnitude);
}

class Render : public ::testing::Test {
protected:
    Render() : scheduler(doc), renderer(doc, scheduler, &progress) { doc.SetTempo(120.0f); }

    PcmSample* Add(std::vector<uint8_t> pcm, int channels, int rate, int bits = 16)
    {
        auto sample = std::make_unique<PcmSample>(std::move(pcm), channels, rate, bits);
        return static_cast<PcmSample*>(doc.InsertMedium(doc.MediaCount(), std::move(sample)));
    }

    void Event(int code, CMedia* medium, int startMs, int durationMs, int v1 = 0, int v2 = 0)
    {
        CAction action(code, medium, medium->slot, -1, v1, v2);
        action.SetStart(startMs);
        action.SetDuration(durationMs);
        action.MusicalFromMs(doc.Tempo());
        doc.RecordAction(action);
    }

    test::TempDir dir;
    CProgressRecorder progress;
    CChordwayDoc doc;
    CScheduler scheduler;
    CSongRenderer renderer;
};

TEST_F(Render, SilenceAndEmptyFilesHaveTheRightLength)
{
    ASSERT_TRUE(renderer.Render(dir.file("silence.wav"), 1000, false));
    int channels = 0;
    const auto samples = ReadWav(dir.file("silence.wav"), &channels);
    EXPECT_EQ(channels, 2);
    EXPECT_EQ(samples.size(), 2u * 44100u);
    EXPECT_TRUE(std::all_of(samples.begin(), samples.end(), [](int16_t s) { return s == 0; }));
    EXPECT_EQ(progress.title, "Write song in file");
    EXPECT_EQ(progress.messages.front(), "Write 0 seconds");

    ASSERT_TRUE(renderer.Render(dir.file("short.wav"), 10, true));
    EXPECT_EQ(ReadWav(dir.file("short.wav")).size(), 441u);
    ASSERT_TRUE(renderer.Render(dir.file("empty.wav"), 0, false));
    EXPECT_TRUE(ReadWav(dir.file("empty.wav")).empty());
    EXPECT_EQ(std::filesystem::file_size(dir.file("empty.wav")), 44u);
}

TEST_F(Render, QuarterRateSampleInterpolatesFourFramesPerSourceFrame)
{
    PcmSample* ramp = Add(Pcm16({0, 400, 800, 1200, -400}), 1, 11025);
    Event(CAction::kPlay, ramp, 0, 1000);
    ASSERT_TRUE(renderer.Render(dir.file("ramp.wav"), 2, true, 16));
    const auto out = ReadWav(dir.file("ramp.wav"));
    ASSERT_EQ(out.size(), 88u);
    const std::vector<int16_t> expected = {0,    100,  200, 300, 400, 500, 600, 700, 800, 900,
                                           1000, 1100, 1200, 800, 400, 0,   -400, -300, -200, -100, 0};
    EXPECT_EQ(std::vector<int16_t>(out.begin(), out.begin() + 21), expected);  // loops back to the start
}

TEST_F(Render, TwoMonoSamplesGiveEqualChannelsOfTheScaledSum)
{
    PcmSample* a = Add(Pcm16({1000, -2000, 30000, 20000}), 1, 44100);
    PcmSample* b = Add(Pcm16({500, 500, 30000, -7}), 1, 44100);
    Event(CAction::kPlay, a, 0, 1000);
    Event(CAction::kPlay, b, 0, 1000);
    ASSERT_TRUE(renderer.Render(dir.file("two.wav"), 1, false));  // 17-bit mix
    const auto out = ReadWav(dir.file("two.wav"));
    const int sums[4] = {1500, -1500, 60000, 19993};
    for (int i = 0; i < 4; ++i) {
        const int expected = std::clamp(static_cast<int>(sums[i] * 0.9375), -32767, 32767);
        EXPECT_EQ(out[static_cast<size_t>(2 * i)], expected) << i;
        EXPECT_EQ(out[static_cast<size_t>(2 * i + 1)], expected) << i;
    }
}

TEST_F(Render, VolumePanAndEventsFollowTheirTimes)
{
    std::vector<int16_t> stereo;
    for (int i = 0; i < 441; ++i) {
        stereo.push_back(static_cast<int16_t>(10000 + i));
        stereo.push_back(static_cast<int16_t>(-12000 - i));
    }
    PcmSample* s = Add(Pcm16(stereo), 2, 44100);
    Event(CAction::kPlay, s, 10, 30, -60, -250);  // pan left: the left channel drops
    Event(CAction::kVolume, s, 20, 0, -200);
    Event(CAction::kPan, s, 30, 0, 400);
    ASSERT_TRUE(renderer.Render(dir.file("events.wav"), 50, false, 16));
    const auto out = ReadWav(dir.file("events.wav"));
    // Whole tens of milliseconds fall on whole output frames; the sample loops every 441 frames.
    const auto frame = [&](int ms) { return static_cast<size_t>(ms * 441 / 10) * 2; };
    const auto source = [&](int ms) { return static_cast<int>((frame(ms) - frame(10)) / 2 % 441); };
    EXPECT_EQ(out[frame(10) - 2], 0);  // silent before its start
    // At 10 ms: first source frame, pan -250 on the left, volume -60 on both.
    EXPECT_NEAR(out[frame(10)], ReferenceAttenuate(ReferenceAttenuate(10000, -250), -60), 1);
    EXPECT_NEAR(out[frame(10) + 1], ReferenceAttenuate(-12000, -60), 1);
    // From 20 ms the volume is -200.
    EXPECT_NEAR(out[frame(20)], ReferenceAttenuate(ReferenceAttenuate(10000 + source(20), -250), -200), 1);
    // The frame before 20 ms is the last source frame, still at the old volume.
    EXPECT_NEAR(out[frame(20) - 2], ReferenceAttenuate(ReferenceAttenuate(10000 + 440, -250), -60), 1);
    // From 30 ms the pan is 400: left full, right down.
    EXPECT_NEAR(out[frame(30)], ReferenceAttenuate(10000 + source(30), -200), 1);
    EXPECT_NEAR(out[frame(30) + 1], ReferenceAttenuate(ReferenceAttenuate(-12000 - source(30), -400), -200), 1);
    // The scheduled stop at 40 ms silences it.
    EXPECT_EQ(out[frame(40) + 2], 0);
    EXPECT_NE(out[frame(40) - 2], 0);
}

TEST_F(Render, EightBitDataAndOddRatesAndAStop)
{
    PcmSample* eight = Add({0x90, 0x70}, 1, 22050, 8);  // 16 and -16 around the silence of 128
    PcmSample* odd = Add(Pcm16({5000, 5000}), 1, 48000);
    Event(CAction::kPlay, eight, 0, 1000);
    Event(CAction::kPlay, odd, 0, 1000);
    Event(CAction::kStop, eight, 1, 0);
    ASSERT_TRUE(renderer.Render(dir.file("eight.wav"), 2, true, 16));
    const auto out = ReadWav(dir.file("eight.wav"));
    EXPECT_EQ(out[0], 256);   // 16 x 16; the 48 kHz sample plays nothing
    EXPECT_EQ(out[1], 0);     // half way to -256
    EXPECT_EQ(out[2], -256);
    EXPECT_EQ(out[44], 256);  // output frame 44 still lies in the first millisecond
    EXPECT_EQ(out[45], 0);    // stopped at 1 ms
}

TEST_F(Render, CancelLeavesNoFile)
{
    progress.cancelAt = 2;
    EXPECT_FALSE(renderer.Render(dir.file("cancelled.wav"), 5000, false));
    EXPECT_FALSE(std::filesystem::exists(dir.file("cancelled.wav")));
    EXPECT_FALSE(renderer.Render(dir.file("no/such/folder.wav"), 5000, false));
}

TEST(RenderVoiceMath, AttenuationMatchesTheLongFormWithinOneStep)
{
    for (int32_t v : {1, -1, 7, 100, -3333, 32767, -32768}) {
        for (int32_t a : {0, -1, -60, -200, -999, -1000}) {
            EXPECT_NEAR(CRenderVoice::Attenuate(v, a), ReferenceAttenuate(v, a), 1) << v << " " << a;
        }
    }
    EXPECT_DOUBLE_EQ(CSongRenderer::ScaleForBits(16), 1.0);
    EXPECT_DOUBLE_EQ(CSongRenderer::ScaleForBits(17), 0.9375);
    EXPECT_DOUBLE_EQ(CSongRenderer::ScaleForBits(18), 0.3125);
    EXPECT_DOUBLE_EQ(CSongRenderer::ScaleForBits(20), 0.0625);
}

TEST_F(Render, EndTexts)
{
    CMedia* a = Add(Pcm16({1, 2}), 1, 44100);
    Event(CAction::kPlay, a, 0, 4000);
    doc.ComputeSongLength();
    EXPECT_EQ(CSongRenderer::DefaultEndText(doc), "3.1.0");
    EXPECT_EQ(CSongRenderer::EndTextToMs(doc, "3.1.0"), 4000);
    EXPECT_EQ(CSongRenderer::EndTextToMs(doc, "00:00:08.000"), 8000);
    doc.SetTimeDisplay(true);
    EXPECT_EQ(CSongRenderer::DefaultEndText(doc), "00:00:04.000");
}

}  // namespace
}  // namespace tessaron

namespace tessaron {
namespace {

// The render voice written out frame by frame, straight from its definition, to hold the
// fast mix to: same values within one step of the last bit.
struct ReferenceVoice {
    std::vector<uint8_t> pcm;
    int channels, bits;
    int32_t step, volume, pan;
    uint32_t position = 0;
    int32_t phase = 0;

    int32_t At(uint32_t byte) const
    {
        return bits == 16 ? static_cast<int16_t>(pcm[byte] | (pcm[byte + 1] << 8)) : (pcm[byte] - 128) * 16;
    }

    void Next(int32_t& left, int32_t& right)
    {
        const uint32_t frame = static_cast<uint32_t>(channels * bits / 8);
        const auto size = static_cast<uint32_t>(pcm.size());
        if (phase >= 65536) {
            position += static_cast<uint32_t>(phase / 65536) * frame;
            phase %= 65536;
            if (position >= size) {
                position = 0;
            }
        }
        const uint32_t next = position + frame >= size ? 0 : position + frame;
        const double fraction = phase / 65536.0;
        left = At(position) + static_cast<int32_t>((At(next) - At(position)) * fraction);
        if (channels == 2 && pan < 0) {
            left = ReferenceAttenuate(left, pan);
        }
        phase += step;
        left = ReferenceAttenuate(left, volume);
        if (channels == 2) {
            const uint32_t b = static_cast<uint32_t>(bits / 8);
            right = At(position + b) + static_cast<int32_t>((At(next + b) - At(position + b)) * fraction);
            if (pan > 0) {
                right = ReferenceAttenuate(right, -pan);
            }
            right = ReferenceAttenuate(right, volume);
        } else {
            right = left;
        }
    }
};

TEST_F(Render, WholeOutputMatchesTheFrameByFrameDefinition)
{
    struct Layout {
        int channels, rate, bits, volume, pan;
    };
    const Layout layouts[] = {{2, 44100, 16, -35, 120}, {1, 44100, 16, 0, 0},  {2, 22050, 16, -100, -300},
                              {1, 11025, 8, -7, 0},     {2, 44100, 8, 0, -999}, {1, 22050, 16, -1000, 0}};
    uint32_t seed = 7;
    std::vector<ReferenceVoice> reference;
    for (const Layout& layout : layouts) {
        std::vector<uint8_t> pcm(static_cast<size_t>(1000 + 37 * layout.rate / 11025) * layout.channels *
                                 layout.bits / 8);
        for (uint8_t& byte : pcm) {
            seed = seed * 1664525u + 1013904223u;
            byte = static_cast<uint8_t>(seed >> 24);
        }
        CMedia* medium = Add(pcm, layout.channels, layout.rate, layout.bits);
        Event(CAction::kPlay, medium, 0, 100000, layout.volume, layout.pan);
        reference.push_back(ReferenceVoice{pcm, layout.channels, layout.bits,
                                           static_cast<int32_t>(layout.rate / 44100.0 * 65536.0), layout.volume,
                                           layout.pan});
    }
    ASSERT_TRUE(renderer.Render(dir.file("whole.wav"), 500, false));
    const auto out = ReadWav(dir.file("whole.wav"));
    ASSERT_EQ(out.size(), 2u * 22050u);
    int worst = 0;
    for (size_t frame = 0; frame < out.size() / 2; ++frame) {
        int64_t left = 0, right = 0;
        for (ReferenceVoice& voice : reference) {
            int32_t l, r;
            voice.Next(l, r);
            left += l;
            right += r;
        }
        const auto clip = [](int64_t v) { return std::clamp<int64_t>(static_cast<int64_t>(v * 0.9375), -32767, 32767); };
        worst = std::max<int>(worst, static_cast<int>(std::abs(out[2 * frame] - clip(left))));
        worst = std::max<int>(worst, static_cast<int>(std::abs(out[2 * frame + 1] - clip(right))));
    }
    // Computing 10^(a/200) once instead of through log10 may round one step apart at most.
    EXPECT_LE(worst, 1);
}

}  // namespace
}  // namespace tessaron
