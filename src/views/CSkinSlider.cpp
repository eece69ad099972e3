#include "views/CSkinSlider.h"

#include <algorithm>

#include <QPainter>
#include <QStyle>

namespace tessaron {

CSkinSlider::CSkinSlider(Qt::Orientation orientation, QImage track, QImage thumb, QImage thumbOn, QWidget* parent)
    : QSlider(orientation, parent), track_(std::move(track)), thumb_(std::move(thumb)), thumbOn_(std::move(thumbOn))
{
    setFocusPolicy(Qt::NoFocus);  // the arrows belong to the piano view
    thumb_ = thumb_.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    thumbOn_ = thumbOn_.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

void CSkinSlider::resizeEvent(QResizeEvent* event)
{
    QSlider::resizeEvent(event);
    trackShown_ = track_.isNull() || size().isEmpty()
                      ? QImage()
                      : track_.scaled(size()).convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

void CSkinSlider::SetColours(QColor thumb, QColor back)
{
    if (thumb.isValid()) {
        thumbColour_ = thumb;
    }
    if (back.isValid()) {
        backColour_ = back;
    }
    update();
}

void CSkinSlider::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const bool vertical = orientation() == Qt::Vertical;
    const QImage& thumbImage = isSliderDown() && !thumbOn_.isNull() ? thumbOn_ : thumb_;
    QSize thumbSize = thumbImage.isNull() ? QSize() : thumbImage.size();
    if (thumbSize.isEmpty()) {
        thumbSize = vertical ? QSize(width(), std::max(4, std::min(8, height() / 5)))
                             : QSize(std::max(4, std::min(8, width() / 5)), height());
    }
    thumbSize = thumbSize.boundedTo(size());
    if (trackShown_.isNull()) {
        painter.fillRect(rect(), backColour_);
        const QRect groove = vertical ? QRect(width() / 2 - 1, 0, 2, height()) : QRect(0, height() / 2 - 1, width(), 2);
        painter.fillRect(groove, thumbColour_.darker(160));
    } else {
        painter.drawImage(QPoint(0, 0), trackShown_);
    }
    // The maximum stands at the top of a vertical slider, as on a mixing desk.
    const int span = vertical ? height() - thumbSize.height() : width() - thumbSize.width();
    const int position = QStyle::sliderPositionFromValue(minimum(), maximum(), value(), std::max(0, span), vertical);
    const QRect thumb = vertical ? QRect(QPoint((width() - thumbSize.width()) / 2, position), thumbSize)
                                 : QRect(QPoint(position, (height() - thumbSize.height()) / 2), thumbSize);
    if (thumbImage.isNull()) {
        painter.fillRect(thumb, isSliderDown() ? thumbColour_.lighter(130) : thumbColour_);
    } else if (thumbImage.size() == thumb.size()) {
        painter.drawImage(thumb.topLeft(), thumbImage);
    } else {
        painter.drawImage(thumb, thumbImage);
    }
}

}  // namespace tessaron
