#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "framework/CMessageRecorder.h"
#include "media/CSamples.h"
#include "media/SampleFixtures.h"
#include "song/CChordwayDoc.h"
#include "song/CMediaOutputs.h"
#include "song/CScheduler.h"
#include "song/CTriggerRules.h"

namespace tessaron {
namespace {

using test::OfflineDevice;

TEST(TriggerArithmetic, VelocityLevelsInTenthsOfADecibel)
{
    const std::pair<int, int32_t> table[] = {
        {127, 0}, {1, -396}, {0, -1000}, {64, -198}, {101, -81}, {102, -78}, {100, -85},
    };
    for (auto [velocity, level] : table) {
        EXPECT_EQ(CTriggerRules::LevelFromVelocity(velocity), level) << "velocity " << velocity;
    }
}

TEST(TriggerArithmetic, PitchBendFromTheHighByteAndTheRange)
{
    struct Row {
        int data2;
        int32_t range;
        int32_t tenths;
    };
    const Row table[] = {
        {127, 10, 100}, {0, 10, -100}, {64, 10, 0}, {96, 10, 51}, {32, 10, -49},
        {127, 100, 1000}, {1, 5, -49}, {65, 5, 1}, {63, 100, -7},
    };
    for (const Row& row : table) {
        EXPECT_EQ(CTriggerRules::PitchBendTenths(row.data2, row.range), row.tenths)
            << "data " << row.data2 << " range " << row.range;
    }
}

TEST(TriggerArithmetic, NotesReachKeysTwoOctavesBelowAndKeysSitOnThePiano)
{
    EXPECT_EQ(CTriggerRules::KeyOfNote(60), 36);
    EXPECT_EQ(CTriggerRules::KeyOfNote(24), 0);
    EXPECT_EQ(CTriggerRules::KeyOfNote(23), 255);  // wraps within a byte, reaching no medium
    EXPECT_EQ(CTriggerRules::KeyOfNote(0), 232);
    EXPECT_EQ(CTriggerRules::KeyIndexOfMidiKey(40, 24), 4);
    EXPECT_EQ(CTriggerRules::KeyIndexOfMidiKey(12, 24), 0);
    EXPECT_EQ(CTriggerRules::KeyIndexOfMidiKey(36, 24), 0);  // note 60's media on key 0
    EXPECT_EQ(CTriggerRules::KeyIndexOfMidiKey(5, 24), 12);  // below 12: key 12
    EXPECT_EQ(CTriggerRules::KeyIndexOfMidiKey(47, 36), 35);
}

// Real samples on an output without a clock: the scheduler is ticked by hand and the mix
// pulled, so what the rules did is heard, not just counted.
class TriggerRules : public ::testing::Test {
protected:
    TriggerRules() : outputs({&out.device}), doc(MakeEnvironment()), scheduler(doc), rules(doc, scheduler)
    {
        const WaveFormat format = WaveFormat::Pcm16(44100, 2);
        tone = test::WriteWav(dir, "tone.wav", format, test::SinePcm(format, 44100, 440.0, 0.5));
    }

    SongEnvironment MakeEnvironment()
    {
        SongEnvironment env;
        env.sink = &messages;
        env.loader = &outputs;
        env.audioDeviceCount = 1;
        return env;
    }

    CSamples* AddSample(int32_t midiKey, int32_t pcKey = 0, bool hold = false)
    {
        auto sample = std::make_unique<CSamples>(tone, "tone", 44100, 1000, "", "", 120.0f, 0, 0, 0);
        sample->dataSize = 44100 * 4;
        sample->midiNote = midiKey;
        sample->pcKey = pcKey;
        if (hold) {
            sample->flags |= CMedia::kFlagHold;
        }
        return static_cast<CSamples*>(doc.InsertMedium(doc.MediaCount(), std::move(sample)));
    }

    void Ticks(int count)
    {
        for (int i = 0; i < count; ++i) {
            scheduler.Tick();
        }
    }

    int PendingPlays()
    {
        int n = 0;
        auto held = doc.Transport().Hold();
        for (const auto& action : doc.Transport().Pending(held)) {
            n += action->Code() == CAction::kPlay ? 1 : 0;
        }
        return n;
    }

    double Heard()
    {
        const auto left = test::Channel(out.Render(4410), 2, 0);
        return test::Rms(left.data(), left.size(), 1);
    }

