#pragma once

#include <string>

#include "audiofile/ReaderError.h"

namespace tessaron {
class CChordwayDoc;
class CMedia;
}  // namespace tessaron

namespace tessaron::cli {

// Why the readers could not open `path`, in the words that fit: the system's reason when the
// file cannot be opened at all, else which of a reader error's causes applies.
std::string WhyUnreadable(const std::string& path, ReaderError error);

// Reports that the sound file `path` could not be loaded, saying why; answers 1.
int FailUnreadable(const std::string& path);

// Why the medium's file cannot give sound, or an empty text when its reader opens it.
std::string MediumProblem(const CMedia& medium);

// Warns once for each medium that cannot sound, naming it and saying why, and answers how many.
// With `loaded`, the song's samples were loaded (render, play): a sample that did not load is
// named even when its file reads well (the memory limit).
int WarnSilentMedia(const CChordwayDoc& doc, const std::string& songPath, bool loaded);

}  // namespace tessaron::cli
