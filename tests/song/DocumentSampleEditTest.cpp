#include <gtest/gtest.h>

#include "media/CSamples.h"
#include "media/SampleFixtures.h"
#include "song/CChordwayDoc.h"

namespace tessaron {
namespace {

const WaveFormat kStereo16 = WaveFormat::Pcm16(44100, 2);
constexpr int32_t kDecoded = 4410 * 4;

class DocumentSampleEdit : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto owned = std::make_unique<CSamples>();
        owned->filePath = test::WriteWav(dir, "tone.wav", kStereo16, test::SinePcm(kStereo16, 4410, 441, 0.5));
        owned->tempo = 100.0f;
        owned->stretchMode = 1;  // follows the song's tempo by time stretch
        sample = static_cast<CSamples*>(doc.InsertMedium(0, std::move(owned)));
        ASSERT_TRUE(sample->Open(&output.device, 100.0f));
        doc.ChargeMemory(*sample);
        doc.SetModified(false);
        ASSERT_EQ(doc.MemoryUsed(), kDecoded) << "the decoded sound, once";
    }

    test::TempDir dir;
    test::OfflineDevice output;
    CChordwayDoc doc;
    CSamples* sample = nullptr;
};

// Until it is committed, an edited sample holds its decoded sound (for a revert) beside the
// edited one; the song counts both, and only them.
TEST_F(DocumentSampleEdit, MemoryCountsTheDecodedAndTheEditedSound)
{
    std::vector<uint8_t> cut(4000);
    ASSERT_TRUE(doc.CutFromSample(*sample, cut.data(), 0, 4000));
    EXPECT_EQ(doc.MemoryUsed(), kDecoded + kDecoded - 4000);
    EXPECT_TRUE(doc.IsModified());
    ASSERT_TRUE(doc.InsertIntoSample(*sample, 0, cut.data(), 4000));
    EXPECT_EQ(doc.MemoryUsed(), 2 * kDecoded) << "same size, but a second block";

    ASSERT_TRUE(doc.ChangeSample(*sample, [&] { return sample->Commit(); }));
    EXPECT_EQ(doc.MemoryUsed(), kDecoded) << "the edited sound is the only one now";

    ASSERT_TRUE(doc.CropSample(*sample, 0, 50));
    EXPECT_EQ(doc.MemoryUsed(), kDecoded + sample->GetDataSize());
    const int32_t before = doc.MemoryUsed();
    EXPECT_FALSE(doc.CutFromSample(*sample, cut.data(), 100, 40));  // refused: nothing changes
    EXPECT_EQ(doc.MemoryUsed(), before);
    EXPECT_FALSE(doc.ChangeSample(*sample, [] { return false; }));
    EXPECT_EQ(doc.MemoryUsed(), before);

    ASSERT_TRUE(doc.ChangeSample(*sample, [&] { return sample->Revert(); }));
    EXPECT_EQ(doc.MemoryUsed(), kDecoded) << "a revert shares the decoded sound again";

    doc.RemoveMedium(0);
    EXPECT_EQ(doc.MemoryUsed(), 0);
}

TEST_F(DocumentSampleEdit, StretchedSoundIsCountedBesideTheDecodedOne)
{
    doc.SetTempo(125.0f);
    const int32_t stretched = sample->GetDataSize();
    ASSERT_EQ(stretched, kDecoded * 100 / 125 / 4 * 4);
    EXPECT_EQ(doc.MemoryUsed(), kDecoded + stretched);
    doc.SetTempo(80.0f);
    EXPECT_EQ(doc.MemoryUsed(), kDecoded + sample->GetDataSize()) << "restretched from the decoded sound";
    doc.SetTempo(100.0f);
    EXPECT_EQ(doc.MemoryUsed(), kDecoded) << "back at its own tempo: held once";
}

}  // namespace
}  // namespace tessaron
