#include "views/CGridBody.h"

#include <algorithm>
#include <mutex>

#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

#include "media/CMedia.h"
#include "song/CAction.h"
#include "song/CChordwayDoc.h"
#include "views/CEventDlg.h"
#include "views/CGridView.h"

namespace tessaron {

namespace {

constexpr int kMinimumWidth = 3;   // an event never thinner than this, at any zoom
constexpr int kNameWidth = 36;     // wide enough to carry the medium's name inside
constexpr int kSampleKind = 6;

// Colours as the song stores them: red + 256 x green + 65536 x blue.
QColor Packed(uint32_t colour) { return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF); }

bool Drawn(int32_t code) { return code == CAction::kPlay || code == CAction::kStop || code == CAction::kClose; }

}  // namespace

CGridBody::CGridBody(CGridView& view) : QWidget(&view), view_(view)
{
    setObjectName(QStringLiteral("TimelineBody"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::ClickFocus);
    setMinimumSize(40, 20);
}

void CGridBody::Invalidate()
{
    dirty_ = true;
    update();
}

void CGridBody::SelectEvent(int index)
{
    selected_ = index;
    update();
}

void CGridBody::Collect()
{
    CChordwayDoc& doc = view_.Doc();
    const grid::Window window = view_.Window();
    const int rowHeight = view_.RowHeight();
    const int firstRow = view_.FirstRow();
    const int lastRow = firstRow + height() / rowHeight + 1;
    items_.clear();
    rows_.clear();
    media_.clear();

    std::lock_guard guard(doc.Lock());
    for (int i = 0; i < doc.MediaCount(); ++i) {
        media_.push_back(doc.MediumAt(i));
        rows_[doc.MediumAt(i)] = i;
    }
    const float tempo = doc.EffectiveTempo();
    const int64_t lastMs = CMesure(window.firstBeat + window.PageBeats() + 2, 0.0f).ToMs(tempo);
    for (int i = 0; i < doc.EventCount(); ++i) {
        const CAction& event = *doc.EventAt(i);
        if (event.Start() > lastMs) {
            break;  // the list is in start order
        }
        if (!Drawn(event.Code()) || event.Medium() == nullptr) {
            continue;
        }
        const auto row = rows_.find(event.Medium());
        if (row == rows_.end() || row->second < firstRow || row->second > lastRow) {
            continue;
        }
        const double beat = event.Position().Beats() + static_cast<double>(event.Position().Fraction());
        const bool mark = event.Code() != CAction::kPlay;
        const double length = event.Length().Beats() + static_cast<double>(event.Length().Fraction());
        const double x = window.BeatX(beat);
        const double w = mark ? kMinimumWidth : std::max<double>(kMinimumWidth, length * window.Zoom());
        if (x + w < 0.0) {
            continue;
        }
        Item item;
        item.rect = QRectF(x, (row->second - firstRow) * rowHeight + 2, w, rowHeight - 4);
        item.event = i;
        item.row = row->second;
        item.beats = event.Position().Beats();
        item.action = &event;
        item.back = event.Medium()->backColour;
        item.text = event.Medium()->textColour;
        item.mark = mark;
        items_.push_back(item);
    }
}

void CGridBody::DrawStatic(QPainter& painter)
{
    const grid::Window window = view_.Window();
    const int rowHeight = view_.RowHeight();
    const int firstRow = view_.FirstRow();
    const QColor background = view_.BackgroundColour();
    const QColor text = view_.TextColour();
    painter.fillRect(rect(), background);

    // Every other row a shade darker, so that a row's events read as one line.
    const QColor shaded = background.darker(110);
    for (int row = firstRow; row < static_cast<int>(media_.size()); ++row) {
        const int y = (row - firstRow) * rowHeight;
        if (y > height()) {
            break;
        }
        if (row % 2 == 1) {
            painter.fillRect(0, y, width(), rowHeight, shaded);
        }
    }
    // Bar lines always; beat lines where they stand apart enough to help.
    const int bpb = std::max<int>(1, view_.Doc().BeatsPerBar());
    const QColor barLine = background.darker(135);
    const QColor beatLine = background.darker(115);
    const int32_t last = window.firstBeat + window.PageBeats() + 1;
    for (int32_t beat = window.firstBeat; beat <= last; ++beat) {
        const int x = static_cast<int>(window.BeatX(beat));
        if (beat % bpb == 0) {
            painter.fillRect(x, 0, 1, height(), barLine);
        } else if (window.zoom >= 10) {
            painter.fillRect(x, 0, 1, height(), beatLine);
        }
    }

    QFont font = painter.font();
    font.setPointSize(7);
    painter.setFont(font);
    const QFontMetrics metrics(font);
    for (const Item& item : items_) {
        if (dragging_ && item.event == selected_) {
            continue;  // drawn where the pointer holds it
        }
        const QColor back = Packed(item.back);
        if (item.mark) {
            painter.fillRect(item.rect, Packed(item.text));
            continue;
        }
        painter.fillRect(item.rect, back);
        if (item.rect.width() >= 4) {
            painter.setPen(back.darker(160));
            painter.drawRect(item.rect.adjusted(0, 0, -1, -1));
        }
        if (item.rect.width() >= kNameWidth && item.row < static_cast<int>(media_.size())) {
            painter.setPen(Packed(item.text));
            const QRectF inside = item.rect.adjusted(3, 0, -2, 0);
            const QString name = metrics.elidedText(QString::fromStdString(media_[static_cast<size_t>(item.row)]->name),
                                                    Qt::ElideRight, static_cast<int>(inside.width()));
            painter.drawText(inside, Qt::AlignVCenter | Qt::AlignLeft, name);
        }
    }

    // The media's names at the left edge, readable over the events.
    painter.setPen(text);
    for (int row = firstRow; row < static_cast<int>(media_.size()); ++row) {
        const int y = (row - firstRow) * rowHeight;
        if (y > height()) {
            break;
        }
        const QString name = QString::fromStdString(media_[static_cast<size_t>(row)]->name);
        const QRect label(2, y + rowHeight - metrics.height() - 1, metrics.horizontalAdvance(name) + 4, metrics.height());
        painter.fillRect(label, QColor(background.red(), background.green(), background.blue(), 170));
        painter.drawText(label.adjusted(2, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, name);
    }
}

QRectF CGridBody::HeldRect(const Item& item) const
{
    const double shift = static_cast<double>(drag_.Beat() - dragOrigin_) * view_.Window().Zoom();
    return item.rect.translated(shift, 0.0);
}

const CGridBody::Item* CGridBody::FindItem(int event) const
{
    for (const Item& item : items_) {
        if (item.event == event) {
            return &item;
        }
    }
    return nullptr;
}

void CGridBody::DrawOverlay(QPainter& painter)
{
    const grid::Window window = view_.Window();
    const CChordwayDoc& doc = view_.Doc();
    // Loop begin and end as thin lines in the markers' colours.
    painter.setPen(QPen(QColor(255, 0, 0), 1, Qt::DashLine));
    if (window.Shows(doc.LoopBegin())) {
        const int x = static_cast<int>(window.BeatX(doc.LoopBegin()));
        painter.drawLine(x, 0, x, height());
    }
    painter.setPen(QPen(QColor(0, 160, 0), 1, Qt::DashLine));
    if (window.Shows(doc.LoopEnd())) {
        const int x = static_cast<int>(window.BeatX(doc.LoopEnd()));
        painter.drawLine(x, 0, x, height());
    }

    if (const Item* item = FindItem(selected_)) {
        QRectF shown = item->rect;
        if (dragging_) {
            shown = HeldRect(*item);
            painter.fillRect(shown, Packed(item->mark ? item->text : item->back));
        }
        // Black outside, white inside: visible on any medium's colour.
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(Qt::black, 2));
        painter.drawRect(shown.adjusted(-1, -1, 1, 1));
        painter.setPen(QPen(Qt::white, 1));
        painter.drawRect(shown.adjusted(1, 1, -1, -1));
    }

    const int32_t position = doc.SongPosition();
    if (window.Shows(position)) {
        const int x = static_cast<int>(window.BeatX(position));
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        painter.fillRect(QRect(x, 0, 2, height()), Qt::white);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
}

void CGridBody::PaintInto(QPainter& painter)
{
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = size() * ratio;
    if (dirty_ || cache_.size() != pixels) {
        Collect();
        if (cache_.size() != pixels) {
            cache_ = QPixmap(pixels);
        }
        cache_.setDevicePixelRatio(ratio);
        QPainter layer(&cache_);
        DrawStatic(layer);
        dirty_ = false;
    }
    painter.drawPixmap(0, 0, cache_);
    DrawOverlay(painter);
}

void CGridBody::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    PaintInto(painter);
}

void CGridBody::resizeEvent(QResizeEvent* event)
{
    dirty_ = true;
    QWidget::resizeEvent(event);
}

int CGridBody::EventAt(QPoint point)
{
    if (dirty_) {
        Collect();  // a press may come before the first paint
    }
    const int row = point.y() / view_.RowHeight() + view_.FirstRow();
    if (row >= static_cast<int>(media_.size())) {
        return -1;
    }
    for (const Item& item : items_) {
        if (item.row == row && item.rect.adjusted(0, 0, 1, 0).contains(QPointF(point))) {
            return item.event;
        }
    }
    return -1;
}

void CGridBody::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const QPoint at = event->position().toPoint();
    selected_ = EventAt(at);
    if (const Item* item = FindItem(selected_)) {
        drag_ = grid::EventDrag(at.x(), item->beats);
        dragOrigin_ = item->beats;
        dragging_ = true;
        dirty_ = true;  // the held event leaves the still layer
    }
    update();
}

