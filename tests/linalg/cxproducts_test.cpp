// Complex powers, special matrices against their definitions, and the
// entry points' results and failures (products, transposes, norms and
// products into their own operands are typed tests in construct_test.cpp).
#include <orin/linalg.h>

#include "support/prelude.h"

#include "linalg_reference.h"

using namespace linalgtest;

TEST(CxPow, RepeatedMultiplication) {
    const complexnum z{0.75, -0.5};
    EXPECT_TRUE(same(CxPow({NAN, 0}, 0), {1, 0}));
    EXPECT_TRUE(same(CxPow({0, 1}, -1), {0, -1}));
    // Against long-double powers: each of the n - 1 products adds at most
    // sqrt(5) eps relative error (complex multiplication in double).
    LCx want = 1;
    for (int n = 1; n <= 40; ++n) {
        want *= wide(z);
        const complexnum got = CxPow(z, n);
        EXPECT_LE(std::abs(wide(got) - want), 3 * n * kEps * std::abs(want)) << n;
        // z^-n z^n = 1, each side within n products (and one reciprocal).
        const LCx unit = wide(CxPow(z, -n)) * wide(got);
        EXPECT_LE(std::abs(unit - LCx(1)), 7 * (n + 1) * kEps) << -n;
    }
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

TEST(CxSpecialMatrix, MatchTheirDefinitions) {
    const CMat x = randomCx(4, 1, 41), y = randomCx(3, 1, 42);
    CMat out(16, complexnum{5, 5});
    ASSERT_EQ(CxSpecialMatrix(0, 3, nullptr, 0, nullptr, 0, out.data()), 0);
    EXPECT_TRUE(same(CMat(out.begin(), out.begin() + 9), identity<complexnum>(3)));
    ASSERT_EQ(CxSpecialMatrix(1, 0, x.data(), 4, nullptr, 0, out.data()), 0);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) EXPECT_TRUE(same(out[i * 4 + j], i == j ? x[i] : complexnum{0, 0})) << i << j;
    ASSERT_EQ(CxSpecialMatrix(2, 0, x.data(), 4, y.data(), 3, out.data()), 0);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_TRUE(same(out[i * 3 + j], i >= j ? x[i - j] : y[j - i])) << i << j;
    // Vandermonde: descending powers.
    const CMat v3 = {{2, 0}, {0, 3}, {1, 1}};
    ASSERT_EQ(CxSpecialMatrix(3, 0, v3.data(), 3, nullptr, 0, out.data()), 0);
    EXPECT_TRUE(same(CMat(out.begin(), out.begin() + 9),
                     CMat{{4, 0}, {2, 0}, {1, 0}, {-9, 0}, {0, 3}, {1, 0}, {0, 2}, {1, 1}, {1, 0}}));
    EXPECT_EQ(CxSpecialMatrix(5, 3, x.data(), 4, y.data(), 3, out.data()), kErrInvalidSelector);
    EXPECT_EQ(CxSpecialMatrix(-1, 3, x.data(), 4, y.data(), 3, out.data()), kErrInvalidSelector);
    EXPECT_EQ(CxToeplitzMatrix(x.data(), 4, y.data(), 0, out.data()), kErrEmptyArray);
    const int32_t empty[] = {AxVectCx(nullptr, 0, 2, nullptr, nullptr), DotProductCx(nullptr, nullptr, 0, nullptr),
                             OuterProductCx(nullptr, 0, nullptr, 2, nullptr), CxTrace(nullptr, 2, 0, nullptr),
                             CxVanderMatrix(nullptr, 0, nullptr)};
    for (int k = 0; k < 5; ++k) EXPECT_EQ(empty[k], kErrEmptyArray) << "product, dot, outer, trace, Vandermonde: " << k;
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
    EXPECT_TRUE(same(untouched, {6, 6}));
}

TEST(CxHandles, ComputeTheCoreResults) {
    // The products into fresh handles are checked by the resize cases below.
    const CMat a = randomCx(3, 4, 81), x = randomCx(4, 1, 83);
    orintest::ComplexMatrixHandle ha(3, 4, a), s(0, 0, {});
    orintest::ComplexHandle hx(x), h3(CMat(a.begin(), a.begin() + 3));
    int32_t err = 9;
    complexnum dot{0, 0};
    ASSERT_EQ(DotprodCx(hx, hx, &dot, &err), 0);
    expectProduct({dot}, x, x, 1, 4, 1);
    ASSERT_EQ(CxTranspose_head(ha, ha, &err), 0);  // into a itself
    EXPECT_TRUE(ha.rows() == 4 && ha.cols() == 3 && same(ha.values(), adjoint(a, 3, 4)));
    ASSERT_EQ(CxSpecialMatrix_head(byRef(2), byRef(0), hx, h3, s, &err), 0);  // Toeplitz: len(x) x len(y)
    EXPECT_TRUE(s.rows() == 4 && s.cols() == 3 && same(s.values()[1], a[1]) && same(s.values()[3], x[1]));
    ASSERT_EQ(CxSpecialMatrix_head(byRef(4), byRef(0), h3, hx, s, &err), 0);
    EXPECT_TRUE(s.rows() == 2 && s.cols() == 2);
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
        ORIN_ROW(kErrArraySizeMismatch, checked(DotprodCx(c.input<ComplexArray>(two), c.input<ComplexArray>(six), &(cxOut = {1, 1}), e), cxOut)),
        ORIN_ROW(kErrEmptyArray, OuterProdCx_head(c.input<ComplexArray>(), c.input<ComplexArray>(two), mat(c), e)),
        ORIN_ROW(kErrEmptyArray, checked(CxTrace_head(c.input<ComplexMatrix>(2, 0, {}), &(cxOut = {1, 1}), e), cxOut)),
    };
}
// clang-format on
