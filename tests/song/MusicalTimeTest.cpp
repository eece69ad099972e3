#include <gtest/gtest.h>

#include "song/CMesure.h"
#include "song/CSongClock.h"

namespace tessaron {
namespace {

TEST(Mesure, FromMillisecondsLandsTriggersOnTheBeat)
{
    struct Case {
        int ms;
        float tempo;
        int beats;
        float fraction;
    };
    const Case cases[] = {
        {1250, 120, 2, 0.5f},  // 500 ms a beat
        {1010, 120, 2, 0.0f},  // rest 10 ms is under 25
        {1030, 120, 2, 0.06f},
        {1990, 50, 1, 0.0f},   // 1200 ms a beat: rest 790 stays
        {2180, 50, 2, 0.0f},   // rest 980 > 975 moves to the next beat
        {0, 100, 0, 0.0f},
    };
    for (const Case& c : cases) {
        CMesure m(99, 0.9f);
        m.FromMs(c.ms, c.tempo);
        EXPECT_EQ(m.Beats(), c.beats) << c.ms << " ms at " << c.tempo;
        if (c.ms == 1990) {
            EXPECT_NEAR(m.Fraction(), 790.0f / 1200.0f, 1e-6) << c.ms;
        } else {
            EXPECT_NEAR(m.Fraction(), c.fraction, 1e-6) << c.ms;
        }
    }
    CMesure unchanged(3, 0.5f);
    unchanged.FromMs(5000, 0.0f);
    EXPECT_EQ(unchanged, CMesure(3, 0.5f));
}

TEST(Mesure, ToMillisecondsTruncates)
{
    EXPECT_EQ(CMesure(2, 0.5f).ToMs(120.0f), 1250);
    EXPECT_EQ(CMesure(1, 0.0f).ToMs(130.0f), 461);
    EXPECT_EQ(CMesure(4, 0.0f).ToMs(0.0f), 0);
}

TEST(Mesure, Texts)
{
    const CMesure m(9, 0.25f);
    EXPECT_EQ(m.PositionText(), "3.2.250");
    EXPECT_EQ(m.LengthText(), "2.2.250");
    EXPECT_EQ(m.BarBeatText(), "3.2");
    EXPECT_EQ(CMesure(8, 0.0f).LengthText(), "8");
    EXPECT_EQ(CMesure(0, 0.0f).PositionText(), "1.1.0");
    CMesure threeFour(7, 0.0f, 3);
    EXPECT_EQ(threeFour.PositionText(), "3.2.0");
    // Extreme values a damaged file may hold still give texts.
    EXPECT_EQ(CMesure(INT32_MAX, 0.0f, 1).PositionText(), "2147483648.1.0");
    EXPECT_EQ(CMesure(INT32_MAX, 0.0f, 0).BarBeatText(), "1.2147483648");
}

TEST(Mesure, ParsesPositionTexts)
{
    CMesure m;
    m.ParsePosition("3.2.250", true);
    EXPECT_EQ(m.Beats(), 9);
    EXPECT_FLOAT_EQ(m.Fraction(), 0.25f);
    m.ParsePosition("2.1.50", true);  // the third part is a decimal fraction, not ticks
    EXPECT_EQ(m.Beats(), 4);
    EXPECT_FLOAT_EQ(m.Fraction(), 0.5f);
    m.ParsePosition("1.2.3.4", true);
    EXPECT_EQ(m.Beats(), 0);
    EXPECT_FLOAT_EQ(m.Fraction(), 0.0f);
    m.ParsePosition("3.5", false);  // one point: beat and fraction
    EXPECT_EQ(m.Beats(), 3);
    EXPECT_FLOAT_EQ(m.Fraction(), 0.5f);
    m.ParsePosition("2", false);
    EXPECT_EQ(m.Beats(), 8);
    m.ParsePosition("0.0.0", true);  // raised to the first beat
    EXPECT_EQ(m.Beats(), 0);
    m.ParsePosition("", true);
    EXPECT_EQ(m.Beats(), 0);
    m.ParsePosition("2.1.50000000000000000000000000000", true);  // cut to 20 characters
    EXPECT_EQ(m.Beats(), 4);
    m.ParseBarBeat("3.2");
    EXPECT_EQ(m.Beats(), 9);
    m.ParseBarBeat("0.0");
    EXPECT_EQ(m.Beats(), 0);
}

TEST(LiveGrid, OffsetsAtHundredBeatsPerMinute)
{
    std::minstd_rand random;
    CSongClock clock;
    clock.PrepareGrid(100.0f, CSongClock::kGroove, 5, random);
    EXPECT_FLOAT_EQ(clock.msPerBeat, 600.0f);
    EXPECT_FLOAT_EQ(clock.gridMs, 150.0f);
    EXPECT_EQ(clock.grooveOffset, 100);
    clock.PrepareGrid(100.0f, CSongClock::kIterative, 5, random);
    EXPECT_EQ(clock.grooveOffset, 150);
    clock.PrepareGrid(100.0f, CSongClock::kHuman, 5, random);
    EXPECT_EQ(clock.humanRange, 75);
    EXPECT_EQ(clock.grooveOffset, 0);
    clock.PrepareGrid(0.0f, CSongClock::kNormal, 2, random);
    EXPECT_FLOAT_EQ(clock.msPerBeat, 600.0f);
    clock.PrepareGrid(120.0f, CSongClock::kNormal, 9, random);  // no step: grid of 1 ms
    EXPECT_FLOAT_EQ(clock.gridMs, 1.0f);
}

TEST(LiveGrid, GridFlagFallsOnTheEvenClockNearestEachPoint)
{
    std::minstd_rand random;
    CSongClock clock;
    clock.PrepareGrid(120.0f, CSongClock::kNormal, 4, random);  // 1/3 beat: 166.67 ms
    std::vector<int> on;
    for (int t = 0; t < 1000; t += 2) {
        if (clock.ComputeGridFlag(t, CSongClock::kNormal, random)) {
            on.push_back(t);
        }
    }
    EXPECT_EQ(on, (std::vector<int>{0, 166, 334, 500, 666, 834}));
}

TEST(LiveGrid, BeatFlagAtHundredThirtyBeatsPerMinute)
{
    std::minstd_rand random;
    CSongClock clock;
    clock.PrepareGrid(130.0f, CSongClock::kNormal, 2, random);
    std::vector<int> on;
    for (int t = 0; t < 1500; t += 2) {
        if (clock.ComputeBeatFlag(t)) {
            on.push_back(t);
        }
    }
    EXPECT_EQ(on, (std::vector<int>{0, 462, 924, 1384}));
}

TEST(LiveGrid, FrequencyTableMapsBack)
{
    EXPECT_EQ(CSongClock::FrequencyIndexOf(0.5f), 3);
    EXPECT_EQ(CSongClock::FrequencyIndexOf(0.3f), 5);
    EXPECT_EQ(CSongClock::FrequencyIndexOf(0.01f), 0);
    EXPECT_EQ(CSongClock::FrequencyBeats(8), 0.0f);
    EXPECT_STREQ(CSongClock::FrequencyText(4), "1/3");
    EXPECT_STREQ(CSongClock::TypeText(3), "human");
}

}  // namespace
}  // namespace tessaron
