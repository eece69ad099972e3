#pragma once

#include <cstddef>

namespace tessaron {

// Maps in the pages of a fresh block that is about to be written whole (decoded sound, a
// stretch, an edit) in one call, instead of one page fault per page as the writer first touches
// each: several times cheaper for blocks of megabytes. Small blocks, and kernels without the
// call, are left to fault as usual.
void PrefaultForWrite(void* data, size_t bytes);

}  // namespace tessaron
