#pragma once

#include <QString>
#include <QUrl>

#include <functional>

namespace tessaron {

// Opens a text file for editing: in the desktop's text editor (the "open" action of the
// desktop for the file), else in $VISUAL or $EDITOR (a command with arguments is allowed).
// False when nothing could be started. `desktopOpen` stands in for QDesktopServices::openUrl.
bool OpenInTextEditor(const QString& path, const std::function<bool(const QUrl&)>& desktopOpen = {});

}  // namespace tessaron
