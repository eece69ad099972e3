#pragma once

#include <functional>
#include <string>
#include <vector>

namespace tessaron {

class CChordwayDoc;
class CMedia;

// Adds dropped (or chosen) files to the song, in order, each as a new medium at the end of the
// media list (AddMediumFromFile). Before each file the song's count limit is checked: when the
// song already holds more media than NBSAMPLESMAX, "too samples open" is shown and no further
// file is taken. A file the song cannot use is skipped. `place` gives each new medium its keys
// and switches: it gets the medium and its order among the files added so far (0, 1, ...), and
// runs under the document lock. `keyLabel` is the keyboard key index (0..47) of the key label
// the new media get. Answers the media added, in order.
std::vector<CMedia*> AddMediaFromFiles(CChordwayDoc& doc, const std::vector<std::string>& paths, int keyLabel,
                                       const std::function<void(CMedia&, size_t)>& place);

}  // namespace tessaron
