#pragma once

#include <cstdint>

#include <QString>

namespace tessaron {

// The keyboard key that media are bound to (a medium's `pcKey`) of a key event: letters as
// upper-case codes 'A'..'Z', digits (numeric pad included) '0'..'9', function keys F1..F24 as
// 0x70..0x87, and any other key that types one character (punctuation, space) as that
// character, so that a key reaches its media whatever its code on this layout. 0 for a key
// no medium can be bound to (arrows, modifiers, Enter and the like).
int32_t MediaKeyCode(int qtKey, const QString& text);

}  // namespace tessaron
