#pragma once

#include <cstdint>
#include <vector>

#include "audioout/OutputDeviceInfo.h"

namespace tessaron {

class SoftwareMixer;

// An audio system that runs a device's stream and calls the mixer from its audio thread.
class IOutputBackend {
public:
    virtual ~IOutputBackend() = default;

    virtual std::vector<OutputDeviceInfo> ListDevices() = 0;
    // Opens the device (an index into ListDevices, with what it reported) and starts calling
    // mixer.Render_RT. The rate is asked for; the device may run at another one, which Rate()
    // then tells. The mixer's rate is set before the first callback.
    virtual bool Start(unsigned device, const OutputDeviceInfo& info, uint32_t rate,
                       uint32_t channels, SoftwareMixer& mixer) = 0;
    // Stops the stream; no callback runs after it returns.
    virtual void Stop() = 0;
    virtual uint32_t Rate() const = 0;
    virtual uint32_t Channels() const = 0;
};

}  // namespace tessaron
