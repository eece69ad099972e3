#include "app/SkinFonts.h"

#include <QFontDatabase>
#include <QStringList>

#include <algorithm>

#include "skin/SkinMainValues.h"

namespace tessaron {

namespace {

constexpr int kMaxPixelSize = 400;

}  // namespace

QFont SkinFonts::Make(const skin::SkinFont& record, int dotsPerInchY)
{
    const QString face = QString::fromUtf8(record.face.c_str());
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    if (QFontDatabase::hasFamily(face)) {
        font.setFamilies(QStringList{face});
    }
    const int pixels = skin::FontPixelHeight(dotsPerInchY, record.size);
    if (pixels > 0) {
        font.setPixelSize(std::min(pixels, kMaxPixelSize));
    }
    font.setBold((record.style & skin::kFontBold) != 0);
    font.setItalic((record.style & skin::kFontItalic) != 0);
    return font;
}

void SkinFonts::Create(const skin::SkinSection& main, int dotsPerInchY)
{
    Clear();
    const size_t count = std::min(static_cast<size_t>(std::max(main.fontCount, 0)), main.fonts.size());
    fonts_.resize(count);
    for (size_t i = 0; i < count; ++i) {
        const skin::SkinFont& record = main.fonts[i];
        if (record.face.empty()) {
            continue;
        }
        fonts_[i] = {true, Make(record, dotsPerInchY), (record.style & skin::kFontVertical) != 0};
    }
}

void SkinFonts::Clear() { fonts_.clear(); }

bool SkinFonts::Has(int n) const { return n >= 0 && n < Count() && fonts_[static_cast<size_t>(n)].made; }

QFont SkinFonts::Font(int n) const
{
    return Has(n) ? fonts_[static_cast<size_t>(n)].font : QFontDatabase::systemFont(QFontDatabase::GeneralFont);
}

bool SkinFonts::IsVertical(int n) const { return Has(n) && fonts_[static_cast<size_t>(n)].vertical; }

}  // namespace tessaron
