#include "effects/Reverse.h"

#include <array>
#include <cstring>

namespace tessaron {

bool Reverse(const PcmView& pcm, ByteRange range)
{
    if (!pcm.IsUsable()) {
        return false;
    }
    // Multiples of 4 are whole frames in every format (frames are 1, 2 or 4 bytes).
    const auto roundDown = [](std::int64_t at) { return at < 0 ? at : at / 4 * 4; };
    const FrameSpan frames = FramesIn(pcm, {roundDown(range.start), roundDown(range.end)});
    if (frames.Empty()) {
        return true;
    }
    const auto align = static_cast<std::size_t>(pcm.BlockAlign());
    std::uint8_t* bytes = pcm.Bytes().data();
    std::array<std::uint8_t, 4> swap{};
    for (std::size_t low = frames.first, high = frames.end - align; low < high; low += align, high -= align) {
        std::memcpy(swap.data(), bytes + low, align);
        std::memcpy(bytes + low, bytes + high, align);
        std::memcpy(bytes + high, swap.data(), align);
    }
    return true;
}

}  // namespace tessaron
