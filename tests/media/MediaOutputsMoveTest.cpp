// Media moving to a new output device after the old one was lost: a playing sample goes on
// playing there, with its place and sound; media not loaded yet take the new device on load.
#include <gtest/gtest.h>

#include "media/CSamples.h"
#include "media/SampleFixtures.h"
#include "song/CChordwayDoc.h"
#include "song/CMediaOutputs.h"

namespace tessaron::test {
namespace {

double Level(OfflineDevice& output, double frequency)
{
    const auto left = Channel(output.Render(output.Rate() / 5), 2, 0);
    return ToneAmplitude(left.data(), left.size(), 1, frequency, output.Rate());
}

TEST(MediaOutputsMove, PlayingSampleGoesOnPlayingOnTheNewDeviceAndTheOldFallsSilent)
{
    TempDir dir;
    const WaveFormat format = WaveFormat::Pcm16(44100, 2);
    OfflineDevice lost;
    OfflineDevice fresh;
    CMediaOutputs outputs({&lost.device});
    SongEnvironment env;
    env.loader = &outputs;
    env.audioDeviceCount = 1;
    CChordwayDoc doc(env);
    for (auto [name, frequency] : {std::pair{"loop", 441.0}, std::pair{"later", 882.0}}) {
        auto sample = std::make_unique<CSamples>(WriteWav(dir, std::string(name) + ".wav", format,
                                                          SinePcm(format, 44100, frequency, 0.5)),
                                                 name, 44100, 1000, "", "", 100.0f, 0, 0, 0);
        sample->dataSize = 44100 * 4;
        sample->tempo = 100.0f;
        doc.InsertMedium(doc.MediaCount(), std::move(sample));
    }
    CMedia& loop = *doc.MediumAt(0);
    loop.SetLoop(true);
    ASSERT_TRUE(doc.LoadMediumData(loop, false));
    ASSERT_TRUE(loop.Play());
    Level(lost, 441.0);  // into the loop
    ASSERT_GT(Level(lost, 441.0), 0.3);

    outputs.SetDevices({&fresh.device});
    outputs.MoveMedia(doc);
    EXPECT_TRUE(loop.IsDevicePlaying());
    EXPECT_EQ(loop.loaded, 1);
    EXPECT_GT(Level(fresh, 441.0), 0.3) << "the sample does not play on the new device";
    EXPECT_LT(Level(lost, 441.0), 0.01) << "the sample still plays on the old device";

    // A medium loaded after the move opens on the new device.
    CMedia& later = *doc.MediumAt(1);
    ASSERT_TRUE(doc.LoadMediumData(later, false));
    ASSERT_TRUE(later.Play());
    EXPECT_GT(Level(fresh, 882.0), 0.3);
    EXPECT_LT(Level(lost, 882.0), 0.01);
}

}  // namespace
}  // namespace tessaron::test
