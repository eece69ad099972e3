#include "app/CMoveBar.h"

#include <QSignalBlocker>
#include <QSlider>

namespace tessaron {

CMoveBar::CMoveBar(QAction* gotoStart, QAction* gotoEnd, QWidget* parent) : QToolBar(QStringLiteral("Move Bar"), parent)
{
    setObjectName(QStringLiteral("MoveBar"));
    addAction(gotoStart);
    addAction(gotoEnd);
    slider_ = new QSlider(Qt::Horizontal, this);
    slider_->setObjectName(QStringLiteral("MoveSlider"));
    slider_->setRange(0, 0);
    slider_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    addWidget(slider_);
    connect(slider_, &QSlider::sliderReleased, this, [this] {
        if (onMove_) {
            onMove_(slider_->value());
        }
    });
    connect(slider_, &QSlider::actionTriggered, this, [this](int action) {
        // Clicks on the groove and keys move the song too; drags end in sliderReleased.
        if (action != QAbstractSlider::SliderMove && onMove_) {
            onMove_(slider_->sliderPosition());
        }
    });
}

void CMoveBar::SetRange(int32_t songLengthBeats)
{
    const QSignalBlocker block(slider_);
    slider_->setRange(0, std::max(0, songLengthBeats));
}

void CMoveBar::SetPosition(int32_t beat)
{
    if (slider_->isSliderDown()) {
        return;  // the user holds it
    }
    const QSignalBlocker block(slider_);
    slider_->setValue(beat);
}

int32_t CMoveBar::Position() const { return slider_->value(); }

int32_t CMoveBar::Maximum() const { return slider_->maximum(); }

}  // namespace tessaron
