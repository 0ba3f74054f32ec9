// Accuracy of the forward transforms against a direct DFT in long double,
// and the identities that need no reference (round trips, Parseval,
// conjugate symmetry).
//
// Bounds: a transform whose twiddles are full precision has a relative RMS
// error of order log2(n) eps (Higham, "Accuracy and Stability of Numerical
// Algorithms", sec. 24.1; the constant is below 1 in practice): we allow
// 1 * log2(n) * eps. Stages of 3, 5, 8 and 10 use butterfly constants of 14
// significant digits (relative error up to 3.4e-15 each: sqrt(1/2) is off by
// 2.4e-15), which caps such lengths near 2e-14; they get 2.5e-14.
#include <gtest/gtest.h>
#include <orin/transforms.h>

#include <cstring>

#include "dft_reference.h"
#include "support/reference.h"

using namespace orintest;

namespace {

std::vector<int32_t> accuracyLengths() {
    std::vector<int32_t> ns;
    for (int32_t n = 1; n <= 300; n += kReducedSuite && n >= 64 ? 7 : 1) ns.push_back(n);
    // Primes by chirp-z (whole and as a stage), composites with many
    // factors, and powers of two up to where the direct DFT stays quick.
    for (int32_t n : {211, 257, 1021, 2 * 211, 3 * 257, 1000, 7 * 11 * 13, 512, 1024, 2048})
        if (!kReducedSuite || n <= 1024) ns.push_back(n);
    return ns;
}

std::vector<double> interleave(const std::vector<double> &re, const std::vector<double> &im) {
    std::vector<double> c(2 * re.size());
    for (size_t i = 0; i < re.size(); ++i) c[2 * i] = re[i], c[2 * i + 1] = im[i];
    return c;
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
        std::vector<double> cr(n), ci(n);
        for (int32_t k = 0; k < n; ++k) cr[k] = c[2 * k], ci[k] = c[2 * k + 1];
        EXPECT_LT(relativeRms(cr, ci, want), forwardBound(n)) << "FFTCx n=" << n;
    }
}

TEST(FFTAccuracy, RealForwardMatchesDirectDftAndIsConjugateSymmetric) {
    for (int32_t n : accuracyLengths()) {
        const auto x = randomDoubles(n, 300 + n);
        const auto want = directDFT(x, std::vector<double>(n, 0.0));
        auto r = x;
        std::vector<double> i(n, 99.0);
        ASSERT_EQ(ReFFT(r.data(), i.data(), n), 0) << n;
        EXPECT_LT(relativeRms(r, i, want), forwardBound(n)) << "ReFFT n=" << n;

        std::vector<double> c(2 * n, 77.0);  // im fields must be ignored
        for (int32_t k = 0; k < n; ++k) c[2 * k] = x[k];
        ASSERT_EQ(ReFFTCx(reinterpret_cast<complexnum *>(c.data()), n), 0) << n;
        std::vector<double> cr(n), ci(n);
        for (int32_t k = 0; k < n; ++k) cr[k] = c[2 * k], ci[k] = c[2 * k + 1];
        EXPECT_LT(relativeRms(cr, ci, want), forwardBound(n)) << "ReFFTCx n=" << n;

        // The power-of-two path and the half-length chirp path (a real prime
        // with n + n/2 <= M/2, such as 257) mirror bit for bit.
        if ((n & (n - 1)) == 0 || n == 257) {
            for (int32_t k = 1; k < n; ++k) {
                ASSERT_EQ(r[n - k], r[k]) << "n=" << n << " k=" << k;
                ASSERT_EQ(i[n - k], -i[k]) << "n=" << n << " k=" << k;
                ASSERT_EQ(cr[n - k], cr[k]) << "n=" << n << " k=" << k;
                ASSERT_EQ(ci[n - k], -ci[k]) << "n=" << n << " k=" << k;
            }
            if (n != 257) {
                EXPECT_EQ(i[0], 0.0) << n;
            }
        }
    }
}

