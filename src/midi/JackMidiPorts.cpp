#include "midi/JackMidiPorts.h"

#include <jack/midiport.h>

#include <thread>

#include "audioout/JackLibraryMessages.h"

namespace tessaron {

std::unique_ptr<JackMidiPorts> JackMidiPorts::Connect(const std::string& clientName)
{
    QuietJackLibrary();
    jack_status_t status{};
    jack_client_t* client = jack_client_open(clientName.c_str(), JackNoStartServer, &status);
    if (client == nullptr) {
        return nullptr;
    }
    std::unique_ptr<JackMidiPorts> ports(new JackMidiPorts(client));
    if (ports->input_ == nullptr || ports->output_ == nullptr || jack_activate(client) != 0) {
        return nullptr;
    }
    return ports;
}

JackMidiPorts::JackMidiPorts(jack_client_t* client) : client_(client)
{
    input_ = jack_port_register(client_, "midi_in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    output_ = jack_port_register(client_, "midi_out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    jack_set_process_callback(client_, &JackMidiPorts::Process, this);
    jack_on_shutdown(client_, &JackMidiPorts::OnShutdown, this);
}

void JackMidiPorts::OnShutdown(void* self)
{
    // The process callback runs no more; libjack's calls on the dead client would crash.
    auto* ports = static_cast<JackMidiPorts*>(self);
    ports->outputOpen_.store(false);
    ports->gone_.store(true);
}

JackMidiPorts::~JackMidiPorts()
{
    CloseInput();
    if (gone_.load()) {
        // libjack crashes closing a client whose server went away: its memory is left behind.
        return;
    }
    jack_deactivate(client_);
    jack_client_close(client_);
}

std::vector<std::string> JackMidiPorts::OtherPorts(unsigned long flags) const
{
    std::vector<std::string> names;
    if (gone_.load()) {
        return names;
    }
    const char** ports = jack_get_ports(client_, nullptr, JACK_DEFAULT_MIDI_TYPE, flags);
    if (ports == nullptr) {
        return names;
    }
    for (const char** p = ports; *p != nullptr; ++p) {
        jack_port_t* port = jack_port_by_name(client_, *p);
        if (port != nullptr && !jack_port_is_mine(client_, port)) {
            names.emplace_back(*p);
        }
    }
    jack_free(ports);
    return names;
}

std::vector<std::string> JackMidiPorts::Sources() const { return OtherPorts(JackPortIsOutput); }
std::vector<std::string> JackMidiPorts::Destinations() const { return OtherPorts(JackPortIsInput); }
std::string JackMidiPorts::InputName() const { return jack_port_name(input_); }
std::string JackMidiPorts::OutputName() const { return jack_port_name(output_); }

bool JackMidiPorts::OpenInput(const std::string& source, InputCallback callback, void* context)
{
    CloseInput();
    if (gone_.load()) {
        return false;
    }
    if (!source.empty()) {
        const std::vector<std::string> sources = Sources();
        const int found = FindPort(sources, source);
        if (found < 0 || jack_connect(client_, sources[static_cast<size_t>(found)].c_str(), jack_port_name(input_)) != 0) {
            return false;
        }
    }
    context_.store(context);
    callback_.store(callback);
    return true;
}

void JackMidiPorts::CloseInput()
{
    callback_.store(nullptr);
    if (!gone_.load()) {
        jack_port_disconnect(client_, input_);
    }
    // The process callback may still be handing a message over: let it finish before the
    // receiver can go away.
    while (inCallback_.load() != 0) {
        std::this_thread::yield();
    }
    context_.store(nullptr);
}

bool JackMidiPorts::OpenOutput(const std::string& destination)
{
    CloseOutput();
    if (gone_.load()) {
        return false;
    }
    if (!destination.empty()) {
        const std::vector<std::string> destinations = Destinations();
        const int found = FindPort(destinations, destination);
        if (found < 0 ||
            jack_connect(client_, jack_port_name(output_), destinations[static_cast<size_t>(found)].c_str()) != 0) {
            return false;
        }
    }
    outputOpen_.store(true);
    return true;
}

void JackMidiPorts::CloseOutput()
{
    outputOpen_.store(false);
    if (!gone_.load()) {
        jack_port_disconnect(client_, output_);
    }
}

bool JackMidiPorts::Send(const uint8_t* bytes, size_t size)
{
    if (!outputOpen_.load() || size == 0 || size > 3) {
        return false;
    }
    MidiShortMessage message;
    std::copy(bytes, bytes + size, message.bytes.begin());
    message.size = static_cast<uint8_t>(size);
    message.time = MidiTimeNow();
    std::lock_guard guard(sendLock_);
    return outgoing_.Push(message);
}

int JackMidiPorts::Process(jack_nframes_t frames, void* self)
{
    auto* ports = static_cast<JackMidiPorts*>(self);
    ports->ReadInput_RT(frames);
    ports->WriteOutput_RT(frames);
    return 0;
}

void JackMidiPorts::ReadInput_RT(jack_nframes_t frames)
{
    void* buffer = jack_port_get_buffer(input_, frames);
    const jack_nframes_t count = jack_midi_get_event_count(buffer);
    if (count == 0) {
        return;
    }
    inCallback_.fetch_add(1);
    const InputCallback callback = callback_.load();
    void* context = context_.load();
    const int64_t now = MidiTimeNow();
    for (jack_nframes_t i = 0; callback != nullptr && i < count; ++i) {
        jack_midi_event_t event;
        if (jack_midi_event_get(&event, buffer, i) == 0 && event.size >= 1 && event.size <= 3) {
            callback(context, event.buffer, event.size, now);
        }
    }
    inCallback_.fetch_sub(1);
}

void JackMidiPorts::WriteOutput_RT(jack_nframes_t frames)
{
    void* buffer = jack_port_get_buffer(output_, frames);
    jack_midi_clear_buffer(buffer);
    for (;;) {
        if (!hasCarried_ && !outgoing_.Pop(carried_)) {
            return;
        }
        hasCarried_ = true;
        if (jack_midi_event_write(buffer, 0, carried_.bytes.data(), carried_.size) != 0) {
            return;  // the buffer is full: the rest go out next cycle, in order
        }
        hasCarried_ = false;
    }
}

}  // namespace tessaron
