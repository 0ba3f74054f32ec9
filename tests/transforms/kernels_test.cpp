// The power-of-two kernels and the support helpers: layouts, edge cases and
// identities, with the direct DFT (long double) as reference.
#include <gtest/gtest.h>
#include <orin/transforms.h>

#include <cmath>

#include "dft_reference.h"
#include "support/handles.h"
#include "hostcontrol.h"
#include "support/reference.h"

using namespace orintest;

TEST(SplitRadix, LengthChecksAndLengthOne) {
    double re[8] = {5, 0, 0, 0, 0, 0, 0, 0}, im[8] = {7, 0, 0, 0, 0, 0, 0, 0};
    for (int32_t n : {0, -1, -8}) {
        EXPECT_EQ(SplitRadixCxFFT(re, im, n, 1), kErrEmptyArray) << n;
        EXPECT_EQ(SplitRadixCxInvFFT(re, im, n), kErrEmptyArray) << n;
        EXPECT_EQ(SplitRadixReFFT(re, im, n), kErrEmptyArray) << n;
        EXPECT_EQ(SplitRadixReInvFFT(re, im, n), kErrEmptyArray) << n;
        EXPECT_EQ(FHT(re, n), kErrEmptyArray) << n;
        EXPECT_EQ(InvFHT(re, n), kErrEmptyArray) << n;
    }
    EXPECT_EQ(SplitRadixCxFFT(re, im, 6, 1), kErrNotPowerOfTwo);
    EXPECT_EQ(SplitRadixReFFT(re, im, 6), kErrNotPowerOfTwo);
    EXPECT_EQ(FHT(re, 6), kErrNotPowerOfTwo);
    EXPECT_EQ(re[0], 5.0);  // refused calls touch nothing
    EXPECT_EQ(im[0], 7.0);

    EXPECT_EQ(SplitRadixCxFFT(re, im, 1, 1), 0);
    EXPECT_EQ(SplitRadixCxInvFFT(re, im, 1), 0);
    EXPECT_EQ(FHT(re, 1), 0);
    EXPECT_EQ(InvFHT(re, 1), 0);
    EXPECT_EQ(SplitRadixReInvFFT(re, im, 1), 0);
    EXPECT_EQ(re[0], 5.0);
    EXPECT_EQ(im[0], 7.0);
    EXPECT_EQ(SplitRadixReFFT(re, im, 1), 0);
    EXPECT_EQ(re[0], 5.0);
    EXPECT_EQ(im[0], 0.0);

    // n = 2: only the length-2 butterfly, no swap.
    double a[2] = {3, 1}, b[2] = {2, -4};
    EXPECT_EQ(SplitRadixCxFFT(a, b, 2, 1), 0);
    EXPECT_EQ(a[0], 4.0);
    EXPECT_EQ(a[1], 2.0);
    EXPECT_EQ(b[0], -2.0);
    EXPECT_EQ(b[1], 6.0);
}

TEST(SplitRadix, ImpulseAndConstantInEveryKernel) {
    for (int32_t n : {2, 4, 8, 16, 64}) {
        std::vector<double> re(n, 0.0), im(n, 0.0);
        re[0] = 1;
        ASSERT_EQ(SplitRadixCxFFT(re.data(), im.data(), n, 1), 0);
        for (int32_t k = 0; k < n; ++k) {
            EXPECT_EQ(re[k], 1.0) << n << " " << k;
            EXPECT_EQ(im[k], 0.0) << n << " " << k;
        }
        std::vector<double> x(n, 0.0);
        x[0] = 1;
        ASSERT_EQ(SpReFFT(x.data(), n, Log2(n)), 0);
        for (int32_t k = 0; k < n; ++k) EXPECT_EQ(x[k], k <= n / 2 ? 1.0 : 0.0) << "packed " << n << " " << k;
        std::vector<double> h(n, 0.0);
        h[0] = 1;
        ASSERT_EQ(FHT(h.data(), n), 0);
        for (int32_t k = 0; k < n; ++k) EXPECT_EQ(h[k], 1.0) << "FHT " << n << " " << k;

        std::vector<double> ones(n, 1.0), zeros(n, 0.0);
        ASSERT_EQ(SplitRadixReFFT(ones.data(), zeros.data(), n), 0);
        for (int32_t k = 0; k < n; ++k) {
            EXPECT_NEAR(ones[k], k == 0 ? n : 0.0, 4 * n * kEps) << n << " " << k;
            EXPECT_NEAR(zeros[k], 0.0, 4 * n * kEps) << n << " " << k;
        }
    }
}

