#include "song/CTriggerRules.h"

#include <algorithm>
#include <mutex>

#include "media/CMedia.h"
#include "song/CChordwayDoc.h"
#include "song/CScheduler.h"

namespace tessaron {

namespace {

constexpr int kNoteOff = 0x80;
constexpr int kNoteOn = 0x90;
constexpr int kControlChange = 0xB0;
constexpr int kPitchBend = 0xE0;
constexpr int kVolumeController = 7;
constexpr int kModulationController = 1;
// A note on this loud (level above -8 dB) stops a playing medium when velocity counts.
constexpr int32_t kStopLevel = -80;

}  // namespace

CTriggerRules::CTriggerRules(CChordwayDoc& doc, CScheduler& scheduler) : doc_(doc), scheduler_(scheduler) {}

int32_t CTriggerRules::LevelFromVelocity(int velocity)
{
    if (velocity <= 0) {
        return -1000;
    }
    // Computed in floating point and truncated toward zero: velocity 1 gives -396, not -397.
    return static_cast<int32_t>(-400.0 + 400.0 * static_cast<double>(velocity & 0x7F) / 127.0);
}

int32_t CTriggerRules::PitchBendTenths(int data2, int32_t range)
{
    if (data2 == 64) {
        return 0;
    }
    const double semitones = 2.0 * range * static_cast<double>(data2 & 0x7F) / 127.0 - range;
    return static_cast<int32_t>(semitones * 10.0);
}

int32_t CTriggerRules::KeyOfNote(int note) { return (note - 24) & 0xFF; }

int CTriggerRules::KeyIndexOfMidiKey(int32_t midiKey, int keyCount)
{
    if (keyCount <= 0) {
        return -1;
    }
    const int32_t key = midiKey >= 12 ? midiKey - 12 : 12;
    return static_cast<int>(key % keyCount);
}

void CTriggerRules::SetOctaveShift(int octaves)
{
    octaveShift_ = std::clamp(octaves, -kMaxOctaveShift, kMaxOctaveShift);
}

bool CTriggerRules::Sustains(const CMedia& medium) { return medium.IsHold(); }

bool CTriggerRules::Playing(const CMedia& medium) const { return medium.IsPlaying() || medium.IsDevicePlaying(); }

std::vector<int> CTriggerRules::MediaOfKey(int32_t midiKey) const
{
    std::vector<int> found;
    for (int i = 0; i < doc_.MediaCount(); ++i) {
        if (doc_.MediumAt(i)->midiNote == midiKey) {
            found.push_back(i);
        }
    }
    return found;
}

std::vector<int> CTriggerRules::MediaOfCharacter(int32_t character) const
{
    std::vector<int> found;
    for (int i = 0; i < doc_.MediaCount(); ++i) {
        if (doc_.MediumAt(i)->pcKey == character) {
            found.push_back(i);
        }
    }
    return found;
}

std::vector<int> CTriggerRules::WheelMedia() const
{
    if (!doc_.Environment().settings.mam) {
        return lastKey_ < 0 ? std::vector<int>{} : MediaOfKey(lastKey_);
    }
    std::vector<int> found;
    const int keyCount = doc_.Environment().keyboardOctaves * 12;
    if (selectedKey_ < 0 || selectedKey_ >= keyCount) {
        return found;
    }
    for (int i = 0; i < doc_.MediaCount(); ++i) {
        if (KeyIndexOfMidiKey(doc_.MediumAt(i)->midiNote, keyCount) == selectedKey_) {
            found.push_back(i);
        }
    }
    return found;
}

CTriggerRules::Outcome CTriggerRules::Press(const std::vector<int>& mediaIndexes)
{
    std::lock_guard guard(doc_.Lock());
    Outcome outcome;
    outcome.matched = !mediaIndexes.empty();
    if (outcome.matched) {
        scheduler_.StartRecordingClock();
    }
    for (int index : mediaIndexes) {
        if (index < 0 || index >= doc_.MediaCount()) {
            continue;
        }
        CMedia* medium = doc_.MediumAt(index);
        // A playing medium restarts only when it sustains; otherwise its release will stop it.
        if (!Sustains(*medium) && Playing(*medium)) {
            continue;
        }
        outcome.changed |= scheduler_.Play(medium, index, 0);
    }
    return outcome;
}

CTriggerRules::Outcome CTriggerRules::Release(const std::vector<int>& mediaIndexes)
{
    std::lock_guard guard(doc_.Lock());
    Outcome outcome;
    outcome.matched = !mediaIndexes.empty();
    for (int index : mediaIndexes) {
        if (index < 0 || index >= doc_.MediaCount()) {
            continue;
        }
        CMedia* medium = doc_.MediumAt(index);
        if (!Sustains(*medium)) {
            outcome.changed |= scheduler_.Stop(medium, index);
        }
    }
    return outcome;
}

CTriggerRules::Outcome CTriggerRules::KeyDown(int32_t character)
{
    std::lock_guard guard(doc_.Lock());
    const std::vector<int> media = MediaOfCharacter(character);
    const size_t bit = static_cast<size_t>(character) % keysDown_.size();
    if (media.empty()) {
        return {};
    }
    if (keysDown_.test(bit)) {
        return {true, false};  // auto-repeat of a held key
    }
    keysDown_.set(bit);
    return Press(media);
}

CTriggerRules::Outcome CTriggerRules::KeyUp(int32_t character)
{
    std::lock_guard guard(doc_.Lock());
    keysDown_.reset(static_cast<size_t>(character) % keysDown_.size());
    return Release(MediaOfCharacter(character));
}

CTriggerRules::Outcome CTriggerRules::NoteOn(int note, int velocity)
{
    if (velocity == 0) {
        return NoteOff(note);
    }
    std::lock_guard guard(doc_.Lock());
    lastKey_ = ShiftedKeyOfNote(note);
    const std::vector<int> media = MediaOfKey(lastKey_);
    Outcome outcome;
    outcome.matched = !media.empty();
    if (!outcome.matched) {
        return outcome;
    }
    const int32_t level = LevelFromVelocity(velocity);
    const bool velocityIgnored = doc_.Environment().settings.midiVelocity;
    bool clockRequested = false;
    for (int index : media) {
        CMedia* medium = doc_.MediumAt(index);
        if (!velocityIgnored && medium->IsDevicePlaying()) {
            // A loud note stops a playing medium; a soft one leaves it alone.
            if (level > kStopLevel) {
                outcome.changed |= scheduler_.Stop(medium, index);
            }
            continue;
        }
        if (!clockRequested) {
            scheduler_.StartRecordingClock();
            clockRequested = true;
        }
        if (!velocityIgnored) {
            medium->SetVolume(level);
        }
        outcome.changed |= scheduler_.Play(medium, index, 0);
    }
    return outcome;
}

CTriggerRules::Outcome CTriggerRules::NoteOff(int note)
{
    std::lock_guard guard(doc_.Lock());
    return Release(MediaOfKey(ShiftedKeyOfNote(note)));
}

void CTriggerRules::ControlChange(int channel, int controller, int value)
{
    std::lock_guard guard(doc_.Lock());
    std::vector<int> media;
    if (controller == kVolumeController) {
        media = MediaOfKey(channel & 0x0F);
    } else if (controller == kModulationController) {
        media = WheelMedia();
    } else {
        return;
    }
    const int32_t level = LevelFromVelocity(value);
    for (int index : media) {
        scheduler_.Volume(doc_.MediumAt(index), index, level);
    }
}

void CTriggerRules::PitchBend(int data2)
{
    std::lock_guard guard(doc_.Lock());
    const int32_t tenths = PitchBendTenths(data2, doc_.Environment().settings.pitchBendRange);
    for (int index : WheelMedia()) {
        scheduler_.PitchChange(doc_.MediumAt(index), index, tenths);
    }
}

CTriggerRules::Outcome CTriggerRules::HandleMessage(uint32_t packed)
{
    const int status = static_cast<int>(packed & 0xFF);
    const int data1 = static_cast<int>((packed >> 8) & 0x7F);
    const int data2 = static_cast<int>((packed >> 16) & 0x7F);
    switch (status & 0xF0) {
    case kNoteOn: return NoteOn(data1, data2);
    case kNoteOff: return NoteOff(data1);
    case kControlChange: ControlChange(status & 0x0F, data1, data2); break;
    case kPitchBend: PitchBend(data2); break;
    default: break;  // key pressure and the rest have no effect
    }
    return {};
}

}  // namespace tessaron
