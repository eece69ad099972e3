#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QScrollArea>
#include <QTimer>

#include "views/PianoControls.h"
#include "views/PianoGeometry.h"
#include "views/PianoKeys.h"
#include "views/PianoLook.h"

class QAbstractButton;
class QMenu;
class QSlider;

namespace tessaron {

class CBitmapButton;
class CChordwayDoc;
class CMedia;
class CPianoSurface;
class CScheduler;
class CSkin;
class CSkinSlider;
class CTriggerRules;

// The piano view, where the song is played live: a keyboard of one to seven octaves whose keys
// hold the media bound to them, a row of controls over every key (level meter, mute, solo,
// active, volume, pan, loop, hold, sync), the pitch-bend slider, NOTE+ and NOTE- (which move
// the MIDI keyboard by an octave), and six transport buttons that act on the selected key.
// Layout and colours come from the skin's PIANO section. The upper pane of the left column.
// The keys and the controls over them are drawn on one surface (PianoControls); the single
// controls (pitch bend, NOTE+/-, transport) are child widgets.
//
// Runs on the user-interface thread. Media are reached by their place in the song's media
// list; the view rebuilds its key lists whenever the list changes (MediaChanged).
class CMidiView : public QScrollArea {
public:
    // Control identifiers: 100 x field + key for the per-key controls, the field number for the
    // single ones.
    enum Field : int {
        kLevel = 1, kMute, kSolo, kActive, kVol, kPan, kLoop, kHold, kSync,
        kPitchBend = 10, kNotePlus = 11, kNoteMinus = 12,
        kPlay1 = 18, kPlayLoop = 19, kStop = 20, kAlone1 = 21, kAloneLoop = 22, kSequence = 23,
    };
    // Commands the view handles.
    enum Command : int {
        kEdit = 32016, kDelete = 32017, kStopMedia = 32021, kDisplayWave = 32910,
        kLoopAll = 32900, kSustainAll = 32901, kSyncAll = 32902,
        kAdd = 32050, kReset = 32000, kVolume = 32001,
    };
    static constexpr int kPopupMenu = 165;
    static constexpr int kBlinkMs = 400;
    static constexpr int kMeterMs = 33;
    static constexpr int kHintSkinGoing = 28;
    static constexpr int kHintSkinNew = 29;
    static constexpr int kVolumeMin = -350;
    static constexpr int kPanRange = 500;
    static constexpr int kPitchBendRange = 500;
    // A medium's volume at the bottom of its slider, and its pan at either end of its knob.
    static constexpr int32_t kSilence = -1000;
    static constexpr int32_t kPanEnd = 1000;
    static constexpr int kPitchBendStep = 10;

    // What the view asks of the window around it; each may be empty.
    struct Hooks {
        // Runs a command of the main frame (Add, Reset, Volume, and the media commands of other
        // views) and tells whether it is enabled now.
        std::function<void(int id)> runCommand;
        std::function<bool(int id)> commandEnabled;
        // A media command of the media list on one medium of a key (Edit, Display Wave), and
        // whether it can run on that medium.
        std::function<void(int id, int mediaIndex)> runMediaCommand;
        std::function<bool(int id, int mediaIndex)> mediaCommandAvailable;
        // The song's media list changed here (a drop, a binding, a deletion, switches).
        std::function<void()> mediaChanged;
        // Tab: the status bar's position pane and the move bar back to the start.
        std::function<void()> resetPosition;
    };

    CMidiView(CChordwayDoc& doc, CScheduler& scheduler, CTriggerRules& rules, CSkin* skin, Hooks hooks,
              QWidget* parent = nullptr);
    ~CMidiView() override;

    // Skin hints: 28 the skin goes away (controls and lists freed), 29 a new one is there (the
    // PIANO section parsed again, everything rebuilt).
    void UpdateHint(int hint);
    // The song's media list changed: the key lists and states are built again.
    void MediaChanged();
    // A medium changed state (message 1059 with its action code).
    void MediumState(int code, const CMedia* medium);
    // Levels, key states and blinking, as the view's timer does them.
    void Poll();

    const PianoGeometry& Geometry() const { return geometry_; }
    // The middle of a key as drawn (the lower part of a white key), in surface coordinates.
    QPoint KeyPoint(int key) const
    {
        const PianoGeometry::Rect r = geometry_.KeyRect(key);
        return {r.x + r.w / 2, r.y + r.h - 3};
    }
    const PianoKeys& Keys() const { return keys_; }
    QWidget* Surface() const;
    bool Built() const { return built_; }

    // The volume and pan a key's slider and knob give its media (their ends are silence and
    // the ends of the stereo field).
    static int32_t VolumeOfSlider(int value);
    static int32_t PanOfKnob(int value);
    // The live volume and pan of the key that MIDI key `midiKey` sits on; false when the
    // keyboard is not built.
    bool KeyLevels(int32_t midiKey, int32_t& volume, int32_t& pan) const;

    int SelectedKey() const { return selectedKey_; }
    void SelectKey(int key);
    int PressedKey() const { return pressedKey_; }
    int SoloKey() const { return soloKey_; }
    int PitchBendValue() const { return pitchBend_; }
    int OctaveShift() const;
    bool BlinkRunning() const { return blink_.isActive(); }
    bool BlinkPhase() const { return blinkOn_; }
    // Whether a medium of the key waits, armed, for its grid point.
    bool KeyArmed(int key) const { return key >= 0 && key < static_cast<int>(armed_.size()) && armed_[static_cast<size_t>(key)]; }

