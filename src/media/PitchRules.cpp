#include "media/PitchRules.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace tessaron {

namespace {

constexpr double kCentFactor = 1.0005779266357422;

// 2^(k/12), k = 0..15.
const std::array<double, 16>& SemitoneTable()
{
    static const std::array<double, 16> table = [] {
        std::array<double, 16> t{};
        for (size_t k = 0; k < t.size(); ++k) {
            t[k] = std::pow(2.0, static_cast<double>(k) / 12.0);
        }
        return t;
    }();
    return table;
}

int32_t Truncated(double value) { return static_cast<int32_t>(std::clamp(value, -2.0e9, 2.0e9)); }

}  // namespace

int32_t RateForSemitones(int32_t rate, int32_t semitones)
{
    const int32_t n = std::clamp(semitones, -15, 15);
    const double factor = SemitoneTable()[static_cast<size_t>(std::abs(n))];
    return Truncated(n >= 0 ? rate * factor : rate / factor);
}

int32_t RateForCents(int32_t rate, int32_t cents)
{
    if (cents == 0) {
        return rate;
    }
    const double factor = std::pow(kCentFactor, std::abs(cents));
    return Truncated(cents > 0 ? rate * factor : rate / factor);
}

int32_t RateForTempoPercent(int32_t rate, double percent) { return Truncated(rate * (1.0 + percent / 100.0)); }

}  // namespace tessaron
