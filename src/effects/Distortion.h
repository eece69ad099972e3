#pragma once

#include "effects/PcmView.h"

namespace tessaron {

// y = 0.5 × x + k × previous y per channel, k = (amount − 1) / 100 + 0.8. From amount 21 on
// (k ≥ 1) the recursion grows without bound and the written samples clip: that is the sound.
bool Distortion(const PcmView& pcm, int amount, ByteRange range);

}  // namespace tessaron
