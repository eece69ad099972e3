#include <gtest/gtest.h>

#include "OfflineOutput.h"
#include "support/ToneDetector.h"

namespace tessaron::test {
namespace {

const WaveFormat kStereo16 = WaveFormat::Pcm16(48000, 2);

TEST(SoundBuffer, CreationRefusesWhatCannotPlay)
{
    OfflineOutput out;
    SoundBufferDesc desc;
    desc.flags = kSampleFlags;
    desc.bufferBytes = 4000;
    EXPECT_EQ(out.device.CreateSecondary(desc), nullptr) << "no format";
    WaveFormat bits24 = WaveFormat::MakePcm(48000, 2, 24);
    desc.format = &bits24;
    EXPECT_EQ(out.device.CreateSecondary(desc), nullptr);
    WaveFormat surround = WaveFormat::MakePcm(48000, 6, 16);
    desc.format = &surround;
    EXPECT_EQ(out.device.CreateSecondary(desc), nullptr);
    desc.format = &kStereo16;
    desc.flags = kSampleFlags | BufferCaps::Primary;
    EXPECT_EQ(out.device.CreateSecondary(desc), nullptr);
    desc.flags = kSampleFlags;
    desc.bufferBytes = 2;
    EXPECT_EQ(out.device.CreateSecondary(desc), nullptr) << "less than a frame";
    desc.bufferBytes = 4000;
    auto buffer = out.device.CreateSecondary(desc);
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(buffer->GetCaps().bufferBytes, 4000u);
    EXPECT_EQ(buffer->GetCaps().flags, kSampleFlags);
    EXPECT_EQ(buffer->GetFormat(), kStereo16);
}

TEST(SoundBuffer, ControlsKeepTheirRangesAndFlags)
{
    OfflineOutput out;
    auto buffer = out.Buffer(kStereo16, ConstantPcm(kStereo16, 100, 0.1));
    ASSERT_NE(buffer, nullptr);
    EXPECT_TRUE(buffer->SetVolume(-10000));
    EXPECT_TRUE(buffer->SetVolume(0));
    EXPECT_FALSE(buffer->SetVolume(1));
    EXPECT_FALSE(buffer->SetVolume(-10001));
    EXPECT_TRUE(buffer->SetVolume(-1234));
    EXPECT_EQ(buffer->GetVolume(), -1234);
    EXPECT_TRUE(buffer->SetPan(-10000));
    EXPECT_TRUE(buffer->SetPan(10000));
    EXPECT_FALSE(buffer->SetPan(10001));
    EXPECT_EQ(buffer->GetPan(), 10000);
    EXPECT_FALSE(buffer->SetFrequency(99));
    EXPECT_FALSE(buffer->SetFrequency(100001));
    EXPECT_EQ(buffer->GetFrequency(), 48000u) << "refused values change nothing";
    EXPECT_TRUE(buffer->SetFrequency(100));
    EXPECT_TRUE(buffer->SetFrequency(100000));
    EXPECT_EQ(buffer->GetFrequency(), 100000u);
    EXPECT_TRUE(buffer->SetFrequency(0));
    EXPECT_EQ(buffer->GetFrequency(), 48000u) << "0 is the data's own rate";

    auto plain = out.Buffer(kStereo16, ConstantPcm(kStereo16, 100, 0.1), BufferCaps::Static);
    ASSERT_NE(plain, nullptr);
    EXPECT_FALSE(plain->SetVolume(-100)) << "volume control not asked for";
    EXPECT_FALSE(plain->SetPan(100));
    EXPECT_FALSE(plain->SetFrequency(22050));
}

TEST(SoundBuffer, LockHandsOutWrappedRegionsOneAtATime)
{
    OfflineOutput out;
    SoundBufferDesc desc;
    desc.flags = kSampleFlags;
    desc.bufferBytes = 1000;
    desc.format = &kStereo16;
    auto buffer = out.device.CreateSecondary(desc);
    ASSERT_NE(buffer, nullptr);

    LockedRegion region;
    ASSERT_TRUE(buffer->Lock(900, 300, region));
    EXPECT_EQ(region.bytes1, 100u);
    EXPECT_EQ(region.bytes2, 200u);
    ASSERT_NE(region.part2, nullptr);
    EXPECT_EQ(static_cast<uint8_t*>(region.part1) - static_cast<uint8_t*>(region.part2), 900);
    LockedRegion second;
    EXPECT_FALSE(buffer->Lock(0, 4, second)) << "one lock at a time";
    EXPECT_FALSE(buffer->Unlock(region.part2, 200, nullptr, 0)) << "not the locked pointer";
    std::memset(region.part1, 0x11, region.bytes1);
    std::memset(region.part2, 0x22, region.bytes2);
    ASSERT_TRUE(buffer->Unlock(region));
    EXPECT_FALSE(buffer->Unlock(region)) << "nothing locked any more";

    EXPECT_FALSE(buffer->Lock(0, 1001, region));
    void* p1 = nullptr;
    void* p2 = nullptr;
    uint32_t b1 = 0;
    uint32_t b2 = 0;
    ASSERT_TRUE(buffer->Lock(0, 0, &p1, &b1, &p2, &b2, LockFlags::EntireBuffer));
    EXPECT_EQ(b1, 1000u);
    EXPECT_EQ(p2, nullptr);
    const auto* bytes = static_cast<const uint8_t*>(p1);
    EXPECT_EQ(bytes[0], 0x22);
    EXPECT_EQ(bytes[199], 0x22);
    EXPECT_EQ(bytes[200], 0x00) << "new buffers are silent";
    EXPECT_EQ(bytes[900], 0x11);
    EXPECT_TRUE(buffer->Unlock(p1, b1, p2, b2));
}

TEST(SoundBuffer, NewEightBitBuffersHoldSilence)
{
    OfflineOutput out;
    const WaveFormat mono8 = WaveFormat::MakePcm(22050, 1, 8);
    SoundBufferDesc desc;
    desc.flags = kSampleFlags;
    desc.bufferBytes = 500;
    desc.format = &mono8;
    auto buffer = out.device.CreateSecondary(desc);
    ASSERT_NE(buffer, nullptr);
    ASSERT_TRUE(buffer->Play(PlayFlags::Looping));
    EXPECT_EQ(Peak(out.Render(1000).data(), 2000, 1), 0.0);
}

TEST(SoundBuffer, CursorAndStatusFollowPlayStopAndTheEnd)
{
    OfflineOutput out;
    auto buffer = out.Buffer(kStereo16, ConstantPcm(kStereo16, 1000, 0.25));
    ASSERT_NE(buffer, nullptr);
    uint32_t play = 99;
    uint32_t write = 0;
    ASSERT_TRUE(buffer->GetCurrentPosition(&play, &write));
    EXPECT_EQ(play, 0u);
    EXPECT_EQ(buffer->GetStatus(), 0u);

    ASSERT_TRUE(buffer->Play());
    EXPECT_EQ(buffer->GetStatus(), BufferStatus::Playing) << "at once, before the next block";
    out.Render(256);
    buffer->GetCurrentPosition(&play, &write);
    EXPECT_EQ(play, 256u * 4);
    EXPECT_GT(write, play) << "the write cursor is ahead of what is being mixed";

    ASSERT_TRUE(buffer->Stop());
    EXPECT_EQ(buffer->GetStatus(), 0u);
    out.Render(256);
    buffer->GetCurrentPosition(&play, nullptr);
    EXPECT_EQ(play, 256u * 4) << "a stopped buffer keeps its cursor";

    ASSERT_TRUE(buffer->SetCurrentPosition(803));
    buffer->GetCurrentPosition(&play, nullptr);
    EXPECT_EQ(play, 800u) << "rounded down to a frame, seen at once";
    EXPECT_FALSE(buffer->SetCurrentPosition(4000));

    ASSERT_TRUE(buffer->Play(PlayFlags::Looping));
    EXPECT_EQ(buffer->GetStatus(), BufferStatus::Playing | BufferStatus::Looping);
    out.Render(512);
    buffer->GetCurrentPosition(&play, nullptr);
    EXPECT_EQ(play, ((200u + 512) % 1000) * 4) << "looping wraps round";
    EXPECT_EQ(buffer->GetStatus(), BufferStatus::Playing | BufferStatus::Looping);

    ASSERT_TRUE(buffer->Play());  // playing again only drops the looping
    out.Render(1024);
    EXPECT_EQ(buffer->GetStatus(), 0u) << "a one-shot stops at its end";
    buffer->GetCurrentPosition(&play, nullptr);
    EXPECT_EQ(play, 0u) << "and rewinds";
}

TEST(SoundBuffer, UnlockedDataSoundsInTheNextBlock)
{
    OfflineOutput out;
    auto buffer = out.Buffer(kStereo16, ConstantPcm(kStereo16, 4800, 0.25));
    ASSERT_TRUE(buffer->Play(PlayFlags::Looping));
    out.Render(512);
    ASSERT_TRUE(OfflineOutput::Write(*buffer, 0, ConstantPcm(kStereo16, 4800, -0.5)));
    const std::vector<float> next = out.Render(256);
    EXPECT_NEAR(next[100], -0.5, 1e-3);
}

TEST(SoundBuffer, DuplicatesShareMemoryButNotSettings)
{
    OfflineOutput out;
    auto source = out.Buffer(kStereo16, ConstantPcm(kStereo16, 4800, 0.2));
    ASSERT_TRUE(source->SetVolume(-600));
    ASSERT_TRUE(source->SetFrequency(24000));
    auto duplicate = out.device.DuplicateSecondary(*source);
    ASSERT_NE(duplicate, nullptr);
    EXPECT_TRUE(duplicate->SharesMemoryWith(*source));
    EXPECT_EQ(duplicate->GetVolume(), -600) << "settings copied at duplication";
    EXPECT_EQ(duplicate->GetFrequency(), 24000u);
    EXPECT_EQ(duplicate->GetStatus(), 0u);

    ASSERT_TRUE(duplicate->SetVolume(0));
    ASSERT_TRUE(duplicate->SetFrequency(0));
    ASSERT_TRUE(duplicate->Play(PlayFlags::Looping));
    out.Render(256);
    EXPECT_EQ(source->GetStatus(), 0u) << "own play state";
    EXPECT_EQ(source->GetVolume(), -600);
    uint32_t play = 0;
    duplicate->GetCurrentPosition(&play, nullptr);
    EXPECT_EQ(play, 256u * 4);
    source->GetCurrentPosition(&play, nullptr);
    EXPECT_EQ(play, 0u) << "own cursor";

    ASSERT_TRUE(OfflineOutput::Write(*source, 0, ConstantPcm(kStereo16, 4800, 0.4)));
    std::vector<float> mixed = out.Render(256);
    EXPECT_NEAR(mixed[200], 0.4, 1e-3) << "an edit of the source sounds in the duplicate";

    source.reset();  // the duplicate keeps the memory alive
    mixed = out.Render(256);
    EXPECT_NEAR(mixed[200], 0.4, 1e-3);
}

TEST(SoundBuffer, SlotsComeBackAfterBuffersGo)
{
    OfflineOutput out;
    std::vector<std::unique_ptr<CSoundBuffer>> buffers;
    const auto pcm = ConstantPcm(kStereo16, 64, 0.0);
    while (auto buffer = out.Buffer(kStereo16, pcm)) {
        buffers.push_back(std::move(buffer));
        ASSERT_LE(buffers.size(), SoftwareMixer::kDefaultVoices);
    }
    EXPECT_EQ(buffers.size(), SoftwareMixer::kDefaultVoices);
    buffers.pop_back();
    out.Render(256);  // the mixer lets go of the voice in a callback
    out.device.Mixer()->Collect();
    EXPECT_NE(out.Buffer(kStereo16, pcm), nullptr);
}

}  // namespace
}  // namespace tessaron::test