void CGridBody::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    if (!dragging_ || !(event->buttons() & Qt::LeftButton) || !rect().contains(at)) {
        return;
    }
    if (drag_.MoveTo(at.x(), view_.Window().Zoom())) {
        update();
    }
}

void CGridBody::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !dragging_) {
        return;
    }
    dragging_ = false;
    dirty_ = true;
    if (drag_.Moved() != 0) {
        MoveEvent(selected_, drag_.Beat());
    }
    update();
}

void CGridBody::mouseDoubleClickEvent(QMouseEvent* event)
{
    const int index = EventAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && index >= 0) {
        dragging_ = false;
        EditEvent(index);
    }
}

void CGridBody::MoveEvent(int index, int32_t beat)
{
    CChordwayDoc& doc = view_.Doc();
    const Item* item = FindItem(index);
    if (item == nullptr) {
        return;
    }
    CAction edited;
    {
        // The tick may have recorded events meanwhile: find the held one again.
        std::lock_guard guard(doc.Lock());
        if (index >= doc.EventCount() || doc.EventAt(index) != item->action) {
            index = -1;
            for (int i = 0; i < doc.EventCount(); ++i) {
                if (doc.EventAt(i) == item->action) {
                    index = i;
                    break;
                }
            }
        }
        if (index < 0) {
            return;
        }
        edited = *doc.EventAt(index);
    }
    edited.Position().SetBeats(beat);
    edited.SetStart(edited.Position().ToMs(doc.EffectiveTempo()));
    selected_ = CEventDlg::Store(doc, index, edited);
    view_.EventsEdited();
}

