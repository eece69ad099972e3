#pragma once

#include <QFont>

#include <vector>

#include "skin/SkinRecords.h"

namespace tessaron {

// The fonts of the skin's MAIN section. Sizes in points become pixels through the screen's
// vertical resolution; a face the system lacks (the skins' "MS Sans Serif") falls back to the
// desktop's sans-serif font. Style 4 asks for text turned by 90 degrees: IsVertical tells the
// view to rotate its painter.
//
// After CSkinFile::ParseMain: fonts.Create(skin.Main(), screen->logicalDotsPerInchY());
class SkinFonts {
public:
    void Create(const skin::SkinSection& main, int dotsPerInchY);
    void Clear();

    int Count() const { return static_cast<int>(fonts_.size()); }
    // Whether font n was made; a number that was not gives the desktop's font.
    bool Has(int n) const;
    QFont Font(int n) const;
    bool IsVertical(int n) const;

    static QFont Make(const skin::SkinFont& record, int dotsPerInchY);

private:
    struct Made {
        bool made = false;
        QFont font;
        bool vertical = false;
    };
    std::vector<Made> fonts_;
};

}  // namespace tessaron
