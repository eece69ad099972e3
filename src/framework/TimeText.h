#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Times in milliseconds as the texts every view shows and accepts: "[-]HH:MM:SS.mmm".
namespace tessaron::time_text {

std::string FromMs(int64_t ms);
int64_t ToMs(std::string_view text);
// Empty, or only digits and "+-.:".
bool IsValid(std::string_view text);

std::string HoursMinutesSeconds(const std::string& text);  // "00:01:23"
std::string WithTenths(const std::string& text);           // "00:01:23.4"
std::string StatusBar(const std::string& text);            // "01:23.4"
std::string Compact(const std::string& text);              // "1:23.456"
std::string CompactWithoutTrailingZero(const std::string& text);
std::string CompactWholeSeconds(const std::string& text);  // "1:23"
std::string MinutesOverSixty(const std::string& text);     // "83:45.6"

}  // namespace tessaron::time_text
