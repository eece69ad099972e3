#pragma once

#include <QWidget>

namespace tessaron {

class CMidiView;

// The drawn part of the piano view, inside its scroll area: the decorations, the keys with
// their states and note names, the support strip and the controls over every key. It holds
// the view's single controls as children, and hands the mouse on the keys and controls, the
// wheel, tooltips and drops to the view.
class CPianoSurface : public QWidget {
public:
    // The MIME type of a media-list row dragged onto a key: the medium's list position as
    // decimal text.
    static constexpr const char* kMediumMime = "application/x-tessaron-medium";

    CPianoSurface(CMidiView& view, QWidget* parent);

    // The note name of a key: "C", "C#", ... with its octave from 1.
    static QString NoteName(int key);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void PaintKeys(class QPainter& painter);

    CMidiView& view_;
};

}  // namespace tessaron
