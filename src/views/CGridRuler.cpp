#include "views/CGridRuler.h"

#include <QMouseEvent>
#include <QPainter>

#include "song/CChordwayDoc.h"
#include "views/CGridView.h"

namespace tessaron {

namespace {

const QColor kRulerBlue(0, 0, 255);
const QColor kLoopBeginRed(255, 0, 0);
const QColor kLoopEndGreen(0, 255, 0);

QFont LabelFont(int32_t zoom)
{
    // The face of the original skins; the desktop's sans-serif font stands in where it is missing.
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(grid::LabelPoints(zoom));
    font.setWeight(QFont::Normal);
    return font;
}

void DrawMarker(QPainter& painter, double x, const QColor& colour)
{
    const double half = grid::kMarkerBase / 2.0;
    const QPointF triangle[3] = {{x - half, 0.0}, {x + half, 0.0}, {x, double(grid::kMarkerHeight)}};
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawPolygon(triangle, 3);
}

}  // namespace

CGridRuler::CGridRuler(CGridView& view) : QWidget(&view), view_(view)
{
    setObjectName(QStringLiteral("TimelineRuler"));
    setFixedHeight(kHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

int32_t CGridRuler::Shown(grid::RulerGrab which, int32_t songValue) const
{
    return grab_ == which ? grabBeat_ : songValue;
}

void CGridRuler::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const CChordwayDoc& doc = view_.Doc();
    const grid::Window window = view_.Window();
    const int h = height();
    painter.fillRect(rect(), kRulerBlue);

    const int bpb = std::max<int>(1, doc.BeatsPerBar());
    const int32_t last = window.firstBeat + window.PageBeats() + 1;
    painter.setFont(LabelFont(window.zoom));
    for (int32_t beat = window.firstBeat; beat <= last; ++beat) {
        const int x = static_cast<int>(window.BeatX(beat));
        if (beat % bpb == 0) {
            painter.fillRect(x, h / 2, 2, h - h / 2, Qt::white);
        } else {
            painter.fillRect(x, h * 4 / 5, 1, h - h * 4 / 5, Qt::white);
        }
        if (grid::Labels(beat, window.zoom, bpb)) {
            const QString text = QString::fromStdString(
                grid::LabelText(beat, window.zoom, bpb, doc.TimeDisplay(), doc.EffectiveTempo()));
            painter.setPen(Qt::white);
            painter.drawText(QPoint(x + 2, 5 + painter.fontMetrics().ascent()), text.trimmed());
        }
    }

    painter.setRenderHint(QPainter::Antialiasing);
    const int32_t loopBegin = Shown(grid::RulerGrab::LoopBegin, doc.LoopBegin());
    const int32_t loopEnd = Shown(grid::RulerGrab::LoopEnd, doc.LoopEnd());
    if (window.Shows(loopBegin)) {
        DrawMarker(painter, window.BeatX(loopBegin), kLoopBeginRed);
    }
    if (window.Shows(loopEnd)) {
        DrawMarker(painter, window.BeatX(loopEnd), kLoopEndGreen);
    }
    painter.setRenderHint(QPainter::Antialiasing, false);

    const int32_t position = Shown(grid::RulerGrab::Position, doc.SongPosition());
    if (window.Shows(position)) {
        const int x = static_cast<int>(window.BeatX(position));
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        painter.fillRect(QRect(x - grid::kBandLeft, 0, grid::kBandLeft + grid::kBandRight + 1, h), Qt::white);
    }
}

void CGridRuler::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const CChordwayDoc& doc = view_.Doc();
    const QPoint at = event->position().toPoint();
    grab_ = grid::HitRuler(view_.Window(), at.x(), at.y(), doc.SongPosition(), doc.LoopBegin(), doc.LoopEnd());
    switch (grab_) {
    case grid::RulerGrab::Position: grabBeat_ = doc.SongPosition(); break;
    case grid::RulerGrab::LoopBegin: grabBeat_ = doc.LoopBegin(); break;
    case grid::RulerGrab::LoopEnd: grabBeat_ = doc.LoopEnd(); break;
    case grid::RulerGrab::None: break;
    }
}

void CGridRuler::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    if (grab_ == grid::RulerGrab::None || !(event->buttons() & Qt::LeftButton) || !rect().contains(at)) {
        return;
    }
    const int32_t beat = view_.Window().BeatAt(at.x());
    if (beat != grabBeat_) {
        grabBeat_ = beat;
        update();
    }
}

void CGridRuler::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || grab_ == grid::RulerGrab::None) {
        return;
    }
    const grid::RulerGrab held = grab_;
    grab_ = grid::RulerGrab::None;
    if (held == grid::RulerGrab::Position) {
        view_.PositionDropped(grabBeat_);
    } else {
        view_.LoopMarkerDropped(held, grabBeat_);
    }
    update();
}

}  // namespace tessaron
