#pragma once

#include "effects/PcmView.h"

namespace tessaron {

// Effects that mix a sample with the one a fixed delay earlier. The delay is rounded down to
// whole frames; each answers false, changing nothing, when the buffer is unusable, the delay is
// shorter than one frame or longer than the buffer. The earlier sample may lie before the range.

// Adds the sample 1 / frequency seconds earlier (a comb filter with notches at odd multiples of
// frequency / 2).
bool Comb(const PcmView& pcm, int frequency, ByteRange range);

// Adds the sample `ms` earlier, scaled by DbGain(tenthsOfDb): one repeat.
bool Delay(const PcmView& pcm, int ms, int tenthsOfDb, ByteRange range);

// Adds a decaying repeat every `ms` (each scaled by DbGain(tenthsOfDb)) through a ring of one
// delay's length, starting empty at the start of the range. False also when the ring cannot be had.
bool Echo(const PcmView& pcm, int ms, int tenthsOfDb, ByteRange range);

// 0.55 × sample + 0.85 × the processed sample 1 / frequency seconds earlier: a ringing feedback.
bool Metal(const PcmView& pcm, int frequency, ByteRange range);

}  // namespace tessaron
