#include <gtest/gtest.h>

#include "media/CSamples.h"
#include "media/SampleFixtures.h"
#include "song/CChordwayDoc.h"

namespace tessaron {
namespace {

// The song's edits of a sample keep the memory it counts in step with the sample's size.
TEST(DocumentSampleEdit, MemoryFollowsCutsAndPastes)
{
    test::TempDir dir;
    test::OfflineDevice output;
    CChordwayDoc doc;
    auto owned = std::make_unique<CSamples>();
    owned->filePath = test::WriteWav(dir, "tone.wav", WaveFormat::Pcm16(44100, 2),
                                     test::SinePcm(WaveFormat::Pcm16(44100, 2), 4410, 441, 0.5));
    auto* sample = static_cast<CSamples*>(doc.InsertMedium(0, std::move(owned)));
    ASSERT_TRUE(sample->Open(&output.device, 100.0f));
    doc.AddMemory(sample->GetDataSize());
    doc.SetModified(false);
    const int32_t full = doc.MemoryUsed();
    ASSERT_EQ(full, 4410 * 4);

    std::vector<uint8_t> cut(4000);
    ASSERT_TRUE(doc.CutFromSample(*sample, cut.data(), 0, 4000));
    EXPECT_EQ(doc.MemoryUsed(), full - 4000);
    EXPECT_TRUE(doc.IsModified());
    ASSERT_TRUE(doc.InsertIntoSample(*sample, 0, cut.data(), 4000));
    EXPECT_EQ(doc.MemoryUsed(), full);
    ASSERT_TRUE(doc.CropSample(*sample, 0, 50));
    EXPECT_EQ(doc.MemoryUsed(), sample->GetDataSize());

    const int32_t before = doc.MemoryUsed();
    EXPECT_FALSE(doc.CutFromSample(*sample, cut.data(), 100, 40));  // refused: nothing changes
    EXPECT_EQ(doc.MemoryUsed(), before);
}

}  // namespace
}  // namespace tessaron
