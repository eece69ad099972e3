#pragma once

#include <cstddef>

#include "effects/FirFilter.h"

namespace tessaron {

// Outputs are computed in blocks of this many; callers pad their window to whole blocks.
inline constexpr std::size_t kFirKernelBlock = 64;

// The vector units the kernel has a version for.
enum class FirIsa { Sse2, Avx2, Avx512 };

bool FirIsaSupported(FirIsa isa);
FirIsa BestFirIsa();

// out[j] = Σ taps[i] × window[kFirTaps − 1 + j − i] for j in [0, count), summed over i in order,
// count a multiple of kFirKernelBlock. Every version rounds each output the same way (no fused
// multiply-add), so results do not depend on the processor. The isa must be supported.
void FirConvolve(FirIsa isa, const FirTaps& taps, const double* window, double* out, std::size_t count);

// With the widest supported version.
void FirConvolve(const FirTaps& taps, const double* window, double* out, std::size_t count);

}  // namespace tessaron
