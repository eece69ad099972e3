#include <gtest/gtest.h>

#include "effects/PcmTestBuffer.h"
#include "effects/Reverse.h"

namespace tessaron {
namespace {

using test::Format;
using test::PcmTestBuffer;

TEST(Reverse, ReversesWholeFramesAndTwiceIsIdentity)
{
    PcmTestBuffer pcm(Format(2, 16), {1, -1, 2, -2, 3, -3, 4, -4, 5, -5, 6, -6});
    ASSERT_TRUE(Reverse(pcm.View(), {4, 20}));
    EXPECT_EQ(pcm.Channel(0), (std::vector<int>{1, 5, 4, 3, 2, 6}));
    EXPECT_EQ(pcm.Channel(1), (std::vector<int>{-1, -5, -4, -3, -2, -6}));

    PcmTestBuffer twice(Format(1, 16), test::Noise(1001, 30000, 8));
    const auto before = twice.Bytes();
    ASSERT_TRUE(Reverse(twice.View(), {0, 2002}));
    EXPECT_NE(twice.Bytes(), before);
    ASSERT_TRUE(Reverse(twice.View(), {0, 2002}));
    EXPECT_EQ(twice.Bytes(), before);
}

TEST(Reverse, RangeIsRoundedDownToMultiplesOfFour)
{
    PcmTestBuffer pcm(Format(1, 8), {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11});
    ASSERT_TRUE(Reverse(pcm.View(), {5, 11}));   // bytes 4 to 7
    ASSERT_TRUE(Reverse(pcm.View(), {9, 100}));  // bytes 8 to the end
    EXPECT_EQ(pcm.Channel(0), (std::vector<int>{0, 1, 2, 3, 7, 6, 5, 4, 11, 10, 9, 8}));
}

}  // namespace
}  // namespace tessaron
