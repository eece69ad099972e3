#include "skin/SkinReader.h"

#include <algorithm>
#include <cctype>
#include <limits>

namespace tessaron::skin {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char c)
{
    if (IsDigit(c)) {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

}  // namespace

void SkinReader::SkipBlanks()
{
    while (!AtEnd() && IsBlank(Peek())) {
        ++pos_;
    }
}

void SkinReader::SkipToLineEnd()
{
    while (!AtEnd() && !IsLineEnd(Peek())) {
        ++pos_;
    }
}

bool SkinReader::FindSection(std::string_view name)
{
    inSection_ = false;
    // One pass, remembering whether the current line has a "//" yet: a long line full of "%"
    // costs no more than any other text.
    bool commentOnLine = false;
    for (size_t at = 0; at < text_.size(); ++at) {
        const char c = text_[at];
        if (IsLineEnd(c)) {
            commentOnLine = false;
        } else if (c == '/' && at + 1 < text_.size() && text_[at + 1] == '/') {
            commentOnLine = true;
        } else if (c == '%' && !commentOnLine && text_.substr(at + 1, name.size()) == name) {
            pos_ = at + 1 + name.size();
            inSection_ = true;
            return true;
        }
    }
    return false;
}

std::optional<std::string> SkinReader::NextLine()
{
    if (!inSection_) {
        return std::nullopt;
    }
    // The cursor stands where a line element may start: after the header or a line's values.
    bool elementStart = true;
    while (!AtEnd()) {
        const char c = Peek();
        if (IsBlank(c)) {
            ++pos_;
        } else if (IsLineEnd(c)) {
            ++pos_;
            elementStart = true;
        } else if (c == '/' && Peek(1) == '/') {
            SkipToLineEnd();
        } else if (c == '%' && elementStart) {
            inSection_ = false;
            return std::nullopt;
        } else if (c == ':') {
            ++pos_;
            const size_t begin = pos_;
            while (!AtEnd() && !IsBlank(Peek()) && !IsLineEnd(Peek())) {
                ++pos_;
            }
            return std::string(text_.substr(begin, std::min(pos_ - begin, kMaxKeyword)));
        } else {
            ++pos_;  // text between lines is ignored
            elementStart = false;
        }
    }
    inSection_ = false;
    return std::nullopt;
}

std::optional<int32_t> SkinReader::Decimal()
{
    const size_t start = pos_;
    bool negative = false;
    if (Peek() == '+' || Peek() == '-') {
        negative = Peek() == '-';
        ++pos_;
    }
    if (!IsDigit(Peek())) {
        pos_ = start;
        return std::nullopt;
    }
    // Saturates at the 32-bit range: a skin cannot overflow the reader.
    int64_t value = 0;
    while (IsDigit(Peek())) {
        value = std::min<int64_t>(value * 10 + (Peek() - '0'), int64_t{1} << 32);
        ++pos_;
    }
    if (negative) {
        value = -value;
    }
    value = std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
    return static_cast<int32_t>(value);
}

std::optional<int32_t> SkinReader::Hexadecimal()
{
    if (Peek() != '#' || HexValue(Peek(1)) < 0) {
        return std::nullopt;
    }
    ++pos_;
    uint32_t value = 0;
    while (HexValue(Peek()) >= 0) {
        value = (value << 4) | static_cast<uint32_t>(HexValue(Peek()));  // keeps the low 32 bits
        ++pos_;
    }
    return static_cast<int32_t>(value);
}

std::optional<int32_t> SkinReader::Rgb()
{
    const size_t start = pos_;
    auto upper = [this](size_t ahead) { return static_cast<char>(std::toupper(static_cast<unsigned char>(Peek(ahead)))); };
    if (upper(0) != 'R' || upper(1) != 'G' || upper(2) != 'B') {
        return std::nullopt;
    }
    pos_ += 3;
    if (Peek() == ' ') {
        ++pos_;
    }
    if (Peek() != '(') {
        pos_ = start;
        return std::nullopt;
    }
    ++pos_;
    int32_t components[3] = {};
    for (int32_t& component : components) {
        while (IsBlank(Peek()) || Peek() == ',') {
            ++pos_;
        }
        const auto value = Decimal();
        if (!value) {
            pos_ = start;
            return std::nullopt;
        }
        component = *value & 0xFF;
    }
    SkipBlanks();
    if (Peek() == ')') {
        ++pos_;
    }
    return components[0] + 256 * components[1] + 65536 * components[2];
}

std::optional<int32_t> SkinReader::Number()
{
    const size_t start = pos_;
    SkipBlanks();
    std::optional<int32_t> value = Decimal();
    if (!value) {
        value = Hexadecimal();
    }
    if (!value) {
        value = Rgb();
    }
    if (!value) {
        pos_ = start;
    }
    return value;
}

bool SkinReader::NextIsQuote()
{
    SkipBlanks();
    return Peek() == '"';
}

std::optional<std::string> SkinReader::String()
{
    const size_t start = pos_;
    SkipBlanks();
    if (Peek() != '"') {
        pos_ = start;
        return std::nullopt;
    }
    const size_t begin = pos_ + 1;
    size_t end = text_.find('"', begin);
    if (end == std::string_view::npos) {
        end = text_.find_first_of("\r\n", begin);
        end = end == std::string_view::npos ? text_.size() : end;
        pos_ = end;
    } else {
        pos_ = end + 1;
    }
    if (end == begin) {
        return std::nullopt;
    }
    return std::string(text_.substr(begin, end - begin));
}

}  // namespace tessaron::skin
