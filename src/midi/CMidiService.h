#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <semaphore>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "audioout/CommandQueue.h"
#include "midi/IMidiPorts.h"
#include "midi/MidiApi.h"
#include "midi/MidiShortMessage.h"

namespace tessaron {

class CMidiPerformance;
class IMessageSink;
class IMidiInputTarget;

// The program's one connection to the MIDI system: an input port whose note, controller and
// pitch-bend messages are filtered by channel, kept in a small ring and handed to the target,
// and an output port (which also echoes the input when thru is on).
//
// Threads: the port's thread only queues what arrives; the service's input thread does the
// rest, so that a slow target never holds up the MIDI system (on JACK, its real-time thread).
class CMidiService {
public:
    static constexpr uint32_t kInputMessage = 1024;
    static constexpr int kRingSize = 21;
    static constexpr std::string_view kInputProblem = "Problem with the midi in device %s";
    static constexpr std::string_view kOutputProblem = "Problem with the midi out device %s";

    // Channel settings (MIDICANAL).
    static constexpr int32_t kChannelNone = 0;
    static constexpr int32_t kChannelOmni = 1;

    // One record of the input ring.
    struct InputRecord {
        int32_t reserved0 = 0;
        int32_t reserved1 = 0;
        int64_t time = 0;  // 100-ns units of the steady clock
        uint32_t packed = 0;
        uint8_t type = 0;
        uint8_t channel = 0;
        uint8_t data1 = 0;
        uint8_t data2 = 0;
    };
    static_assert(sizeof(InputRecord) == 24);

    explicit CMidiService(MidiApi api = MidiApi::Auto);
    ~CMidiService();
    CMidiService(const CMidiService&) = delete;
    CMidiService& operator=(const CMidiService&) = delete;

    // Connects to the MIDI system and starts the input thread; false when there is none (the
    // program then says "No midi device found").
    bool Create();
    bool IsCreated() const { return ports_ != nullptr; }
    // Whether the MIDI system went away (a JACK server that stopped): a new service is needed.
    bool Lost() const { return ports_ != nullptr && ports_->Gone(); }
    MidiApi Api() const { return api_; }
    const std::string& Error() const { return error_; }

    // Ports of other programs and devices, by name.
    std::vector<std::string> InputPorts() const;
    std::vector<std::string> OutputPorts() const;
    std::string InputPortName() const;
    std::string OutputPortName() const;

    // Opens our input port connected to the named source (empty: unconnected, for others to
    // connect to); false when it cannot be found or opened.
    bool OpenInput(const std::string& name);
    bool OpenOutput(const std::string& name);
    void CloseInput();
    void CloseOutput();
    bool OutputOpen() const;
    // A short message to the output port.
    bool Send(const uint8_t* bytes, size_t size);
    // "Problem with the midi in device NAME" and its output twin.
    static std::string ProblemText(std::string_view pattern, const std::string& name);

    // The window that hears the end of MIDI media (message 1052).
    void SetSink(IMessageSink* sink) { sink_ = sink; }
    IMessageSink* Sink() const { return sink_; }
    // Which MIDI medium plays as the primary one; shared with the media, which may outlive us.
    const std::shared_ptr<CMidiPerformance>& Performance() const { return performance_; }
    // Our ports, for the players of MIDI media on the output port; only while created.
    IMidiPorts& Ports() { return *ports_; }

    void SetTarget(IMidiInputTarget* target) { target_.store(target); }
    void EnableInput(bool on) { inputEnabled_.store(on); }
    void SetChannel(int32_t setting) { channel_.store(setting); }
    void SetThru(bool on) { thru_.store(on); }

    // The ring, as the target reads it during its call.
    const InputRecord& Record(int index) const { return ring_[static_cast<size_t>(index) % kRingSize]; }
    int RingIndex() const { return ringIndex_; }
    // Messages the input thread could not keep up with.
    uint64_t DroppedInput() const { return dropped_.load(); }
    uint64_t DeliveredInput() const { return delivered_.load(); }

    // The input path after the port: channel and type filter, ring, target, thru. Runs on the
    // input thread; answers whether the message passed.
    bool Deliver(const uint8_t* bytes, size_t size, int64_t time);

private:
    static void OnInput_RT(void* self, const uint8_t* bytes, size_t size, int64_t time);
    void InputLoop();
    bool Passes(uint8_t status) const;

    MidiApi api_;
    std::string error_;
    std::unique_ptr<IMidiPorts> ports_;
    std::shared_ptr<CMidiPerformance> performance_;
    IMessageSink* sink_ = nullptr;
    std::atomic<IMidiInputTarget*> target_{nullptr};
    std::atomic<bool> inputEnabled_{true};
    std::atomic<int32_t> channel_{kChannelOmni};
    std::atomic<bool> thru_{false};

    CommandQueue<MidiShortMessage, 4096> arrived_;
    std::counting_semaphore<> arrivedSignal_{0};
    std::atomic<uint64_t> dropped_{0};
    std::atomic<uint64_t> delivered_{0};
    std::atomic<bool> stopRequest_{false};
    std::thread inputThread_;

    std::array<InputRecord, kRingSize> ring_{};
    int ringIndex_ = 0;
};

}  // namespace tessaron
