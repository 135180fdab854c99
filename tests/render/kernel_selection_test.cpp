// Every engine chooses its kernels the same way, and BRIVO_NO_SIMD takes effect at the next
// selection, even after the vector tables have been used in the same process.
#include <gtest/gtest.h>

#include <cstdlib>

#include "core/simd_dispatch.h"
#include "image/box_blur.h"
#include "image/scale_kernels.h"
#include "render/compositing.h"
#include "render/corner_pin_warp.h"
#include "render/light_mask.h"
#include "render/matte.h"

namespace brivo {
namespace {

class KernelSelectionTest : public ::testing::Test {
  protected:
    void TearDown() override { unsetenv("BRIVO_NO_SIMD"); }
};

TEST_F(KernelSelectionTest, EveryEngineFollowsNoSimdAtItsNextSelection) {
    if (!cpuHasAvx2()) GTEST_SKIP() << "no AVX2 on this CPU";
    for (const char* value : {"0", "1", "0"}) {
        setenv("BRIVO_NO_SIMD", value, 1);
        const bool vector = value[0] == '0';
        EXPECT_EQ(&boxBlurKernels(), vector ? &avx2BoxBlurKernels() : &scalarBoxBlurKernels());
        EXPECT_EQ(&fx::scaleKernels(),
                  vector ? &fx::avx2ScaleKernels() : &fx::scalarScaleKernels());
        EXPECT_EQ(&compositingKernels(),
                  vector ? &avx2CompositingKernels() : &scalarCompositingKernels());
        EXPECT_EQ(&lightMaskKernels(),
                  vector ? &avx2LightMaskKernels() : &scalarLightMaskKernels());
        EXPECT_EQ(&matteKernels(), vector ? &avx2MatteKernels() : &scalarMatteKernels());
        EXPECT_EQ(&cornerPinKernels() == &avx2CornerPinKernels(), vector);
    }
}

TEST_F(KernelSelectionTest, OnlyTheExactValueOneTurnsVectorsOff) {
    for (const char* value : {"", "0", "yes", "10", "1 "}) {
        setenv("BRIVO_NO_SIMD", value, 1);
        EXPECT_TRUE(simdAllowed()) << '"' << value << '"';
    }
    setenv("BRIVO_NO_SIMD", "1", 1);
    EXPECT_FALSE(simdAllowed());
}

}  // namespace
}  // namespace brivo
