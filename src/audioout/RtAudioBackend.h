#pragma once

#include <memory>
#include <string>

#include "audioout/AudioApi.h"
#include "audioout/IOutputBackend.h"

class RtAudio;

namespace tessaron {

// A device stream of JACK, PulseAudio or ALSA through RtAudio, in 32-bit float.
class RtAudioBackend : public IOutputBackend {
public:
    // `clientName` names the stream in the server (the JACK client, the PulseAudio stream).
    RtAudioBackend(AudioApi api, std::string clientName);
    ~RtAudioBackend() override;

    // Whether the API's server answers (JACK, PulseAudio); ALSA always counts as present.
    static bool ServerRuns(AudioApi api);

    std::vector<OutputDeviceInfo> ListDevices() override;
    bool Start(unsigned device, const OutputDeviceInfo& info, uint32_t rate, uint32_t channels,
               SoftwareMixer& mixer) override;
    void Stop() override;
    uint32_t Rate() const override { return rate_; }
    uint32_t Channels() const override { return channels_; }

private:
    std::vector<OutputDeviceInfo> ListOnce();
    static int Callback(void* output, void* input, unsigned int frames, double streamTime,
                        unsigned int status, void* user);

    AudioApi api_;
    std::string clientName_;
    std::unique_ptr<RtAudio> audio_;
    SoftwareMixer* mixer_ = nullptr;
    uint32_t rate_ = 0;
    uint32_t channels_ = 0;
    bool running_ = false;
};

}  // namespace tessaron
