// Every allocation of the transforms made to fail: the documented code, the
// data left as they were (or the outputs emptied), and no block leaked.
#include <gtest/gtest.h>
#include <orin/transforms.h>

#include "dft_reference.h"
#include "support/allocation_failure.h"
#include "support/handles.h"
#include "support/reference.h"

using namespace orintest;

namespace {

// The forward transform of x by the direct DFT, as interleaved values.
std::vector<double> spectrumOf(const std::vector<double> &re, const std::vector<double> &im) {
    std::vector<double> out;
    for (const LCx &v : directDFT(re, im)) {
        out.push_back(static_cast<double>(v.real()));
        out.push_back(static_cast<double>(v.imag()));
    }
    return out;
}

std::vector<double> pairs(const std::vector<double> &re, const std::vector<double> &im) {
    std::vector<double> out;
    for (size_t i = 0; i < re.size(); ++i) out.push_back(re[i]), out.push_back(im[i]);
    return out;
}

const std::vector<double> kRe = randomDoubles(12, 1), kIm = randomDoubles(12, 2);

}  // namespace

// Complex input: a work copy and the stage tables.
ORIN_ALLOCATION_CASE(MixFFTComplex, 2) {
    auto re = kRe, im = kIm;
    const int32_t code = inj.call([&] { return MixFFT(re.data(), im.data(), 12, 0, 1); });
    if (inj.failing()) {
        EXPECT_EQ(code, kErrOutOfMemory);
        EXPECT_EQ(re, kRe);
        EXPECT_EQ(im, kIm);
    } else {
        EXPECT_EQ(code, 0);
        EXPECT_LT(relativeRms(pairs(re, im), spectrumOf(kRe, kIm)), forwardBound(12));
    }
}

// Real input in separate arrays: the caller's arrays are the work arrays.
ORIN_ALLOCATION_CASE(MixFFTReal, 1) {
    auto re = kRe, im = kIm;
    const int32_t code = inj.call([&] { return MixFFT(re.data(), im.data(), 12, 1, 1); });
    if (inj.failing()) {
        EXPECT_EQ(code, kErrOutOfMemory);
        EXPECT_EQ(re, kRe);
        EXPECT_EQ(im, kIm);
    } else {
        EXPECT_LT(relativeRms(pairs(re, im), spectrumOf(kRe, std::vector<double>(12, 0.0))), forwardBound(12));
    }
}

// A whole prime by chirp-z, interleaved: the convolution block and a copy.
ORIN_ALLOCATION_CASE(FFTCxSinglePrime, 2) {
    const auto re = randomDoubles(211, 3), im = randomDoubles(211, 4);
    auto c = pairs(re, im);
    const auto before = c;
    const int32_t code = inj.call([&] { return FFTCx(reinterpret_cast<complexnum *>(c.data()), 211); });
    if (inj.failing()) {
        EXPECT_EQ(code, kErrOutOfMemory);
        EXPECT_EQ(c, before);
    } else {
        EXPECT_LT(relativeRms(c, spectrumOf(re, im)), forwardBound(211));
    }
}

ORIN_ALLOCATION_CASE(SinglePrimeUsingChirpZ, 2) {
    const auto re = randomDoubles(257, 5);
    std::vector<double> c = pairs(re, std::vector<double>(257, 0.0));
    const auto before = c;
    const int32_t code = inj.call([&] { return SinglePrimeUsingChirpZ(&c[0], &c[1], 257, 1024, 1, 2); });
    if (inj.failing()) {
        EXPECT_EQ(code, kErrOutOfMemory);
        EXPECT_EQ(c, before);
    } else {
        EXPECT_LT(relativeRms(c, spectrumOf(re, std::vector<double>(257, 0.0))), logBound(2, 257));
    }
}

// The inverse takes its scratch before it scales and conjugates.
ORIN_ALLOCATION_CASE(InvFFT, 2) {
    auto re = kRe, im = kIm;
    const int32_t code = inj.call([&] { return InvFFT(re.data(), im.data(), 12); });
    if (inj.failing()) {
        EXPECT_EQ(code, kErrOutOfMemory);
        EXPECT_EQ(re, kRe);
        EXPECT_EQ(im, kIm);
    } else {
        EXPECT_EQ(code, 0);
        ASSERT_EQ(FFT(re.data(), im.data(), 12), 0);
        EXPECT_LT(relativeRms(pairs(re, im), pairs(kRe, kIm)), 2 * forwardBound(12) + logBound(2, 12));
    }
}

