// QR factorisations by reconstruction, orthogonality and the staircase of
// R; the kernels' closed forms; rank-deficient and non-finite input.
#include <orin/linalg.h>

#include "support/prelude.h"

#include "linalg_reference.h"

using namespace linalgtest;

TEST(QR, AllAlgorithmsFactorWithOrthogonalQ) {
    struct Shape {
        const char *name;
        int m, n, rank;
        Mat a;
    };
    const std::vector<Shape> shapes = {{"1x1", 1, 1, 1, {-2}},
                                       {"square 9", 9, 9, 9, random(9, 9, 1600)},
                                       {"tall 14x5", 14, 5, 5, random(14, 5, 1601)},
                                       {"wide 4x10", 4, 10, 4, random(4, 10, 1602)},
                                       {"rank 2 of 8x6", 8, 6, -1, lowRank(8, 6, 2, 1603)},
                                       {"hilbert 7", 7, 7, 7, hilbert(7)}};
    for (const Shape &c : shapes)
        for (int algorithm = 0; algorithm < 3; ++algorithm) {
            SCOPED_TRACE(std::string(c.name) + " algorithm " + std::to_string(algorithm));
            Mat q(size_t(c.m) * c.m), r(size_t(c.m) * c.n);
            int32_t rank = -1;
            ASSERT_EQ(qrd(c.a.data(), c.m, c.n, algorithm, q.data(), r.data(), &rank), 0);
            EXPECT_LT(reconstructionRatio(c.a, productL(q, r, c.m, c.m, c.n), c.m, c.n), kBound);
            EXPECT_LT(orthogonalityRatio(q, c.m, c.m), kBound);
            for (int i = 0; i < c.m; ++i)
                for (int j = 0; j < std::min(i, c.n); ++j) EXPECT_EQ(r[size_t(i) * c.n + j], 0.0);
            if (algorithm > 0 && c.rank > 0) {
                EXPECT_EQ(rank, c.rank);
            }
        }
}

TEST(QR, RankDeficientStaircasesAndIdentity) {
    const Mat a = {1, 2, 0, 0, 0, 0};  // [[1, 2], [0, 0], [0, 0]]: rank 1
    Mat q(9), r(9);
    int32_t rank = -1;
    for (int algorithm : {1, 2}) {
        ASSERT_EQ(qrd(a.data(), 3, 2, algorithm, q.data(), r.data(), &rank), 0);
        EXPECT_EQ(rank, 1) << algorithm;
        EXPECT_EQ(r[3], 0.0);
        EXPECT_EQ(r[5], 0.0);
    }
    // A zero first column: R's staircase starts in column 1 at row 0.
    const Mat z = {0, 3, 1, 0, 4, 2, 0, 0, 5};
    for (int algorithm = 0; algorithm < 3; ++algorithm) {
        ASSERT_EQ(qrd(z.data(), 3, 3, algorithm, q.data(), r.data(), &rank), 0);
        EXPECT_TRUE(r[0] == 0 && r[3] == 0 && r[6] == 0 && r[7] == 0) << algorithm;
        EXPECT_NEAR(std::fabs(r[1]), 5.0, 8 * kEps) << algorithm;
        EXPECT_LT(reconstructionRatio(z, productL(q, r, 3, 3, 3), 3, 3), kBound) << algorithm;
    }
    // The identity: rotations stay the identity, reflections flip signs.
    const Mat id = identity(2);
    ASSERT_EQ(givens_qrd(id.data(), 2, 2, q.data(), r.data(), &rank), 0);
    EXPECT_EQ(Mat(q.begin(), q.begin() + 4), id);
    EXPECT_EQ(rank, 2);
    ASSERT_EQ(Householder_Factor(id.data(), 2, 2, q.data(), r.data()), 0);
    EXPECT_EQ(Mat(q.begin(), q.begin() + 4), (Mat{-1, 0, 0, -1}));
    EXPECT_EQ(Mat(r.begin(), r.begin() + 4), (Mat{-1, 0, 0, -1}));
}

