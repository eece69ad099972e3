#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

#include "framework/CMessageRecorder.h"
#include "media/SampleFixtures.h"
#include "midi/CMidiPlayer.h"
#include "midi/MidiTestFiles.h"

namespace tessaron {
namespace {

using namespace test;

// The built-in synthesizer on an output without a clock: the test pulls the mix at about twice
// real time, leaving the player's worker the time to render ahead as it would on a device.
class MidiPlayerOffline : public ::testing::Test {
protected:
    std::unique_ptr<CMidiPlayer> Open(const Bytes& midi, const std::string& collection = {})
    {
        auto file = CMidiFile::Parse(midi.data(), midi.size());
        EXPECT_TRUE(file);
        auto player = std::make_unique<CMidiPlayer>(std::move(*file), collection, &messages, 77);
        EXPECT_TRUE(player->OpenOnDevice(out.device));
        return player;
    }

    // Pulls `seconds` of the mix; answers the left channel, and the frame at which the first
    // end notice had arrived (-1 if none).
    std::vector<float> Pull(double seconds, int64_t* endAt = nullptr)
    {
        const uint32_t step = 441;
        const auto steps = static_cast<uint32_t>(seconds * out.Rate() / step);
        std::vector<float> left;
        for (uint32_t i = 0; i < steps; ++i) {
            const auto frames = out.Render(step);
            for (size_t f = 0; f < frames.size(); f += 2) {
                left.push_back(frames[f]);
            }
            if (endAt != nullptr && *endAt < 0 && !messages.messagesOf(CMidiPlayer::kEndMessage).empty()) {
                *endAt = static_cast<int64_t>(left.size());
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return left;
    }

    static double RmsOf(const std::vector<float>& s, size_t from, size_t to)
    {
        to = std::min(to, s.size());
        return from < to ? Rms(s.data() + from, to - from, 1) : 0.0;
    }

    TempDir dir;
    OfflineDevice out;
    CMessageRecorder messages;
};

TEST_F(MidiPlayerOffline, TheGeneralMidiFontSoundsAndTheFileEndsOnTimeWithOneNotice)
{
    ASSERT_FALSE(CMidiPlayer::DefaultSoundFont().empty()) << "no General MIDI SoundFont installed";
    auto player = Open(OneNoteFile(69, 192));  // one second at 120 BPM
    ASSERT_TRUE(player->Play(1));
    int64_t endAt = -1;
    const auto left = Pull(2.0, &endAt);
    EXPECT_GT(RmsOf(left, 4410, 30000), 0.002) << "the note is not heard";
    EXPECT_NEAR(DominantFrequency(left.data() + 4410, 16384, 1, 44100, 200, 900, 5), 440.0, 8.0);
    // The notice follows the last event as it is heard, within the player's look at the cursor.
    ASSERT_GE(endAt, 0) << "no end notice";
    EXPECT_NEAR(static_cast<double>(endAt), 44100.0, 2000.0);
    const auto notices = messages.messagesOf(CMidiPlayer::kEndMessage);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].first, 7);
    EXPECT_EQ(notices[0].second, 77);
    EXPECT_LT(RmsOf(left, 66150, 88200), 0.002) << "silent after the tail";
    EXPECT_FALSE(player->IsPlaying());
}

TEST_F(MidiPlayerOffline, ATestWrittenDlsInstrumentPlaysAtItsPitch)
{
    WriteFile(dir.file("sine.dls"), SineDls(441.0, 60));
    auto player = Open(OneNoteFile(72, 192), dir.file("sine.dls"));
    ASSERT_TRUE(player->Play(1));
    const auto left = Pull(0.8);
    ASSERT_GT(RmsOf(left, 4410, 30000), 0.01);
    // An octave above the unity note: 882 Hz, where the General MIDI piano would give 523 Hz.
    EXPECT_NEAR(DominantFrequency(left.data() + 4410, 16384, 1, 44100, 300, 1200, 5), 882.0, 6.0);
}

TEST_F(MidiPlayerOffline, RepeatsTempoVolumeMuteAndStop)
{
    auto player = Open(OneNoteFile(69, 96));  // half a second
    // Two plays: one notice, after both.
    ASSERT_TRUE(player->Play(2));
    int64_t endAt = -1;
    Pull(1.6, &endAt);
    EXPECT_NEAR(static_cast<double>(endAt), 44100.0, 2000.0);
    EXPECT_EQ(messages.messagesOf(CMidiPlayer::kEndMessage).size(), 1u);

    // Twice the tempo halves the length.
    messages.clear();
    player->SetTempo(240.0f);
    ASSERT_TRUE(player->Play(1));
    endAt = -1;
    Pull(0.8, &endAt);
    EXPECT_NEAR(static_cast<double>(endAt), 11025.0, 2000.0);
    player->SetTempo(0.0f);

    // Volume in hundredths of a decibel, from -4500 up; -2000 is a tenth of the level.
    EXPECT_FALSE(player->SetVolume(-4600));
    EXPECT_FALSE(player->SetPan(4100));
    EXPECT_TRUE(player->SetPan(-4000));
    EXPECT_TRUE(player->SetPan(0));
    ASSERT_TRUE(player->Play(-1));
    const double full = RmsOf(Pull(0.3), 2205, 13230);
    ASSERT_TRUE(player->SetVolume(-2000));
    const double quiet = RmsOf(Pull(0.3), 8820, 13230);
    EXPECT_NEAR(quiet / full, 0.1, 0.03);
    player->SetMute(true);
    EXPECT_LT(RmsOf(Pull(0.2), 4410, 8820), 1e-4);
    player->SetMute(false);
    EXPECT_GT(RmsOf(Pull(0.3), 8820, 13230), full * 0.05);
    player->Stop();
    Pull(0.05);
    EXPECT_LT(RmsOf(Pull(0.2), 0, 8820), 1e-4);
    EXPECT_FALSE(player->IsPlaying());
}

}  // namespace
}  // namespace tessaron
