#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "audioout/OutputDeviceInfo.h"

namespace tessaron {

class SoftwareMixer;

// What probing a sound server found: it answers, there is none, or it exists and stays silent.
enum class ServerState { Answers, Absent, Silent };

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
    // Stops the stream; no callback runs after it returns. Never waits on a lost server.
    virtual void Stop() = 0;
    virtual uint32_t Rate() const = 0;
    virtual uint32_t Channels() const = 0;

    // Called once, on a thread of the backend, when a running stream is lost (its server
    // went away or stopped answering); set before Start.
    virtual void SetLossHandler(std::function<void()>) {}
    virtual bool Lost() const { return false; }
    // Why the last ListDevices or Start came up empty, for the user; empty when nothing failed.
    virtual const std::string& Problem() const
    {
        static const std::string none;
        return none;
    }
};

}  // namespace tessaron
