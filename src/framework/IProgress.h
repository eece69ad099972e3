#pragma once

#include <string_view>

namespace tessaron {

// A progress window for long work: title, a message line, a bar over a range, and Cancel.
class IProgress {
public:
    virtual ~IProgress() = default;
    virtual void begin(std::string_view title, int lower, int upper) = 0;
    virtual void setMessage(std::string_view message) = 0;
    virtual void setPosition(int position) = 0;
    // True once the user asked to stop; the worker checks it between steps.
    virtual bool cancelled() const = 0;
    virtual void end() = 0;
};

}  // namespace tessaron
