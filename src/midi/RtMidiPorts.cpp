#include "midi/RtMidiPorts.h"

#include <rtmidi/RtMidi.h>

#include <unistd.h>

#include "audioout/AlsaLibraryMessages.h"
#include "midi/MidiShortMessage.h"

namespace tessaron {

namespace {

template <class Port>
std::vector<std::string> PortNames(Port& port)
{
    std::vector<std::string> names;
    try {
        const unsigned count = port.getPortCount();
        for (unsigned i = 0; i < count; ++i) {
            names.push_back(port.getPortName(i));
        }
    } catch (const RtMidiError&) {
        names.clear();
    }
    return names;
}

}  // namespace

std::unique_ptr<RtMidiPorts> RtMidiPorts::Connect(std::string& error)
{
    // RtMidi prints its own failure on stderr before it throws: a machine without the ALSA
    // sequencer (no sound support in the kernel) is told apart first, in our words.
    if (::access(kSequencerDevice, R_OK | W_OK) != 0) {
        error = std::string("there is no ALSA sequencer (") + kSequencerDevice + ")";
        return nullptr;
    }
    QuietAlsaLibrary();
    // The default constructors try every API and throw on the first that fails; name ALSA.
    try {
        auto in = std::make_unique<RtMidiIn>(RtMidi::LINUX_ALSA, "Tessaron");
        auto out = std::make_unique<RtMidiOut>(RtMidi::LINUX_ALSA, "Tessaron");
        in->ignoreTypes(true, true, true);
        return std::unique_ptr<RtMidiPorts>(new RtMidiPorts(std::move(in), std::move(out)));
    } catch (const RtMidiError& e) {
        error = e.getMessage();
        return nullptr;
    }
}

RtMidiPorts::RtMidiPorts(std::unique_ptr<RtMidiIn> in, std::unique_ptr<RtMidiOut> out)
    : in_(std::move(in)), out_(std::move(out))
{
}

RtMidiPorts::~RtMidiPorts()
{
    CloseInput();
    CloseOutput();
}

std::vector<std::string> RtMidiPorts::Sources() const { return PortNames(*in_); }
std::vector<std::string> RtMidiPorts::Destinations() const { return PortNames(*out_); }

void RtMidiPorts::OnMessage(double, std::vector<unsigned char>* message, void* self)
{
    auto* ports = static_cast<RtMidiPorts*>(self);
    if (message != nullptr && !message->empty() && message->size() <= 3 && ports->callback_ != nullptr) {
        ports->callback_(ports->context_, message->data(), message->size(), MidiTimeNow());
    }
}

bool RtMidiPorts::OpenInput(const std::string& source, InputCallback callback, void* context)
{
    CloseInput();
    try {
        if (source.empty()) {
            in_->openVirtualPort("midi_in");
        } else {
            const int found = FindPort(Sources(), source);
            if (found < 0) {
                return false;
            }
            in_->openPort(static_cast<unsigned>(found), "midi_in");
        }
        callback_ = callback;
        context_ = context;
        in_->setCallback(&RtMidiPorts::OnMessage, this);
    } catch (const RtMidiError&) {
        return false;
    }
    return true;
}

void RtMidiPorts::CloseInput()
{
    try {
        in_->cancelCallback();
    } catch (const RtMidiError&) {
        // no callback was set
    }
    in_->closePort();  // joins RtMidi's input thread: no call of ours is running after this
    callback_ = nullptr;
    context_ = nullptr;
}

bool RtMidiPorts::OpenOutput(const std::string& destination)
{
    CloseOutput();
    std::lock_guard guard(sendLock_);
    try {
        if (destination.empty()) {
            out_->openVirtualPort("midi_out");
        } else {
            const int found = FindPort(Destinations(), destination);
            if (found < 0) {
                return false;
            }
            out_->openPort(static_cast<unsigned>(found), "midi_out");
        }
    } catch (const RtMidiError&) {
        return false;
    }
    outputOpen_ = true;
    return true;
}

void RtMidiPorts::CloseOutput()
{
    std::lock_guard guard(sendLock_);
    outputOpen_ = false;
    out_->closePort();
}

bool RtMidiPorts::Send(const uint8_t* bytes, size_t size)
{
    std::lock_guard guard(sendLock_);
    if (!outputOpen_ || size == 0 || size > 3) {
        return false;
    }
    try {
        out_->sendMessage(bytes, size);
    } catch (const RtMidiError&) {
        return false;
    }
    return true;
}

}  // namespace tessaron
