#pragma once

#include <bitset>
#include <cstdint>
#include <vector>

namespace tessaron {

class CChordwayDoc;
class CMedia;
class CScheduler;

// The rules that turn presses and releases of keys (computer keyboard, on-screen piano, MIDI
// notes) and the MIDI wheels into the scheduler's live operations. The piano view, the main
// frame and the command-line instrument all go through this one class.
//
// Calls come from one thread at a time (the user-interface thread, or the MIDI input thread of
// a program without windows); the media list is walked under the document lock.
class CTriggerRules {
public:
    CTriggerRules(CChordwayDoc& doc, CScheduler& scheduler);

    // Arithmetic of the MIDI input.
    // Level of a note velocity in tenths of a decibel: -400..0, and -1000 for velocity 0.
    static int32_t LevelFromVelocity(int velocity);
    // Pitch change of the bend wheel's high byte, in tenths of a semitone: 64 is the centre,
    // 0 and 127 the ends of +-`range` semitones.
    static int32_t PitchBendTenths(int data2, int32_t range);
    // The MIDI key of the media a note reaches: note 24 is key 0.
    static int32_t KeyOfNote(int note);
    // The on-screen key index on which a medium's MIDI key sits, with `keyCount` keys.
    static int KeyIndexOfMidiKey(int32_t midiKey, int keyCount);
    // Whether the medium answers a release (a sustaining medium ignores it).
    static bool Sustains(const CMedia& medium);

    // What a trigger did: whether any medium matched, and whether one started or stopped
    // (the caller then tells the views).
    struct Outcome {
        bool matched = false;
        bool changed = false;
    };

    // A press and a release of the given media, by their places in the media list.
    Outcome Press(const std::vector<int>& mediaIndexes);
    Outcome Release(const std::vector<int>& mediaIndexes);

    // Computer keyboard: every medium whose keyboard key is `character`. A key-down of a key
    // already down (auto-repeat) matches but triggers nothing.
    Outcome KeyDown(int32_t character);
    Outcome KeyUp(int32_t character);

    // MIDI input.
    Outcome NoteOn(int note, int velocity);
    Outcome NoteOff(int note);
    void ControlChange(int channel, int controller, int value);
    void PitchBend(int data2);
    // A short message packed as status + data1 x 256 + data2 x 65536.
    Outcome HandleMessage(uint32_t packed);

    // The piano view's selected key (-1 none); the wheels act on it when MAM is set.
    void SetSelectedKey(int keyIndex) { selectedKey_ = keyIndex; }
    int SelectedKey() const { return selectedKey_; }
    // The MIDI key of the last note on, -1 before the first.
    int32_t LastKey() const { return lastKey_; }
    // Octaves by which MIDI notes are moved before they reach media (the piano view's NOTE+
    // and NOTE-), so that a short MIDI keyboard can play every octave: -kMaxOctaveShift..
    // kMaxOctaveShift; a note moved below key 0 reaches nothing.
    static constexpr int kMaxOctaveShift = 4;
    void SetOctaveShift(int octaves);
    int OctaveShift() const { return octaveShift_; }
    // The MIDI key a note reaches with the octave shift.
    int32_t ShiftedKeyOfNote(int note) const { return KeyOfNote(note) + 12 * octaveShift_; }

private:
    std::vector<int> MediaOfKey(int32_t midiKey) const;
    std::vector<int> MediaOfCharacter(int32_t character) const;
    // The media the wheels act on: those of the last note, or of the selected key with MAM.
    std::vector<int> WheelMedia() const;
    bool Playing(const CMedia& medium) const;

    CChordwayDoc& doc_;
    CScheduler& scheduler_;
    int32_t lastKey_ = -1;
    int selectedKey_ = -1;
    int octaveShift_ = 0;
    std::bitset<512> keysDown_;
};

}  // namespace tessaron
