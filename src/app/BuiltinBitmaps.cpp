#include "app/BuiltinBitmaps.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include "skin/SkinDefaults.h"

namespace tessaron {

namespace {

const QColor kButton(62, 65, 74);
const QColor kButtonOn(88, 92, 104);
const QColor kEdge(28, 29, 33);
const QColor kSymbol(200, 202, 210);
const QColor kLit(120, 230, 140);
const QColor kAccent(255, 200, 60);
const QColor kLightGrey(192, 192, 192);

// A letter in a 5 x 7 grid of pixels, for the 9 x 10 mute and solo buttons.
void DrawLetter(QImage& image, const char* const rows[7], QColor colour)
{
    const int left = (image.width() - 5) / 2;
    const int top = (image.height() - 7) / 2;
    for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 5; ++x) {
            if (rows[y][x] == '#') {
                image.setPixelColor(left + x, top + y, colour);
            }
        }
    }
}

void DrawButtonFace(QPainter& painter, const QRectF& area, bool on)
{
    painter.setPen(QPen(kEdge, 1));
    painter.setBrush(on ? kButtonOn : kButton);
    painter.drawRoundedRect(area.adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
}

void DrawTriangle(QPainter& painter, const QRectF& box, QColor colour)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawPolygon(QPolygonF({box.topLeft(), QPointF(box.right(), box.center().y()), box.bottomLeft()}));
}

void DrawLoopArrow(QPainter& painter, const QRectF& box, QColor colour, qreal width)
{
    painter.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap));
    painter.setBrush(Qt::NoBrush);
    painter.drawArc(box, 60 * 16, 280 * 16);
    // The arrow head at the arc's open end, pointing along the turn.
    const QPointF tip(box.center().x() + box.width() * 0.25, box.top());
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    const qreal s = std::max<qreal>(2.0, box.width() * 0.28);
    painter.drawPolygon(QPolygonF({tip + QPointF(s * 0.6, 0), tip + QPointF(-s * 0.4, -s * 0.6),
                                   tip + QPointF(-s * 0.4, s * 0.6)}));
}

QImage Blank(int32_t number, QColor fill)
{
    const skin::ImageSize size = skin::BuiltinImageSize(number);
    QImage image(size.width, size.height, QImage::Format_RGB32);
    image.fill(fill);
    return image;
}

QImage DrawMuteSolo(int32_t number)
{
    static const char* const kM[7] = {"#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"};
    static const char* const kS[7] = {".####", "#....", "#....", ".###.", "....#", "....#", "####."};
    const bool on = number % 2 == 1;
    const bool mute = number < 2352;
    QImage image = Blank(number, Qt::black);  // black shows through
    const QColor colour = on ? (mute ? QColor(240, 80, 60) : kAccent) : QColor(150, 152, 160);
    DrawLetter(image, mute ? kM : kS, colour);
    return image;
}

QImage DrawLoop(int32_t number)
{
    const bool on = number == 2355;
    QImage image = Blank(number, kEdge);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    DrawButtonFace(painter, image.rect(), on);
    const QRectF box = QRectF(image.rect()).adjusted(5, 5, -5, -5);
    DrawLoopArrow(painter, box, on ? kLit : kSymbol, 2.0);
    return image;
}

// Hold (a pin) and sync (two bars in step), on light grey.
QImage DrawHoldSync(int32_t number)
{
    const bool on = number % 2 == 1;
    QImage image = Blank(number, kLightGrey);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(64, 64, 64), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(image.rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    const QColor colour = on ? QColor(20, 120, 40) : QColor(70, 70, 70);
    const QRectF inner = QRectF(image.rect()).adjusted(3, 3, -3, -3);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    if (number < 2358) {
        painter.drawEllipse(QRectF(inner.left(), inner.top(), inner.width(), inner.height() * 0.55));
        painter.drawRect(QRectF(inner.center().x() - 0.75, inner.top() + inner.height() * 0.5, 1.5,
                                inner.height() * 0.5));
    } else {
        const qreal bar = inner.width() / 5;
        painter.drawRect(QRectF(inner.left() + bar, inner.top(), bar, inner.height()));
        painter.drawRect(QRectF(inner.left() + 3 * bar, inner.top(), bar, inner.height()));
    }
    return image;
}

QImage DrawActive(int32_t number)
{
    const bool on = number == 2361;
    QImage image = Blank(number, kEdge);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    DrawButtonFace(painter, image.rect(), on);
    const QRectF led = QRectF(image.rect()).adjusted(5, 3, -5, -3);
    painter.setPen(QPen(kEdge, 1));
    painter.setBrush(on ? kLit : QColor(40, 70, 48));
    painter.drawRoundedRect(led, 3, 3);
    if (on) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(230, 255, 230));
        painter.drawEllipse(QRectF(led.left() + 2, led.top() + 1, led.width() * 0.35, led.height() * 0.4));
    }
    return image;
}