bool CGridBody::DeleteEvent(int index)
{
    CChordwayDoc& doc = view_.Doc();
    if (index < 0 || index >= doc.EventCount()) {
        return false;
    }
    doc.DeleteEventWithUndo(index);
    doc.ComputeSongLength();
    selected_ = -1;
    view_.EventsEdited();
    return true;
}

void CGridBody::EditEvent(int index)
{
    CChordwayDoc& doc = view_.Doc();
    if (index < 0 || index >= doc.EventCount()) {
        return;
    }
    CEventDlg dialog(doc, index, this);
    dialog.exec();
    if (dialog.LastIndex() >= 0) {
        selected_ = dialog.LastIndex();
    }
    view_.EventsEdited();
}

QMenu* CGridBody::MakeMenu(QPoint point)
{
    CChordwayDoc& doc = view_.Doc();
    const int index = EventAt(point);
    const int row = point.y() / view_.RowHeight() + view_.FirstRow();
    CMedia* medium = row < doc.MediaCount() ? doc.MediumAt(row) : nullptr;
    if (index >= 0) {
        SelectEvent(index);
    }
    auto* menu = new QMenu(this);
    QAction* edit = menu->addAction(QStringLiteral("&Edit..."), this, [this, index] { EditEvent(index); });
    edit->setEnabled(index >= 0);
    QAction* remove = menu->addAction(QStringLiteral("&Delete"), this, [this, index] { DeleteEvent(index); });
    remove->setEnabled(index >= 0);
    menu->addSeparator();
    QAction* undo = menu->addAction(QStringLiteral("&Undo"), this, [this] { view_.Undo(); });
    undo->setEnabled(doc.HasUndo());
    menu->addSeparator();
    QAction* wave = menu->addAction(QStringLiteral("Display Wave"), this, [this, medium] {
        if (medium != nullptr) {
            view_.DisplayWave(*medium);
        }
    });
    wave->setEnabled(medium != nullptr && medium->kind == kSampleKind);
    return menu;
}

void CGridBody::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = MakeMenu(event->pos());
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

}  // namespace tessaron
