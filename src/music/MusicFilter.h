#pragma once

#include <array>
#include <cstdint>

namespace tessaron {

// The fixed IIR sections of the music engine: three effect filters (a high-pass and two
// low-passes, second order) and the three equaliser bands (band-passes, fourth order). The
// input is divided by the kind's gain constant, then
//   y[n] = sum b[k] x[n-k] + sum c[k] y[n-k]   (k from 1 for the feedback terms).
// Each section keeps its own history, so every channel owns its sections.
enum class MusicFilterKind { HighPass1, LowPass2, LowPass3, Band1, Band2, Band3 };

class MusicFilter {
public:
    explicit MusicFilter(MusicFilterKind kind = MusicFilterKind::Band1) { SetKind(kind); }

    // Takes the kind's coefficients and forgets the history.
    void SetKind(MusicFilterKind kind);
    MusicFilterKind Kind() const { return kind_; }
    void Reset();
    double Process(double input);

private:
    static constexpr int kMaxOrder = 4;
    MusicFilterKind kind_ = MusicFilterKind::Band1;
    int order_ = 4;
    double gainConstant_ = 1.0;
    std::array<double, kMaxOrder + 1> b_{};  // b_[k] multiplies x[n-k]
    std::array<double, kMaxOrder + 1> c_{};  // c_[k] multiplies y[n-k], k >= 1
    std::array<double, kMaxOrder + 1> x_{};  // x_[k] = x[n-k] of the previous step
    std::array<double, kMaxOrder + 1> y_{};
};

}  // namespace tessaron
