#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tessaron {

// The program's own MIDI input and output port on one MIDI system. The input port hands each
// short message to a callback as it arrives; the output port sends short messages in order.
class IMidiPorts {
public:
    // Called on the port's own thread (for JACK its real-time thread): it must neither block nor
    // allocate. `time` is the arrival time in 100-ns units of the steady clock.
    using InputCallback = void (*)(void* context, const uint8_t* bytes, size_t size, int64_t time);

    virtual ~IMidiPorts() = default;

    // The other programs' ports we can read from, and those we can write to.
    virtual std::vector<std::string> Sources() const = 0;
    virtual std::vector<std::string> Destinations() const = 0;
    // Our ports as the patchbay shows them.
    virtual std::string InputName() const = 0;
    virtual std::string OutputName() const = 0;

    // Opens our input port, connected to `source` when it is not empty; false when the source
    // cannot be found or the port cannot be made.
    virtual bool OpenInput(const std::string& source, InputCallback callback, void* context) = 0;
    virtual void CloseInput() = 0;
    virtual bool OpenOutput(const std::string& destination) = 0;
    virtual void CloseOutput() = 0;
    virtual bool OutputOpen() const = 0;
    // Queues one short message (1 to 3 bytes) for the output port; any thread, never waits on the
    // port's thread. False when the port is closed or its queue is full.
    virtual bool Send(const uint8_t* bytes, size_t size) = 0;
    // Whether the MIDI system went away under the ports (its server stopped).
    virtual bool Gone() const { return false; }
};

// Picks the port whose name is `wanted`, else the first whose client part (before ':') is, else
// the first that contains it; -1 when none.
int FindPort(const std::vector<std::string>& ports, const std::string& wanted);

}  // namespace tessaron
