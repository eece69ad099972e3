#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "audioout/IOutputBackend.h"
#include "audioout/LossWatch.h"

namespace tessaron {

// A JACK client whose output ports play the mixer, connected to one JACK "device" (the ports of
// another client, "system" first), in 32-bit float at the server's rate and period.
//
// Built on libjack itself rather than a wrapper because of what happens when the server goes
// away: libjack tells the client on one of its own threads, and closing such a client (as a
// wrapper does, from yet another thread) cancels that thread while it may still be running,
// which can end the whole program. Here the shutdown only raises the loss, at once, and the
// client of a server that went away is left behind unclosed.
//
// Calls that talk to the server run with a deadline (kServerAnswerLimit): a server stopped
// with SIGSTOP would hold them for good. A watch thread reports a stream whose server stopped
// answering (see StreamWatch).
class JackOutputBackend : public IOutputBackend {
public:
    // `clientName` names the client in the server; a taken name gets a number from JACK.
    explicit JackOutputBackend(std::string clientName);
    ~JackOutputBackend() override;
    JackOutputBackend(const JackOutputBackend&) = delete;
    JackOutputBackend& operator=(const JackOutputBackend&) = delete;

    std::vector<OutputDeviceInfo> ListDevices() override;
    bool Start(unsigned device, const OutputDeviceInfo& info, uint32_t rate, uint32_t channels,
               SoftwareMixer& mixer) override;
    void Stop() override;
    uint32_t Rate() const override { return rate_; }
    uint32_t Channels() const override { return channels_; }
    void SetLossHandler(std::function<void()> handler) override { lossHandler_ = std::move(handler); }
    bool Lost() const override { return lost_.load(std::memory_order_acquire); }
    const std::string& Problem() const override { return problem_; }

    // The output ports' names within the client: "outport 0", "outport 1", ...
    static std::string PortName(uint32_t channel);

private:
    struct Stream;
    enum class OpenResult { Opened, Refused, Silent };

    OpenResult Open(uint32_t rate);
    OpenResult Activate(const std::string& device);
    void ReportLoss();
    void SetSilent();

    std::string clientName_;
    std::shared_ptr<Stream> stream_;
    SoftwareMixer* mixer_ = nullptr;
    uint32_t rate_ = 0;
    uint32_t channels_ = 0;
    std::string problem_;
    std::function<void()> lossHandler_;
    std::atomic<bool> lost_{false};
    LossWatch watch_;
};

}  // namespace tessaron
