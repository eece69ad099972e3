#include "views/CBitmapButton.h"

#include <QPainter>

namespace tessaron {

CBitmapButton::CBitmapButton(QImage off, QImage on, QString label, QWidget* parent)
    : QAbstractButton(parent), off_(std::move(off)), on_(std::move(on)), label_(std::move(label))
{
    setFocusPolicy(Qt::NoFocus);  // the keys stay with the piano view
    Scale();
}

void CBitmapButton::Scale()
{
    auto fit = [this](const QImage& image) {
        if (image.isNull() || size().isEmpty()) {
            return QImage();
        }
        const QImage scaled = image.size() == size() ? image : image.scaled(size());
        return scaled.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    };
    offShown_ = fit(off_);
    onShown_ = fit(on_);
}

void CBitmapButton::resizeEvent(QResizeEvent*) { Scale(); }

void CBitmapButton::SetColours(QColor text, QColor back, QColor on)
{
    if (text.isValid()) {
        text_ = text;
    }
    if (back.isValid()) {
        back_ = back;
    }
    if (on.isValid()) {
        onColour_ = on;
    }
    update();
}

QSize CBitmapButton::sizeHint() const { return off_.isNull() ? QSize(16, 16) : off_.size(); }

void CBitmapButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const bool lit = isChecked() || isDown();
    const QImage& image = lit && !onShown_.isNull() ? onShown_ : offShown_;
    if (!image.isNull()) {
        painter.drawImage(QPoint(0, 0), image);
        if (lit && onShown_.isNull()) {
            painter.fillRect(rect(), QColor(onColour_.red(), onColour_.green(), onColour_.blue(), 110));
        }
        return;
    }
    painter.fillRect(rect(), lit ? onColour_ : back_);
    painter.setPen(text_);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    if (!label_.isEmpty() && width() >= 6 && height() >= 6) {
        QFont font = painter.font();
        font.setPixelSize(std::max(6, std::min(height() - 2, 11)));
        painter.setFont(font);
        painter.drawText(rect(), Qt::AlignCenter, label_);
    }
}

}  // namespace tessaron
