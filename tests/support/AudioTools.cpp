#include "support/AudioTools.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "support/WavBytes.h"

namespace tessaron::test {

bool HaveTool(const std::string& name) { return Run("command -v " + name); }

bool Run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

bool MakeSweep(const std::string& path, int rate, int channels, int bits, double seconds)
{
    return Run("sox -D -n -r " + std::to_string(rate) + " -c " + std::to_string(channels) + " -b " + std::to_string(bits) +
               " '" + path + "' synth " + std::to_string(seconds) + " sine 200-4000 vol 0.7");
}

std::vector<int16_t> DecodeWithSox(const std::string& path)
{
    const std::string raw = path + ".sox.raw";
    if (!Run("sox -D '" + path + "' -t raw -e signed-integer -b 16 -L '" + raw + "'")) {
        return {};
    }
    const Bytes bytes = ReadBytes(raw);
    std::filesystem::remove(raw);
    return AsSamples(bytes.data(), bytes.size());
}

std::vector<int16_t> AsSamples(const uint8_t* data, size_t bytes)
{
    std::vector<int16_t> samples(bytes / 2);
    std::memcpy(samples.data(), data, samples.size() * 2);
    return samples;
}

}  // namespace tessaron::test
