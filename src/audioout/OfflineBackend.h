#pragma once

#include <atomic>

#include "audioout/IOutputBackend.h"

namespace tessaron {

// A device without a clock: nothing plays until the caller pulls frames, which are mixed on the
// caller's thread exactly as an audio callback would mix them. It runs at the rate asked for.
class OfflineBackend : public IOutputBackend {
public:
    static constexpr const char* kDeviceName = "Offline";

    std::vector<OutputDeviceInfo> ListDevices() override;
    bool Start(unsigned device, const OutputDeviceInfo& info, uint32_t rate, uint32_t channels,
               SoftwareMixer& mixer) override;
    void Stop() override;
    uint32_t Rate() const override { return rate_; }
    uint32_t Channels() const override { return channels_; }

    // Mixes the next `frames` interleaved frames; false (and silence) when not started.
    bool Pull(float* output, uint32_t frames);

private:
    SoftwareMixer* mixer_ = nullptr;
    uint32_t rate_ = 0;
    uint32_t channels_ = 0;
};

}  // namespace tessaron
