#include "app/AppLogo.h"

#include <QPainter>
#include <QPixmap>

namespace tessaron {

QImage DrawLogo(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 64.0, size / 64.0);
    // Rounded dark square, as the SVG icon.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(38, 40, 46));
    painter.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);
    painter.setPen(QPen(QColor(90, 92, 100), 3));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QPointF(32, 32), 20, 20);
    const QColor tiles[4] = {QColor(255, 200, 60), QColor(120, 180, 255), QColor(120, 230, 140), QColor(240, 90, 70)};
    const QPointF centres[4] = {{20, 20}, {44, 20}, {20, 44}, {44, 44}};
    painter.setPen(Qt::NoPen);
    for (int i = 0; i < 4; ++i) {
        painter.setBrush(tiles[i]);
        painter.drawRoundedRect(QRectF(centres[i] - QPointF(8, 8), QSizeF(16, 16)), 3, 3);
    }
    return image;
}

QIcon LogoIcon()
{
    QIcon icon;
    for (const int size : {16, 32, 48, 64, 128}) {
        icon.addPixmap(QPixmap::fromImage(DrawLogo(size)));
    }
    return icon;
}

}  // namespace tessaron
