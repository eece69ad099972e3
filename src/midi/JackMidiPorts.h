#pragma once

#include <jack/jack.h>

#include <atomic>
#include <memory>
#include <mutex>

#include "audioout/CommandQueue.h"
#include "midi/IMidiPorts.h"
#include "midi/MidiShortMessage.h"

namespace tessaron {

// Our MIDI ports on a JACK server: one client "tessaron" with the ports "midi_in" and
// "midi_out", so that a patchbay shows them side by side. Input is handed on from the process
// callback; output waits in a queue that the process callback empties into the port.
class JackMidiPorts : public IMidiPorts {
public:
    // Null when no JACK server answers.
    static std::unique_ptr<JackMidiPorts> Connect(const std::string& clientName = "tessaron");
    ~JackMidiPorts() override;
    JackMidiPorts(const JackMidiPorts&) = delete;
    JackMidiPorts& operator=(const JackMidiPorts&) = delete;

    std::vector<std::string> Sources() const override;
    std::vector<std::string> Destinations() const override;
    std::string InputName() const override;
    std::string OutputName() const override;
    bool OpenInput(const std::string& source, InputCallback callback, void* context) override;
    void CloseInput() override;
    bool OpenOutput(const std::string& destination) override;
    void CloseOutput() override;
    bool OutputOpen() const override { return outputOpen_.load(); }
    bool Send(const uint8_t* bytes, size_t size) override;
    // Whether the server shut down under us: the client is then left alone.
    bool Gone() const override { return gone_.load(); }

private:
    explicit JackMidiPorts(jack_client_t* client);
    std::vector<std::string> OtherPorts(unsigned long flags) const;
    static int Process(jack_nframes_t frames, void* self);
    static void OnShutdown(void* self);
    void ReadInput_RT(jack_nframes_t frames);
    void WriteOutput_RT(jack_nframes_t frames);

    jack_client_t* client_;
    jack_port_t* input_ = nullptr;
    jack_port_t* output_ = nullptr;
    std::atomic<InputCallback> callback_{nullptr};
    std::atomic<void*> context_{nullptr};
    std::atomic<int> inCallback_{0};
    std::atomic<bool> outputOpen_{false};
    std::atomic<bool> gone_{false};
    std::mutex sendLock_;  // several threads may send; the queue takes one producer
    CommandQueue<MidiShortMessage, 4096> outgoing_;
    MidiShortMessage carried_;  // did not fit into the last cycle's buffer
    bool hasCarried_ = false;
};

}  // namespace tessaron
