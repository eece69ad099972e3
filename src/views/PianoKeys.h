#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tessaron {

class CChordwayDoc;

// The media of each key of the piano and the keys' states, built from the song's media list:
// a medium sits on the key its MIDI key maps to. Lists hold places in the media list (the
// song owns the media); they are rebuilt whenever the media change.
class PianoKeys {
public:
    enum class State : int32_t { Empty = 0, Present = 1, Playing = 2 };

    explicit PianoKeys(int keyCount = 24) { Resize(keyCount); }

    // Empties every list and sets the number of keys.
    void Resize(int keyCount);
    // Places every medium of the song on its key and sets each key's state. Call with the
    // media list steady (the user-interface thread, which alone changes it).
    void Rebuild(const CChordwayDoc& doc);
    // Sets the states again from whether each key's media play; answers whether any changed.
    bool RefreshStates(const CChordwayDoc& doc);

    int KeyCount() const { return static_cast<int>(media_.size()); }
    bool Valid(int key) const { return key >= 0 && key < KeyCount(); }
    // Places in the media list of the key's media; empty for a key outside the keyboard.
    const std::vector<int>& MediaOf(int key) const;
    bool HasMedia(int key) const { return !MediaOf(key).empty(); }
    State StateOf(int key) const { return Valid(key) ? states_[static_cast<size_t>(key)] : State::Empty; }
    // The key a medium sits on, -1 when none holds it.
    int KeyOfMedium(int mediaIndex) const;

private:
    State StateFor(const CChordwayDoc& doc, int key) const;

    std::vector<std::vector<int>> media_;
    std::vector<State> states_;
};

}  // namespace tessaron
