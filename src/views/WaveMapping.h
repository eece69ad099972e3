#pragma once

#include <cstdint>
#include <string>

namespace tessaron {

// The wave editor's arithmetic without pixels: columns to bytes and times, the title, and the
// selection's mouse rules.
namespace wave {

inline constexpr int kKeepDistance = 11;  // a drag this long keeps its selection
inline constexpr int kShortestCropMs = 30;

// Byte offset of column x (0..width): x * size / width, down to a whole frame; the end of the
// data gives the last frame's start.
int32_t ColumnToByte(int x, int width, int32_t dataSize, int32_t blockAlign);
// Column of a byte offset (the play position), 0..width.
int ColumnOfByte(int64_t byte, int width, int32_t dataSize);
// Milliseconds from the start of the sound at column x.
int32_t ColumnToMs(int x, int width, int32_t durationMs);
// "name tempo durationms beatsb", as the editor's title shows the sample.
std::string Title(const std::string& name, float tempo, int32_t durationMs, int32_t dataSize, int32_t bytesPerSecond);

// Bytes [start, end) that a command works on.
struct ByteRange {
    int32_t start = 0;
    int32_t end = 0;
    int32_t Size() const { return end - start; }
};

// The selection as two columns (anchor and moving edge) and the play cursor's column.
class Selection {
public:
    enum class Release { CursorMoved, Cleared, Kept };

    // Button down at x: inside the selection its nearer edge is taken; elsewhere a new one starts.
    void Press(int x);
    // The pointer moved to x with the button held (0..width).
    void Move(int x, int width);
    // Button up at x: a click moves the cursor, a short drag clears, a long one keeps.
    Release Up(int x);
    void Clear() { anchor_ = edge_ = 0; }

    bool Empty() const { return anchor_ == edge_; }
    int Left() const { return anchor_ < edge_ ? anchor_ : edge_; }
    int Right() const { return anchor_ < edge_ ? edge_ : anchor_; }
    int Cursor() const { return cursor_; }
    void SetCursor(int x) { cursor_ = x; }
    void Set(int anchor, int edge) { anchor_ = anchor, edge_ = edge; }
    bool Pressed() const { return pressed_; }

    // The bytes selected, or the whole sound without a selection. A selection reaching the
    // right edge ends with the data, so that its last frame is part of it.
    ByteRange Bytes(int width, int32_t dataSize, int32_t blockAlign) const;

private:
    int anchor_ = 0;
    int edge_ = 0;
    int cursor_ = 0;
    int pressX_ = 0;
    bool pressed_ = false;
};

}  // namespace wave
}  // namespace tessaron
