#include "app/CSkin.h"

namespace tessaron {

bool CSkin::Load(const QString& path, QColor buttonFace)
{
    path_ = path;
    const bool loaded = file_.Load(path.toStdString());
    file_.LoadBitmapDefinitions();
    bitmaps_.Load(file_, buttonFace);
    return loaded;
}

skin::SkinMainValues CSkin::ApplyMain(int dotsPerInchY)
{
    file_.ParseMain();
    fonts_.Create(file_.Main(), dotsPerInchY);
    return file_.MainValues();
}

QColor CSkin::Colour(int32_t packed, QColor fallback)
{
    if (packed == skin::kNoColour) {
        return fallback;
    }
    return QColor(skin::Red(packed), skin::Green(packed), skin::Blue(packed));
}

}  // namespace tessaron
