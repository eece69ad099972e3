#include <gtest/gtest.h>

#include "song/CSettings.h"

namespace tessaron {
namespace {

TEST(SettingsValues, DefaultsOfAFirstRun)
{
    const CSettings settings;
    EXPECT_TRUE(settings.autoLoad);
    EXPECT_EQ(settings.editor, "");
    EXPECT_EQ(settings.midiEditor, "");
    EXPECT_EQ(settings.memoryMax, 128 * 1024 * 1024);
    EXPECT_EQ(settings.sizeSamplesMax, 20 * 1024 * 1024);
    EXPECT_EQ(settings.nbSamplesMax, 300);
    EXPECT_EQ(settings.nbLoop, 16);
    EXPECT_EQ(settings.tempoMin, 40);
    EXPECT_EQ(settings.tempoMax, 250);
    EXPECT_EQ(settings.resVolPan, 1000);
    EXPECT_EQ(settings.dirWave, "");
    EXPECT_EQ(settings.dirMidi, "");
    EXPECT_EQ(settings.dirDls, "");
    EXPECT_EQ(settings.midiInDrivers, "");
    EXPECT_EQ(settings.midiOutDrivers, "");
    EXPECT_EQ(settings.midiCanal, 0);
    EXPECT_FALSE(settings.midiThru);
    EXPECT_TRUE(settings.midiVelocity);
    EXPECT_FALSE(settings.mam);
    EXPECT_FALSE(settings.pitchBend);
    EXPECT_EQ(settings.pitchBendRange, 10);
    EXPECT_FALSE(settings.pcBeep);
    EXPECT_FALSE(settings.midiBeep);
    EXPECT_TRUE(settings.autoPlay);
    EXPECT_TRUE(settings.autoLoop);
    EXPECT_FALSE(settings.autoSustain);
    EXPECT_TRUE(settings.autoVol);
    EXPECT_EQ(settings.latency, 15);
    EXPECT_EQ(settings.handOverLoopCount, 0);
    EXPECT_FALSE(settings.autoSave);
}

// A first run must be able to press OK in the Options dialog without a range complaint.
TEST(SettingsValues, DefaultsPassTheDialogRanges)
{
    const CSettings s;
    EXPECT_TRUE(CSettings::kMemoryMaxMb.Contains(CSettings::ToMegabytes(s.memoryMax)));
    EXPECT_TRUE(CSettings::kSizeSamplesMaxMb.Contains(CSettings::ToMegabytes(s.sizeSamplesMax)));
    EXPECT_TRUE(CSettings::kNbSamplesMax.Contains(s.nbSamplesMax));
    EXPECT_TRUE(CSettings::kNbLoop.Contains(s.nbLoop));
    EXPECT_TRUE(CSettings::kTempo.Contains(s.tempoMin));
    EXPECT_TRUE(CSettings::kTempo.Contains(s.tempoMax));
    EXPECT_TRUE(CSettings::kResVolPan.Contains(s.resVolPan));
    EXPECT_TRUE(CSettings::kPitchBendRange.Contains(s.pitchBendRange));
    EXPECT_TRUE(CSettings::kLatency.Contains(s.latency));
    EXPECT_TRUE(CSettings::kMidiCanal.Contains(s.midiCanal));
}

TEST(SettingsValues, MemoryFieldsShowWholeMegabytes)
{
    const CSettings settings;
    EXPECT_EQ(CSettings::ToMegabytes(settings.memoryMax), 128);
    EXPECT_EQ(CSettings::ToMegabytes(settings.sizeSamplesMax), 20);
    EXPECT_EQ(CSettings::ToMegabytes(2 * 1048576 - 1), 1);  // rounded toward zero
    EXPECT_EQ(CSettings::ToMegabytes(1048575), 0);
}

TEST(SettingsValues, MegabytesEnteredBecomeBytes)
{
    EXPECT_EQ(CSettings::FromMegabytes(300), 314572800);
    EXPECT_EQ(CSettings::FromMegabytes(CSettings::ToMegabytes(134217728)), 134217728);
    // Far beyond the dialog's range: saturated, not wrapped into a negative limit.
    EXPECT_EQ(CSettings::FromMegabytes(4096), 2147483647);
}

TEST(SettingsValues, LoopCountFromTheDialog)
{
    EXPECT_EQ(CSettings::NbLoopFromDialog(1), 1);
    EXPECT_EQ(CSettings::NbLoopFromDialog(2047), 2047);
    // 2048 passes the range check but is not kept.
    EXPECT_TRUE(CSettings::kNbLoop.Contains(2048));
    EXPECT_EQ(CSettings::NbLoopFromDialog(2048), 16);
    EXPECT_EQ(CSettings::NbLoopFromDialog(0), 16);
    EXPECT_EQ(CSettings::NbLoopFromDialog(-5), 16);
}

TEST(SampleSizeLimit, HoldsFourMegabytesUntilTheSettingsAreRead)
{
    EXPECT_EQ(SampleSizeLimit(), 4194304);
    SetSampleSizeLimit(1000);
    EXPECT_EQ(SampleSizeLimit(), 1000);
    SetSampleSizeLimit(kStartSampleSizeLimit);
}

}  // namespace
}  // namespace tessaron
