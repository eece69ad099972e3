#pragma once

#include <array>
#include <vector>

#include <QColor>
#include <QFont>
#include <QImage>
#include <QRect>
#include <QString>

namespace tessaron {

class CSkin;

// The colours, fonts and decorations the piano view draws with, from the skin (the MAIN
// section's PIANO colours, the PIANO section's WHITE, BLACK, NOTE, NOTEBORDER and SUPPORT
// fields, its TEXT, BORDER and BITMAP lines) or the defaults where the skin says nothing.
struct PianoLook {
    QColor background{30, 30, 30};
    QColor text{255, 255, 255};
    // Keys: [0] a key, [1] a key that plays, [2] an armed key's blink.
    std::array<QColor, 3> white{QColor(255, 255, 180), QColor(255, 255, 10), QColor(255, 255, 255)};
    std::array<QColor, 3> black{QColor(128, 128, 128), QColor(192, 192, 192), QColor(255, 255, 255)};
    QColor noteText{0, 0, 0};
    QColor noteBack{255, 255, 255};
    QFont noteFont;
    int borderWidth = 1;
    QColor borderWhite{128, 128, 128};
    QColor borderBlack{128, 128, 128};
    bool hasSupport = false;
    QRect support;
    QColor supportColour{60, 60, 60};

    struct Text {
        QRect rect;
        QFont font;
        bool vertical = false;
        QColor colour;
        QString text;
    };
    struct Border {
        QRect rect;
        QColor border;  // invalid: none
        QColor fill;    // invalid: none
    };
    struct Bitmap {
        QRect rect;
        QImage image;
    };
    std::vector<Text> texts;
    std::vector<Border> borders;
    std::vector<Bitmap> bitmaps;

    // `keyAreaWidth` gives the support strip its width when the skin gives none.
    static PianoLook FromSkin(const CSkin* skin, int keyAreaWidth);
};

}  // namespace tessaron
