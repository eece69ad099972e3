// The piano view's actions: keys of the computer keyboard while it has the focus, the mouse on
// the keys and their controls, and the transport buttons. (The per-key settings, the popup menu
// and the drops are in CMidiViewKeySettings.cpp.)
#include <algorithm>
#include <mutex>

#include <QEvent>
#include <QKeyEvent>

#include "media/CMedia.h"
#include "song/CAction.h"
#include "song/CChordwayDoc.h"
#include "song/CScheduler.h"
#include "song/CTriggerRules.h"
#include "views/CBitmapButton.h"
#include "views/CMidiView.h"
#include "views/CPianoSurface.h"

namespace tessaron {

namespace {

constexpr int kModeOnce = 1;
constexpr int kModeLoop = 2;
constexpr int kStep = 10;
// A slider with less room than this for its thumb is a knob, turned by dragging over
// kKnobTravel pixels for its whole range.
constexpr int kKnobBelow = 8;
constexpr int kKnobTravel = 200;

bool Playing(const CMedia& medium) { return medium.IsPlaying() || medium.IsDevicePlaying(); }

// Keys the view takes for itself while it has the focus, before the window's shortcuts.
bool ViewKey(int key)
{
    switch (key) {
    case Qt::Key_Backspace:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
    case Qt::Key_Escape:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_End:
    case Qt::Key_Home:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Asterisk:
    case Qt::Key_Slash:
    case Qt::Key_Tab: return true;
    default: return false;
    }
}

}  // namespace

bool CMidiView::KeyCommand(int qtKey, bool keypad)
{
    const int key = selectedKey_;
    switch (qtKey) {
    case Qt::Key_Backspace: StopKey(key, false); return true;
    case Qt::Key_Return:
    case Qt::Key_Enter: Play(key, kModeOnce); return true;
    case Qt::Key_Space: Play(key, kModeLoop); return true;
    case Qt::Key_Escape:
        if (!keys_.Valid(key)) {
            return false;
        }
        SetMute(key, !controls_.Checked(kMute, key));
        return true;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_End:
    case Qt::Key_Home: {
        if (!keys_.HasMedia(key)) {
            return true;
        }
        int32_t volume = 0;
        if (qtKey == Qt::Key_End) {
            volume = kSilence;
        } else if (qtKey != Qt::Key_Home) {
            std::lock_guard guard(doc_.Lock());
            volume = doc_.MediumAt(keys_.MediaOf(key).front())->volume + (qtKey == Qt::Key_PageUp ? kStep : -kStep);
            volume = std::clamp(volume, kSilence, 0);
        }
        SetKeyVolume(key, volume);
        return true;
    }
    case Qt::Key_Left: SelectKey(std::max(0, key - 1)); return true;
    case Qt::Key_Right: SelectKey(std::min(keys_.KeyCount() - 1, key + 1)); return true;
    case Qt::Key_Up:
    case Qt::Key_Down:
        ApplyPitchBend(std::clamp(pitchBend_ + (qtKey == Qt::Key_Up ? kStep : -kStep), -kPitchBendRange,
                                  kPitchBendRange));
        return true;
    case Qt::Key_Asterisk:
    case Qt::Key_Slash: {
        if (!keypad) {
            return false;  // typed characters; they may be media keys
        }
        if (keys_.HasMedia(key)) {
            std::lock_guard guard(doc_.Lock());
            const int32_t pan = doc_.MediumAt(keys_.MediaOf(key).front())->pan;
            SetKeyPan(key, std::clamp(pan + (qtKey == Qt::Key_Asterisk ? kStep : -kStep), -kPanEnd, kPanEnd));
        }
        return true;
    }
    default: return false;
    }
}

bool CMidiView::KeyCommandReleased(int qtKey)
{
    if (qtKey == Qt::Key_Up || qtKey == Qt::Key_Down) {
        ApplyPitchBend(0);
        return true;
    }
    return false;
}

void CMidiView::keyPressEvent(QKeyEvent* event)
{
    if (!(event->modifiers() & Qt::ControlModifier) &&
        KeyCommand(event->key(), (event->modifiers() & Qt::KeypadModifier) != 0)) {
        event->accept();
        return;
    }
    event->ignore();  // other keys go on to the frame
}

void CMidiView::keyReleaseEvent(QKeyEvent* event)
{
    if (!event->isAutoRepeat() && KeyCommandReleased(event->key())) {
        event->accept();
        return;
    }
    event->ignore();
}

bool CMidiView::event(QEvent* event)
{
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        // Esc toggles the selected key's mute; with no key selected it stops the song as elsewhere.
        const bool taken = ViewKey(key->key()) && (key->key() != Qt::Key_Escape || keys_.Valid(selectedKey_));
        if (!(key->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier)) && taken) {
            event->accept();
            return true;
        }
    }
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Tab) {
        // Tab brings the position back to the start instead of moving the focus.
        if (hooks_.resetPosition) {
            hooks_.resetPosition();
        }
        return true;
    }
    return QScrollArea::event(event);
}

