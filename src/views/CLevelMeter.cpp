#include "views/CLevelMeter.h"

#include <algorithm>
#include <cmath>

#include <QPainter>

namespace tessaron {

namespace {

// What the shown level loses per feed (about 30 feeds a second): the whole scale in a second.
constexpr double kFallPerFeed = 1.0 / 30.0;
constexpr double kHotFrom = 1.0 - 6.0 / CLevelMeter::kRangeDb;

}  // namespace

CLevelMeter::CLevelMeter(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_OpaquePaintEvent); }

void CLevelMeter::SetColours(QColor bar, QColor back, QColor hot)
{
    if (bar.isValid()) {
        bar_ = bar;
    }
    if (back.isValid()) {
        back_ = back;
    }
    if (hot.isValid()) {
        hot_ = hot;
    }
}

double CLevelMeter::Scale(float peak)
{
    if (!(peak > 0.0f)) {
        return 0.0;
    }
    const double db = 20.0 * std::log10(std::min(1.0, static_cast<double>(peak)));
    return std::clamp(1.0 + db / kRangeDb, 0.0, 1.0);
}

void CLevelMeter::Feed(float peak)
{
    const double level = std::max(Scale(peak), shown_ - kFallPerFeed);
    const double shown = std::max(0.0, level);
    if (shown != shown_) {
        shown_ = shown;
        update();
    }
}

void CLevelMeter::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), back_);
    if (shown_ <= 0.0) {
        return;
    }
    const bool vertical = height() >= width();
    const int length = vertical ? height() : width();
    const int lit = static_cast<int>(std::lround(shown_ * length));
    const int hotFrom = static_cast<int>(std::lround(kHotFrom * length));
    auto band = [&](int from, int to, QColor colour) {
        if (to <= from) {
            return;
        }
        if (vertical) {
            painter.fillRect(0, height() - to, width(), to - from, colour);
        } else {
            painter.fillRect(from, 0, to - from, height(), colour);
        }
    };
    band(0, std::min(lit, hotFrom), bar_);
    band(hotFrom, lit, hot_);
}

}  // namespace tessaron
