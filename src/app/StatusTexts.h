#pragma once

#include <cstdint>
#include <string>

namespace tessaron::status_text {

// The texts of the six panes of the status bar.
std::string Position(int32_t bar, int32_t beat, int32_t tick);  // pane 1, bar display
std::string Time(int64_t ms);                                    // pane 1, time display
std::string PositionReset(bool timeDisplay);                     // "1.1.0" or "00:00.0"
std::string Media(int32_t given, int32_t count);                 // pane 2
std::string Event(int32_t given, int32_t count);                 // pane 3
std::string Memory(int64_t usedBytes, int32_t memoryMaxBytes);   // pane 4
std::string Record(bool recording);                              // pane 5

// Message 1025 carries (beat in bar x 256 + tick, bar); the move bar's position from it.
struct BarBeat {
    int32_t bar;
    int32_t beat;
    int32_t tick;
};
BarBeat DecodeBarBeat(intptr_t first, intptr_t second);
int32_t MoveBarPosition(const BarBeat& position, int32_t beatsPerBar);

}  // namespace tessaron::status_text
