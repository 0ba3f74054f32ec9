// Special matrices against closed forms; products, traces, norms, columns
// and transposes, real and complex alike, against long-double sums (each
// element one extended sum, rounded once), also into their own operands;
// sizes that cannot be addressed.
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

TWIN_SUITE(ProductsFamily);

TYPED_TEST(ProductsFamily, MatchLongDoubleSums) {
    using T = typename TypeParam::T;
    for (auto [m, k, n] : {std::tuple{1, 1, 1}, {3, 5, 2}, {9, 40, 7}, {17, 9, 23}}) {
        SCOPED_TRACE(testing::Message() << m << "x" << k << "x" << n);
        const std::vector<T> a = random<T>(m, k, 21 + m), b = random<T>(k, n, 22 + n);
        const std::vector<T> x(b.begin(), b.begin() + k), col = random<T>(m, 1, 23);
        std::vector<T> c(size_t(m) * n), y(m), outer(size_t(m) * k);
        ASSERT_EQ(TypeParam::matMul(a.data(), b.data(), m, k, n, c.data()), 0);
        expectProduct(c, a, b, m, k, n);
        ASSERT_EQ(TypeParam::axVect(a.data(), m, k, x.data(), y.data()), 0);
        expectProduct(y, a, x, m, k, 1);
        T dot = elem<T>(7, 7);
        ASSERT_EQ(TypeParam::dot(a.data(), x.data(), k, &dot), 0);  // the first row of a against x
        expectProduct({dot}, std::vector<T>(a.begin(), a.begin() + k), x, 1, k, 1);
        ASSERT_EQ(TypeParam::outer(col.data(), m, x.data(), k, outer.data()), 0);
        expectProduct(outer, col, x, m, 1, k);
    }
}

TYPED_TEST(ProductsFamily, SumsCancelInExtendedPrecision) {
    // (1e16 i)(i) + 1 + (1e16 i)(-i) = -1e16 + 1 + 1e16 = 1 exactly (real:
    // 1e16 + 1 - 1e16); summed in double, 1 would be lost against 1e16 (its
    // ulp is 2) and the sum be 0.
    using T = typename TypeParam::T;
    const double r = std::is_same_v<T, double>;
    const std::vector<T> x = {elem<T>(r * 1e16, 1e16), elem<T>(1), elem<T>(r * 1e16, 1e16)},
                         y = {elem<T>(r, 1), elem<T>(1), elem<T>(-r, -1)};
    T got[3] = {};
    ASSERT_EQ(TypeParam::dot(x.data(), y.data(), 3, &got[0]), 0);
    ASSERT_EQ(TypeParam::matMul(x.data(), y.data(), 1, 3, 1, &got[1]), 0);
    ASSERT_EQ(TypeParam::axVect(x.data(), 1, 3, y.data(), &got[2]), 0);
    for (int k = 0; k < 3; ++k) EXPECT_TRUE(same(got[k], elem<T>(1))) << "dot, product, matrix-vector: " << k;
    if constexpr (!std::is_same_v<T, double>) {
        // One product whose parts cancel: (1 + t + i)(1 - t + i) has real part
        // (1 + t)(1 - t) - 1 = -t^2, with t = 2^-30; were (1 + t)(1 - t) rounded
        // to double on the way (to 1), the real part would be 0.
        const double t = std::ldexp(1.0, -30);
        const complexnum p[] = {{1 + t, 1}}, q[] = {{1 - t, 1}};
        complexnum o{0, 0};
        ASSERT_EQ(OuterProductCx(p, 1, q, 1, &o), 0);
        EXPECT_TRUE(same(o, {-t * t, 2})) << o.re;
    }
}

TYPED_TEST(ProductsFamily, TraceNormColumnAndTranspose) {
    using T = typename TypeParam::T;
    for (auto [m, n] : {std::pair{2, 3}, {5, 2}, {3, 5}, {4, 4}}) {
        SCOPED_TRACE(testing::Message() << m << "x" << n);
        const std::vector<T> a = random<T>(m, n, 5 + m * n);
        T tr = elem<T>(0);
        ASSERT_EQ(TypeParam::trace(a.data(), m, n, &tr), 0);
        Wide<T> want = 0;
        for (int i = 0; i < std::min(m, n); ++i) want += wide(a[size_t(i) * n + i]);
        expectOneRounding(tr, want, std::min(m, n), 0);
        std::vector<T> col(m), t(a.size()), inPlace = a;
        TypeParam::column(a.data(), m, n, n - 1, col.data());
        for (int i = 0; i < m; ++i) EXPECT_TRUE(same(col[i], a[size_t(i) * n + n - 1])) << i;
        double norm = 0;
        ASSERT_EQ(TypeParam::vnorm2(a.data(), m * n, &norm), 0);
        long double sq = 0;
        for (const T &z : a) sq += std::norm(LCx(wide(z)));
        EXPECT_NEAR(norm, std::sqrt(sq), 4 * kEps * std::sqrt(sq)) << "a few roundings of a scaled sum";
        // The conjugate transpose, also in place.
        ASSERT_EQ(TypeParam::transpose(a.data(), m, n, t.data()), 0);
        ASSERT_EQ(TypeParam::transpose(inPlace.data(), m, n, inPlace.data()), 0);
        EXPECT_TRUE(same(t, adjoint(a, m, n)) && same(inPlace, t));
    }
    T none = elem<T>(0);
    EXPECT_EQ(TypeParam::transpose(&none, 0, 3, &none), kErrEmptyArray);
    // Magnitudes whose squares leave the double range either way.
    const double big = std::numeric_limits<double>::max() / 4, tiny = std::numeric_limits<double>::denorm_min();
    const std::vector<T> huge = {elem<T>(3 * big / 5),
                                 elem<T>(std::is_same_v<T, double> ? 4 * big / 5 : 0, 4 * big / 5)};
    const std::vector<T> inf = {elem<T>(1), elem<T>(-HUGE_VAL, -HUGE_VAL)}, nan = {elem<T>(1), elem<T>(NAN)};
    double norm = 0;
    ASSERT_EQ(TypeParam::vnorm2(huge.data(), 2, &norm), 0);
    EXPECT_NEAR(norm, big, 2 * kEps * big);
    const T small = elem<T>(5 * tiny);
    ASSERT_EQ(TypeParam::vnorm2(&small, 1, &norm), 0);
    EXPECT_EQ(norm, 5 * tiny);
    ASSERT_EQ(TypeParam::vnorm2(inf.data(), 2, &norm), 0);
    EXPECT_EQ(norm, HUGE_VAL);
    ASSERT_EQ(TypeParam::vnorm2(nan.data(), 2, &norm), 0);
    EXPECT_TRUE(std::isnan(norm));
}

