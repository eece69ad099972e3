#pragma once

#include <cstdint>

#include "skin/SkinRecords.h"

namespace tessaron {

// Where the piano view's keys and per-key controls stand, from the skin's PIANO section (or the
// defaults where the skin is silent), and which key a point falls on. No pixels are drawn here,
// so the rules are tested without a window.
//
// The keyboard is chromatic: key index k (0 .. keys - 1) is octave k / 12, note k % 12, with
// the white keys C D E F G A B at notes 0 2 4 5 7 9 11.
class PianoGeometry {
public:
    struct Rect {
        int32_t x = 0, y = 0, w = 0, h = 0;
        bool Contains(int32_t px, int32_t py) const { return px >= x && px < x + w && py >= y && py < y + h; }
        bool operator==(const Rect&) const = default;
    };

    static constexpr int32_t kDefaultLeft = 40;
    static constexpr int32_t kDefaultTop = 52;
    static constexpr int32_t kDefaultWhiteWidth = 68;
    static constexpr int32_t kDefaultWhiteHeight = 190;
    static constexpr int kMinOctaves = 1;
    static constexpr int kMaxOctaves = 7;
    static constexpr int kDefaultOctaves = 2;

    // The default geometry with `octaves` octaves (1..7; anything else gives 2).
    explicit PianoGeometry(int octaves = kDefaultOctaves);
    // The geometry of a parsed PIANO section: NOTE gives the key area's left and top, WHITE and
    // BLACK the key sizes. A field counts when its line was read and its sizes are positive, so
    // that a skin never gives keys of no width.
    static PianoGeometry FromSkin(const skin::SkinSection& piano, int octaves);

    int Octaves() const { return octaves_; }
    int KeyCount() const { return octaves_ * 12; }
    int32_t Left() const { return left_; }
    int32_t Top() const { return top_; }
    int32_t WhiteWidth() const { return whiteWidth_; }
    int32_t WhiteHeight() const { return whiteHeight_; }
    int32_t BlackWidth() const { return blackWidth_; }
    int32_t BlackHeight() const { return blackHeight_; }
    // The key area: octaves x 7 white keys wide, one white key high.
    Rect KeyArea() const { return {left_, top_, octaves_ * 7 * whiteWidth_, whiteHeight_}; }

    static bool IsBlack(int key);
    // The white key a point of the key area's row stands on, counted from the left.
    static int WhiteOrdinal(int key);
    // The chromatic key of the n-th white key.
    static int KeyOfWhite(int whiteOrdinal);

    // The key under a point, -1 outside the key area. Below the black keys' height the white
    // key answers; above it, a band of half a black key's width at each edge of a white key
    // belongs to the black key beside it.
    int HitTest(int32_t x, int32_t y) const;
    // The key a drop lands on: the point's y is brought into the key area first; 0 when the
    // point is left or right of the keys.
    int DropKey(int32_t x, int32_t y) const;
    // The rectangle a key is drawn in: a white key whole, a black key the upper part that the
    // hit test gives it.
    Rect KeyRect(int key) const;

    // A per-key control's rectangle for key `key` from its skin field; `bitmapWidth` and
    // `bitmapHeight` stand in for a w or h of -1. The first key's control stands at the field's
    // x (or centred over the first white key when x is -1); from key to key it moves on by half
    // a white key, and by a whole one after E and B, so that one control stands over each key.
    Rect ControlRect(const skin::SkinField& field, int key, int32_t bitmapWidth = 0, int32_t bitmapHeight = 0) const;
    // How far key `key`'s controls stand right of key 0's.
    int32_t ControlOffset(int key) const;

private:
    int octaves_;
    int32_t left_ = kDefaultLeft;
    int32_t top_ = kDefaultTop;
    int32_t whiteWidth_ = kDefaultWhiteWidth;
    int32_t whiteHeight_ = kDefaultWhiteHeight;
    int32_t blackWidth_ = kDefaultWhiteWidth - 2;
    int32_t blackHeight_ = kDefaultWhiteHeight / 2;
};

}  // namespace tessaron
