// LU family: P A = L U replayed from the transpositions, solves and inverses
// by residual ratios, determinants against exact values, the pivot rule and
// every failure code of the handle forms.
#include <orin/linalg.h>

#include <gtest/gtest.h>

#include "linalg_reference.h"
#include "support/handles.h"

using namespace linalgtest;
using orintest::DoubleHandle;
using orintest::DoubleMatrixHandle;
using orintest::Int32Handle;
using orintest::isIDNaN;

namespace {

// P A by replaying the transpositions on the rows of A in order.
Mat permuteRows(Mat a, const std::vector<int32_t> &perm, int n) {
    for (int j = 0; j < n; ++j)
        if (perm[j] != j)
            for (int c = 0; c < n; ++c) std::swap(a[size_t(j) * n + c], a[size_t(perm[j]) * n + c]);
    return a;
}

// L (unit lower) times U from the packed factorisation.
std::vector<long double> multiplyFactors(const Mat &lu, int n) {
    Mat l(size_t(n) * n, 0.0), u(size_t(n) * n, 0.0);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            if (i > j) l[size_t(i) * n + j] = lu[size_t(i) * n + j];
            else u[size_t(i) * n + j] = lu[size_t(i) * n + j];
            if (i == j) l[size_t(i) * n + j] = 1.0;
        }
    return mul(l, u, n, n, n);
}

struct Case {
    const char *name;
    int n;
    Mat a;
};

std::vector<Case> wellPosed() {
    return {{"1x1", 1, {5}},
            {"random 6", 6, randomMatrix(6, 6, 61)},
            {"random 40", 40, randomMatrix(40, 40, 62)},
            {"hilbert 8", 8, hilbert(8)}};
}

}  // namespace

TEST(LU, FactorsReplayAsPermutedProduct) {
    for (const Case &c : wellPosed()) {
        Mat lu = c.a;
        std::vector<int32_t> perm(c.n, -1);
        int32_t parity = -1;
        ASSERT_EQ(LUFactor(lu.data(), c.n, perm.data(), &parity), 0) << c.name;
        // The parity counts the transpositions that moved a row.
        int swaps = 0;
        for (int j = 0; j < c.n; ++j) swaps += perm[j] != j;
        EXPECT_EQ(parity, swaps % 2) << c.name;
        const Mat pa = permuteRows(c.a, perm, c.n);
        EXPECT_LT(ratio(multiplyFactors(lu, c.n), pa, c.n, c.n, norm1(c.a, c.n, c.n)), kRatioBound) << c.name;
        // LU gives the same arithmetic.
        Mat lu2 = c.a;
        std::vector<int32_t> perm2(c.n);
        int32_t parity2 = -1, singular = -1;
        LU(lu2.data(), perm2.data(), c.n, &parity2, &singular);
        EXPECT_EQ(singular, 0);
        EXPECT_EQ(lu2, lu) << c.name;
        EXPECT_EQ(perm2, perm);
    }
}

TEST(LU, PivotRuleAndSingularColumns) {
    // Equal candidates keep the earlier row: no exchange.
    Mat a = {1, 2, -1, 3};
    std::vector<int32_t> perm(2);
    int32_t parity = -1;
    ASSERT_EQ(LUFactor(a.data(), 2, perm.data(), &parity), 0);
    EXPECT_EQ(perm, (std::vector<int32_t>{0, 1}));
    EXPECT_EQ(parity, 0);
    // The 1e-12 floor is absolute and strict.
    Mat tiny = {1e-12};
    EXPECT_EQ(LUFactor(tiny.data(), 1, perm.data(), &parity), kErrSingularMatrix);
    Mat above = {1.0000001e-12};
    EXPECT_EQ(LUFactor(above.data(), 1, perm.data(), &parity), 0);
    Mat zeroColumn = {0, 1, 0, 2};
    EXPECT_EQ(LUFactor(zeroColumn.data(), 2, perm.data(), &parity), kErrSingularMatrix);
    int32_t singular = 0;
    zeroColumn = {0, 1, 0, 2};
    LU(zeroColumn.data(), perm.data(), 2, &parity, &singular);
    EXPECT_EQ(singular, 1);
    // A NaN column has no pivot and ends at once.
    Mat withNaN = {std::nan(""), 1, 2, 3};
    EXPECT_EQ(LUFactor(withNaN.data(), 2, perm.data(), &parity), kErrSingularMatrix);
    EXPECT_EQ(LUFactor(withNaN.data(), 0, perm.data(), &parity), kErrEmptyArray);
}

