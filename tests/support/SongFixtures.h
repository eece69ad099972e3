#pragma once

#include <memory>

#include "song/CChordwayDoc.h"

namespace tessaron::test {

// A song with one medium of each kind, every envelope type, fades, pairs, a schema-2 format
// description, events with and without a medium, and one carrying the song flag.
std::unique_ptr<CChordwayDoc> MakeFullSong(SongEnvironment environment = {});

}  // namespace tessaron::test
