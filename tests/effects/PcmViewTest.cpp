#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "effects/LevelEffects.h"
#include "effects/PcmTestBuffer.h"
#include "effects/PcmView.h"

namespace tessaron {
namespace {

using test::Format;
using test::PcmTestBuffer;

TEST(PcmView, WritesTruncateTowardZeroClipAndTurnNaNIntoSilence)
{
    PcmTestBuffer pcm(Format(1, 16), {0, 0, 0, 0, 0});
    const PcmView view = pcm.View();
    view.WriteTruncated(0, 0, -2.7);
    view.WriteTruncated(2, 0, 2.7);
    view.WriteTruncated(4, 0, std::numeric_limits<double>::infinity());
    view.WriteTruncated(6, 0, -1e300);
    view.WriteTruncated(8, 0, std::nan(""));
    EXPECT_EQ(pcm.Channel(0), (std::vector<int>{-2, 2, 32767, -32768, 0}));
}

TEST(PcmView, RangesKeepOnlyWholeFramesInsideTheBuffer)
{
    std::vector<std::uint8_t> bytes(4 * 10 + 3);  // a partial frame at the end
    const PcmView view(bytes, Format(2, 16));
    using Span = std::pair<std::size_t, std::size_t>;
    auto frames = [&](std::int64_t start, std::int64_t end) {
        const FrameSpan span = FramesIn(view, {start, end});
        return span.Empty() ? Span(0, 0) : Span(span.first, span.end);
    };
    EXPECT_EQ(frames(0, 40), Span(0, 40));
    EXPECT_EQ(frames(1, 39), Span(4, 36));
    EXPECT_EQ(frames(-100, 1000), Span(0, 40));
    EXPECT_EQ(frames(30, 10), Span(0, 0));
    EXPECT_EQ(frames(1, 3), Span(0, 0));
    EXPECT_EQ(frames(41, 43), Span(0, 0));

    PcmTestBuffer pcm(Format(2, 16), {100, 100, 100, 100, 100, 100});
    ASSERT_TRUE(Gain(pcm.View(), 60, {2, 10}));  // only frame 1 lies wholly inside
    EXPECT_EQ(pcm.Channel(0), (std::vector<int>{100, 199, 100}));
}

}  // namespace
}  // namespace tessaron
