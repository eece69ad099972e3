#include "effects/EffectLevels.h"

#include <cfloat>
#include <cmath>

namespace tessaron {

double LevelDb(int sample)
{
    if (sample == 0) {
        return 0.0;
    }
    const double x = sample;
    return 10.0 * std::log10(x * x);
}

double DbGain(double tenthsOfDb)
{
    return std::fmin(std::pow(10.0, tenthsOfDb / 200.0), DBL_MAX);
}

}  // namespace tessaron
