#pragma once

#include <memory>
#include <string>

#include <QStringList>

#include "app/CRecentFiles.h"
#include "app/CSkin.h"
#include "app/IProfileStore.h"
#include "app/PlacementRules.h"
#include "song/CSettings.h"

namespace tessaron {

class CMainFrame;
class CSettingsStore;

// The application object: the settings' working copy, the profile store, the skin path, the
// recent files and the main frame, started and ended in the program's order.
class CChordwayApp {
public:
    // `store` defaults to the user's own settings file.
    explicit CChordwayApp(std::unique_ptr<IProfileStore> store = nullptr);
    ~CChordwayApp();
    CChordwayApp(const CChordwayApp&) = delete;
    CChordwayApp& operator=(const CChordwayApp&) = delete;

    // Start-up: skin path, main frame, the song of the command line, first show. False when
    // the frame could not be created (the reason was shown) and the program must end.
    bool Start(const QStringList& arguments);
    // What the application does at exit, after the frame has closed.
    void Exit();

    CSettings& Settings() { return settings_; }
    CSettingsStore& Store() { return *settingsStore_; }
    IProfileStore& ProfileStore() { return *store_; }
    CRecentFiles& RecentFiles() { return recent_; }
    CMainFrame* Frame() const { return frame_.get(); }
    const std::string& SkinPath() const { return skinPath_; }
    // The skin in use: read at start-up; its MAIN section is applied by the main frame.
    CSkin& Skin() { return skin_; }
    // The folder of the program's own data: skins and manual.
    static std::string ProgramFolder();
    // The skin's main-window rectangle (width -1: the skin gives none).
    const PlacementRules::SkinWindow& SkinWindow() const { return skinWindow_; }

    // The MIDI port counts the MIDI service reported at start-up.
    int midiInputPorts = 0;
    int midiOutputPorts = 0;

private:
    std::unique_ptr<IProfileStore> store_;
    std::unique_ptr<CSettingsStore> settingsStore_;
    CSettings settings_;
    CRecentFiles recent_;
    std::string skinPath_;
    CSkin skin_;
    PlacementRules::SkinWindow skinWindow_;
    std::unique_ptr<CMainFrame> frame_;
};

}  // namespace tessaron
