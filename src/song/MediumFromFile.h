#pragma once

#include <string>
#include <vector>

namespace tessaron {

class CChordwayDoc;
class CMedia;

// Adds the medium of a file dropped on the media list or the piano view at list position
// `index`, labelled with keyboard key `key` (0..47). An audio file is read for information as
// a music medium; it becomes a sample when it is longer than 10 ms and small enough for a
// sample, and stays a music medium (streamed from disk) when it is larger. A MIDI file becomes
// a MIDI medium when it opens. Answers the new medium, or null when the file was left out.
CMedia* AddMediumFromFile(CChordwayDoc& doc, const std::string& path, int index, int key);

// Where the keys of files dropped on the media list start: the number of media modulo the
// keys of the on-screen keyboard, so that new media fill the keys after those in use.
int ListDropFirstKey(const CChordwayDoc& doc);

// Adds dropped files in order at the end of the list: what the media list and the piano view
// both do with a drop. Each new medium gets key `firstKey` as its label and MIDI key (the key
// advances by one after each medium when `advanceKey`, as on the list; a drop on a piano key
// keeps it). When the song already holds more than NBSAMPLESMAX media, "too samples open" is
// shown and no further file is taken; a file the song cannot use is skipped. The views hear of
// the change once at the end. Answers the media added, in order.
std::vector<CMedia*> AddMediaFromFiles(CChordwayDoc& doc, const std::vector<std::string>& paths, int firstKey,
                                       bool advanceKey);

// The label of keyboard key `key`: the digits for 0..9, the letters for 10..35, then on.
int KeyLabelOf(int key);

}  // namespace tessaron
