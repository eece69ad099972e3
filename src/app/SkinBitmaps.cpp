#include "app/SkinBitmaps.h"

#include <QImageReader>

namespace tessaron {

namespace {

// Skin images are small; a larger one is refused rather than decoded.
constexpr int kMaxImageSide = 4096;

QImage ReadFile(const std::string& path)
{
    QImageReader reader(QString::fromStdString(path));
    const QSize size = reader.size();
    if (size.isValid() && (size.width() > kMaxImageSide || size.height() > kMaxImageSide)) {
        return {};
    }
    QImage image = reader.read();
    if (image.width() > kMaxImageSide || image.height() > kMaxImageSide) {
        return {};
    }
    return image;
}

}  // namespace

QImage SkinBitmaps::LoadImage(const skin::ImageSource& source, const BuiltinBitmaps& builtin, int32_t transparent,
                              const QColor* buttonFace)
{
    using From = skin::ImageSource::From;
    QImage image;
    if (source.from == From::File) {
        image = ReadFile(source.path);
    } else if (source.from == From::Builtin) {
        image = builtin.Image(source.number);
    }
    if (image.isNull()) {
        return image;
    }
    image = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = qRgb(skin::Red(transparent), skin::Green(transparent), skin::Blue(transparent));
    const QRgb grey = qRgb(192, 192, 192);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb opaque = line[x] | 0xFF000000u;
            if (qAlpha(line[x]) == 0) {
                continue;
            }
            if (transparent != skin::kNoColour && opaque == key) {
                line[x] = 0;
            } else if (buttonFace && opaque == grey) {
                line[x] = buttonFace->rgb();
            }
        }
    }
    return image;
}

void SkinBitmaps::Clear()
{
    definitions_ = {};
}

void SkinBitmaps::Load(CSkinFile& skin, QColor buttonFace)
{
    Clear();
    const skin::ImagePlans plans = skin::PlanImages(skin.BitmapDefinitions(), skin.BitmapFolder());
    for (size_t i = 0; i < skin::kBitmapDefinitionCount; ++i) {
        const skin::ImagePlan& plan = plans[i];
        Definition& definition = definitions_[i];
        if (plan.sharesWith >= 0) {
            definition = definitions_[static_cast<size_t>(plan.sharesWith)];
        } else {
            definition.transparent = plan.transparent;
            for (size_t k = 0; k < plan.images.size(); ++k) {
                definition.images[k] = LoadImage(plan.images[k], builtin_, plan.transparent,
                                                 plan.buttonFace ? &buttonFace : nullptr);
            }
            definition.size = definition.images[0].size();
            if (plan.threeImages) {
                definition.thirdSize = definition.images[2].size();
            }
        }
        skin::BitmapDefinition& stored = skin.MutableBitmapDefinitions()[i];
        stored.width = definition.size.width();
        stored.height = definition.size.height();
        stored.thirdWidth = definition.thirdSize.width();
        stored.thirdHeight = definition.thirdSize.height();
        if (plan.sharesWith >= 0) {
            stored.transparent = definition.transparent;
        }
    }
}

}  // namespace tessaron
