#pragma once

#include <cstdint>

namespace tessaron {

// Receives the MIDI input of the service synchronously, on the service's input thread: while
// the call runs, the ring record it names stays as it is. The program window forwards the call
// to its own thread and waits; the command-line instrument acts on it at once.
class IMidiInputTarget {
public:
    virtual ~IMidiInputTarget() = default;
    // `message` is 1024; `ringIndex` names the record of the input ring; `packed` is status +
    // data 1 x 256 + data 2 x 65536.
    virtual void send(uint32_t message, int ringIndex, uint32_t packed) = 0;
};

}  // namespace tessaron
