#pragma once

#include <string>

namespace tessaron {

class CChordwayDoc;
class CMedia;

// Adds the medium of a file dropped on the media list or the piano view at list position
// `index`, labelled with keyboard key `key` (0..47). An audio file is read for information as
// a music medium; it becomes a sample when it is longer than 10 ms and small enough for a
// sample, and stays a music medium (streamed from disk) when it is larger. A MIDI file becomes
// a MIDI medium when it opens. Answers the new medium, or null when the file was left out.
CMedia* AddMediumFromFile(CChordwayDoc& doc, const std::string& path, int index, int key);

// The label of keyboard key `key`: the digits for 0..9, the letters for 10..35, then on.
int KeyLabelOf(int key);

}  // namespace tessaron
