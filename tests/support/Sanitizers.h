#pragma once

namespace tessaron::test {

// Sanitized builds run the audio and timer threads many times slower, so the server misses
// cycles and timing checks must allow for it; what they are there for is the races they see.
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
inline constexpr bool kSanitized = true;
#else
inline constexpr bool kSanitized = false;
#endif

}  // namespace tessaron::test
