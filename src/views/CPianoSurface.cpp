#include "views/CPianoSurface.h"

#include <string>
#include <vector>

#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QHelpEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QUrl>
#include <QWheelEvent>

#include "views/CMidiView.h"

namespace tessaron {

namespace {

const char* const kNoteNames[12] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};

QRect ToQRect(const PianoGeometry::Rect& r) { return QRect(r.x, r.y, r.w, r.h); }

}  // namespace

CPianoSurface::CPianoSurface(CMidiView& view, QWidget* parent) : QWidget(parent), view_(view)
{
    setObjectName(QStringLiteral("PianoSurface"));
    setAcceptDrops(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAccessibleName(QStringLiteral("Piano keys"));
    setAccessibleDescription(QStringLiteral(
        "Left and Right select a key; Enter plays it once, Space in loop, Backspace stops it, Escape mutes it, "
        "Page Up and Page Down change its volume, Up and Down bend its pitch."));
}

bool CPianoSurface::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        // The per-key controls are drawn, not widgets: their tips are found here.
        auto* help = static_cast<QHelpEvent*>(event);
        const int id = view_.ControlAt(help->pos().x(), help->pos().y());
        const int field = PianoControls::FieldOf(id);
        const int key = PianoControls::KeyOf(id);
        const QString tip = id >= 0 ? view_.ControlTip(field, key) : QString();
        if (tip.isEmpty()) {
            QToolTip::hideText();
            event->ignore();
        } else {
            QToolTip::showText(help->globalPos(), tip, this, view_.ControlRect(field, key));
        }
        return true;
    }
    return QWidget::event(event);
}

QString CPianoSurface::NoteName(int key)
{
    return QString::fromLatin1(kNoteNames[((key % 12) + 12) % 12]) + QString::number(key / 12 + 1);
}

void CPianoSurface::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const QRect clip = event->rect();
    const PianoLook& look = view_.Look();
    painter.fillRect(clip, look.background);
    // Most repaints are a few meters: what they do not meet is not drawn at all.
    for (const PianoLook::Border& border : look.borders) {
        if (!border.rect.intersects(clip)) {
            continue;
        }
        if (border.fill.isValid()) {
            painter.fillRect(border.rect, border.fill);
        }
        if (border.border.isValid()) {
            painter.setPen(border.border);
            painter.drawRect(border.rect.adjusted(0, 0, -1, -1));
        }
    }
    for (const PianoLook::Bitmap& bitmap : look.bitmaps) {
        if (bitmap.rect.intersects(clip)) {
            painter.drawImage(bitmap.rect, bitmap.image);
        }
    }
    for (const PianoLook::Text& text : look.texts) {
        if (!text.rect.intersects(clip)) {
            continue;
        }
        painter.save();
        painter.setFont(text.font);
        painter.setPen(text.colour);
        if (text.vertical) {
            painter.translate(text.rect.bottomLeft());
            painter.rotate(-90);
            painter.drawText(QRect(0, 0, text.rect.height(), text.rect.width()), Qt::AlignLeft | Qt::AlignVCenter,
                             text.text);
        } else {
            painter.drawText(text.rect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextDontClip, text.text);
        }
        painter.restore();
    }
    if (look.hasSupport && look.support.intersects(clip)) {
        painter.fillRect(look.support, look.supportColour);
    }
    if (!view_.Built()) {
        return;
    }
    if (ToQRect(view_.Geometry().KeyArea()).intersects(clip)) {
        PaintKeys(painter);
    }
    view_.Controls().Paint(painter, clip);
}

