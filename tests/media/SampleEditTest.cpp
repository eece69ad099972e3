#include <gtest/gtest.h>

#include "SampleFixtures.h"
#include "audiofile/CWaveReader.h"
#include "media/CSamples.h"
#include "support/AudioTools.h"

namespace tessaron::test {
namespace {

constexpr uint32_t kRate = 44100;
constexpr int kBytes = 16000;  // 4000 stereo frames, 91 ms as the readers count

Bytes Held(const CSamples& s) { return Bytes(s.GetPcm(), s.GetPcm() + s.GetDataSize()); }
Bytes Slice(const Bytes& b, size_t from, size_t to) { return Bytes(b.begin() + from, b.begin() + to); }
Bytes Join(const Bytes& a, const Bytes& b)
{
    Bytes joined = a;
    joined.insert(joined.end(), b.begin(), b.end());
    return joined;
}

// A sample whose bytes count up (0, 1, ... 255, 0, ...), so that every edit shows in the bytes.
class SampleEdit : public ::testing::Test {
protected:
    void SetUp() override
    {
        pattern = Pattern(kBytes);
        sample.filePath = WriteWav(dir, "pattern.wav", WaveFormat::Pcm16(kRate, 2), pattern);
        sample.SetLoop(true);
        ASSERT_TRUE(sample.Open(&output.device, 100.0f));
        ASSERT_EQ(sample.endOffset, 91);
    }

