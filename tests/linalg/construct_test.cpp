// Special matrices against closed forms, products against long-double sums,
// and the shape checks of the handle forms.
#include <orin/linalg.h>

#include <gtest/gtest.h>

#include "linalg_reference.h"
#include "support/handles.h"

using namespace linalgtest;
using orintest::DoubleHandle;
using orintest::DoubleMatrixHandle;
using orintest::isIDNaN;

TEST(SpecialMatrix, ClosedForms) {
    Mat out(9);
    const double c[] = {1, -3, 2};  // (z - 1)(z - 2)
    ASSERT_EQ(CompanMatrix(c, 3, out.data()), 0);
    EXPECT_EQ(Mat(out.begin(), out.begin() + 4), (Mat{3, -2, 1, 0}));
    const double x[] = {1, 2, 3}, y[] = {9, 4, 5};
    ASSERT_EQ(ToeplitzMatrix(x, 3, y, 3, out.data()), 0);
    EXPECT_EQ(out, (Mat{1, 4, 5, 2, 1, 4, 3, 2, 1}));
    const double v[] = {2, 3};
    ASSERT_EQ(VanderMatrix(v, 2, out.data()), 0);
    EXPECT_EQ(Mat(out.begin(), out.begin() + 4), (Mat{2, 1, 3, 1}));
    ASSERT_EQ(SpecialMatrix(1, 0, x, 3, nullptr, 0, out.data()), 0);
    EXPECT_EQ(out, (Mat{1, 0, 0, 0, 2, 0, 0, 0, 3}));
    ASSERT_EQ(SpecialMatrix(0, 3, nullptr, 0, nullptr, 0, out.data()), 0);
    EXPECT_EQ(out, identity(3));
    EXPECT_EQ(SpecialMatrix(5, 3, x, 3, y, 3, out.data()), kErrInvalidSelector);
    EXPECT_EQ(ToeplitzMatrix(x, 0, y, 3, out.data()), kErrEmptyArray);
    EXPECT_EQ(IdentityMatrix(0, out.data()), kErrEmptyArray);
}

TEST(SpecialMatrix, HandleShapesFollowTheCode) {
    DoubleHandle x({1, -3, 2}), y({7, 8});
    DoubleMatrixHandle out(0, 0, {});
    int32_t err = 1;
    SpecialMatrix_head(2, 0, x, y, out, &err);
    ASSERT_EQ(err, 0);
    EXPECT_EQ(out.rows(), 3);
    EXPECT_EQ(out.cols(), 2);
    EXPECT_EQ(out.values(), (Mat{1, 8, -3, 1, 2, -3}));
    SpecialMatrix_head(4, 0, x, y, out, &err);
    ASSERT_EQ(err, 0);
    EXPECT_EQ(out.values(), (Mat{3, -2, 1, 0}));
    DoubleHandle one({4});
    SpecialMatrix_head(4, 0, one, y, out, &err);  // a constant has no companion
    EXPECT_EQ(err, kErrEmptyArray);
    EXPECT_TRUE(out.emptied());
    SpecialMatrix_head(9, 2, x, y, out, &err);
    EXPECT_EQ(err, kErrInvalidSelector);
}

