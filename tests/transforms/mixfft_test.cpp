// The mixed-radix transform's pieces: factor lists, stage tables, the
// digit-reversed permutation, the trig and chirp tables, and the paths
// through MixFFT and the whole-sequence chirp-z transform.
#include "support/prelude.h"

#include <orin/transforms.h>

#include "dft_reference.h"

namespace {

std::vector<int32_t> factorList(int32_t n) {
    int32_t factors[32], count = -1;
    factorize(n, &count, factors);
    return std::vector<int32_t>(factors + 1, factors + 1 + count);
}

}  // namespace

TEST(MixFFTTables, FactorListsInStageOrder) {
    using V = std::vector<int32_t>;
    // 96: last factor 3, no rewrite; 128: 2 * 8 becomes 4 * 4; the large
    // prime needs trial division up to its root.
    const std::vector<std::pair<int32_t, V>> cases = {
        {1, {1}}, {6, {2, 3}}, {12, {3, 4}}, {20, {2, 10}}, {21, {7, 3}}, {60, {2, 3, 10}}, {77, {11, 7}},
        {96, {3, 4, 8}}, {128, {4, 4, 8}}, {210, {7, 3, 10}}, {1000, {10, 10, 10}}, {2 * 211, {211, 2}},
        {7 * 7 * 13 * 3, {13, 7, 7, 3}}, {1 << 24, V(8, 8)}, {2147483647, {2147483647}}};
    for (const auto &[n, want] : cases) EXPECT_EQ(factorList(n), want) << n;

    int32_t span[33], groups[33], factors[32], count = -1, n = 60;
    ASSERT_EQ(transTableSetup(span, factors, groups, &count, &n), 0);
    ASSERT_EQ(count, 3);
    EXPECT_EQ(V(span + 1, span + 4), V({1, 2, 6}));
    EXPECT_EQ(V(groups, groups + 4), V({60, 30, 10, 1}));

    int32_t list[] = {0, 211, 211, 13, 13, 7, 3};
    EXPECT_TRUE(shouldUpdateChirpTable(list, 1));
    EXPECT_FALSE(shouldUpdateChirpTable(list, 2));
    EXPECT_FALSE(shouldUpdateTrigTable(list, 1));
    EXPECT_TRUE(shouldUpdateTrigTable(list, 3));
    EXPECT_FALSE(shouldUpdateTrigTable(list, 4));
    EXPECT_TRUE(shouldUpdateTrigTable(list, 5));
    EXPECT_FALSE(shouldUpdateTrigTable(list, 6));  // 3 has its own butterfly
    EXPECT_FALSE(shouldUpdateChirpTable(list, 3));
}

TEST(MixFFTTables, RepermuteIsTheDigitReversal) {
    // n = 60 = [2, 3, 10]: i = d1 + 2 d2 + 6 d3 reads input
    // d1 * 30 + d2 * 10 + d3.
    int32_t span[33], groups[33], factors[32], count = -1, n = 60;
    transTableSetup(span, factors, groups, &count, &n);
    std::vector<double> x(2 * n, -1.0), y(n);
    for (int32_t i = 0; i < n; ++i) x[2 * i] = i;
    Repermute(n, count, factors, groups, x.data(), y.data(), 2);
    for (int32_t i = 0; i < n; ++i) EXPECT_EQ(y[i], (i % 2) * 30 + (i / 2 % 3) * 10 + i / 6) << i;
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
    // 7, 11, 199: one odd-butterfly stage; 211 and 257 whole by chirp-z
    // (a real 257 on the half-length path, a real 211 on the full one);
    // 422 with a chirp-z stage; 3 * 7 * 7: a repeated odd prime sharing
    // its table; powers of two in stages of 4 and of 8.
    for (int32_t n : {7, 11, 199, 211, 257, 422, 147, 36, 16, 256}) {
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
