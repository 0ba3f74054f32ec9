// Accuracy of the forward transforms against a direct DFT in long double,
// and the identities that need no reference (round trips, Parseval,
// conjugate symmetry).
//
// Bounds: with full-precision twiddles the relative RMS error is of order
// log2(n) eps (Higham, "Accuracy and Stability of Numerical Algorithms",
// sec. 24.1; constant below 1 in practice): we allow 1 * log2(n) * eps.
// The mixed-radix stages of 3, 5, 8 and 10 use 14-digit butterfly constants
// (sqrt(1/2) is off by 2.4e-15), which caps such lengths near 2e-14; they
// get 2.5e-14 (dft_reference.h says which lengths may take them).
#include "support/prelude.h"

#include <orin/transforms.h>

#include "dft_reference.h"

namespace {

std::vector<int32_t> accuracyLengths() {
    std::vector<int32_t> ns;
    for (int32_t n = 1; n <= 300; n += kReducedSuite && n >= 64 ? 7 : 1) ns.push_back(n);
    // Primes by chirp-z (whole and as a stage), composites with many
    // factors, 3 2^k and 5 2^k split into power-of-two transforms (their
    // halves too, for the real ones), and powers of two up to where the
    // direct DFT stays quick.
    for (int32_t n :
         {211, 257, 1021, 2 * 211, 3 * 257, 1000, 7 * 11 * 13, 320, 640, 3 * 1024, 5 * 512, 512, 1024, 2048})
        if (!kReducedSuite || n <= 1024) ns.push_back(n);
    return ns;
}

}  // namespace

TEST(FFTAccuracy, ComplexForwardMatchesDirectDftSplitAndInterleaved) {
    for (int32_t n : accuracyLengths()) {
        const auto re = randomDoubles(n, 100 + n), im = randomDoubles(n, 200 + n);
        const auto want = directDFT(re, im);
        auto r = re, i = im;
        ASSERT_EQ(FFT(r.data(), i.data(), n), 0) << n;
        EXPECT_LT(relativeRms(r, i, want), forwardBound(n)) << "FFT n=" << n;
        auto c = interleave(re, im);
        ASSERT_EQ(FFTCx(reinterpret_cast<complexnum *>(c.data()), n), 0) << n;
        deinterleave(c.data(), n, r, i);
        EXPECT_LT(relativeRms(r, i, want), forwardBound(n)) << "FFTCx n=" << n;
    }
}

TEST(FFTAccuracy, RealForwardMatchesDirectDftAndIsConjugateSymmetric) {
    for (int32_t n : accuracyLengths()) {
        const auto x = randomDoubles(n, 300 + n);
        const auto want = directDFT(x);
        auto r = x;
        std::vector<double> i(n, 99.0), cr, ci;
        ASSERT_EQ(ReFFT(r.data(), i.data(), n), 0) << n;
        EXPECT_LT(relativeRms(r, i, want), forwardBound(n)) << "ReFFT n=" << n;
        std::vector<double> c(2 * n, 77.0);  // im fields must be ignored
        for (int32_t k = 0; k < n; ++k) c[2 * k] = x[k];
        ASSERT_EQ(ReFFTCx(reinterpret_cast<complexnum *>(c.data()), n), 0) << n;
        deinterleave(c.data(), n, cr, ci);
        EXPECT_LT(relativeRms(cr, ci, want), forwardBound(n)) << "ReFFTCx n=" << n;

        // The power-of-two path and the half-length chirp path (a real prime
        // with n + n/2 <= M/2, such as 257) mirror bit for bit.
        if ((n & (n - 1)) != 0 && n != 257) continue;
        for (int32_t k = 1; k < n; ++k) {
            ASSERT_TRUE(r[n - k] == r[k] && i[n - k] == -i[k]) << "ReFFT n=" << n << " k=" << k;
            ASSERT_TRUE(cr[n - k] == cr[k] && ci[n - k] == -ci[k]) << "ReFFTCx n=" << n << " k=" << k;
        }
        if (n != 257) {
            EXPECT_EQ(i[0], 0.0) << n;
        }
    }
}

