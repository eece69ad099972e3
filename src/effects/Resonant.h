#pragma once

#include "effects/PcmView.h"

namespace tessaron {

// Four-pole resonant low pass of the ladder kind with a soft cubic clip in the last stage, per
// channel, state 0 at the start of the range. resonancePercent 0 is a plain four-pole low pass.
// Samples are scaled by 1 / 32768 in and 32768 out whatever their bit depth.
bool Resonant(const PcmView& pcm, int frequency, int resonancePercent, ByteRange range);

}  // namespace tessaron
