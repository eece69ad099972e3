#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "audioout/DeadlineTask.h"
#include "audioout/StreamWatch.h"

namespace tessaron {
namespace {

using namespace std::chrono_literals;

// A stream at 48000 Hz observed every 25 ms, as the watch thread does.
class StreamWatchTest : public ::testing::Test {
protected:
    StreamWatch::Clock::time_point At(std::chrono::milliseconds ms) const { return start_ + ms; }

    const StreamWatch::Clock::time_point start_ = StreamWatch::Clock::now();
};

TEST_F(StreamWatchTest, AStreamThatKeepsTimeIsNeverLost)
{
    StreamWatch watch(48000, {});
    watch.Started(start_);
    // Callbacks of 256 frames (5.3 ms) seen in lumps, with the jitter of a busy machine.
    uint64_t frames = 0;
    for (int ms = 25; ms <= 10000; ms += 25) {
        frames = static_cast<uint64_t>((ms - (ms % 100 == 0 ? 20 : 0)) * 48) / 256 * 256;
        ASSERT_FALSE(watch.Lost(At(std::chrono::milliseconds(ms)), frames)) << ms;
    }
}

TEST_F(StreamWatchTest, CallbacksThatStopAreALossAfterTheStallLimit)
{
    StreamWatch watch(48000, {.stallLimit = 500ms});
    watch.Started(start_);
    EXPECT_FALSE(watch.Lost(At(1000ms), 48000));
    EXPECT_FALSE(watch.Lost(At(1400ms), 48000));
    EXPECT_FALSE(watch.Lost(At(1500ms), 48000));
    EXPECT_TRUE(watch.Lost(At(1525ms), 48000));

    // No callback at all after the start counts as well.
    StreamWatch never(48000, {.stallLimit = 500ms});
    never.Started(start_);
    EXPECT_FALSE(never.Lost(At(400ms), 0));
    EXPECT_TRUE(never.Lost(At(525ms), 0));
}

TEST_F(StreamWatchTest, StallsCountOnlyAfterTheStartGrace)
{
    // A PulseAudio server may hold the first writes back for seconds.
    StreamWatch watch(48000, {.stallLimit = 1000ms, .stallArmedAfter = 3000ms});
    watch.Started(start_);
    EXPECT_FALSE(watch.Lost(At(2500ms), 512));
    EXPECT_FALSE(watch.Lost(At(5000ms), 512));
    EXPECT_FALSE(watch.Lost(At(8000ms), 3 * 48000));  // caught up
    EXPECT_FALSE(watch.Lost(At(8900ms), 3 * 48000));
    EXPECT_TRUE(watch.Lost(At(9025ms), 3 * 48000));
}

TEST_F(StreamWatchTest, CallbacksRacingAheadOfTheClockAreALoss)
{
    // Writes to a gone PulseAudio server fail at once and the callbacks spin.
    StreamWatch watch(48000, {});
    watch.Started(start_);
    EXPECT_FALSE(watch.Lost(At(1000ms), 48000 + 24000));  // a second of buffering is allowed
    EXPECT_FALSE(watch.Lost(At(2000ms), 4 * 48000));
    EXPECT_TRUE(watch.Lost(At(2025ms), 20 * 48000));
}

TEST(RunWithin, AnswersWhetherTheWorkFinishedInTime)
{
    auto done = std::make_shared<std::atomic<bool>>(false);
    EXPECT_TRUE(RunWithin(2000ms, [done] { *done = true; }));
    EXPECT_TRUE(*done);

    // Work that overruns is left alone; the caller goes on at the deadline.
    auto release = std::make_shared<std::atomic<bool>>(false);
    auto finished = std::make_shared<std::atomic<bool>>(false);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(RunWithin(100ms, [release, finished] {
        while (!*release) {
            std::this_thread::sleep_for(1ms);
        }
        *finished = true;
    }));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1000ms);
    EXPECT_FALSE(*finished);
    *release = true;
    for (int i = 0; i < 1000 && !*finished; ++i) {
        std::this_thread::sleep_for(1ms);
    }
    EXPECT_TRUE(*finished) << "the overrunning work was not left to finish";
}

}  // namespace
}  // namespace tessaron
