#pragma once

#include "effects/PcmView.h"

namespace tessaron {

// Puts the frames of the range in reverse order. Start and end are first rounded down to
// multiples of 4 bytes, like the editor's selections.
bool Reverse(const PcmView& pcm, ByteRange range);

}  // namespace tessaron
