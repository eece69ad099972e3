#include "JackCapture.h"

#include <chrono>
#include <thread>

#include <cstdlib>
#include <fstream>

namespace tessaron::test {

std::string UseFixtureJackServer()
{
    std::ifstream file(std::string(TESSARON_BINARY_DIR) + "/jack/name");
    std::string name;
    if (!std::getline(file, name) || name.empty()) {
        return {};
    }
    ::setenv("JACK_DEFAULT_SERVER", name.c_str(), 1);
    // Named, not probed: the probe's deadline can run out while a loaded machine's server is
    // busy with other tests' clients.
    ::setenv("TESSARON_AUDIO_API", "jack", 1);
    ::setenv("TESSARON_MIDI_API", "jack", 1);
    return name;
}

JackCapture::JackCapture(const std::string& name, double maxSeconds)
{
    jack_status_t status;
    client_ = jack_client_open(name.c_str(), JackNoStartServer, &status);
    if (!client_) {
        return;
    }
    data_.assign(static_cast<size_t>(maxSeconds * jack_get_sample_rate(client_)) * 2, 0.0f);
    ports_[0] = jack_port_register(client_, "in_1", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
    ports_[1] = jack_port_register(client_, "in_2", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
    if (!ports_[0] || !ports_[1] || jack_set_process_callback(client_, &Process, this) != 0 ||
        jack_set_xrun_callback(client_, &Xrun, this) != 0 ||
        jack_activate(client_) != 0) {
        jack_client_close(client_);
        client_ = nullptr;
    }
}

JackCapture::~JackCapture()
{
    if (client_) {
        jack_deactivate(client_);
        jack_client_close(client_);
    }
}

uint32_t JackCapture::Rate() const { return client_ ? jack_get_sample_rate(client_) : 0; }

bool JackCapture::ConnectFrom(const std::string& from)
{
    const std::string pattern = "^" + from + ":";
    const char** outputs = jack_get_ports(client_, pattern.c_str(), JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput);
    if (!outputs) {
        return false;
    }
    bool ok = outputs[0] && outputs[1];
    for (int i = 0; ok && i < 2; ++i) {
        ok = jack_connect(client_, outputs[i], jack_port_name(ports_[i])) == 0;
    }
    jack_free(outputs);
    return ok;
}

bool JackCapture::ConnectWithin(const std::string& from, double seconds)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!ConnectFrom(from)) {
        if (std::chrono::steady_clock::now() >= until) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

std::vector<float> JackCapture::Frames() const
{
    const size_t frames = written_.load();
    return std::vector<float>(data_.begin(), data_.begin() + static_cast<long>(frames * 2));
}

bool JackCapture::WaitForFrames(size_t frames, double seconds) const
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (written_.load() < frames) {
        if (std::chrono::steady_clock::now() >= until) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

int JackCapture::Xrun(void* arg)
{
    static_cast<JackCapture*>(arg)->xruns_.fetch_add(1);
    return 0;
}

int JackCapture::Process(jack_nframes_t frames, void* arg)
{
    auto* self = static_cast<JackCapture*>(arg);
    if (!self->recording_.load()) {
        return 0;
    }
    const auto* left = static_cast<const float*>(jack_port_get_buffer(self->ports_[0], frames));
    const auto* right = static_cast<const float*>(jack_port_get_buffer(self->ports_[1], frames));
    size_t at = self->written_.load(std::memory_order_relaxed);
    for (jack_nframes_t f = 0; f < frames && (at + 1) * 2 <= self->data_.size(); ++f, ++at) {
        self->data_[at * 2] = left[f];
        self->data_[at * 2 + 1] = right[f];
    }
    self->written_.store(at, std::memory_order_release);
    return 0;
}

}  // namespace tessaron::test
