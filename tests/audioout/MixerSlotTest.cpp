#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "OfflineOutput.h"
#include "audioout/CSoundBuffer.h"
#include "audioout/CommandQueue.h"
#include "audioout/SoftwareMixer.h"
#include "support/ToneDetector.h"

namespace tessaron::test {
namespace {

const WaveFormat kStereo16 = WaveFormat::Pcm16(48000, 2);

// A running mixer of one voice, so that every buffer takes the same slot, pulled by hand.
struct OneVoiceMixer {
    OneVoiceMixer() { mixer->StreamStarting(); }
    ~OneVoiceMixer() { mixer->StreamStopped(); }

    std::unique_ptr<CSoundBuffer> Buffer(uint32_t frames)
    {
        SoundBufferDesc desc;
        desc.flags = kSampleFlags;
        desc.bufferBytes = frames * kStereo16.blockAlign;
        desc.format = &kStereo16;
        auto buffer = CSoundBuffer::Create(mixer, desc);
        if (buffer) {
            OfflineOutput::Write(*buffer, 0, ConstantPcm(kStereo16, frames, 0.25));
        }
        return buffer;
    }

    void Callback(uint32_t frames = 256)
    {
        out.resize(size_t(frames) * 2);
        mixer->Render_RT(out.data(), frames, 2);
    }

    std::shared_ptr<SoftwareMixer> mixer = std::make_shared<SoftwareMixer>(48000, 1);
    std::vector<float> out;
};

TEST(MixerSlots, ReusedSlotReportsItsNewOwnersStateAtOnce)
{
    OneVoiceMixer m;
    // The first owner sends as many commands as the second will, and leaves the slot stopped
    // with its cursor moved: the mixer has applied all of them when it goes.
    auto first = m.Buffer(4800);
    ASSERT_NE(first, nullptr);
    ASSERT_TRUE(first->SetVolume(-300));
    ASSERT_TRUE(first->Play());
    m.Callback();
    ASSERT_TRUE(first->Stop());
    m.Callback();
    uint32_t play = 0;
    first->GetCurrentPosition(&play, nullptr);
    ASSERT_EQ(play, 256u * 4);
    ASSERT_EQ(first->GetStatus(), 0u);
    first.reset();
    EXPECT_EQ(m.Buffer(100), nullptr) << "the slot is not free before a callback let go of it";
    m.Callback();
    m.mixer->Collect();

    auto second = m.Buffer(4800);
    ASSERT_NE(second, nullptr) << "the one slot is free again";
    ASSERT_TRUE(second->SetVolume(-600));
    ASSERT_TRUE(second->SetPan(200));
    ASSERT_TRUE(second->Play(PlayFlags::Looping));
    EXPECT_EQ(second->GetStatus(), BufferStatus::Playing | BufferStatus::Looping)
        << "before the next callback";
    second->GetCurrentPosition(&play, nullptr);
    EXPECT_EQ(play, 0u) << "not the last owner's cursor";

    m.Callback();
    EXPECT_EQ(second->GetStatus(), BufferStatus::Playing | BufferStatus::Looping);
    second->GetCurrentPosition(&play, nullptr);
    EXPECT_EQ(play, 256u * 4);
}

TEST(MixerSlots, ReusedSlotReportsItsNewOwnersCursorAtOnce)
{
    OneVoiceMixer m;
    auto first = m.Buffer(4800);
    ASSERT_NE(first, nullptr);
    ASSERT_TRUE(first->Play(PlayFlags::Looping));
    m.Callback();
    first.reset();  // released while playing: silenced at once
    m.Callback();
    m.mixer->Collect();

    auto second = m.Buffer(4800);
    ASSERT_NE(second, nullptr);
    ASSERT_TRUE(second->SetCurrentPosition(800));  // as many commands as the first owner sent
    uint32_t play = 0;
    second->GetCurrentPosition(&play, nullptr);
    EXPECT_EQ(play, 800u) << "before the next callback";
    m.Callback();
    second->GetCurrentPosition(&play, nullptr);
    EXPECT_EQ(play, 800u) << "a stopped buffer keeps its cursor";
    EXPECT_EQ(second->GetStatus(), 0u);
    EXPECT_EQ(Peak(m.out.data(), m.out.size(), 1), 0.0) << "the new owner has not played";
}

TEST(MixerQueue, ConsumerTakesOnlyWhatStoodBeforeItsMark)
{
    CommandQueue<int, 8> queue;
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(queue.Push(i));
    }
    const size_t mark = queue.Mark();
    ASSERT_TRUE(queue.Push(3));
    ASSERT_TRUE(queue.Push(4));
    std::vector<int> taken;
    int item = -1;
    while (queue.PopBefore(mark, item)) {
        taken.push_back(item);
    }
    EXPECT_EQ(taken, (std::vector<int>{0, 1, 2}));
    taken.clear();
    for (const size_t next = queue.Mark(); queue.PopBefore(next, item);) {
        taken.push_back(item);
    }
    EXPECT_EQ(taken, (std::vector<int>{3, 4})) << "later items wait for the next mark, in order";

    for (int i = 0; i < 8; ++i) {
        ASSERT_TRUE(queue.Push(10 + i)) << "the ring wraps round";
    }
    EXPECT_FALSE(queue.Push(99)) << "full";
    const size_t full = queue.Mark();
    for (int i = 0; i < 8; ++i) {
        ASSERT_TRUE(queue.PopBefore(full, item));
        EXPECT_EQ(item, 10 + i);
    }
    EXPECT_FALSE(queue.PopBefore(full, item));

    ASSERT_TRUE(queue.Push(7));
    ASSERT_TRUE(queue.Pop(item)) << "a plain pop takes what came after any earlier mark";
    EXPECT_EQ(item, 7);
    EXPECT_FALSE(queue.Pop(item));
}

}  // namespace
}  // namespace tessaron::test
