#include "views/CGridView.h"

#include <algorithm>

#include <QGridLayout>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QWheelEvent>

#include "song/CChordwayDoc.h"
#include "song/IDocumentObserver.h"
#include "views/CGridBody.h"
#include "views/CGridRuler.h"

namespace tessaron {

CGridView::CGridView(CChordwayDoc& doc, QWidget* parent) : QWidget(parent), doc_(&doc)
{
    setObjectName(QStringLiteral("Timeline"));
    setMinimumSize(40, 40);
    ruler_ = new CGridRuler(*this);
    body_ = new CGridBody(*this);
    horizontal_ = new QScrollBar(Qt::Horizontal, this);
    horizontal_->setObjectName(QStringLiteral("TimelineBeats"));
    vertical_ = new QScrollBar(Qt::Vertical, this);
    vertical_->setObjectName(QStringLiteral("TimelineRows"));
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(ruler_, 0, 0);
    layout->addWidget(body_, 1, 0);
    layout->addWidget(vertical_, 1, 1);
    layout->addWidget(horizontal_, 2, 0);
    rowHeight_ = std::max(22, fontMetrics().height() + 8);

    connect(horizontal_, &QScrollBar::valueChanged, this, [this](int value) {
        firstBeat_ = value;
        ruler_->update();
        body_->Invalidate();
    });
    connect(vertical_, &QScrollBar::valueChanged, this, [this](int value) {
        firstRow_ = value;
        body_->Invalidate();
    });
    FullUpdate();
}

void CGridView::SetDocument(CChordwayDoc& doc)
{
    doc_ = &doc;
    body_->SelectEvent(-1);
    FullUpdate();
}

grid::Window CGridView::Window() const { return grid::Window{zoom_, firstBeat_, body_->width()}; }

int32_t CGridView::Beats() const
{
    return std::max({doc_->SongLength(), doc_->LoopEnd(), doc_->SongPosition(), firstBeat_});
}

void CGridView::FullUpdate()
{
    // A song file may hold any number: the nearest choice of the grid size list.
    zoom_ = CChordwayDoc::kGridZoomValues[CChordwayDoc::GridZoomIndexOf(doc_->GridZoom())];
    firstBeat_ = std::clamp(firstBeat_, 0, Beats());
    firstRow_ = std::clamp(firstRow_, 0, std::max(0, doc_->MediaCount() - 1));
    UpdateScrollRanges();
    ruler_->update();
    body_->Invalidate();
}

void CGridView::UpdateScrollRanges()
{
    const int page = Window().PageBeats();
    const int rows = std::max(1, body_->height() / rowHeight_);
    {
        const QSignalBlocker blocker(horizontal_);
        horizontal_->setRange(0, Beats());
        horizontal_->setPageStep(page);
        horizontal_->setSingleStep(1);
        horizontal_->setValue(firstBeat_);
    }
    {
        const QSignalBlocker blocker(vertical_);
        vertical_->setRange(0, std::max(0, doc_->MediaCount() - rows));
        vertical_->setPageStep(rows);
        vertical_->setSingleStep(1);
        vertical_->setValue(firstRow_);
    }
    firstBeat_ = horizontal_->value();
    firstRow_ = vertical_->value();
}

void CGridView::UpdateHint(int hint, intptr_t value)
{
    switch (hint) {
    case view_hint::kDisplayInBars:
    case view_hint::kDisplayInTime: ruler_->update(); break;
    case view_hint::kTempoChanged:
        ruler_->update();
        body_->Invalidate();
        break;
    case view_hint::kEventRecorded: EventsChanged(); break;
    case view_hint::kSongPosition: Follow(static_cast<int32_t>(value)); break;
    case view_hint::kStopCommand:
        ruler_->update();
        body_->update();
        break;
    default: break;
    }
}

void CGridView::SongCursor(int32_t beat) { Follow(beat); }

void CGridView::Follow(int32_t beat)
{
    if (doc_->FollowSong()) {
        const int32_t first = grid::FollowFirstBeat(beat, firstBeat_, Window().PageBeats(), doc_->SongLength());
        if (first != firstBeat_) {
            ScrollToBeat(first);
            return;
        }
    }
    ruler_->update();
    body_->update();
}

void CGridView::SetZoom(int32_t zoom)
{
    if (zoom <= 0 || zoom == zoom_) {
        return;
    }
    zoom_ = zoom;
    UpdateScrollRanges();
    ruler_->update();
    body_->Invalidate();
}

void CGridView::EventsChanged()
{
    if (body_->SelectedEvent() >= doc_->EventCount()) {
        body_->SelectEvent(-1);
    }
    UpdateScrollRanges();
    body_->Invalidate();
}

void CGridView::RulerChanged()
{
    UpdateScrollRanges();
    ruler_->update();
    body_->update();
}

void CGridView::SetColours(QColor text, QColor background)
{
    text_ = text;
    background_ = background;
    body_->Invalidate();
}

void CGridView::ScrollToBeat(int32_t beat)
{
    firstBeat_ = std::max(0, beat);
    UpdateScrollRanges();
    ruler_->update();
    body_->Invalidate();
}

void CGridView::ScrollToRow(int row)
{
    firstRow_ = std::max(0, row);
    UpdateScrollRanges();
    body_->Invalidate();
}

void CGridView::LoopMarkerDropped(grid::RulerGrab grab, int32_t beat)
{
    if (grab == grid::RulerGrab::LoopBegin) {
        doc_->SetLoopBegin(beat);
    } else if (grab == grid::RulerGrab::LoopEnd) {
        doc_->SetLoopEnd(beat);
    } else {
        return;
    }
    doc_->SetModified();
    if (onLoopChanged_) {
        onLoopChanged_();
    }
    RulerChanged();
}

void CGridView::PositionDropped(int32_t beat)
{
    // As the move bar: the position moves while the song stands, within the song.
    if (doc_->Transport().SongPlaying()) {
        ruler_->update();
        return;
    }
    beat = std::clamp(beat, 0, doc_->SongLength());
    doc_->SetSongPosition(beat);
    doc_->MoveSongCursor(beat);
    ruler_->update();
    body_->update();
}

void CGridView::EventsEdited()
{
    EventsChanged();
    if (onEventsChanged_) {
        onEventsChanged_();
    }
}

void CGridView::DisplayWave(CMedia& medium)
{
    if (onDisplayWave_) {
        onDisplayWave_(medium);
    }
}

void CGridView::Undo()
{
    if (onUndo_) {
        onUndo_();
    }
    EventsChanged();
}

void CGridView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    UpdateScrollRanges();
    body_->Invalidate();
}

void CGridView::wheelEvent(QWheelEvent* event)
{
    const int notches = event->angleDelta().y() / 120;
    if (notches == 0) {
        return;
    }
    if (event->modifiers() & Qt::ControlModifier) {
        ScrollToRow(firstRow_ - notches);
    } else {
        ScrollToBeat(firstBeat_ - notches * std::max<int>(1, doc_->BeatsPerBar()));
    }
    event->accept();
}

}  // namespace tessaron
