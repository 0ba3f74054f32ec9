// Special matrices against closed forms; products, traces, norms, columns
// and transposes, real and complex alike, against long-double sums (each
// element one extended sum, rounded once), also into their own operands;
// sizes that cannot be addressed; complex powers, complex special matrices
// against their definitions, and the complex entry points' failures.
#include "support/prelude.h"

#include "linalg_reference.h"

using namespace linalgtest;

TEST(SpecialMatrix, ClosedForms) {
    // (The identity, a Toeplitz and a companion matrix through
    // SpecialMatrix_head: HostCalls.)
    Mat out(9);
    const double x[] = {1, 2, 3}, y[] = {9, 4, 5};
    ASSERT_EQ(VanderMatrix(x, 2, out.data()), 0);
    EXPECT_EQ(Mat(out.begin(), out.begin() + 4), (Mat{1, 1, 2, 1}));
    ASSERT_EQ(SpecialMatrix(1, 0, x, 3, nullptr, 0, out.data()), 0);
    EXPECT_EQ(out, (Mat{1, 0, 0, 0, 2, 0, 0, 0, 3}));
    EXPECT_EQ(SpecialMatrix(5, 3, x, 3, y, 3, out.data()), kErrInvalidSelector);
    EXPECT_EQ(ToeplitzMatrix(x, 0, y, 3, out.data()), kErrEmptyArray);
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

// (Sums of products held in extended precision and rounded once:
// ProductsFamily.MatchLongDoubleSums.)
TEST(CxProducts, OuterProductRoundsEachElementOnce) {
    // One product whose parts cancel: (1 + t + i)(1 - t + i) has real part
    // (1 + t)(1 - t) - 1 = -t^2, with t = 2^-30; were (1 + t)(1 - t) rounded
    // to double on the way (to 1), the real part would be 0.
    const double t = std::ldexp(1.0, -30);
    const complexnum p[] = {{1 + t, 1}}, q[] = {{1 - t, 1}};
    complexnum o{0, 0};
    ASSERT_EQ(OuterProductCx(p, 1, q, 1, &o), 0);
    EXPECT_EQ(o, (complexnum{-t * t, 2}));
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
        std::vector<T> col(m), t(a.size());
        TypeParam::column(a.data(), m, n, n - 1, col.data());
        for (int i = 0; i < m; ++i) EXPECT_EQ(col[i], a[size_t(i) * n + n - 1]) << i;
        // The conjugate transpose (in place: the sweep's aliased calls).
        ASSERT_EQ(TypeParam::transpose(a.data(), m, n, t.data()), 0);
        EXPECT_EQ(t, adjoint(a, m, n));
    }
    // The 2-norm of a vector, at magnitudes whose squares leave the double
    // range either way.
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
    EXPECT_EQ(TypeParam::vnorm2(huge.data(), 0, &norm), kErrEmptyArray);  // a kernel the empty rule does not reach
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
    EXPECT_EQ(untouched, elem<T>(4, 4));
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

// (Values against the plain recurrence, bit for bit:
// CxPow.StopsOnceThePowerRepeatsWithTheFullRecurrencesBits.)
TEST(CxPow, CountZeroReciprocalsAndNaN) {
    EXPECT_EQ(CxPow({NAN, 0}, 0), (complexnum{1, 0}));
    EXPECT_EQ(CxPow({0, 1}, -1), (complexnum{0, -1}));
    EXPECT_TRUE(bothIDNaN(CxPow({0, 0}, -2)));
    EXPECT_TRUE(bothIDNaN(CxPow({-0.0, 0}, std::numeric_limits<int32_t>::min())));
    // A NaN power repeats at once, whatever the count.
    for (const complexnum nan :
         {CxPow({NAN, NAN}, std::numeric_limits<int32_t>::min()), CxPow({NAN, 1}, std::numeric_limits<int32_t>::max())})
        EXPECT_TRUE(std::isnan(nan.re) && std::isnan(nan.im));
}

TEST(CxPow, StopsOnceThePowerRepeatsWithTheFullRecurrencesBits) {
    // The reference is the plain recurrence r_k = r_(k-1) z, run here to
    // K + 4 steps. Powers that underflow to 0 (0.5, and 2 to negative
    // exponents), settle on the smallest subnormal (0.9), stay (1), alternate
    // (-1), circle among subnormals (0.99 i turns the smallest subnormal by a
    // quarter turn, rounding 0.99 of it back up) or overflow into NaN (3 + i)
    // all repeat within 4 steps by K. Each step depends on the previous
    // power's bits alone, so r_K = r_(K+4) to the bit proves r_k = r_(k+4)
    // for every k >= K, and an exponent near 2^31 then has the bits of
    // r_(K + (count - K) mod 4), which CxPow must give without 2^31 steps.
    // (0.6, 0.8) keeps moving and is checked at small exponents only.
    constexpr uint32_t K = 150000;
    auto sameBits = [](complexnum a, complexnum b) { return std::memcmp(&a, &b, sizeof a) == 0; };
    for (const auto &[z, negative] : std::vector<std::pair<complexnum, bool>>{{{0.5, 0}, false},
                                                                              {{2, 0}, true},
                                                                              {{0.9, 0}, false},
                                                                              {{1, 0}, false},
                                                                              {{-1, 0}, false},
                                                                              {{0, 0.99}, false},
                                                                              {{-0.5, 0.5}, true},
                                                                              {{3, 1}, false},
                                                                              {{0.6, 0.8}, false}}) {
        SCOPED_TRACE(testing::Message() << "z = (" << z.re << ", " << z.im << ")" << (negative ? " to -k" : ""));
        // z^-k is (1/z)^k, with 1/z as CxPow forms it.
        const complexnum base = negative ? CxPow(z, -1) : z;
        std::vector<complexnum> r(K + 5);
        r[1] = base;
        for (uint32_t k = 2; k <= K + 4; ++k)
            r[k] = {r[k - 1].re * base.re - r[k - 1].im * base.im, r[k - 1].re * base.im + r[k - 1].im * base.re};
        const auto power = [&](uint32_t k) { return CxPow(z, negative ? -int32_t(k) : int32_t(k)); };
        for (uint32_t k : {1u, 2u, 3u, 17u, 1000u, 1074u, 1075u, 1076u, 1200u, 70000u, 74000u, 80000u, K - 1, K})
            EXPECT_TRUE(sameBits(power(k), r[k])) << k;
        if (z.re == 0.6) continue;
        ASSERT_TRUE(sameBits(r[K], r[K + 4]));
        const uint32_t largest = negative ? 0x80000000u : 0x7fffffffu;
        for (uint32_t count : {largest, largest - 1, largest - 2, largest - 3}) {
            const complexnum got = negative ? CxPow(z, int32_t(0u - count)) : CxPow(z, int32_t(count));
            EXPECT_TRUE(sameBits(got, r[K + (count - K) % 4])) << count;
        }
    }
}

// (The identity and a Toeplitz matrix through CxSpecialMatrix_head: HostCalls.)
TEST(CxSpecialMatrix, MatchTheirDefinitions) {
    const CMat x = randomCx(4, 1, 41), y = randomCx(3, 1, 42);
    CMat out(16, complexnum{5, 5});
    ASSERT_EQ(CxSpecialMatrix(1, 0, x.data(), 4, nullptr, 0, out.data()), 0);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) EXPECT_EQ(out[i * 4 + j], i == j ? x[i] : (complexnum{0, 0})) << i << j;
    // Vandermonde: descending powers.
    const CMat v3 = {{2, 0}, {0, 3}, {1, 1}};
    ASSERT_EQ(CxSpecialMatrix(3, 0, v3.data(), 3, nullptr, 0, out.data()), 0);
    EXPECT_EQ(CMat(out.begin(), out.begin() + 9),
              (CMat{{4, 0}, {2, 0}, {1, 0}, {-9, 0}, {0, 3}, {1, 0}, {0, 2}, {1, 1}, {1, 0}}));
    EXPECT_EQ(CxSpecialMatrix(5, 3, x.data(), 4, y.data(), 3, out.data()), kErrInvalidSelector);
    EXPECT_EQ(CxSpecialMatrix(-1, 3, x.data(), 4, y.data(), 3, out.data()), kErrInvalidSelector);
    EXPECT_EQ(CxToeplitzMatrix(x.data(), 4, y.data(), 0, out.data()), kErrEmptyArray);
    EXPECT_EQ(CxIdentityMatrix(65536, nullptr), kErrOutOfMemory) << "65536^2 elements cannot be addressed";
    EXPECT_EQ(MatrixMulCx(nullptr, nullptr, 2, 65536, 65536, nullptr), kErrOutOfMemory);
}

