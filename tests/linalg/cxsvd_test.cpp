// The complex SVD by reconstruction, unitarity and known singular values
// (a unitary times a chosen diagonal), and the measures built on it: the Penrose conditions of the
// pseudo-inverse, ranks, minimum-norm least squares, norms against direct
// long-double sums, and condition numbers against s_max / s_min and a
// long-double inverse.
#include <orin/linalg.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <cmath>
#include <complex>
#include <functional>
#include <initializer_list>
#include <vector>

#include "cx_reference.h"
#include "support/allocation_failure.h"
#include "support/contract.h"
#include "support/handles.h"
#include "support/reference.h"

using cxtest::adjoint;
using cxtest::at;
using cxtest::CMat;
using cxtest::LMat;
using cxtest::lowRankCx;
using cxtest::product;
using cxtest::productL;
using cxtest::randomCx;
using cxtest::same;
using orintest::kEps;
using orintest::LCx;

namespace {

// Backward-stable methods keep the ratios of cx_reference.h at O(1).
constexpr double kBound = 30.0;

struct Case {
    const char *name;
    int m, n;
    CMat a;
};

// An m x n matrix with orthonormal columns: Gram-Schmidt, twice, in long
// double on a random matrix.
CMat orthonormalColumns(int m, int n, uint64_t seed) {
    const CMat g = randomCx(m, n, seed);
    LMat q(g.size());
    for (size_t i = 0; i < g.size(); ++i) q[i] = at(g, i);
    for (int j = 0; j < n; ++j) {
        LMat x(m);
        for (int r = 0; r < m; ++r) x[r] = q[size_t(r) * n + j];
        for (int pass = 0; pass < 2; ++pass)
            for (int l = 0; l < j; ++l) {
                LCx c = 0;
                for (int r = 0; r < m; ++r) c += std::conj(q[size_t(r) * n + l]) * x[r];
                for (int r = 0; r < m; ++r) x[r] -= c * q[size_t(r) * n + l];
            }
        long double len = 0;
        for (const LCx &z : x) len += std::norm(z);
        len = std::sqrt(len);
        for (int r = 0; r < m; ++r) q[size_t(r) * n + j] = x[r] / len;
    }
    return cxtest::toCx(q);
}

// Q1 diag(sigma) Q2^H with Q1 (m x n) and Q2 (n x n) unitary columns: the
// singular values are sigma, up to the rounding of the product to double.
CMat withValues(int m, int n, const std::vector<double> &sigma, uint64_t seed) {
    CMat q1 = orthonormalColumns(m, n, seed);
    const CMat q2 = orthonormalColumns(n, n, seed + 7);
    for (size_t i = 0; i < q1.size(); ++i) q1[i] = {q1[i].re * sigma[i % n], q1[i].im * sigma[i % n]};
    return product(q1, adjoint(q2, n, n), m, n, n);
}

// ||X Y Z - W|| / (||X|| ||Y|| ||Z|| max(rows, cols) eps), the Penrose
// identities' measure (X m x k, Y k x l, Z l x n).
double tripleRatio(const CMat &x, const CMat &y, const CMat &z, const CMat &w, int m, int k, int l, int n) {
    const LMat xyz = productL(product(x, y, m, k, l), z, m, l, n);
    long double worst = 0;
    for (size_t i = 0; i < w.size(); ++i) worst = std::max(worst, std::abs(xyz[i] - at(w, i)));
    const long double scale = cxtest::normInf(x, m, k) * cxtest::normInf(y, k, l) * cxtest::normInf(z, l, n);
    return double(worst / (scale * std::max(m, n) * kEps));
}

// The normal equations' residual ||A^H (A x - b)|| / (||A^H|| (||A|| ||x||
// + ||b||) m eps), the measure of a least-squares solution.
double normalRatio(const CMat &a, const CMat &x, const CMat &b, int m, int n) {
    LMat r = productL(a, x, m, n, 1);
    for (int i = 0; i < m; ++i) r[i] -= at(b, i);
    const CMat ah = adjoint(a, m, n);
    const LMat g = productL(ah, cxtest::toCx(r), n, m, 1);
    const long double scale =
        cxtest::normInf(ah, n, m) * (cxtest::normInf(a, m, n) * cxtest::normInf(x, n, 1) + cxtest::normInf(b, m, 1));
    return double(cxtest::normInf(g, n, 1) / (scale * m * kEps));
}

// The 1-norm (code 1) or infinity norm (code 3), in long double.
long double sumNorm(const CMat &a, int m, int n, int code) {
    return code == 1 ? cxtest::normInf(adjoint(a, m, n), n, m) : cxtest::normInf(a, m, n);
}

// Each part of got[k] within tol of the k-th wanted value.
void expectNear(const complexnum *got, std::initializer_list<complexnum> want, double tol) {
    for (size_t k = 0; k < want.size(); ++k) {
        EXPECT_NEAR(got[k].re, want.begin()[k].re, tol) << k;
        EXPECT_NEAR(got[k].im, want.begin()[k].im, tol) << k;
    }
}

// The reconstruction ratio of A = U diag(s) V^H (U m x n, V n x n).
double svdRatio(const CMat &a, int m, int n, CMat us, const std::vector<double> &s, const CMat &v) {
    for (size_t i = 0; i < us.size(); ++i) us[i] = {us[i].re * s[i % n], us[i].im * s[i % n]};
    return cxtest::reconstructionRatio(a, productL(us, adjoint(v, n, n), m, n, n), m, n);
}

}  // namespace

