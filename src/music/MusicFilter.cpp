#include "music/MusicFilter.h"

#include <cstddef>

namespace tessaron {

namespace {

struct Coefficients {
    int order;
    double gainConstant;
    std::array<double, 5> b;
    std::array<double, 5> c;
};

Coefficients CoefficientsOf(MusicFilterKind kind)
{
    switch (kind) {
    case MusicFilterKind::HighPass1:
        return {2, 1.020353514, {1, -2, 1, 0, 0}, {0, 1.9597070338, -0.9605029194, 0, 0}};
    case MusicFilterKind::LowPass2:
        return {2, 828.2223798, {1, 2, 1, 0, 0}, {0, 1.8993334201, -0.9041630409, 0, 0}};
    case MusicFilterKind::LowPass3:
        return {2, 28.74716621, {1, 2, 1, 0, 0}, {0, 1.4075053439, -0.5466494937, 0, 0}};
    case MusicFilterKind::Band1:
        return {4, 877.2742527, {1, 0, -2, 0, 1}, {0, 3.9029580145, -5.7137487895, 3.7186047366, -0.907814001}};
    case MusicFilterKind::Band2:
        return {4, 12.6229917, {1, 0, -2, 0, 1}, {0, 3.0391400527, -3.4739833395, 1.816973402, -0.3824030731}};
    case MusicFilterKind::Band3:
        break;
    }
    return {4, 1.507818286, {1, 0, -2, 0, 1}, {0, 0.009894966, 1.2095426551, -0.0040442448, -0.4432602843}};
}

}  // namespace

void MusicFilter::SetKind(MusicFilterKind kind)
{
    const Coefficients coefficients = CoefficientsOf(kind);
    kind_ = kind;
    order_ = coefficients.order;
    gainConstant_ = coefficients.gainConstant;
    b_ = coefficients.b;
    c_ = coefficients.c;
    Reset();
}

void MusicFilter::Reset()
{
    x_.fill(0.0);
    y_.fill(0.0);
}

double MusicFilter::Process(double input)
{
    const double x = input / gainConstant_;
    double y = b_[0] * x;
    for (int k = 1; k <= order_; ++k) {
        y += b_[static_cast<size_t>(k)] * x_[static_cast<size_t>(k)] + c_[static_cast<size_t>(k)] * y_[static_cast<size_t>(k)];
    }
    for (int k = order_; k > 1; --k) {
        x_[static_cast<size_t>(k)] = x_[static_cast<size_t>(k - 1)];
        y_[static_cast<size_t>(k)] = y_[static_cast<size_t>(k - 1)];
    }
    // A decaying history would sink into denormal numbers, which cost many times a normal one.
    if (y > -1e-20 && y < 1e-20) {
        y = 0.0;
    }
    x_[1] = x;
    y_[1] = y;
    return y;
}

}  // namespace tessaron
