#include "framework/CMessageRecorder.h"

namespace tessaron {

void CMessageRecorder::post(uint32_t message, intptr_t first, intptr_t second)
{
    std::lock_guard lock(mutex_);
    messages_.push_back(Message{message, first, second});
}

std::vector<CMessageRecorder::Message> CMessageRecorder::messages() const
{
    std::lock_guard lock(mutex_);
    return messages_;
}

std::vector<CMessageRecorder::Message> CMessageRecorder::messagesOf(uint32_t message) const
{
    std::lock_guard lock(mutex_);
    std::vector<Message> result;
    for (const Message& m : messages_) {
        if (m.message == message) {
            result.push_back(m);
        }
    }
    return result;
}

void CMessageRecorder::clear()
{
    std::lock_guard lock(mutex_);
    messages_.clear();
}

}  // namespace tessaron
