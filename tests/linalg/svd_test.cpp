// SVD by reconstruction and orthogonality, singular values against closed
// forms, and the measures built on it: pseudo-inverse by the Penrose
// conditions, rank, norms against direct formulas, condition numbers.
#include <orin/linalg.h>

#include "support/prelude.h"

#include "linalg_reference.h"

using namespace linalgtest;

namespace {

struct Shape {
    const char *name;
    int m, n;
    Mat a;
};

}  // namespace

TEST(SVD, ReconstructsWithOrthogonalFactors) {
    const std::vector<Shape> shapes = {{"1x1", 1, 1, {-3}},
                                       {"tall 30x7", 30, 7, random(30, 7, 701)},
                                       {"rank 3 of 15x9", 15, 9, lowRank(15, 9, 3, 702)},
                                       {"hilbert 10", 10, 10, hilbert(10)},
                                       {"zero 4x3", 4, 3, Mat(12, 0.0)}};
    for (const Shape &c : shapes) {
        Mat u = c.a, s(c.n), v(size_t(c.n) * c.n), copy = c.a, s2(c.n);
        ASSERT_EQ(SVD(u.data(), c.m, c.n, s.data(), v.data()), 0) << c.name;
        EXPECT_TRUE(std::is_sorted(s.rbegin(), s.rend()) && s.back() >= 0) << c.name;
        Mat us = u;
        for (size_t i = 0; i < us.size(); ++i) us[i] *= s[i % c.n];
        EXPECT_LT(reconstructionRatio(c.a, productL(us, transpose(v, c.n, c.n), c.m, c.n, c.n), c.m, c.n), kBound)
            << c.name;
        if (s[0] > 0) {
            EXPECT_LT(orthogonalityRatio(u, c.m, c.n), kBound) << c.name;
        }
        EXPECT_LT(orthogonalityRatio(v, c.n, c.n), kBound) << c.name;
        ASSERT_EQ(SVDS(copy.data(), c.m, c.n, s2.data()), 0);  // the values alone agree
        for (int j = 0; j < c.n; ++j) EXPECT_NEAR(s2[j], s[j], kBound * c.m * kEps * s[0]) << c.name;
    }
}

TEST(SVD, ClosedFormsAndDiagonalInput) {
    // A shuffled diagonal: the sorted magnitudes, exactly; the identity
    // passes through with U = V = I.
    Mat a = {0, 0, -2, 0, 5, 0, 0.5, 0, 0, 0, 0, 0}, s(3), v(9), id = identity(2), s2(2), v2(4);
    ASSERT_EQ(SVD(a.data(), 4, 3, s.data(), v.data()), 0);
    EXPECT_EQ(s, (Mat{5, 2, 0.5}));
    ASSERT_EQ(SVD(id.data(), 2, 2, s2.data(), v2.data()), 0);
    EXPECT_EQ(id, identity(2));
    EXPECT_EQ(v2, identity(2));
    // (n+1) x n with ones on the diagonal and sub-diagonal: singular values
    // 2 cos(k pi / (2(n+1))), k = 1..n.
    const int n = 8;
    Mat b((n + 1) * n, 0.0), sb(n);
    for (int i = 0; i < n; ++i) b[size_t(i) * n + i] = b[size_t(i + 1) * n + i] = 1;
    ASSERT_EQ(SVDS(b.data(), n + 1, n, sb.data()), 0);
    for (int k = 1; k <= n; ++k) EXPECT_NEAR(sb[k - 1], 2 * std::cos(k * M_PI / (2 * (n + 1))), 8 * n * kEps) << k;
}