bool CMidiView::focusNextPrevChild(bool) { return false; }

void CMidiView::Play(int key, int mode)
{
    if (!keys_.HasMedia(key)) {
        return;
    }
    {
        std::lock_guard guard(doc_.Lock());
        scheduler_.StartRecordingClock();
        for (int index : keys_.MediaOf(key)) {
            scheduler_.Play(doc_.MediumAt(index), index, mode);
        }
    }
    Changed();
}

void CMidiView::StopKey(int key, bool onlyPlaying)
{
    if (!keys_.HasMedia(key)) {
        return;
    }
    {
        std::lock_guard guard(doc_.Lock());
        for (int index : keys_.MediaOf(key)) {
            CMedia* medium = doc_.MediumAt(index);
            if (!onlyPlaying || Playing(*medium)) {
                scheduler_.Stop(medium, index);
            }
        }
    }
    Changed();
}

void CMidiView::StopOtherKeys(int key)
{
    for (int other = 0; other < keys_.KeyCount(); ++other) {
        if (other != key) {
            StopKey(other, true);
        }
    }
}

void CMidiView::Sequence(int key)
{
    if (!keys_.HasMedia(key)) {
        return;
    }
    {
        std::lock_guard guard(doc_.Lock());
        scheduler_.StartRecordingClock();
        int32_t start = doc_.Clock().clock;
        for (int index : keys_.MediaOf(key)) {
            CMedia* medium = doc_.MediumAt(index);
            medium->SetLoop(false);
            scheduler_.Trigger(CAction(CAction::kPlay, medium, index, -1, medium->volume, medium->pan), start);
            start += medium->GetPlayLength();
        }
    }
    Changed();
}

void CMidiView::Transport(int field)
{
    const int key = selectedKey_;
    if (!keys_.Valid(key)) {
        return;
    }
    switch (field) {
    case kPlay1: Play(key, kModeOnce); break;
    case kPlayLoop: Play(key, kModeLoop); break;
    case kStop: StopKey(key, true); break;
    case kAlone1:
    case kAloneLoop:
        Play(key, field == kAlone1 ? kModeOnce : kModeLoop);
        StopOtherKeys(key);
        break;
    case kSequence: Sequence(key); break;
    default: break;
    }
}

void CMidiView::ShiftOctave(int delta)
{
    rules_.SetOctaveShift(rules_.OctaveShift() + delta);
    const QString shift = QStringLiteral("MIDI keyboard moved by %1 octave(s)").arg(rules_.OctaveShift());
    for (CBitmapButton* button : {notePlus_, noteMinus_}) {
        if (button != nullptr) {
            button->setStatusTip(shift);
        }
    }
    if (notePlus_ != nullptr) {
        notePlus_->setEnabled(rules_.OctaveShift() < CTriggerRules::kMaxOctaveShift);
    }
    if (noteMinus_ != nullptr) {
        noteMinus_->setEnabled(rules_.OctaveShift() > -CTriggerRules::kMaxOctaveShift);
    }
}

void CMidiView::Press(int key)
{
    if (rules_.Press(keys_.MediaOf(key)).changed) {
        Changed();
    }
}

void CMidiView::Release(int key)
{
    if (rules_.Release(keys_.MediaOf(key)).changed) {
        Changed();
    }
}

bool CMidiView::HoldOn(int key) const
{
    return keys_.Valid(key) && controls_.Checked(kHold, key);
}

void CMidiView::ControlClicked(int field, int key)
{
    const bool on = !controls_.Checked(field, key);
    switch (field) {
    case kMute: SetMute(key, on); break;
    case kSolo: SetSolo(key, on); break;
    case kActive: SetActive(key, on); break;
    case kLoop: SetFlag(key, CMedia::kFlagLoop, on); break;
    case kHold: SetFlag(key, CMedia::kFlagHold, on); break;
    case kSync: SetFlag(key, CMedia::kFlagResynchro, on); break;
    default: break;
    }
}

void CMidiView::ControlMoved(int field, int key, int value)
{
    if (field == kVol) {
        SetKeyVolume(key, value);
    } else if (field == kPan) {
        SetKeyPan(key, value);
    }
}

void CMidiView::ControlPress(int id, QPoint at)
{
    const int field = PianoControls::FieldOf(id);
    const int key = PianoControls::KeyOf(id);
    controlDown_ = id;
    controlFrom_ = at;
    controls_.SetDown(id);
    UpdateControl(field, key);
    if (controls_.LookOf(field).kind != PianoControls::Kind::Slider) {
        return;  // a button acts when it is let go over it
    }
    controlStart_ = controls_.Value(field, key);
    const QRect slider = controls_.Rect(field, key);
    const QRect thumb = controls_.ThumbRect(field, key);
    const bool vertical = controls_.LookOf(field).vertical;
    // With no room to slide it is a knob, turned by dragging.
    controlKnob_ = (vertical ? slider.height() - thumb.height() : slider.width() - thumb.width()) < kKnobBelow;
    if (controlKnob_) {
        return;
    }
    // Held by its thumb it follows the pointer from there; pressed beside it, it jumps there.
    if (thumb.contains(at)) {
        controlGrab_ = vertical ? at.y() - thumb.top() : at.x() - thumb.left();
        return;
    }
    controlGrab_ = -1;
    ControlMoved(field, key, controls_.ValueAt(field, key, at));
    controlStart_ = controls_.Value(field, key);
}