TEST(CxSVD, ReconstructsWithUnitaryFactors) {
    // U's column for the zero value must be made orthogonal to generic ones.
    CMat withZeroColumn = randomCx(5, 3, 704);
    for (int i = 0; i < 5; ++i) withZeroColumn[size_t(i) * 3 + 1] = {0, 0};
    // Condition about 1.6e13: D H D^H with a unitary diagonal D.
    CMat hilbert(100);
    for (int i = 0; i < 10; ++i)
        for (int j = 0; j < 10; ++j)
            hilbert[size_t(i) * 10 + j] = {std::cos(0.3 * (i - j)) / (i + j + 1), std::sin(0.3 * (i - j)) / (i + j + 1)};
    const int big = orintest::kReducedSuite ? 40 : 120;
    const std::vector<Case> cases = {{"1x1", 1, 1, {{3, -4}}},
                                     {"tall 30x7", 30, 7, randomCx(30, 7, 701)},
                                     {"rank 3 of 15x9", 15, 9, lowRankCx(15, 9, 3, 702)},
                                     {"zero 4x3", 4, 3, CMat(12, complexnum{0, 0})},
                                     {"zero column of 5x3", 5, 3, withZeroColumn},
                                     {"phased hilbert 10", 10, 10, hilbert},
                                     {"unitary 8 (all values 1)", 8, 8, orthonormalColumns(8, 8, 705)},
                                     {"large tall", big + 5, big, randomCx(big + 5, big, 720)}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        CMat u = c.a, v(size_t(c.n) * c.n);
        std::vector<double> s(c.n), s2(c.n);
        ASSERT_EQ(CxSVD(u.data(), c.m, c.n, s.data(), v.data()), 0);
        EXPECT_TRUE(std::is_sorted(s.rbegin(), s.rend()) && s.back() >= 0) << "descending, non-negative";
        EXPECT_LT(svdRatio(c.a, c.m, c.n, u, s, v), kBound);
        // U keeps orthonormal columns for rank-deficient and zero matrices.
        EXPECT_LT(cxtest::unitarityRatio(u, c.m, c.n), kBound);
        EXPECT_LT(cxtest::unitarityRatio(v, c.n, c.n), kBound);
        ASSERT_EQ(CxSVDS(c.a.data(), c.m, c.n, s2.data()), 0);  // the values alone agree
        for (int j = 0; j < c.n; ++j) EXPECT_NEAR(s2[j], s[j], kBound * c.m * kEps * s[0]) << j;
    }
}

TEST(CxSVD, SingularValuesMatchKnownValues) {
    // A unitary times a chosen diagonal: rounding the product to double moves
    // each value by at most about m eps s_max (Weyl).
    const std::vector<double> sigma = {1e3, 7, 2, 2, 1e-4, 0};
    const int m = 9, n = 6;
    const CMat a = withValues(m, n, sigma, 710);
    std::vector<double> s(n);
    ASSERT_EQ(CxSVDS(a.data(), m, n, s.data()), 0);
    for (int j = 0; j < n; ++j) EXPECT_NEAR(s[j], sigma[j], 4 * m * kEps * sigma[0]) << j;
}

