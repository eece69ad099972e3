// Media opened off the tick: a slow open delays only the action that needs it, and a medium
// being opened is left alone by everything else.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <mutex>
#include <thread>

#include "audiofile/CWaveReader.h"
#include "audioout/CSoundDevice.h"
#include "framework/CNoticeRecorder.h"
#include "media/CSamples.h"
#include "song/CChordwayDoc.h"
#include "song/CMediaOutputs.h"
#include "song/CScheduler.h"
#include "support/TempDir.h"

namespace tessaron {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::string WriteTone(const test::TempDir& dir, const std::string& name, int ms)
{
    const int frames = 44100 * ms / 1000;
    std::vector<int16_t> pcm(static_cast<size_t>(frames));
    for (int i = 0; i < frames; ++i) {
        pcm[static_cast<size_t>(i)] = static_cast<int16_t>(std::lround(8000.0 * std::sin(2.0 * M_PI * 440.0 * i / 44100.0)));
    }
    const std::string path = dir.file(name);
    CWaveReader writer;
    const auto bytes = static_cast<int32_t>(pcm.size() * 2);
    EXPECT_TRUE(writer.CreateForWrite(path, CWaveReader::MakePcmFormat(true, 44100), bytes));
    EXPECT_EQ(writer.Write(pcm.data(), bytes), bytes);
    EXPECT_TRUE(writer.FinishWrite());
    return path;
}

// A sample that notes when it is started: the wall time and the song clock.
class TimedSample : public CSamples {
public:
    explicit TimedSample(const CChordwayDoc& doc) : doc_(doc) {}
    bool Play() override
    {
        std::lock_guard guard(mutex_);
        starts.push_back({Clock::now(), doc_.Clock().clock});
        return CSamples::Play();
    }
    struct Start {
        Clock::time_point when;
        int32_t clock;
    };
    std::vector<Start> Starts()
    {
        std::lock_guard guard(mutex_);
        return starts;
    }

private:
    const CChordwayDoc& doc_;
    std::mutex mutex_;
    std::vector<Start> starts;
};

// The real outputs, with one medium's opens after its first as slow as a long stretch.
class SlowSecondOpen : public IMediaLoader {
public:
    SlowSecondOpen(CMediaOutputs& outputs, std::chrono::milliseconds delay) : outputs_(outputs), delay_(delay) {}
    bool OpenMedium(CMedia& medium, float tempo) override
    {
        if (&medium == slow && ++slowOpens > 1) {
            std::this_thread::sleep_for(delay_);
        }
        return outputs_.OpenMedium(medium, tempo);
    }
    CMedia* slow = nullptr;
    std::atomic<int> slowOpens{0};

private:
    CMediaOutputs& outputs_;
    std::chrono::milliseconds delay_;
};

class SchedulerLoading : public ::testing::Test {
protected:
    SchedulerLoading() : outputs({&device}), opener(outputs, kLoadDelay), doc(MakeEnvironment()), scheduler(doc)
    {
        EXPECT_TRUE(device.Create(nullptr, "", 44100, 2, CSoundDevice::kSpeakerStereo));
        doc.SetTempo(120.0f);
    }
    ~SchedulerLoading() override { scheduler.ShutDown(); }

    SongEnvironment MakeEnvironment()
    {
        SongEnvironment env;
        env.loader = &opener;
        env.notice = &notices;
        env.audioDeviceCount = 1;
        return env;
    }

    TimedSample* AddSample(const std::string& name, int ms)
    {
        auto sample = std::make_unique<TimedSample>(doc);
        const std::string path = WriteTone(dir, name, ms);
        EXPECT_TRUE(sample->OpenForInfo(0, path));
        sample->filePath = path;
        sample->endOffset = sample->duration;
        return static_cast<TimedSample*>(doc.InsertMedium(doc.MediaCount(), std::move(sample)));
    }

    void AddEvent(int code, CMedia* medium, int startMs, int durationMs)
    {
        CAction event(code, medium, medium->slot, -1, 0, 0);
        event.SetStart(startMs);
        event.SetDuration(durationMs);
        event.MusicalFromMs(doc.EffectiveTempo());
        doc.RecordAction(event);
    }