void CMidiView::ControlDrag(QPoint at)
{
    const int field = PianoControls::FieldOf(controlDown_);
    const int key = PianoControls::KeyOf(controlDown_);
    const PianoControls::Look& look = controls_.LookOf(field);
    if (look.kind != PianoControls::Kind::Slider) {
        // Drawn down only while the pointer stays over it, like any push button.
        controls_.SetDown(controls_.Rect(field, key).contains(at) ? controlDown_ : -1);
        UpdateControl(field, key);
        return;
    }
    if (!controlKnob_) {
        // Not moved along the slider: the value stays, whatever the rounding of pixels.
        const bool moved = look.vertical ? at.y() != controlFrom_.y() : at.x() != controlFrom_.x();
        ControlMoved(field, key, moved ? controls_.ValueAt(field, key, at, controlGrab_) : controlStart_);
        return;
    }
    // A knob turns up (or right) by its whole range over kKnobTravel pixels.
    const QPoint moved = at - controlFrom_;
    const int travel = moved.x() - moved.y();
    ControlMoved(field, key, controlStart_ + travel * (look.maximum - look.minimum) / kKnobTravel);
}

void CMidiView::ControlRelease(QPoint at)
{
    const int id = controlDown_;
    const int field = PianoControls::FieldOf(id);
    const int key = PianoControls::KeyOf(id);
    controlDown_ = -1;
    controls_.SetDown(-1);
    UpdateControl(field, key);
    if (controls_.LookOf(field).kind == PianoControls::Kind::Button && controls_.Rect(field, key).contains(at)) {
        ControlClicked(field, key);
    }
}

void CMidiView::MouseWheel(int32_t x, int32_t y, int steps, bool* taken)
{
    const int id = controls_.At(QPoint(x, y));
    const int field = PianoControls::FieldOf(id);
    *taken = id >= 0 && controls_.LookOf(field).kind == PianoControls::Kind::Slider;
    if (*taken) {
        const int key = PianoControls::KeyOf(id);
        ControlMoved(field, key, controls_.Value(field, key) + steps * kStep);
    }
}

void CMidiView::MousePress(Qt::MouseButton button, int32_t x, int32_t y)
{
    if (controlDown_ >= 0) {
        return;  // another button while a control is held
    }
    const int control = controls_.At(QPoint(x, y));
    if (control >= 0) {
        if (button == Qt::LeftButton) {
            ControlPress(control, QPoint(x, y));
        }
        return;
    }
    const int key = geometry_.HitTest(x, y);
    if (button == Qt::LeftButton) {
        setFocus(Qt::MouseFocusReason);
        if (keys_.HasMedia(key)) {
            surface_->setCursor(Qt::PointingHandCursor);  // the "playing" cursor
            dragging_ = true;
            pressedKey_ = key;
            Press(key);
            surface_->update();
        }
    } else if (button == Qt::MiddleButton) {
        if (keys_.HasMedia(key) && keys_.StateOf(key) == PianoKeys::State::Playing) {
            middleKey_ = key;
            StopKey(key, false);
        }
    }
}

void CMidiView::MouseMove(int32_t x, int32_t y)
{
    if (controlDown_ >= 0) {
        ControlDrag(QPoint(x, y));
        return;
    }
    if (!dragging_) {
        return;
    }
    const int key = geometry_.HitTest(x, y);
    if (key == pressedKey_) {
        return;
    }
    // Playing across the keys: the key left behind stops unless it holds.
    if (pressedKey_ >= 0 && !HoldOn(pressedKey_)) {
        Release(pressedKey_);
    }
    pressedKey_ = key;
    if (key >= 0) {
        Press(key);
    }
    surface_->update();
}

void CMidiView::MouseRelease(Qt::MouseButton button, int32_t x, int32_t y)
{
    if (controlDown_ >= 0) {
        if (button == Qt::LeftButton) {
            ControlRelease(QPoint(x, y));
        }
        return;
    }
    if (button == Qt::MiddleButton) {
        middleKey_ = -1;
        return;
    }
    if (button != Qt::LeftButton || !dragging_) {
        return;
    }
    if (pressedKey_ >= 0 && !HoldOn(pressedKey_)) {
        Release(pressedKey_);
    }
    dragging_ = false;
    pressedKey_ = -1;
    surface_->unsetCursor();
    surface_->update();
}

}  // namespace tessaron
