#pragma once

#include <string>

namespace tessaron::cli {

// Song texts are 8-bit bytes; file names on this system are UTF-8. The JSON form shows the
// bytes so that both read well and every byte comes back:
//  - bytes that form valid UTF-8 show as those characters;
//  - any other byte B (0x80..0xFF) shows as the private-use character U+F700 + B
//    (U+F780..U+F7FF), and so do the bytes of such a character itself when a text holds one.
// So a name typed in UTF-8 is stored as its UTF-8 bytes, and an old Latin-1 "é" (0xE9) shows as
// U+F7E9 and is stored as 0xE9 again.
std::string BytesToJsonText(const std::string& bytes);
// The inverse; `text` is valid UTF-8 (as the JSON parser delivers it).
std::string JsonTextToBytes(const std::string& text);

}  // namespace tessaron::cli
