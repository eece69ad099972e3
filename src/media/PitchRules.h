#pragma once

#include <cstdint>

namespace tessaron {

// How pitch and tempo changes scale a playback rate. Results are truncated to whole Hz.

// n whole semitones, limited to -15..15: rate × 2^(n/12).
int32_t RateForSemitones(int32_t rate, int32_t semitones);
// c hundredths of a semitone: rate × 1.0005779266357422^c.
int32_t RateForCents(int32_t rate, int32_t cents);
// A tempo change of p percent: rate × (1 + p/100).
int32_t RateForTempoPercent(int32_t rate, double percent);

}  // namespace tessaron
