// SVD by reconstruction and orthogonality, singular values against closed
// forms, and the measures built on it (pseudo-inverse by the Penrose
// conditions, rank, norms against direct formulas, condition numbers).
#include <orin/linalg.h>

#include <gtest/gtest.h>

#include <limits>

#include "linalg_reference.h"
#include "support/handles.h"

using namespace linalgtest;
using orintest::DoubleHandle;
using orintest::DoubleMatrixHandle;
using orintest::isIDNaN;

namespace {

struct Shape {
    const char *name;
    int m, n;
    Mat a;
};

// U diag(s) V^T in long double.
std::vector<long double> reconstruct(const Mat &u, const Mat &s, const Mat &v, int m, int n) {
    Mat us = u;
    for (int i = 0; i < m; ++i)
        for (int j = 0; j < n; ++j) us[size_t(i) * n + j] *= s[j];
    return mul(us, transpose(v, n, n), m, n, n);
}

Mat lowRank(int m, int n, int r, uint64_t seed) {
    const auto p = mul(randomMatrix(m, r, seed), randomMatrix(r, n, seed + 1), m, r, n);
    return Mat(p.begin(), p.end());
}

}  // namespace

TEST(SVD, ReconstructsWithOrthogonalFactors) {
    const std::vector<Shape> shapes = {{"1x1", 1, 1, {-3}},
                                       {"identity", 2, 2, identity(2)},
                                       {"square 12", 12, 12, randomMatrix(12, 12, 700)},
                                       {"tall 30x7", 30, 7, randomMatrix(30, 7, 701)},
                                       {"rank 3 of 15x9", 15, 9, lowRank(15, 9, 3, 702)},
                                       {"hilbert 10", 10, 10, hilbert(10)},
                                       {"zero 4x3", 4, 3, Mat(12, 0.0)}};
    for (const Shape &c : shapes) {
        Mat u = c.a, s(c.n), v(size_t(c.n) * c.n);
        ASSERT_EQ(SVD(u.data(), c.m, c.n, s.data(), v.data()), 0) << c.name;
        for (int j = 0; j < c.n; ++j) {
            EXPECT_GE(s[j], 0.0) << c.name;
            if (j) {
                EXPECT_GE(s[j - 1], s[j]) << c.name;
            }
        }
        // ||A - U S V^T|| / (max(m, n) eps ||A||), ||U^T U - I||, ||V^T V - I||
        EXPECT_LT(ratio(reconstruct(u, s, v, c.m, c.n), c.a, c.m, c.n, norm1(c.a, c.m, c.n)), kRatioBound) << c.name;
        if (norm1(c.a, c.m, c.n) > 0) {
            EXPECT_LT(orthogonality(u, c.m, c.n), kRatioBound) << c.name;
        }
        EXPECT_LT(orthogonality(v, c.n, c.n), kRatioBound) << c.name;
        // The values alone agree with the full decomposition's.
        Mat copy = c.a, s2(c.n);
        ASSERT_EQ(SVDS(copy.data(), c.m, c.n, s2.data()), 0);
        for (int j = 0; j < c.n; ++j) EXPECT_NEAR(s2[j], s[j], 4 * c.m * kEps * s[0]) << c.name;
    }
}

TEST(SVD, ValuesMatchClosedForms) {
    // A diagonal matrix with shuffled entries: its values are the sorted
    // magnitudes, exactly.
    Mat a = {0, 0, -2, 0, 5, 0, 0.5, 0, 0, 0, 0, 0};  // 4 x 3
    Mat s(3), v(9);
    ASSERT_EQ(SVD(a.data(), 4, 3, s.data(), v.data()), 0);
    EXPECT_EQ(s, (Mat{5, 2, 0.5}));
    // The (n+1) x n bidiagonal-like matrix with ones on both diagonals has
    // singular values 2 cos(k pi / (2(n+1))), k = 1..n.
    const int n = 8;
    Mat b((n + 1) * n, 0.0), sb(n);
    for (int i = 0; i < n; ++i) {
        b[size_t(i) * n + i] = 1;
        b[size_t(i + 1) * n + i] = 1;
    }
    ASSERT_EQ(SVDS(b.data(), n + 1, n, sb.data()), 0);
    for (int k = 1; k <= n; ++k)
        EXPECT_NEAR(sb[k - 1], 2 * std::cos(k * M_PI / (2 * (n + 1))), 8 * n * kEps) << k;
}

