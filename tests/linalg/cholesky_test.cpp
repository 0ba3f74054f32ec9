// Packed layouts both ways, the Cholesky factor by its residual, packed
// solves and inverses, the triangular routines and the definiteness test.
#include <orin/linalg.h>

#include <gtest/gtest.h>

#include "linalg_reference.h"
#include "support/handles.h"

using namespace linalgtest;
using orintest::DoubleHandle;
using orintest::DoubleMatrixHandle;
using orintest::isIDNaN;

namespace {

// A random symmetric positive-definite matrix: B B^T + n I.
Mat spdMatrix(int n, uint64_t seed) {
    const Mat b = randomMatrix(n, n, seed);
    const auto p = mul(b, transpose(b, n, n), n, n, n);
    Mat a(p.begin(), p.end());
    for (int i = 0; i < n; ++i) a[size_t(i) * n + i] += n;
    return a;
}

Mat unpack(const Mat &packed, int n, int mode) {
    Mat a(size_t(n) * n, -7.0);
    EXPECT_EQ(Compact_to_Matrix(packed.data(), n, mode, a.data()), 0);
    return a;
}

}  // namespace

TEST(Packed, LayoutsBothWays) {
    // 3 x 3 with entries 10 i + j.
    const Mat a = {0, 1, 2, 10, 11, 12, 20, 21, 22};
    Mat p(6);
    ASSERT_EQ(Matrix_to_Compact(a.data(), 3, 0, p.data()), 0);
    EXPECT_EQ(p, (Mat{0, 10, 20, 11, 21, 22}));  // columns of the lower triangle
    EXPECT_EQ(unpack(p, 3, 0), (Mat{0, 0, 0, 10, 11, 0, 20, 21, 22}));
    EXPECT_EQ(unpack(p, 3, 2), (Mat{0, 10, 20, 10, 11, 21, 20, 21, 22}));
    ASSERT_EQ(Matrix_to_Compact(a.data(), 3, 1, p.data()), 0);
    EXPECT_EQ(p, (Mat{0, 1, 11, 2, 12, 22}));  // columns of the upper triangle
    EXPECT_EQ(unpack(p, 3, 1), (Mat{0, 1, 2, 0, 11, 12, 0, 0, 22}));
    // An unknown mode is refused and writes nothing.
    Mat untouched(6, 5.0);
    EXPECT_EQ(Matrix_to_Compact(a.data(), 3, 3, untouched.data()), kErrInvalidSelector);
    EXPECT_EQ(untouched, Mat(6, 5.0));
    Mat full(9, 5.0);
    EXPECT_EQ(Compact_to_Matrix(p.data(), 3, -1, full.data()), kErrInvalidSelector);
    EXPECT_EQ(full, Mat(9, 5.0));
    EXPECT_EQ(Matrix_to_Compact(a.data(), 0, 0, p.data()), kErrEmptyArray);

    DoubleMatrixHandle h(3, 3, a);
    DoubleHandle packed;
    int32_t err = 0;
    Matrix_to_Compact_head(h, 1, packed, &err);
    ASSERT_EQ(err, 0);
    EXPECT_EQ(packed.values(), (Mat{0, 1, 11, 2, 12, 22}));
    DoubleMatrixHandle back(0, 0, {});
    Compact_to_Matrix_head(packed, 1, back, &err);
    ASSERT_EQ(err, 0);
    EXPECT_EQ(back.values(), (Mat{0, 1, 2, 0, 11, 12, 0, 0, 22}));
    DoubleHandle four({1, 2, 3, 4});
    Compact_to_Matrix_head(four, 0, back, &err);
    EXPECT_EQ(err, kErrNotSquare);
    EXPECT_TRUE(back.emptied());
}

