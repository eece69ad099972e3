#pragma once

#include <cstdint>
#include <type_traits>

namespace tessaron::hermite {

// Four-point cubic Hermite (Catmull-Rom) weights for the taps at -1, 0, 1, 2 around a fraction t.
struct Weights {
    float w0, w1, w2, w3;
};

inline Weights At(float t)
{
    const float t2 = t * t;
    const float t3 = t2 * t;
    return {0.5f * (2.0f * t2 - t3 - t), 1.0f + 0.5f * (3.0f * t3 - 5.0f * t2),
            0.5f * (t + 4.0f * t2 - 3.0f * t3), 0.5f * (t3 - t2)};
}

// Positions are 32.32 fixed point in frames of the source.
inline constexpr float kFraction = 1.0f / 4294967296.0f;

// 8-bit data is unsigned with 128 as silence; 16-bit data is signed.
template <typename S>
inline float Value(S s)
{
    if constexpr (std::is_same_v<S, uint8_t>) {
        return static_cast<float>(static_cast<int>(s) - 128);
    } else {
        return static_cast<float>(s);
    }
}

template <typename S>
inline constexpr float kScale = std::is_same_v<S, uint8_t> ? 1.0f / 128.0f : 1.0f / 32768.0f;

// Adds `count` resampled frames of interleaved data into a stereo bus, with gains stepping by
// (dl, dr) each frame. Every tap must lie inside the data: the caller handles the edges.
// Audio thread.
template <typename S, int Channels>
inline void MixInside_RT(const S* data, uint64_t& pos, uint64_t step, float* bus, uint32_t count,
                         float& gl, float& gr, float dl, float dr)
{
    constexpr float scale = kScale<S>;
    float a = gl * scale;
    float b = gr * scale;
    const float da = dl * scale;
    const float db = dr * scale;
    uint64_t p = pos;
    for (uint32_t k = 0; k < count; ++k) {
        const S* s = data + ((p >> 32) - 1) * Channels;
        const Weights w = At(static_cast<float>(p & 0xFFFFFFFFu) * kFraction);
        a += da;
        b += db;
        if constexpr (Channels == 2) {
            const float left = w.w0 * Value(s[0]) + w.w1 * Value(s[2]) + w.w2 * Value(s[4]) +
                               w.w3 * Value(s[6]);
            const float right = w.w0 * Value(s[1]) + w.w1 * Value(s[3]) + w.w2 * Value(s[5]) +
                                w.w3 * Value(s[7]);
            bus[2 * k] += left * a;
            bus[2 * k + 1] += right * b;
        } else {
            const float mono = w.w0 * Value(s[0]) + w.w1 * Value(s[1]) + w.w2 * Value(s[2]) +
                               w.w3 * Value(s[3]);
            bus[2 * k] += mono * a;
            bus[2 * k + 1] += mono * b;
        }
        p += step;
    }
    pos = p;
    gl = a / scale;
    gr = b / scale;
}

}  // namespace tessaron::hermite