TEST(SVD, CodesAndNonFiniteInput) {
    Mat a(6, 1.0), s(3), v(9);
    const Mat before = a;
    EXPECT_EQ(SVD(a.data(), 2, 3, s.data(), v.data()), kErrBadArraySize);
    EXPECT_EQ(a, before);
    EXPECT_EQ(SVD(a.data(), 3, 0, s.data(), v.data()), kErrEmptyArray);
    EXPECT_EQ(SVDS(a.data(), 3, 0, s.data()), kErrEmptyArray);
    EXPECT_EQ(SVDS(a.data(), 0, 0, s.data()), kErrEmptyArray);
    // NaN and infinity end at once with the no-convergence code.
    for (double bad : {std::nan(""), HUGE_VAL, -HUGE_VAL}) {
        Mat x = randomMatrix(5, 4, 800);
        x[7] = bad;
        Mat sv(4), vv(16);
        EXPECT_EQ(SVD(x.data(), 5, 4, sv.data(), vv.data()), kErrNoConvergence);
        x = randomMatrix(5, 4, 800);
        x[19] = bad;
        EXPECT_EQ(SVDS(x.data(), 5, 4, sv.data()), kErrNoConvergence);
    }
    // Entries near the overflow threshold: finite input whose norm is not.
    Mat big = {1e308, 1e308, 1e308, -1e308};
    Mat sv(2), vv(4);
    const int32_t code = SVD(big.data(), 2, 2, sv.data(), vv.data());
    EXPECT_TRUE(code == 0 || code == kErrNoConvergence) << code;

    DoubleMatrixHandle h(2, 3, {1, 2, 3, 4, 5, 6});
    DoubleHandle hs({9});
    DoubleMatrixHandle hv(1, 1, {9});
    int32_t err = 0;
    SVD_head(h, hs, hv, &err);
    EXPECT_EQ(err, kErrBadArraySize);
    EXPECT_TRUE(h.emptied());
    EXPECT_TRUE(hs.emptied());
    EXPECT_TRUE(hv.emptied());
    DoubleMatrixHandle id(2, 2, {1, 0, 0, 1});
    SVD_head(id, hs, hv, &err);
    ASSERT_EQ(err, 0);
    EXPECT_EQ(hs.values(), (Mat{1, 1}));
    EXPECT_EQ(hv.values(), identity(2));
    EXPECT_EQ(id.values(), identity(2));
    DoubleMatrixHandle keep(3, 2, {3, 0, 0, 4, 0, 0});
    SVDS_head(keep, hs, &err);
    ASSERT_EQ(err, 0);
    EXPECT_EQ(hs.values(), (Mat{4, 3}));
    EXPECT_EQ(keep.values(), (Mat{3, 0, 0, 4, 0, 0}));
}

