#pragma once

#include <QColor>
#include <QWidget>

namespace tessaron {

// A key's level meter: a bar from the bottom (or the left, when wider than high) showing a
// level of 0..1 on a decibel scale of 48 dB, in the skin's colours: ct the bar, cb the
// background, co the part above -6 dB. Falls back slowly so that short peaks stay readable.
class CLevelMeter : public QWidget {
public:
    static constexpr double kRangeDb = 48.0;

    explicit CLevelMeter(QWidget* parent);

    void SetColours(QColor bar, QColor back, QColor hot);
    // A new peak, 0..1; the shown level rises at once and falls back by a step per call.
    void Feed(float peak);
    // The shown level on the meter's scale, 0..1.
    double Shown() const { return shown_; }
    // A peak of 0..1 on the meter's scale: -48 dB and below give 0, full scale 1.
    static double Scale(float peak);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double shown_ = 0.0;
    QColor bar_{90, 220, 120};
    QColor back_{20, 22, 26};
    QColor hot_{240, 80, 60};
};

}  // namespace tessaron
