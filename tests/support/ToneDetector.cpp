#include "ToneDetector.h"

#include <algorithm>
#include <cmath>

namespace tessaron::test {

double ToneAmplitude(const float* samples, size_t count, size_t stride, double frequency,
                     double rate)
{
    if (count < 2) {
        return 0.0;
    }
    const double pi = std::acos(-1.0);
    const double coefficient = 2.0 * std::cos(2.0 * pi * frequency / rate);
    double s1 = 0.0;
    double s2 = 0.0;
    double windowSum = 0.0;
    for (size_t n = 0; n < count; ++n) {
        const double window = 0.5 - 0.5 * std::cos(2.0 * pi * n / (count - 1));
        windowSum += window;
        const double s0 = window * samples[n * stride] + coefficient * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    const double power = s1 * s1 + s2 * s2 - coefficient * s1 * s2;
    return 2.0 * std::sqrt(std::max(power, 0.0)) / windowSum;
}

double DominantFrequency(const float* samples, size_t count, size_t stride, double rate,
                         double low, double high, double step)
{
    auto best = [&](double from, double to, double by) {
        double frequency = from;
        double amplitude = -1.0;
        for (double f = from; f <= to; f += by) {
            const double a = ToneAmplitude(samples, count, stride, f, rate);
            if (a > amplitude) {
                amplitude = a;
                frequency = f;
            }
        }
        return frequency;
    };
    const double coarse = best(low, high, step);
    return best(std::max(low, coarse - step), std::min(high, coarse + step), step / 10.0);
}

double Rms(const float* samples, size_t count, size_t stride)
{
    double sum = 0.0;
    for (size_t n = 0; n < count; ++n) {
        sum += double(samples[n * stride]) * samples[n * stride];
    }
    return count ? std::sqrt(sum / count) : 0.0;
}

double Peak(const float* samples, size_t count, size_t stride)
{
    double peak = 0.0;
    for (size_t n = 0; n < count; ++n) {
        peak = std::max(peak, double(std::fabs(samples[n * stride])));
    }
    return peak;
}

double LargestStep(const float* samples, size_t count, size_t stride)
{
    double step = 0.0;
    for (size_t n = 1; n < count; ++n) {
        step = std::max(step, double(std::fabs(samples[n * stride] - samples[(n - 1) * stride])));
    }
    return step;
}

}  // namespace tessaron::test
