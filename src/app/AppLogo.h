#pragma once

#include <QIcon>
#include <QImage>

namespace tessaron {

// The program's logo, drawn by our own code: four tiles (the loops) around a ring, the same
// design as data/icons/tessaron.svg. For the About box and the window icon.
QImage DrawLogo(int size);
QIcon LogoIcon();

}  // namespace tessaron