void CPianoSurface::PaintKeys(QPainter& painter)
{
    const PianoGeometry& geometry = view_.Geometry();
    const PianoKeys& keys = view_.Keys();
    const PianoLook& look = view_.Look();
    painter.setFont(look.noteFont);
    const QFontMetrics metrics(look.noteFont);
    auto fill = [&](int key) {
        const std::array<QColor, 3>& colours = PianoGeometry::IsBlack(key) ? look.black : look.white;
        const PianoKeys::State state = keys.StateOf(key);
        if (view_.BlinkPhase() && view_.KeyArmed(key)) {
            return colours[2];
        }
        QColor colour = state == PianoKeys::State::Playing ? colours[1] : colours[0];
        if (key == view_.PressedKey()) {
            colour = colour.darker(125);
        }
        return colour;
    };
    // White keys first; the black keys stand over their edges.
    for (int pass = 0; pass < 2; ++pass) {
        for (int key = 0; key < geometry.KeyCount(); ++key) {
            const bool black = PianoGeometry::IsBlack(key);
            if (black != (pass == 1)) {
                continue;
            }
            QRect rect = ToQRect(geometry.KeyRect(key));
            if (black && rect.width() > 6) {
                rect.adjust(1, 0, -1, 0);  // a gap between neighbouring black keys
            }
            painter.fillRect(rect, fill(key));
            if (look.borderWidth > 0) {
                QPen pen(black ? look.borderBlack : look.borderWhite);
                pen.setWidth(look.borderWidth);
                painter.setPen(pen);
                painter.drawRect(rect.adjusted(0, 0, -1, -1));
            }
            if (keys.HasMedia(key)) {
                // A key that holds media carries a mark at its foot.
                const QRect mark(rect.x() + 3, rect.bottom() - 5, std::max(1, rect.width() - 6), 3);
                painter.fillRect(mark, black ? look.white[1] : look.black[0]);
            }
            if (key == view_.SelectedKey()) {
                QPen pen(look.white[1].darker(150));
                pen.setWidth(2);
                painter.setPen(pen);
                painter.drawRect(rect.adjusted(1, 1, -2, -2));
            }
            if (!black) {
                const QString name = NoteName(key);
                const int height = metrics.height();
                const QRect label(rect.x() + 1, rect.bottom() - 8 - height, rect.width() - 2, height);
                if (label.width() >= metrics.horizontalAdvance(name)) {
                    painter.setPen(look.noteText);
                    painter.drawText(label, Qt::AlignHCenter | Qt::AlignBottom, name);
                }
            }
        }
    }
}

void CPianoSurface::mousePressEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    view_.MousePress(event->button(), p.x(), p.y());
}

void CPianoSurface::mouseDoubleClickEvent(QMouseEvent* event) { mousePressEvent(event); }

void CPianoSurface::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    view_.MouseMove(p.x(), p.y());
}

void CPianoSurface::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    view_.MouseRelease(event->button(), p.x(), p.y());
}

void CPianoSurface::wheelEvent(QWheelEvent* event)
{
    const QPoint p = event->position().toPoint();
    const int steps = event->angleDelta().y() / QWheelEvent::DefaultDeltasPerStep;
    bool taken = false;
    if (steps != 0) {
        view_.MouseWheel(p.x(), p.y(), steps, &taken);
    }
    if (taken) {
        event->accept();
    } else {
        event->ignore();  // the scroll area scrolls
    }
}

void CPianoSurface::contextMenuEvent(QContextMenuEvent* event)
{
    view_.ContextMenuAt(event->pos().x(), event->pos().y(), event->globalPos());
}

void CPianoSurface::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls() || event->mimeData()->hasFormat(QString::fromLatin1(kMediumMime))) {
        event->acceptProposedAction();
    }
}

void CPianoSurface::dragMoveEvent(QDragMoveEvent* event) { event->acceptProposedAction(); }

void CPianoSurface::dropEvent(QDropEvent* event)
{
    const QPoint p = event->position().toPoint();
    const QMimeData* data = event->mimeData();
    if (data->hasFormat(QString::fromLatin1(kMediumMime))) {
        bool ok = false;
        const int index = QString::fromLatin1(data->data(QString::fromLatin1(kMediumMime))).trimmed().toInt(&ok);
        if (ok && view_.BindMedium(p.x(), p.y(), index)) {
            event->acceptProposedAction();
        }
        return;
    }
    std::vector<std::string> paths;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile()) {
            paths.push_back(url.toLocalFile().toStdString());
        }
    }
    if (!paths.empty()) {
        view_.DropFiles(p.x(), p.y(), paths);
        event->acceptProposedAction();
    }
}

}  // namespace tessaron
