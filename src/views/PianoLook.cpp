#include "views/PianoLook.h"

#include <QDir>

#include "app/CSkin.h"
#include "skin/SkinDefaults.h"

namespace tessaron {

namespace {

void Take(QColor& target, int32_t packed)
{
    if (packed != skin::kNoColour) {
        target = CSkin::Colour(packed);
    }
}

const skin::SkinField* Found(const CSkin& skin, skin::PianoField which)
{
    const skin::SkinField& field = skin.File().PianoField(which);
    return field.found ? &field : nullptr;
}

QImage Transparent(QImage image, int32_t colour)
{
    if (image.isNull() || colour == skin::kNoColour) {
        return image;
    }
    image = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = CSkin::Colour(colour).rgb() & 0xFFFFFF;
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if ((line[x] & 0xFFFFFF) == key) {
                line[x] = 0;
            }
        }
    }
    return image;
}

}  // namespace

PianoLook PianoLook::FromSkin(const CSkin* skin, int keyAreaWidth)
{
    PianoLook look;
    if (skin == nullptr) {
        return look;
    }
    const skin::SkinMainValues main = skin->File().MainValues();
    const skin::ColourPair& colours = main.Colours(skin::SkinView::Piano);
    look.text = CSkin::Colour(colours.text, look.text);
    look.background = CSkin::Colour(colours.background, look.background);

    using skin::PianoField;
    if (const skin::SkinField* white = Found(*skin, PianoField::White)) {
        Take(look.white[0], white->ct);
        Take(look.white[1], white->cb);
        Take(look.white[2], white->co);
    }
    if (const skin::SkinField* black = Found(*skin, PianoField::Black)) {
        Take(look.black[0], black->ct);
        Take(look.black[1], black->cb);
        Take(look.black[2], black->co);
    }
    if (const skin::SkinField* note = Found(*skin, PianoField::Note)) {
        Take(look.noteText, note->ct);
        Take(look.noteBack, note->cb);
        if (note->font >= 0) {
            look.noteFont = skin->Fonts().Font(note->font);
        }
    }
    if (const skin::SkinField* border = Found(*skin, PianoField::NoteBorder)) {
        look.borderWidth = std::max(0, border->w);
        Take(look.borderWhite, border->ct);
        Take(look.borderBlack, border->cb);
    }
    if (const skin::SkinField* support = Found(*skin, PianoField::Support)) {
        look.hasSupport = support->h > 0;
        look.support = QRect(support->x, support->y, support->w > 0 ? support->w : keyAreaWidth, support->h);
        Take(look.supportColour, support->cb);
    }

    const skin::SkinSection& piano = skin->File().Piano();
    for (const skin::SkinText& text : piano.texts) {
        Text made;
        made.rect = QRect(text.x, text.y, text.w, text.h);
        made.font = skin->Fonts().Font(text.font);
        made.vertical = skin->Fonts().IsVertical(text.font);
        made.colour = CSkin::Colour(text.colour, look.text);
        made.text = QString::fromStdString(text.text);
        look.texts.push_back(made);
    }
    for (const skin::SkinBorder& border : piano.borders) {
        look.borders.push_back({QRect(border.x, border.y, border.w, border.h), CSkin::Colour(border.border),
                                CSkin::Colour(border.background)});
    }
    const QString folder = QString::fromStdString(skin->File().BitmapFolder()).replace(QLatin1Char('\\'), QLatin1Char('/'));
    for (const skin::SkinBitmap& bitmap : piano.bitmaps) {
        const QString file = QString::fromStdString(bitmap.file).replace(QLatin1Char('\\'), QLatin1Char('/'));
        QImage image = Transparent(QImage(QDir(folder).filePath(file)), bitmap.transparent);
        if (image.isNull()) {
            continue;  // a file that does not load draws nothing
        }
        const QSize size(bitmap.w > 0 ? bitmap.w : image.width(), bitmap.h > 0 ? bitmap.h : image.height());
        look.bitmaps.push_back({QRect(QPoint(bitmap.x, bitmap.y), size), image});
    }
    return look;
}

}  // namespace tessaron
