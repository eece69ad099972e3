#pragma once

#include <string>
#include <string_view>

namespace tessaron::cli {

// Strict readings of command-line values. The song's own parsers take any text (the dialogs rely
// on that: an unreadable text is position 0), so the tool checks its arguments first. Each check
// answers an empty text when the value is good, else why it is refused.

// A position BAR.BEAT.FRACTION in digits, bar and beat from 1, the beat inside a bar of
// `beatsPerBar` beats ("3.2.0", "17.4.500").
std::string CheckPosition(std::string_view text, int beatsPerBar);
// A time in the time-text form [HH:]MM:SS[.mmm], minutes and seconds below 60 after a larger field.
std::string CheckTime(std::string_view text);
// The end of a render: a time when the text holds ':', else a position.
std::string CheckEnd(std::string_view text, int beatsPerBar);

// A plain decimal number ("440", "2.5", "1e3"), finite; nothing else (no spaces, hex, "nan").
bool ParseNumber(std::string_view text, double& value);
// A whole number in decimal digits with an optional '-'.
bool ParseInteger(std::string_view text, int& value);

}  // namespace tessaron::cli
