#pragma once

#include <string>
#include <string_view>

// The genre names of ID3v1 tags: the standard list (0-79) and its common extension (80-147).
namespace tessaron {

constexpr int kGenreCount = 148;
constexpr int kGenreOther = 12;

// The name at `index`, or empty outside 0..147.
std::string_view GenreName(int index);
// The first genre equal to `name` ignoring case, else the first whose name occurs in `name`,
// else "Other".
int FindGenre(std::string_view name);

}  // namespace tessaron
