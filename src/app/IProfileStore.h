#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tessaron {

// The per-user store of named values in the "Settings" section: the only four operations the
// program needs from it, so that what reads and writes the settings can be tested without it.
class IProfileStore {
public:
    virtual ~IProfileStore() = default;
    // The stored integer, or `fallback` when the key is missing or holds no 32-bit integer.
    virtual int32_t ReadInt(std::string_view key, int32_t fallback) = 0;
    // The stored text, or `fallback` when the key is missing.
    virtual std::string ReadString(std::string_view key, std::string_view fallback) = 0;
    virtual void WriteInt(std::string_view key, int32_t value) = 0;
    virtual void WriteString(std::string_view key, std::string_view value) = 0;
};

}  // namespace tessaron
