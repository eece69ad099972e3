#pragma once

#include <string>
#include <string_view>

#include "app/CWindowPlacement.h"
#include "app/IProfileStore.h"
#include "song/CSettings.h"

namespace tessaron {

// Reads and writes the settings, the window placement and the skin name in the profile store,
// key by key in the order the main frame's creation and close need them.
class CSettingsStore {
public:
    static constexpr std::string_view kDefaultSkin = "rqconfig.ini";

    explicit CSettingsStore(IProfileStore& store) : store_(store) {}

    // Read before the main window's bars are created.
    void LoadPitchBendRange(CSettings& settings);
    // The other keys, once the audio devices exist. Copies SIZESAMPLESMAX into the process-wide
    // sample size limit on the way. Values are taken as stored, unclamped.
    void LoadSettings(CSettings& settings);
    // Every stored key, at close.
    void SaveSettings(const CSettings& settings);

    CWindowPlacement LoadWindowPlacement();
    void SaveWindowPlacement(const CWindowPlacement& placement);

    // The stored skin name; an empty one means the default skin.
    std::string LoadSkinName();
    // Stores only the file name of the skin in use, so the program folder may move.
    void SaveSkinName(std::string_view skinPath);
    // A bare name is looked for in the program folder; a name with a folder is used as it is.
    static std::string SkinPath(std::string_view skinName, std::string_view programFolder);

private:
    IProfileStore& store_;
};

}  // namespace tessaron