TEST(SVD, CodesAndNonFiniteInput) {
    Mat a(6, 1.0), s(3), v(9);
    EXPECT_EQ(SVD(a.data(), 2, 3, s.data(), v.data()), kErrBadArraySize);
    EXPECT_EQ(a, Mat(6, 1.0));
    EXPECT_EQ(SVD(a.data(), 3, 0, s.data(), v.data()), kErrEmptyArray);
    EXPECT_EQ(SVDS(a.data(), 3, 0, s.data()), kErrEmptyArray);
    for (double bad : {std::nan(""), HUGE_VAL, -HUGE_VAL}) {  // end at once, with a code
        Mat x = random(5, 4, 800), sv(4), vv(16);
        x[7] = bad;
        Mat y = x;
        EXPECT_EQ(SVD(x.data(), 5, 4, sv.data(), vv.data()), kErrNoConvergence);
        EXPECT_EQ(SVDS(y.data(), 5, 4, sv.data()), kErrNoConvergence);
    }
    // Finite entries whose norm overflows: bounded, and never out of bounds.
    Mat big = {1e308, 1e308, 1e308, -1e308}, sv(2), vv(4);
    const int32_t code = SVD(big.data(), 2, 2, sv.data(), vv.data());
    EXPECT_TRUE(code == 0 || code == kErrNoConvergence) << code;
}

TEST(PseudoInverse, SatisfiesPenroseConditions) {
    Mat up = lowRank(5, 4, 2, 902), down = up;
    for (double &x : up) x *= 1e3;
    for (double &x : down) x *= 1e-3;
    const std::vector<Shape> shapes = {{"1x2", 1, 2, {1, 1}},
                                       {"wide 4x9", 4, 9, random(4, 9, 901)},
                                       {"rank 2 of 5x4", 5, 4, lowRank(5, 4, 2, 902)},
                                       {"rank 2 scaled 1e3", 5, 4, up},
                                       {"rank 2 scaled 1e-3", 5, 4, down}};
    for (const Shape &c : shapes) {
        Mat p(size_t(c.m) * c.n);
        ASSERT_EQ(PseudoInverse(c.a.data(), c.m, c.n, -1, p.data()), 0) << c.name;
        // A P A = A, P A P = P, and A P, P A symmetric.
        EXPECT_LT(tripleRatio(c.a, p, c.a, c.a, c.m, c.n, c.m, c.n), kBound) << c.name;
        EXPECT_LT(tripleRatio(p, c.a, p, p, c.n, c.m, c.n, c.m), kBound) << c.name;
        const Mat ap = product(c.a, p, c.m, c.n, c.m), pa = product(p, c.a, c.n, c.m, c.n);
        EXPECT_LT(tripleRatio(ap, identity(c.m), identity(c.m), transpose(ap, c.m, c.m), c.m, c.m, c.m, c.m), kBound);
        EXPECT_LT(tripleRatio(pa, identity(c.n), identity(c.n), transpose(pa, c.n, c.n), c.n, c.n, c.n, c.n), kBound);
        // The default threshold is relative: A^+ scales as 1/k when A scales
        // by k, so ||A|| ||A^+|| stays at the rank-2 condition (< 1e3 here,
        // where an absolute threshold kept noise of 1e-13 and gave 1e16).
        EXPECT_LT(double(orintest::normInf(c.a, c.m, c.n) * orintest::normInf(p, c.n, c.m)), 1e3) << c.name;
    }
    const double two[] = {2};  // an explicit tolerance is absolute
    double p = 0;
    ASSERT_EQ(PseudoInverse(two, 1, 1, 1.5, &p), 0);
    EXPECT_EQ(p, 0.5);
    ASSERT_EQ(PseudoInverse(two, 1, 1, 2.0, &p), 0);
    EXPECT_EQ(p, 0.0);
}

