#include "views/GridGeometry.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace tessaron::grid {

int32_t Window::BeatAt(int x) const { return std::max(0, std::max(0, x) / Zoom() + firstBeat); }

int32_t Window::PageBeats() const { return std::max(1, width / Zoom()); }

bool Labels(int32_t beat, int32_t zoom, int beatsPerBar)
{
    const int bpb = std::max(1, beatsPerBar);
    if (beat < 0 || beat % bpb != 0) {
        return false;
    }
    return zoom >= 9 || (beat / bpb) % 4 == 0;
}

std::string LabelText(int32_t beat, int32_t zoom, int beatsPerBar, bool timeDisplay, float tempo)
{
    const int bpb = std::max(1, beatsPerBar);
    char text[32];
    if (!timeDisplay) {
        if (zoom > 3) {
            std::snprintf(text, sizeof text, "%d.%d", beat / bpb + 1, beat % bpb + 1);
        } else {
            std::snprintf(text, sizeof text, "%d", beat / bpb + 1);
        }
        return text;
    }
    const double bpm = tempo > 0.0f ? tempo : 100.0;
    const double seconds = beat * 60.0 / bpm;
    const double longest = zoom > 3 ? 999.0 : 99.0;
    if (seconds > longest) {
        std::snprintf(text, sizeof text, "%5.0f", seconds);
    } else {
        std::snprintf(text, sizeof text, zoom > 3 ? "%3.1f" : "%2.1f", seconds);
    }
    return text;
}

int LabelPoints(int32_t zoom) { return zoom < 10 ? 6 : 7; }

RulerGrab HitRuler(const Window& window, int x, int y, int32_t position, int32_t loopBegin, int32_t loopEnd)
{
    const auto column = [&](int32_t beat) { return static_cast<int>(window.BeatX(beat)); };
    const int band = column(position);
    if (x >= band - kBandLeft && x <= band + kBandRight) {
        return RulerGrab::Position;
    }
    if (y < kMarkerHeight) {
        if (std::abs(x - column(loopBegin)) <= kMarkerReach) {
            return RulerGrab::LoopBegin;
        }
        if (std::abs(x - column(loopEnd)) <= kMarkerReach) {
            return RulerGrab::LoopEnd;
        }
    }
    return RulerGrab::None;
}

int32_t FollowFirstBeat(int32_t position, int32_t firstBeat, int32_t pageBeats, int32_t songLength)
{
    const int32_t page = std::max(1, pageBeats);
    if (position < firstBeat) {
        return std::max(0, position) / page * page;
    }
    if (position < firstBeat + page) {
        return firstBeat;
    }
    const int32_t pages = (position - firstBeat) / page;
    const int32_t limit = std::max(firstBeat, songLength - page);
    return std::min(firstBeat + pages * page, limit);
}

bool EventDrag::MoveTo(int x, int32_t zoom)
{
    const int width = std::max(1, zoom);
    bool moved = false;
    while (std::abs(x - startX_) >= width) {
        const int step = x > startX_ ? 1 : -1;
        startX_ += step * width;
        if (beat_ + step >= 0) {
            beat_ += step;
            moved = true;
        }
    }
    return moved;
}

}  // namespace tessaron::grid
