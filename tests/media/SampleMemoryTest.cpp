#include <gtest/gtest.h>

#include "SampleFixtures.h"
#include "audiofile/CMediaReader.h"
#include "audioout/CSoundBuffer.h"
#include "media/CSampleData.h"

namespace tessaron::test {
namespace {

constexpr uint32_t kRate = 44100;
const WaveFormat kStereo16 = WaveFormat::Pcm16(kRate, 2);
constexpr int32_t kBytes = 8820 * 4;  // 0.2 s

// The sound's block as the mixer plays it.
const uint8_t* Playing(const CSampleData& data) { return data.Buffer()->Content()->Data(); }

class SampleMemory : public ::testing::Test {
protected:
    void SetUp() override
    {
        path = WriteWav(dir, "tone.wav", kStereo16, SinePcm(kStereo16, kBytes / 4, 441, 0.5));
        ASSERT_TRUE(data.LoadFile(path, 0, 0));
        ASSERT_TRUE(data.Open(&output.device));
    }

    TempDir dir;
    OfflineDevice output;
    std::string path;
    CSampleData data;
};

TEST_F(SampleMemory, DecodedSoundIsTheBlockThatPlays)
{
    ASSERT_NE(data.SourcePcm(), nullptr);
    EXPECT_EQ(data.Reader()->Data(), nullptr) << "the reader handed its bytes over";
    EXPECT_EQ(data.Reader()->LoadedSize(), kBytes) << "and still describes them";
    EXPECT_EQ(Playing(data), data.SourcePcm()) << "no copy for the mixer";
    EXPECT_EQ(data.Pcm(), data.SourcePcm());
    EXPECT_EQ(data.HeldBytes(), kBytes);

    data.SetLoop(true);
    ASSERT_TRUE(data.Play());
    EXPECT_NEAR(output.PlayedFrequency(300, 600), 441.0, 5.0) << "the adopted block sounds";

    CSampleData duplicate;
    ASSERT_TRUE(duplicate.MakeDuplicate(data, 1));
    EXPECT_EQ(duplicate.Pcm(), data.SourcePcm());
    EXPECT_EQ(duplicate.HeldBytes(), 0) << "a duplicate holds nothing of its own";
}

TEST_F(SampleMemory, AnEditHoldsOneMoreBlockUntilCommittedOrReverted)
{
    const uint8_t* decoded = data.SourcePcm();
    ASSERT_TRUE(data.Silence(0, 4000));
    EXPECT_NE(data.Pcm(), decoded);
    EXPECT_EQ(data.SourcePcm(), decoded) << "kept for a revert";
    EXPECT_EQ(data.HeldBytes(), 2 * kBytes);
    EXPECT_EQ(Words(data.Pcm(), 8), std::vector<int16_t>(4, 0));
    EXPECT_NE(Words(decoded, 4000), std::vector<int16_t>(2000, 0)) << "the decoded sound is untouched";

    ASSERT_TRUE(data.Commit());
    EXPECT_EQ(data.SourcePcm(), data.Pcm()) << "the edited block is the sound now: no copy";
    EXPECT_EQ(data.HeldBytes(), kBytes);

    ASSERT_TRUE(data.DeleteRange(0, 4000));
    EXPECT_EQ(data.HeldBytes(), kBytes + kBytes - 4000);
    ASSERT_TRUE(data.Revert());
    EXPECT_EQ(data.Pcm(), data.SourcePcm()) << "a revert shares the committed block again";
    EXPECT_EQ(data.BufferSize(), kBytes);
    EXPECT_EQ(data.HeldBytes(), kBytes);
    EXPECT_EQ(Words(data.Pcm(), 8), std::vector<int16_t>(4, 0)) << "the committed silence stays";
}

TEST_F(SampleMemory, AStretchHoldsTheStretchedSoundBesideTheDecodedOne)
{
    ASSERT_TRUE(data.FitTempo(TempoMode::Stretch, 0, 0, 100.0f, 125.0f));
    const int32_t stretched = data.BufferSize();
    EXPECT_EQ(stretched, kBytes * 100 / 125 / 4 * 4);
    EXPECT_EQ(data.HeldBytes(), kBytes + stretched);
    ASSERT_TRUE(data.FitTempo(TempoMode::Rate, 0, 0, 100.0f, 125.0f));
    EXPECT_EQ(data.Pcm(), data.SourcePcm()) << "playing by rate needs the decoded sound only";
    EXPECT_EQ(data.HeldBytes(), kBytes);

    // A stretch made before the buffer exists waits, counted, and is then played without a copy.
    CSampleData later;
    ASSERT_TRUE(later.LoadFile(path, 0, 0));
    ASSERT_TRUE(later.FitTempo(TempoMode::Stretch, 0, 0, 100.0f, 80.0f));
    const int64_t waiting = later.HeldBytes();
    EXPECT_EQ(waiting, kBytes + later.BufferSize());
    ASSERT_TRUE(later.Open(&output.device));
    EXPECT_EQ(later.HeldBytes(), waiting);
    EXPECT_NE(later.Pcm(), later.SourcePcm());
}

TEST_F(SampleMemory, MovingToAnotherDeviceSharesTheBlock)
{
    ASSERT_TRUE(data.Silence(0, 400));  // an edited sound moves as it is
    const uint8_t* edited = data.Pcm();
    OfflineDevice other(48000);
    data.SetLoop(true);
    ASSERT_TRUE(data.Play());
    ASSERT_TRUE(data.MoveToDevice(&other.device));
    EXPECT_EQ(data.Pcm(), edited);
    EXPECT_EQ(data.HeldBytes(), 2 * kBytes);
    EXPECT_TRUE(data.IsPlaying());
    other.Render(4800);  // past the silenced start
    EXPECT_NEAR(other.PlayedFrequency(300, 600), 441.0, 5.0);
}

TEST_F(SampleMemory, FloatCopyBecomesTheBufferWithoutTouchingTheDecodedSound)
{
    const uint8_t* decoded = data.SourcePcm();
    data.SetFloatCopy(std::vector<float>(kBytes / 4, 0.5f), std::vector<float>(kBytes / 4, -0.5f));
    EXPECT_EQ(data.HeldBytes(), kBytes + 2 * int64_t{kBytes / 4} * 4);
    ASSERT_TRUE(data.Fill(data.BufferSize()));
    EXPECT_EQ(Words(data.Pcm(), 8), (std::vector<int16_t>{16384, -16384, 16384, -16384}));
    EXPECT_EQ(data.SourcePcm(), decoded);
    EXPECT_EQ(data.HeldBytes(), 2 * kBytes);
    ASSERT_TRUE(data.Fill(data.BufferSize()));  // no float copy left: the decoded sound again
    EXPECT_EQ(data.Pcm(), decoded);
    EXPECT_EQ(data.HeldBytes(), kBytes);
}

}  // namespace
}  // namespace tessaron::test
