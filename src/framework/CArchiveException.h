#pragma once

#include <stdexcept>
#include <string>

namespace tessaron {

// Ends a failed archive read; the reader of a damaged file gets this and nothing else.
class CArchiveException : public std::runtime_error {
public:
    enum class Cause {
        EndOfFile,     // the stream ended inside a value
        BadIndex,      // a tag refers to a class or object that was never stored
        BadClass,      // unknown class, or not of the kind requested
        BadSchema,     // a stored schema the class does not accept
        BadLength,     // a text or count larger than the stream can hold
        Generic,
    };

    CArchiveException(Cause cause, const std::string& what) : std::runtime_error(what), cause_(cause) {}

    Cause cause() const { return cause_; }

private:
    Cause cause_;
};

}  // namespace tessaron