    // The single controls (NOTE+, NOTE-, the transport buttons; the pitch-bend slider), null
    // when none.
    QAbstractButton* Button(int field) const;
    QSlider* Slider(int field) const;
    // The per-key controls, drawn on the surface: where one stands (surface coordinates; empty
    // for none), the one under a point as 100 x field + key (-1 none), its state, value and tip.
    const PianoControls& Controls() const { return controls_; }
    QRect ControlRect(int field, int key) const { return controls_.Rect(field, key); }
    int ControlAt(int32_t x, int32_t y) const { return controls_.At(QPoint(x, y)); }
    bool Checked(int field, int key) const { return controls_.Checked(field, key); }
    int Value(int field, int key) const { return controls_.Value(field, key); }
    double MeterLevel(int key) const { return controls_.MeterShown(key); }
    QString ControlTip(int field, int key) const;
    // A new peak for a key's meter (the view's timer feeds the playing levels).
    void FeedMeter(int key, float peak);
    // What a click on a per-key button does, and a per-key slider moved to `value`.
    void ControlClicked(int field, int key);
    void ControlMoved(int field, int key, int value);

    // Keyboard commands of the view, by Qt key; answers whether the key was one of them.
    bool KeyCommand(int qtKey, bool keypad);
    bool KeyCommandReleased(int qtKey);
    // The view's commands.
    void RunCommand(int id, int key = -1);
    void Transport(int field);
    void ShiftOctave(int delta);

    // Mouse on the keys and their controls (surface coordinates), as the surface hands them
    // over. A wheel over a slider moves it by `steps` steps; `taken` tells whether it did.
    void MousePress(Qt::MouseButton button, int32_t x, int32_t y);
    void MouseMove(int32_t x, int32_t y);
    void MouseRelease(Qt::MouseButton button, int32_t x, int32_t y);
    void MouseWheel(int32_t x, int32_t y, int steps, bool* taken);
    void ContextMenuAt(int32_t x, int32_t y, const QPoint& global);
    // The popup menu of key `key` (-1: no key under the pointer); each entry's data is its command.
    QMenu* MakePopup(int key, QWidget* parent);

    // Dropping on the keys (surface coordinates): files become media of the key under the
    // point; a media-list row binds its medium there. Answer what they did.
    std::vector<CMedia*> DropFiles(int32_t x, int32_t y, const std::vector<std::string>& paths);
    bool BindMedium(int32_t x, int32_t y, int mediaIndex);

    // What the surface draws with.
    const PianoLook& Look() const { return look_; }
    CSkin* Skin() const { return skin_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void Build();
    void Teardown();
    void BuildControls();
    void BuildSingleControls();
    CBitmapButton* MakeButton(int field, size_t definition, const QString& label);
    CSkinSlider* MakeSlider(int field, size_t definition, Qt::Orientation orientation, int minimum, int maximum);
    void Place(QWidget* control, int field, QSize bitmap);
    void UpdateControl(int field, int key);
    void SetChecked(int field, int key, bool on);
    void SetControlValue(int field, int key, int value);
    // The mouse on a per-key control: pressed, moved while held, let go.
    void ControlPress(int id, QPoint at);
    void ControlDrag(QPoint at);
    void ControlRelease(QPoint at);
    void ShowSwitches();
    void ResizeSurface();

    std::vector<int> MediaOfKey(int key) const { return keys_.MediaOf(key); }
    void Play(int key, int mode);
    void StopKey(int key, bool onlyPlaying);
    void StopOtherKeys(int key);
    void Sequence(int key);
    void Press(int key);
    void Release(int key);
    void SetKeyVolume(int key, int volume);
    void SetKeyPan(int key, int pan);
    void ApplyPitchBend(int value);
    void SetMute(int key, bool on);
    void SetSolo(int key, bool on);
    void SetActive(int key, bool on);
    void SetFlag(int key, int32_t flag, bool on);
    void SetAll(int32_t flag);
    void DeleteKeyMedia(int key);
    bool HoldOn(int key) const;
    void Changed();

    CChordwayDoc& doc_;
    CScheduler& scheduler_;
    CTriggerRules& rules_;
    CSkin* skin_;
    Hooks hooks_;
    PianoLook look_;
    CPianoSurface* surface_;
    skin::SkinSection pianoFields_;
    PianoGeometry geometry_;
    PianoKeys keys_;
    bool built_ = false;
    PianoControls controls_;
    std::vector<bool> savedMutes_;
    std::vector<bool> armed_;  // every key's mute while a key is in solo
    CSkinSlider* pitchBendSlider_ = nullptr;
    CBitmapButton* notePlus_ = nullptr;
    CBitmapButton* noteMinus_ = nullptr;
    std::array<CBitmapButton*, 6> transport_{};
    int controlDown_ = -1;     // the per-key control under a held left button
    QPoint controlFrom_;       // where it was pressed
    int controlStart_ = 0;     // a slider's value then
    int controlGrab_ = -1;     // a slider's thumb held this far behind its leading edge
    bool controlKnob_ = false; // the slider held is a knob, turned by dragging
    int selectedKey_ = -1;
    int pressedKey_ = -1;
    int middleKey_ = -1;
    bool dragging_ = false;
    bool blinkSilenced_ = false;  // ACTIVE was pressed while keys blink
    int soloKey_ = -1;
    int pitchBend_ = 0;
    bool blinkOn_ = false;
    QTimer blink_;
    QTimer meters_;
};

}  // namespace tessaron