TEST(CxSVD, CodesAndNonFiniteInput) {
    CMat a(6, complexnum{1, 1}), v(9);
    std::vector<double> s(3);
    EXPECT_EQ(CxSVD(a.data(), 2, 3, s.data(), v.data()), kErrBadArraySize);
    EXPECT_EQ(CxSVDS(a.data(), 2, 3, s.data()), kErrBadArraySize);
    for (const complexnum &z : a) EXPECT_TRUE(z.re == 1 && z.im == 1);  // untouched
    EXPECT_EQ(CxSVD(a.data(), 3, 0, s.data(), v.data()), kErrEmptyArray);
    EXPECT_EQ(CxSVDS(a.data(), 0, 1, s.data()), kErrEmptyArray);
    for (int part = 0; part < 2; ++part) {  // either part, ends at once with a code
        const double bad = part ? -HUGE_VAL : std::nan("");
        CMat x = randomCx(5, 4, 800);
        (part ? x[7].im : x[7].re) = bad;
        CMat y = x, vv(16);
        std::vector<double> sv(4);
        EXPECT_EQ(CxSVD(x.data(), 5, 4, sv.data(), vv.data()), kErrNoConvergence) << bad;
        EXPECT_EQ(CxSVDS(y.data(), 5, 4, sv.data()), kErrNoConvergence) << bad;
    }
    // Finite entries near the top of the range (orthogonal columns): no
    // overflow inside, the true values (sqrt(2) 1.5e308 twice) come back as
    // infinity, the factors stay unitary.
    CMat big = {{1.5e308, 0}, {0, 1.5e308}, {0, 1.5e308}, {1.5e308, 0}}, vb(4);
    std::vector<double> sb(2);
    ASSERT_EQ(CxSVD(big.data(), 2, 2, sb.data(), vb.data()), 0);
    EXPECT_TRUE(std::isinf(sb[0]) && std::isinf(sb[1]));
    EXPECT_LT(cxtest::unitarityRatio(big, 2, 2), kBound);
    EXPECT_LT(cxtest::unitarityRatio(vb, 2, 2), kBound);
    // Tiny entries keep their relative accuracy: the scaled identity.
    CMat tiny = {{1e-300, 0}, {0, 0}, {0, 0}, {0, 3e-300}};
    ASSERT_EQ(CxSVDS(tiny.data(), 2, 2, sb.data()), 0);
    EXPECT_NEAR(sb[0], 3e-300, 4 * kEps * 3e-300);
    EXPECT_NEAR(sb[1], 1e-300, 4 * kEps * 1e-300);
}

TEST(CxMeasures, KeepWorkingNearTheTopOfTheRange) {
    // A = 1.5e308 [[1, i], [i, 1]] has orthogonal columns and both singular
    // values sqrt(2) 1.5e308, beyond the double range: the 2-norm is
    // infinite, but rank, condition, least squares and pseudo-inverse are
    // ordinary numbers.
    const double h = 1.5e308;
    const CMat a = {{h, 0}, {0, h}, {0, h}, {h, 0}};
    int32_t rank = 0;
    double value = 0;
    ASSERT_EQ(CxRank(a.data(), 2, 2, -1, &rank), 0);
    EXPECT_EQ(rank, 2);
    ASSERT_EQ(CxRank(a.data(), 2, 2, 1e308, &rank), 0);  // an absolute tolerance below the values
    EXPECT_EQ(rank, 2);
    ASSERT_EQ(CxNorm(a.data(), 2, 2, 0, &value), 0);
    EXPECT_EQ(value, HUGE_VAL);
    ASSERT_EQ(CxCondNumber(a.data(), 2, 2, 0, &value), 0);
    EXPECT_NEAR(value, 1.0, 8 * kEps);
    // A (0.25, 0.25 i) = (0, 0.75e308 i).
    const complexnum b[] = {{0, 0}, {0, 0.5 * h}};
    complexnum x[2];
    ASSERT_EQ(CxGenLinEqs(a.data(), 2, 2, b, x), 0);
    expectNear(x, {{0.25, 0}, {0, 0.25}}, 8 * kEps);
    // A^+ = A^H / (2 h^2) = [[1, -i], [-i, 1]] / (2 h): near the bottom of
    // the range (3.3e-309, a few bits into gradual underflow).
    complexnum p[4];
    ASSERT_EQ(CxPseudoInverse(a.data(), 2, 2, -1, p), 0);
    const double w = 0.5 / h;
    expectNear(p, {{w, 0}, {0, -w}, {0, -w}, {w, 0}}, 64 * kEps * w);
}