TEST(SplitRadix, PackedSpectrumLayoutAndStrideTwo) {
    for (int32_t n : {4, 8, 32, 256, kReducedSuite ? 1024 : 4096}) {
        const int32_t m = Log2(n);
        const auto x = randomDoubles(n, 7 * n);
        const auto want = directDFT(x, std::vector<double>(n, 0.0));
        auto p = x;
        ASSERT_EQ(SpReFFT(p.data(), n, m), 0);
        std::vector<double> re(n), im(n);
        for (int32_t k = 0; k < n; ++k) {
            re[k] = k <= n / 2 ? p[k] : p[n - k];
            im[k] = (k == 0 || k == n / 2) ? 0.0 : (k < n / 2 ? p[n - k] : -p[k]);
        }
        EXPECT_LT(relativeRms(re, im, want), logBound(1, n)) << "packed n=" << n;
        ASSERT_EQ(SpReInvFFT(p.data(), n, m), 0);
        EXPECT_LT(relativeRms(p, x), logBound(2, n)) << "SpReInvFFT n=" << n;

        // Interleaved with stride 2 gives the very same values as stride 1.
        const auto yr = randomDoubles(n, 8 * n), yi = randomDoubles(n, 9 * n);
        std::vector<double> c(2 * n);
        for (int32_t k = 0; k < n; ++k) c[2 * k] = yr[k], c[2 * k + 1] = yi[k];
        auto sr = yr, si = yi;
        ASSERT_EQ(SplitRadixCxFFT(sr.data(), si.data(), n, 1), 0);
        ASSERT_EQ(SplitRadixCxFFT(&c[0], &c[1], n, 2), 0);
        for (int32_t k = 0; k < n; ++k) {
            ASSERT_EQ(c[2 * k], sr[k]) << n << " " << k;
            ASSERT_EQ(c[2 * k + 1], si[k]) << n << " " << k;
        }
        ASSERT_EQ(SplitRadixCxInvFFT(sr.data(), si.data(), n), 0);
        EXPECT_LT(relativeRms(sr, yr), logBound(2, n)) << n;
        EXPECT_LT(relativeRms(si, yi), logBound(2, n)) << n;
    }
}

TEST(SplitRadix, RealInverseReadsOnlyItsHalfOfTheSpectrum) {
    const int32_t n = 16;
    const auto x = randomDoubles(n, 16);
    auto re = x;
    std::vector<double> im(n);
    ASSERT_EQ(SplitRadixReFFT(re.data(), im.data(), n), 0);
    auto re2 = re, im2 = im;
    for (int32_t k = n / 2 + 1; k < n; ++k) re2[k] = 1e6 * k;
    for (int32_t k = 0; k <= n / 2; ++k) im2[k] = -1e6 * k;
    const auto imBefore = im2;
    ASSERT_EQ(SplitRadixReInvFFT(re.data(), im.data(), n), 0);
    ASSERT_EQ(SplitRadixReInvFFT(re2.data(), im2.data(), n), 0);
    EXPECT_EQ(re, re2);
    EXPECT_EQ(im2, imBefore);  // im is not changed
    EXPECT_LT(relativeRms(re, x), logBound(2, n));
}

TEST(Hartley, MatchesDirectSumAndIsItsOwnInverseUpToN) {
    for (int32_t n : {2, 4, 8, 64, kReducedSuite ? 256 : 1024}) {
        const auto x = randomDoubles(n, 11 * n);
        const auto want = directDHT(x);
        auto h = x;
        ASSERT_EQ(FHT(h.data(), n), 0);
        EXPECT_LT(relativeRms(h, want), logBound(1, n)) << n;
        ASSERT_EQ(FHT(h.data(), n), 0);
        for (int32_t t = 0; t < n; ++t) EXPECT_NEAR(h[t], n * x[t], n * logBound(4, n)) << n << " " << t;
        ASSERT_EQ(InvFHT(h.data(), n), 0);
        EXPECT_LT(relativeRms(h, want), logBound(1, n)) << "InvFHT " << n;  // H/n applied to n x is H
    }
}

TEST(FFTHelpers, Log2CountsBitsWithoutOverflow) {
    EXPECT_EQ(Log2(-5), -1);
    EXPECT_EQ(Log2(0), -1);
    EXPECT_EQ(Log2(1), 0);
    EXPECT_EQ(Log2(4), 2);
    EXPECT_EQ(Log2(7), 2);
    EXPECT_EQ(Log2(1023), 9);
    EXPECT_EQ(Log2(1024), 10);
    EXPECT_EQ(Log2(1 << 30), 30);
    EXPECT_EQ(Log2(INT32_MAX), 30);
}

