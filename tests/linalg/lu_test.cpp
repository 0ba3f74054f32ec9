// LU family, real and complex alike: P A = L U with P replayed from the
// transpositions, solves and inverses by residual ratios; the pivot rules of
// each, determinants of non-finite and overflowing data, and the complex
// entry points' failures.
#include "support/prelude.h"

#include "linalg_reference.h"

using namespace linalgtest;

TWIN_SUITE(LUFamily);

TYPED_TEST(LUFamily, FactorsReplaySolveAndInvert) {
    using T = typename TypeParam::T;
    const struct {
        const char *name;
        int n;
        std::vector<T> a;
    } cases[] = {{"1x1", 1, {elem<T>(5, -1)}},
                 {"random 7", 7, random<T>(7, 7, 61)},
                 {"random 40", 40, random<T>(40, 40, 62)},
                 {"hilbert 8", 8, hilbert<T>(8)}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const int n = c.n;
        std::vector<T> lu = c.a, l(size_t(n) * n, elem<T>(0)), u = l, pa = c.a, x(n), inv(size_t(n) * n);
        std::vector<int32_t> perm(n, -1);
        int32_t parity = -1, swaps = 0;
        ASSERT_EQ(TypeParam::luFactor(lu.data(), n, perm.data(), &parity), 0);
        for (int j = 0; j < n; ++j) {
            swaps += perm[j] != j;
            for (int k = 0; k < n; ++k) std::swap(pa[size_t(j) * n + k], pa[size_t(perm[j]) * n + k]);
        }
        EXPECT_EQ(parity, swaps % 2);
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j)
                (i > j ? l : u)[size_t(i) * n + j] = lu[size_t(i) * n + j], l[size_t(i) * n + i] = elem<T>(1);
        EXPECT_LT(reconstructionRatio(pa, productL(l, u, n, n, n), n, n), kBound);
        // ||A x - b|| and ||A X - I|| / (||A|| ||X|| n eps); in place, the
        // same bits (the sweep's aliased calls).
        const std::vector<T> b = random<T>(n, 1, 70 + n);
        ASSERT_EQ(TypeParam::luSolve(lu.data(), perm.data(), b.data(), n, x.data()), 0);
        EXPECT_LT(residualRatio(c.a, x, b, n, n), kBound);
        ASSERT_EQ(TypeParam::luInv(lu.data(), perm.data(), n, inv.data()), 0);
        EXPECT_LT(residualRatio(c.a, inv, identity<T>(n), n, n, n), kBound);
    }
}

TEST(LU, PivotRuleAndSingularColumns) {
    std::vector<int32_t> perm(2);
    int32_t parity = -1, singular = 0;
    Mat tie = {1, 2, -1, 3};  // equal candidates keep the earlier row
    ASSERT_EQ(LUFactor(tie.data(), 2, perm.data(), &parity), 0);
    EXPECT_EQ(perm, (std::vector<int32_t>{0, 1}));
    EXPECT_EQ(parity, 0);
    Mat tiny = {1e-12}, above = {1.0000001e-12};  // the floor is absolute and strict
    EXPECT_EQ(LUFactor(tiny.data(), 1, perm.data(), &parity), kErrSingularMatrix);
    EXPECT_EQ(LUFactor(above.data(), 1, perm.data(), &parity), 0);
    Mat zeroColumn = {0, 1, 0, 2}, withNaN = {std::nan(""), 1, 2, 3};
    LU(zeroColumn.data(), perm.data(), 2, &parity, &singular);
    EXPECT_EQ(singular, 1);
    EXPECT_EQ(LUFactor(withNaN.data(), 2, perm.data(), &parity), kErrSingularMatrix);
    Mat rankOne = {1, 2, 2, 4}, inv(4);
    EXPECT_EQ(InvMatrix(rankOne.data(), 2, inv.data()), kErrSingularMatrix);
}

TEST(LU, SubstitutionsOfNoRowsTouchNothing) {
    // The kernels trust their caller, but a count below 1 is an empty system:
    // nothing read or written, for any such count (INT32_MIN - 1 used to wrap
    // to INT32_MAX and read far outside b).
    const Mat lu = {2};
    const std::vector<int32_t> perm = {0};
    for (int32_t n : {0, -1, -2147483647, std::numeric_limits<int32_t>::min()}) {
        Mat b = {7, 8};
        BackSub(lu.data(), n, b.data());
        ForwSub(lu.data(), perm.data(), n, b.data());
        EXPECT_EQ(b, (Mat{7, 8})) << n;
    }
    Mat b = {7};
    BackSub(lu.data(), 1, b.data());  // one row still runs
    EXPECT_EQ(b, (Mat{3.5}));
}

