#pragma once

#include <QColor>
#include <QImage>

#include <array>

#include "app/BuiltinBitmaps.h"
#include "skin/CSkinFile.h"
#include "skin/SkinImagePlan.h"

namespace tessaron {

// The images of the skin's eighteen bitmap definitions (BMMute .. BMSequence, by index), from
// the skin's files or the built-in images. A transparent colour becomes alpha 0, so the views
// simply draw the images. A file that does not load leaves its image null; the control then
// draws without it.
//
// After CSkinFile::LoadBitmapDefinitions: bitmaps.Load(skin, palette().button().color());
class SkinBitmaps {
public:
    struct Definition {
        std::array<QImage, 3> images;  // off, on, third
        QSize size;                    // of the first image
        QSize thirdSize;
        int32_t transparent = skin::kNoColour;
    };

    SkinBitmaps() = default;

    // Loads every definition in order; the sizes found go back into the skin's definitions.
    void Load(CSkinFile& skin, QColor buttonFace);
    void Clear();

    const Definition& At(size_t index) const { return definitions_.at(index); }
    const QImage& Image(size_t index, size_t which) const { return definitions_.at(index).images.at(which); }
    // A built-in image by its number.
    const QImage& Bitmap(int32_t number) const { return builtin_.Image(number); }

    // One image as the rules say: from its file or the built-in table, transparent colour
    // made transparent, light grey replaced by the button colour when asked.
    static QImage LoadImage(const skin::ImageSource& source, const BuiltinBitmaps& builtin,
                            int32_t transparent, const QColor* buttonFace);

private:
    BuiltinBitmaps builtin_;
    std::array<Definition, skin::kBitmapDefinitionCount> definitions_;
};

}  // namespace tessaron
