#include <gtest/gtest.h>

#include <string>

#include "framework/TimeText.h"

namespace tessaron {
namespace {

TEST(TimeText, FormatsAndParses)
{
    EXPECT_EQ(time_text::FromMs(0), "00:00:00.000");
    EXPECT_EQ(time_text::FromMs(-1500), "-00:00:01.500");
    EXPECT_EQ(time_text::FromMs(5025678), "01:23:45.678");
    EXPECT_EQ(time_text::ToMs("1:2.5"), 62500);
    EXPECT_EQ(time_text::ToMs("1:2.50"), 62500);
    EXPECT_EQ(time_text::ToMs("1:2.5000"), 62000);
    EXPECT_EQ(time_text::ToMs("90.25"), 90250);
    EXPECT_EQ(time_text::ToMs("-00:00:01.500"), -1500);
    EXPECT_EQ(time_text::ToMs("+01:00:00.000"), 3600000);
    EXPECT_EQ(time_text::ToMs(""), 0);
    for (int ms : {0, 1, 999, 61001, 3599999, 86400000}) {
        EXPECT_EQ(time_text::ToMs(time_text::FromMs(ms)), ms);
    }
    EXPECT_TRUE(time_text::IsValid("+-.:0123456789"));
    EXPECT_TRUE(time_text::IsValid(""));
    EXPECT_FALSE(time_text::IsValid("1a"));
}

TEST(TimeText, ShortForms)
{
    const std::string t = time_text::FromMs(83456);
    EXPECT_EQ(time_text::HoursMinutesSeconds(t), "00:01:23");
    EXPECT_EQ(time_text::WithTenths(t), "00:01:23.4");
    EXPECT_EQ(time_text::StatusBar(t), "01:23.4");
    EXPECT_EQ(time_text::Compact(t), "1:23.456");
    EXPECT_EQ(time_text::CompactWholeSeconds(t), "1:23");
    EXPECT_EQ(time_text::MinutesOverSixty(t), "01:23.4");
    EXPECT_EQ(time_text::MinutesOverSixty(time_text::FromMs(5025678)), "83:45.6");
    EXPECT_EQ(time_text::StatusBar(time_text::FromMs(0)), "00:00.0");
    EXPECT_EQ(time_text::Compact(time_text::FromMs(0)), "0");
    EXPECT_EQ(time_text::Compact(time_text::FromMs(450)), "0.450");
    EXPECT_EQ(time_text::CompactWithoutTrailingZero(time_text::FromMs(450)), "0.45");
    EXPECT_EQ(time_text::HoursMinutesSeconds(time_text::FromMs(-83456)), "-00:01:23");
}

}  // namespace
}  // namespace tessaron