TEST(FFTHelpers, ZeroPadToTheNextPowerAbove) {
    DoubleHandle five({1, 2, 3, 4, 5});
    EXPECT_EQ(ZeroPad(five), 0);
    EXPECT_EQ(five.values(), (std::vector<double>{1, 2, 3, 4, 5, 0, 0, 0}));
    DoubleHandle eight({1, 2, 3, 4, 5, 6, 7, 8});
    EXPECT_EQ(ZeroPad(eight), 0);
    EXPECT_EQ(eight.size(), 16);
    EXPECT_EQ(eight.values()[7], 8.0);
    EXPECT_EQ(eight.values()[15], 0.0);
    DoubleHandle empty;
    EXPECT_EQ(ZeroPad(empty), 0);
    EXPECT_EQ(empty.size(), 0);

    DoubleHandle three({1, 2, 3});
    OrinHostFailAllocation(1);
    const int32_t status = ZeroPad(three);
    OrinHostFailAllocation(0);
    EXPECT_NE(status, 0);
    EXPECT_EQ(three.values(), (std::vector<double>{1, 2, 3}));
}

TEST(FFTHelpers, CxMul1DMayWriteOverItsFirstOperand) {
    double xr[2] = {1, 0.5}, xi[2] = {2, -1}, yr[2] = {3, 2}, yi[2] = {4, 8};
    double outR[2], outI[2];
    ASSERT_EQ(CxMul1D(xr, xi, yr, yi, 2, outR, outI), 0);
    EXPECT_EQ(outR[0], -5.0);
    EXPECT_EQ(outI[0], 10.0);
    ASSERT_EQ(CxMul1D(xr, xi, yr, yi, 2, xr, xi), 0);  // out = x
    EXPECT_EQ(xr[0], -5.0);
    EXPECT_EQ(xi[0], 10.0);
    EXPECT_EQ(xr[1], 0.5 * 2 + 1.0 * 8);
    EXPECT_EQ(xi[1], 0.5 * 8 - 1.0 * 2);
    EXPECT_EQ(CxMul1D(xr, xi, yr, yi, 0, outR, outI), kErrEmptyArray);
}

TEST(FFTHelpers, BitReverseIsTheBitReversalPermutation) {
    // Small lengths go by the counter, from 256 on by tiles; separate
    // strided arrays and interleaved elements (im right after re) alike.
    for (int32_t n : {1, 2, 8, 64, 256, 4096}) {
        const int32_t m = Log2(n);
        auto reversed = [m](int32_t i) {
            int32_t r = 0;
            for (int32_t b = 0; b < m; ++b)
                if (i & (1 << b)) r |= 1 << (m - 1 - b);
            return r;
        };
        std::vector<double> re(2 * n), im(2 * n), c(2 * n);
        for (int32_t i = 0; i < n; ++i) re[2 * i] = i, im[2 * i] = -i, c[2 * i] = i, c[2 * i + 1] = -i;
        BitReverse(re.data(), im.data(), n, 2);
        BitReverse(&c[0], &c[1], n, 2);
        for (int32_t i = 0; i < n; ++i) {
            ASSERT_EQ(re[2 * i], reversed(i)) << n << " " << i;
            ASSERT_EQ(im[2 * i], -reversed(i)) << n << " " << i;
            ASSERT_EQ(c[2 * i], reversed(i)) << "interleaved " << n << " " << i;
            ASSERT_EQ(c[2 * i + 1], -reversed(i)) << "interleaved " << n << " " << i;
        }
    }
}

TEST(SplitRadix, AnyStrideGivesTheSameValues) {
    const int32_t n = 512;
    const auto yr = randomDoubles(n, 3), yi = randomDoubles(n, 4);
    auto sr = yr, si = yi;
    ASSERT_EQ(SplitRadixCxFFT(sr.data(), si.data(), n, 1), 0);
    std::vector<double> r3(3 * n, 7.0), i3(3 * n, 7.0);
    for (int32_t k = 0; k < n; ++k) r3[3 * k] = yr[k], i3[3 * k] = yi[k];
    ASSERT_EQ(SplitRadixCxFFT(r3.data(), i3.data(), n, 3), 0);
    for (int32_t k = 0; k < n; ++k) {
        ASSERT_EQ(r3[3 * k], sr[k]) << k;
        ASSERT_EQ(i3[3 * k], si[k]) << k;
        ASSERT_EQ(r3[3 * k + 1], 7.0) << k;  // the elements between are not touched
    }
}