TEST(FFTAccuracy, RoundTripsAndParsevalUpToTwoToTheTwenty) {
    // Forward then inverse: twice the forward error. Parseval:
    // sum |X|^2 = n sum |x|^2 to the same relative order.
    std::vector<int32_t> ns = {1,    2,        3,       6,     64,    97,      199,     211,   1021,
                               2048, 3 * 1024, 5 * 512, 10000, 65537, 1 << 14, 1 << 16, 100000};
    // 10^6 and 3 2^18: even lengths whose halves go by the in-place stages
    // and by the split into power-of-two rows.
    if (!kReducedSuite) ns.insert(ns.end(), {1 << 20, 1000000, 3 << 18});
    for (int32_t n : ns) {
        const double bound = roundTripBound(n);
        const auto re = randomDoubles(n, 400 + n), im = randomDoubles(n, 500 + n);
        auto r = re, i = im;
        ASSERT_EQ(FFT(r.data(), i.data(), n), 0) << n;
        long double ex = 0, eX = 0;
        for (int32_t k = 0; k < n; ++k) {
            ex += static_cast<long double>(re[k]) * re[k] + static_cast<long double>(im[k]) * im[k];
            eX += static_cast<long double>(r[k]) * r[k] + static_cast<long double>(i[k]) * i[k];
        }
        EXPECT_NEAR(static_cast<double>(eX / (n * ex)), 1.0, bound) << "Parseval n=" << n;
        ASSERT_EQ(InvFFT(r.data(), i.data(), n), 0) << n;
        EXPECT_LT(relativeRms(interleave(r, i), interleave(re, im)), bound) << "InvFFT(FFT) n=" << n;

        auto c = interleave(re, im);
        ASSERT_EQ(FFTCx(reinterpret_cast<complexnum *>(c.data()), n), 0);
        ASSERT_EQ(InvFFTCx(reinterpret_cast<complexnum *>(c.data()), n), 0);
        EXPECT_LT(relativeRms(c, interleave(re, im)), bound) << "InvFFTCx(FFTCx) n=" << n;

        auto x = re;
        std::vector<double> xi(n);
        ASSERT_EQ(ReFFT(x.data(), xi.data(), n), 0);
        ASSERT_EQ(ReInvFFT(x.data(), xi.data(), n), 0);
        EXPECT_LT(relativeRms(x, re), bound) << "ReInvFFT(ReFFT) n=" << n;

        auto rc = interleave(re, {});
        ASSERT_EQ(ReFFTCx(reinterpret_cast<complexnum *>(rc.data()), n), 0);
        ASSERT_EQ(ReInvFFTCx(reinterpret_cast<complexnum *>(rc.data()), n), 0);
        deinterleave(rc.data(), n, x, xi);
        EXPECT_LT(relativeRms(x, re), bound) << "ReInvFFTCx(ReFFTCx) n=" << n;
    }
}

#if !defined(__SANITIZE_ADDRESS__) && !defined(__i386__)
TEST(FFTAccuracy, SplitRadixAtTwoToTheTwentyThreeAgreesWithMixedRadixAtTwoToTheTwentyFour) {
    // x interleaved with zeros repeats the spectrum: Y[k] = Y[k + N] = X[k].
    // 2^23 takes the split-radix kernel, 2^24 (above its 10,000,000 limit)
    // eight radix-8 stages with the 14-digit sqrt(1/2).
    const int32_t N = 1 << 23;
    const auto re = randomDoubles(N, 23), im = randomDoubles(N, 24);
    std::vector<double> yr(2 * static_cast<size_t>(N)), yi(2 * static_cast<size_t>(N));
    for (int32_t t = 0; t < N; ++t) yr[2 * t] = re[t], yi[2 * t] = im[t];
    auto xr = re, xi = im;
    ASSERT_EQ(FFT(xr.data(), xi.data(), N), 0);
    ASSERT_EQ(FFT(yr.data(), yi.data(), 2 * N), 0);
    long double e = 0, w = 0;
    for (int32_t k = 0; k < 2 * N; ++k) {
        const long double dr = static_cast<long double>(yr[k]) - xr[k % N],
                          di = static_cast<long double>(yi[k]) - xi[k % N];
        e += dr * dr + di * di;
        w += static_cast<long double>(xr[k % N]) * xr[k % N] + static_cast<long double>(xi[k % N]) * xi[k % N];
    }
    EXPECT_LT(std::sqrt(static_cast<double>(e / w)), 2.5e-14 + logBound(1, N));
}
#endif
