#include <gtest/gtest.h>

#include <thread>

#include "framework/CMessageRecorder.h"
#include "framework/CNoticeRecorder.h"
#include "media/CSamples.h"
#include "song/CChordwayDoc.h"
#include "song/CScheduler.h"
#include "song/Messages.h"

namespace tessaron {
namespace {

// A medium that keeps what the scheduler asked of it, with the clock time of each call.
class LoggingMedium : public CSamples {
public:
    explicit LoggingMedium(const int32_t* clock) : clock_(clock) {}
    bool Play() override
    {
        plays.push_back(*clock_);
        return CMedia::Play();
    }
    void Stop() override
    {
        stops.push_back(*clock_);
        CMedia::Stop();
    }
    void SetPitchFloat(float cents) override { pitchCents.push_back(cents); }

    std::vector<int32_t> plays, stops;
    std::vector<float> pitchCents;

private:
    const int32_t* clock_;
};

class OpeningLoader : public IMediaLoader {
public:
    bool OpenMedium(CMedia& medium, float tempo) override
    {
        ++opens;
        return medium.CMedia::Open(nullptr, tempo);
    }
    int opens = 0;
};

class Scheduler : public ::testing::Test {
protected:
    Scheduler() : doc(MakeEnvironment()), scheduler(doc) {}

    SongEnvironment MakeEnvironment()
    {
        SongEnvironment env;
        env.sink = &messages;
        env.notice = &notices;
        env.loader = &loader;
        return env;
    }

    LoggingMedium* AddMedium(int lengthMs, bool loop = false, int loopCount = 1)
    {
        auto medium = std::make_unique<LoggingMedium>(&doc.Clock().clock);
        medium->name = "m" + std::to_string(doc.MediaCount());
        medium->duration = medium->endOffset = lengthMs;
        medium->dataSize = 1000;
        medium->SetLoop(loop);
        medium->loopCount = loopCount;
        return static_cast<LoggingMedium*>(doc.InsertMedium(doc.MediaCount(), std::move(medium)));
    }

    // Ticks until the clock reaches `ms`.
    void RunUntil(int32_t ms)
    {
        for (int guard = 0; doc.Clock().clock < ms && guard < 1000000; ++guard) {
            if (!doc.Transport().TickEnabled()) {
                doc.Transport().EnableTick();  // keep the clock moving through idle stretches
            }
            scheduler.Tick();
        }
    }

    // The pending actions, read between ticks on the test's own thread.
    const CTransport::Actions& Pending()
    {
        const CTransport::Guard held = doc.Transport().Hold();
        return doc.Transport().Pending(held);
    }
    void AddPending(std::unique_ptr<CAction> action)
    {
        const CTransport::Guard held = doc.Transport().Hold();
        doc.Transport().Insert(held, std::move(action));
    }

