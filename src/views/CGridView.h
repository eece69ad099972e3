#pragma once

#include <cstdint>
#include <functional>

#include <QColor>
#include <QWidget>

#include "views/GridGeometry.h"

class QScrollBar;

namespace tessaron {

class CChordwayDoc;
class CGridBody;
class CGridRuler;
class CMedia;

// The timeline: a ruler of bars (or seconds) with the song position and the loop markers,
// and below it one row per medium holding its recorded events. Markers and events are moved
// with the mouse; the view pages after the song position while "Follow song" is on.
// Runs on the user-interface thread.
class CGridView : public QWidget {
public:
    explicit CGridView(CChordwayDoc& doc, QWidget* parent = nullptr);

    void SetDocument(CChordwayDoc& doc);
    CChordwayDoc& Doc() const { return *doc_; }

    // Everything again from the song: zoom, song length, loop, rows and scroll ranges.
    void FullUpdate();
    // Update hints of the song (2, 3, 5, 6, 13, 20 and the list notices' refreshes).
    void UpdateHint(int hint, intptr_t value);
    // Message 1028: the song is at `beat`.
    void SongCursor(int32_t beat);
    // The grid size list chose a zoom (pixels per beat).
    void SetZoom(int32_t zoom);
    // The events changed (recorded, edited, quantized, undone): the body is drawn again.
    void EventsChanged();
    // The loop or the song position changed elsewhere: the ruler is drawn again.
    void RulerChanged();
    // Text and background colours of the rows, from the skin.
    void SetColours(QColor text, QColor background);

    // After a marker drag set the loop (the main window refreshes its loop fields).
    void OnLoopChanged(std::function<void()> handler) { onLoopChanged_ = std::move(handler); }
    // After the view changed the events (the main window refreshes the event list).
    void OnEventsChanged(std::function<void()> handler) { onEventsChanged_ = std::move(handler); }
    // "Display Wave" from the context menu of a row.
    void OnDisplayWave(std::function<void(CMedia&)> handler) { onDisplayWave_ = std::move(handler); }
    // "Undo" from the context menu.
    void OnUndo(std::function<void()> handler) { onUndo_ = std::move(handler); }

    int32_t Zoom() const { return zoom_; }
    int32_t FirstBeat() const { return firstBeat_; }
    int FirstRow() const { return firstRow_; }
    int RowHeight() const { return rowHeight_; }
    int32_t Beats() const;  // beats the scroll bar covers
    grid::Window Window() const;
    QColor TextColour() const { return text_; }
    QColor BackgroundColour() const { return background_; }
    CGridRuler& Ruler() const { return *ruler_; }
    CGridBody& Body() const { return *body_; }

    // Scrolls so that `beat` is the first visible beat (within the scroll range).
    void ScrollToBeat(int32_t beat);
    void ScrollToRow(int row);

    // Used by the ruler and the body.
    void LoopMarkerDropped(grid::RulerGrab grab, int32_t beat);
    void PositionDropped(int32_t beat);
    void EventsEdited();
    void DisplayWave(CMedia& medium);
    void Undo();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void UpdateScrollRanges();
    void Follow(int32_t beat);

    CChordwayDoc* doc_;
    CGridRuler* ruler_;
    CGridBody* body_;
    QScrollBar* horizontal_;
    QScrollBar* vertical_;
    int32_t zoom_ = grid::kDefaultZoom;
    int32_t firstBeat_ = 0;
    int firstRow_ = 0;
    int rowHeight_ = 22;
    QColor text_{Qt::black};
    QColor background_{180, 180, 185};
    std::function<void()> onLoopChanged_;
    std::function<void()> onEventsChanged_;
    std::function<void(CMedia&)> onDisplayWave_;
    std::function<void()> onUndo_;
};

}  // namespace tessaron
