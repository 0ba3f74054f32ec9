// Every allocation of the transforms made to fail: the documented code, the
// data left as they were (or the outputs emptied), and no block leaked. The
// results of the runs that succeed are judged by the accuracy suite.
#include "support/prelude.h"

#include <orin/transforms.h>

#include "dft_reference.h"

namespace {

const std::vector<double> kRe = randomDoubles(12, 1), kIm = randomDoubles(12, 2);

}  // namespace

// Lengths of factors 2, 3, 5 (the plan's rotations from the shared cache):
// one block for the two arrays of the passes, complex or real input.
ORIN_ALLOCATION_CASE(MixFFTComplex, 1) {
    auto re = kRe, im = kIm;
    const int32_t code = inj.call([&] { return MixFFT(re.data(), im.data(), 12, 0, 1); });
    EXPECT_EQ(code, inj.failing() ? kErrOutOfMemory : 0);
    if (inj.failing()) { EXPECT_TRUE(re == kRe && im == kIm); }
}

ORIN_ALLOCATION_CASE(MixFFTReal, 1) {
    auto re = kRe, im = kIm;
    const int32_t code = inj.call([&] { return MixFFT(re.data(), im.data(), 12, 1, 1); });
    EXPECT_EQ(code, inj.failing() ? kErrOutOfMemory : 0);
    if (inj.failing()) { EXPECT_TRUE(re == kRe && im == kIm); }
}

// A whole prime by chirp-z, interleaved: the convolution block and a copy.
ORIN_ALLOCATION_CASE(FFTCxSinglePrime, 2) {
    const auto re = randomDoubles(211, 3), im = randomDoubles(211, 4);
    const auto before = interleave(re, im);
    auto c = before;
    const int32_t code = inj.call([&] { return FFTCx(reinterpret_cast<complexnum *>(c.data()), 211); });
    EXPECT_EQ(code, inj.failing() ? kErrOutOfMemory : 0);
    if (inj.failing()) { EXPECT_EQ(c, before); }
}

// FFT of length n with one block of scratch: the documented code, and the
// data as they were when it is refused.
static void expectOneBlockFFT(Injection &inj, int32_t n) {
    const auto re0 = randomDoubles(n, 6), im0 = randomDoubles(n, 7);
    auto re = re0, im = im0;
    const int32_t code = inj.call([&] { return FFT(re.data(), im.data(), n); });
    EXPECT_EQ(code, inj.failing() ? kErrOutOfMemory : 0) << n;
    if (inj.failing()) { EXPECT_TRUE(re == re0 && im == im0) << n; }
}

// A whole prime by Rader: the convolution's arrays, and the plan and the
// tables where the cache has none.
ORIN_ALLOCATION_CASE(FFTRaderPrime, 1) { expectOneBlockFFT(inj, 241); }

// A smooth length beyond the passes' plans (270000 = 500 x 540): the work
// array, the batch buffers, the rotations and any plan.
ORIN_ALLOCATION_CASE(FFTFourStep, 1) { expectOneBlockFFT(inj, 270000); }

ORIN_ALLOCATION_CASE(SinglePrimeUsingChirpZ, 2) {
    const auto re = randomDoubles(257, 5);
    const auto before = interleave(re, {});
    auto c = before;
    const int32_t code = inj.call([&] { return SinglePrimeUsingChirpZ(&c[0], &c[1], 257, 1024, 1, 2); });
    EXPECT_EQ(code, inj.failing() ? kErrOutOfMemory : 0);
    if (inj.failing()) { EXPECT_EQ(c, before); }
}

// The inverse takes its scratch before it scales and conjugates.
ORIN_ALLOCATION_CASE(InvFFT, 1) {
    auto re = kRe, im = kIm;
    const int32_t code = inj.call([&] { return InvFFT(re.data(), im.data(), 12); });
    EXPECT_EQ(code, inj.failing() ? kErrOutOfMemory : 0);
    if (inj.failing()) {
        EXPECT_TRUE(re == kRe && im == kIm);
    } else {
        ASSERT_EQ(FFT(re.data(), im.data(), 12), 0);
        EXPECT_LT(relativeRms(interleave(re, im), interleave(kRe, kIm)), roundTripBound(12));
    }
}

// The even real inverse takes its work block before it joins the spectrum.
ORIN_ALLOCATION_CASE(ReInvFFTEvenLength, 1) {
    auto re = kRe, im = kIm;
    const int32_t code = inj.call([&] { return ReInvFFT(re.data(), im.data(), 12); });
    EXPECT_EQ(code, inj.failing() ? kErrOutOfMemory : 0);
    if (inj.failing()) { EXPECT_TRUE(re == kRe && im == kIm); }
}