    CMessageRecorder messages;
    CNoticeRecorder notices;
    OpeningLoader loader;
    CChordwayDoc doc;
    CScheduler scheduler;
};

TEST_F(Scheduler, BeatsArePostedAtHundredThirtyBeatsPerMinute)
{
    doc.SetTempo(130.0f);
    doc.Transport().EnableTick();
    std::vector<int32_t> beatClocks;
    for (int i = 0; i < 750; ++i) {
        const int32_t now = doc.Clock().clock;
        const size_t before = messages.messagesOf(message::kBarBeat).size();
        scheduler.Tick();
        if (messages.messagesOf(message::kBarBeat).size() > before) {
            beatClocks.push_back(now);
        }
    }
    EXPECT_EQ(beatClocks, (std::vector<int32_t>{0, 462, 924, 1384}));
    const auto beats = messages.messagesOf(message::kBarBeat);
    EXPECT_EQ(beats[1].first, 2 * 256);  // beat 2 of bar 1
    EXPECT_EQ(beats[1].second, 1);
}

TEST_F(Scheduler, QuantizedPlayWaitsForTheGridButVolumeFiresAtOnce)
{
    LoggingMedium* medium = AddMedium(300);
    doc.SetTempo(120.0f);
    doc.SetQuantizationOn(true);
    doc.SetQuantizationType(0);
    doc.SetQuantizationFrequency(2);  // one beat
    RunUntil(710);
    ASSERT_EQ(doc.Clock().clock, 710);
    ASSERT_TRUE(scheduler.Play(medium, 0, 0));
    ASSERT_TRUE(scheduler.Volume(medium, 0, -200));
    scheduler.Tick();
    EXPECT_EQ(medium->volume, -200);
    EXPECT_TRUE(medium->plays.empty());
    RunUntil(1002);
    ASSERT_EQ(medium->plays.size(), 1u);
    EXPECT_EQ(medium->plays[0], 1002);  // the tick at clock 1000 (the clock reads 1002 after it)
    EXPECT_EQ(medium->volume, 0);       // the play sets the volume it was triggered with
    EXPECT_EQ(loader.opens, 1);
    EXPECT_EQ(doc.MemoryUsed(), 1000);
}

TEST_F(Scheduler, ReplayingMovesTheScheduledStop)
{
    LoggingMedium* medium = AddMedium(1000);
    doc.SetTempo(120.0f);
    ASSERT_TRUE(scheduler.Play(medium, 0, 0));
    scheduler.Tick();
    ASSERT_EQ(Pending().size(), 1u);
    EXPECT_EQ(Pending()[0]->Code(), CAction::kScheduledStop);
    EXPECT_EQ(Pending()[0]->Start(), 1004);
    RunUntil(500);
    ASSERT_TRUE(scheduler.Play(medium, 0, 0));
    RunUntil(1400);
    EXPECT_TRUE(medium->stops.empty());
    RunUntil(1508);
    ASSERT_EQ(medium->stops.size(), 1u);
    EXPECT_EQ(medium->stops[0], 1506);  // fired in the tick at 1504
    EXPECT_FALSE(doc.Transport().HasPending());
    EXPECT_EQ(messages.messagesOf(message::kMediumState).size(), 2u);  // two plays; scheduled stops stay quiet
}

TEST_F(Scheduler, ContinuousLoopsKeepPlayingAndUserStopsThem)
{
    LoggingMedium* medium = AddMedium(1000, true, 0);
    ASSERT_TRUE(scheduler.Play(medium, 0, 2));
    EXPECT_EQ(Pending()[0]->Duration(), 16000);  // sixteen loop lengths
    RunUntil(20000);
    EXPECT_TRUE(medium->stops.empty());
    ASSERT_TRUE(scheduler.Stop(medium, 0));
    scheduler.Tick();
    EXPECT_EQ(medium->stops.size(), 1u);
    const auto states = messages.messagesOf(message::kMediumState);
    EXPECT_EQ(states.back().first, CAction::kStop);
    EXPECT_EQ(states.back().second, reinterpret_cast<intptr_t>(static_cast<CMedia*>(medium)));
}

TEST_F(Scheduler, RecordThenPlayBackTheSameEvents)
{
    LoggingMedium* a = AddMedium(400);
    LoggingMedium* b = AddMedium(400);
    doc.SetTempo(120.0f);
    scheduler.ToggleRecordMode();
    scheduler.StartRecordingClock();
    EXPECT_TRUE(doc.Transport().SongPlaying());
    const int32_t triggerAt[] = {100, 1000, 1500};
    LoggingMedium* order[] = {a, b, a};
    for (int i = 0; i < 3; ++i) {
        RunUntil(triggerAt[i]);
        scheduler.Play(order[i], order[i]->slot, 0);
    }
    RunUntil(3000);
    scheduler.ToggleRecordMode();
    scheduler.StopSong();
    ASSERT_EQ(doc.EventCount(), 3);
    EXPECT_EQ(doc.SongLength(), 4);  // the last ends at 1900 ms
    std::vector<int32_t> recorded;
    for (int i = 0; i < 3; ++i) {
        recorded.push_back(doc.EventAt(i)->Start());
    }
    EXPECT_EQ(recorded, (std::vector<int32_t>{100, 1000, 1500}));
    EXPECT_TRUE(messages.messagesOf(message::kEventFired).empty());  // quiet while recording

    a->plays.clear();
    b->plays.clear();
    doc.MoveSongCursor(0);
    scheduler.PlaySong();
    RunUntil(3000);
    // Each event fires in the tick at its start (the clock reads 2 ms more after it).
    EXPECT_EQ(a->plays, (std::vector<int32_t>{102, 1502}));
    EXPECT_EQ(b->plays, (std::vector<int32_t>{1002}));
    EXPECT_TRUE(doc.EventAt(0)->IsSongAction());
    EXPECT_EQ(messages.messagesOf(message::kEventFired).size(), 3u);
    EXPECT_EQ(doc.SongPosition(), 5);  // follows the beats
}

TEST_F(Scheduler, SongLoopJumpsBackToTheLoopBegin)
{
    LoggingMedium* a = AddMedium(200);
    doc.SetTempo(120.0f);
    for (int beat : {4, 6, 9}) {
        CAction event(CAction::kPlay, a, 0, -1, 0, 0);
        event.SetStart(beat * 500);
        event.SetDuration(200);
        event.MusicalFromMs(120.0f);
        doc.RecordAction(event);
    }
    doc.ComputeSongLength();
    doc.SetLoopBegin(4);
    doc.SetLoopEnd(8);
    doc.SetLoopSong(true);
    doc.SetSongPosition(4);
    scheduler.PlaySong();
    EXPECT_EQ(doc.Clock().clock, 2000);
    for (int i = 0; i < 1001; ++i) {  // the ticks at 2000 .. 4000
        scheduler.Tick();
    }
    EXPECT_EQ(doc.Clock().clock, 4002);
    scheduler.Tick();                    // 4002 passes the loop end
    EXPECT_EQ(doc.Clock().clock, 2000);
    EXPECT_EQ(doc.SongPosition(), 4);
    EXPECT_EQ(a->plays, (std::vector<int32_t>{2002, 3002}));  // beat 9 lies beyond the loop
    for (int i = 0; i < 510; ++i) {
        scheduler.Tick();
    }
    EXPECT_EQ(a->plays.size(), 4u);
}

TEST_F(Scheduler, StopKeepsThePositionAndRewindResetsIt)
{
    LoggingMedium* a = AddMedium(200);
    doc.SetTempo(120.0f);
    CAction event(CAction::kPlay, a, 0, -1, 0, 0);
    event.SetStart(5000);
    event.SetDuration(200);
    event.MusicalFromMs(120.0f);
    doc.RecordAction(event);
    doc.ComputeSongLength();
    scheduler.PlaySong();
    RunUntil(2100);
    scheduler.StopSong();
    EXPECT_FALSE(doc.Transport().SongPlaying());
    EXPECT_FALSE(doc.Transport().TickEnabled());
    EXPECT_EQ(doc.SongPosition(), 4);
    EXPECT_FALSE(doc.Transport().HasPending());
    scheduler.StopAndRewind();
    EXPECT_EQ(doc.SongPosition(), 0);
    EXPECT_EQ(doc.Clock().startDelay, 2);

    doc.SetLoopBegin(2);
    doc.MoveSongCursor(5);
    scheduler.StopCommand();  // after the loop begin: to the loop begin
    EXPECT_EQ(doc.SongPosition(), 2);
    scheduler.StopCommand();
    EXPECT_EQ(doc.SongPosition(), 0);
}

TEST_F(Scheduler, ClosePitchChangeAndEventsWithoutAMedium)
{
    LoggingMedium* a = AddMedium(200);
    ASSERT_TRUE(scheduler.Play(a, 0, 0));
    scheduler.Tick();
    EXPECT_EQ(a->loaded, 1);
    ASSERT_TRUE(scheduler.PitchChange(a, 0, 25));  // 2.5 semitones
    ASSERT_TRUE(scheduler.Close(a, 0));
    scheduler.Tick();
    EXPECT_EQ(a->pitchCents, (std::vector<float>{250.0f}));
    EXPECT_EQ(a->loaded, 0);
    EXPECT_EQ(doc.MemoryUsed(), 0);

    doc.Transport().ClearPending();
    CAction orphan(CAction::kPlay, nullptr, -1, -1, 0, 0);
    AddPending(std::make_unique<CAction>(orphan));
    doc.Transport().EnableTick();
    scheduler.Tick();
    EXPECT_FALSE(doc.Transport().HasPending());
    EXPECT_FALSE(scheduler.Play(nullptr, 0, 0));
}

TEST_F(Scheduler, LoadingBeyondTheMemoryLimitIsRefused)
{
    doc.Environment().settings.memoryMax = 1500;
    LoggingMedium* a = AddMedium(200);
    LoggingMedium* b = AddMedium(200);
    EXPECT_TRUE(scheduler.Play(a, 0, 0));
    EXPECT_FALSE(scheduler.Play(b, 1, 0));
    ASSERT_EQ(notices.notices.size(), 1u);
    EXPECT_EQ(notices.notices[0].text, "memory max for samples");
    EXPECT_EQ(b->loaded, 0);  // refused media do not stay open
    EXPECT_EQ(doc.MemoryUsed(), 1000);
}

TEST_F(Scheduler, HoldRunsOutAfterItsTime)
{
    LoggingMedium* a = AddMedium(1000, false, 3);
    a->CMedia::Open(nullptr, 100.0f);
    auto hold = std::make_unique<CAction>(CAction::kHold, a, 0, -1, 0, 0);
    hold->SetRemaining(10.0f);  // copies never take the remaining time
    AddPending(std::move(hold));
    doc.Transport().EnableTick();
    for (int i = 0; i < 5; ++i) {
        scheduler.Tick();
    }
    EXPECT_TRUE(a->stops.empty());  // 10, 8, 6, 4, 2 -> 0 still holds
    scheduler.Tick();
    scheduler.Tick();
    EXPECT_EQ(a->stops.size(), 1u);
    EXPECT_FALSE(doc.Transport().HasPending());
}

TEST_F(Scheduler, TimerThreadTicksInRealTime)
{
    doc.SetTempo(120.0f);
    doc.Transport().EnableTick();
    scheduler.Start();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    scheduler.ShutDown();
    std::lock_guard guard(doc.Lock());
    // 300 ms of 2 ms ticks, with room for a slow machine but none for a stalled timer.
    EXPECT_GT(doc.Clock().clock, 200);
    EXPECT_LT(doc.Clock().clock, 400);
}

}  // namespace
}  // namespace tessaron
