#pragma once

#include "effects/PcmView.h"

namespace tessaron {

// Effects that scale samples by their level. Each works on the whole frames of the range and
// answers false only when the buffer is unusable. Levels are measured on the 16-bit scale, so a
// threshold means the same loudness for 8-bit sound.

// Scales the range so that its largest magnitude reaches full scale; a silent range stays as it is.
bool Normalise(const PcmView& pcm, ByteRange range);

// Multiplies every sample by DbGain(tenthsOfDb).
bool Gain(const PcmView& pcm, int tenthsOfDb, ByteRange range);

// Silences every sample whose LevelDb lies below |thresholdDb|.
bool NoiseGate(const PcmView& pcm, int thresholdDb, ByteRange range);

// Expansion (v >= 0) or compression (v < 0) of level jumps from one frame to the next: a sample
// is multiplied by 10^(v / 20) when its level rises more than |v| dB above the previous one
// (for compression, when the truncated jump exceeds |v| dB either way).
bool Dynamics(const PcmView& pcm, int v, ByteRange range);

}  // namespace tessaron
