#pragma once

#include <QString>

namespace tessaron {

// Where the program finds what it ships (skins, the manual) and where the user keeps skins.
// Installed, they sit in <prefix>/share/tessaron beside <prefix>/bin; a program run from the
// build tree uses the source tree's data/ and docs/.
class DataFolders {
public:
    // The folder of the shipped skins: <prefix>/share/tessaron/skins, else the build tree's.
    static QString ProgramSkinFolder();
    static QString ProgramSkinFolder(const QString& applicationDir);
    // The user's own skins: $XDG_DATA_HOME/Tessaron/skins (~/.local/share/Tessaron/skins).
    static QString UserSkinFolder();
    // The manual: <prefix>/share/doc/tessaron/manual.md, else the source tree's docs/manual.md.
    static QString ManualPath();
    static QString ManualPath(const QString& applicationDir);
};

}  // namespace tessaron