TEST(CxSpecialMatrix, CompanionHasThePolynomialsRootsAsEigenvalues) {
    // c(z) = 2 (z - 1)(z - i)(z + 2): each root r has the eigenvector
    // (r^2, r, 1), the sub-diagonal shifting it and the first row -c[k]/c[0]
    // (exact here) giving -c(r)/c0 + r^3. A constant has no companion.
    const CMat c = {{2, 0}, {2, -2}, {-4, -2}, {0, 4}};
    CMat out(9);
    ASSERT_EQ(CxSpecialMatrix(4, 0, c.data(), 4, nullptr, 0, out.data()), 0);
    for (const LCx r : {LCx(1), LCx(0, 1), LCx(-2)}) {
        const LCx v[] = {r * r, r, 1};
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(wide(out[i * 3]) * v[0] + wide(out[i * 3 + 1]) * v[1] + wide(out[i * 3 + 2]) * v[2], r * v[i])
                << r << " row " << i;
    }
    complexnum untouched{6, 6};
    ASSERT_EQ(CxCompanMatrix(c.data(), 1, &untouched), 0);
    EXPECT_EQ(untouched, (complexnum{6, 6}));
}

// A table, one entry per line:
// clang-format off
ORIN_CONTRACT_TABLE(CxProducts) {
    const CMat six = randomCx(2, 3, 1), two = randomCx(2, 1, 2);
    auto mat = [six](Contract &c) { return c.output<ComplexMatrix>(2, 3, six); };
    return {
        ORIN_ROW(kErrInvalidSelector, CxSpecialMatrix_head(byRef(5), byRef(2), c.input<ComplexArray>(two), c.input<ComplexArray>(two), mat(c), e)),
        ORIN_ROW(kErrEmptyArray, CxSpecialMatrix_head(byRef(3), byRef(2), c.input<ComplexArray>(), c.input<ComplexArray>(two), mat(c), e)),
        ORIN_ROW(kErrEmptyArray, CxTranspose_head(c.input<ComplexMatrix>(0, 3, {}), mat(c), e)),
        ORIN_ROW(kErrEmptyArray, AxBCxCIN(c.input<ComplexMatrix>(3, 0, {}), c.input<ComplexMatrix>(2, 3, six), mat(c), e)),
        ORIN_ROW(kErrEmptyArray, AxBCxCIN(c.input<ComplexMatrix>(2, 3, six), c.input<ComplexMatrix>(0, 2, {}), mat(c), e)),
        ORIN_ROW(kErrOutOfMemory, AxBCxCIN(c.input<ComplexMatrix>(65536, 1, CMat(65536)), c.input<ComplexMatrix>(1, 65536, CMat(65536)), mat(c), e)),
        ORIN_ROW(kErrDimensionMismatch, AxBCxCIN(c.input<ComplexMatrix>(2, 3, six), c.input<ComplexMatrix>(2, 3, six), mat(c), e)),
        ORIN_ROW(kErrDimensionMismatch, [](ComplexMatrixHdl a, int32_t *err) { return AxBCxCIN(a, a, a, err); }(mat(c), e)),  // into its operand
        ORIN_ROW(kErrEmptyArray, AxVectorCx(c.input<ComplexMatrix>(0, 2, {}), c.input<ComplexArray>(two), c.output<ComplexArray>(two), e)),
        ORIN_ROW(kErrEmptyArray, AxVectorCx(c.input<ComplexMatrix>(2, 3, six), c.input<ComplexArray>(), c.output<ComplexArray>(two), e)),
        ORIN_ROW(kErrDimensionMismatch, AxVectorCx(c.input<ComplexMatrix>(2, 3, six), c.input<ComplexArray>(two), c.output<ComplexArray>(two), e)),
        ORIN_ROW(kErrArraySizeMismatch, DotprodCx(c.input<ComplexArray>(two), c.input<ComplexArray>(six), c.complexScalar(), e)),
        ORIN_ROW(kErrEmptyArray, OuterProdCx_head(c.input<ComplexArray>(), c.input<ComplexArray>(two), mat(c), e)),
        ORIN_ROW(kErrEmptyArray, CxTrace_head(c.input<ComplexMatrix>(2, 0, {}), c.complexScalar(), e)),
    };
}
// clang-format on
