// The power-of-two kernels and the support helpers: layouts, edge cases and
// identities, with the direct DFT (long double) as reference.
#include "support/prelude.h"

#include <orin/transforms.h>

#include "dft_reference.h"

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
    EXPECT_TRUE(re[0] == 5 && im[0] == 7);  // refused calls touch nothing

    EXPECT_EQ(SplitRadixCxFFT(re, im, 1, 1), 0);
    EXPECT_EQ(SplitRadixCxInvFFT(re, im, 1), 0);
    EXPECT_EQ(FHT(re, 1), 0);
    EXPECT_EQ(InvFHT(re, 1), 0);
    EXPECT_EQ(SplitRadixReInvFFT(re, im, 1), 0);
    EXPECT_TRUE(re[0] == 5 && im[0] == 7);
    EXPECT_EQ(SplitRadixReFFT(re, im, 1), 0);
    EXPECT_TRUE(re[0] == 5 && im[0] == 0);

    // n = 2: only the length-2 butterfly, no swap.
    double a[2] = {3, 1}, b[2] = {2, -4};
    EXPECT_EQ(SplitRadixCxFFT(a, b, 2, 1), 0);
    EXPECT_TRUE(a[0] == 4 && a[1] == 2 && b[0] == -2 && b[1] == 6);
}

TEST(SplitRadix, PackedSpectrumLayoutAndStrideTwo) {
    for (int32_t n : {4, 8, 32, 256, kReducedSuite ? 1024 : 4096}) {
        const int32_t m = Log2(n);
        const auto x = randomDoubles(n, 7 * n);
        const auto want = directDFT(x);
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

        // Stride 2 (interleaved) and 3 give the very same values as stride
        // 1 and touch nothing between.
        const auto yr = randomDoubles(n, 8 * n), yi = randomDoubles(n, 9 * n);
        auto sr = yr, si = yi;
        ASSERT_EQ(SplitRadixCxFFT(sr.data(), si.data(), n, 1), 0);
        for (int32_t s : {2, 3}) {
            std::vector<double> c(3 * n, 7.0);
            for (int32_t k = 0; k < n; ++k) c[s * k] = yr[k], c[s * k + 1] = yi[k];
            ASSERT_EQ(SplitRadixCxFFT(&c[0], &c[1], n, s), 0);
            for (int32_t k = 0; k < n; ++k) {
                ASSERT_TRUE(c[s * k] == sr[k] && c[s * k + 1] == si[k]) << "stride " << s << " n=" << n << " k=" << k;
                if (s == 3) { ASSERT_EQ(c[3 * k + 2], 7.0) << n << " " << k; }
            }
        }
        ASSERT_EQ(SplitRadixCxInvFFT(sr.data(), si.data(), n), 0);
        EXPECT_LT(relativeRms(interleave(sr, si), interleave(yr, yi)), logBound(2, n)) << n;
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
        std::vector<double> want(n);  // Re X - Im X
        const auto X = directDFT(x);
        for (int32_t k = 0; k < n; ++k) want[k] = static_cast<double>(X[k].real() - X[k].imag());
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
    for (auto [n, want] : std::vector<std::pair<int32_t, int32_t>>{
             {-5, -1}, {0, -1}, {1, 0}, {4, 2}, {7, 2}, {1023, 9}, {1024, 10}, {1 << 30, 30}, {INT32_MAX, 30}})
        EXPECT_EQ(Log2(n), want) << n;
}

TEST(FFTHelpers, ZeroPadToTheNextPowerAbove) {
    DoubleHandle five({1, 2, 3, 4, 5});
    EXPECT_EQ(ZeroPad(five), 0);
    EXPECT_EQ(five.values(), (std::vector<double>{1, 2, 3, 4, 5, 0, 0, 0}));
    DoubleHandle eight({1, 2, 3, 4, 5, 6, 7, 8});
    EXPECT_EQ(ZeroPad(eight), 0);
    EXPECT_EQ(eight.values(), (std::vector<double>{1, 2, 3, 4, 5, 6, 7, 8, 0, 0, 0, 0, 0, 0, 0, 0}));
    DoubleHandle empty;
    EXPECT_EQ(ZeroPad(empty), 0);
    EXPECT_EQ(empty.size(), 0);
    // 2^30 claimed by the dimension word: 2^31 cannot be counted in it.
    DoubleHandle huge({1});
    (*huge.get())->dimSize = 1 << 30;
    EXPECT_EQ(ZeroPad(huge), kMgFullErr);
    EXPECT_EQ(huge.size(), 1 << 30);

}

TEST(FFTHelpers, CxMul1DMayWriteOverItsFirstOperand) {
    double xr[2] = {1, 0.5}, xi[2] = {2, -1}, yr[2] = {3, 2}, yi[2] = {4, 8};
    double outR[2], outI[2];
    ASSERT_EQ(CxMul1D(xr, xi, yr, yi, 2, outR, outI), 0);
    EXPECT_TRUE(outR[0] == -5 && outI[0] == 10 && outR[1] == 9 && outI[1] == 2);
    ASSERT_EQ(CxMul1D(xr, xi, yr, yi, 2, xr, xi), 0);  // out = x
    EXPECT_TRUE(xr[0] == -5 && xi[0] == 10 && xr[1] == 9 && xi[1] == 2);
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