QImage DrawNoteShift(int32_t number)
{
    const bool up = number < 2364;
    const bool on = number % 2 == 1;
    QImage image = Blank(number, kEdge);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    // Pressed: darker face, symbol one pixel lower.
    DrawButtonFace(painter, image.rect(), !on);
    const qreal shift = on ? 1 : 0;
    const QPointF c = QRectF(image.rect()).center() + QPointF(0, shift);
    painter.setPen(Qt::NoPen);
    painter.setBrush(on ? kAccent : kSymbol);
    const qreal h = up ? -1 : 1;
    painter.drawPolygon(QPolygonF({c + QPointF(0, 9 * h), c + QPointF(-8, 1 * h), c + QPointF(8, 1 * h)}));
    painter.drawRect(QRectF(c.x() - 7, c.y() - h * 4 - 1.5, 14, 3));
    if (up) {
        painter.drawRect(QRectF(c.x() - 1.5, c.y() - h * 4 - 7, 3, 14));
    }
    return image;
}

QImage DrawPan(int32_t number)
{
    const bool on = number == 221;
    QImage image = Blank(number, kEdge);
    QPainter painter(&image);
    painter.fillRect(QRect(1, 0, 4, 12), on ? kAccent : kSymbol);
    painter.fillRect(QRect(2, 1, 2, 10), on ? QColor(255, 240, 180) : QColor(240, 240, 244));
    return image;
}

QImage DrawTransport(int32_t number)
{
    QImage image = Blank(number, kEdge);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    DrawButtonFace(painter, image.rect(), false);
    const QRectF box = QRectF(image.rect()).adjusted(4, 4, -4, -4);
    switch (number) {
    case 26020:  // play once
        DrawTriangle(painter, box.adjusted(1, 0, 0, 0), kLit);
        break;
    case 26021:  // stop
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(240, 90, 70));
        painter.drawRect(box.adjusted(0.5, 0.5, -0.5, -0.5));
        break;
    case 26022:  // alone, in loop
        painter.fillRect(QRectF(box.left(), box.top(), 1.5, box.height()), kAccent);
        DrawLoopArrow(painter, box.adjusted(2.5, 0.5, 0, 0), kAccent, 1.5);
        break;
    case 26023:  // alone, once
        painter.fillRect(QRectF(box.left(), box.top(), 1.5, box.height()), kAccent);
        DrawTriangle(painter, box.adjusted(3, 0, 0, 0), kAccent);
        break;
    default:  // 223: play in loop
        DrawLoopArrow(painter, box.adjusted(0.5, 0.5, -0.5, -0.5), kLit, 1.5);
        DrawTriangle(painter, box.adjusted(3, 3, -2, -3), kLit);
        break;
    }
    return image;
}

}  // namespace

QImage BuiltinBitmaps::Draw(int32_t number)
{
    if (skin::BuiltinImageSize(number).width == 0) {
        return {};
    }
    if (number >= 2350 && number <= 2353) {
        return DrawMuteSolo(number);
    }
    if (number == 2354 || number == 2355) {
        return DrawLoop(number);
    }
    if (number >= 2356 && number <= 2359) {
        return DrawHoldSync(number);
    }
    if (number == 2360 || number == 2361) {
        return DrawActive(number);
    }
    if (number >= 2362 && number <= 2365) {
        return DrawNoteShift(number);
    }
    if (number == 220 || number == 221) {
        return DrawPan(number);
    }
    return DrawTransport(number);
}

BuiltinBitmaps::BuiltinBitmaps()
{
    for (const int32_t number : skin::BuiltinImageNumbers()) {
        images_.emplace(number, Draw(number));
    }
}

const QImage& BuiltinBitmaps::Image(int32_t number) const
{
    static const QImage kNone;
    const auto it = images_.find(number);
    return it == images_.end() ? kNone : it->second;
}

}  // namespace tessaron
