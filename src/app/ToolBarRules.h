#pragma once

#include <string>
#include <string_view>

namespace tessaron::toolbar_rules {

// The spin buttons beside the loop and tempo fields of the "Settings" bar.
inline constexpr int kSpinMin = -8191;
inline constexpr int kSpinMax = 8191;
inline constexpr double kTempoMin = 40.0;
inline constexpr double kTempoMax = 250.0;

// The tempo field after one spin step: the number in the field plus step / 10, kept within
// 40.0..250.0, written "%.1f". A text that holds no number counts as 0 (then 40.0).
std::string TempoAfterSpin(std::string_view fieldText, int step);
// The number at the start of a field's text, as the C library reads it; 0 when there is none.
double LeadingNumber(std::string_view text);
// The tool bar's text fields take digits, "." and backspace only.
bool AcceptsCharacter(char32_t character);

}  // namespace tessaron::toolbar_rules
