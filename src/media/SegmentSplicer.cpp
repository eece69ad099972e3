#include "media/SegmentSplicer.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace tessaron {

namespace {

// a fading out while b fades in, linearly over count - 1 steps, rounded to nearest.
void CrossFade(const int16_t* a, const int16_t* b, int16_t* out, int count)
{
    const int steps = std::max(1, count - 1);
    const int half = steps / 2;
    for (int i = 0; i < count; ++i) {
        const int32_t mix = int32_t{a[i]} * (steps - i) + int32_t{b[i]} * i;
        out[i] = static_cast<int16_t>(mix >= 0 ? (mix + half) / steps : -((-mix + half) / steps));
    }
}

// Sum of |b[n] - a[n]|. Exact in 32 bits for the work area (4096 * 65535 < 2^31), which lets
// the compiler keep it in vector registers.
int64_t SumOfDistances(const int16_t* a, const int16_t* b, int count)
{
    int32_t sum = 0;
    for (int n = 0; n < count; ++n) {
        const int32_t d = int32_t{b[n]} - int32_t{a[n]};
        sum += d < 0 ? -d : d;
    }
    return sum;
}

}  // namespace

bool SegmentSplicer::Valid() const
{
    const auto& s = settings_;
    return std::isfinite(s.ratio) && s.ratio > 0.0f && s.window >= 65 && s.minLag >= 1 &&
           s.minLag <= 1024 && s.maxLag >= 1 && s.maxLag <= 1024 && s.window + s.maxLag < kWorkSamples;
}

int64_t SegmentSplicer::Difference(const int16_t* x, int lag) const
{
    return SumOfDistances(x, x + lag, settings_.window);
}

// The lag whose sum of |x[n + L] - x[n]| over the window is smallest, the first smallest
// winning. A wide range is searched coarsely first (every 4th lag on every 8th sample), then
// lag by lag around the coarse best: a period of the sound is found at a small part of the cost.
// The coarse sums read x in eight phases (x[8i + r]) copied side by side, so that each sum runs
// over neighbouring samples like the fine ones.
int SegmentSplicer::FindLag(const int16_t* x) const
{
    const int low = settings_.minLag;
    const int high = settings_.maxLag;
    if (high <= low) {
        return low;
    }
    int from = low;
    int to = high;
    if (high - low > 16) {
        const int terms = (settings_.window + 7) / 8;
        // The sums read below window + high, which the caller guarantees is there.
        const int phaseLength = terms + high / 8;
        const int readable = settings_.window + high;
        int16_t phases[8][kWorkSamples / 8 + 2];
        bool copied[8] = {};
        auto phase = [&](int r) {
            if (!copied[r]) {
                for (int i = 0; i < phaseLength && 8 * i + r < readable; ++i) {
                    phases[r][i] = x[8 * i + r];
                }
                copied[r] = true;
            }
            return phases[r];
        };
        const int16_t* start = phase(0);
        int coarse = low;
        int64_t coarseSum = INT64_MAX;
        for (int lag = low; lag <= high; lag += 4) {
            const int64_t sum = SumOfDistances(start, phase(lag % 8) + lag / 8, terms);
            if (sum < coarseSum) {
                coarseSum = sum;
                coarse = lag;
            }
        }
        from = std::max(low, coarse - 3);
        to = std::min(high, coarse + 3);
    }
    int best = from;
    int64_t bestSum = INT64_MAX;
    for (int lag = from; lag <= to; ++lag) {
        const int64_t sum = Difference(x, lag);
        if (sum < bestSum) {
            bestSum = sum;
            best = lag;
        }
    }
    return best;
}

// Samples to copy unchanged after a splice so that written / consumed meets the ratio again.
// Counting from the totals rather than from the splice's end carries every rounding error
// into the next copy, so the output never drifts from the ratio.
int64_t SegmentSplicer::NextCopy(int64_t written, int64_t consumed) const
{
    const double r = settings_.ratio;
    const double copy = (r * static_cast<double>(consumed) - static_cast<double>(written)) / (1.0 - r);
    return std::max<int64_t>(0, std::llround(copy));
}

// The end: one splice of exactly the difference between what is left on each side, then the
// rest unchanged, lands the sound's last samples on the output's last samples.
void SegmentSplicer::FinishAt(const int16_t* x, int64_t inLeft, int16_t* out, int64_t outLeft) const
{
    const int64_t difference = inLeft - outLeft;
    const int64_t lag = difference > 0 ? difference : -difference;
    if (lag > 0 && 2 * lag <= inLeft && lag <= 1024) {
        const int n = static_cast<int>(lag);
        if (difference > 0) {
            CrossFade(x, x + n, out, n);
            x += 2 * n;
            inLeft -= 2 * n;
            out += n;
            outLeft -= n;
        } else if (2 * lag <= outLeft) {
            std::memcpy(out, x, static_cast<size_t>(n) * sizeof(int16_t));
            CrossFade(x + n, x, out + n, n);
            x += n;
            inLeft -= n;
            out += 2 * n;
            outLeft -= 2 * n;
        }
    }
    const int64_t rest = std::min(inLeft, outLeft);
    std::memcpy(out, x, static_cast<size_t>(rest) * sizeof(int16_t));
    std::memset(out + rest, 0, static_cast<size_t>(outLeft - rest) * sizeof(int16_t));
}

bool SegmentSplicer::Run(const int16_t* in, int64_t inCount, int16_t* out, int64_t outCount) const
{
    if (!Valid() || inCount < 0 || outCount < 0) {
        return false;
    }
    const bool lengthen = settings_.ratio > 1.0f;
    const int lagHigh = std::max(settings_.minLag, settings_.maxLag);
    const int64_t need = std::max(settings_.window + lagHigh, 2 * lagHigh);
    int64_t consumed = 0;
    int64_t written = 0;
    while (written < outCount) {
        const int64_t inLeft = inCount - consumed;
        const int64_t outLeft = outCount - written;
        // Once what is left to gain or lose fits in one splice, that splice ends the work.
        const int64_t difference = inLeft - outLeft;
        if (settings_.ratio == 1.0f || inLeft < need || std::abs(difference) <= lagHigh) {
            FinishAt(in + consumed, inLeft, out + written, outLeft);
            return true;
        }
        const int16_t* x = in + consumed;
        const int lag = FindLag(x);
        if (lengthen) {
            // x[0..L), then x[L..2L) fading into x[0..L): one period sounds twice, and the
            // sound goes on from x[L].
            int16_t splice[2 * 1024];
            std::memcpy(splice, x, static_cast<size_t>(lag) * sizeof(int16_t));
            CrossFade(x + lag, x, splice + lag, lag);
            const int64_t n = std::min<int64_t>(2 * lag, outLeft);
            std::memcpy(out + written, splice, static_cast<size_t>(n) * sizeof(int16_t));
            written += n;
            consumed += lag;
        } else {
            // x[0..L) fading into x[L..2L): one period is left out.
            int16_t splice[1024];
            CrossFade(x, x + lag, splice, lag);
            const int64_t n = std::min<int64_t>(lag, outLeft);
            std::memcpy(out + written, splice, static_cast<size_t>(n) * sizeof(int16_t));
            written += n;
            consumed += 2 * lag;
        }
        const int64_t copy =
            std::min({NextCopy(written, consumed), inCount - consumed, outCount - written});
        std::memcpy(out + written, in + consumed, static_cast<size_t>(copy) * sizeof(int16_t));
        written += copy;
        consumed += copy;
    }
    return true;
}

}  // namespace tessaron