TEST(CxPseudoInverse, SatisfiesPenroseConditions) {
    CMat down = lowRankCx(5, 4, 2, 902);
    for (complexnum &z : down) z = {z.re * 1e-3, z.im * 1e-3};
    const std::vector<Case> cases = {{"tall 9x4", 9, 4, randomCx(9, 4, 900)},
                                     {"wide 4x9", 4, 9, randomCx(4, 9, 901)},
                                     {"rank 2 of 5x4", 5, 4, lowRankCx(5, 4, 2, 902)},
                                     {"rank 2 scaled 1e-3", 5, 4, down}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const int m = c.m, n = c.n;
        CMat p(size_t(m) * n);
        ASSERT_EQ(CxPseudoInverse(c.a.data(), m, n, -1, p.data()), 0);
        // A P A = A, P A P = P, (A P)^H = A P, (P A)^H = P A.
        EXPECT_LT(tripleRatio(c.a, p, c.a, c.a, m, n, m, n), kBound);
        EXPECT_LT(tripleRatio(p, c.a, p, p, n, m, n, m), kBound);
        const CMat ap = product(c.a, p, m, n, m), pa = product(p, c.a, n, m, n);
        const CMat im = cxtest::identityCx(m), in = cxtest::identityCx(n);
        EXPECT_LT(tripleRatio(ap, im, im, adjoint(ap, m, m), m, m, m, m), kBound);
        EXPECT_LT(tripleRatio(pa, in, in, adjoint(pa, n, n), n, n, n, n), kBound);
        // The default threshold is relative: noise of a rank-2 matrix is
        // dropped at any scale, so ||A|| ||A^+|| stays near its condition.
        EXPECT_LT(double(cxtest::normInf(c.a, m, n) * cxtest::normInf(p, n, m)), 1e3);
    }
    // [1, i]^+ = [1, i]^H / 2 (through 1/sqrt(2) factors: a few eps).
    const complexnum row[] = {{1, 0}, {0, 1}};
    complexnum out[2];
    ASSERT_EQ(CxPseudoInverse(row, 1, 2, -1, out), 0);
    expectNear(out, {{0.5, 0}, {0, -0.5}}, 4 * kEps);
    const complexnum two[] = {{0, 2}};  // an explicit tolerance is absolute
    ASSERT_EQ(CxPseudoInverse(two, 1, 1, 1.5, out), 0);
    EXPECT_TRUE(same(out[0], {0, -0.5}));
    ASSERT_EQ(CxPseudoInverse(two, 1, 1, 2.0, out), 0);
    EXPECT_TRUE(same(out[0], {0, 0}));
    EXPECT_EQ(CxPseudoInverse(two, 0, 1, -1, out), kErrEmptyArray);
}

TEST(CxRank, CountsValuesAboveTheThreshold) {
    int32_t rank = 0;
    const complexnum a[] = {{1, 0}, {0, 1}, {0, 1}, {-1, 0}};
    for (auto [m, n, r] : {std::tuple{7, 5, 3}, {5, 7, 2}, {4, 1, 1}}) {
        ASSERT_EQ(CxRank(lowRankCx(m, n, r, 950 + m * n).data(), m, n, -1, &rank), 0);
        EXPECT_EQ(rank, r) << m << "x" << n;
    }
    // Known values 1, 1e-6, 1e-12: the tolerance decides.
    const CMat g = withValues(4, 3, {1, 1e-6, 1e-12}, 960);
    ASSERT_EQ(CxRank(g.data(), 4, 3, 1e-9, &rank), 0);
    EXPECT_EQ(rank, 2);
    ASSERT_EQ(CxRank(g.data(), 4, 3, 0, &rank), 0);
    EXPECT_EQ(rank, 3);
    // The default threshold is relative: the same rank at any scale.
    for (double scale : {1e-200, 1e200}) {
        CMat scaled = lowRankCx(9, 6, 4, 961);
        for (complexnum &z : scaled) z = {z.re * scale, z.im * scale};
        ASSERT_EQ(CxRank(scaled.data(), 9, 6, -1, &rank), 0);
        EXPECT_EQ(rank, 4) << scale;
    }
    const CMat zero(6, complexnum{0, 0});
    ASSERT_EQ(CxRank(zero.data(), 2, 3, -1, &rank), 0);
    EXPECT_EQ(rank, 0);
    EXPECT_EQ(CxRank(a, 2, 0, -1, &rank), kErrEmptyArray);
    EXPECT_EQ(rank, -1);
    CMat bad(a, a + 4);
    bad[1].im = std::nan("");
    EXPECT_EQ(CxRank(bad.data(), 2, 2, -1, &rank), kErrNoConvergence);
    EXPECT_EQ(rank, -1);
}

