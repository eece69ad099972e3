#include "views/PianoGeometry.h"

#include <algorithm>

#include "skin/SkinDefaults.h"

namespace tessaron {

namespace {

// Notes of the seven white keys of an octave.
constexpr int kWhiteNotes[7] = {0, 2, 4, 5, 7, 9, 11};

const skin::SkinField* Field(const skin::SkinSection& piano, skin::PianoField which)
{
    const size_t index = static_cast<size_t>(which);
    return index < piano.fields.size() && piano.fields[index].found ? &piano.fields[index] : nullptr;
}

}  // namespace

PianoGeometry::PianoGeometry(int octaves)
    : octaves_(octaves >= kMinOctaves && octaves <= kMaxOctaves ? octaves : kDefaultOctaves)
{
}

PianoGeometry PianoGeometry::FromSkin(const skin::SkinSection& piano, int octaves)
{
    PianoGeometry geometry(octaves);
    if (const skin::SkinField* note = Field(piano, skin::PianoField::Note)) {
        geometry.left_ = note->x;
        geometry.top_ = note->y;
    }
    if (const skin::SkinField* white = Field(piano, skin::PianoField::White)) {
        if (white->w > 0) {
            geometry.whiteWidth_ = white->w;
        }
        if (white->h > 0) {
            geometry.whiteHeight_ = white->h;
        }
    }
    // The black keys follow the white ones unless the skin sizes them.
    geometry.blackWidth_ = std::max(1, geometry.whiteWidth_ - 2);
    geometry.blackHeight_ = std::max(1, geometry.whiteHeight_ / 2);
    if (const skin::SkinField* black = Field(piano, skin::PianoField::Black)) {
        if (black->w > 0) {
            geometry.blackWidth_ = black->w;
        }
        if (black->h > 0) {
            geometry.blackHeight_ = std::min(black->h, geometry.whiteHeight_);
        }
    }
    return geometry;
}

bool PianoGeometry::IsBlack(int key)
{
    const int note = ((key % 12) + 12) % 12;
    return note == 1 || note == 3 || note == 6 || note == 8 || note == 10;
}

int PianoGeometry::WhiteOrdinal(int key)
{
    const int note = key % 12;
    int ordinal = 0;
    for (int i = 0; i < 7; ++i) {
        if (kWhiteNotes[i] <= note) {
            ordinal = i;
        }
    }
    return key / 12 * 7 + ordinal;
}

int PianoGeometry::KeyOfWhite(int whiteOrdinal) { return whiteOrdinal / 7 * 12 + kWhiteNotes[whiteOrdinal % 7]; }

int PianoGeometry::HitTest(int32_t x, int32_t y) const
{
    if (!KeyArea().Contains(x, y)) {
        return -1;
    }
    const int32_t white = (x - left_) / whiteWidth_;
    const int key = KeyOfWhite(white);
    if (y - top_ >= blackHeight_) {
        return key;
    }
    const int32_t r = (x - left_) % whiteWidth_;
    const int32_t b = blackWidth_ / 2;
    int found = key;
    switch (key % 12) {
    case 0:  // C and F: a black key only to the right
    case 5:
        found = r > b ? key + 1 : key;
        break;
    case 2:  // D, G and A: black keys on both sides
    case 7:
    case 9:
        found = r >= b ? key + 1 : key - 1;
        break;
    default:  // E and B: a black key only to the left
        found = r < b ? key - 1 : key;
        break;
    }
    // The black key right of the last white key would be a key past the end.
    return found >= 0 && found < KeyCount() ? found : key;
}

int PianoGeometry::DropKey(int32_t x, int32_t y) const
{
    const Rect area = KeyArea();
    const int key = HitTest(x, std::clamp(y, area.y, area.y + area.h - 1));
    return key < 0 ? 0 : key;
}

PianoGeometry::Rect PianoGeometry::KeyRect(int key) const
{
    if (key < 0 || key >= KeyCount()) {
        return {};
    }
    if (!IsBlack(key)) {
        return {left_ + WhiteOrdinal(key) * whiteWidth_, top_, whiteWidth_, whiteHeight_};
    }
    // From the band on the white key to its left to the band on the white key to its right,
    // exactly as the hit test gives them.
    const int32_t b = blackWidth_ / 2;
    const int32_t leftWhite = left_ + WhiteOrdinal(key - 1) * whiteWidth_;
    const int note = (key - 1) % 12;
    const int32_t start = leftWhite + ((note == 0 || note == 5) ? b + 1 : b);
    const int32_t end = leftWhite + whiteWidth_ + b;
    return {start, top_, std::max(1, end - start), blackHeight_};
}

int32_t PianoGeometry::ControlOffset(int key) const
{
    int32_t offset = 0;
    for (int k = 0; k < key; ++k) {
        const int note = k % 12;
        offset += (note == 4 || note == 11) ? whiteWidth_ : whiteWidth_ / 2;
    }
    return offset;
}

PianoGeometry::Rect PianoGeometry::ControlRect(const skin::SkinField& field, int key, int32_t bitmapWidth,
                                               int32_t bitmapHeight) const
{
    Rect rect;
    rect.w = field.w == -1 ? bitmapWidth : field.w;
    rect.h = field.h == -1 ? bitmapHeight : field.h;
    rect.y = field.y;
    const int32_t first = field.x == -1 ? left_ + (whiteWidth_ - rect.w) / 2 : field.x;
    rect.x = first + ControlOffset(key);
    return rect;
}

}  // namespace tessaron
