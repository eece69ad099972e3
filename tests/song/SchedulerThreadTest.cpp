// The scheduler with its real timer thread: calls from the user-interface side while the tick
// runs, the hand-over of WaitForIdle and ShutDown, and the timer's own start and sleep loop.
// Run under ThreadSanitizer (make test-tsan) these catch unlocked access as well.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <thread>

#include "framework/CMessageRecorder.h"
#include "media/CSamples.h"
#include "song/CChordwayDoc.h"
#include "song/CScheduler.h"
#include "song/CTickTimer.h"
#include "song/Messages.h"

namespace tessaron {
namespace {

using namespace std::chrono_literals;

class OpeningLoader : public IMediaLoader {
public:
    bool OpenMedium(CMedia& medium, float tempo) override { return medium.CMedia::Open(nullptr, tempo); }
};

// Runs `work` and fails the whole run when it does not end in time: a hang would otherwise
// leave a thread holding references into the test.
void FinishesWithin(std::chrono::seconds limit, const char* what, std::function<void()> work)
{
    std::packaged_task<void()> task(std::move(work));
    std::future<void> done = task.get_future();
    std::thread runner(std::move(task));
    if (done.wait_for(limit) != std::future_status::ready) {
        std::fprintf(stderr, "%s did not return within %lld s\n", what, static_cast<long long>(limit.count()));
        std::_Exit(1);
    }
    runner.join();
}

// Waits (bounded) until `condition` holds; answers whether it did.
template <class Condition>
bool Eventually(Condition condition)
{
    const auto end = std::chrono::steady_clock::now() + 5s;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

class SchedulerThreads : public ::testing::Test {
protected:
    SchedulerThreads() : doc(MakeEnvironment()), scheduler(doc) {}
    ~SchedulerThreads() override { scheduler.ShutDown(); }

    SongEnvironment MakeEnvironment()
    {
        SongEnvironment env;
        env.sink = &messages;
        env.loader = &loader;
        return env;
    }

    CMedia* AddMedium(int lengthMs)
    {
        auto medium = std::make_unique<CSamples>();
        medium->duration = medium->endOffset = lengthMs;
        medium->dataSize = 1000;
        return doc.InsertMedium(doc.MediaCount(), std::move(medium));
    }

    int32_t ClockNow()
    {
        std::lock_guard guard(doc.Lock());
        return doc.Clock().clock;
    }

    CMessageRecorder messages;
    OpeningLoader loader;
    CChordwayDoc doc;
    CScheduler scheduler;
};

TEST_F(SchedulerThreads, LiveTriggersRecordTogglesAndTempoChangesWhileTheTimerTicks)
{
    CMedia* media[] = {AddMedium(40), AddMedium(300), AddMedium(1000), AddMedium(7)};
    doc.SetTempo(120.0f);
    scheduler.Start();
    int passes = 0;
    for (int round = 0; round < 600; ++round) {
        CMedia* medium = media[round % 4];
        const int32_t slot = round % 4;
        ASSERT_TRUE(scheduler.Play(medium, slot, round % 3));
        scheduler.Volume(medium, slot, -(round % 500));
        scheduler.Pan(medium, slot, round % 2 == 0 ? 300 : -300);
        if (round % 5 == 0) {
            scheduler.Stop(medium, slot);
        }
        if (round % 13 == 0) {
            scheduler.PitchChange(medium, slot, round % 30 - 15);
        }
        if (round % 37 == 0) {
            scheduler.ToggleRecordMode();
            passes += doc.Transport().RecordMode() ? 1 : 0;
            scheduler.StartRecordingClock();
        }
        if (round % 53 == 0) {
            doc.SetTempo(90.0f + static_cast<float>(round % 60));
        }
        if (round % 97 == 0) {
            doc.SetQuantizationOn(!doc.QuantizationOn());
        }
        std::this_thread::sleep_for(300us);
    }
    // The timer thread fired plays of its own accord.
    EXPECT_TRUE(Eventually([&] { return !messages.messagesOf(message::kBarBeat).empty(); }));
    scheduler.ShutDown();

    EXPECT_EQ(doc.Transport().RecordPassCount(), passes);
    const auto played = messages.messagesOf(message::kMediumState);
    EXPECT_TRUE(std::any_of(played.begin(), played.end(), [](const auto& m) { return m.first == CAction::kPlay; }));
    const CTransport::Guard held = doc.Transport().Hold();
    const CTransport::Actions& pending = doc.Transport().Pending(held);
    EXPECT_TRUE(std::is_sorted(pending.begin(), pending.end(),
                               [](const auto& a, const auto& b) { return a->Start() < b->Start(); }));
    for (int i = 1; i < doc.EventCount(); ++i) {
        EXPECT_LE(doc.EventAt(i - 1)->Start(), doc.EventAt(i)->Start()) << "event " << i;
    }
}

TEST_F(SchedulerThreads, WaitForIdleHandsOverAndAlwaysDisablesTheTick)
{
    // No timer: the tick is enabled but idle, and still ends up disabled.
    CMedia* medium = AddMedium(5000);
    ASSERT_TRUE(scheduler.Play(medium, 0, 0));
    ASSERT_TRUE(doc.Transport().TickEnabled());
    scheduler.WaitForIdle();
    EXPECT_FALSE(doc.Transport().TickEnabled());
    const int32_t before = ClockNow();
    scheduler.Tick();
    EXPECT_EQ(ClockNow(), before);

    // With the timer ticking, a caller that holds the document lock gets the tick stopped at
    // once, and no tick moves the clock afterwards.
    scheduler.Start();
    ASSERT_TRUE(scheduler.Play(medium, 0, 0));
    ASSERT_TRUE(Eventually([&] { return ClockNow() > 20; }));
    FinishesWithin(5s, "WaitForIdle under the document lock", [&] {
        std::lock_guard guard(doc.Lock());
        scheduler.WaitForIdle();
        EXPECT_FALSE(doc.Transport().TickBusy());
    });
    const int32_t stopped = ClockNow();
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(ClockNow(), stopped);
}

TEST_F(SchedulerThreads, ShutDownReturnsWhileTheCallerHoldsTheLockTheTimerWaitsFor)
{
    scheduler.Start();
    doc.Transport().EnableTick();
    ASSERT_TRUE(Eventually([&] { return ClockNow() > 10; }));
    FinishesWithin(5s, "ShutDown under the document lock", [&] {
        std::lock_guard guard(doc.Lock());
        std::this_thread::sleep_for(20ms);  // the timer thread now waits for the lock
        scheduler.ShutDown();
    });
    EXPECT_FALSE(scheduler.IsRunning());
    EXPECT_FALSE(doc.Transport().TickEnabled());
}

TEST(TickTimer, StartsOnlyWhenToldAndKeepsTheLatenessRecordItWasGiven)
{
    std::atomic<int> ticks{0};
    CTickTimer timer(2, [&] { ++ticks; });
    std::this_thread::sleep_for(10ms);
    EXPECT_FALSE(timer.IsRunning());
    EXPECT_EQ(ticks.load(), 0);

    timer.RecordLateness(5);
    timer.Start();
    ASSERT_TRUE(Eventually([&] { return ticks.load() >= 8; }));
    timer.RecordLateness(1000);  // too late: the thread owns the record now
    timer.Stop();
    EXPECT_EQ(timer.Lateness().size(), 5u);
    const int stoppedAt = ticks.load();
    std::this_thread::sleep_for(10ms);
    EXPECT_EQ(ticks.load(), stoppedAt);
}

TEST(TickTimer, InterruptedSleepsAreResumedAndFailingSleepsDoNotSpin)
{
    // Every other sleep is interrupted: each is resumed, none counts as a failure.
    std::atomic<int> calls{0};
    std::atomic<int> ticks{0};
    {
        CTickTimer timer(
            2, [&] { ++ticks; },
            [&](const timespec& deadline) {
                if (++calls % 2 == 1) {
                    return EINTR;
                }
                return clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr);
            });
        timer.Start();
        ASSERT_TRUE(Eventually([&] { return ticks.load() >= 10; }));
        timer.Stop();
        EXPECT_EQ(timer.SleepFailures(), 0u);
        EXPECT_GE(calls.load(), 2 * ticks.load());
    }

    // A clock that refuses every deadline: the timer still ticks, one failed call per tick,
    // instead of retrying the call without end.
    calls = 0;
    ticks = 0;
    CTickTimer timer(2, [&] { ++ticks; }, [&](const timespec&) {
        ++calls;
        return EINVAL;
    });
    timer.Start();
    ASSERT_TRUE(Eventually([&] { return ticks.load() >= 10; }));
    timer.Stop();
    EXPECT_LE(calls.load(), ticks.load() + 1);
    EXPECT_EQ(timer.SleepFailures(), static_cast<uint32_t>(calls.load()));
}

}  // namespace
}  // namespace tessaron
