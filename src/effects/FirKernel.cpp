#include "effects/FirKernel.h"

#include <cstring>

// A fused multiply-add rounds differently, and AVX-512 brings FMA with it: no contraction here.
#ifdef __clang__
#pragma clang fp contract(off)
#else
#pragma GCC optimize("fp-contract=off")
#endif

namespace tessaron {
namespace {

typedef double Vec2 __attribute__((vector_size(16)));
typedef double Vec4 __attribute__((vector_size(32)));
typedef double Vec8 __attribute__((vector_size(64)));

// Eight independent accumulators hide the latency of the additions; each tap is broadcast
// once per block of 8 vectors of outputs.
template <typename Vec>
[[gnu::always_inline]] inline void Convolve(const FirTaps& taps, const double* window, double* out,
                                            std::size_t count)
{
    constexpr int Lanes = sizeof(Vec) / sizeof(double);
    constexpr int kAccumulators = 8;
    constexpr std::size_t kBlock = kAccumulators * Lanes;
    static_assert(kFirKernelBlock % kBlock == 0);
    for (std::size_t j = 0; j < count; j += kBlock) {
        Vec acc[kAccumulators] = {};
        const double* in = window + kFirTaps - 1 + j;
        for (std::size_t i = 0; i < kFirTaps; ++i, --in) {
            const Vec tap = Vec{} + taps[i];
#pragma GCC unroll 8
            for (int a = 0; a < kAccumulators; ++a) {
                Vec x;
                std::memcpy(&x, in + a * Lanes, sizeof x);  // unaligned load
                const Vec product = tap * x;
                acc[a] += product;
            }
        }
        // One store per accumulator keeps them in registers (a store of the array would not).
#pragma GCC unroll 8
        for (int a = 0; a < kAccumulators; ++a) {
            std::memcpy(out + j + a * Lanes, &acc[a], sizeof(Vec));
        }
    }
}

[[gnu::target("avx512f")]] void ConvolveAvx512(const FirTaps& taps, const double* window, double* out,
                                               std::size_t count)
{
    Convolve<Vec8>(taps, window, out, count);
}

[[gnu::target("avx2")]] void ConvolveAvx2(const FirTaps& taps, const double* window, double* out,
                                          std::size_t count)
{
    Convolve<Vec4>(taps, window, out, count);
}

void ConvolveSse2(const FirTaps& taps, const double* window, double* out, std::size_t count)
{
    Convolve<Vec2>(taps, window, out, count);
}

}  // namespace

bool FirIsaSupported(FirIsa isa)
{
    switch (isa) {
    case FirIsa::Sse2: return true;  // part of x86-64
    case FirIsa::Avx2: return __builtin_cpu_supports("avx2");
    case FirIsa::Avx512: return __builtin_cpu_supports("avx512f");
    }
    return false;
}

FirIsa BestFirIsa()
{
    if (FirIsaSupported(FirIsa::Avx512)) {
        return FirIsa::Avx512;
    }
    return FirIsaSupported(FirIsa::Avx2) ? FirIsa::Avx2 : FirIsa::Sse2;
}

void FirConvolve(FirIsa isa, const FirTaps& taps, const double* window, double* out, std::size_t count)
{
    switch (isa) {
    case FirIsa::Avx512: ConvolveAvx512(taps, window, out, count); return;
    case FirIsa::Avx2: ConvolveAvx2(taps, window, out, count); return;
    case FirIsa::Sse2: ConvolveSse2(taps, window, out, count); return;
    }
}

void FirConvolve(const FirTaps& taps, const double* window, double* out, std::size_t count)
{
    FirConvolve(BestFirIsa(), taps, window, out, count);
}

}  // namespace tessaron