TEST(Determinant, NonFiniteDataNeverGiveAFiniteDeterminant) {
    // For every type, real and complex: a NaN or an infinity anywhere gives
    // NaN with code 0 (an infinity used to make the elimination's column
    // singular, so the determinant came back 0 with success, and the
    // triangular types ignored what lay off the diagonal). So does finite
    // data whose elimination overflows: the third pivot column of this one
    // is inf - inf, and its determinant is 1e924, not 0.
    const double inf = HUGE_VAL, nan = std::nan("");
    const std::vector<std::pair<int, Mat>> bad = {
        {2, {inf, inf, 1, 1}}, {2, {1, inf, 0, 1}}, {2, {-inf, 0, 0, 1}}, {2, {1, nan, 0, 1}}, {2, {1, 0, 0, nan}}};
    const Mat overflowing = {1e308, 1e308, 1e308, 1e308, -1e308, -1e308, 1e308, 1e308, 5e307};
    for (int type = 0; type < 4; ++type)
        for (const auto &[n, a] : bad) {
            SCOPED_TRACE(testing::Message() << "type " << type << ", a[1] " << a[1] << ", a[3] " << a[3]);
            double det = 0;
            complexnum cdet{0, 0};
            std::vector<complexnum> ca;
            for (double x : a) ca.push_back({x, 0});
            ASSERT_EQ(Determinant(a.data(), n, type, &det), 0);
            EXPECT_TRUE(std::isnan(det)) << det;
            ASSERT_EQ(CxDeterminant(ca.data(), n, type, &cdet), 0);
            EXPECT_TRUE(std::isnan(cdet.re) && std::isnan(cdet.im)) << cdet.re;
            ca[1] = {0, a[0] == inf ? nan : inf};  // a non-finite imaginary part alone
            ASSERT_EQ(CxDeterminant(ca.data(), n, type, &cdet), 0);
            EXPECT_TRUE(std::isnan(cdet.re) && std::isnan(cdet.im)) << cdet.re;
        }
    double det = 0;
    complexnum cdet{0, 0};
    std::vector<complexnum> coverflowing;
    for (double x : overflowing) coverflowing.push_back({x, 0});
    ASSERT_EQ(Determinant(overflowing.data(), 3, 0, &det), 0);
    ASSERT_EQ(CxDeterminant(coverflowing.data(), 3, 0, &cdet), 0);
    EXPECT_TRUE(std::isnan(det) && std::isnan(cdet.re) && std::isnan(cdet.im)) << det << " " << cdet.re;
    // Where the determinant itself is beyond the double range, it is an
    // infinity of the right sign; where every entry is 0, it is 0.
    const Mat huge = {0, 1e200, 1e200, 0}, zero(9, 0.0);
    for (int type : {0, 2, 3}) {
        ASSERT_EQ(Determinant(huge.data(), 2, type, &det), 0);
        EXPECT_EQ(det, type == 0 ? -HUGE_VAL : 0.0) << type;
    }
    for (int type = 0; type < 4; ++type) {
        ASSERT_EQ(Determinant(zero.data(), 3, type, &det), 0);
        EXPECT_EQ(det, 0.0) << type;
    }
}

TEST(CxLU, PivotingConventionsAndSingularity) {
    // (One row exchange, its parity and transpositions: HostCalls, CxLU_head.)
    std::vector<int32_t> perm(3);
    int32_t parity = 0;
    // A zero row; a zero column (no pivot at all); and a pivot 2^-52 below a
    // row whose multiplier 1e10 / 2^-52 makes the elimination grow by about
    // 1e51 in squared magnitude: below the smallest normal float times that
    // growth, it is taken as zero.
    const CMat zeroRow = {{1, 1}, {2, 0}, {0, 0}, {0, 0}}, zeroColumn = {{0, 0}, {1, 0}, {0, 0}, {2, 1}};
    const CMat grown = {{1, 0}, {1, 0}, {0, 0}, {1, 0}, {1 + 0x1p-52, 0}, {0, 0}, {0, 0}, {1e10, 0}, {1e40, 0}};
    for (auto [a, n] : {std::pair{zeroRow, 2}, {zeroColumn, 2}, {grown, 3}}) {
        CMat m = a;
        EXPECT_EQ(CxLU(m.data(), n, perm.data(), &parity), kErrSingularMatrix) << n;
    }
    // The forward substitution skips the leading zeros of a sparse b.
    const std::vector<int32_t> same3 = {0, 1, 2};
    const CMat b = {{0, 0}, {0, 0}, {1, 0}},
               upper = {{1, 0}, {1, 0}, {1, 0}, {0, 0}, {1, 0}, {1, 0}, {0, 0}, {0, 0}, {2, 0}};
    CMat x(3);
    ASSERT_EQ(CxLULinEqs(upper.data(), same3.data(), b.data(), 3, x.data()), 0);
    EXPECT_EQ(x, (CMat{{0, 0}, {-0.5, 0}, {0.5, 0}}));
    // A zero diagonal in the factors, and empty sizes.
    CMat singular = upper;
    singular[4] = {0, 0};
    EXPECT_EQ(CxLULinEqs(singular.data(), same3.data(), b.data(), 3, x.data()), kErrSingularMatrix);
    EXPECT_EQ(CxLUInvMatrix(singular.data(), same3.data(), 3, singular.data()), kErrSingularMatrix);
}

// A table, one entry per line:
// clang-format off
ORIN_CONTRACT_TABLE(CxLUEntryPoints) {
    const CMat two(2, complexnum{1, 0}), singular = {{1, 0}, {0, 0}, {0, 0}, {0, 0}};
    return {
        ORIN_ROW(kErrNotSquare, CxLU_head(c.output<ComplexMatrix>(1, 2, two), c.output<Int32Array>(std::vector<int32_t>{5}), c.intOutput(0), e)),  // parity 0
        ORIN_ROW(kErrArraySizeMismatch, CxLULinEqs_head(c.input<ComplexMatrix>(1, 1, {{2, 0}}), c.input<Int32Array>({0, 0}), c.output<ComplexArray>(CMat{{1, 0}}), e)),
        ORIN_ROW(kErrArraySizeMismatch, CxLULinEqs_head(c.input<ComplexMatrix>(1, 1, {{2, 0}}), c.input<Int32Array>({0}), c.output<ComplexArray>(two), e)),
        ORIN_ROW(kErrSingularMatrix, CxLULinEqs_head(c.input<ComplexMatrix>(2, 2, singular), c.input<Int32Array>({0, 1}), c.output<ComplexArray>(two), e)),
        ORIN_ROW(kErrSingularMatrix, CLUInvMatrix_head(c.output<ComplexMatrix>(2, 2, singular), c.input<Int32Array>({0, 1}), e)),
    };
}
// clang-format on
