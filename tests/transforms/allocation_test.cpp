// Allocation failures the reliability sweep cannot reach: a kernel that
// trusts its caller's lengths, a specific partial output, and inputs of
// unequal lengths. Every other allocation of the transforms is failed by
// the sweep (tests/sweep), at lengths 9, 16, 12, 192 and the prime 211.
#include "support/prelude.h"

#include <orin/transforms.h>

#include "dft_reference.h"

// A whole prime by chirp-z, interleaved: the convolution block and a copy.
ORIN_ALLOCATION_CASE(SinglePrimeUsingChirpZ, 2) {
    const auto re = randomDoubles(257, 5);
    const auto before = interleave(re, {});
    auto c = before;
    const int32_t code = inj.call([&] { return SinglePrimeUsingChirpZ(&c[0], &c[1], 257, 1024, 1, 2); });
    EXPECT_EQ(code, inj.failing() ? kErrOutOfMemory : 0);
    if (inj.failing()) { EXPECT_EQ(c, before); }
}

ORIN_ALLOCATION_CASE(ReInvFFTCx, 1) {
    std::vector<complexnum> c = {{4, 0}, {1, -1}, {0, 0}, {1, 1}};  // spectrum of (1.5, 1.5, 0.5, 0.5)
    const int32_t code = inj.call([&] { return ReInvFFTCx(c.data(), 4); });
    EXPECT_EQ(code, inj.failing() ? kErrOutOfMemory : 0);
    if (inj.failing()) EXPECT_EQ(c[1].re, 1.0);
    else EXPECT_TRUE(c[0].re == 1.5 && c[1].re == 1.5 && c[2].re == 0.5 && c[3].re == 0.5);
    EXPECT_EQ(c[1].im, -1.0);  // the im fields keep their values
}
