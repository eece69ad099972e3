#pragma once

namespace tessaron::cli {

// Ctrl+C and SIGTERM end a command that runs until stopped: while an Interruption lives, the
// signals only set a flag that the command polls.
class Interruption {
public:
    Interruption();
    ~Interruption();
    Interruption(const Interruption&) = delete;
    Interruption& operator=(const Interruption&) = delete;

    bool Requested() const;
};

}  // namespace tessaron::cli
