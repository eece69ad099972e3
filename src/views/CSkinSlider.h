#pragma once

#include <QColor>
#include <QImage>
#include <QSlider>

namespace tessaron {

// A slider of the piano view (volume, pan, pitch bend) drawn from the skin's images: the track
// stretched over the control and the thumb (its "on" image while dragged) at the value. With
// no images it draws a groove and a thumb in the skin's colours.
class CSkinSlider : public QSlider {
public:
    CSkinSlider(Qt::Orientation orientation, QImage track, QImage thumb, QImage thumbOn, QWidget* parent);

    void SetColours(QColor thumb, QColor back);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QImage track_;
    QImage trackShown_;  // the track at the slider's size, ready to copy
    QImage thumb_;
    QImage thumbOn_;
    QColor thumbColour_{200, 200, 200};
    QColor backColour_{38, 40, 46};
};

}  // namespace tessaron
