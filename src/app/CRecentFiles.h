#pragma once

#include <QStringList>

namespace tessaron {

// The ten most recent songs, newest first, kept in the user's settings file beside "Settings"
// (section "Recent File List", keys File1..File10).
class CRecentFiles {
public:
    static constexpr int kCount = 10;

    CRecentFiles();
    const QStringList& Files() const { return files_; }
    // Puts `path` first, removing an older entry of it and the eleventh file.
    void Add(const QString& path);
    void Remove(const QString& path);
    void Save() const;

private:
    QStringList files_;
};

}  // namespace tessaron
