#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tessaron::test {

// Outside tools (sox, lame) that make and decode the test files.
bool HaveTool(const std::string& name);
// Runs a shell command quietly; true when it exits with 0.
bool Run(const std::string& command);
// A sox-made sine sweep (so that every frame differs) at `rate` with `channels` and `bits`.
bool MakeSweep(const std::string& path, int rate, int channels, int bits, double seconds);
// What sox decodes from a file: 16-bit samples, interleaved, without dither.
std::vector<int16_t> DecodeWithSox(const std::string& path);
std::vector<int16_t> AsSamples(const uint8_t* data, size_t bytes);

}  // namespace tessaron::test
