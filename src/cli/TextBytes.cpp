#include "cli/TextBytes.h"

#include <cstdint>

namespace tessaron::cli {

namespace {

constexpr uint32_t kMarkBase = 0xF700;  // a marked byte B shows as kMarkBase + B

bool IsMark(uint32_t code) { return code >= kMarkBase + 0x80 && code <= kMarkBase + 0xFF; }

void AppendUtf8(std::string& out, uint32_t code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// The length of the valid UTF-8 sequence at `at` and its code point; 0 when the bytes there
// are not one (stray continuation, overlong form, surrogate, beyond U+10FFFF, cut short).
size_t DecodeUtf8(const std::string& text, size_t at, uint32_t& code)
{
    const auto lead = static_cast<uint8_t>(text[at]);
    size_t length = 0;
    uint32_t least = 0;
    if (lead < 0x80) {
        code = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, code = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, code = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, code = lead & 0x07, least = 0x10000;
    } else {
        return 0;
    }
    if (at + length > text.size()) {
        return 0;
    }
    for (size_t i = 1; i < length; ++i) {
        const auto next = static_cast<uint8_t>(text[at + i]);
        if ((next & 0xC0) != 0x80) {
            return 0;
        }
        code = (code << 6) | (next & 0x3F);
    }
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        return 0;
    }
    return length;
}

}  // namespace

std::string BytesToJsonText(const std::string& bytes)
{
    std::string out;
    out.reserve(bytes.size());
    size_t at = 0;
    while (at < bytes.size()) {
        uint32_t code = 0;
        const size_t length = DecodeUtf8(bytes, at, code);
        if (length > 0 && !IsMark(code)) {
            out.append(bytes, at, length);
            at += length;
            continue;
        }
        // Not valid UTF-8, or a character that would read as a mark: each byte marked.
        const size_t marked = length > 0 ? length : 1;
        for (size_t i = 0; i < marked; ++i) {
            AppendUtf8(out, kMarkBase + static_cast<uint8_t>(bytes[at + i]));
        }
        at += marked;
    }
    return out;
}

std::string JsonTextToBytes(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    size_t at = 0;
    while (at < text.size()) {
        uint32_t code = 0;
        const size_t length = DecodeUtf8(text, at, code);
        if (length == 0) {
            out += text[at++];  // the parser delivers valid UTF-8; anything else passes as it is
        } else if (IsMark(code)) {
            out += static_cast<char>(code - kMarkBase);
            at += length;
        } else {
            out.append(text, at, length);
            at += length;
        }
    }
    return out;
}

}  // namespace tessaron::cli
