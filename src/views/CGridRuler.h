#pragma once

#include <cstdint>

#include <QWidget>

#include "views/GridGeometry.h"

namespace tessaron {

class CGridView;

// The timeline's ruler: ticks at every beat, labels at bars, the loop begin (red) and end
// (green) markers and the song position band, all moved by dragging.
class CGridRuler : public QWidget {
public:
    static constexpr int kHeight = 24;

    explicit CGridRuler(CGridView& view);

    grid::RulerGrab Held() const { return grab_; }
    int32_t HeldBeat() const { return grabBeat_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // The beat a marker shows: the held one while dragged, else the song's.
    int32_t Shown(grid::RulerGrab which, int32_t songValue) const;

    CGridView& view_;
    grid::RulerGrab grab_ = grid::RulerGrab::None;
    int32_t grabBeat_ = 0;
};

}  // namespace tessaron
