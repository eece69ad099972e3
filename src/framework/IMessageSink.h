#pragma once

#include <cstdint>

namespace tessaron {

// Where threads other than the user-interface thread post their notices (numbered from 1024).
// The GUI turns a post into a queued call on its event loop; tests record them.
class IMessageSink {
public:
    virtual ~IMessageSink() = default;
    virtual void post(uint32_t message, intptr_t first, intptr_t second) = 0;
};

}  // namespace tessaron
