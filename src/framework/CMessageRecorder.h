#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "framework/IMessageSink.h"

namespace tessaron {

// A message sink that keeps every post, for tests and for tools without a window.
class CMessageRecorder : public IMessageSink {
public:
    struct Message {
        uint32_t message;
        intptr_t first;
        intptr_t second;
    };

    void post(uint32_t message, intptr_t first, intptr_t second) override;

    std::vector<Message> messages() const;
    std::vector<Message> messagesOf(uint32_t message) const;
    void clear();

private:
    mutable std::mutex mutex_;
    std::vector<Message> messages_;
};

}  // namespace tessaron