TEST(PseudoInverse, SatisfiesPenroseConditions) {
    const std::vector<Shape> shapes = {{"1x2", 1, 2, {1, 1}},
                                       {"tall 9x4", 9, 4, randomMatrix(9, 4, 900)},
                                       {"wide 4x9", 4, 9, randomMatrix(4, 9, 901)},
                                       {"rank 2 of 5x4", 5, 4, lowRank(5, 4, 2, 902)},
                                       {"rank 2 of 5x4 scaled 1e3", 5, 4, {}},
                                       {"rank 2 of 5x4 scaled 1e-3", 5, 4, {}}};
    for (Shape c : shapes) {
        if (c.a.empty()) {
            c.a = lowRank(5, 4, 2, 902);
            const double k = c.name[24] == '-' ? 1e-3 : 1e3;
            for (double &x : c.a) x *= k;
        }
        Mat p(size_t(c.m) * c.n);
        ASSERT_EQ(PseudoInverse(c.a.data(), c.m, c.n, -1, p.data()), 0) << c.name;
        // A P A = A and P A P = P, relative to ||A|| ||P|| ||A||.
        const auto ap = mul(c.a, p, c.m, c.n, c.m);
        const Mat apm(ap.begin(), ap.end());
        const long double na = norm1(c.a, c.m, c.n), np = norm1(p, c.n, c.m);
        EXPECT_LT(ratio(mul(apm, c.a, c.m, c.m, c.n), c.a, c.m, c.n, na * np * na), kRatioBound) << c.name;
        const auto pa = mul(p, c.a, c.n, c.m, c.n);
        const Mat pam(pa.begin(), pa.end());
        EXPECT_LT(ratio(mul(pam, p, c.n, c.n, c.m), p, c.n, c.m, np * na * np), kRatioBound) << c.name;
        // A P and P A symmetric.
        EXPECT_LT(ratio(apm, transpose(apm, c.m, c.m), c.m, c.m, na * np), kRatioBound) << c.name;
        EXPECT_LT(ratio(pam, transpose(pam, c.n, c.n), c.n, c.n, na * np), kRatioBound) << c.name;
        // The default threshold is relative: scaling A by k scales A^+ by
        // 1/k, so the rank-2 pseudo-inverses stay small.
        EXPECT_LT(double(np * norm1(c.a, c.m, c.n)), 1e3) << c.name;
    }
    const double a12[] = {1, 1};
    double p[2];
    ASSERT_EQ(PseudoInverse(a12, 1, 2, -1, p), 0);
    EXPECT_NEAR(p[0], 0.5, 2 * kEps);
    EXPECT_NEAR(p[1], 0.5, 2 * kEps);
    // An explicit tolerance is absolute: 2 > tol keeps the only value.
    const double two[] = {2};
    ASSERT_EQ(PseudoInverse(two, 1, 1, 1.5, p), 0);
    EXPECT_EQ(p[0], 0.5);
    ASSERT_EQ(PseudoInverse(two, 1, 1, 2.0, p), 0);
    EXPECT_EQ(p[0], 0.0);
    EXPECT_EQ(PseudoInverse(two, 0, 1, -1, p), kErrEmptyArray);

    DoubleMatrixHandle h(1, 2, {1, 1});
    int32_t err = 0;
    PseudoInverse_head(h, -1, &err);
    ASSERT_EQ(err, 0);
    EXPECT_EQ(h.rows(), 2);
    EXPECT_EQ(h.cols(), 1);
    DoubleMatrixHandle nan(1, 1, {std::nan("")});
    PseudoInverse_head(nan, -1, &err);
    EXPECT_EQ(err, kErrNoConvergence);
    EXPECT_TRUE(nan.emptied());
}

TEST(Rank, CountsValuesAboveTheThreshold) {
    int32_t rank = 0;
    const double a[] = {1, 2, 2, 4};
    ASSERT_EQ(Rank(a, 2, 2, -1, &rank), 0);
    EXPECT_EQ(rank, 1);
    for (auto [m, n, r] : {std::tuple{7, 5, 3}, {5, 7, 2}, {6, 6, 6}, {1, 4, 1}}) {
        const Mat x = lowRank(m, n, r, 950 + m * n);
        ASSERT_EQ(Rank(x.data(), m, n, -1, &rank), 0);
        EXPECT_EQ(rank, r) << m << "x" << n;
    }
    // Hilbert 12 has condition ~1.7e16: its smallest values fall below
    // 12 s0 eps, so its numerical rank is below 12; with tol 0 every
    // non-zero value counts.
    ASSERT_EQ(Rank(hilbert(12).data(), 12, 12, -1, &rank), 0);
    EXPECT_LT(rank, 12);
    ASSERT_EQ(Rank(hilbert(12).data(), 12, 12, 0, &rank), 0);
    EXPECT_EQ(rank, 12);
    EXPECT_EQ(Rank(a, 2, 0, -1, &rank), kErrEmptyArray);
    EXPECT_EQ(rank, -1);
    DoubleMatrixHandle h(0, 0, {});
    int32_t err = 0;
    rank = 5;
    Rank_head(h, -1, &rank, &err);
    EXPECT_EQ(err, kErrEmptyArray);
    EXPECT_EQ(rank, -1);
}

