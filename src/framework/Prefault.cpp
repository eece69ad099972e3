#include "framework/Prefault.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

namespace tessaron {

void PrefaultForWrite(void* data, size_t bytes)
{
#ifdef MADV_POPULATE_WRITE
    static const auto page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    if (data == nullptr || bytes < 16 * page) {
        return;
    }
    // Only whole pages inside the block: the pages at its edges may belong to other blocks.
    const auto start = (reinterpret_cast<uintptr_t>(data) + page - 1) & ~(page - 1);
    const auto end = (reinterpret_cast<uintptr_t>(data) + bytes) & ~(page - 1);
    if (end > start) {
        madvise(reinterpret_cast<void*>(start), end - start, MADV_POPULATE_WRITE);  // a hint: failure is harmless
    }
#else
    (void)data;
    (void)bytes;
#endif
}

}  // namespace tessaron
