// The kernels and the support helpers: the power-of-two kernels' layouts,
// edge cases and identities; the mixed-radix transform's factor lists, stage
// tables, digit-reversed permutation, trig and chirp tables and its paths;
// with the direct DFT (long double) as reference.
#include "support/prelude.h"

#include <orin/transforms.h>

#include "dft_reference.h"

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

        // Stride 2 (interleaved, and in two separate arrays: -2) and 3 give
        // the very same values as stride 1 and touch nothing between.
        const auto yr = randomDoubles(n, 8 * n), yi = randomDoubles(n, 9 * n);
        auto sr = yr, si = yi;
        ASSERT_EQ(SplitRadixCxFFT(sr.data(), si.data(), n, 1), 0);
        for (int32_t s : {2, 3, -2}) {
            const int32_t st = std::abs(s);
            std::vector<double> c(3 * n, 7.0), apart(2 * n, 7.0);
            double *r = c.data(), *i = s < 0 ? apart.data() : &c[1];
            for (int32_t k = 0; k < n; ++k) r[st * k] = yr[k], i[st * k] = yi[k];
            ASSERT_EQ(SplitRadixCxFFT(r, i, n, st), 0);
            for (int32_t k = 0; k < n; ++k) {
                ASSERT_TRUE(r[st * k] == sr[k] && i[st * k] == si[k]) << "stride " << s << " n=" << n << " k=" << k;
                if (s == 3) {
                    ASSERT_EQ(c[3 * k + 2], 7.0) << n << " " << k;
                }
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
        ASSERT_EQ(InvFHT(h.data(), n), 0);  // H/n: the transform applied twice is n times the identity
        EXPECT_LT(relativeRms(h, x), logBound(2, n)) << "InvFHT " << n;
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
}

TEST(MixFFTTables, FactorListsInStageOrder) {
    using V = std::vector<int32_t>;
    // 96: last factor 3, no rewrite; 128: 2 * 8 becomes 4 * 4; the large
    // prime needs trial division up to its root.
    const std::vector<std::pair<int32_t, V>> cases = {{1, {1}},
                                                      {60, {2, 3, 10}},
                                                      {77, {11, 7}},
                                                      {96, {3, 4, 8}},
                                                      {128, {4, 4, 8}},
                                                      {210, {7, 3, 10}},
                                                      {1000, {10, 10, 10}},
                                                      {2 * 211, {211, 2}},
                                                      {7 * 7 * 13 * 3, {13, 7, 7, 3}},
                                                      {1 << 24, V(8, 8)},
                                                      {2147483647, {2147483647}}};
    for (const auto &[n, want] : cases) {
        int32_t factors[32], count = -1;
        factorize(n, &count, factors);
        EXPECT_EQ(V(factors + 1, factors + 1 + count), want) << n;
    }
}

TEST(MixFFTTables, TrigAndChirpTables) {
    const long double pi = kPiL;
    for (int32_t p : {7, 13, 199}) {
        std::vector<double> tr(p), ti(p);
        initTrig(p, tr.data(), ti.data());
        for (int32_t k = 0; k < p; ++k) {
            EXPECT_NEAR(tr[k], static_cast<double>(std::cos(2 * pi * k / p)), 2 * kEps) << p << " " << k;
            EXPECT_NEAR(ti[k], static_cast<double>(-std::sin(2 * pi * k / p)), 2 * kEps) << p << " " << k;
        }
    }
    double untouched[2] = {7, 7};  // below p = 1 nothing is written
    for (int32_t p : {0, -3}) initTrig(p, untouched, untouched + 1);
    EXPECT_TRUE(untouched[0] == 7 && untouched[1] == 7);
    // The chirp and the transform of its filter: W = DFT of w, where
    // w[j] = conj(c[j]) for j near 0 in both directions and 0 between.
    const int32_t p = 211, M = 512;
    std::vector<double> cr(p), ci(p), wr(M), wi(M);
    initChirp(p, M, cr.data(), ci.data(), wr.data(), wi.data());
    std::vector<double> w0r(M, 0.0), w0i(M, 0.0);
    for (int32_t k = 0; k < p; ++k) {
        const long double th = pi * ((static_cast<int64_t>(k) * k) % (2 * p)) / p;
        EXPECT_NEAR(cr[k], static_cast<double>(std::cos(th)), 4 * kEps) << k;
        EXPECT_NEAR(ci[k], static_cast<double>(-std::sin(th)), 4 * kEps) << k;
        w0r[k] = static_cast<double>(std::cos(th));
        w0i[k] = static_cast<double>(std::sin(th));
        if (k > 0) w0r[M - k] = w0r[k], w0i[M - k] = w0i[k];
    }
    EXPECT_LT(relativeRms(wr, wi, directDFT(w0r, w0i)), logBound(2, M));
}

TEST(MixFFT, LengthOneAndBelowLeaveTheDataAlone) {
    double re[1] = {2.5}, im[1] = {-1.5};
    EXPECT_EQ(MixFFT(re, im, 1, 0, 1), 0);
    EXPECT_EQ(MixFFT(re, im, 0, 0, 1), 0);
    EXPECT_EQ(MixFFT(re, im, -3, 1, 1), 0);
    EXPECT_TRUE(re[0] == 2.5 && im[0] == -1.5);
    EXPECT_EQ(MixFFT(re, im, 1, 1, 1), 0);  // real: the imaginary part counts as zero
    EXPECT_TRUE(re[0] == 2.5 && im[0] == 0.0);
}

TEST(MixFFT, RealAndComplexPathsInBothLayoutsAgreeWithDirectDft) {
    // The lengths no entry point hands to MixFFT (the FFT accuracy suite
    // holds the others: FFT, FFTCx, ReFFT and ReFFTCx are its four modes):
    // powers of two in stages of 4 and of 8, and a real 36.
    for (int32_t n : {36, 16, 256}) {
        const auto re = randomDoubles(n, 41 * n), im = randomDoubles(n, 43 * n);
        const auto want = directDFT(re, im);
        const auto wantReal = directDFT(re);
        for (int32_t stride : {1, 2}) {
            for (int32_t isReal : {0, 1}) {
                std::vector<double> buf(2 * n, 0.0);
                double *r = buf.data(), *i = stride == 1 ? buf.data() + n : buf.data() + 1;
                for (int32_t k = 0; k < n; ++k) r[k * stride] = re[k], i[k * stride] = im[k];
                ASSERT_EQ(MixFFT(r, i, n, isReal, stride), 0);
                std::vector<double> gr(n), gi(n);
                for (int32_t k = 0; k < n; ++k) gr[k] = r[k * stride], gi[k] = i[k * stride];
                EXPECT_LT(relativeRms(gr, gi, isReal ? wantReal : want), 2.5e-14)
                    << "n=" << n << " stride=" << stride << " real=" << isReal;
            }
        }
    }
}

TEST(MixFFT, SinglePrimeChirpZChecksItsConvolutionLength) {
    const int32_t n = 257;
    const auto re = randomDoubles(n, 257);
    auto r = re;
    std::vector<double> i(n, 0.0);
    EXPECT_EQ(SinglePrimeUsingChirpZ(r.data(), i.data(), n, 500, 1, 1), kErrBadArraySize);  // not a power of two
    EXPECT_EQ(SinglePrimeUsingChirpZ(r.data(), i.data(), n, 256, 1, 1), kErrBadArraySize);  // shorter than 2n - 1
    EXPECT_EQ(r, re);
    ASSERT_EQ(SinglePrimeUsingChirpZ(r.data(), i.data(), n, 1024, 1, 1), 0);
    EXPECT_LT(relativeRms(r, i, directDFT(re)), logBound(2, n));
}
