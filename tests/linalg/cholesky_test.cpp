// Packed layouts both ways, the Cholesky factor by its residual, packed
// solves and inverses in both triangles, and the definiteness test.
#include <orin/linalg.h>

#include "support/prelude.h"

#include "linalg_reference.h"

using namespace linalgtest;

namespace {

Mat unpack(const Mat &packed, int n, int mode) {
    Mat a(size_t(n) * n, -7.0);
    EXPECT_EQ(Compact_to_Matrix(packed.data(), n, mode, a.data()), 0);
    return a;
}

Mat pack(const Mat &a, int n, int mode) {
    Mat p(size_t(n) * (n + 1) / 2);
    EXPECT_EQ(Matrix_to_Compact(a.data(), n, mode, p.data()), 0);
    return p;
}

}  // namespace

TEST(Packed, LayoutsBothWays) {
    const Mat a = {0, 1, 2, 10, 11, 12, 20, 21, 22};         // entries 10 i + j
    EXPECT_EQ(pack(a, 3, 0), (Mat{0, 10, 20, 11, 21, 22}));  // lower triangle by columns
    EXPECT_EQ(pack(a, 3, 1), (Mat{0, 1, 11, 2, 12, 22}));    // upper triangle by columns
    EXPECT_EQ(unpack(pack(a, 3, 0), 3, 0), (Mat{0, 0, 0, 10, 11, 0, 20, 21, 22}));
    EXPECT_EQ(unpack(pack(a, 3, 2), 3, 2), (Mat{0, 10, 20, 10, 11, 21, 20, 21, 22}));
    EXPECT_EQ(unpack(pack(a, 3, 1), 3, 1), (Mat{0, 1, 2, 0, 11, 12, 0, 0, 22}));
    Mat untouched(9, 5.0);  // an unknown mode is refused and writes nothing
    EXPECT_EQ(Matrix_to_Compact(a.data(), 3, 3, untouched.data()), kErrInvalidSelector);
    EXPECT_EQ(Compact_to_Matrix(a.data(), 3, -1, untouched.data()), kErrInvalidSelector);
    EXPECT_EQ(untouched, Mat(9, 5.0));
}

TEST(Cholesky, FactorSolveAndInverse) {
    Mat small = {4, 2, 3};
    ASSERT_EQ(Cholesky(small.data(), 2), 0);
    EXPECT_EQ(small, (Mat{2, 1, std::sqrt(2.0)}));
    for (int n : {1, 7, 60}) {
        const Mat b = random(n, n, 300 + n);
        Mat a = product(b, transpose(b, n, n), n, n, n);  // B B^T + n I
        for (int i = 0; i < n; ++i) a[size_t(i) * n + i] += n;
        Mat p = pack(a, n, 2), x(n);
        ASSERT_EQ(Cholesky(p.data(), n), 0) << n;
        const Mat l = unpack(p, n, 0);
        EXPECT_LT(reconstructionRatio(a, productL(l, transpose(l, n, n), n, n, n), n, n), kBound) << n;
        const Mat rhs = orintest::randomDoubles(n, 400 + n);
        ASSERT_EQ(CholeskyLinEqs(p.data(), rhs.data(), n, x.data()), 0);
        EXPECT_LT(residualRatio(a, x, rhs, n, n), kBound) << n;
        ASSERT_EQ(Cholesky_InvMatrix(p.data(), n, p.data()), 0);  // in place
        EXPECT_LT(residualRatio(a, unpack(p, n, 2), identity(n), n, n, n), kBound) << n;
    }
}

TEST(Cholesky, RejectsIndefiniteAndTinyDiagonals) {
    Mat indefinite = {1, 2, 1}, nan = {std::nan(""), 0, 1};
    EXPECT_EQ(Cholesky(indefinite.data(), 2), kErrSingularMatrix);
    EXPECT_EQ(Cholesky(nan.data(), 2), kErrSingularMatrix);
    // sqrt(1e-20) = 1e-10 lies below sqrt(2^-63) ~ 3.3e-10 of the largest
    // entry (1); sqrt(1e-18) = 1e-9 does not.
    Mat nearly = {1, 0, 1e-20}, ok = {1, 0, 1e-18};
    EXPECT_EQ(Cholesky(nearly.data(), 2), kErrSingularMatrix);
    EXPECT_EQ(Cholesky(ok.data(), 2), 0);
}

TEST(Triangular, SolvesAndInversesInBothLayouts) {
    const int n = 9;
    Mat a = random(n, n, 500);
    for (int i = 0; i < n; ++i) a[size_t(i) * n + i] += 3;
    for (int triangle : {0, 1}) {
        const Mat p = pack(a, n, triangle), t = unpack(p, n, triangle), b = orintest::randomDoubles(n, 501);
        Mat x = b, inv(p.size());
        ASSERT_EQ(TriLinEqs(p.data(), x.data(), n, triangle, x.data()), 0);
        EXPECT_LT(residualRatio(t, x, b, n, n), kBound) << triangle;
        ASSERT_EQ(Tri_InvMatrix(p.data(), n, triangle, inv.data()), 0);
        EXPECT_LT(residualRatio(t, unpack(inv, n, triangle), identity(n), n, n, n), kBound) << triangle;
    }
    // The triangle code first, then the size, then the diagonal against
    // 2^-63 of the largest entry.
    Mat p = {1, 0, 1e-20};
    double x[2] = {1, 1};
    EXPECT_EQ(TriLinEqs(p.data(), x, 0, 2, x), kErrInvalidSelector);
    EXPECT_EQ(TriLinEqs(p.data(), x, 0, 0, x), kErrEmptyArray);
    EXPECT_EQ(TriLinEqs(p.data(), x, 2, 0, x), kErrSingularMatrix);
    p[2] = 1e-18;
    EXPECT_EQ(TriLinEqs(p.data(), x, 2, 0, x), 0);
    p[2] = std::nan("");
    EXPECT_EQ(Tri_InvMatrix(p.data(), 2, 0, p.data()), kErrSingularMatrix);
}

TEST(CheckPosdef, DecidesBySymmetryAndEigenvalues) {
    const Mat spd = {4, 1, 2, 1, 5, 3, 2, 3, 6};
    Mat asym = spd;
    asym[1] += 1e-9;
    const Mat indefinite = {1, 2, 2, 1}, semidefinite = {1, 0, 0, 0}, nan = {std::nan(""), 0, 0, 1};
    int32_t result = -1;
    ASSERT_EQ(CheckPosdef(spd.data(), 3, &result), 0);
    EXPECT_EQ(result, 1);
    ASSERT_EQ(CheckPosdef(asym.data(), 3, &result), 0);
    EXPECT_EQ(result, 0);
    for (const Mat *m : {&indefinite, &semidefinite, &nan}) {
        result = -1;
        ASSERT_EQ(CheckPosdef(m->data(), 2, &result), 0);
        EXPECT_EQ(result, 0);
    }
}
