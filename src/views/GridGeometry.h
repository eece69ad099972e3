#pragma once

#include <cstdint>
#include <string>

namespace tessaron {

// The timeline's arithmetic without pixels: beats and columns, the ruler's labels and marker
// zones, drags by whole beats and paging after the song position.
namespace grid {

inline constexpr int32_t kDefaultZoom = 20;
inline constexpr int kMarkerBase = 10;     // loop marker triangle: base at the top edge
inline constexpr int kMarkerHeight = 7;    // and height
inline constexpr int kMarkerReach = 5;     // a press within this many pixels holds a marker
inline constexpr int kBandLeft = 3;        // the song position band: 3 pixels left
inline constexpr int kBandRight = 4;       // to 4 pixels right of the position

// What a press in the ruler holds.
enum class RulerGrab { None, Position, LoopBegin, LoopEnd };

// The visible window: pixels per beat, first visible beat and the width in pixels.
struct Window {
    int32_t zoom = kDefaultZoom;
    int32_t firstBeat = 0;
    int32_t width = 0;

    int32_t Zoom() const { return zoom > 0 ? zoom : 1; }
    // Column of a beat (may lie outside 0..width).
    double BeatX(double beat) const { return (beat - firstBeat) * Zoom(); }
    // Beat under a column: x / zoom + first visible beat, never below 0.
    int32_t BeatAt(int x) const;
    // Whole beats that fit in the width, at least 1.
    int32_t PageBeats() const;
    bool Shows(int32_t beat) const { return beat >= firstBeat && beat <= firstBeat + PageBeats(); }
};

// Whether the ruler labels `beat`: every bar start, or every fourth one below 9 pixels a beat.
bool Labels(int32_t beat, int32_t zoom, int beatsPerBar);
// The label of a labelled beat: "bar.beat" (or "bar" at zoom 3) in bar display, seconds at
// `tempo` in time display.
std::string LabelText(int32_t beat, int32_t zoom, int beatsPerBar, bool timeDisplay, float tempo);
// Point size of the labels' font: 7, or 6 below 10 pixels a beat.
int LabelPoints(int32_t zoom);

// What a press at (x, y) of the ruler holds: the position band first, then loop begin above
// the marker height, then loop end.
RulerGrab HitRuler(const Window& window, int x, int y, int32_t position, int32_t loopBegin, int32_t loopEnd);

// First visible beat after the song position moved to `position` with "Follow song" on: back
// to the page holding it, or forward by whole pages (no further than song length - one page).
int32_t FollowFirstBeat(int32_t position, int32_t firstBeat, int32_t pageBeats, int32_t songLength);

// An event held in the body: moves by one beat each time the pointer has gone one beat width
// from where the last step happened, never before beat 0.
class EventDrag {
public:
    EventDrag() = default;
    EventDrag(int startX, int32_t eventBeat) : startX_(startX), beat_(eventBeat), startBeat_(eventBeat) {}

    // The pointer at `x`; answers whether the event moved.
    bool MoveTo(int x, int32_t zoom);
    int32_t Beat() const { return beat_; }
    int32_t Moved() const { return beat_ - startBeat_; }

private:
    int startX_ = 0;
    int32_t beat_ = 0;
    int32_t startBeat_ = 0;
};

}  // namespace grid
}  // namespace tessaron