    static constexpr std::chrono::milliseconds kLoadDelay{250};

    test::TempDir dir;
    CSoundDevice device{AudioApi::Offline};
    CMediaOutputs outputs;
    SlowSecondOpen opener;
    CNoticeRecorder notices;
    CChordwayDoc doc;
    CScheduler scheduler;
};

TEST_F(SchedulerLoading, ASlowOpenDelaysOnlyItsOwnPlay)
{
    TimedSample* longOne = AddSample("long.wav", 3000);
    TimedSample* beat = AddSample("beat.wav", 20);
    opener.slow = longOne;
    AddEvent(CAction::kPlay, longOne, 0, 100);
    AddEvent(CAction::kClose, longOne, 100, 0);
    AddEvent(CAction::kPlay, longOne, 200, 100);  // unloaded again by then
    const int beatStarts[] = {210, 230, 260, 300, 400, 500};
    for (int start : beatStarts) {
        AddEvent(CAction::kPlay, beat, start, 20);
    }
    doc.ComputeSongLength();

    scheduler.Start();
    scheduler.PlaySong();  // opens both samples, then the clock runs from 0
    const Clock::time_point songStart = Clock::now();
    std::this_thread::sleep_for(200ms + kLoadDelay + 300ms);
    scheduler.StopSong();
    scheduler.ShutDown();

    // The other sample keeps its time while the long one opens: each start in the tick of its
    // event, and on the wall clock no later than a few ticks (a stalled tick would make them
    // late by the whole open).
    const auto beats = beat->Starts();
    ASSERT_EQ(beats.size(), std::size(beatStarts));
    for (size_t i = 0; i < beats.size(); ++i) {
        EXPECT_EQ(beats[i].clock, beatStarts[i] + 2) << "start " << i;
        const auto late = beats[i].when - (songStart + std::chrono::milliseconds(beatStarts[i]));
        EXPECT_LT(late, 40ms) << "start " << i;
    }
    // The long sample starts in the first tick after its data is ready.
    const auto longStarts = longOne->Starts();
    ASSERT_EQ(longStarts.size(), 2u);
    EXPECT_EQ(opener.slowOpens.load(), 2);
    EXPECT_GE(longStarts[1].when - songStart, 200ms + kLoadDelay);
    EXPECT_GE(longStarts[1].clock, 200 + static_cast<int32_t>(kLoadDelay.count()));
    EXPECT_EQ(doc.MemoryUsed(), longOne->dataSize + beat->dataSize);  // counted once each
}

TEST_F(SchedulerLoading, PlaySongOpensItsMediaWhileTheTickGoesOnAndThenStartsOnTime)
{
    TimedSample* longOne = AddSample("long.wav", 3000);
    TimedSample* beat = AddSample("beat.wav", 20);
    opener.slow = longOne;
    ++opener.slowOpens;  // its first open is slow already
    AddEvent(CAction::kPlay, longOne, 0, 100);
    AddEvent(CAction::kPlay, longOne, 400, 100);
    doc.ComputeSongLength();
    scheduler.Start();
    ASSERT_TRUE(scheduler.Play(beat, 1, 0));  // a live play: the tick runs from here on

    const Clock::time_point asked = Clock::now();
    std::thread player([&] { scheduler.PlaySong(); });
    std::this_thread::sleep_for(50ms);  // the slow open is under way
    // A live play while the song's media open: accepted and started within a few ticks, not
    // after the open.
    const Clock::time_point live = Clock::now();
    ASSERT_TRUE(scheduler.Play(beat, 1, 0));
    const auto waitStart = Clock::now() + 1s;
    while (beat->Starts().size() < 2 && Clock::now() < waitStart) {
        std::this_thread::sleep_for(1ms);
    }
    ASSERT_EQ(beat->Starts().size(), 2u);
    EXPECT_LT(beat->Starts()[1].when - live, 60ms);
    EXPECT_FALSE(doc.Transport().SongPlaying());  // the song waits for its media
    player.join();

    // The song started once its media were open, its events on time from there.
    EXPECT_GE(Clock::now() - asked, kLoadDelay);
    EXPECT_EQ(longOne->loaded, 1);
    EXPECT_EQ(opener.slowOpens.load(), 2);  // opened once, before the start
    std::this_thread::sleep_for(500ms);
    scheduler.StopSong();
    scheduler.ShutDown();
    const auto starts = longOne->Starts();
    ASSERT_EQ(starts.size(), 2u);
    EXPECT_EQ(starts[0].clock, 2);
    EXPECT_EQ(starts[1].clock, 402);
    EXPECT_EQ(doc.MemoryUsed(), longOne->dataSize + beat->dataSize);
}

TEST_F(SchedulerLoading, ActionsOnAMediumBeingOpenedWaitAndARefusedOpenDropsItsPlay)
{
    TimedSample* longOne = AddSample("long.wav", 3000);
    TimedSample* other = AddSample("other.wav", 20);
    opener.slow = longOne;
    ++opener.slowOpens;  // every open of it is slow
    doc.Environment().settings.memoryMax = longOne->dataSize / 2;  // and then refused

    // Hand-driven ticks: the play of the long sample is handed over and waits; its volume
    // change waits behind it; the other sample plays at once.
    doc.Transport().EnableTick();
    {
        const CTransport::Guard held = doc.Transport().Hold();
        doc.Transport().Insert(held, std::make_unique<CAction>(CAction::kPlay, longOne, 0, -1, -100, 0));
        doc.Transport().Insert(held, std::make_unique<CAction>(CAction::kVolume, longOne, 0, -1, -300, 0));
    }
    ASSERT_TRUE(scheduler.Play(other, 1, 0));
    scheduler.Tick();
    EXPECT_TRUE(doc.Loader().IsBusyWith(longOne));
    EXPECT_EQ(other->Starts().size(), 1u);
    EXPECT_TRUE(doc.Transport().HasPending());
    for (int i = 0; i < 5; ++i) {
        scheduler.Tick();
    }
    EXPECT_EQ(longOne->volume, 0);  // untouched while it opens

    // The open ends over the limit: refused without a notice (nobody asked in person), the
    // play dropped, and the volume change applied to the unloaded medium afterwards.
    const auto end = Clock::now() + 5s;
    while (doc.Loader().IsBusyWith(longOne) && Clock::now() < end) {
        scheduler.Tick();
        std::this_thread::sleep_for(2ms);
    }
    scheduler.Tick();
    EXPECT_FALSE(doc.Loader().IsBusyWith(longOne));
    EXPECT_EQ(longOne->loaded, 0);
    EXPECT_TRUE(longOne->Starts().empty());
    EXPECT_EQ(longOne->volume, -300);
    EXPECT_TRUE(notices.notices.empty());
    EXPECT_EQ(doc.MemoryUsed(), other->dataSize);

    // A trigger asked in person opens at once and is refused with the message.
    EXPECT_FALSE(scheduler.Play(longOne, 0, 0));
    ASSERT_EQ(notices.notices.size(), 1u);
    EXPECT_EQ(notices.notices[0].text, "memory max for samples");
}

TEST_F(SchedulerLoading, RemovingOrClearingWaitsForAnOpenInProgress)
{
    TimedSample* longOne = AddSample("long.wav", 3000);
    opener.slow = longOne;
    ++opener.slowOpens;
    doc.Transport().EnableTick();
    {
        const CTransport::Guard held = doc.Transport().Hold();
        doc.Transport().Insert(held, std::make_unique<CAction>(CAction::kPlay, longOne, 0, -1, 0, 0));
    }
    scheduler.Tick();
    ASSERT_TRUE(doc.Loader().IsBusyWith(longOne));
    std::this_thread::sleep_for(20ms);  // the open is under way
    doc.RemoveMedium(0);                // waits for it, then counts and closes it
    EXPECT_FALSE(doc.Loader().IsBusyWith(longOne));
    EXPECT_EQ(longOne->loaded, 0);
    EXPECT_EQ(doc.MemoryUsed(), 0);
    EXPECT_FALSE(doc.Transport().HasPending());
}

}  // namespace
}  // namespace tessaron
