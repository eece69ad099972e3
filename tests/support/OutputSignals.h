#pragma once

#include <cstdint>
#include <vector>

#include "audioout/WaveFormat.h"

namespace tessaron::test {

// PCM in a wave format's layout (16-bit signed or 8-bit unsigned, interleaved): a sine of
// `frequency` Hz at `amplitude` (1.0 is full scale) in every channel, starting at `firstFrame`
// so that consecutive pieces join without a seam.
std::vector<uint8_t> SinePcm(const WaveFormat& format, uint32_t frames, double frequency,
                             double amplitude, uint64_t firstFrame = 0);

// PCM holding the same value (-1.0 .. 1.0 of full scale) in every sample.
std::vector<uint8_t> ConstantPcm(const WaveFormat& format, uint32_t frames, double value);

// One channel of interleaved float frames.
std::vector<float> Channel(const std::vector<float>& frames, unsigned channels, unsigned channel);

}  // namespace tessaron::test
