#include "framework/TimeText.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace tessaron::time_text {

namespace {

bool HasSign(const std::string& text) { return !text.empty() && text[0] == '-'; }

std::string Head(const std::string& text, size_t count) { return text.substr(0, std::min(count, text.size())); }

// Reads up to `maxCount` integers separated by the given separators, as sscanf would:
// parts that are missing count 0.
int64_t ParseField(std::string_view& rest)
{
    size_t digits = 0;
    while (digits < rest.size() && rest[digits] >= '0' && rest[digits] <= '9') {
        ++digits;
    }
    int64_t value = 0;
    for (size_t i = 0; i < digits && i < 12; ++i) {
        value = value * 10 + (rest[i] - '0');
    }
    rest.remove_prefix(digits);
    return value;
}

}  // namespace

std::string FromMs(int64_t t)
{
    const char* sign = "";
    if (t < 0) {
        sign = "-";
        t = -t;
    }
    const int64_t ms = t % 1000;
    const int64_t s = t / 1000;
    const int64_t hours = s / 3600;
    const int64_t minutes = (s - hours * 3600) / 60;
    const int64_t seconds = s - hours * 3600 - minutes * 60;
    char text[64];
    std::snprintf(text, sizeof text, "%s%2.2lld:%2.2lld:%2.2lld.%3.3lld", sign, static_cast<long long>(hours),
                  static_cast<long long>(minutes), static_cast<long long>(seconds), static_cast<long long>(ms));
    return text;
}

int64_t ToMs(std::string_view text)
{
    if (text.empty()) {
        return 0;
    }
    int64_t scale = 0;
    const size_t point = text.rfind('.');
    if (point != std::string_view::npos) {
        size_t digits = 0;
        for (size_t i = point + 1; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
            ++digits;
        }
        scale = digits == 1 ? 100 : digits == 2 ? 10 : digits == 3 ? 1 : 0;
    }
    int64_t sign = 1;
    std::string_view rest = text;
    if (rest[0] == '-') {
        sign = -1;
        rest.remove_prefix(1);
    } else if (rest[0] == '+') {
        rest.remove_prefix(1);
    }
    const auto colons = std::count(text.begin(), text.end(), ':');
    int64_t fields[4] = {0, 0, 0, 0};  // hours, minutes, seconds, fraction
    const int first = colons == 0 ? 2 : colons == 1 ? 1 : 0;
    // Read "%d:%d:%d.%d" from the right starting field; stop at the first separator that differs.
    for (int f = first; f < 4; ++f) {
        fields[f] = ParseField(rest);
        const char expected = f < 2 ? ':' : '.';
        if (f == 3 || rest.empty() || rest[0] != expected) {
            break;
        }
        rest.remove_prefix(1);
    }
    return ((fields[0] * 3600 + fields[1] * 60 + fields[2]) * 1000 + fields[3] * scale) * sign;
}

bool IsValid(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.' || c == ':';
    });
}

std::string HoursMinutesSeconds(const std::string& text) { return Head(text, HasSign(text) ? 9 : 8); }

std::string WithTenths(const std::string& text)
{
    std::string head = Head(text, HasSign(text) ? 12 : 11);
    if (!head.empty()) {
        head.pop_back();
    }
    return head;
}

std::string StatusBar(const std::string& text)
{
    std::string result = text.rfind("00", 0) == 0 && text.size() >= 9 ? text.substr(text.size() - 9) : text;
    result.resize(result.size() >= 2 ? result.size() - 2 : 0);
    return result;
}

std::string Compact(const std::string& text)
{
    size_t start = 0;
    while (start + 1 < text.size() && (text[start] == '0' || text[start] == ':')) {
        ++start;
    }
    std::string rest = text.substr(start);
    if (rest == ".0" || rest == ".00" || rest == ".000") {
        return "0";
    }
    if (!rest.empty() && rest[0] == '.') {
        rest.insert(rest.begin(), '0');
    }
    return rest;
}

std::string CompactWithoutTrailingZero(const std::string& text)
{
    std::string compact = Compact(text);
    if (compact.size() > 1 && compact.back() == '0') {
        compact.pop_back();
    }
    return compact;
}

std::string CompactWholeSeconds(const std::string& text)
{
    const std::string compact = Compact(text);
    return compact.substr(0, compact.find('.'));
}

std::string MinutesOverSixty(const std::string& text)
{
    if (text.rfind("01:", 0) == 0 && text.size() >= 10) {
        const int minutes = std::atoi(text.substr(3, 2).c_str());
        if (minutes < 40) {
            return std::to_string(minutes + 60) + text.substr(5, 5);
        }
    }
    return text.size() > 3 ? text.substr(3, 7) : std::string();
}

}  // namespace tessaron::time_text