TEST(CxGenLinEqs, MinimumNormLeastSquares) {
    // Over-determined, full rank: the normal equations A^H (A x - b) = 0.
    {
        const int m = 12, n = 5;
        const CMat a = randomCx(m, n, 1100), b = randomCx(m, 1, 1101);
        CMat x(n);
        ASSERT_EQ(CxGenLinEqs(a.data(), m, n, b.data(), x.data()), 0);
        EXPECT_LT(normalRatio(a, x, b, m, n), kBound);
    }
    // Under-determined: the solution of least norm is A^H (A A^H)^-1 b,
    // formed here in long double.
    {
        const int m = 4, n = 9;
        const CMat a = randomCx(m, n, 1104), b = randomCx(m, 1, 1105);
        CMat x(n);
        ASSERT_EQ(CxGenLinEqs(a.data(), m, n, b.data(), x.data()), 0);
        const CMat aah = product(a, adjoint(a, m, n), m, n, m);
        const LMat y = productL(cxtest::toCx(cxtest::inverseL(aah, m)), b, m, m, 1);
        const LMat want = productL(adjoint(a, m, n), cxtest::toCx(y), n, m, 1);
        for (int k = 0; k < n; ++k) EXPECT_LT(double(std::abs(at(x, k) - want[k])), 100 * n * kEps) << k;
    }
    // Rank-deficient A = F G (rank 2): x lies in the range of G^H, the
    // orthogonal complement of the null space, and meets the normal equations.
    {
        const int m = 8, n = 5, r = 2;
        const CMat f = randomCx(m, r, 1106), gm = randomCx(r, n, 1107), a = product(f, gm, m, r, n);
        const CMat b = randomCx(m, 1, 1108);
        CMat x(n);
        ASSERT_EQ(CxGenLinEqs(a.data(), m, n, b.data(), x.data()), 0);
        const CMat ggh = product(gm, adjoint(gm, r, n), r, n, r);
        const CMat gx = product(gm, x, r, n, 1);
        const LMat coef = productL(cxtest::toCx(cxtest::inverseL(ggh, r)), gx, r, r, 1);
        const LMat inRange = productL(adjoint(gm, r, n), cxtest::toCx(coef), n, r, 1);
        for (int k = 0; k < n; ++k)
            EXPECT_LT(double(std::abs(at(x, k) - inRange[k])), 1e3 * kEps * double(cxtest::normInf(x, n, 1))) << k;
        EXPECT_LT(normalRatio(a, x, b, m, n), 1e3) << "rank-deficient normal equations";
    }
    const complexnum row[] = {{1, 0}, {0, 1}};
    complexnum x[2];
    EXPECT_EQ(CxGenLinEqs(row, 0, 2, row, x), kErrEmptyArray);
}

TEST(CxNorm, MatchesDirectSumsAndKnownValues) {
    const int m = 6, n = 4;
    const CMat a = randomCx(m, n, 1000);
    double out = 0;
    for (int code : {1, 3}) {
        ASSERT_EQ(CxNorm(a.data(), m, n, code, &out), 0);
        EXPECT_NEAR(out, double(sumNorm(a, m, n, code)), 4 * m * kEps * out) << code;
    }
    long double fro = 0;
    for (size_t i = 0; i < a.size(); ++i) fro += std::norm(at(a, i));
    ASSERT_EQ(CxNorm(a.data(), m, n, 2, &out), 0);
    EXPECT_NEAR(out, double(std::sqrt(fro)), 4 * kEps * out);
    // The 2-norm: a known largest value.
    const CMat k = withValues(m, n, {3.5, 1, 0.5, 0.25}, 1001);
    ASSERT_EQ(CxNorm(k.data(), m, n, 0, &out), 0);
    EXPECT_NEAR(out, 3.5, 4 * m * kEps * 3.5);
    // NaN in either part wins, also against an infinite other part; an
    // infinite part alone gives infinity.
    for (auto [bad, nan] : {std::pair{complexnum{std::nan(""), 0}, true}, {complexnum{HUGE_VAL, std::nan("")}, true},
                            {complexnum{1, -HUGE_VAL}, false}}) {
        CMat x = a;
        x[5] = bad;
        for (int code = 0; code < 4; ++code) {
            ASSERT_EQ(CxNorm(x.data(), m, n, code, &out), 0);
            EXPECT_TRUE(nan ? std::isnan(out) : out == HUGE_VAL) << code << " " << bad.re;
        }
    }
    // Frobenius neither overflows nor underflows before the result does.
    const complexnum huge[] = {{3e300, 4e300}}, tiny[] = {{3e-300, -4e-300}};
    ASSERT_EQ(CxNorm(huge, 1, 1, 2, &out), 0);
    EXPECT_NEAR(out, 5e300, 4 * kEps * 5e300);
    ASSERT_EQ(CxNorm(tiny, 1, 1, 2, &out), 0);
    EXPECT_NEAR(out, 5e-300, 4 * kEps * 5e-300);
    EXPECT_EQ(CxNorm(a.data(), m, n, 4, &out), kErrInvalidSelector);
    EXPECT_TRUE(orintest::isIDNaN(out));
    EXPECT_EQ(CxNorm(a.data(), m, 0, 1, &out), kErrEmptyArray);
    EXPECT_TRUE(orintest::isIDNaN(out));
}