TEST(FFTAccuracy, RoundTripsAndParsevalUpToTwoToTheTwenty) {
    // Forward then inverse: twice the forward error. Parseval:
    // sum |X|^2 = n sum |x|^2 to the same relative order.
    std::vector<int32_t> ns = {1, 2, 3, 6, 97, 199, 211, 1021, 3 * 1024, 10000, 65537, 1 << 14, 1 << 16, 100000};
    if (!kReducedSuite) ns.push_back(1 << 20);
    for (int32_t n : ns) {
        const double bound = 2 * forwardBound(n) + logBound(2, n);
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
        std::vector<double> both(r), wantBoth(re);
        both.insert(both.end(), i.begin(), i.end());
        wantBoth.insert(wantBoth.end(), im.begin(), im.end());
        EXPECT_LT(relativeRms(both, wantBoth), bound) << "InvFFT(FFT) n=" << n;

        auto c = interleave(re, im);
        auto *cx = reinterpret_cast<complexnum *>(c.data());
        ASSERT_EQ(FFTCx(cx, n), 0);
        ASSERT_EQ(InvFFTCx(cx, n), 0);
        EXPECT_LT(relativeRms(c, interleave(re, im)), bound) << "InvFFTCx(FFTCx) n=" << n;

        // Real: ReInvFFT(ReFFT(x)) gives x back in the real array.
        auto x = re;
        std::vector<double> xi(n);
        ASSERT_EQ(ReFFT(x.data(), xi.data(), n), 0);
        ASSERT_EQ(ReInvFFT(x.data(), xi.data(), n), 0);
        EXPECT_LT(relativeRms(x, re), bound) << "ReInvFFT(ReFFT) n=" << n;

        std::vector<double> rc(2 * n);
        for (int32_t k = 0; k < n; ++k) rc[2 * k] = re[k];
        auto *rcx = reinterpret_cast<complexnum *>(rc.data());
        ASSERT_EQ(ReFFTCx(rcx, n), 0);
        ASSERT_EQ(ReInvFFTCx(rcx, n), 0);
        std::vector<double> back(n);
        for (int32_t k = 0; k < n; ++k) back[k] = rc[2 * k];
        EXPECT_LT(relativeRms(back, re), bound) << "ReInvFFTCx(ReFFTCx) n=" << n;
    }
}

#if !defined(__SANITIZE_ADDRESS__) && !defined(__i386__)
TEST(FFTAccuracy, SplitRadixAtTwoToTheTwentyThreeAgreesWithMixedRadixAtTwoToTheTwentyFour) {
    // Interleaving x with zeros doubles the length and repeats the spectrum:
    // Y[k] = Y[k + N] = X[k]. 2^23 takes the split-radix kernel, 2^24 (above
    // its 10,000,000 limit) eight radix-8 stages.
    const int32_t N = 1 << 23;
    const auto re = randomDoubles(N, 23), im = randomDoubles(N, 24);
    std::vector<double> yr(2 * static_cast<size_t>(N)), yi(2 * static_cast<size_t>(N));
    for (int32_t t = 0; t < N; ++t) yr[2 * t] = re[t], yi[2 * t] = im[t];
    auto xr = re, xi = im;
    ASSERT_EQ(FFT(xr.data(), xi.data(), N), 0);
    ASSERT_EQ(FFT(yr.data(), yi.data(), 2 * N), 0);
    long double e = 0, w = 0;
    for (int32_t k = 0; k < 2 * N; ++k) {
        const long double dr = static_cast<long double>(yr[k]) - xr[k % N], di = static_cast<long double>(yi[k]) - xi[k % N];
        e += dr * dr + di * di;
        w += static_cast<long double>(xr[k % N]) * xr[k % N] + static_cast<long double>(xi[k % N]) * xi[k % N];
    }
    // Both within their own bounds of the true spectrum: the radix-8 stages
    // carry the 14-digit sqrt(1/2).
    EXPECT_LT(std::sqrt(static_cast<double>(e / w)), 2.5e-14 + logBound(1, N));
}
#endif
