#pragma once

#include <cstdint>
#include <functional>
#include <map>

#include <QObject>

class QKeyEvent;
class QWidget;

namespace tessaron {

class CChordwayDoc;
class CTriggerRules;

// The program-wide playing keys: an event filter on the application that sees every key press
// and release before any window does. A key bound to media plays them (the trigger rules) and
// goes no further; any other key goes on to the focused window. Keys play only when the
// Control key is up, no modal dialog is open, the key went to the main window and no text
// field of its tool bars has the focus. The trigger runs right here, so the song clock stamps
// it the moment the event arrives.
//
// A key is tracked by its physical code while it is down: its release reaches the media its
// press reached even when Shift changed the character in between, an auto-repeated press does
// nothing, and every held key is released when the program loses the focus (a release that
// never arrives would leave a sample sounding).
class CKeyFilter : public QObject {
public:
    struct Hooks {
        // The main window; keys sent to other windows are left alone.
        QWidget* mainWindow = nullptr;
        // True while a tool-bar text field has the focus.
        std::function<bool()> editFocus;
        // Called after a press or release started or stopped media.
        std::function<void()> changed;
    };

    CKeyFilter(CChordwayDoc& doc, CTriggerRules& rules, Hooks hooks, QObject* parent = nullptr);
    ~CKeyFilter() override;

    // Releases every key held down (focus lost, song closing).
    void ReleaseAll();
    // Keys held down now.
    size_t HeldCount() const { return held_.size(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool MayPlay(QObject* watched, const QKeyEvent& key) const;
    bool HasMedia(int32_t code) const;
    bool Press(const QKeyEvent& key);
    bool Release(const QKeyEvent& key);
    static uint32_t PhysicalKey(const QKeyEvent& key);

    CChordwayDoc& doc_;
    CTriggerRules& rules_;
    Hooks hooks_;
    std::map<uint32_t, int32_t> held_;  // physical key -> the media key its press played
};

}  // namespace tessaron