TYPED_TEST(ProductsFamily, ColumnOutsideTheMatrixReadsAsNaN) {
    // Exactly m x n elements, so that any read outside them is caught by the
    // sanitizer build.
    using T = typename TypeParam::T;
    const std::vector<T> a = random<T>(3, 2, 9);
    for (int col : {-1, 2, 1000000, INT32_MAX}) {
        std::vector<T> out(3, elem<T>(1, 1));
        TypeParam::column(a.data(), 3, 2, col, out.data());
        for (const T &z : out) EXPECT_TRUE(isNaN(z)) << col;
    }
    T untouched = elem<T>(4, 4);
    TypeParam::column(a.data(), 0, 2, 0, &untouched);
    EXPECT_TRUE(same(untouched, elem<T>(4, 4)));
}

TYPED_TEST(ProductsFamily, NaNPropagatesAlongItsRow) {
    using T = typename TypeParam::T;
    std::vector<T> a = random<T>(3, 3, 31), b = random<T>(3, 3, 32), c(9);
    a[4] = elem<T>(NAN);  // a[1][1]
    ASSERT_EQ(TypeParam::matMul(a.data(), b.data(), 3, 3, 3, c.data()), 0);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_EQ(isNaN(c[i * 3 + j]), i == 1) << i << "," << j;
    T dot = elem<T>(0);
    ASSERT_EQ(TypeParam::dot(a.data(), b.data(), 9, &dot), 0);
    EXPECT_TRUE(isNaN(dot));
}

// The host may pass one handle as an operand and the output: each operand is
// read whole before the output is resized over it (c = a b into a, into b,
// a a into a; y = a x into x, shortened where a is wide).
TYPED_TEST(ProductsFamily, HandleProductsIntoTheirOwnOperands) {
    using T = typename TypeParam::T;
    const std::vector<T> a = random<T>(3, 3, 91), b = random<T>(3, 2, 92), w = random<T>(2, 3, 93),
                         x(a.begin() + 3, a.begin() + 6);
    typename TypeParam::Matrix ha(3, 3, a), hb(3, 2, b), hw(2, 3, w), hsq(3, 3, a), square(3, 3, a);
    typename TypeParam::Vector hx(x), hx2(x);
    int32_t err = 9;
    ASSERT_EQ(TypeParam::matMulHandles(ha, hb, ha, &err), 0);
    ASSERT_EQ(TypeParam::matMulHandles(hw, hsq, hsq, &err), 0);
    ASSERT_EQ(TypeParam::matMulHandles(square, square, square, &err), 0);
    ASSERT_TRUE(err == 0 && ha.rows() == 3 && ha.cols() == 2 && hsq.rows() == 2 && hsq.cols() == 3);
    expectProduct(ha.values(), a, b, 3, 3, 2);
    expectProduct(hsq.values(), w, a, 2, 3, 3);
    expectProduct(square.values(), a, a, 3, 3, 3);
    ASSERT_EQ(TypeParam::axVectHandles(hsq, hx, hx, &err), 0);
    ASSERT_EQ(TypeParam::axVectHandles(square, hx2, hx2, &err), 0);
    ASSERT_EQ(err, 0);
    expectProduct(hx.values(), hsq.values(), x, 2, 3, 1);
    expectProduct(hx2.values(), square.values(), x, 3, 3, 1);
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
    EXPECT_EQ(fast_giv_qrd(none, 50000, 1, none, none, &rank), kErrOutOfMemory);
    EXPECT_EQ(Householder_Factor(none, 50000, 1, none, none), kErrOutOfMemory);
    EXPECT_EQ(CompanMatrix(none, 50000, none), kErrOutOfMemory);  // 49999^2 cells
}
