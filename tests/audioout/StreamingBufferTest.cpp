#include <gtest/gtest.h>

#include <cmath>

#include "OfflineOutput.h"
#include "support/ToneDetector.h"

namespace tessaron::test {
namespace {

// A streaming buffer refilled between the play cursor and the writer's own cursor, as a music
// file is streamed: the output is one unbroken tone, even at another playback frequency.
TEST(StreamingBuffer, RefillingBehindThePlayCursorPlaysWithoutGaps)
{
    for (uint32_t frequency : {0u, 52920u}) {
        OfflineOutput out(48000, 256);
        const WaveFormat format = WaveFormat::Pcm16(44100, 2);
        const uint32_t bytes = 4410 * format.blockAlign;  // 100 ms
        SoundBufferDesc desc;
        desc.flags = 0x180E0;  // streaming: frequency, pan, volume, global focus, precise cursor
        desc.bufferBytes = bytes;
        desc.format = &format;
        auto buffer = out.device.CreateSecondary(desc);
        ASSERT_NE(buffer, nullptr);
        ASSERT_EQ(buffer->GetCaps().flags & BufferCaps::Static, 0u);
        ASSERT_TRUE(buffer->SetFrequency(frequency));

        uint64_t written = 0;  // frames of the tone written so far
        uint32_t writeCursor = 0;
        auto fill = [&](uint32_t size) {
            const auto pcm = SinePcm(format, size / format.blockAlign, 441, 0.5, written);
            ASSERT_TRUE(OfflineOutput::Write(*buffer, writeCursor, pcm));
            written += size / format.blockAlign;
            writeCursor = (writeCursor + size) % bytes;
        };
        fill(bytes - format.blockAlign);
        ASSERT_TRUE(buffer->Play(PlayFlags::Looping));
        std::vector<float> all;
        for (int period = 0; period < 200; ++period) {  // 10 ms periods, 2 s
            const auto block = out.Render(480);
            all.insert(all.end(), block.begin(), block.end());
            uint32_t play = 0;
            ASSERT_TRUE(buffer->GetCurrentPosition(&play, nullptr));
            const uint32_t free = play >= writeCursor ? play - writeCursor : bytes - writeCursor + play;
            if (free > 0) {
                fill(free);
            }
        }
        const auto left = Channel(all, 2, 0);
        const double tone = frequency == 0 ? 441.0 : 441.0 * frequency / 44100;
        const double sineStep = 2 * std::acos(-1.0) * tone / 48000 * 0.5;
        EXPECT_LT(LargestStep(left.data() + 480, left.size() - 480, 1), sineStep * 1.1);
        EXPECT_NEAR(ToneAmplitude(left.data() + 480, left.size() - 480, 1, tone, 48000), 0.5, 0.01);
    }
}

}  // namespace
}  // namespace tessaron::test