TEST(CxCondNumber, ClosedFormsReferencesAndSingularMatrices) {
    double cond = 0;
    const CMat id = cxtest::identityCx(2), sing = {{1, 0}, {0, 0}, {0, 0}, {0, 0}};
    const CMat d = {{0, 1}, {0, 0}, {0, 0}, {-1e-6, 0}};
    for (int code : {0, 1, 3}) {
        ASSERT_EQ(CxCondNumber(d.data(), 2, 2, code, &cond), 0);  // 1e6 in every p-norm
        EXPECT_NEAR(cond, 1e6, 1e6 * 8 * kEps) << code;
    }
    ASSERT_EQ(CxCondNumber(id.data(), 2, 2, 2, &cond), 0);  // Frobenius: sqrt(2) sqrt(2)
    EXPECT_NEAR(cond, 2.0, 4 * kEps);
    for (int code = 0; code < 4; ++code) {
        EXPECT_EQ(CxCondNumber(sing.data(), 2, 2, code, &cond), kErrSingularMatrix) << code;
        EXPECT_TRUE(orintest::isIDNaN(cond));
    }
    // Code 0 against the known values, tall and wide.
    const CMat k = withValues(7, 4, {50, 3, 2, 0.1}, 1200);
    ASSERT_EQ(CxCondNumber(k.data(), 7, 4, 0, &cond), 0);
    EXPECT_NEAR(cond, 500, 500 * 7 * 500 * kEps);  // the rounded product moves s_min by ~ m eps s_max
    ASSERT_EQ(CxCondNumber(adjoint(k, 7, 4).data(), 4, 7, 0, &cond), 0);
    EXPECT_NEAR(cond, 500, 500 * 7 * 500 * kEps);
    // Codes 1-3 against ||A|| ||A^-1|| with the inverse in long double.
    const int n = 6;
    const CMat a = randomCx(n, n, 1201);
    const CMat inv = cxtest::toCx(cxtest::inverseL(a, n));  // rounding adds eps to each entry
    for (int code : {1, 3}) {
        ASSERT_EQ(CxCondNumber(a.data(), n, n, code, &cond), 0);
        const long double want = sumNorm(a, n, n, code) * sumNorm(inv, n, n, code);
        EXPECT_NEAR(cond, double(want), double(want) * 1e3 * n * kEps) << code;  // cond(A) < 1e3 here
    }
    long double fa = 0, fi = 0;
    for (size_t i = 0; i < a.size(); ++i) fa += std::norm(at(a, i)), fi += std::norm(at(inv, i));
    ASSERT_EQ(CxCondNumber(a.data(), n, n, 2, &cond), 0);
    EXPECT_NEAR(cond, double(std::sqrt(fa * fi)), double(std::sqrt(fa * fi)) * 1e3 * n * kEps);
    EXPECT_EQ(CxCondNumber(k.data(), 3, 2, 7, &cond), kErrInvalidSelector);
    EXPECT_EQ(CxCondNumber(k.data(), 3, 2, 1, &cond), kErrNotSquare);
    EXPECT_EQ(CxCondNumber(k.data(), 0, 2, 1, &cond), kErrEmptyArray);
    // Non-finite entries end with a code (the SVD's) or a NaN.
    CMat nan = a;
    nan[3].im = std::nan("");
    EXPECT_EQ(CxCondNumber(nan.data(), n, n, 0, &cond), kErrNoConvergence);
    EXPECT_TRUE(orintest::isIDNaN(cond));
    for (int code = 1; code < 4; ++code) {
        ASSERT_EQ(CxCondNumber(nan.data(), n, n, code, &cond), 0) << code;
        EXPECT_TRUE(std::isnan(cond)) << code;
    }
}

