// The piano view's per-key settings: levels, pitch bend, the mute, solo, active, loop, hold and
// sync switches, the popup menu and its commands, and media dropped or bound onto keys.
#include <algorithm>
#include <mutex>

#include <QMenu>
#include <QSignalBlocker>

#include "media/CMedia.h"
#include "song/CChordwayDoc.h"
#include "song/CScheduler.h"
#include "song/CTriggerRules.h"
#include "song/MediumFromFile.h"
#include "views/CMidiView.h"
#include "views/CPianoSurface.h"
#include "views/CSkinSlider.h"

namespace tessaron {

int32_t CMidiView::VolumeOfSlider(int value) { return value < kVolumeMin + 1 ? kSilence : value; }

int32_t CMidiView::PanOfKnob(int value) { return value < -kPanRange + 1 ? -kPanEnd : value >= kPanRange ? kPanEnd : value; }

bool CMidiView::KeyLevels(int32_t midiKey, int32_t& volume, int32_t& pan) const
{
    const int key = CTriggerRules::KeyIndexOfMidiKey(midiKey, keys_.KeyCount());
    if (!built_ || !keys_.Valid(key) || key >= controls_.KeyCount()) {
        return false;
    }
    volume = VolumeOfSlider(controls_.Value(kVol, key));
    pan = PanOfKnob(controls_.Value(kPan, key));
    return true;
}

void CMidiView::SetKeyVolume(int key, int volume)
{
    if (!keys_.Valid(key)) {
        return;
    }
    const int32_t sent = VolumeOfSlider(volume);
    {
        std::lock_guard guard(doc_.Lock());
        for (int index : keys_.MediaOf(key)) {
            // With the tick at rest nothing plays: the medium keeps the value for its next play.
            if (!scheduler_.Volume(doc_.MediumAt(index), index, sent)) {
                doc_.MediumAt(index)->SetVolume(sent);
            }
        }
    }
    SetControlValue(kVol, key, sent);
}

void CMidiView::SetKeyPan(int key, int pan)
{
    if (!keys_.Valid(key)) {
        return;
    }
    const int32_t sent = PanOfKnob(pan);
    {
        std::lock_guard guard(doc_.Lock());
        for (int index : keys_.MediaOf(key)) {
            if (!scheduler_.Pan(doc_.MediumAt(index), index, sent)) {
                doc_.MediumAt(index)->SetPan(sent);
            }
        }
    }
    SetControlValue(kPan, key, sent);
}

void CMidiView::ApplyPitchBend(int value)
{
    pitchBend_ = std::clamp(value, -kPitchBendRange, kPitchBendRange);
    if (pitchBendSlider_ != nullptr) {
        const QSignalBlocker quiet(pitchBendSlider_);
        pitchBendSlider_->setValue(pitchBend_);
    }
    std::lock_guard guard(doc_.Lock());
    for (int index : keys_.MediaOf(selectedKey_)) {
        scheduler_.PitchChange(doc_.MediumAt(index), index, pitchBend_);
    }
}

void CMidiView::SetMute(int key, bool on)
{
    if (!keys_.Valid(key)) {
        return;
    }
    SetChecked(kMute, key, on);
    std::lock_guard guard(doc_.Lock());
    for (int index : keys_.MediaOf(key)) {
        CMedia* medium = doc_.MediumAt(index);
        if (on) {
            medium->Mute();
        } else if (medium->muteFlag != 0) {
            medium->Unmute();
        }
    }
}

void CMidiView::SetSolo(int key, bool on)
{
    if (!keys_.Valid(key)) {
        return;
    }
    const auto restore = [this] {
        for (int k = 0; k < keys_.KeyCount() && k < static_cast<int>(savedMutes_.size()); ++k) {
            SetMute(k, savedMutes_[static_cast<size_t>(k)]);
        }
        savedMutes_.clear();
    };
    if (!on) {
        SetChecked(kSolo, key, false);
        if (key == soloKey_) {
            // Every key goes back to the mute it had before the solo.
            soloKey_ = -1;
            restore();
        }
        return;
    }
    if (soloKey_ >= 0 && soloKey_ != key) {
        SetChecked(kSolo, soloKey_, false);
        restore();
    }
    if (savedMutes_.empty()) {
        for (int k = 0; k < keys_.KeyCount(); ++k) {
            savedMutes_.push_back(controls_.Checked(kMute, k));
        }
    }
    soloKey_ = key;
    SetChecked(kSolo, key, true);
    for (int k = 0; k < keys_.KeyCount(); ++k) {
        SetMute(k, k != key);
    }
}

void CMidiView::SetActive(int key, bool on)
{
    if (!keys_.Valid(key)) {
        return;
    }
    if (blink_.isActive()) {
        blink_.stop();
        blinkOn_ = false;
        blinkSilenced_ = true;
        surface_->update();
    }
    if (on) {
        SelectKey(key);
    } else {
        SetChecked(kActive, key, false);
    }
}

void CMidiView::SetFlag(int key, int32_t flag, bool on)
{
    if (!keys_.Valid(key)) {
        return;
    }
    SetChecked(flag == CMedia::kFlagLoop ? kLoop : flag == CMedia::kFlagHold ? kHold : kSync, key, on);
    if (!keys_.HasMedia(key)) {
        return;
    }
    {
        std::lock_guard guard(doc_.Lock());
        for (int index : keys_.MediaOf(key)) {
            CMedia* medium = doc_.MediumAt(index);
            if (flag == CMedia::kFlagLoop) {
                if (on) {
                    medium->loopCount = 0;  // continuously
                }
                medium->SetLoop(on);
            } else if (on) {
                medium->flags |= flag;
            } else {
                medium->flags &= ~flag;
            }
        }
        doc_.SetModified();
    }
    if (hooks_.mediaChanged) {
        hooks_.mediaChanged();
    }
}

void CMidiView::SetAll(int32_t flag)
{
    for (int key = 0; key < keys_.KeyCount(); ++key) {
        SetFlag(key, flag, true);
    }
}

void CMidiView::DeleteKeyMedia(int key)
{
    std::vector<int> media = keys_.MediaOf(key);
    if (media.empty()) {
        return;
    }
    std::sort(media.rbegin(), media.rend());  // from the end, so the places stay right
    for (int index : media) {
        doc_.RemoveMedium(index);
    }
    MediaChanged();
    if (hooks_.mediaChanged) {
        hooks_.mediaChanged();
    }
}

void CMidiView::RunCommand(int id, int key)
{
    if (key < 0) {
        key = selectedKey_;
    }
    switch (id) {
    case kStopMedia: StopKey(key, false); break;
    case kLoopAll: SetAll(CMedia::kFlagLoop); break;
    case kSustainAll: SetAll(CMedia::kFlagHold); break;
    case kSyncAll: SetAll(CMedia::kFlagResynchro); break;
    case kDelete: DeleteKeyMedia(key); break;
    case kEdit:
    case kDisplayWave:
        if (keys_.HasMedia(key) && hooks_.runMediaCommand) {
            hooks_.runMediaCommand(id, keys_.MediaOf(key).front());
        }
        break;
    default:
        if (hooks_.runCommand) {
            hooks_.runCommand(id);
        }
        break;
    }
}

QMenu* CMidiView::MakePopup(int key, QWidget* parent)
{
    auto* menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("menu%1").arg(kPopupMenu));
    const bool media = keys_.HasMedia(key);
    auto frame = [this](int id) { return hooks_.commandEnabled && hooks_.commandEnabled(id); };
    auto other = [this, key](int id) {
        return hooks_.mediaCommandAvailable && keys_.HasMedia(key) &&
               hooks_.mediaCommandAvailable(id, keys_.MediaOf(key).front());
    };
    struct Entry {
        int id;
        const char* text;
        bool enabled;
    };
    const Entry entries[] = {
        {kAdd, "&Add", frame(kAdd)},
        {kEdit, "&Edit", media && other(kEdit)},
        {kStopMedia, "&Stop", media},
        {kDisplayWave, "Display Wave", media && other(kDisplayWave)},
        {kDelete, "&Delete", media},
        {0, nullptr, false},
        {kLoopAll, "&Loop All", true},
        {kSustainAll, "&Sustain All", true},
        {kSyncAll, "Sync all", true},
        {0, nullptr, false},
        {kReset, "&Reset", frame(kReset)},
        {kVolume, "Volume", frame(kVolume)},
    };
    for (const Entry& entry : entries) {
        if (entry.id == 0) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(QString::fromUtf8(entry.text));
        action->setData(entry.id);
        action->setEnabled(entry.enabled);
        connect(action, &QAction::triggered, this, [this, id = entry.id, key] { RunCommand(id, key); });
    }
    return menu;
}