TEST(Cholesky, FactorReproducesTheMatrix) {
    Mat small = {4, 2, 3};
    ASSERT_EQ(Cholesky(small.data(), 2), 0);
    EXPECT_EQ(small[0], 2.0);
    EXPECT_EQ(small[1], 1.0);
    EXPECT_EQ(small[2], std::sqrt(2.0));
    for (int n : {1, 7, 60}) {
        const Mat a = spdMatrix(n, 300 + n);
        Mat p(size_t(n) * (n + 1) / 2);
        ASSERT_EQ(Matrix_to_Compact(a.data(), n, 2, p.data()), 0);
        ASSERT_EQ(Cholesky(p.data(), n), 0) << n;
        const Mat l = unpack(p, n, 0);
        // ||A - L L^T|| / (n eps ||A||)
        EXPECT_LT(ratio(mul(l, transpose(l, n, n), n, n, n), a, n, n, norm1(a, n, n)), kRatioBound) << n;

        const Mat b = orintest::randomDoubles(n, 400 + n);
        Mat x(n);
        ASSERT_EQ(CholeskyLinEqs(p.data(), b.data(), n, x.data()), 0);
        EXPECT_LT(ratio(mul(a, x, n, n, 1), b, n, 1, norm1(a, n, n) * norm1(x, n, 1)), kRatioBound) << n;

        // The packed inverse, in place.
        Mat inv = p;
        ASSERT_EQ(Cholesky_InvMatrix(inv.data(), n, inv.data()), 0);
        const Mat full = unpack(inv, n, 2);
        EXPECT_LT(ratio(mul(a, full, n, n, n), identity(n), n, n, norm1(a, n, n) * norm1(full, n, n)), kRatioBound)
            << n;
    }
}

TEST(Cholesky, RejectsIndefiniteAndTinyDiagonals) {
    Mat indefinite = {1, 2, 1};  // [[1, 2], [2, 1]]
    EXPECT_EQ(Cholesky(indefinite.data(), 2), kErrSingularMatrix);
    Mat nan = {std::nan(""), 0, 1};
    EXPECT_EQ(Cholesky(nan.data(), 2), kErrSingularMatrix);
    // The second diagonal sqrt(1e-20) = 1e-10 is below sqrt(2^-63) ~ 3.3e-10
    // of the largest entry (1): singular to working precision.
    Mat nearly = {1, 0, 1e-20};
    EXPECT_EQ(Cholesky(nearly.data(), 2), kErrSingularMatrix);
    Mat ok = {1, 0, 1e-18};  // 1e-9 passes
    EXPECT_EQ(Cholesky(ok.data(), 2), 0);
    EXPECT_EQ(Cholesky(ok.data(), 0), kErrEmptyArray);

    int32_t err = 0;
    DoubleHandle four({1, 2, 3, 4}), empty;
    Cholesky_head(four, &err);
    EXPECT_EQ(err, kErrNotSquare);
    EXPECT_TRUE(four.emptied());
    Cholesky_head(empty, &err);
    EXPECT_EQ(err, kErrEmptyArray);
    DoubleHandle packed({4, 2, 3}), b({2, 1}), b3({1, 2, 3});
    CholeskyLinEqs_head(packed, b3, &err);
    EXPECT_EQ(err, kErrArraySizeMismatch);
    EXPECT_TRUE(b3.emptied());
    Cholesky_head(packed, &err);
    ASSERT_EQ(err, 0);
    CholeskyLinEqs_head(packed, b, &err);
    ASSERT_EQ(err, 0);
    // [[4, 2], [2, 3]] x = (2, 1) has x = (0.5, 0).
    EXPECT_NEAR(b.values()[0], 0.5, 4 * kEps);
    EXPECT_NEAR(b.values()[1], 0.0, 4 * kEps);
    Cholesky_InvMatrix_head(packed, &err);
    ASSERT_EQ(err, 0);
    // The inverse is [[3, -2], [-2, 4]] / 8.
    const Mat inv = packed.values();
    EXPECT_NEAR(inv[0], 3.0 / 8, 8 * kEps);
    EXPECT_NEAR(inv[1], -2.0 / 8, 8 * kEps);
    EXPECT_NEAR(inv[2], 4.0 / 8, 8 * kEps);
}

