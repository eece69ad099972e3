#pragma once

namespace tessaron {

class CChordwayDoc;

// "Auto key": gives every medium of the song a key of its own, in list order. The medium at
// list position i gets keyboard key i modulo the keys of the on-screen keyboard: its MIDI key
// is that key + 12 and its computer key the key's label (0..9, then A..Z, then F2..F12), none
// past the labelled keys. Lists longer than the keyboard start again at its first key.
class AutoKeyRule {
public:
    // The caller holds the document lock.
    static void Apply(CChordwayDoc& doc);
    // The computer key code of keyboard key `key`; 0 for keys without a label.
    static int LabelOf(int key);
};

}  // namespace tessaron