TEST(LU, SolvesAndInversesHaveSmallResiduals) {
    for (const Case &c : wellPosed()) {
        const int n = c.n;
        Mat lu = c.a;
        std::vector<int32_t> perm(n);
        int32_t parity = 0;
        ASSERT_EQ(LUFactor(lu.data(), n, perm.data(), &parity), 0);
        const Mat b = orintest::randomDoubles(n, 70 + n);
        Mat x(n);
        ASSERT_EQ(LULinEqs(lu.data(), perm.data(), b.data(), n, x.data()), 0);
        // ||A x - b|| / (||A|| ||x|| n eps)
        const auto ax = mul(c.a, x, n, n, 1);
        EXPECT_LT(ratio(ax, b, n, 1, norm1(c.a, n, n) * norm1(x, n, 1)), kRatioBound) << c.name;
        // In place: b becomes x.
        Mat inPlace = b;
        ASSERT_EQ(LULinEqs(lu.data(), perm.data(), inPlace.data(), n, inPlace.data()), 0);
        EXPECT_EQ(inPlace, x);

        // ||A A^-1 - I|| / (||A|| ||A^-1|| n eps), by both inverse routines.
        Mat inv(size_t(n) * n), inv2(size_t(n) * n);
        ASSERT_EQ(LUInvMatrix(lu.data(), perm.data(), n, inv.data()), 0);
        ASSERT_EQ(InvMatrix(c.a.data(), n, inv2.data()), 0);
        EXPECT_EQ(inv, inv2) << c.name;
        const long double scale = norm1(c.a, n, n) * norm1(inv, n, n);
        EXPECT_LT(ratio(mul(c.a, inv, n, n, n), identity(n), n, n, scale), kRatioBound) << c.name;
        Mat self = lu;
        ASSERT_EQ(LUInvMatrix(self.data(), perm.data(), n, self.data()), 0);
        EXPECT_EQ(self, inv) << c.name;
    }
    Mat five = {5};
    const int32_t perm0[] = {0};
    double b = 2, x = 0;
    ForwSub(five.data(), perm0, 1, &b);
    EXPECT_EQ(b, 2.0);
    ASSERT_EQ(LULinEqs(five.data(), perm0, &b, 1, &x), 0);
    EXPECT_EQ(x, 0.4);
    Mat singular = {1, 2, 2, 4};
    Mat inv(4);
    EXPECT_EQ(InvMatrix(singular.data(), 2, inv.data()), kErrSingularMatrix);
    EXPECT_EQ(InvMatrix(singular.data(), 0, inv.data()), kErrEmptyArray);
    EXPECT_EQ(LUInvMatrix(singular.data(), perm0, 0, inv.data()), kErrEmptyArray);
}

TEST(Determinant, ExactValuesForEveryType) {
    double det = 0;
    const Mat swap = {0, 1, 1, 0};
    ASSERT_EQ(Determinant(swap.data(), 2, 0, &det), 0);
    EXPECT_EQ(det, -1.0);
    // det of the 4 x 4 Hilbert matrix is 1/6048000; the LU's rounding is
    // bounded by the condition number (~1.6e4) times a few eps.
    ASSERT_EQ(Determinant(hilbert(4).data(), 4, 0, &det), 0);
    EXPECT_NEAR(det, 1.0 / 6048000, 1e-11 / 6048000);
    // Symmetric positive definite: [[4, 2], [2, 3]] has det 8.
    const Mat spd = {4, 2, 2, 3};
    ASSERT_EQ(Determinant(spd.data(), 2, 1, &det), 0);
    EXPECT_NEAR(det, 8.0, 8 * 4 * kEps);
    const Mat tri = {2, 7, 9, 0, -3, 1, 0, 0, 0.5};
    ASSERT_EQ(Determinant(tri.data(), 3, 2, &det), 0);
    EXPECT_EQ(det, -3.0);
    ASSERT_EQ(Determinant(tri.data(), 3, 3, &det), 0);
    EXPECT_EQ(det, -3.0);
    // Singular: 0 with success, for both factorisations.
    const Mat sing = {1, 2, 2, 4};
    ASSERT_EQ(Determinant(sing.data(), 2, 0, &det), 0);
    EXPECT_EQ(det, 0.0);
    ASSERT_EQ(Determinant(sing.data(), 2, 1, &det), 0);
    EXPECT_EQ(det, 0.0);
    // A NaN entry gives a NaN determinant, not a singular 0.
    const Mat nan = {std::nan(""), 1, 1, 1};
    ASSERT_EQ(Determinant(nan.data(), 2, 0, &det), 0);
    EXPECT_TRUE(std::isnan(det));
    ASSERT_EQ(Determinant(nan.data(), 2, 1, &det), 0);
    EXPECT_TRUE(std::isnan(det));
    EXPECT_EQ(Determinant(spd.data(), 2, 5, &det), kErrInvalidSelector);
    EXPECT_TRUE(isIDNaN(det));
    EXPECT_EQ(Determinant(spd.data(), 0, 5, &det), kErrEmptyArray);
}