TEST(CxSVDHandles, ResultsInTheHandles) {
    const CMat a = randomCx(5, 3, 1300);
    orintest::ComplexMatrixHandle h(5, 3, a), v(0, 0, {});
    orintest::DoubleHandle s;
    int32_t error = 1;
    ASSERT_EQ(CxSVD_head(h, s, v, &error), 0);
    ASSERT_EQ(error, 0);
    ASSERT_TRUE(s.size() == 3 && v.rows() == 3 && v.cols() == 3);
    const std::vector<double> sv = s.values();
    EXPECT_LT(svdRatio(a, 5, 3, h.values(), sv, v.values()), kBound);
    // Values only: the matrix survives.
    orintest::ComplexMatrixHandle kept(5, 3, a);
    orintest::DoubleHandle s2;
    ASSERT_EQ(CxSVDS_head(kept, s2, &error), 0);
    ASSERT_EQ(error, 0);
    EXPECT_EQ(s2.values(), sv);
    EXPECT_TRUE(same(kept.values(), a));
    // The pseudo-inverse in place: 5 x 3 becomes 3 x 5, equal to the core's.
    orintest::ComplexMatrixHandle p(5, 3, a);
    CMat want(15);
    ASSERT_EQ(CxPseudoInverse(a.data(), 5, 3, -1, want.data()), 0);
    ASSERT_EQ(CxPseudoInverse_head(p, -1, &error), 0);
    ASSERT_EQ(error, 0);
    EXPECT_TRUE(p.rows() == 3 && p.cols() == 5 && same(p.values(), want));
    int32_t rank = 0;
    double norm = 0, cond = 0;
    ASSERT_EQ(CxRank_head(kept, -1, &rank, &error), 0);
    EXPECT_EQ(rank, 3);
    ASSERT_EQ(CxNorm_head(kept, 0, &norm, &error), 0);
    EXPECT_EQ(norm, sv[0]);
    ASSERT_EQ(CxCondNumber_head(kept, 0, &cond, &error), 0);
    EXPECT_EQ(cond, sv[0] / sv[2]);
    orintest::ComplexHandle b(randomCx(5, 1, 1301)), x;
    ASSERT_EQ(CxGenLinEqs_head(kept, b, x, &error), 0);
    ASSERT_EQ(error, 0);
    CMat xc(3);
    ASSERT_EQ(CxGenLinEqs(a.data(), 5, 3, b.values().data(), xc.data()), 0);
    EXPECT_TRUE(same(x.values(), xc));
}

ORIN_CONTRACT_TABLE(CxSvdEntryPoints) {
    using orintest::Contract;
    using orintest::errorRow;
    const CMat six = randomCx(2, 3, 1400), four = {{1, 0}, {0, 0}, {0, 0}, {0, 0}};
    CMat nan = six;
    nan[4].re = std::nan("");
    // One row of CxSVD_head, CxRank_head, or a real measure, on r x c values v.
    auto svd = [](const char *name, int32_t code, int r, int c, CMat v) {
        return errorRow(name, code, [=](Contract &k, int32_t *e) {
            return CxSVD_head(k.output<ComplexMatrix>(r, c, v), k.output<DoubleArray>(std::vector<double>{1}),
                              k.output<ComplexMatrix>(1, 1, CMat{{1, 0}}), e);
        });
    };
    auto rankRow = [](const char *name, int32_t code, int r, int c, CMat v) {
        return errorRow(name, code, [=](Contract &k, int32_t *e) {
            int32_t rank = 5;
            const MgErr ret = CxRank_head(k.input<ComplexMatrix>(r, c, v), -1, &rank, e);
            EXPECT_EQ(rank, -1);
            return ret;
        });
    };
    using Measure = int32_t (*)(ComplexMatrixHdl, int32_t, double *, int32_t *);
    auto measure = [](const char *name, int32_t code, Measure f, int r, int c, CMat v, int32_t which) {
        return errorRow(name, code, [=](Contract &k, int32_t *e) { return f(k.input<ComplexMatrix>(r, c, v), which, k.scalar(), e); });
    };
    return {
        svd("CxSVD_head wide", kErrBadArraySize, 2, 3, six),
        svd("CxSVD_head empty", kErrEmptyArray, 0, 3, {}),
        svd("CxSVD_head NaN", kErrNoConvergence, 3, 2, nan),
        errorRow("CxSVDS_head wide", kErrBadArraySize, [six](Contract &c, int32_t *e) {
            return CxSVDS_head(c.input<ComplexMatrix>(2, 3, six), c.output<DoubleArray>(std::vector<double>{1, 2}), e);
        }),
        errorRow("CxPseudoInverse_head empty", kErrEmptyArray, [](Contract &c, int32_t *e) { return CxPseudoInverse_head(c.output<ComplexMatrix>(2, 0, CMat{}), -1, e); }),
        errorRow("CxPseudoInverse_head NaN", kErrNoConvergence, [nan](Contract &c, int32_t *e) { return CxPseudoInverse_head(c.output<ComplexMatrix>(2, 3, nan), -1, e); }),
        rankRow("CxRank_head empty", kErrEmptyArray, 0, 0, {}),
        rankRow("CxRank_head NaN", kErrNoConvergence, 2, 3, nan),
        measure("CxNorm_head code", kErrInvalidSelector, CxNorm_head, 2, 3, six, 5),
        measure("CxNorm_head empty", kErrEmptyArray, CxNorm_head, 1, 0, {}, 0),
        measure("CxCondNumber_head not square", kErrNotSquare, CxCondNumber_head, 2, 3, six, 1),
        measure("CxCondNumber_head singular", kErrSingularMatrix, CxCondNumber_head, 2, 2, four, 3),
        measure("CxCondNumber_head code", kErrInvalidSelector, CxCondNumber_head, 2, 2, four, -1),
        errorRow("CxGenLinEqs_head length", kErrArraySizeMismatch, [six](Contract &c, int32_t *e) {
            return CxGenLinEqs_head(c.input<ComplexMatrix>(2, 3, six), c.input<ComplexArray>(CMat(3, complexnum{1, 0})),
                                    c.output<ComplexArray>(CMat(3, complexnum{1, 0})), e);
        }),
        errorRow("CxGenLinEqs_head empty", kErrEmptyArray, [](Contract &c, int32_t *e) {
            return CxGenLinEqs_head(c.input<ComplexMatrix>(0, 2, CMat{}), c.input<ComplexArray>(),
                                    c.output<ComplexArray>(CMat(2, complexnum{1, 0})), e);
        }),
    };
}