TEST(QR, NonFiniteColumnPropagates) {
    Mat a = random(4, 3, 1800), q(16), r(12);
    a[4] = std::nan("");  // column 1
    ASSERT_EQ(Householder_Factor(a.data(), 4, 3, q.data(), r.data()), 0);
    for (int i = 1; i < 4; ++i) EXPECT_TRUE(std::isnan(r[size_t(i) * 3 + 1])) << i;  // not a silent 0
    EXPECT_TRUE(std::isnan(q[0]));
    EXPECT_FALSE(std::isnan(r[0]));  // the first column's reflection stands
}

TEST(QR, KernelClosedFormsAndChecks) {
    double c = 0, s = 0;
    givens(3, 4, &c, &s);
    EXPECT_NEAR(c, 0.6, kEps);
    EXPECT_NEAR(s, 0.8, kEps);
    givens(1, 0, &c, &s);
    EXPECT_TRUE(c == 1 && s == 0);
    Mat m = {3, 1, 4, 2};
    ASSERT_EQ(MMprod_givens(0.6, 0.8, 0, 1, m.data(), 2, 2), 0);
    EXPECT_NEAR(m[0], 5.0, 4 * kEps);
    EXPECT_NEAR(m[2], 0.0, 4 * kEps);
    EXPECT_EQ(MMprod_givens(0.6, 0.8, 0, 2, m.data(), 2, 2), kErrIndexOutOfRange);
    EXPECT_EQ(MMprod_fast_giv(1, 1, 1, -1, 0, m.data(), 2, 2), kErrIndexOutOfRange);
    // A fast rotation F zeroes b, and F diag(1.5, 0.5) F^T = diag(d1, d2).
    for (auto [a0, b0] : {std::pair{1.0, 3.0}, {3.0, 1.0}, {2.0, 0.0}}) {
        int32_t type = 0;
        double alpha = 0, beta = 0, d1 = 1.5, d2 = 0.5;
        fast_givens(a0, b0, &type, &alpha, &beta, &d1, &d2);
        Mat x = {a0, 1, 0, b0, 0, 1};  // rows (a, e0) and (b, e1)
        ASSERT_EQ(MMprod_fast_giv(alpha, beta, type, 0, 1, x.data(), 2, 3), 0);
        EXPECT_NEAR(x[3], 0.0, 8 * kEps * (a0 + b0));
        EXPECT_NEAR(x[1] * x[1] * 1.5 + x[2] * x[2] * 0.5, d1, 16 * kEps * d1);
        EXPECT_NEAR(x[4] * x[4] * 1.5 + x[5] * x[5] * 0.5, d2, 16 * kEps * d2);
        EXPECT_NEAR(x[1] * x[4] * 1.5 + x[2] * x[5] * 0.5, 0.0, 16 * kEps * d1);
    }
    const double x[] = {3, 4}, zero[] = {0, 0}, nan[] = {std::nan(""), 1};
    double v[2], y[2];
    HouseholderVector hh{0, 0, v};
    ASSERT_EQ(house_calc(x, 2, &hh), 0);
    ASSERT_EQ(MVprod_house(&hh, 0, x, 2, y), 0);
    EXPECT_NEAR(y[0], -5.0, 4 * kEps);  // x onto -sign(x0) ||x|| e0
    EXPECT_NEAR(y[1], 0.0, 4 * kEps);
    EXPECT_EQ(MVprod_house(&hh, 1, x, 2, y), kErrBadArraySize);
    EXPECT_EQ(house_calc(zero, 2, &hh), kErrZeroNormVector);
    EXPECT_EQ(house_calc(nan, 2, &hh), kErrZeroNormVector);
    const Mat a = {1, 2, 3, 4, 5, 6};
    const double d2[] = {10, 100}, d3[] = {2, 3, 5};
    Mat out(6);
    ASSERT_EQ(DMprod(a.data(), 2, 3, d2, 2, out.data()), 0);
    EXPECT_EQ(out, (Mat{10, 20, 30, 400, 500, 600}));
    ASSERT_EQ(MDprod(a.data(), 2, 3, d3, 3, out.data()), 0);
    EXPECT_EQ(out, (Mat{2, 6, 15, 8, 15, 30}));
    EXPECT_EQ(MDprod(a.data(), 2, 3, d2, 2, out.data()), kErrBadArraySize);
    EXPECT_EQ(DMprod(a.data(), 2, 3, d3, 3, out.data()), kErrBadArraySize);
}