TEST(Determinant, RandomMatchesProductOfEigenvalueFreeReference) {
    // det(A) by the Leibniz expansion over all 120 permutations (n = 5).
    const int n = 5;
    const Mat a = randomMatrix(n, n, 55);
    std::vector<int> p = {0, 1, 2, 3, 4};
    long double ref = 0, mag = 0;
    do {
        int inversions = 0;
        for (int i = 0; i < n; ++i)
            for (int j = i + 1; j < n; ++j) inversions += p[i] > p[j];
        long double term = inversions % 2 ? -1 : 1;
        for (int i = 0; i < n; ++i) term *= a[size_t(i) * n + p[i]];
        ref += term;
        mag += std::fabs(term);
    } while (std::next_permutation(p.begin(), p.end()));
    double det = 0;
    ASSERT_EQ(Determinant(a.data(), n, 0, &det), 0);
    EXPECT_NEAR(det, (double)ref, (double)mag * 30 * n * kEps);
}

TEST(LU, HandleFormsCheckInOrder) {
    int32_t err = 0, parity = -1;
    DoubleMatrixHandle a(2, 2, {0, 1, 1, 0});
    Int32Handle perm;
    LU_head(a, perm, &parity, &err);
    ASSERT_EQ(err, 0);
    EXPECT_EQ(perm.values(), (std::vector<int32_t>{1, 1}));
    EXPECT_EQ(parity, 1);
    DoubleHandle b({3, 4});
    LULinEqs_head(a, perm, b, &err);
    ASSERT_EQ(err, 0);
    EXPECT_EQ(b.values(), (Mat{4, 3}));
    LUInvMatrix_head(a, perm, &err);
    ASSERT_EQ(err, 0);
    EXPECT_EQ(a.values(), (Mat{0, 1, 1, 0}));

    DoubleMatrixHandle wide(2, 3, {1, 2, 3, 4, 5, 6}), empty(0, 0, {});
    LU_head(wide, perm, &parity, &err);
    EXPECT_EQ(err, kErrNotSquare);
    EXPECT_TRUE(wide.emptied());
    EXPECT_TRUE(perm.emptied());
    LU_head(empty, perm, &parity, &err);
    EXPECT_EQ(err, kErrEmptyArray);
    DoubleMatrixHandle sing(2, 2, {0, 0, 0, 1});
    LU_head(sing, perm, &parity, &err);
    EXPECT_EQ(err, kErrSingularMatrix);
    EXPECT_TRUE(sing.emptied());

    DoubleMatrixHandle id(2, 2, {1, 0, 0, 1});
    Int32Handle p2({0, 1}), p3({0, 1, 2});
    DoubleHandle b3({1, 2, 3});
    LULinEqs_head(id, p2, b3, &err);
    EXPECT_EQ(err, kErrArraySizeMismatch);
    EXPECT_TRUE(b3.emptied());
    LUInvMatrix_head(id, p3, &err);
    EXPECT_EQ(err, kErrArraySizeMismatch);
    EXPECT_TRUE(id.emptied());

    double det = 0;
    DoubleMatrixHandle d(2, 2, {1, 2, 3, 4});
    Determinant_head(d, 0, &det, &err);
    ASSERT_EQ(err, 0);
    EXPECT_NEAR(det, -2.0, 8 * kEps);
    Determinant_head(wide, 0, &det, &err);
    EXPECT_EQ(err, kErrEmptyArray);  // emptied above
    DoubleMatrixHandle wide2(2, 3, {1, 2, 3, 4, 5, 6});
    Determinant_head(wide2, 0, &det, &err);
    EXPECT_EQ(err, kErrNotSquare);
    EXPECT_TRUE(isIDNaN(det));
}

