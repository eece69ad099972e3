#pragma once

#include <QImage>

#include <cstdint>
#include <map>

namespace tessaron {

// The images compiled into the program: the piano view's buttons, drawn here by our own code
// at their fixed sizes and kept by number (a definition's off image n, its on image n + 1).
// Mute and solo stand on black, the colour their definitions make transparent; hold and sync
// on light grey, which becomes the desktop's button colour.
class BuiltinBitmaps {
public:
    BuiltinBitmaps();

    // A null image for a number that has none.
    const QImage& Image(int32_t number) const;
    static QImage Draw(int32_t number);

private:
    std::map<int32_t, QImage> images_;
};

}  // namespace tessaron
