#pragma once

#include <jack/jack.h>

#include <atomic>
#include <string>
#include <vector>

namespace tessaron::test {

// Points this process at the JACK server of the test fixture (its name is in
// <build>/jack/name), as its audio and MIDI system; answers the name, empty when there is none.
std::string UseFixtureJackServer();

// A JACK client with two input ports that records what another client plays, into memory
// reserved up front (the process callback neither allocates nor locks).
class JackCapture {
public:
    JackCapture(const std::string& name, double maxSeconds);
    ~JackCapture();
    JackCapture(const JackCapture&) = delete;
    JackCapture& operator=(const JackCapture&) = delete;

    bool Ok() const { return client_ != nullptr; }
    uint32_t Rate() const;
    // Connects the first two audio outputs of the client named `from`.
    bool ConnectFrom(const std::string& from);
    // ConnectFrom, tried until the client appears or `seconds` pass: a loaded machine may take
    // seconds to open (or open again) an output.
    bool ConnectWithin(const std::string& from, double seconds);
    // Recording starts afresh: what was recorded before is dropped.
    void Start()
    {
        written_.store(0);
        xruns_.store(0);
        recording_.store(true);
    }
    void Stop() { recording_.store(false); }
    // Times the server missed a deadline since Start: a gap then is not the player's.
    int Xruns() const { return xruns_.load(); }
    // Waits until `frames` frames were recorded since Start, or `seconds` passed: a server that
    // runs slow (sanitized builds, a loaded machine) still delivers the stretch a test asks for.
    bool WaitForFrames(size_t frames, double seconds) const;
    // What was recorded, interleaved stereo.
    std::vector<float> Frames() const;

private:
    static int Process(jack_nframes_t frames, void* self);
    static int Xrun(void* self);

    jack_client_t* client_ = nullptr;
    jack_port_t* ports_[2] = {nullptr, nullptr};
    std::vector<float> data_;
    std::atomic<size_t> written_{0};  // frames
    std::atomic<bool> recording_{false};
    std::atomic<int> xruns_{0};
};

}  // namespace tessaron::test