TEST(GenLinEqs, LeastSquaresAndMinimumNorm) {
    // Under-determined x1 + x2 = 2: minimum norm (1, 1).
    const double a12[] = {1, 1}, b1[] = {2};
    double x[2] = {0, 0};
    ASSERT_EQ(GenLinEqs(a12, 1, 2, b1, x), 0);
    EXPECT_NEAR(x[0], 1.0, 4 * kEps);
    EXPECT_NEAR(x[1], 1.0, 4 * kEps);
    // Tall, wide and rank-deficient systems: the least-squares residual is
    // orthogonal to the columns (A^T (A x - b) = 0) and x lies in the row
    // space (x = A^T y), which together define the minimum-norm solution.
    struct Shape {
        int m, n, rank;
    };
    for (const Shape s : {Shape{12, 5, 5}, Shape{5, 12, 5}, Shape{10, 6, 3}, Shape{6, 10, 2}}) {
        const Mat f = randomMatrix(s.m, s.rank, 90 + s.m), g = randomMatrix(s.rank, s.n, 91 + s.n);
        const auto prod = mul(f, g, s.m, s.rank, s.n);
        const Mat a(prod.begin(), prod.end());
        const Mat b = orintest::randomDoubles(s.m, 92);
        Mat xs(s.n);
        ASSERT_EQ(GenLinEqs(a.data(), s.m, s.n, b.data(), xs.data()), 0);
        const auto ax = mul(a, xs, s.m, s.n, 1);
        Mat r(s.m);
        for (int i = 0; i < s.m; ++i) r[i] = double(ax[i] - b[i]);
        const auto atr = mul(transpose(a, s.m, s.n), r, s.n, s.m, 1);
        const long double an = norm1(a, s.m, s.n);
        const long double scale = an * (an * norm1(xs, s.n, 1) + norm1(b, s.m, 1));
        EXPECT_LT(ratio(atr, Mat(s.n, 0.0), s.n, 1, scale), kRatioBound) << s.m << "x" << s.n;
        // Row space: x equals its projection A^+ A x. The projector formed
        // in floating point is off by about kappa eps, kappa = s_0 / s_{r-1}.
        Mat pinv(size_t(s.n) * s.m);
        ASSERT_EQ(PseudoInverse(a.data(), s.m, s.n, -1, pinv.data()), 0);
        Mat tall = s.m >= s.n ? a : transpose(a, s.m, s.n), sv(std::min(s.m, s.n));
        ASSERT_EQ(SVDS(tall.data(), std::max(s.m, s.n), std::min(s.m, s.n), sv.data()), 0);
        const double kappa = sv[0] / sv[s.rank - 1];
        const auto px = mul(pinv, Mat(ax.begin(), ax.end()), s.n, s.m, 1);
        EXPECT_LT(ratio(px, xs, s.n, 1, norm1(xs, s.n, 1)), kRatioBound * kappa) << s.m << "x" << s.n;
    }
    EXPECT_EQ(GenLinEqs(a12, 0, 2, b1, x), kErrEmptyArray);
    EXPECT_EQ(GenLinEqs(a12, 1, 0, b1, x), kErrEmptyArray);
    DoubleMatrixHandle a(1, 2, {1, 1});
    DoubleHandle b({2, 3}), xh;
    int32_t err = 0;
    GenLinEqs_head(a, b, xh, &err);
    EXPECT_EQ(err, kErrArraySizeMismatch);
    DoubleHandle bOk({2});
    GenLinEqs_head(a, bOk, xh, &err);
    ASSERT_EQ(err, 0);
    EXPECT_EQ(xh.size(), 2);
}
