#include "views/WaveMapping.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace tessaron::wave {

int32_t ColumnToByte(int x, int width, int32_t dataSize, int32_t blockAlign)
{
    const int32_t align = std::max(1, blockAlign);
    if (width <= 0 || dataSize <= 0) {
        return 0;
    }
    int64_t offset = int64_t{std::clamp(x, 0, width)} * dataSize / width;
    offset -= offset % align;
    if (offset >= dataSize) {
        offset = std::max<int64_t>(0, dataSize - align);
    }
    return static_cast<int32_t>(offset);
}

int ColumnOfByte(int64_t byte, int width, int32_t dataSize)
{
    if (width <= 0 || dataSize <= 0) {
        return 0;
    }
    return static_cast<int>(std::clamp<int64_t>(byte * width / dataSize, 0, width));
}

int32_t ColumnToMs(int x, int width, int32_t durationMs)
{
    if (width <= 0) {
        return 0;
    }
    return static_cast<int32_t>(int64_t{std::clamp(x, 0, width)} * durationMs / width);
}

std::string Title(const std::string& name, float tempo, int32_t durationMs, int32_t dataSize, int32_t bytesPerSecond)
{
    // A sample without a tempo reads as 100, as everywhere in the song.
    const float bpm = tempo > 0.0f && std::isfinite(tempo) ? tempo : 100.0f;
    const auto msPerBeat = static_cast<int64_t>(60000.0f / bpm);
    const int64_t bytesPerBeat = int64_t{bytesPerSecond} * msPerBeat / 1000;
    const double beats = bytesPerBeat > 0 ? static_cast<double>(dataSize) / static_cast<double>(bytesPerBeat) : 0.0;
    char text[64];
    std::snprintf(text, sizeof text, " %3.1f %dms %.2fb", static_cast<double>(tempo), durationMs, beats);
    return name + text;
}

void Selection::Press(int x)
{
    pressX_ = x;
    pressed_ = true;
    if (!Empty() && x >= Left() && x <= Right()) {
        // The nearer edge moves; the other one stays as the anchor.
        const int left = Left();
        const int right = Right();
        if (std::abs(x - left) < std::abs(x - right)) {
            anchor_ = right;
            edge_ = left;
        } else {
            anchor_ = left;
            edge_ = right;
        }
        return;
    }
    anchor_ = edge_ = x;
}

void Selection::Move(int x, int width)
{
    if (pressed_ && x >= 0 && x <= width) {
        edge_ = x;
    }
}

Selection::Release Selection::Up(int x)
{
    pressed_ = false;
    if (x == pressX_) {
        cursor_ = x;
        return Release::CursorMoved;
    }
    if (std::abs(x - pressX_) < kKeepDistance) {
        anchor_ = edge_ = x;
        return Release::Cleared;
    }
    return Release::Kept;
}

ByteRange Selection::Bytes(int width, int32_t dataSize, int32_t blockAlign) const
{
    if (Empty() || width <= 0) {
        return {0, std::max(0, dataSize)};
    }
    const int32_t start = ColumnToByte(Left(), width, dataSize, blockAlign);
    const int32_t end = Right() >= width ? dataSize : ColumnToByte(Right(), width, dataSize, blockAlign);
    return {start, std::max(start, end)};
}

}  // namespace tessaron::wave
