#include "views/LevelMeter.h"

#include <algorithm>
#include <cmath>

namespace tessaron {

namespace {

// What the shown level loses per feed (about 30 feeds a second): the whole scale in a second.
constexpr double kFallPerFeed = 1.0 / 30.0;

}  // namespace

double LevelMeter::Scale(float peak)
{
    if (!(peak > 0.0f)) {
        return 0.0;
    }
    const double db = 20.0 * std::log10(std::min(1.0, static_cast<double>(peak)));
    return std::clamp(1.0 + db / kRangeDb, 0.0, 1.0);
}

bool LevelMeter::Feed(float peak)
{
    const double shown = std::max({0.0, Scale(peak), shown_ - kFallPerFeed});
    if (shown == shown_) {
        return false;
    }
    shown_ = shown;
    return true;
}

}  // namespace tessaron
