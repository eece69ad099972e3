#pragma once

namespace tessaron {

// A key's level meter: the level of 0..1 it shows on a decibel scale of 48 dB. A new peak
// shows at once; without one the level falls back slowly, so that short peaks stay readable.
class LevelMeter {
public:
    static constexpr double kRangeDb = 48.0;
    // From this part of the scale up (-6 dB) the meter draws in its "hot" colour.
    static constexpr double kHotFrom = 1.0 - 6.0 / kRangeDb;

    // A new peak, 0..1; answers whether the shown level changed.
    bool Feed(float peak);
    // The shown level on the meter's scale, 0..1.
    double Shown() const { return shown_; }
    // A peak of 0..1 on the meter's scale: -48 dB and below give 0, full scale 1.
    static double Scale(float peak);

private:
    double shown_ = 0.0;
};

}  // namespace tessaron
