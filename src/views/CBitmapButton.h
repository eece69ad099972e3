#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QImage>

namespace tessaron {

// A button drawn from the skin's images: the off image, and the on image while it is checked
// or held down. Without images (a file that did not load, a definition with none) it draws a
// framed box with a short label, filled with `on` colour when on, so that it still works.
class CBitmapButton : public QAbstractButton {
public:
    CBitmapButton(QImage off, QImage on, QString label, QWidget* parent);

    void SetColours(QColor text, QColor back, QColor on);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // The images at the button's size, ready to copy: a piano of seven octaves paints hundreds
    // of buttons at every repaint.
    void Scale();

    QImage off_;
    QImage on_;
    QImage offShown_;
    QImage onShown_;
    QString label_;
    QColor text_{Qt::black};
    QColor back_{192, 192, 192};
    QColor onColour_{255, 200, 60};
};

}  // namespace tessaron