TEST(Rank, CountsValuesAboveTheThreshold) {
    int32_t rank = 0;
    const double a[] = {1, 2, 2, 4};
    ASSERT_EQ(Rank(a, 2, 2, -1, &rank), 0);
    EXPECT_EQ(rank, 1);
    for (auto [m, n, r] : {std::tuple{7, 5, 3}, {5, 7, 2}, {6, 6, 6}, {1, 4, 1}}) {
        ASSERT_EQ(Rank(lowRank(m, n, r, 950 + m * n).data(), m, n, -1, &rank), 0);
        EXPECT_EQ(rank, r) << m << "x" << n;
    }
    // Hilbert 12 (condition ~1.7e16) is numerically rank-deficient, but
    // with tol 0 every non-zero value counts.
    ASSERT_EQ(Rank(hilbert(12).data(), 12, 12, -1, &rank), 0);
    EXPECT_LT(rank, 12);
    ASSERT_EQ(Rank(hilbert(12).data(), 12, 12, 0, &rank), 0);
    EXPECT_EQ(rank, 12);
    EXPECT_EQ(Rank(a, 2, 0, -1, &rank), kErrEmptyArray);
    EXPECT_EQ(rank, -1);
}

TEST(Norm, MatchesDirectFormulas) {
    const int m = 6, n = 4;
    const Mat a = random(m, n, 1000), t = transpose(a, m, n);
    long double fro = 0;
    for (double x : a) fro += (long double)x * x;
    double out = 0, outT = 0;
    ASSERT_EQ(Norm(a.data(), m, n, 3, &out), 0);
    EXPECT_EQ(out, (double)orintest::normInf(a, m, n));
    ASSERT_EQ(Norm(a.data(), m, n, 1, &out), 0);
    EXPECT_EQ(out, (double)orintest::normInf(t, n, m));
    ASSERT_EQ(Norm(a.data(), m, n, 2, &out), 0);
    EXPECT_NEAR(out, (double)std::sqrt(fro), 4 * kEps * out);
    ASSERT_EQ(Norm(a.data(), m, n, 0, &out), 0);  // also through the wide transpose
    ASSERT_EQ(Norm(t.data(), n, m, 0, &outT), 0);
    EXPECT_NEAR(out, outT, kBound * m * kEps * out);
    const double withNaN[] = {1, std::nan(""), 3, 4};
    for (int code = 0; code < 4; ++code) {
        ASSERT_EQ(Norm(withNaN, 2, 2, code, &out), 0);
        EXPECT_TRUE(std::isnan(out)) << code;
    }
    EXPECT_EQ(Norm(withNaN, 1, 2, 4, &out), kErrInvalidSelector);
    EXPECT_TRUE(orintest::isIDNaN(out));
}

TEST(CondNumber, ClosedFormsAndSingularMatrices) {
    double cond = 0;
    const Mat id = identity(2), sing = {1, 0, 0, 0}, d = {1, 0, 0, 1e-6}, tall = {4, 0, 0, 2, 0, 0};
    for (int code : {0, 1, 3}) {
        ASSERT_EQ(CondNumber(id.data(), 2, 2, code, &cond), 0);
        EXPECT_EQ(cond, 1.0) << code;
        ASSERT_EQ(CondNumber(d.data(), 2, 2, code, &cond), 0);  // 1e6 in every p-norm
        EXPECT_NEAR(cond, 1e6, 1e6 * 8 * kEps) << code;
    }
    ASSERT_EQ(CondNumber(id.data(), 2, 2, 2, &cond), 0);  // Frobenius: 2
    EXPECT_NEAR(cond, 2.0, 4 * kEps);
    for (int code = 0; code < 4; ++code) {
        EXPECT_EQ(CondNumber(sing.data(), 2, 2, code, &cond), kErrSingularMatrix) << code;
        EXPECT_TRUE(orintest::isIDNaN(cond));
    }
    ASSERT_EQ(CondNumber(tall.data(), 3, 2, 0, &cond), 0);  // orthogonal columns of norms 4, 2
    EXPECT_NEAR(cond, 2.0, 8 * kEps);
    EXPECT_EQ(CondNumber(tall.data(), 3, 2, 7, &cond), kErrInvalidSelector);
    EXPECT_EQ(CondNumber(tall.data(), 3, 2, 1, &cond), kErrNotSquare);
}
