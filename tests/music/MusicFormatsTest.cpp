#include <gtest/gtest.h>

#include "MusicFixtures.h"
#include "framework/CMessageRecorder.h"
#include "music/CMusicEngine.h"
#include "song/Messages.h"
#include "support/AudioTools.h"
#include "support/OutputSignals.h"
#include "support/TempDir.h"
#include "support/ToneDetector.h"

namespace tessaron::test {
namespace {

// Every kind of file that a music medium takes streams through the engine: a 1 kHz tone comes
// out at its pitch and level, with no step larger than the sine's own, and ends once.
TEST(MusicFormats, Mp3FlacOggAndWavAllStream)
{
    ASSERT_TRUE(HaveTool("sox"));
    ASSERT_TRUE(HaveTool("lame"));
    TempDir dir;
    const std::string wav = dir.file("tone.wav");
    ASSERT_TRUE(test::Run("sox -D -n -r 44100 -c 2 -b 16 '" + wav + "' synth 1.2 sine 1000 vol 0.5"));
    ASSERT_TRUE(test::Run("sox -D '" + wav + "' '" + dir.file("tone.flac") + "'"));
    ASSERT_TRUE(test::Run("sox -D '" + wav + "' '" + dir.file("tone.ogg") + "'"));
    ASSERT_TRUE(test::Run("lame --quiet -b 192 '" + wav + "' '" + dir.file("tone.mp3") + "'"));

    for (const char* name : {"tone.wav", "tone.flac", "tone.ogg", "tone.mp3"}) {
        SCOPED_TRACE(name);
        CMessageRecorder messages;
        PacedOutput output(44100);
        output.device.SetMessageSink(&messages);
        CMusicEngine engine;
        ASSERT_TRUE(engine.Open(dir.file(name), &output.device, nullptr));
        EXPECT_EQ(engine.IsMp3(), std::string(name) == "tone.mp3");
        EXPECT_NEAR(engine.LengthMs(), 1200, 60);
        ASSERT_TRUE(engine.Start());
        output.Play(2000);
        const auto left = Channel(output.output, 2, 0);
        // The sounding part, less its edges.
        size_t first = 0;
        while (first < left.size() && std::fabs(left[first]) < 0.05f) {
            ++first;
        }
        size_t last = left.size();
        while (last > first && std::fabs(left[last - 1]) < 0.05f) {
            --last;
        }
        ASSERT_GT(last - first, size_t(44100)) << "less than a second sounded";
        const float* middle = left.data() + first + 4410;
        const size_t count = last - first - 8820;
        EXPECT_NEAR(DominantFrequency(middle, count, 1, 44100, 900, 1100, 1), 1000.0, 2.0);
        EXPECT_NEAR(Rms(middle, count, 1), 0.5 / std::sqrt(2.0), 0.02);
        const double sineStep = 2 * std::acos(-1.0) * 1000 / 44100 * 0.5;
        EXPECT_LT(LargestStep(middle, count, 1), sineStep * 1.15) << "a gap or a jump in the stream";
        EXPECT_EQ(messages.messagesOf(message::kMediumEnded).size(), 1u);
    }
}

}  // namespace
}  // namespace tessaron::test
