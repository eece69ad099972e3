// Clears the rows of dead servers from JACK's machine-wide registry before a test server starts.
#include <cstdio>

#include "support/JackRegistry.h"

int main()
{
    const int cleared = tessaron::test::ReclaimDeadJackServers();
    if (cleared > 0) {
        std::printf("cleared %d dead JACK server rows\n", cleared);
    }
    return cleared < 0 ? 1 : 0;
}