TEST(Products, MatchLongDoubleSums) {
    for (auto [m, k, n] : {std::tuple{1, 1, 1}, {3, 5, 2}, {17, 9, 23}}) {
        const Mat a = randomMatrix(m, k, 11 + m), b = randomMatrix(k, n, 12 + n);
        Mat c(size_t(m) * n);
        ASSERT_EQ(MatrixMul(a.data(), b.data(), m, k, n, c.data()), 0);
        const auto ref = mul(a, b, m, k, n);
        // Each element is an extended-precision sum rounded once.
        for (size_t i = 0; i < c.size(); ++i) EXPECT_EQ(c[i], (double)ref[i]) << m << "x" << k << "x" << n;
        Mat y(m);
        ASSERT_EQ(AxVect(a.data(), m, k, b.data(), y.data()), 0);
        const auto yref = mul(a, Mat(b.begin(), b.begin() + k), m, k, 1);
        for (int i = 0; i < m; ++i) EXPECT_EQ(y[i], (double)yref[i]);
    }
    const double x[] = {1e16, 1, -1e16}, y[] = {1, 1, 1};
    double dot = 0;
    ASSERT_EQ(DotProduct(x, y, 3, &dot), 0);
    EXPECT_EQ(dot, 1.0);  // cancellation survives in extended precision
    double tr = 0;
    const double a23[] = {1, 2, 3, 4, 5, 6};
    ASSERT_EQ(Trace(a23, 2, 3, &tr), 0);
    EXPECT_EQ(tr, 6.0);
    double nrm = 0;
    const double huge[] = {3e300, 4e300};
    ASSERT_EQ(Vnorm2(huge, 2, &nrm), 0);
    EXPECT_DOUBLE_EQ(nrm, 5e300);
}

TEST(Products, TransposeInPlaceAndOut) {
    const Mat a = randomMatrix(3, 5, 3);
    Mat t(15);
    ASSERT_EQ(Transpose(a.data(), 3, 5, t.data()), 0);
    EXPECT_EQ(t, transpose(a, 3, 5));
    Mat inplace = a;
    ASSERT_EQ(Transpose(inplace.data(), 3, 5, inplace.data()), 0);
    EXPECT_EQ(inplace, t);
    Mat sq = randomMatrix(4, 4, 4);
    const Mat sqT = transpose(sq, 4, 4);
    ASSERT_EQ(Transpose(sq.data(), 4, 4, sq.data()), 0);
    EXPECT_EQ(sq, sqT);
}

TEST(Products, HandleChecks) {
    DoubleMatrixHandle a(2, 3, {1, 2, 3, 4, 5, 6}), b(2, 3, {1, 2, 3, 4, 5, 6}), c(1, 1, {9});
    int32_t err = 0;
    MatrixMul_head(a, b, c, &err);
    EXPECT_EQ(err, kErrDimensionMismatch);
    EXPECT_TRUE(c.emptied());
    DoubleMatrixHandle bt(3, 2, {1, 4, 2, 5, 3, 6});
    MatrixMul_head(a, bt, c, &err);
    ASSERT_EQ(err, 0);
    EXPECT_EQ(c.values(), (Mat{14, 32, 32, 77}));

    DoubleHandle x2({1, 1}), x3({1, 1, 1}), y({5});
    AxVect_head(a, x2, y, &err);
    EXPECT_EQ(err, kErrDimensionMismatch);
    EXPECT_TRUE(y.emptied());
    AxVect_head(a, x3, y, &err);
    ASSERT_EQ(err, 0);
    EXPECT_EQ(y.values(), (Mat{6, 15}));

    double out = 0;
    DotProduct_head(x2, x3, &out, &err);
    EXPECT_EQ(err, kErrArraySizeMismatch);
    EXPECT_TRUE(isIDNaN(out));
    DoubleHandle empty;
    DotProduct_head(empty, empty, &out, &err);
    EXPECT_EQ(err, kErrEmptyArray);

    DoubleMatrixHandle op(0, 0, {});
    OuterProd_head(x2, empty, op, &err);
    EXPECT_EQ(err, kErrEmptyArray);
    OuterProd_head(x2, x3, op, &err);
    ASSERT_EQ(err, 0);
    EXPECT_EQ(op.rows(), 2);
    EXPECT_EQ(op.cols(), 3);

    DoubleMatrixHandle none(0, 0, {});
    Trace_head(none, &out, &err);
    EXPECT_EQ(err, kErrEmptyArray);
    EXPECT_TRUE(isIDNaN(out));
    Trace_head(a, &out, &err);
    EXPECT_EQ(out, 6.0);
}
