#pragma once

#include <QUrl>

#include <functional>

class QWidget;

namespace tessaron {

// "Help": the program's manual in the desktop's viewer for it; when the desktop has none,
// in a window of the program. False when the manual is not installed (the user is told).
bool OpenManual(QWidget* parent, const std::function<bool(const QUrl&)>& desktopOpen = {});

}  // namespace tessaron