ORIN_ALLOCATION_CASE(ReInvFFTCx, 1) {
    std::vector<complexnum> c = {{4, 0}, {1, -1}, {0, 0}, {1, 1}};  // spectrum of (1.5, 1.5, 0.5, 0.5)
    const int32_t code = inj.call([&] { return ReInvFFTCx(c.data(), 4); });
    if (inj.failing()) {
        EXPECT_EQ(code, kErrOutOfMemory);
        EXPECT_EQ(c[1].re, 1.0);
    } else {
        EXPECT_EQ(c[0].re, 1.5);
        EXPECT_EQ(c[1].re, 1.5);
        EXPECT_EQ(c[2].re, 0.5);
        EXPECT_EQ(c[3].re, 0.5);
        EXPECT_EQ(c[1].im, -1.0);  // the im fields keep their values
    }
}

ORIN_ALLOCATION_CASE(FFTH, 2) {
    std::vector<complexnum> v(12);
    for (int i = 0; i < 12; ++i) v[i] = {kRe[i], kIm[i]};
    ComplexHandle h(v, Placement::kUnaligned);
    const int32_t code = inj.call([&] { return FFTH(h); });
    if (inj.failing()) {
        EXPECT_EQ(code, kErrOutOfMemory);
        EXPECT_EQ(h.values()[5].re, kRe[5]);
    } else {
        EXPECT_EQ(code, 0);
    }
}

// The output resize, then the real transform's copy and tables.
ORIN_ALLOCATION_CASE(ReFFTHGeneralLength, 3) {
    DoubleHandle in(kRe);
    ComplexHandle out(std::vector<complexnum>(2, complexnum{1, 1}));
    const int32_t code = inj.call([&] { return ReFFTH(in, out); });
    if (inj.failing()) {
        EXPECT_EQ(code, kErrOutOfMemory);
        EXPECT_TRUE(out.emptied());
    } else {
        ASSERT_EQ(out.size(), 12);
        std::vector<double> v;
        for (const complexnum &z : out.values()) v.push_back(z.re), v.push_back(z.im);
        EXPECT_LT(relativeRms(v, spectrumOf(kRe, std::vector<double>(12, 0.0))), forwardBound(12));
    }
    EXPECT_EQ(in.values(), kRe);
}

ORIN_ALLOCATION_CASE(ReFFTHPowerOfTwo, 1) {
    DoubleHandle in({1, 2, 3, 4, 5, 6, 7, 8});
    ComplexHandle out;
    const int32_t code = inj.call([&] { return ReFFTH(in, out); });
    if (inj.failing()) {
        EXPECT_EQ(code, kErrOutOfMemory);
        EXPECT_TRUE(out.emptied());
    } else {
        ASSERT_EQ(out.size(), 8);
        EXPECT_EQ(out.values()[0].re, 36.0);
        EXPECT_EQ(out.values()[4].re, -4.0);
    }
}

// The spare array, the forward tables, the inverse's copy and tables.
ORIN_ALLOCATION_CASE(HilbertGeneralLength, 4) {
    DoubleHandle x(kRe);
    int32_t err = -1;
    const int32_t ret = inj.call([&] { return Hilbert(x, &err); });
    EXPECT_EQ(ret, 0);
    if (inj.failing()) {
        EXPECT_EQ(err, kErrOutOfMemory);
        EXPECT_TRUE(x.emptied());
    } else {
        EXPECT_EQ(err, 0);
        EXPECT_EQ(x.size(), 12);
    }
}

// The spare array and the real transform's tables; the samples stay.
ORIN_ALLOCATION_CASE(SpectrumGeneralLength, 2) {
    DoubleHandle x(kRe);
    int32_t err = -1;
    const int32_t ret = inj.call([&] { return Spectrum(x, &err); });
    if (inj.failing()) {
        EXPECT_EQ(ret, kErrOutOfMemory);
        EXPECT_EQ(err, kErrOutOfMemory);
        EXPECT_EQ(x.values(), kRe);
    } else {
        EXPECT_EQ(ret, 0);
        EXPECT_EQ(err, 0);
    }
}

// The padding resize, two spare arrays, two transforms' tables.
ORIN_ALLOCATION_CASE(CrossPowerGeneralLength, 5) {
    DoubleHandle x(randomDoubles(6, 6)), y(randomDoubles(7, 7));
    int32_t err = -1;
    const int32_t ret = inj.call([&] { return CrossPowerCIN(x, y, &err); });
    if (inj.failing()) {
        EXPECT_NE(ret, 0);
        EXPECT_EQ(err, kErrOutOfMemory);
        EXPECT_TRUE(x.emptied());
        EXPECT_TRUE(y.emptied());
    } else {
        EXPECT_EQ(ret, 0);
        EXPECT_EQ(err, 0);
        EXPECT_EQ(x.size(), 7);
    }
}

ORIN_ALLOCATION_CASE(ZeroPad, 1) {
    DoubleHandle x({1, 2, 3});
    const int32_t status = inj.call([&] { return ZeroPad(x); });
    if (inj.failing()) {
        EXPECT_NE(status, 0);
        EXPECT_EQ(x.values(), (std::vector<double>{1, 2, 3}));
    } else {
        EXPECT_EQ(x.values(), (std::vector<double>{1, 2, 3, 0}));
    }
}
