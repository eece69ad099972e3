#pragma once

namespace tessaron::test {

// JACK keeps a machine-wide table of eight running servers in shared memory. A server that dies
// without saying goodbye keeps its row, and JACK itself reclaims a row only for a new server of
// the same name, so the dead rows of earlier runs (ours or anyone's) end up refusing every new
// server with "Too many servers already active". This clears the rows whose process is gone,
// under JACK's own lock, and answers how many it cleared (-1 when the table could not be read).
int ReclaimDeadJackServers();

}  // namespace tessaron::test