TEST(Norm, MatchesDirectFormulas) {
    const int m = 6, n = 4;
    const Mat a = randomMatrix(m, n, 1000);
    long double col = 0, row = 0, fro = 0;
    for (int j = 0; j < n; ++j) {
        long double s = 0;
        for (int i = 0; i < m; ++i) s += std::fabs(a[size_t(i) * n + j]);
        col = std::max(col, s);
    }
    for (int i = 0; i < m; ++i) {
        long double s = 0;
        for (int j = 0; j < n; ++j) {
            s += std::fabs(a[size_t(i) * n + j]);
            fro += (long double)a[size_t(i) * n + j] * a[size_t(i) * n + j];
        }
        row = std::max(row, s);
    }
    double out = 0;
    ASSERT_EQ(Norm(a.data(), m, n, 1, &out), 0);
    EXPECT_EQ(out, (double)col);
    ASSERT_EQ(Norm(a.data(), m, n, 3, &out), 0);
    EXPECT_EQ(out, (double)row);
    ASSERT_EQ(Norm(a.data(), m, n, 2, &out), 0);
    EXPECT_NEAR(out, (double)std::sqrt(fro), 4 * kEps * out);
    // 2-norm: the largest singular value, also of the wide transpose.
    ASSERT_EQ(Norm(a.data(), m, n, 0, &out), 0);
    const Mat t = transpose(a, m, n);
    double outT = 0;
    ASSERT_EQ(Norm(t.data(), n, m, 0, &outT), 0);
    EXPECT_NEAR(out, outT, 8 * m * kEps * out);
    const double r[] = {3, 4};  // a single row: 2-norm 5
    ASSERT_EQ(Norm(r, 1, 2, 0, &out), 0);
    EXPECT_NEAR(out, 5.0, 4 * kEps * 5);
    const double withNaN[] = {1, std::nan(""), 3, 4};
    for (int code = 0; code < 4; ++code) {
        ASSERT_EQ(Norm(withNaN, 2, 2, code, &out), 0);
        EXPECT_TRUE(std::isnan(out)) << code;
    }
    EXPECT_EQ(Norm(r, 1, 2, 4, &out), kErrInvalidSelector);
    EXPECT_TRUE(isIDNaN(out));
    EXPECT_EQ(Norm(r, 0, 2, 4, &out), kErrEmptyArray);
}

TEST(CondNumber, ClosedFormsAndSingularMatrices) {
    double cond = 0;
    const Mat id = identity(2);
    for (int code : {0, 1, 3}) {
        ASSERT_EQ(CondNumber(id.data(), 2, 2, code, &cond), 0);
        EXPECT_EQ(cond, 1.0) << code;
    }
    ASSERT_EQ(CondNumber(id.data(), 2, 2, 2, &cond), 0);
    EXPECT_NEAR(cond, 2.0, 4 * kEps);
    const Mat sing = {1, 0, 0, 0};
    for (int code = 0; code < 4; ++code) {
        EXPECT_EQ(CondNumber(sing.data(), 2, 2, code, &cond), kErrSingularMatrix) << code;
        EXPECT_TRUE(isIDNaN(cond));
    }
    // diag(1, 1e-6) has condition 1e6 in every p-norm; a 3 x 2 tall matrix
    // with orthogonal columns of norms 4 and 2 has 2-norm condition 2.
    const Mat d = {1, 0, 0, 1e-6};
    for (int code : {0, 1, 3}) {
        ASSERT_EQ(CondNumber(d.data(), 2, 2, code, &cond), 0);
        EXPECT_NEAR(cond, 1e6, 1e6 * 8 * kEps) << code;
    }
    const Mat tall = {4, 0, 0, 2, 0, 0};
    ASSERT_EQ(CondNumber(tall.data(), 3, 2, 0, &cond), 0);
    EXPECT_NEAR(cond, 2.0, 8 * kEps);
    EXPECT_EQ(CondNumber(tall.data(), 3, 2, 1, &cond), kErrNotSquare);
    EXPECT_EQ(CondNumber(tall.data(), 3, 2, 7, &cond), kErrInvalidSelector);
    EXPECT_EQ(CondNumber(tall.data(), 0, 2, 7, &cond), kErrEmptyArray);
    DoubleMatrixHandle h(3, 2, tall);
    int32_t err = 0;
    CondNumber_head(h, 1, &cond, &err);
    EXPECT_EQ(err, kErrNotSquare);
    EXPECT_TRUE(isIDNaN(cond));
}
