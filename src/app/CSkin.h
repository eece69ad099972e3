#pragma once

#include <QColor>
#include <QString>

#include "app/SkinBitmaps.h"
#include "app/SkinFonts.h"
#include "skin/CSkinFile.h"

namespace tessaron {

// The skin in use, owned by the application object: the parsed file, the images of its
// bitmap definitions and its fonts.
//
// Start-up:        skin.Load(path, buttonFace);   then, creating the main frame,
//                  const auto look = skin.ApplyMain(dotsPerInchY);  (colours, piano height)
// Another skin (the Interface dialog's applied(path), or Ctrl+H with skin.Path()):
//                  send hint 28 to the views; skin.Load(path, buttonFace);
//                  look = skin.ApplyMain(dpi); apply look to the frame; send hint 29.
// The piano view, on creation and on hint 29: skin.File().ParsePiano() (through MutableFile()),
// then reads skin.File().PianoField(...), skin.Bitmaps() and skin.Fonts().
class CSkin {
public:
    // Reads the file, its bitmap definitions and their images. False when the file is not a
    // skin: every table then holds its defaults, and the program runs on them.
    bool Load(const QString& path, QColor buttonFace);
    // Parses the MAIN section and makes its fonts; answers what the main frame applies.
    skin::SkinMainValues ApplyMain(int dotsPerInchY);

    const QString& Path() const { return path_; }
    const CSkinFile& File() const { return file_; }
    CSkinFile& MutableFile() { return file_; }
    const SkinBitmaps& Bitmaps() const { return bitmaps_; }
    const SkinFonts& Fonts() const { return fonts_; }

    // A skin colour (-1: none) as a QColor; `fallback` for none.
    static QColor Colour(int32_t packed, QColor fallback = QColor());

private:
    QString path_;
    CSkinFile file_;
    SkinBitmaps bitmaps_;
    SkinFonts fonts_;
};

}  // namespace tessaron
