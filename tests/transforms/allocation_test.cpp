// Allocation failures the reliability sweep cannot reach: a kernel that
// trusts its caller's lengths, and the Rader and four-step paths at lengths
// the sweep's do not take. Every other allocation of the transforms is failed
// by the sweep (tests/sweep), at lengths 9, 16, 12, 192 and the prime 211,
// with the data of the in-place rows (ReInvFFTCx among them) kept.
#include "support/prelude.h"

#include <orin/transforms.h>

#include "dft_reference.h"

// FFT of length n with one block of scratch: the documented code, and the
// data as they were when it is refused.
static void expectOneBlockFFT(Injection &inj, int32_t n) {
    const auto re0 = randomDoubles(n, 6), im0 = randomDoubles(n, 7);
    auto re = re0, im = im0;
    const int32_t code = inj.call([&] { return FFT(re.data(), im.data(), n); });
    EXPECT_EQ(code, inj.failing() ? kErrOutOfMemory : 0) << n;
    if (inj.failing()) {
        EXPECT_TRUE(re == re0 && im == im0) << n;
    }
}

// A whole prime by Rader: the convolution's arrays, and the plan and the
// tables where the cache has none.
ORIN_ALLOCATION_CASE(FFTRaderPrime, 1) { expectOneBlockFFT(inj, 241); }

// A smooth length beyond the passes' plans (270000 = 500 x 540): the work
// array, the batch buffers, the rotations and any plan.
ORIN_ALLOCATION_CASE(FFTFourStep, 1) { expectOneBlockFFT(inj, 270000); }

// A whole prime by chirp-z, interleaved: the convolution block and a copy.
ORIN_ALLOCATION_CASE(SinglePrimeUsingChirpZ, 2) {
    const auto re = randomDoubles(257, 5);
    const auto before = interleave(re, {});
    auto c = before;
    const int32_t code = inj.call([&] { return SinglePrimeUsingChirpZ(&c[0], &c[1], 257, 1024, 1, 2); });
    EXPECT_EQ(code, inj.failing() ? kErrOutOfMemory : 0);
    if (inj.failing()) {
        EXPECT_EQ(c, before);
    }
}

// The scratch of the Hilbert transform's path for other lengths: its own
// status, which the entry point (Hilbert) turns into -20001 whatever it is.
ORIN_ALLOCATION_CASE(DisHilbert, 3) {
    DoubleHandle x(randomDoubles(15, 15));
    int32_t status = -1;
    EXPECT_EQ(inj.call([&] { return DisHilbert(x, 15, &status); }), status);
    EXPECT_EQ(status, inj.failing() ? kErrOutOfMemory : 0);
}

// The power spectrum of other lengths: the entry point's value is DSxx's
// out-of-memory code, not merely a failure, and the samples stay.
ORIN_ALLOCATION_CASE(SpectrumOfOtherLengths, 2) {
    const auto before = randomDoubles(15, 16);
    DoubleHandle x(before);
    int32_t error = -1;
    EXPECT_EQ(inj.call([&] { return Spectrum(x, &error); }), inj.failing() ? kErrOutOfMemory : 0);
    EXPECT_EQ(error, inj.failing() ? kErrOutOfMemory : 0);
    if (inj.failing()) {
        EXPECT_EQ(x.values(), before);
    }
}