    test::TempDir dir;
    std::string tone;
    OfflineDevice out;
    CMediaOutputs outputs;
    CMessageRecorder messages;
    CChordwayDoc doc;
    CScheduler scheduler;
    CTriggerRules rules;
};

TEST_F(TriggerRules, AHeldKeyPlaysOnceAndItsReleaseStopsIt)
{
    CSamples* sample = AddSample(12, 'Q');
    EXPECT_TRUE(rules.KeyDown('Q').matched);
    Ticks(2);
    ASSERT_TRUE(sample->IsDevicePlaying());
    EXPECT_GT(Heard(), 0.2);

    // Auto-repeat and a second press of a playing medium do not restart it.
    const auto repeat = rules.KeyDown('Q');
    EXPECT_TRUE(repeat.matched);
    EXPECT_FALSE(repeat.changed);
    EXPECT_EQ(PendingPlays(), 0);
    EXPECT_FALSE(rules.Press({0}).changed);

    EXPECT_TRUE(rules.KeyUp('Q').changed);
    Ticks(2);
    EXPECT_FALSE(sample->IsDevicePlaying());
    out.Render(4410);  // the stop fades out
    EXPECT_LT(Heard(), 1e-3);

    EXPECT_FALSE(rules.KeyDown('W').matched);  // no medium on W: the key goes elsewhere
}

TEST_F(TriggerRules, ASustainingMediumRestartsOnEveryPressAndIgnoresTheRelease)
{
    CSamples* sample = AddSample(12, 'S', true);
    rules.KeyDown('S');
    Ticks(2);
    ASSERT_TRUE(sample->IsDevicePlaying());
    rules.KeyUp('S');
    EXPECT_TRUE(rules.KeyDown('S').changed);
    EXPECT_EQ(PendingPlays(), 1);
    rules.KeyUp('S');
    Ticks(2);
    EXPECT_TRUE(sample->IsDevicePlaying());
    EXPECT_GT(Heard(), 0.2);
    EXPECT_EQ(sample->playCount, 2);
}

TEST_F(TriggerRules, VelocityCountsOnPlayingMediaWhenMidiVelocityIsOff)
{
    doc.Environment().settings.midiVelocity = false;
    CSamples* sample = AddSample(36);  // note 60

    EXPECT_TRUE(rules.NoteOn(60, 64).changed);
    EXPECT_EQ(sample->volume, -198);  // a medium that does not play takes the level
    Ticks(2);
    ASSERT_TRUE(sample->IsDevicePlaying());
    const double soft = Heard();

    // Soft notes leave a playing medium alone; loud ones stop it.
    for (int velocity : {101, 64, 1}) {
        EXPECT_FALSE(rules.NoteOn(60, velocity).changed) << velocity;
        Ticks(2);
        EXPECT_TRUE(sample->IsDevicePlaying()) << velocity;
    }
    EXPECT_EQ(sample->playCount, 1);
    EXPECT_TRUE(rules.NoteOn(60, 102).changed);
    Ticks(2);
    EXPECT_FALSE(sample->IsDevicePlaying());

    // Full velocity plays it again at full level: louder than before.
    rules.NoteOn(60, 127);
    EXPECT_EQ(sample->volume, 0);
    Ticks(2);
    out.Render(441);
    EXPECT_GT(Heard(), soft * 1.5);
}

// The piano view's NOTE+ and NOTE- move the MIDI keyboard by octaves: a note then reaches the
// media an octave up, its note off releases the same media, and the shift stays within range.
TEST_F(TriggerRules, AnOctaveShiftMovesNotesToTheMediaOfAnotherOctave)
{
    doc.Environment().settings.midiVelocity = true;
    CSamples* unshifted = AddSample(36);  // note 60 without a shift
    CSamples* octaveUp = AddSample(48);
    rules.SetOctaveShift(1);
    EXPECT_EQ(rules.ShiftedKeyOfNote(60), 48);
    EXPECT_TRUE(rules.NoteOn(60, 127).changed);
    Ticks(2);
    EXPECT_TRUE(octaveUp->IsDevicePlaying());
    EXPECT_FALSE(unshifted->IsDevicePlaying());
    EXPECT_EQ(rules.LastKey(), 48);
    EXPECT_TRUE(rules.NoteOff(60).changed);
    Ticks(2);
    EXPECT_FALSE(octaveUp->IsDevicePlaying());

    rules.SetOctaveShift(-1);
    EXPECT_TRUE(rules.NoteOn(72, 127).changed);  // 72 reaches 48, less an octave
    Ticks(2);
    EXPECT_TRUE(unshifted->IsDevicePlaying());
    EXPECT_FALSE(rules.NoteOn(24, 127).matched) << "below key 0 nothing answers";

    rules.SetOctaveShift(9);
    EXPECT_EQ(rules.OctaveShift(), CTriggerRules::kMaxOctaveShift);
    rules.SetOctaveShift(-9);
    EXPECT_EQ(rules.OctaveShift(), -CTriggerRules::kMaxOctaveShift);
}

TEST_F(TriggerRules, EveryNoteRetriggersWhenVelocityIsIgnored)
{
    doc.Environment().settings.midiVelocity = true;
    CSamples* sample = AddSample(36);
    rules.NoteOn(60, 10);
    Ticks(2);
    ASSERT_TRUE(sample->IsDevicePlaying());
    EXPECT_EQ(sample->volume, 0);  // the level is not taken
    EXPECT_TRUE(rules.NoteOn(60, 127).changed);
    Ticks(2);
    EXPECT_EQ(sample->playCount, 2);

    // A note on with velocity 0 is a release.
    EXPECT_TRUE(rules.NoteOn(60, 0).changed);
    Ticks(2);
    EXPECT_FALSE(sample->IsDevicePlaying());
    EXPECT_FALSE(rules.NoteOn(61, 100).matched);
}

TEST_F(TriggerRules, ANoteStartsTheRecordingClockAndIsRecorded)
{
    AddSample(36);
    scheduler.ToggleRecordMode();
    ASSERT_FALSE(doc.Transport().SongPlaying());
    rules.HandleMessage(0x90 + 60 * 256 + 100 * 65536);
    EXPECT_TRUE(doc.Transport().SongPlaying());
    rules.HandleMessage(0x80 + 60 * 256);
    ASSERT_EQ(doc.EventCount(), 2);
    EXPECT_EQ(doc.EventAt(0)->Code(), CAction::kPlay);
    EXPECT_EQ(doc.EventAt(1)->Code(), CAction::kStop);
}

TEST_F(TriggerRules, WheelsActOnTheLastNoteOrOnTheSelectedKey)
{
    doc.Environment().settings.pitchBendRange = 10;
    CSamples* first = AddSample(36);
    CSamples* second = AddSample(37);
    CSamples* onChannel3 = AddSample(3);
    rules.NoteOn(60, 100);
    rules.NoteOn(61, 100);
    Ticks(2);
    ASSERT_TRUE(first->IsDevicePlaying() && second->IsDevicePlaying());
    EXPECT_EQ(rules.LastKey(), 37);

    // Pitch bend to the top: ten semitones up on the last note's medium only.
    rules.HandleMessage(0xE0 + 0 * 256 + 127 * 65536);
    Ticks(2);
    rules.NoteOff(60);
    Ticks(2);
    EXPECT_NEAR(out.PlayedFrequency(300, 1000), 440.0 * std::pow(2.0, 10.0 / 12.0), 4.0);

    // Modulation sets the volume of the last note's media; controller 7 that of the medium
    // whose key is the channel.
    rules.HandleMessage(0xB0 + 1 * 256 + 64 * 65536);
    rules.HandleMessage(0xB3 + 7 * 256 + 1 * 65536);
    rules.HandleMessage(0xB3 + 10 * 256 + 127 * 65536);  // other controllers do nothing
    int volumes = 0;
    auto held = doc.Transport().Hold();
    for (const auto& action : doc.Transport().Pending(held)) {
        if (action->Code() == CAction::kVolume) {
            ++volumes;
            EXPECT_EQ(action->Medium(), action->Value1() == -198 ? static_cast<CMedia*>(second) : onChannel3);
            EXPECT_TRUE(action->Value1() == -198 || action->Value1() == -396);
        }
    }
    EXPECT_EQ(volumes, 2);

    // With MAM the wheel follows the piano's selected key (key index 0 holds MIDI key 36).
    doc.Environment().settings.mam = true;
    rules.SetSelectedKey(0);
    rules.PitchBend(0);
    std::vector<std::pair<CMedia*, int32_t>> bends;
    for (const auto& action : doc.Transport().Pending(held)) {
        if (action->Code() == CAction::kPitchChange) {
            bends.emplace_back(action->Medium(), action->Value1());
        }
    }
    EXPECT_EQ(bends, (std::vector<std::pair<CMedia*, int32_t>>{{first, -100}}));
}

}  // namespace
}  // namespace tessaron
