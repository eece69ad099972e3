#include "cli/ArgumentChecks.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <vector>

namespace tessaron::cli {

namespace {

bool AllDigits(std::string_view text)
{
    if (text.empty()) {
        return false;
    }
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

std::vector<std::string_view> Split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    size_t from = 0;
    for (size_t at = text.find(separator); at != std::string_view::npos; at = text.find(separator, from)) {
        parts.push_back(text.substr(from, at - from));
        from = at + 1;
    }
    parts.push_back(text.substr(from));
    return parts;
}

int64_t Value(std::string_view digits)
{
    int64_t value = 0;
    for (char c : digits) {
        value = value * 10 + (c - '0');
    }
    return value;
}

}  // namespace

std::string CheckPosition(std::string_view text, int beatsPerBar)
{
    const auto parts = Split(text, '.');
    if (parts.size() != 3 || !AllDigits(parts[0]) || !AllDigits(parts[1]) || !AllDigits(parts[2])) {
        return "'" + std::string(text) + "' is not a position BAR.BEAT.FRACTION in digits, such as 3.1.0";
    }
    if (parts[0].size() > 9 || parts[1].size() > 3 || parts[2].size() > 3) {
        return "'" + std::string(text) + "' is beyond any song (bar up to 9 digits, beat and fraction up to 3)";
    }
    const int64_t bar = Value(parts[0]);
    const int64_t beat = Value(parts[1]);
    if (bar < 1 || beat < 1) {
        return "'" + std::string(text) + "': bars and beats count from 1";
    }
    if (beat > beatsPerBar) {
        return "'" + std::string(text) + "': beat " + std::to_string(beat) + " is outside a bar of " +
               std::to_string(beatsPerBar) + " beats";
    }
    return {};
}

std::string CheckTime(std::string_view text)
{
    const std::string refused = "'" + std::string(text) + "' is not a time [HH:]MM:SS[.mmm], such as 00:01:30.500";
    const size_t point = text.find('.');
    std::string_view clock = text.substr(0, point);
    if (point != std::string_view::npos) {
        const std::string_view fraction = text.substr(point + 1);
        if (!AllDigits(fraction) || fraction.size() > 3) {
            return refused;
        }
    }
    const auto parts = Split(clock, ':');
    if (parts.size() < 2 || parts.size() > 3) {
        return refused;
    }
    for (size_t i = 0; i < parts.size(); ++i) {
        const bool first = i == 0;
        if (!AllDigits(parts[i]) || parts[i].size() > (first ? 6u : 2u)) {
            return refused;
        }
        if (!first && Value(parts[i]) >= 60) {
            return "'" + std::string(text) + "': minutes and seconds run from 00 to 59";
        }
    }
    return {};
}

std::string CheckEnd(std::string_view text, int beatsPerBar)
{
    return text.find(':') != std::string_view::npos ? CheckTime(text) : CheckPosition(text, beatsPerBar);
}

bool ParseNumber(std::string_view text, double& value)
{
    if (text.empty() || text.front() == '+' || text.front() == ' ') {
        return false;
    }
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, value, std::chars_format::general);
    return error == std::errc() && at == end && std::isfinite(value);
}

bool ParseInteger(std::string_view text, int& value)
{
    if (text.empty()) {
        return false;
    }
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, value, 10);
    return error == std::errc() && at == end;
}

}  // namespace tessaron::cli
