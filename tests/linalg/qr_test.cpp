// QR factorisations by reconstruction, orthogonality and the staircase
// shape of R, the kernels' closed forms, rank-deficient and non-finite
// input, and the dispatcher's handle form.
#include <orin/linalg.h>

#include <gtest/gtest.h>

#include "linalg_reference.h"
#include "support/handles.h"

using namespace linalgtest;
using orintest::DoubleMatrixHandle;

namespace {

struct Shape {
    const char *name;
    int m, n;
    Mat a;
};

Mat lowRank(int m, int n, int r, uint64_t seed) {
    const auto p = mul(randomMatrix(m, r, seed), randomMatrix(r, n, seed + 1), m, r, n);
    return Mat(p.begin(), p.end());
}

// Every row's first non-zero lies strictly right of the previous row's.
bool staircase(const Mat &r, int m, int n) {
    int last = -1;
    for (int i = 0; i < m; ++i) {
        int first = n;
        for (int j = 0; j < n; ++j)
            if (r[size_t(i) * n + j] != 0) {
                first = j;
                break;
            }
        if (first < n && first <= last) return false;
        if (first < n) last = first;
        else last = n;  // rows below an empty row must be empty too
    }
    return true;
}

}  // namespace

TEST(QR, AllAlgorithmsFactorWithOrthogonalQ) {
    const std::vector<Shape> shapes = {{"1x1", 1, 1, {-2}},
                                       {"square 9", 9, 9, randomMatrix(9, 9, 1600)},
                                       {"tall 14x5", 14, 5, randomMatrix(14, 5, 1601)},
                                       {"wide 4x10", 4, 10, randomMatrix(4, 10, 1602)},
                                       {"rank 2 of 8x6", 8, 6, lowRank(8, 6, 2, 1603)},
                                       {"hilbert 7", 7, 7, hilbert(7)},
                                       {"tall 300x4", 300, 4, randomMatrix(300, 4, 1604)}};
    for (const Shape &c : shapes) {
        for (int algorithm = 0; algorithm < 3; ++algorithm) {
            Mat q(size_t(c.m) * c.m), r(size_t(c.m) * c.n);
            int32_t rank = -1;
            ASSERT_EQ(qrd(c.a.data(), c.m, c.n, algorithm, q.data(), r.data(), &rank), 0) << c.name;
            // ||A - Q R|| / (max(m, n) eps ||A||) and ||Q^T Q - I|| / (m eps)
            EXPECT_LT(ratio(mul(q, r, c.m, c.m, c.n), c.a, c.m, c.n, norm1(c.a, c.m, c.n)), kRatioBound)
                << c.name << " algorithm " << algorithm;
            EXPECT_LT(orthogonality(q, c.m, c.m), kRatioBound) << c.name << " algorithm " << algorithm;
            for (int i = 0; i < c.m; ++i)
                for (int j = 0; j < std::min(i, c.n); ++j)
                    EXPECT_EQ(r[size_t(i) * c.n + j], 0.0) << c.name << " algorithm " << algorithm;
            if (algorithm > 0 && std::string(c.name).rfind("rank", 0) != 0) {
                EXPECT_EQ(rank, std::min(c.m, c.n)) << c.name << " algorithm " << algorithm;
            }
        }
    }
}

TEST(QR, RankDeficientGivesAStaircase) {
    const Mat a = {1, 2, 0, 0, 0, 0};  // [[1, 2], [0, 0], [0, 0]]
    for (int algorithm : {1, 2}) {
        Mat q(9), r(6);
        int32_t rank = -1;
        ASSERT_EQ(qrd(a.data(), 3, 2, algorithm, q.data(), r.data(), &rank), 0);
        EXPECT_EQ(rank, 1) << algorithm;
        EXPECT_EQ(r[3], 0.0);
        EXPECT_EQ(r[5], 0.0);
    }
    // A zero first column: the staircase starts in the next column at row 0.
    const Mat z = {0, 3, 1, 0, 4, 2, 0, 0, 5};
    for (int algorithm = 0; algorithm < 3; ++algorithm) {
        Mat q(9), r(9);
        int32_t rank = -1;
        ASSERT_EQ(qrd(z.data(), 3, 3, algorithm, q.data(), r.data(), &rank), 0);
        EXPECT_EQ(r[0], 0.0);
        EXPECT_EQ(r[3], 0.0);
        EXPECT_EQ(r[6], 0.0);
        EXPECT_NEAR(std::fabs(r[1]), 5.0, 8 * kEps) << algorithm;
        EXPECT_TRUE(staircase(r, 3, 3)) << algorithm;
        EXPECT_LT(ratio(mul(q, r, 3, 3, 3), z, 3, 3, norm1(z, 3, 3)), kRatioBound) << algorithm;
    }
    // Identity: rotations are the identity; each reflection flips a sign.
    const Mat id = identity(2);
    Mat q(4), r(4);
    int32_t rank = 0;
    ASSERT_EQ(givens_qrd(id.data(), 2, 2, q.data(), r.data(), &rank), 0);
    EXPECT_EQ(q, id);
    EXPECT_EQ(r, id);
    EXPECT_EQ(rank, 2);
    ASSERT_EQ(Householder_Factor(id.data(), 2, 2, q.data(), r.data()), 0);
    EXPECT_EQ(q, (Mat{-1, 0, 0, -1}));
    EXPECT_EQ(r, (Mat{-1, 0, 0, -1}));
}

