#pragma once

#include <array>

#include "effects/PcmView.h"

namespace tessaron {

enum class FirKind { LowPass, HighPass };

inline constexpr int kFirTaps = 128;
using FirTaps = std::array<double, kFirTaps>;

// Hamming-windowed sinc taps for an edge `cutoff` given as a fraction of the Nyquist frequency
// (2 × Hz / sample rate). A low pass is scaled to unit gain at 0 Hz, a high pass to unit gain
// at the Nyquist frequency; taps whose gain there is (nearly) 0 are left unscaled.
FirTaps DesignFir(FirKind kind, double cutoff);

// Filters each channel of the range with the taps for `frequency` Hz. The output of a frame is
// the taps applied to the inputs before it (history 0 at the start of the range), truncated.
// Answers false for an unusable buffer or a frequency of 0 Hz or below.
bool FirFilter(const PcmView& pcm, FirKind kind, int frequency, ByteRange range);

}  // namespace tessaron
