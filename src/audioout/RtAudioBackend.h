#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "audioout/AudioApi.h"
#include "audioout/IOutputBackend.h"
#include "audioout/LossWatch.h"

class RtAudio;

namespace tessaron {

// A device stream of PulseAudio or ALSA through RtAudio, in 32-bit float. (JACK streams are
// JackOutputBackend's; the probe of a JACK server is here with the others.)
//
// Every call that talks to a sound server runs with a deadline (kServerAnswerLimit): a server
// that exists but does not answer (stopped with SIGSTOP) would hold it for good. Such a call
// is abandoned with the RtAudio object it used, and the backend reports the server as silent.
// While a stream runs, a watch thread compares the frames asked for with the clock and reports
// the stream lost when the server went away (see StreamWatch).
class RtAudioBackend : public IOutputBackend {
public:
    // `clientName` names the stream in the server (the JACK client, the PulseAudio stream).
    RtAudioBackend(AudioApi api, std::string clientName);
    ~RtAudioBackend() override;

    // Whether the API's server answers (JACK, PulseAudio); ALSA always counts as present.
    static ServerState ProbeServer(AudioApi api);
    static bool ServerRuns(AudioApi api) { return ProbeServer(api) == ServerState::Answers; }

    std::vector<OutputDeviceInfo> ListDevices() override;
    bool Start(unsigned device, const OutputDeviceInfo& info, uint32_t rate, uint32_t channels,
               SoftwareMixer& mixer) override;
    void Stop() override;
    uint32_t Rate() const override { return rate_; }
    uint32_t Channels() const override { return channels_; }
    void SetLossHandler(std::function<void()> handler) override { lossHandler_ = std::move(handler); }
    bool Lost() const override { return lost_.load(std::memory_order_acquire); }
    const std::string& Problem() const override { return problem_; }

private:
    enum class OpenResult { Opened, Refused, Silent };

    std::vector<OutputDeviceInfo> ListOnce();
    OpenResult OpenWithin(unsigned device, uint32_t run, uint32_t channels);
    void Abandon();
    static int Callback(void* output, void* input, unsigned int frames, double streamTime,
                        unsigned int status, void* user);

    AudioApi api_;
    std::string clientName_;
    // Shared with calls that may outlive a deadline; null once abandoned.
    std::shared_ptr<RtAudio> audio_;
    std::shared_ptr<StreamTarget> target_;
    SoftwareMixer* mixer_ = nullptr;
    uint32_t rate_ = 0;
    uint32_t channels_ = 0;
    std::string problem_;
    std::function<void()> lossHandler_;
    std::atomic<bool> lost_{false};
    LossWatch watch_;
};

}  // namespace tessaron
