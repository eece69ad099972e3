#pragma once

#include <chrono>
#include <functional>

namespace tessaron {

// Runs `work` on a thread of its own and waits for it at most `limit`. Answers whether it
// finished in time. Work that overruns goes on alone and is never waited for: it must own
// everything it touches (capture shared pointers, never references to the caller's frame).
// Used for calls into a sound server that may hang for good when the server is stopped.
bool RunWithin(std::chrono::milliseconds limit, std::function<void()> work);

}  // namespace tessaron
