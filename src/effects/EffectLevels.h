#pragma once

namespace tessaron {

// Level of one sample in decibels: 10 × log10(x²), and 0 for silence. Full scale of 16-bit
// sound is about 90.3.
double LevelDb(int sample);

// Linear factor of a gain in tenths of a decibel: 10^(v / 200). Always finite, so that a
// zero sample times a huge gain stays zero instead of becoming NaN.
double DbGain(double tenthsOfDb);

}  // namespace tessaron
