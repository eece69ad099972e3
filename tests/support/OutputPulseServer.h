#pragma once

#include <sys/types.h>

#include <memory>
#include <string>

#include "support/TempDir.h"

namespace tessaron::test {

// A private PulseAudio server with one null sink ("ci_sink", 48000 Hz), in a temporary runtime
// folder, reachable through PULSE_SERVER (which Start sets for this process and its children).
// What plays on the sink can be recorded from "ci_sink.monitor". Stopped (that PID only) on
// destruction.
class OutputPulseServer {
public:
    OutputPulseServer() = default;
    ~OutputPulseServer();
    OutputPulseServer(const OutputPulseServer&) = delete;
    OutputPulseServer& operator=(const OutputPulseServer&) = delete;

    // Starts the server and waits until it answers; false (with the log in `error`) otherwise.
    bool Start(std::string& error);
    const std::string& Server() const { return server_; }  // "unix:<socket>"
    std::string Folder() const { return dir_.path().string(); }

private:
    TempDir dir_;
    pid_t pid_ = -1;
    std::string server_;
};

// Records raw 32-bit float stereo frames at 48000 Hz from a PulseAudio source into a file
// until stopped (parec, stopped by its PID).
class OutputPulseRecorder {
public:
    OutputPulseRecorder(const std::string& source, const std::string& file);
    ~OutputPulseRecorder();
    bool Running() const { return pid_ > 0; }
    void Stop();

private:
    pid_t pid_ = -1;
};

}  // namespace tessaron::test
