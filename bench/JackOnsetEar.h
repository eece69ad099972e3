#pragma once
// A JACK client of a benchmark that listens to the program's output: once armed, it keeps the
// server frame of the first loud sample.
#include <jack/jack.h>

#include <atomic>
#include <cmath>
#include <string>

namespace tessaron::bench {

class JackOnsetEar {
public:
    bool Open(const std::string& name)
    {
        client_ = jack_client_open(name.c_str(), JackNoStartServer, nullptr);
        if (client_ == nullptr) {
            return false;
        }
        port_ = jack_port_register(client_, "in", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
        jack_set_process_callback(client_, &JackOnsetEar::Process, this);
        return port_ != nullptr && jack_activate(client_) == 0;
    }
    ~JackOnsetEar()
    {
        if (client_ != nullptr) {
            jack_client_close(client_);
        }
    }
    bool ConnectFrom(const std::string& client)
    {
        const std::string pattern = "^" + client + ":";
        const char** outputs = jack_get_ports(client_, pattern.c_str(), JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput);
        if (outputs == nullptr) {
            return false;
        }
        const bool ok = outputs[0] != nullptr && jack_connect(client_, outputs[0], jack_port_name(port_)) == 0;
        jack_free(outputs);
        return ok;
    }
    void Arm()
    {
        found_.store(false);
        armed_.store(true);
    }
    bool Found() const { return found_.load(); }
    jack_nframes_t FoundFrame() const { return frame_.load(); }
    // When the first loud frame was due, in JACK's microseconds.
    jack_time_t FoundTime() const { return jack_frames_to_time(client_, frame_.load()); }
    jack_time_t Now() const { return jack_get_time(); }
    // Whether the last period was silent.
    bool Silent() const { return silent_.load(); }

private:
    static int Process(jack_nframes_t frames, void* self)
    {
        auto& ear = *static_cast<JackOnsetEar*>(self);
        const auto* in = static_cast<const float*>(jack_port_get_buffer(ear.port_, frames));
        bool silent = true;
        for (jack_nframes_t i = 0; i < frames; ++i) {
            if (std::fabs(in[i]) > 1e-3f) {
                silent = false;
                if (ear.armed_.exchange(false)) {
                    ear.frame_.store(jack_last_frame_time(ear.client_) + i);
                    ear.found_.store(true);
                }
                break;
            }
        }
        ear.silent_.store(silent);
        return 0;
    }

    jack_client_t* client_ = nullptr;
    jack_port_t* port_ = nullptr;
    std::atomic<bool> armed_{false};
    std::atomic<bool> found_{false};
    std::atomic<bool> silent_{true};
    std::atomic<jack_nframes_t> frame_{0};
};

}  // namespace tessaron::bench
