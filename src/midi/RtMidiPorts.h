#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "midi/IMidiPorts.h"

class RtMidiIn;
class RtMidiOut;

namespace tessaron {

// Our MIDI ports on the ALSA sequencer through RtMidi: the client "Tessaron" with the ports
// "midi_in" and "midi_out".
class RtMidiPorts : public IMidiPorts {
public:
    // Where the kernel offers the ALSA sequencer.
    static constexpr const char* kSequencerDevice = "/dev/snd/seq";
    // Null when the sequencer cannot be reached (RtMidi throws then; the error is kept).
    static std::unique_ptr<RtMidiPorts> Connect(std::string& error);
    ~RtMidiPorts() override;

    std::vector<std::string> Sources() const override;
    std::vector<std::string> Destinations() const override;
    std::string InputName() const override { return "Tessaron:midi_in"; }
    std::string OutputName() const override { return "Tessaron:midi_out"; }
    bool OpenInput(const std::string& source, InputCallback callback, void* context) override;
    void CloseInput() override;
    bool OpenOutput(const std::string& destination) override;
    void CloseOutput() override;
    bool OutputOpen() const override { return outputOpen_.load(); }
    bool Send(const uint8_t* bytes, size_t size) override;

private:
    RtMidiPorts(std::unique_ptr<RtMidiIn> in, std::unique_ptr<RtMidiOut> out);
    static void OnMessage(double delta, std::vector<unsigned char>* message, void* self);

    std::unique_ptr<RtMidiIn> in_;
    std::unique_ptr<RtMidiOut> out_;
    InputCallback callback_ = nullptr;
    void* context_ = nullptr;
    std::mutex sendLock_;
    std::atomic<bool> outputOpen_{false};
};

}  // namespace tessaron
