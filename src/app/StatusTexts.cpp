#include "app/StatusTexts.h"

#include <cstdio>

#include "framework/TimeText.h"

namespace tessaron::status_text {

namespace {

constexpr double kMegabyte = 1048576.0;

template <class... Args>
std::string Format(const char* format, Args... args)
{
    char text[64];
    std::snprintf(text, sizeof text, format, args...);
    return text;
}

}  // namespace

std::string Position(int32_t bar, int32_t beat, int32_t tick) { return Format("%d.%d.%d", bar, beat, tick); }

std::string Time(int64_t ms) { return time_text::StatusBar(time_text::FromMs(ms)); }

std::string PositionReset(bool timeDisplay) { return timeDisplay ? Time(0) : Position(1, 1, 0); }

std::string Media(int32_t given, int32_t count) { return Format("Media:%d/%d", given, count); }

std::string Event(int32_t given, int32_t count) { return Format("Event:%d/%d", given, count); }

std::string Memory(int64_t usedBytes, int32_t memoryMaxBytes)
{
    return Format("%3.1f/%d MB", static_cast<double>(usedBytes) / kMegabyte,
                  static_cast<int>(memoryMaxBytes / static_cast<int32_t>(kMegabyte)));
}

std::string Record(bool recording) { return recording ? "R E C O R D" : ""; }

BarBeat DecodeBarBeat(intptr_t first, intptr_t second)
{
    return {static_cast<int32_t>(second), static_cast<int32_t>(first / 256), static_cast<int32_t>(first % 256)};
}

int32_t MoveBarPosition(const BarBeat& position, int32_t beatsPerBar)
{
    // Zero-based, like the song position the slider sets: the first beat of the song is 0.
    return (position.beat - 1) + (position.bar - 1) * beatsPerBar;
}

}  // namespace tessaron::status_text
