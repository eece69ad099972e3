#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

#include "framework/CMessageRecorder.h"
#include "media/SampleFixtures.h"
#include "midi/CMidiMedia.h"
#include "midi/CMidiPerformance.h"
#include "midi/CMidiPlayer.h"
#include "midi/CMidiService.h"
#include "midi/MidiTestFiles.h"

namespace tessaron {
namespace {

using namespace test;

// MIDI media on the built-in synthesizer of an output without a clock, through a MIDI service
// that has no ports (the performance and the end notices need none).
class MidiMediaRules : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (CMidiPlayer::DefaultSoundFont().empty()) {
            GTEST_SKIP() << "no General MIDI SoundFont installed";
        }
        // A quarter of a second at 120 BPM.
        WriteFile(dir.file("short.mid"), OneNoteFile(69, 48));
        service.SetSink(&messages);
    }

    std::unique_ptr<CMidiMedia> Open(bool primary, bool loop = false, int32_t loopCount = 1)
    {
        auto medium = std::make_unique<CMidiMedia>();
        medium->filePath = dir.file("short.mid");
        if (primary) {
            medium->flags |= CMedia::kFlagPrimary;
        }
        if (loop) {
            medium->SetLoop(true);
            medium->loopCount = loopCount;
        }
        medium->SetMidiService(&service);
        EXPECT_TRUE(medium->Open(&out.device, 120.0f));
        return medium;
    }

    // Pulls the mix at about twice real time until `seconds` of it have played or a first end
    // notice of `medium` came; answers the seconds played by then (-1 without a notice).
    double SecondsToEnd(const CMidiMedia& medium, double seconds)
    {
        const uint32_t step = 441;
        const auto steps = static_cast<uint32_t>(seconds * out.Rate() / step);
        for (uint32_t i = 0; i < steps; ++i) {
            out.Render(step);
            if (Ends(medium) > 0) {
                return static_cast<double>((i + 1) * step) / out.Rate();
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return -1.0;
    }

    void Pull(double seconds) { SecondsToEnd(nobody_, seconds); }

    int Ends(const CMidiMedia& medium) const
    {
        int count = 0;
        for (const auto& message : messages.messagesOf(CMidiPlayer::kEndMessage)) {
            count += message.first == CMidiPlayer::kEndKind && message.second == reinterpret_cast<intptr_t>(&medium);
        }
        return count;
    }

    TempDir dir;
    OfflineDevice out;
    CMessageRecorder messages;
    CMidiService service;

private:
    CMidiMedia nobody_;
};

// The file is a quarter of a second long: the end notice tells how many passes were played.
TEST_F(MidiMediaRules, LoopCountsAreTheNumberOfPassesAndAContinuousLoopGoesOnUntilStopped)
{
    auto once = Open(false);
    ASSERT_TRUE(once->Play());
    EXPECT_TRUE(once->IsPlaying());
    EXPECT_NEAR(SecondsToEnd(*once, 1.0), 0.25, 0.06) << "without a loop the file plays once";
    // Played to its end, it no longer counts as playing (a key press then plays it again), and
    // played again it does until its next end.
    EXPECT_FALSE(once->IsPlaying()) << "a medium played to its end still shows as playing";
    ASSERT_TRUE(once->Play());
    EXPECT_TRUE(once->IsPlaying());
    Pull(0.1);
    EXPECT_TRUE(once->IsPlaying()) << "the first play's end counted against the second";
    once->Stop();

    // Three passes, as the media list's loop count and total play length say; not a first pass
    // and three repeats.
    auto counted = Open(false, true, 3);
    ASSERT_EQ(counted->GetTotalPlayLength(), 3 * counted->GetPlayLength());
    ASSERT_TRUE(counted->Play());
    EXPECT_NEAR(SecondsToEnd(*counted, 1.5), 0.75, 0.06);
    EXPECT_EQ(Ends(*counted), 1) << "one notice, after the last pass";
    counted->Stop();

    auto continuous = Open(false, true, 0);
    ASSERT_TRUE(continuous->IsContinuousLoop());
    ASSERT_TRUE(continuous->Play());
    EXPECT_LT(SecondsToEnd(*continuous, 1.2), 0.0) << "a continuous loop ended";
    EXPECT_TRUE(continuous->IsDevicePlaying());
    continuous->Stop();
    EXPECT_FALSE(continuous->IsDevicePlaying());
}

TEST_F(MidiMediaRules, APrimaryMediumEndsThePrimaryOneBeforeItAndLeavesSecondaryOnesPlaying)
{
    auto first = Open(true, true, 0);
    auto second = Open(true, true, 0);
    auto secondary = Open(false, true, 0);
    auto otherSecondary = Open(false, true, 0);

    ASSERT_TRUE(first->Play());
    ASSERT_TRUE(secondary->Play());
    ASSERT_TRUE(otherSecondary->Play());
    Pull(0.1);
    EXPECT_TRUE(first->IsDevicePlaying()) << "a secondary medium ended the primary one";
    EXPECT_TRUE(secondary->IsDevicePlaying()) << "a secondary medium ended another";
    EXPECT_EQ(service.Performance()->Primary(), first.get());

    ASSERT_TRUE(second->Play());
    Pull(0.1);
    EXPECT_FALSE(first->IsDevicePlaying());
    EXPECT_TRUE(first->IsStopped()) << "the replaced medium still shows as playing";
    EXPECT_EQ(Ends(*first), 1) << "the window hears that the replaced medium ended";
    EXPECT_TRUE(second->IsDevicePlaying());
    EXPECT_TRUE(secondary->IsDevicePlaying());
    EXPECT_TRUE(otherSecondary->IsDevicePlaying());
    EXPECT_EQ(service.Performance()->Primary(), second.get());

    // Played again, the primary medium starts over without ending itself.
    ASSERT_TRUE(second->Play());
    Pull(0.1);
    EXPECT_TRUE(second->IsDevicePlaying());
    EXPECT_EQ(Ends(*second), 0);

    // A medium played as a secondary one gives up the primary place: the next primary one
    // leaves it playing.
    second->flags &= ~CMedia::kFlagPrimary;
    ASSERT_TRUE(second->Play());
    ASSERT_TRUE(first->Play());
    Pull(0.1);
    EXPECT_TRUE(second->IsDevicePlaying());
    EXPECT_EQ(Ends(*second), 0);
}

TEST_F(MidiMediaRules, APrimaryMediumThatIsClosedOrDestroyedIsNotEndedAgain)
{
    auto closed = Open(true, true, 0);
    ASSERT_TRUE(closed->Play());
    closed->Stop();
    closed->Close();
    EXPECT_EQ(service.Performance()->Primary(), nullptr);

    auto destroyed = Open(true, true, 0);
    ASSERT_TRUE(destroyed->Play());
    destroyed.reset();
    EXPECT_EQ(service.Performance()->Primary(), nullptr);

    auto next = Open(true);
    ASSERT_TRUE(next->Play());
    Pull(0.1);
    EXPECT_EQ(service.Performance()->Primary(), next.get());
    EXPECT_EQ(Ends(*closed), 0);

    // Media may outlive the service that they played through.
    auto survivor = std::make_unique<CMidiService>();
    auto medium = std::make_unique<CMidiMedia>();
    medium->filePath = dir.file("short.mid");
    medium->flags |= CMedia::kFlagPrimary;
    medium->SetMidiService(survivor.get());
    ASSERT_TRUE(medium->Open(&out.device, 120.0f));
    ASSERT_TRUE(medium->Play());
    survivor.reset();
    medium.reset();
}

}  // namespace
}  // namespace tessaron
