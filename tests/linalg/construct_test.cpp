// Special matrices against closed forms and products against long-double
// sums (each element is one extended sum, rounded once: equal bit for bit).
#include <orin/linalg.h>

#include "support/prelude.h"

#include "linalg_reference.h"

using namespace linalgtest;

TEST(SpecialMatrix, ClosedForms) {
    Mat out(9);
    const double c[] = {1, -3, 2};  // (z - 1)(z - 2)
    ASSERT_EQ(CompanMatrix(c, 3, out.data()), 0);
    EXPECT_EQ(Mat(out.begin(), out.begin() + 4), (Mat{3, -2, 1, 0}));
    const double x[] = {1, 2, 3}, y[] = {9, 4, 5};
    ASSERT_EQ(ToeplitzMatrix(x, 3, y, 3, out.data()), 0);
    EXPECT_EQ(out, (Mat{1, 4, 5, 2, 1, 4, 3, 2, 1}));  // y[0] unused
    ASSERT_EQ(VanderMatrix(x, 2, out.data()), 0);
    EXPECT_EQ(Mat(out.begin(), out.begin() + 4), (Mat{1, 1, 2, 1}));
    ASSERT_EQ(SpecialMatrix(1, 0, x, 3, nullptr, 0, out.data()), 0);
    EXPECT_EQ(out, (Mat{1, 0, 0, 0, 2, 0, 0, 0, 3}));
    ASSERT_EQ(SpecialMatrix(0, 3, nullptr, 0, nullptr, 0, out.data()), 0);
    EXPECT_EQ(out, identity(3));
    EXPECT_EQ(SpecialMatrix(5, 3, x, 3, y, 3, out.data()), kErrInvalidSelector);
    EXPECT_EQ(ToeplitzMatrix(x, 0, y, 3, out.data()), kErrEmptyArray);

    orintest::DoubleHandle hx({1, -3, 2}), hy({7, 8});
    orintest::DoubleMatrixHandle h(0, 0, {});
    int32_t err = 1;
    SpecialMatrix_head(byRef(2), byRef(0), hx, hy, h, &err);
    ASSERT_EQ(err, 0);
    EXPECT_EQ(h.rows() * 10 + h.cols(), 32);
    EXPECT_EQ(h.values(), (Mat{1, 8, -3, 1, 2, -3}));
    SpecialMatrix_head(byRef(4), byRef(0), hx, hy, h, &err);
    EXPECT_EQ(h.values(), (Mat{3, -2, 1, 0}));
}

TEST(Products, MatchLongDoubleSums) {
    for (auto [m, k, n] : {std::tuple{1, 1, 1}, {3, 5, 2}, {17, 9, 23}}) {
        const Mat a = random(m, k, 11 + m), b = random(k, n, 12 + n);
        Mat c(size_t(m) * n), y(m);
        ASSERT_EQ(MatrixMul(a.data(), b.data(), m, k, n, c.data()), 0);
        EXPECT_EQ(c, product(a, b, m, k, n)) << m << "x" << k << "x" << n;
        ASSERT_EQ(AxVect(a.data(), m, k, b.data(), y.data()), 0);
        EXPECT_EQ(y, product(a, Mat(b.begin(), b.begin() + k), m, k, 1));
    }
    const double x[] = {1e16, 1, -1e16}, ones[] = {1, 1, 1}, a23[] = {1, 2, 3, 4, 5, 6}, big[] = {3e300, 4e300};
    double out = 0;
    ASSERT_EQ(DotProduct(x, ones, 3, &out), 0);
    EXPECT_EQ(out, 1.0);  // the cancellation survives in extended precision
    ASSERT_EQ(Trace(a23, 2, 3, &out), 0);
    EXPECT_EQ(out, 6.0);
    ASSERT_EQ(Vnorm2(big, 2, &out), 0);
    EXPECT_DOUBLE_EQ(out, 5e300);
    Mat outer(6);
    ASSERT_EQ(OuterProduct(x, 2, a23, 3, outer.data()), 0);
    EXPECT_EQ(outer, (Mat{1e16, 2e16, 3e16, 1, 2, 3}));
}

TEST(Products, TransposeInPlaceAndOut) {
    for (auto [m, n] : {std::pair{3, 5}, {4, 4}}) {
        const Mat a = random(m, n, 3);
        Mat t(a.size()), inplace = a;
        ASSERT_EQ(Transpose(a.data(), m, n, t.data()), 0);
        EXPECT_EQ(t, transpose(a, m, n));
        ASSERT_EQ(Transpose(inplace.data(), m, n, inplace.data()), 0);
        EXPECT_EQ(inplace, t);
    }
}

TEST(Sizes, ProductsThatCannotBeAddressedAreRefused) {
    // 65536 x 65536 elements do not fit an int32 count: refused before any
    // element is touched (the pointers here are not even valid).
    double *none = nullptr;
    const int32_t big = 65536;
    EXPECT_EQ(IdentityMatrix(big, none), kErrOutOfMemory);
    EXPECT_EQ(Transpose(none, big, big, none), kErrOutOfMemory);
    EXPECT_EQ(MatrixMul(none, none, 2, big, big, none), kErrOutOfMemory);
    EXPECT_EQ(InvMatrix(none, big, none), kErrOutOfMemory);
    EXPECT_EQ(SVD(none, big, big, none, none), kErrOutOfMemory);
    EXPECT_EQ(Cholesky(none, 70000), kErrOutOfMemory);  // 70000 * 70001 / 2 > 2^31
    int32_t rank = 0;
    EXPECT_EQ(givens_qrd(none, big, 1, none, none, &rank), kErrOutOfMemory);  // Q is m x m
}