TEST(Triangular, SolvesAndInversesInBothLayouts) {
    const int n = 9;
    Mat a = randomMatrix(n, n, 500);
    for (int i = 0; i < n; ++i) a[size_t(i) * n + i] += 3;  // well away from singular
    for (int triangle : {0, 1}) {
        Mat p(size_t(n) * (n + 1) / 2);
        ASSERT_EQ(Matrix_to_Compact(a.data(), n, triangle, p.data()), 0);
        const Mat t = unpack(p, n, triangle);
        const Mat b = orintest::randomDoubles(n, 501);
        Mat x = b;
        ASSERT_EQ(TriLinEqs(p.data(), x.data(), n, triangle, x.data()), 0);
        EXPECT_LT(ratio(mul(t, x, n, n, 1), b, n, 1, norm1(t, n, n) * norm1(x, n, 1)), kRatioBound) << triangle;
        Mat inv(p.size());
        ASSERT_EQ(Tri_InvMatrix(p.data(), n, triangle, inv.data()), 0);
        const Mat ti = unpack(inv, n, triangle);
        EXPECT_LT(ratio(mul(t, ti, n, n, n), identity(n), n, n, norm1(t, n, n) * norm1(ti, n, n)), kRatioBound)
            << triangle;
    }
    // Checks: the triangle code first, then the size, then the diagonal.
    Mat p = {1, 0, 1e-20};  // lower [[1, 0], [0, 1e-20]]: 1e-20 <= 2^-63
    double x[2] = {1, 1};
    EXPECT_EQ(TriLinEqs(p.data(), x, 0, 2, x), kErrInvalidSelector);
    EXPECT_EQ(TriLinEqs(p.data(), x, 0, 0, x), kErrEmptyArray);
    EXPECT_EQ(TriLinEqs(p.data(), x, 2, 0, x), kErrSingularMatrix);
    p[2] = 1e-18;
    EXPECT_EQ(TriLinEqs(p.data(), x, 2, 0, x), 0);
    p[2] = std::nan("");
    EXPECT_EQ(Tri_InvMatrix(p.data(), 2, 0, p.data()), kErrSingularMatrix);

    int32_t err = 0;
    DoubleHandle packed({2, 1, 4}), b({2, 5});
    TriLinEqs_head(packed, 1, b, &err);  // upper [[2, 1], [0, 4]]
    ASSERT_EQ(err, 0);
    EXPECT_EQ(b.values(), (Mat{0.375, 1.25}));
    TriLinEqs_head(packed, 3, b, &err);
    EXPECT_EQ(err, kErrInvalidSelector);
    EXPECT_TRUE(b.emptied());
    Tri_InvMatrix_head(packed, 1, &err);
    ASSERT_EQ(err, 0);
    EXPECT_EQ(packed.values(), (Mat{0.5, -0.125, 0.25}));
}

TEST(CheckPosdef, DecidesBySymmetryAndEigenvalues) {
    int32_t result = -1;
    const Mat spd = spdMatrix(6, 600);
    ASSERT_EQ(CheckPosdef(spd.data(), 6, &result), 0);
    EXPECT_EQ(result, 1);
    Mat asym = spd;
    asym[1] += 1e-9;
    ASSERT_EQ(CheckPosdef(asym.data(), 6, &result), 0);
    EXPECT_EQ(result, 0);
    const Mat indefinite = {1, 2, 2, 1};
    ASSERT_EQ(CheckPosdef(indefinite.data(), 2, &result), 0);
    EXPECT_EQ(result, 0);
    const Mat semidefinite = {1, 0, 0, 0};
    ASSERT_EQ(CheckPosdef(semidefinite.data(), 2, &result), 0);
    EXPECT_EQ(result, 0);
    const Mat nan = {std::nan(""), 0, 0, 1};
    ASSERT_EQ(CheckPosdef(nan.data(), 2, &result), 0);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(CheckPosdef(nan.data(), 0, &result), kErrEmptyArray);

    int32_t err = 0;
    DoubleMatrixHandle wide(1, 2, {1, 2});
    result = 7;
    CheckPosdef_head(wide, &result, &err);
    EXPECT_EQ(err, kErrNotSquare);
    EXPECT_EQ(result, 0);
    DoubleMatrixHandle ok(2, 2, {2, 1, 1, 2});
    CheckPosdef_head(ok, &result, &err);
    EXPECT_EQ(err, 0);
    EXPECT_EQ(result, 1);
}
