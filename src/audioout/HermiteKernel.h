#pragma once

#include <cstdint>
#include <type_traits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
inline void MixScalar_RT(const S* data, uint64_t& pos, uint64_t step, float* bus, uint32_t count,
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

#if defined(__SSE2__)

// Four frames at a time, lanes being frames: the weights from the four fractions, the taps
// gathered with one unaligned load per frame and transposed.
inline void WeightsX4(__m128 t, __m128& w0, __m128& w1, __m128& w2, __m128& w3)
{
    const __m128 half = _mm_set1_ps(0.5f);
    const __m128 t2 = _mm_mul_ps(t, t);
    const __m128 t3 = _mm_mul_ps(t2, t);
    w0 = _mm_mul_ps(half, _mm_sub_ps(_mm_sub_ps(_mm_add_ps(t2, t2), t3), t));
    w1 = _mm_add_ps(_mm_set1_ps(1.0f),
                    _mm_mul_ps(half, _mm_sub_ps(_mm_mul_ps(_mm_set1_ps(3.0f), t3),
                                                _mm_mul_ps(_mm_set1_ps(5.0f), t2))));
    w2 = _mm_mul_ps(half, _mm_sub_ps(_mm_add_ps(t, _mm_mul_ps(_mm_set1_ps(4.0f), t2)),
                                     _mm_mul_ps(_mm_set1_ps(3.0f), t3)));
    w3 = _mm_mul_ps(half, _mm_sub_ps(t3, t2));
}

inline __m128 FractionsX4(uint64_t p0, uint64_t p1, uint64_t p2, uint64_t p3)
{
    auto f = [](uint64_t p) { return static_cast<int>((p & 0xFFFFFFFFu) >> 8); };
    return _mm_mul_ps(_mm_cvtepi32_ps(_mm_set_epi32(f(p3), f(p2), f(p1), f(p0))),
                      _mm_set1_ps(1.0f / 16777216.0f));
}

inline __m128 Dot4(__m128 w0, __m128 x0, __m128 w1, __m128 x1, __m128 w2, __m128 x2, __m128 w3, __m128 x3)
{
    return _mm_add_ps(_mm_add_ps(_mm_mul_ps(w0, x0), _mm_mul_ps(w1, x1)),
                      _mm_add_ps(_mm_mul_ps(w2, x2), _mm_mul_ps(w3, x3)));
}

// Adds four frames of left and right to the bus, the gains ramping frame by frame.
inline void AddX4(float* bus, __m128 left, __m128 right, float& a, float& b, float da, float db)
{
    const __m128 ramp = _mm_set_ps(4.0f, 3.0f, 2.0f, 1.0f);
    left = _mm_mul_ps(left, _mm_add_ps(_mm_set1_ps(a), _mm_mul_ps(_mm_set1_ps(da), ramp)));
    right = _mm_mul_ps(right, _mm_add_ps(_mm_set1_ps(b), _mm_mul_ps(_mm_set1_ps(db), ramp)));
    a += 4.0f * da;
    b += 4.0f * db;
    _mm_storeu_ps(bus, _mm_add_ps(_mm_loadu_ps(bus), _mm_unpacklo_ps(left, right)));
    _mm_storeu_ps(bus + 4, _mm_add_ps(_mm_loadu_ps(bus + 4), _mm_unpackhi_ps(left, right)));
}

template <int Channels>
inline uint32_t MixX4_RT(const int16_t* data, uint64_t& pos, uint64_t step, float* bus,
                         uint32_t count, float& a, float& b, float da, float db)
{
    uint64_t p = pos;
    uint32_t k = 0;
    for (; k + 4 <= count; k += 4) {
        const uint64_t p0 = p, p1 = p0 + step, p2 = p1 + step, p3 = p2 + step;
        p = p3 + step;
        __m128 w0, w1, w2, w3;
        WeightsX4(FractionsX4(p0, p1, p2, p3), w0, w1, w2, w3);
        auto at = [data](uint64_t q) { return data + ((q >> 32) - 1) * Channels; };
        if constexpr (Channels == 2) {
            const __m128i f0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at(p0)));
            const __m128i f1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at(p1)));
            const __m128i f2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at(p2)));
            const __m128i f3 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at(p3)));
            const __m128i lo01 = _mm_unpacklo_epi32(f0, f1), lo23 = _mm_unpacklo_epi32(f2, f3);
            const __m128i hi01 = _mm_unpackhi_epi32(f0, f1), hi23 = _mm_unpackhi_epi32(f2, f3);
            // Tap k of the four frames as left/right pairs in 32-bit lanes.
            const __m128i x0 = _mm_unpacklo_epi64(lo01, lo23), x1 = _mm_unpackhi_epi64(lo01, lo23);
            const __m128i x2 = _mm_unpacklo_epi64(hi01, hi23), x3 = _mm_unpackhi_epi64(hi01, hi23);
            auto L = [](__m128i x) { return _mm_cvtepi32_ps(_mm_srai_epi32(_mm_slli_epi32(x, 16), 16)); };
            auto R = [](__m128i x) { return _mm_cvtepi32_ps(_mm_srai_epi32(x, 16)); };
            AddX4(bus + 2 * k, Dot4(w0, L(x0), w1, L(x1), w2, L(x2), w3, L(x3)),
                  Dot4(w0, R(x0), w1, R(x1), w2, R(x2), w3, R(x3)), a, b, da, db);
        } else {
            const __m128i f0 = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(at(p0)));
            const __m128i f1 = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(at(p1)));
            const __m128i f2 = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(at(p2)));
            const __m128i f3 = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(at(p3)));
            const __m128i m = _mm_unpacklo_epi16(f0, f1), n = _mm_unpacklo_epi16(f2, f3);
            const __m128i x01 = _mm_unpacklo_epi32(m, n), x23 = _mm_unpackhi_epi32(m, n);
            auto lo = [](__m128i x) { return _mm_cvtepi32_ps(_mm_srai_epi32(_mm_unpacklo_epi16(x, x), 16)); };
            auto hi = [](__m128i x) { return _mm_cvtepi32_ps(_mm_srai_epi32(_mm_unpackhi_epi16(x, x), 16)); };
            const __m128 mono = Dot4(w0, lo(x01), w1, hi(x01), w2, lo(x23), w3, hi(x23));
            AddX4(bus + 2 * k, mono, mono, a, b, da, db);
        }
    }
    pos = p;
    return k;
}

#endif

template <typename S, int Channels>
inline void MixInside_RT(const S* data, uint64_t& pos, uint64_t step, float* bus, uint32_t count,
                         float& gl, float& gr, float dl, float dr)
{
#if defined(__SSE2__)
    if constexpr (std::is_same_v<S, int16_t>) {
        constexpr float scale = kScale<S>;
        float a = gl * scale;
        float b = gr * scale;
        const uint32_t done = MixX4_RT<Channels>(data, pos, step, bus, count, a, b, dl * scale, dr * scale);
        gl = a / scale;
        gr = b / scale;
        MixScalar_RT<S, Channels>(data, pos, step, bus + 2 * done, count - done, gl, gr, dl, dr);
        return;
    }
#endif
    MixScalar_RT<S, Channels>(data, pos, step, bus, count, gl, gr, dl, dr);
}

}  // namespace tessaron::hermite