void CMidiView::ContextMenuAt(int32_t x, int32_t y, const QPoint& global)
{
    QMenu* menu = MakePopup(geometry_.HitTest(x, y), this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(global);
}

std::vector<CMedia*> CMidiView::DropFiles(int32_t x, int32_t y, const std::vector<std::string>& paths)
{
    if (!built_) {
        return {};
    }
    const int key = geometry_.DropKey(x, y);
    const bool hold = HoldOn(key);
    const bool loop = controls_.Checked(kLoop, key);
    // Every file takes the key it was dropped on, with the key's HOLD and LOOP.
    const std::vector<CMedia*> added = AddMediaFromFiles(doc_, paths, key, false);
    {
        std::lock_guard guard(doc_.Lock());
        for (CMedia* medium : added) {
            if (hold) {
                medium->flags |= CMedia::kFlagHold;
            }
            medium->SetLoop(loop);
        }
        if (!added.empty()) {
            doc_.SetModified();
        }
    }
    MediaChanged();
    if (hooks_.mediaChanged) {
        hooks_.mediaChanged();
    }
    return added;
}

bool CMidiView::BindMedium(int32_t x, int32_t y, int mediaIndex)
{
    if (!built_ || mediaIndex < 0 || mediaIndex >= doc_.MediaCount()) {
        return false;
    }
    const int key = geometry_.DropKey(x, y);
    {
        std::lock_guard guard(doc_.Lock());
        doc_.MediumAt(mediaIndex)->midiNote = key + 12;
        doc_.SetModified();
    }
    MediaChanged();
    if (hooks_.mediaChanged) {
        hooks_.mediaChanged();
    }
    return true;
}

}  // namespace tessaron
