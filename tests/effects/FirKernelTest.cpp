#include <gtest/gtest.h>

#include <vector>

#include "effects/FirKernel.h"
#include "effects/PcmTestBuffer.h"

namespace tessaron {
namespace {

// Each vector version must give exactly the plain ordered sum, so that a filtered sample does
// not depend on the processor it was edited on.
TEST(FirKernel, EveryVersionEqualsThePlainSum)
{
    const FirTaps taps = DesignFir(FirKind::HighPass, 0.3);
    const std::size_t count = 3 * kFirKernelBlock;
    const auto noise = test::Noise(kFirTaps + count, 32768, 9);
    const std::vector<double> window(noise.begin(), noise.end());
    std::vector<double> expected(count);
    for (std::size_t j = 0; j < count; ++j) {
        double sum = 0.0;
        for (std::size_t i = 0; i < kFirTaps; ++i) {
            sum += taps[i] * window[kFirTaps - 1 + j - i];
        }
        expected[j] = sum;
    }
    int tested = 0;
    for (FirIsa isa : {FirIsa::Sse2, FirIsa::Avx2, FirIsa::Avx512}) {
        if (!FirIsaSupported(isa)) {
            continue;
        }
        std::vector<double> out(count, -1.0);
        FirConvolve(isa, taps, window.data(), out.data(), count);
        EXPECT_EQ(out, expected) << "version " << static_cast<int>(isa);
        ++tested;
    }
    EXPECT_GE(tested, 1);
    EXPECT_TRUE(FirIsaSupported(BestFirIsa()));
}

}  // namespace
}  // namespace tessaron