ORIN_ALLOCATION_CASE(ReInvFFTCx, 1) {
    std::vector<complexnum> c = {{4, 0}, {1, -1}, {0, 0}, {1, 1}};  // spectrum of (1.5, 1.5, 0.5, 0.5)
    const int32_t code = inj.call([&] { return ReInvFFTCx(c.data(), 4); });
    EXPECT_EQ(code, inj.failing() ? kErrOutOfMemory : 0);
    if (inj.failing()) EXPECT_EQ(c[1].re, 1.0);
    else EXPECT_TRUE(c[0].re == 1.5 && c[1].re == 1.5 && c[2].re == 0.5 && c[3].re == 0.5);
    EXPECT_EQ(c[1].im, -1.0);  // the im fields keep their values
}

ORIN_ALLOCATION_CASE(FFTH, 1) {
    std::vector<complexnum> v(12);
    for (int i = 0; i < 12; ++i) v[i] = {kRe[i], kIm[i]};
    ComplexHandle h(v, Placement::kUnaligned);
    const int32_t code = inj.call([&] { return FFTH(h); });
    EXPECT_EQ(code, inj.failing() ? kErrOutOfMemory : 0);
    if (inj.failing()) { EXPECT_EQ(h.values()[5].re, kRe[5]); }
}

// The output resize, then the half-length transform's work array; and the
// power-of-two path's single resize.
ORIN_ALLOCATION_CASE(ReFFTHGeneralLength, 2) {
    DoubleHandle in(kRe);
    ComplexHandle out(std::vector<complexnum>(2, complexnum{1, 1}));
    const int32_t code = inj.call([&] { return ReFFTH(in, out); });
    EXPECT_EQ(code, inj.failing() ? kErrOutOfMemory : 0);
    EXPECT_EQ(out.size(), inj.failing() ? 0 : 12);
    EXPECT_EQ(in.values(), kRe);
}

ORIN_ALLOCATION_CASE(ReFFTHPowerOfTwo, 1) {
    DoubleHandle in({1, 2, 3, 4, 5, 6, 7, 8});
    ComplexHandle out;
    const int32_t code = inj.call([&] { return ReFFTH(in, out); });
    EXPECT_EQ(code, inj.failing() ? kErrOutOfMemory : 0);
    if (inj.failing()) EXPECT_TRUE(out.emptied());
    else EXPECT_TRUE(out.size() == 8 && out.values()[0].re == 36.0 && out.values()[4].re == -4.0);
}

// The spare array and the inverse's work block (the forward transform of
// even length works in the caller's arrays).
ORIN_ALLOCATION_CASE(HilbertGeneralLength, 2) {
    DoubleHandle x(kRe);
    int32_t err = -1;
    EXPECT_EQ(inj.call([&] { return Hilbert(x, &err); }), 0);
    EXPECT_EQ(err, inj.failing() ? kErrOutOfMemory : 0);
    EXPECT_EQ(x.size(), inj.failing() ? 0 : 12);
    if (inj.failing()) { EXPECT_TRUE(x.emptied()); }
}

// The spare array; the samples stay.
ORIN_ALLOCATION_CASE(SpectrumGeneralLength, 1) {
    DoubleHandle x(kRe);
    int32_t err = -1;
    const int32_t ret = inj.call([&] { return Spectrum(x, &err); });
    EXPECT_EQ(ret, inj.failing() ? kErrOutOfMemory : 0);
    EXPECT_EQ(err, inj.failing() ? kErrOutOfMemory : 0);
    if (inj.failing()) { EXPECT_EQ(x.values(), kRe); }
}

// The padding resize, two spare arrays, two transforms' tables.
ORIN_ALLOCATION_CASE(CrossPowerGeneralLength, 5) {
    DoubleHandle x(randomDoubles(6, 6)), y(randomDoubles(7, 7));
    int32_t err = -1;
    const int32_t ret = inj.call([&] { return CrossPowerCIN(x, y, &err); });
    EXPECT_EQ(ret != 0, inj.failing());
    EXPECT_EQ(err, inj.failing() ? kErrOutOfMemory : 0);
    if (inj.failing()) EXPECT_TRUE(x.emptied() && y.emptied());
    else EXPECT_EQ(x.size(), 7);
}

ORIN_ALLOCATION_CASE(ZeroPad, 1) {
    DoubleHandle x({1, 2, 3});
    const int32_t status = inj.call([&] { return ZeroPad(x); });
    EXPECT_EQ(status != 0, inj.failing());
    EXPECT_EQ(x.values(), inj.failing() ? (std::vector<double>{1, 2, 3}) : (std::vector<double>{1, 2, 3, 0}));
}
