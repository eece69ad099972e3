#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include <QPixmap>
#include <QWidget>

#include "views/GridGeometry.h"

class QMenu;

namespace tessaron {

class CGridView;
class CMedia;

// The timeline's rows: one per medium, with its "Play", "Stop" and "Close" events drawn in
// the medium's colours. An event is selected by a click and moved by whole beats by dragging;
// the context menu edits or deletes the event under the pointer.
class CGridBody : public QWidget {
public:
    explicit CGridBody(CGridView& view);

    // The rows or events changed: the drawing is made again at the next paint.
    void Invalidate();
    // Index of the event drawn at `point`, -1 when none.
    int EventAt(QPoint point);
    int SelectedEvent() const { return selected_; }
    void SelectEvent(int index);
    bool Dragging() const { return dragging_; }
    // Deletes event `index` with undo (as the event list does); false when there is none.
    bool DeleteEvent(int index);
    // The context menu for a point; the caller owns it.
    QMenu* MakeMenu(QPoint point);
    // Paints the whole body into `target` (the benchmark's entry; a paint event does the same).
    void PaintInto(QPainter& painter);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // One drawn event: where, which event, the colours of its medium.
    struct Item {
        QRectF rect;
        int event = -1;
        int row = 0;
        int32_t beats = 0;  // whole beats of its position
        const void* action = nullptr;
        uint32_t back = 0;
        uint32_t text = 0;
        bool mark = false;  // "Stop" or "Close": a narrow mark rather than a bar
    };
    // Collects the visible events under the song's lock (the tick may record meanwhile).
    void Collect();
    void DrawStatic(QPainter& painter);
    void DrawOverlay(QPainter& painter);
    QRectF HeldRect(const Item& item) const;
    const Item* FindItem(int event) const;
    void MoveEvent(int index, int32_t beat);
    void EditEvent(int index);

    CGridView& view_;
    std::vector<Item> items_;
    std::unordered_map<const CMedia*, int> rows_;
    std::vector<CMedia*> media_;
    QPixmap cache_;
    bool dirty_ = true;
    int selected_ = -1;
    bool dragging_ = false;
    grid::EventDrag drag_;
    int32_t dragOrigin_ = 0;
};

}  // namespace tessaron