namespace {

const CMat kCx = {{4, 0}, {1, 1}, {0, 2}, {1, -1}, {5, 0}, {3, 0}, {0, -2}, {3, 0}, {6, 0}};

// The code of the first call that fails, the later ones skipped.
int32_t firstFailure(std::initializer_list<std::function<int32_t()>> calls) {
    for (const auto &call : calls)
        if (const int32_t code = call()) return code;
    return 0;
}

}  // namespace

ORIN_ALLOCATION_CASE(ComplexSvdAndMeasures, 23) {
    // CxSVD 1 and CxSVDS 1 (one carved block each); CxGenLinEqs and
    // CxPseudoInverse 5 (values, U, V, the block, one vector); CxRank,
    // CxNorm 0 and CxCondNumber 0 2 (values, block); CxCondNumber 1: the
    // copy, the permutation, CxLU's scales, the inverse's column and copy.
    CMat u = kCx, v(9), x(3), pinv(6);
    std::vector<double> s(3);
    const complexnum b[] = {{1, 0}, {0, 1}, {2, -1}};
    int32_t rank = 0;
    double norm = 0, c0 = 0, c1 = 0;
    const int32_t code = inj.call([&] {
        return firstFailure({[&] { return CxSVD(u.data(), 3, 3, s.data(), v.data()); },
                     [&] { return CxSVDS(kCx.data(), 3, 3, s.data()); },
                     [&] { return CxGenLinEqs(kCx.data(), 3, 3, b, x.data()); },
                     [&] { return CxPseudoInverse(kCx.data(), 2, 3, -1, pinv.data()); },
                     [&] { return CxRank(kCx.data(), 3, 2, -1, &rank); },
                     [&] { return CxNorm(kCx.data(), 3, 3, 0, &norm); },
                     [&] { return CxCondNumber(kCx.data(), 3, 3, 0, &c0); },
                     [&] { return CxCondNumber(kCx.data(), 3, 3, 1, &c1); }});
    });
    if (inj.failing()) {
        EXPECT_EQ(code, kErrOutOfMemory);
    } else {
        ASSERT_EQ(code, 0);
        EXPECT_EQ(rank, 2);
        EXPECT_LT(cxtest::residualRatio(kCx, x, CMat(b, b + 3), 3, 3), kBound);
        EXPECT_GE(c1, 1.0);
    }
}

ORIN_ALLOCATION_CASE(ComplexSvdHandleForms, 16) {
    // CxSVD_head: v, s, the block; CxPseudoInverse_head: the result, the
    // core's 5, the resize to n x m; CxGenLinEqs_head: x, the core's 5.
    orintest::ComplexMatrixHandle a(3, 3, kCx), v(0, 0, {}), p(3, 2, CMat(kCx.begin(), kCx.begin() + 6));
    orintest::ComplexMatrixHandle g(3, 3, kCx);
    orintest::DoubleHandle s;
    orintest::ComplexHandle b(CMat{{1, 0}, {0, 1}, {2, -1}}), x;
    int32_t e[3] = {0, 0, 0};
    inj.call([&] {
        CxSVD_head(a, s, v, &e[0]);
        CxPseudoInverse_head(p, -1, &e[1]);
        return CxGenLinEqs_head(g, b, x, &e[2]);
    });
    const int64_t site = inj.site();
    const int failed = !inj.failing() ? -1 : site <= 3 ? 0 : site <= 10 ? 1 : 2;
    const bool emptied[] = {a.emptied() && s.emptied() && v.emptied(), p.emptied(), x.emptied()};
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(e[k], k == failed ? kErrOutOfMemory : 0) << k;
        EXPECT_EQ(emptied[k], k == failed) << k;
    }
}
