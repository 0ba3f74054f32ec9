// The FFT entry points: length checks, what the inverses leave in the
// arrays they do not return through, and the handle wrappers with their
// in-block and shifted paths.
#include "support/prelude.h"

#include <orin/transforms.h>

#include "dft_reference.h"

namespace {

std::vector<complexnum> toComplex(const std::vector<double> &re, const std::vector<double> &im) {
    std::vector<complexnum> c(re.size());
    for (size_t i = 0; i < re.size(); ++i) c[i] = {re[i], im.empty() ? 0.0 : im[i]};
    return c;
}

}  // namespace

// Every transform refuses a length below 1 (a negative one is no silent
// no-op), the power-of-two kernels also any other length, touching nothing;
// length 1 is the identity (the real forwards, which also zero the
// imaginary part, are checked at n = 1 by the accuracy suite).
TEST(FFTEntry, LengthCodesTouchNothingAndLengthOneIsTheIdentity) {
    double re[2] = {5, 2}, im[2] = {7, 4};
    complexnum c[1] = {{5, 7}};
#define ROW(call, code)                       \
    {                                         \
        [&](int32_t n) { return call; }, code \
    }
    const std::pair<std::function<int32_t(int32_t)>, int32_t> rows[] = {
        ROW(FFT(re, im, n), kErrEmptyArray),
        ROW(FFTCx(c, n), kErrEmptyArray),
        ROW(ReFFT(re, im, n), kErrEmptyArray),
        ROW(ReFFTCx(c, n), kErrEmptyArray),
        ROW(InvFFT(re, im, n), kErrBadArraySize),
        ROW(InvFFTCx(c, n), kErrBadArraySize),
        ROW(ReInvFFT(re, im, n), kErrBadArraySize),
        ROW(ReInvFFTCx(c, n), kErrBadArraySize),
        ROW(SplitRadixCxFFT(re, im, n, 1), kErrEmptyArray),
        ROW(SplitRadixCxInvFFT(re, im, n), kErrEmptyArray),
        ROW(SplitRadixReFFT(re, im, n), kErrEmptyArray),
        ROW(SplitRadixReInvFFT(re, im, n), kErrEmptyArray),
        ROW(FHT(re, n), kErrEmptyArray),
        ROW(InvFHT(re, n), kErrEmptyArray)};
#undef ROW
    for (size_t r = 0; r < std::size(rows); ++r)
        for (int32_t n : {0, -1, -8}) EXPECT_EQ(rows[r].first(n), rows[r].second) << "row " << r << " n " << n;
    EXPECT_EQ(SplitRadixCxFFT(re, im, 6, 1), kErrNotPowerOfTwo);
    EXPECT_EQ(SplitRadixReFFT(re, im, 6), kErrNotPowerOfTwo);
    EXPECT_EQ(FHT(re, 6), kErrNotPowerOfTwo);
    EXPECT_TRUE(re[0] == 5 && im[1] == 4 && c[0].re == 5 && c[0].im == 7);

    for (size_t r = 0; r < std::size(rows); ++r) {
        if (r == 2 || r == 3 || r == 10) continue;  // the real forwards
        EXPECT_EQ(rows[r].first(1), 0) << "row " << r;
        EXPECT_TRUE(re[0] == 5 && im[0] == 7 && c[0].re == 5 && c[0].im == 7) << "row " << r;
    }
}

