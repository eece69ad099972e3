#include "song/CSettings.h"

#include <atomic>
#include <limits>

namespace tessaron {

namespace {

constexpr int32_t kMegabyte = 1048576;
constexpr int32_t kDefaultNbLoop = 16;

std::atomic<int32_t> sampleSizeLimit{kStartSampleSizeLimit};

}  // namespace

int32_t CSettings::ToMegabytes(int32_t bytes) { return bytes / kMegabyte; }

int32_t CSettings::FromMegabytes(int32_t megabytes)
{
    const int64_t bytes = static_cast<int64_t>(megabytes) * kMegabyte;
    if (bytes > std::numeric_limits<int32_t>::max()) {
        return std::numeric_limits<int32_t>::max();
    }
    if (bytes < std::numeric_limits<int32_t>::min()) {
        return std::numeric_limits<int32_t>::min();
    }
    return static_cast<int32_t>(bytes);
}

int32_t CSettings::NbLoopFromDialog(int32_t entered)
{
    return entered > 0 && entered < 2048 ? entered : kDefaultNbLoop;
}

// Relaxed is enough: the limit is one value that orders nothing else.
int32_t SampleSizeLimit() { return sampleSizeLimit.load(std::memory_order_relaxed); }

void SetSampleSizeLimit(int32_t bytes) { sampleSizeLimit.store(bytes, std::memory_order_relaxed); }

}  // namespace tessaron