    TempDir dir;
    OfflineDevice output;
    CSamples sample;
    Bytes pattern;
};

TEST_F(SampleEdit, CutPasteCropAndRevertRestoreTheExactBytes)
{
    ASSERT_TRUE(sample.Play());
    Bytes copied(4);
    ASSERT_TRUE(sample.Copy(copied.data(), 5, 10));
    EXPECT_EQ(copied, Slice(pattern, 4, 8)) << "positions round down to multiples of 4";

    Bytes cut(400);
    ASSERT_TRUE(sample.Cut(cut.data(), 402, 803));
    EXPECT_EQ(cut, Slice(pattern, 400, 800));
    EXPECT_EQ(Held(sample), Join(Slice(pattern, 0, 400), Slice(pattern, 800, kBytes)));
    EXPECT_TRUE(sample.IsDevicePlaying()) << "the new buffer plays on";
    EXPECT_EQ(sample.edited, 1);
    EXPECT_EQ(sample.uncommitted, 1);

    ASSERT_TRUE(sample.Insert(400, cut.data(), 400));
    EXPECT_EQ(Held(sample), pattern);

    // 10..20 ms, then 2..5 ms of that: the offsets follow, the first saved ones are kept.
    ASSERT_TRUE(sample.Crop(10, 20));
    EXPECT_EQ(Held(sample), Slice(pattern, 1764, 3528));
    EXPECT_EQ(sample.startOffset, 10);
    EXPECT_EQ(sample.endOffset, 20);
    ASSERT_TRUE(sample.Crop(2, 5));
    EXPECT_EQ(Held(sample), Slice(pattern, 1764 + 352, 1764 + 880));
    EXPECT_EQ(sample.startOffset, 12);
    EXPECT_EQ(sample.endOffset, 15);
    EXPECT_EQ(sample.savedStart, 0);
    EXPECT_EQ(sample.savedEnd, 91);

    ASSERT_TRUE(sample.Revert());
    EXPECT_EQ(Held(sample), pattern);
    EXPECT_EQ(sample.startOffset, 0);
    EXPECT_EQ(sample.endOffset, 91);
    EXPECT_EQ(sample.savedStart, -1);
    EXPECT_EQ(sample.edited, 0);
    EXPECT_EQ(sample.uncommitted, 0);
    EXPECT_TRUE(sample.IsDevicePlaying());
}

TEST_F(SampleEdit, RefusedRangesChangeNothing)
{
    Bytes any(kBytes + 8);
    EXPECT_FALSE(sample.Copy(any.data(), 100, 40));
    EXPECT_FALSE(sample.Copy(any.data(), 0, kBytes + 4));
    EXPECT_FALSE(sample.Cut(any.data(), 100, 40));
    EXPECT_FALSE(sample.Cut(nullptr, 0, kBytes + 4));
    EXPECT_FALSE(sample.Crop(50, 40));
    EXPECT_FALSE(sample.Crop(0, 92));
    EXPECT_FALSE(sample.Silence(8, 4));
    EXPECT_FALSE(sample.Insert(kBytes + 4, any.data(), 4));
    EXPECT_EQ(Held(sample), pattern);
    EXPECT_EQ(sample.edited, 0);
    EXPECT_EQ(sample.savedStart, -1);
    // A whole-buffer cut leaves nothing to play: refused, not an empty buffer.
    EXPECT_FALSE(sample.Cut(nullptr, 0, kBytes));
    EXPECT_EQ(Held(sample), pattern);
}

TEST_F(SampleEdit, SilenceZeroesTheRangeInWhatPlays)
{
    ASSERT_TRUE(sample.Silence(6, 13));
    Bytes expected = pattern;
    std::fill(expected.begin() + 4, expected.begin() + 12, 0);
    EXPECT_EQ(Held(sample), expected);
    // The output plays the edited buffer, not the file's copy.
    ASSERT_TRUE(sample.Silence(0, kBytes));
    ASSERT_TRUE(sample.Play());
    EXPECT_EQ(Peak(output.Render(2000).data(), 4000, 1), 0.0);
}

TEST_F(SampleEdit, CommitMakesTheEditTheSoundThatIsSaved)
{
    ASSERT_TRUE(sample.Crop(10, 20));
    ASSERT_TRUE(sample.Commit());
    EXPECT_EQ(sample.uncommitted, 0);
    EXPECT_EQ(sample.savedStart, -1);
    ASSERT_TRUE(sample.Revert());
    EXPECT_EQ(Held(sample), Slice(pattern, 1764, 3528)) << "revert goes back to the committed sound";
    EXPECT_EQ(sample.startOffset, 10);

    const std::string saved = dir.file("saved.wav");
    ASSERT_TRUE(sample.SaveSample(saved, sample.GetDuration(), false));
    CWaveReader reader;
    ASSERT_TRUE(reader.Open(saved, 0, 0));
    EXPECT_EQ(Bytes(reader.Data(), reader.Data() + reader.LoadedSize()), Slice(pattern, 1764, 3528));
    EXPECT_EQ(reader.Channels(), 2);
    EXPECT_EQ(reader.SampleRate(), int(kRate));
}

TEST_F(SampleEdit, CommitOfADecodedFileKeepsTheEditedSound)
{
    if (!HaveTool("sox")) {
        GTEST_SKIP() << "sox makes the FLAC file";
    }
    const std::string flac = dir.file("pattern.flac");
    ASSERT_TRUE(test::Run("sox '" + sample.filePath + "' '" + flac + "'"));
    CSamples decoded;
    decoded.filePath = flac;
    ASSERT_TRUE(decoded.Open(&output.device, 100.0f));
    // The decoder counts whole milliseconds, so its sound may end a little early.
    const Bytes before = Held(decoded);
    ASSERT_GE(before.size(), 15000u);
    ASSERT_EQ(before, Slice(pattern, 0, before.size()));
    ASSERT_TRUE(decoded.Cut(nullptr, 0, 8000));
    ASSERT_TRUE(decoded.Commit());
    ASSERT_TRUE(decoded.Revert());
    EXPECT_EQ(Held(decoded), Slice(before, 8000, before.size()));
}

TEST_F(SampleEdit, SavedFilesDescribeTheirSound)
{
    // Mono from stereo: each frame becomes the mean of its channels.
    const std::string mono = dir.file("mono.wav");
    ASSERT_TRUE(sample.SaveSample(mono, 10, true));
    CWaveReader reader;
    ASSERT_TRUE(reader.Open(mono, 0, 0));
    EXPECT_EQ(reader.Channels(), 1);
    ASSERT_EQ(reader.LoadedSize(), 441 * 2);
    const auto words = Words(pattern.data(), pattern.size());
    const auto saved = Words(reader.Data(), size_t(reader.LoadedSize()));
    for (size_t f = 0; f < saved.size(); ++f) {
        ASSERT_EQ(saved[f], static_cast<int16_t>((words[2 * f] + words[2 * f + 1]) / 2)) << f;
    }
    // A length beyond the sound stops at the sound's end.
    ASSERT_TRUE(sample.SaveSample(mono, 5000, true));
    ASSERT_TRUE(reader.Open(mono, 0, 0));
    EXPECT_EQ(reader.LoadedSize(), kBytes / 2);

    // 8-bit mono at 22050 Hz keeps its own format in the header.
    const WaveFormat small = WaveFormat::MakePcm(22050, 1, 8);
    CSamples eight;
    eight.filePath = WriteWav(dir, "eight.wav", small, SinePcm(small, 2205, 441, 0.5));
    ASSERT_TRUE(eight.Open(&output.device, 100.0f));
    const std::string copy = dir.file("copy.wav");
    ASSERT_TRUE(eight.SaveSample(copy, eight.GetDuration(), false));
    ASSERT_TRUE(reader.Open(copy, 0, 0));
    EXPECT_EQ(reader.SampleRate(), 22050);
    EXPECT_EQ(reader.BitsPerSample(), 8);
    EXPECT_EQ(Bytes(reader.Data(), reader.Data() + reader.LoadedSize()), Held(eight));
}

TEST(SampleValues, ReadSignedValuesAndTheirMean)
{
    const int16_t words[] = {100, -300, 50, 7};
    const auto* bytes = reinterpret_cast<const uint8_t*>(words);
    EXPECT_EQ(CSampleData::Sample(0, 0, 8, bytes, 16), 100);
    EXPECT_EQ(CSampleData::Sample(0, 1, 8, bytes, 16), -300);
    EXPECT_EQ(CSampleData::Sample(0, -1, 8, bytes, 16), -100);
    EXPECT_EQ(CSampleData::Sample(6, 1, 8, bytes, 16), 100) << "the last value's next is the first";
    EXPECT_EQ(CSampleData::Sample(8, 0, 8, bytes, 16), 100) << "beyond the data reads at 0";
    EXPECT_EQ(CSampleData::Sample(0, 0, 8, bytes, 24), 0);
    const uint8_t unsignedBytes[] = {138, 108};
    EXPECT_EQ(CSampleData::Sample(0, 0, 2, unsignedBytes, 8), 10);
    EXPECT_EQ(CSampleData::Sample(0, 1, 2, unsignedBytes, 8), -20);
    EXPECT_EQ(CSampleData::Sample(0, -1, 2, unsignedBytes, 8), -5);
}

TEST(SampleValues, FloatWorkingCopyReplacesThePcmTruncatedAndClipped)
{
    TempDir dir;
    OfflineDevice output;
    CSampleData data;
    ASSERT_TRUE(data.LoadFile(WriteWav(dir, "z.wav", WaveFormat::Pcm16(kRate, 2), Bytes(16, 0)), 0, 0));
    ASSERT_TRUE(data.Open(&output.device));
    data.SetFloatCopy({0.5f, -1.0f, 1.0f, 0.00002f}, {-0.25f, 0.99999f, -0.00002f, 0.0f});
    ASSERT_TRUE(data.Fill(data.BufferSize()));
    EXPECT_EQ(Words(data.Pcm(), 16), (std::vector<int16_t>{16384, -8192, -32768, 32767, 32767, 0, 0, 0}));
    ASSERT_TRUE(data.Fill(data.BufferSize()));
    EXPECT_EQ(Words(data.Pcm(), 16), (std::vector<int16_t>(8, 0))) << "the copy is used once";
}

TEST(SampleValues, PeakFollowsTheLevelFromThePlayCursor)
{
    TempDir dir;
    OfflineDevice output;
    const WaveFormat format = WaveFormat::Pcm16(kRate, 2);
    auto pcm = ConstantPcm(format, 1000, 0.0);
    auto loud = ConstantPcm(format, 1000, 0.5);
    pcm.insert(pcm.end(), loud.begin(), loud.end());
    CSamples sample;
    sample.filePath = WriteWav(dir, "steps.wav", format, pcm);
    ASSERT_TRUE(sample.Open(&output.device, 100.0f));
    EXPECT_EQ(sample.CurrentPeak(100.0f), 0);
    sample.SetPosition(1000 * 1000 / int(kRate) + 1);  // into the loud half
    EXPECT_EQ(sample.CurrentPeak(100.0f), 16384);
    CSampleData* data = sample.SampleData();
    EXPECT_EQ(data->Peak(4 * 990, 32, 0), 16384) << "reaches the loud part within 32 reads";
    EXPECT_EQ(data->Peak(4 * 1999, 32, 5), 0) << "the last frame wraps to the quiet start";
}

}  // namespace
}  // namespace tessaron::test
