#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>

#include "skin/SkinRecords.h"
#include "views/LevelMeter.h"
#include "views/PianoGeometry.h"

class QPainter;

namespace tessaron {

// The row of controls over every key of the piano: level meter, mute, solo, active, volume,
// pan, loop, hold and sync (the PIANO fields 1..9; a control's identifier is 100 x field +
// key). They are drawn on the keyboard's own surface rather than made child widgets: seven
// octaves hold 756 of them, and a window for each cost more than all the drawing. This class
// keeps where each one stands, its state and its images, finds the control under a point and
// paints them; the piano view turns clicks and drags into what the controls do.
class PianoControls {
public:
    enum class Kind { Meter, Button, Slider };
    static constexpr int kFirstField = 1;
    static constexpr int kLastField = 9;
    static constexpr int kFields = kLastField - kFirstField + 1;

    // How the controls of one field look; the same over every key.
    struct Look {
        Kind kind = Kind::Button;
        bool vertical = true;  // a slider's direction; a vertical one has its maximum at the top
        int minimum = 0;
        int maximum = 0;
        // A button: its off and on images. A slider: its track (`off`; none for a knob), its
        // thumb (`on`) and the thumb while it is dragged (`down`).
        QImage off;
        QImage on;
        QImage down;
        QSize size;      // stands for a w or h of -1 in the skin (a bitmap's size)
        QString label;   // what a button without images shows
        QString tooltip;
        QColor text, back, other;  // invalid: the kind's own colour
    };

    static constexpr int Id(int field, int key) { return 100 * field + key; }
    static constexpr int FieldOf(int id) { return id / 100; }
    static constexpr int KeyOf(int id) { return id % 100; }

    // The controls of every key of `geometry`, placed by the skin's fields (the placement rule
    // of PianoGeometry::ControlRect); `looks[field - 1]` is the look of field 1..9.
    void Build(const PianoGeometry& geometry, const skin::SkinSection& fields, const std::array<Look, kFields>& looks);
    void Clear();
    int KeyCount() const { return keys_; }
    int Count() const { return keys_ * kFields; }

    // Where a control stands; empty for none.
    QRect Rect(int field, int key) const;
    // The control under a point as its identifier, the last drawn where two overlap; -1 for
    // none. A meter takes no clicks: it is never the answer.
    int At(QPoint point) const;
    const Look& LookOf(int field) const { return looks_[Slot(field)]; }

    // Buttons. Setters answer whether the control changed (the caller redraws its Rect).
    bool Checked(int field, int key) const;
    bool SetChecked(int field, int key, bool on);
    // Sliders: the value, limited to the field's range.
    int Value(int field, int key) const;
    bool SetValue(int field, int key, int value);
    // The value a slider takes for a point, its thumb held `grab` pixels behind the thumb's
    // leading edge (its top, or left); -1 holds it by the middle.
    int ValueAt(int field, int key, QPoint point, int grab = -1) const;
    QRect ThumbRect(int field, int key) const;
    // Meters.
    bool FeedMeter(int key, float peak);
    double MeterShown(int key) const;

    // The control shown pressed (a button held down, a slider's thumb dragged); -1 none.
    void SetDown(int id) { down_ = id; }
    int Down() const { return down_; }
    // The union of every control's rectangle.
    QRect Extent() const;

    // Paints the controls that meet `clip`.
    void Paint(QPainter& painter, const QRect& clip) const;

private:
    struct KeyState {
        LevelMeter meter;
        uint32_t checked = 0;  // a bit per field
        std::array<int, kFields> values{};
    };

    static size_t Slot(int field) { return static_cast<size_t>(field - kFirstField); }
    bool Valid(int field, int key) const
    {
        return field >= kFirstField && field <= kLastField && key >= 0 && key < keys_;
    }
    QSize ThumbSize(const Look& look, QSize control) const;
    void PaintMeter(QPainter& painter, const Look& look, const QRect& rect, double shown) const;
    void PaintButton(QPainter& painter, const Look& look, const QRect& rect, bool lit) const;
    void PaintSlider(QPainter& painter, const Look& look, const QRect& rect, int value, bool down) const;

    std::array<Look, kFields> looks_;  // images already at the controls' size
    std::array<QRect, kFields> first_;  // each field's control over key 0
    std::vector<int32_t> offsets_;      // how far right of key 0's each key's controls stand
    std::vector<KeyState> states_;
    int keys_ = 0;
    int down_ = -1;
};

}  // namespace tessaron
