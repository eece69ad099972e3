#include "views/PianoKeys.h"

#include "media/CMedia.h"
#include "song/CChordwayDoc.h"
#include "song/CTriggerRules.h"

namespace tessaron {

void PianoKeys::Resize(int keyCount)
{
    media_.assign(static_cast<size_t>(keyCount > 0 ? keyCount : 0), {});
    states_.assign(media_.size(), State::Empty);
}

void PianoKeys::Rebuild(const CChordwayDoc& doc)
{
    for (auto& list : media_) {
        list.clear();
    }
    for (int i = 0; i < doc.MediaCount(); ++i) {
        const int key = CTriggerRules::KeyIndexOfMidiKey(doc.MediumAt(i)->midiNote, KeyCount());
        if (Valid(key)) {
            media_[static_cast<size_t>(key)].push_back(i);
        }
    }
    for (int key = 0; key < KeyCount(); ++key) {
        states_[static_cast<size_t>(key)] = StateFor(doc, key);
    }
}

bool PianoKeys::RefreshStates(const CChordwayDoc& doc)
{
    bool changed = false;
    for (int key = 0; key < KeyCount(); ++key) {
        const State state = StateFor(doc, key);
        changed |= state != states_[static_cast<size_t>(key)];
        states_[static_cast<size_t>(key)] = state;
    }
    return changed;
}

PianoKeys::State PianoKeys::StateFor(const CChordwayDoc& doc, int key) const
{
    const std::vector<int>& list = media_[static_cast<size_t>(key)];
    if (list.empty()) {
        return State::Empty;
    }
    for (int index : list) {
        if (index < doc.MediaCount()) {
            const CMedia* medium = doc.MediumAt(index);
            if (medium->IsPlaying() || medium->IsDevicePlaying()) {
                return State::Playing;
            }
        }
    }
    return State::Present;
}

const std::vector<int>& PianoKeys::MediaOf(int key) const
{
    static const std::vector<int> kNone;
    return Valid(key) ? media_[static_cast<size_t>(key)] : kNone;
}

int PianoKeys::KeyOfMedium(int mediaIndex) const
{
    for (int key = 0; key < KeyCount(); ++key) {
        for (int index : media_[static_cast<size_t>(key)]) {
            if (index == mediaIndex) {
                return key;
            }
        }
    }
    return -1;
}

}  // namespace tessaron