TEST(QR, NonFiniteColumnPropagates) {
    Mat a = randomMatrix(4, 3, 1800);
    a[4] = std::nan("");  // column 1
    Mat q(16), r(12);
    ASSERT_EQ(Householder_Factor(a.data(), 4, 3, q.data(), r.data()), 0);
    for (int i = 1; i < 4; ++i) EXPECT_TRUE(std::isnan(r[size_t(i) * 3 + 1])) << i;
    EXPECT_TRUE(std::isnan(q[0]));
    int32_t rank = 0;
    ASSERT_EQ(givens_qrd(a.data(), 4, 3, q.data(), r.data(), &rank), 0);
    EXPECT_TRUE(std::isnan(r[4]) || std::isnan(r[1]));
    EXPECT_EQ(Householder_Factor(a.data(), 0, 3, q.data(), r.data()), kErrEmptyArray);
}

TEST(QR, KernelClosedFormsAndChecks) {
    double c = 0, s = 0;
    givens(3, 4, &c, &s);
    EXPECT_NEAR(c, 0.6, kEps);
    EXPECT_NEAR(s, 0.8, kEps);
    givens(1, 0, &c, &s);
    EXPECT_EQ(c, 1.0);
    EXPECT_EQ(s, 0.0);
    Mat m = {3, 1, 4, 2};
    ASSERT_EQ(MMprod_givens(0.6, 0.8, 0, 1, m.data(), 2, 2), 0);
    EXPECT_NEAR(m[0], 5.0, 4 * kEps);
    EXPECT_NEAR(m[2], 0.0, 4 * kEps);
    EXPECT_EQ(MMprod_givens(0.6, 0.8, 0, 2, m.data(), 2, 2), kErrIndexOutOfRange);
    EXPECT_EQ(MMprod_fast_giv(1, 1, 1, -1, 0, m.data(), 2, 2), kErrIndexOutOfRange);

    // A fast rotation zeroes b, and W W^T = D holds for the new scales.
    for (auto [a0, b0] : {std::pair{1.0, 3.0}, {3.0, 1.0}, {2.0, 0.0}}) {
        int32_t type = 0;
        double alpha = 0, beta = 0, d1 = 1.5, d2 = 0.5;
        fast_givens(a0, b0, &type, &alpha, &beta, &d1, &d2);
        Mat x = {a0, 1, 0, b0, 0, 1};  // rows (a, e0) and (b, e1)
        ASSERT_EQ(MMprod_fast_giv(alpha, beta, type, 0, 1, x.data(), 2, 3), 0);
        EXPECT_NEAR(x[3], 0.0, 8 * kEps * std::fabs(a0 + b0)) << a0 << "," << b0;
        const double w00 = x[1], w01 = x[2], w10 = x[4], w11 = x[5];
        // F diag(1.5, 0.5) F^T = diag(d1, d2)
        EXPECT_NEAR(w00 * w00 * 1.5 + w01 * w01 * 0.5, d1, 16 * kEps * d1);
        EXPECT_NEAR(w10 * w10 * 1.5 + w11 * w11 * 0.5, d2, 16 * kEps * d2);
        EXPECT_NEAR(w00 * w10 * 1.5 + w01 * w11 * 0.5, 0.0, 16 * kEps * d1);
    }

    const double x[] = {3, 4};
    double v[2];
    HouseholderVector hh{0, 0, v};
    ASSERT_EQ(house_calc(x, 2, &hh), 0);
    double y[2];
    ASSERT_EQ(MVprod_house(&hh, 0, x, 2, y), 0);
    EXPECT_NEAR(y[0], -5.0, 4 * kEps);  // maps x onto -sign(x0) ||x|| e0
    EXPECT_NEAR(y[1], 0.0, 4 * kEps);
    EXPECT_EQ(MVprod_house(&hh, 1, x, 2, y), kErrBadArraySize);
    const double zero[] = {0, 0};
    EXPECT_EQ(house_calc(zero, 2, &hh), kErrZeroNormVector);
    const double nan[] = {std::nan(""), 1};
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

TEST(QR, DispatcherHandleForm) {
    DoubleMatrixHandle a(3, 2, {1, 2, 3, 4, 5, 6}), q(0, 0, {}), r(0, 0, {});
    int32_t err = 0;
    qrd_head(a, 1, q, r, &err);
    ASSERT_EQ(err, 0);
    EXPECT_EQ(q.rows(), 3);
    EXPECT_EQ(q.cols(), 3);
    EXPECT_EQ(r.rows(), 3);
    EXPECT_EQ(r.cols(), 2);
    qrd_head(a, 3, q, r, &err);
    EXPECT_EQ(err, kErrInvalidSelector);
    EXPECT_TRUE(q.emptied());
    EXPECT_TRUE(r.emptied());
    DoubleMatrixHandle empty(0, 0, {});
    qrd_head(empty, 0, q, r, &err);
    EXPECT_EQ(err, kErrEmptyArray);
    int32_t rank = 0;
    Mat qq(1), rr(1);
    EXPECT_EQ(qrd(qq.data(), 1, 1, -1, qq.data(), rr.data(), &rank), kErrInvalidSelector);
}
