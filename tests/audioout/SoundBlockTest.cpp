#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "OfflineOutput.h"
#include "audioout/CSoundBuffer.h"
#include "audioout/SoundBlock.h"
#include "support/ToneDetector.h"

namespace tessaron::test {
namespace {

const WaveFormat kStereo16 = WaveFormat::Pcm16(48000, 2);

std::shared_ptr<const SoundBlock> BlockOf(const std::vector<uint8_t>& pcm)
{
    auto bytes = std::make_unique<uint8_t[]>(pcm.size());
    std::copy(pcm.begin(), pcm.end(), bytes.get());
    return std::make_shared<const SoundBlock>(std::move(bytes), static_cast<uint32_t>(pcm.size()));
}

SoundBufferDesc DescOf(uint32_t bytes)
{
    SoundBufferDesc desc;
    desc.flags = kSampleFlags;
    desc.bufferBytes = bytes;
    desc.format = &kStereo16;
    return desc;
}

TEST(SoundBlocks, BufferPlaysTheBlockItIsGivenWithoutACopy)
{
    OfflineOutput out;
    const auto pcm = ConstantPcm(kStereo16, 4800, 0.25);
    auto block = BlockOf(pcm);
    EXPECT_EQ(out.device.CreateSecondary(DescOf(uint32_t(pcm.size()) - 4), block), nullptr)
        << "the block must be the buffer's size";

    auto buffer = out.device.CreateSecondary(DescOf(uint32_t(pcm.size())), block);
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(buffer->Content(), block);
    ASSERT_TRUE(buffer->Play(PlayFlags::Looping));
    const auto played = out.Render(512);
    EXPECT_NEAR(played[300], 0.25, 1e-3);

    auto duplicate = out.device.DuplicateSecondary(*buffer);
    ASSERT_NE(duplicate, nullptr);
    EXPECT_EQ(duplicate->Content(), block) << "duplicates share the block";
}

TEST(SoundBlocks, ReplaceSoundsInTheNextBlockAndRefusesWhatDoesNotFit)
{
    OfflineOutput out;
    auto buffer = out.device.CreateSecondary(DescOf(4800 * 4), BlockOf(ConstantPcm(kStereo16, 4800, 0.25)));
    ASSERT_NE(buffer, nullptr);
    ASSERT_TRUE(buffer->Play(PlayFlags::Looping));
    out.Render(256);

    EXPECT_FALSE(buffer->Replace(BlockOf(ConstantPcm(kStereo16, 100, -0.5)))) << "another size";
    EXPECT_FALSE(buffer->Replace(nullptr));
    LockedRegion region;
    ASSERT_TRUE(buffer->Lock(0, 16, region));
    EXPECT_FALSE(buffer->Replace(BlockOf(ConstantPcm(kStereo16, 4800, -0.5)))) << "a lock is open";
    ASSERT_TRUE(buffer->Unlock(region));
    EXPECT_NEAR(out.Render(256)[100], 0.25, 1e-3) << "nothing refused reached the output";

    auto next = BlockOf(ConstantPcm(kStereo16, 4800, -0.5));
    ASSERT_TRUE(buffer->Replace(next));
    EXPECT_EQ(buffer->Content(), next);
    EXPECT_NEAR(out.Render(256)[100], -0.5, 1e-3);
}

TEST(SoundBlocks, ReplacedBlockIsFreedOnlyOnceNoCallbackCanReadIt)
{
    OfflineOutput out;
    std::weak_ptr<const SoundBlock> first;
    std::unique_ptr<CSoundBuffer> buffer;
    {
        auto block = BlockOf(ConstantPcm(kStereo16, 4800, 0.25));
        first = block;
        buffer = out.device.CreateSecondary(DescOf(4800 * 4), std::move(block));
        ASSERT_NE(buffer, nullptr);
    }
    ASSERT_TRUE(buffer->Play(PlayFlags::Looping));
    out.Render(256);
    ASSERT_TRUE(buffer->Replace(BlockOf(ConstantPcm(kStereo16, 4800, -0.5))));
    EXPECT_FALSE(first.expired()) << "the callback that began before the exchange may still read it";
    out.Render(256);
    out.device.Mixer()->Collect();
    EXPECT_TRUE(first.expired()) << "freed on the control side after a whole callback";

    // A block the sample still holds outlives the mixer's hold of it.
    auto kept = BlockOf(ConstantPcm(kStereo16, 4800, 0.1));
    ASSERT_TRUE(buffer->Replace(kept));
    ASSERT_TRUE(buffer->Replace(BlockOf(ConstantPcm(kStereo16, 4800, 0.2))));
    out.Render(256);
    out.device.Mixer()->Collect();
    EXPECT_EQ(kept.use_count(), 1) << "the mixer let go; the holder keeps it";
    EXPECT_EQ(kept->Data()[0], ConstantPcm(kStereo16, 1, 0.1)[0]);
}

}  // namespace
}  // namespace tessaron::test
