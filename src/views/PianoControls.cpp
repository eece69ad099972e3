#include "views/PianoControls.h"

#include <algorithm>
#include <cmath>

#include <QFont>
#include <QPainter>
#include <QStyle>

namespace tessaron {

namespace {

// The kinds' own colours, where the skin gives none.
const QColor kButtonText(Qt::black);
const QColor kButtonBack(192, 192, 192);
const QColor kButtonOn(255, 200, 60);
const QColor kThumb(200, 200, 200);
const QColor kSliderBack(38, 40, 46);
const QColor kMeterBar(90, 220, 120);
const QColor kMeterBack(20, 22, 26);
const QColor kMeterHot(240, 80, 60);

QColor Or(const QColor& colour, const QColor& fallback) { return colour.isValid() ? colour : fallback; }

QImage Ready(const QImage& image, QSize size = {})
{
    if (image.isNull()) {
        return {};
    }
    const QImage sized = size.isEmpty() || image.size() == size ? image : image.scaled(size);
    return sized.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

}  // namespace

void PianoControls::Build(const PianoGeometry& geometry, const skin::SkinSection& fields,
                          const std::array<Look, kFields>& looks)
{
    Clear();
    keys_ = geometry.KeyCount();
    offsets_.resize(static_cast<size_t>(keys_));
    for (int key = 0; key < keys_; ++key) {
        offsets_[static_cast<size_t>(key)] = geometry.ControlOffset(key);
    }
    for (int field = kFirstField; field <= kLastField; ++field) {
        const size_t slot = Slot(field);
        Look look = looks[slot];
        const skin::SkinField none;
        const skin::SkinField& record =
            static_cast<size_t>(field) < fields.fields.size() ? fields.fields[static_cast<size_t>(field)] : none;
        const PianoGeometry::Rect r = geometry.ControlRect(record, 0, look.size.width(), look.size.height());
        first_[slot] = QRect(r.x, r.y, std::max(0, r.w), std::max(0, r.h));
        // Every key's control of a field has the same size: the images are made ready once.
        const QSize size = first_[slot].size();
        if (look.kind == Kind::Button) {
            look.off = Ready(look.off, size);
            look.on = Ready(look.on, size);
        } else if (look.kind == Kind::Slider) {
            look.off = Ready(look.off, size);
            look.on = Ready(look.on);
            look.down = Ready(look.down);
        }
        if (look.maximum < look.minimum) {
            std::swap(look.minimum, look.maximum);
        }
        looks_[slot] = std::move(look);
    }
    states_.assign(static_cast<size_t>(keys_), {});
    for (KeyState& state : states_) {
        for (int field = kFirstField; field <= kLastField; ++field) {
            const Look& look = looks_[Slot(field)];
            state.values[Slot(field)] = std::clamp(0, look.minimum, look.maximum);
        }
    }
}

void PianoControls::Clear()
{
    looks_ = {};
    first_ = {};
    offsets_.clear();
    states_.clear();
    keys_ = 0;
    down_ = -1;
}

QRect PianoControls::Rect(int field, int key) const
{
    if (!Valid(field, key)) {
        return {};
    }
    return first_[Slot(field)].translated(offsets_[static_cast<size_t>(key)], 0);
}

int PianoControls::At(QPoint point) const
{
    for (int field = kLastField; field >= kFirstField; --field) {
        const QRect& first = first_[Slot(field)];
        // A field's controls stand in one row: most fields are passed over by the point's y.
        if (looks_[Slot(field)].kind == Kind::Meter || first.isEmpty() || point.y() < first.top() ||
            point.y() > first.bottom()) {
            continue;
        }
        for (int key = keys_ - 1; key >= 0; --key) {
            if (first.translated(offsets_[static_cast<size_t>(key)], 0).contains(point)) {
                return Id(field, key);
            }
        }
    }
    return -1;
}

bool PianoControls::Checked(int field, int key) const
{
    return Valid(field, key) && (states_[static_cast<size_t>(key)].checked & (1u << field)) != 0;
}

bool PianoControls::SetChecked(int field, int key, bool on)
{
    if (!Valid(field, key) || Checked(field, key) == on) {
        return false;
    }
    states_[static_cast<size_t>(key)].checked ^= 1u << field;
    return true;
}

int PianoControls::Value(int field, int key) const
{
    return Valid(field, key) ? states_[static_cast<size_t>(key)].values[Slot(field)] : 0;
}

bool PianoControls::SetValue(int field, int key, int value)
{
    if (!Valid(field, key)) {
        return false;
    }
    const Look& look = looks_[Slot(field)];
    int& stored = states_[static_cast<size_t>(key)].values[Slot(field)];
    value = std::clamp(value, look.minimum, look.maximum);
    if (stored == value) {
        return false;
    }
    stored = value;
    return true;
}

QSize PianoControls::ThumbSize(const Look& look, QSize control) const
{
    QSize thumb = look.on.isNull() ? QSize() : look.on.size();
    if (thumb.isEmpty()) {
        thumb = look.vertical ? QSize(control.width(), std::max(4, std::min(8, control.height() / 5)))
                              : QSize(std::max(4, std::min(8, control.width() / 5)), control.height());
    }
    return thumb.boundedTo(control);
}

QRect PianoControls::ThumbRect(int field, int key) const
{
    if (!Valid(field, key) || looks_[Slot(field)].kind != Kind::Slider) {
        return {};
    }
    const Look& look = looks_[Slot(field)];
    const QRect rect = Rect(field, key);
    const QSize thumb = ThumbSize(look, rect.size());
    const int span = std::max(0, look.vertical ? rect.height() - thumb.height() : rect.width() - thumb.width());
    const int position =
        QStyle::sliderPositionFromValue(look.minimum, look.maximum, Value(field, key), span, look.vertical);
    return look.vertical ? QRect(QPoint(rect.x() + (rect.width() - thumb.width()) / 2, rect.y() + position), thumb)
                         : QRect(QPoint(rect.x() + position, rect.y() + (rect.height() - thumb.height()) / 2), thumb);
}

int PianoControls::ValueAt(int field, int key, QPoint point, int grab) const
{
    if (!Valid(field, key) || looks_[Slot(field)].kind != Kind::Slider) {
        return 0;
    }
    const Look& look = looks_[Slot(field)];
    const QRect rect = Rect(field, key);
    const QSize thumb = ThumbSize(look, rect.size());
    const int span = std::max(0, look.vertical ? rect.height() - thumb.height() : rect.width() - thumb.width());
    if (grab < 0) {
        grab = look.vertical ? thumb.height() / 2 : thumb.width() / 2;
    }
    // Where the thumb's leading edge stands with the point `grab` pixels behind it.
    const int position = look.vertical ? point.y() - grab - rect.y() : point.x() - grab - rect.x();
    return QStyle::sliderValueFromPosition(look.minimum, look.maximum, std::clamp(position, 0, span), span,
                                           look.vertical);
}

bool PianoControls::FeedMeter(int key, float peak)
{
    return key >= 0 && key < keys_ && states_[static_cast<size_t>(key)].meter.Feed(peak);
}

double PianoControls::MeterShown(int key) const
{
    return key >= 0 && key < keys_ ? states_[static_cast<size_t>(key)].meter.Shown() : 0.0;
}

QRect PianoControls::Extent() const
{
    QRect extent;
    if (keys_ == 0) {
        return extent;
    }
    for (int field = kFirstField; field <= kLastField; ++field) {
        extent |= Rect(field, 0);
        extent |= Rect(field, keys_ - 1);
    }
    return extent;
}

void PianoControls::Paint(QPainter& painter, const QRect& clip) const
{
    for (int field = kFirstField; field <= kLastField; ++field) {
        const size_t slot = Slot(field);
        const QRect& first = first_[slot];
        if (first.isEmpty() || first.bottom() < clip.top() || first.top() > clip.bottom()) {
            continue;
        }
        const Look& look = looks_[slot];
        if (look.kind == Kind::Button && look.off.isNull()) {
            QFont font = painter.font();
            font.setPixelSize(std::max(6, std::min(first.height() - 2, 11)));
            painter.setFont(font);  // once for the row of labels
        }
        for (int key = 0; key < keys_; ++key) {
            const QRect rect = first.translated(offsets_[static_cast<size_t>(key)], 0);
            if (!rect.intersects(clip)) {
                continue;
            }
            const KeyState& state = states_[static_cast<size_t>(key)];
            const bool down = down_ == Id(field, key);
            switch (look.kind) {
            case Kind::Meter: PaintMeter(painter, look, rect, state.meter.Shown()); break;
            case Kind::Button: PaintButton(painter, look, rect, down || (state.checked & (1u << field)) != 0); break;
            case Kind::Slider: PaintSlider(painter, look, rect, state.values[slot], down); break;
            }
        }
    }
}

void PianoControls::PaintMeter(QPainter& painter, const Look& look, const QRect& rect, double shown) const
{
    painter.fillRect(rect, Or(look.back, kMeterBack));
    if (shown <= 0.0) {
        return;
    }
    // A bar from the bottom, or from the left when the meter is wider than high.
    const bool vertical = rect.height() >= rect.width();
    const int length = vertical ? rect.height() : rect.width();
    const int lit = static_cast<int>(std::lround(shown * length));
    const int hotFrom = static_cast<int>(std::lround(LevelMeter::kHotFrom * length));
    const auto band = [&](int from, int to, const QColor& colour) {
        if (to <= from) {
            return;
        }
        if (vertical) {
            painter.fillRect(rect.x(), rect.y() + rect.height() - to, rect.width(), to - from, colour);
        } else {
            painter.fillRect(rect.x() + from, rect.y(), to - from, rect.height(), colour);
        }
    };
    band(0, std::min(lit, hotFrom), Or(look.text, kMeterBar));
    band(hotFrom, lit, Or(look.other, kMeterHot));
}

void PianoControls::PaintButton(QPainter& painter, const Look& look, const QRect& rect, bool lit) const
{
    const QImage& image = lit && !look.on.isNull() ? look.on : look.off;
    if (!image.isNull()) {
        painter.drawImage(rect.topLeft(), image);
        if (lit && look.on.isNull()) {
            const QColor on = Or(look.other, kButtonOn);
            painter.fillRect(rect, QColor(on.red(), on.green(), on.blue(), 110));
        }
        return;
    }
    // Without images: a framed box with a short label, filled when on, so that it still works.
    painter.fillRect(rect, lit ? Or(look.other, kButtonOn) : Or(look.back, kButtonBack));
    painter.setPen(Or(look.text, kButtonText));
    painter.drawRect(rect.adjusted(0, 0, -1, -1));
    if (!look.label.isEmpty() && rect.width() >= 6 && rect.height() >= 6) {
        painter.drawText(rect, Qt::AlignCenter, look.label);
    }
}

void PianoControls::PaintSlider(QPainter& painter, const Look& look, const QRect& rect, int value, bool down) const
{
    const QColor thumbColour = Or(look.text, kThumb);
    if (look.off.isNull()) {
        painter.fillRect(rect, Or(look.back, kSliderBack));
        const QRect groove = look.vertical ? QRect(rect.x() + rect.width() / 2 - 1, rect.y(), 2, rect.height())
                                           : QRect(rect.x(), rect.y() + rect.height() / 2 - 1, rect.width(), 2);
        painter.fillRect(groove, thumbColour.darker(160));
    } else {
        painter.drawImage(rect.topLeft(), look.off);
    }
    const QImage& image = down && !look.down.isNull() ? look.down : look.on;
    const QSize thumb = ThumbSize(look, rect.size());
    const int span = std::max(0, look.vertical ? rect.height() - thumb.height() : rect.width() - thumb.width());
    const int position = QStyle::sliderPositionFromValue(look.minimum, look.maximum, value, span, look.vertical);
    const QRect at = look.vertical
                         ? QRect(QPoint(rect.x() + (rect.width() - thumb.width()) / 2, rect.y() + position), thumb)
                         : QRect(QPoint(rect.x() + position, rect.y() + (rect.height() - thumb.height()) / 2), thumb);
    if (image.isNull()) {
        painter.fillRect(at, down ? thumbColour.lighter(130) : thumbColour);
    } else if (image.size() == at.size()) {
        painter.drawImage(at.topLeft(), image);
    } else {
        painter.drawImage(at, image);
    }
}

}  // namespace tessaron
