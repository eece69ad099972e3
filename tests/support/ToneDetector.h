#pragma once

#include <cstddef>

namespace tessaron::test {

// Tone detection for tests that check what sounds rather than exact samples. Samples are
// floats, read every `stride`-th one (so one channel of interleaved frames can be examined).

// Amplitude (peak) of the component at `frequency` Hz, by a Goertzel filter over a Hann
// window: a full-scale sine at that frequency reads about 1.0.
double ToneAmplitude(const float* samples, size_t count, size_t stride, double frequency,
                     double rate);

// The frequency in [low, high] with the largest amplitude, searched in steps of `step` Hz and
// refined to a tenth of a step.
double DominantFrequency(const float* samples, size_t count, size_t stride, double rate,
                         double low, double high, double step);

// Root mean square and largest magnitude.
double Rms(const float* samples, size_t count, size_t stride);
double Peak(const float* samples, size_t count, size_t stride);

// The largest difference between neighbouring samples: a click or a gap shows as a jump far
// above what the tone itself makes.
double LargestStep(const float* samples, size_t count, size_t stride);

}  // namespace tessaron::test