TEST(FFTEntry, RealInversesOfSymmetricAndOtherSpectra) {
    // Given a conjugate-symmetric spectrum (the signal it gives back: the
    // round trips of FFTAccuracy), ReInvFFT leaves im untouched for powers
    // of two, exactly zero for other even lengths (inverted through half the
    // length), the negated imaginary part of the inverse, zero up to
    // rounding, for odd ones; ReInvFFTCx keeps the im fields for powers of
    // two. Any other spectrum at an even length gets the full inverse,
    // re = Re IDFT(X), im = -Im IDFT(X), summed directly. The bound is a
    // transform pair's (the join adds a few roundings).
    for (int32_t n : {8, 15, 6, 12, 1000, 3 << 7}) {
        const bool pow2 = (n & (n - 1)) == 0, even = n % 2 == 0;
        const double tol = roundTripBound(n);
        const auto x = randomDoubles(n, 50 + n);
        auto re = x;
        std::vector<double> im(n);
        ASSERT_EQ(ReFFT(re.data(), im.data(), n), 0);
        auto c = toComplex(re, im);
        const auto imBefore = im;
        const auto cBefore = c;
        ASSERT_EQ(ReInvFFT(re.data(), im.data(), n), 0);
        ASSERT_EQ(ReInvFFTCx(c.data(), n), 0);
        if (even) {
            EXPECT_EQ(im, pow2 ? imBefore : std::vector<double>(n, 0.0)) << n;
        }
        for (int32_t k = 0; k < n; ++k) {
            if (!even) {
                EXPECT_NEAR(im[k], 0.0, tol) << n << " " << k;
            }
            if (pow2) {
                EXPECT_EQ(c[k].im, cBefore[k].im) << n << " " << k;
            }
        }
        // Symmetric but for the imaginary part of the Nyquist bin, the last
        // one the symmetry test compares: the full inverse too.
        if (!even || pow2) continue;
        std::vector<double> xr(n), xi(n);
        for (int32_t k = 0; k < n; ++k) xr[k] = cBefore[k].re, xi[k] = k == n / 2 ? 1.0 : cBefore[k].im;
        auto want = directDFT(xr, xi, +1);
        for (auto &w : want) w = LCx(w.real() / n, -w.imag() / n);
        auto r = xr, i = xi;
        ASSERT_EQ(ReInvFFT(r.data(), i.data(), n), 0);
        EXPECT_LT(relativeRms(r, i, want), tol) << n;
    }
}

TEST(FFTHandles, FFTHMatchesFFTCxOnAlignedAndShiftedBlocks) {
    for (int32_t n : {1, 2, 8, 64, 12, 257}) {
        const auto re = randomDoubles(n, 60 + n), im = randomDoubles(n, 70 + n);
        auto want = toComplex(re, im);
        ASSERT_EQ(FFTCx(want.data(), n), 0);
        for (Placement pl : {Placement::kAligned, Placement::kUnaligned}) {
            ComplexHandle h(toComplex(re, im), pl);
            ASSERT_EQ(FFTH(h), 0) << n;
            ASSERT_EQ(h.size(), n);
            auto got = h.values();
            for (int32_t k = 0; k < n; ++k)
                ASSERT_TRUE(got[k].re == want[k].re && got[k].im == want[k].im) << n << " " << k;
            ASSERT_EQ(InvFFTH(h), 0);
            got = h.values();
            for (int32_t k = 0; k < n; ++k) {
                EXPECT_NEAR(got[k].re, re[k], roundTripBound(n)) << n << " " << k;
                EXPECT_NEAR(got[k].im, im[k], roundTripBound(n)) << n << " " << k;
            }
        }
    }
    // A prime length above 2^29 needs a chirp longer than 2^30: refused
    // before any element is read or any memory asked for. The block holds
    // one element; its dimension word claims the prime 2^31 - 1.
    ComplexHandle prime(std::vector<complexnum>{{1, 2}});
    (*prime.get())->dimSize = INT32_MAX;
    const int64_t asked = OrinHostAllocationCount();
    EXPECT_EQ(FFTH(prime), kErrOutOfMemory);
    EXPECT_EQ(OrinHostAllocationCount(), asked);
}

TEST(FFTHandles, ReFFTHFillsTheFullSpectrumOnEveryPath) {
    // 2 and 3 go through ReFFTCx, 4 and above (powers of two) through the
    // in-block real transform, placed at the element area or the block
    // start depending on the output's alignment.
    for (int32_t n : {1, 2, 3, 4, 8, 6, 1024}) {
        const auto x = randomDoubles(n, 80 + n);
        const auto want = directDFT(x);
        for (Placement pl : {Placement::kAligned, Placement::kUnaligned}) {
            DoubleHandle in(x);
            ComplexHandle out(std::vector<complexnum>(3, complexnum{9, 9}), pl);
            ASSERT_EQ(ReFFTH(in, out), 0) << n;
            ASSERT_EQ(out.size(), n);
            std::vector<double> r, i;
            deinterleave(&out.values()[0].re, n, r, i);
            EXPECT_LT(relativeRms(r, i, want), forwardBound(n)) << n;
            EXPECT_EQ(in.values(), x);
        }
    }
    // The real inverse on a handle returns the signal in the re fields.
    const auto x = randomDoubles(16, 16);
    DoubleHandle in(x);
    ComplexHandle spec;
    ASSERT_EQ(ReFFTH(in, spec), 0);
    ASSERT_EQ(ReInvFFTH(spec), 0);
    for (int32_t k = 0; k < 16; ++k) EXPECT_NEAR(spec.values()[k].re, x[k], logBound(4, 16)) << k;
}
