// The complex SVD by reconstruction, unitarity and known singular values, and
// the measures built on it against Penrose's conditions, the normal
// equations, direct long-double sums and a long-double inverse.
#include <orin/linalg.h>

#include "support/prelude.h"

#include <tuple>

#include "cx_reference.h"

using namespace cxtest;

namespace {

// Backward-stable methods keep the ratios of cx_reference.h at O(1).
constexpr double kBound = 30.0;

// Q1 diag(sigma) Q2^H with Q1 (m x n) and Q2 (n x n) unitary columns: the
// singular values are sigma, up to the rounding of the product to double.
CMat withValues(int m, int n, const std::vector<double> &sigma) {
    CMat q1 = dftColumns(m, n);
    for (size_t i = 0; i < q1.size(); ++i) q1[i] = {q1[i].re * sigma[i % n], q1[i].im * sigma[i % n]};
    return product(q1, adjoint(dftColumns(n, n), n, n), m, n, n);
}

// ||X Y Z - W|| / (||X|| ||Y|| ||Z|| max(rows, cols) eps), the Penrose
// identities' measure (X m x k, Y k x l, Z l x n).
double tripleRatio(const CMat &x, const CMat &y, const CMat &z, const CMat &w, int m, int k, int l, int n) {
    const LMat xyz = productL(product(x, y, m, k, l), z, m, l, n);
    long double worst = 0;
    for (size_t i = 0; i < w.size(); ++i) worst = std::max(worst, std::abs(xyz[i] - at(w, i)));
    const long double scale = normInf(x, m, k) * normInf(y, k, l) * normInf(z, l, n);
    return double(worst / (scale * std::max(m, n) * kEps));
}

// The normal equations' residual ||A^H (A x - b)|| / (||A^H|| (||A|| ||x||
// + ||b||) m eps), the measure of a least-squares solution.
double normalRatio(const CMat &a, const CMat &x, const CMat &b, int m, int n) {
    LMat r = productL(a, x, m, n, 1);
    for (int i = 0; i < m; ++i) r[i] -= at(b, i);
    const CMat ah = adjoint(a, m, n);
    const LMat g = productL(ah, toCx(r), n, m, 1);
    const long double scale =
        normInf(ah, n, m) * (normInf(a, m, n) * normInf(x, n, 1) + normInf(b, m, 1));
    return double(normInf(g, n, 1) / (scale * m * kEps));
}

// The 1-norm (code 1) or infinity norm (code 3), in long double.
long double sumNorm(const CMat &a, int m, int n, int code) {
    return code == 1 ? normInf(adjoint(a, m, n), n, m) : normInf(a, m, n);
}

// The reconstruction ratio of A = U diag(s) V^H (U m x n, V n x n).
double svdRatio(const CMat &a, int m, int n, CMat us, const std::vector<double> &s, const CMat &v) {
    for (size_t i = 0; i < us.size(); ++i) us[i] = {us[i].re * s[i % n], us[i].im * s[i % n]};
    return reconstructionRatio(a, productL(us, adjoint(v, n, n), m, n, n), m, n);
}

void expectNear(const CMat &got, const CMat &want, double tol) {
    for (size_t k = 0; k < want.size(); ++k) EXPECT_LT(std::abs(at(got, k) - at(want, k)), tol) << k;
}

}  // namespace

TEST(CxSVD, ReconstructsWithUnitaryFactorsAndKnownValues) {
    // U's column for the zero value must be made orthogonal to generic ones.
    CMat zeroColumn = randomCx(5, 3, 704);
    for (int i = 0; i < 5; ++i) zeroColumn[size_t(i) * 3 + 1] = {0, 0};
    // Condition about 1.6e13: D H D^H with a unitary diagonal D.
    CMat hilbert(100);
    for (int i = 0; i < 10; ++i)
        for (int j = 0; j < 10; ++j)
            hilbert[size_t(i) * 10 + j] = {std::cos(0.3 * (i - j)) / (i + j + 1), std::sin(0.3 * (i - j)) / (i + j + 1)};
    const int big = orintest::kReducedSuite ? 40 : 120;
    const struct { const char *name; int m, n; CMat a; } cases[] = {
        {"1x1", 1, 1, {{3, -4}}}, {"rank 3 of 15x9", 15, 9, lowRankCx(15, 9, 3, 702)},
        {"zero 4x3", 4, 3, CMat(12, complexnum{0, 0})}, {"zero column of 5x3", 5, 3, zeroColumn},
        {"phased hilbert 10", 10, 10, hilbert}, {"unitary 8 (all values 1)", 8, 8, dftColumns(8, 8)},
        {"large tall", big + 5, big, randomCx(big + 5, big, 720)}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        CMat u = c.a, v(size_t(c.n) * c.n);
        std::vector<double> s(c.n), s2(c.n);
        ASSERT_EQ(CxSVD(u.data(), c.m, c.n, s.data(), v.data()), 0);
        EXPECT_TRUE(std::is_sorted(s.rbegin(), s.rend()) && s.back() >= 0) << "descending, non-negative";
        EXPECT_LT(svdRatio(c.a, c.m, c.n, u, s, v), kBound);
        EXPECT_LT(std::max(unitarityRatio(u, c.m, c.n), unitarityRatio(v, c.n, c.n)), kBound);
        ASSERT_EQ(CxSVDS(c.a.data(), c.m, c.n, s2.data()), 0);  // the values alone agree
        for (int j = 0; j < c.n; ++j) EXPECT_NEAR(s2[j], s[j], kBound * c.m * kEps * s[0]) << j;
    }
    // A unitary times a chosen diagonal: rounding the product to double moves
    // each value by at most about m eps s_max (Weyl).
    const std::vector<double> sigma = {1e3, 7, 2, 2, 1e-4, 0};
    const CMat a = withValues(9, 6, sigma);
    std::vector<double> s(6);
    ASSERT_EQ(CxSVDS(a.data(), 9, 6, s.data()), 0);
    for (int j = 0; j < 6; ++j) EXPECT_NEAR(s[j], sigma[j], 4 * 9 * kEps * sigma[0]) << j;
}

TEST(CxSVD, CodesAndTheEndsOfTheRange) {
    CMat a(6, complexnum{1, 1}), v(16);
    std::vector<double> s(4);
    EXPECT_EQ(CxSVD(a.data(), 2, 3, s.data(), v.data()), kErrBadArraySize);
    EXPECT_EQ(CxSVDS(a.data(), 2, 3, s.data()), kErrBadArraySize);
    EXPECT_TRUE(same(a, CMat(6, complexnum{1, 1}))) << "untouched";
    EXPECT_EQ(CxSVD(a.data(), 3, 0, s.data(), v.data()), kErrEmptyArray);
    EXPECT_EQ(CxSVDS(a.data(), 0, 1, s.data()), kErrEmptyArray);
    for (const double bad : {std::nan(""), -HUGE_VAL}) {  // either part, ends at once with a code
        CMat x = randomCx(5, 4, 800);
        (bad < 0 ? x[7].im : x[7].re) = bad;
        EXPECT_EQ(CxSVDS(x.data(), 5, 4, s.data()), kErrNoConvergence) << bad;
        EXPECT_EQ(CxSVD(x.data(), 5, 4, s.data(), v.data()), kErrNoConvergence) << bad;
    }
    // Orthogonal columns near the top of the range: no overflow inside, the
    // values (sqrt(2) 1.5e308 twice) come back infinite, the factors unitary.
    CMat big = {{1.5e308, 0}, {0, 1.5e308}, {0, 1.5e308}, {1.5e308, 0}};
    ASSERT_EQ(CxSVD(big.data(), 2, 2, s.data(), v.data()), 0);
    EXPECT_TRUE(std::isinf(s[0]) && std::isinf(s[1]));
    EXPECT_LT(std::max(unitarityRatio(big, 2, 2), unitarityRatio(v, 2, 2)), kBound);
    // Tiny entries keep their relative accuracy: the scaled identity.
    const CMat tiny = {{1e-300, 0}, {0, 0}, {0, 0}, {0, 3e-300}};
    ASSERT_EQ(CxSVDS(tiny.data(), 2, 2, s.data()), 0);
    EXPECT_TRUE(std::fabs(s[0] - 3e-300) < 4 * kEps * 3e-300 && std::fabs(s[1] - 1e-300) < 4 * kEps * 1e-300);
}

TEST(CxMeasures, KeepWorkingNearTheTopOfTheRange) {
    // A = h [[1, i], [i, 1]] (h = 1.5e308) has both singular values sqrt(2) h,
    // beyond the double range: the 2-norm is infinite, but rank, condition,
    // least squares and pseudo-inverse are ordinary numbers.
    const double h = 1.5e308, w = 0.5 / h;
    const CMat a = {{h, 0}, {0, h}, {0, h}, {h, 0}};
    int32_t rank = 0;
    double value = 0;
    for (double tol : {-1.0, 1e308}) {  // an absolute tolerance below the values
        ASSERT_EQ(CxRank(a.data(), 2, 2, tol, &rank), 0);
        EXPECT_EQ(rank, 2) << tol;
    }
    ASSERT_EQ(CxNorm(a.data(), 2, 2, 0, &value), 0);
    EXPECT_EQ(value, HUGE_VAL);
    ASSERT_EQ(CxCondNumber(a.data(), 2, 2, 0, &value), 0);
    EXPECT_NEAR(value, 1.0, 8 * kEps);
    const CMat b = {{0, 0}, {0, 0.5 * h}};  // A (0.25, 0.25 i)
    CMat x(2), p(4);
    ASSERT_EQ(CxGenLinEqs(a.data(), 2, 2, b.data(), x.data()), 0);
    expectNear(x, {{0.25, 0}, {0, 0.25}}, 8 * kEps);
    // A^+ = A^H / (2 h^2) = [[1, -i], [-i, 1]] / (2 h), 3.3e-309: a few bits
    // into gradual underflow.
    ASSERT_EQ(CxPseudoInverse(a.data(), 2, 2, -1, p.data()), 0);
    expectNear(p, {{w, 0}, {0, -w}, {0, -w}, {w, 0}}, 64 * kEps * w);
}

TEST(CxPseudoInverse, SatisfiesPenroseConditions) {
    CMat down = lowRankCx(5, 4, 2, 902);
    for (complexnum &z : down) z = {z.re * 1e-3, z.im * 1e-3};
    const struct { const char *name; int m, n; CMat a; } cases[] = {
        {"tall 9x4", 9, 4, randomCx(9, 4, 900)}, {"wide 4x9", 4, 9, randomCx(4, 9, 901)}, {"rank 2 x 1e-3", 5, 4, down}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const int m = c.m, n = c.n;
        CMat p(size_t(m) * n);
        ASSERT_EQ(CxPseudoInverse(c.a.data(), m, n, -1, p.data()), 0);
        // A P A = A, P A P = P, (A P)^H = A P, (P A)^H = P A.
        const CMat ap = product(c.a, p, m, n, m), pa = product(p, c.a, n, m, n), im = identityCx(m), in = identityCx(n);
        EXPECT_LT(tripleRatio(c.a, p, c.a, c.a, m, n, m, n), kBound);
        EXPECT_LT(tripleRatio(p, c.a, p, p, n, m, n, m), kBound);
        EXPECT_LT(tripleRatio(ap, im, im, adjoint(ap, m, m), m, m, m, m), kBound);
        EXPECT_LT(tripleRatio(pa, in, in, adjoint(pa, n, n), n, n, n, n), kBound);
        // The default threshold is relative: noise of a rank-2 matrix is
        // dropped at any scale, so ||A|| ||A^+|| stays near its condition.
        EXPECT_LT(double(normInf(c.a, m, n) * normInf(p, n, m)), 1e3);
    }
    const CMat two = {{0, 2}};  // an explicit tolerance is absolute
    for (auto [tol, want] : {std::pair{1.5, complexnum{0, -0.5}}, {2.0, complexnum{0, 0}}}) {
        CMat out(1);
        ASSERT_EQ(CxPseudoInverse(two.data(), 1, 1, tol, out.data()), 0);
        EXPECT_TRUE(same(out[0], want)) << tol;
    }
    EXPECT_EQ(CxPseudoInverse(two.data(), 0, 1, -1, nullptr), kErrEmptyArray);
}

TEST(CxRank, CountsValuesAboveTheThreshold) {
    // The default threshold is relative: the same rank at any scale; an
    // explicit one is absolute (known values 1, 1e-6, 1e-12).
    const CMat g = withValues(4, 3, {1, 1e-6, 1e-12});
    const struct { int m, n; double scale, tol; int r; CMat a; } cases[] = {
        {7, 5, 1, -1, 3, lowRankCx(7, 5, 3, 985)}, {5, 7, 1e-200, -1, 2, lowRankCx(5, 7, 2, 986)},
        {4, 1, 1e200, -1, 1, lowRankCx(4, 1, 1, 954)}, {2, 3, 1, -1, 0, CMat(6, complexnum{0, 0})},
        {4, 3, 1, 1e-9, 2, g}, {4, 3, 1, 0, 3, g}};
    int32_t rank = 0;
    for (const auto &c : cases) {
        CMat a = c.a;
        for (complexnum &z : a) z = {z.re * c.scale, z.im * c.scale};
        ASSERT_EQ(CxRank(a.data(), c.m, c.n, c.tol, &rank), 0);
        EXPECT_EQ(rank, c.r) << c.m << "x" << c.n << " scale " << c.scale << " tol " << c.tol;
    }
    CMat bad = g;
    EXPECT_EQ(CxRank(bad.data(), 2, 0, -1, &rank), kErrEmptyArray);
    EXPECT_EQ(rank, -1);
    rank = 0;
    bad[1].im = std::nan("");
    EXPECT_EQ(CxRank(bad.data(), 2, 2, -1, &rank), kErrNoConvergence);
    EXPECT_EQ(rank, -1);
}

TEST(CxGenLinEqs, MinimumNormLeastSquares) {
    // x meets the normal equations A^H (A x - b) = 0 and, for A = F G of
    // rank r < n, lies in the range of G^H (the complement of the null
    // space): x = G^H (G G^H)^-1 G x, formed in long double.
    for (auto [m, n, r] : {std::tuple{12, 5, 5}, {4, 9, 4}, {8, 5, 2}}) {
        SCOPED_TRACE(testing::Message() << m << "x" << n << " rank " << r);
        const CMat f = r < m ? randomCx(m, r, 1100 + m) : identityCx(m), g = r < n ? randomCx(r, n, 1101 + n) : identityCx(n);
        const CMat a = product(f, g, m, r, n), b = randomCx(m, 1, 1102);
        CMat x(n);
        ASSERT_EQ(CxGenLinEqs(a.data(), m, n, b.data(), x.data()), 0);
        EXPECT_LT(normalRatio(a, x, b, m, n), r < std::min(m, n) ? 1e3 : kBound);
        if (r == n) continue;
        const LMat coef = productL(toCx(inverseL(product(g, adjoint(g, r, n), r, n, r), r)), product(g, x, r, n, 1), r, r, 1);
        const LMat back = productL(adjoint(g, r, n), toCx(coef), n, r, 1);
        for (int k = 0; k < n; ++k) EXPECT_LT(double(std::abs(at(x, k) - back[k])), 1e3 * kEps * double(normInf(x, n, 1))) << k;
    }
    EXPECT_EQ(CxGenLinEqs(nullptr, 0, 2, nullptr, nullptr), kErrEmptyArray);
}

TEST(CxNorm, MatchesDirectSumsAndKnownValues) {
    const int m = 6, n = 4;
    const CMat a = randomCx(m, n, 1000), k = withValues(m, n, {3.5, 1, 0.5, 0.25});
    double out = 0;
    long double fro = 0;
    for (size_t i = 0; i < a.size(); ++i) fro += std::norm(at(a, i));
    // The 2-norm from a known largest value; 1, Frobenius, infinity directly.
    for (auto [code, want, x] : {std::tuple{0, 3.5L, k}, {1, sumNorm(a, m, n, 1), a}, {2, std::sqrt(fro), a}, {3, sumNorm(a, m, n, 3), a}}) {
        ASSERT_EQ(CxNorm(x.data(), m, n, code, &out), 0);
        EXPECT_NEAR(out, double(want), 4 * m * kEps * out) << code;
    }
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
    for (double scale : {1e300, 1e-300}) {  // Frobenius neither overflows nor underflows early
        const complexnum z[] = {{3 * scale, -4 * scale}};
        ASSERT_EQ(CxNorm(z, 1, 1, 2, &out), 0);
        EXPECT_NEAR(out, 5 * scale, 4 * kEps * 5 * scale);
    }
    for (auto [cols, code, err] : {std::tuple{n, 4, kErrInvalidSelector}, {0, 1, kErrEmptyArray}}) {
        out = 0;
        EXPECT_EQ(CxNorm(a.data(), m, cols, code, &out), err);
        EXPECT_TRUE(orintest::isIDNaN(out));
    }
}

TEST(CxCondNumber, ClosedFormsReferencesAndSingularMatrices) {
    double cond = 0;
    // Code 0 against known values, tall and wide: rounding the product moves
    // s_min by about m eps s_max.
    const CMat k = withValues(7, 4, {50, 3, 2, 0.1});
    for (auto [x, m] : {std::pair{k, 7}, {adjoint(k, 7, 4), 4}}) {
        ASSERT_EQ(CxCondNumber(x.data(), m, 11 - m, 0, &cond), 0);
        EXPECT_NEAR(cond, 500, 500 * 7 * 500 * kEps) << m;
    }
    // Codes 1-3 against ||A|| ||A^-1|| with the inverse in long double
    // (cond(A) < 1e3 here; rounding the inverse adds eps to each entry).
    const int n = 6;
    const CMat a = randomCx(n, n, 1201), inv = toCx(inverseL(a, n)), sing = {{1, 0}, {0, 0}, {0, 0}, {0, 0}};
    long double fa = 0, fi = 0;
    for (size_t i = 0; i < a.size(); ++i) fa += std::norm(at(a, i)), fi += std::norm(at(inv, i));
    for (auto [code, want] : {std::pair{1, sumNorm(a, n, n, 1) * sumNorm(inv, n, n, 1)}, {2, std::sqrt(fa * fi)},
                              {3, sumNorm(a, n, n, 3) * sumNorm(inv, n, n, 3)}}) {
        ASSERT_EQ(CxCondNumber(a.data(), n, n, code, &cond), 0);
        EXPECT_NEAR(cond, double(want), double(want) * 1e3 * n * kEps) << code;
    }
    for (int code = 0; code < 4; ++code) {
        EXPECT_EQ(CxCondNumber(sing.data(), 2, 2, code, &cond), kErrSingularMatrix) << code;
        EXPECT_TRUE(orintest::isIDNaN(cond));
    }
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
    orintest::ComplexMatrixHandle h(5, 3, a), v(0, 0, {}), kept(5, 3, a), p(5, 3, a);
    orintest::DoubleHandle s, s2;
    orintest::ComplexHandle b(randomCx(5, 1, 1301)), x;
    int32_t error = 1, rank = 0;
    ASSERT_EQ(CxSVD_head(h, s, v, &error), 0);
    ASSERT_TRUE(error == 0 && s.size() == 3 && v.rows() == 3 && v.cols() == 3);
    const std::vector<double> sv = s.values();
    EXPECT_LT(svdRatio(a, 5, 3, h.values(), sv, v.values()), kBound);
    ASSERT_EQ(CxSVDS_head(kept, s2, &error), 0);  // values only: the matrix survives
    EXPECT_TRUE(s2.values() == sv && same(kept.values(), a));
    // The pseudo-inverse in place (5 x 3 becomes 3 x 5) and the solve equal
    // the cores'.
    CMat want(15), xc(3);
    double norm = 0, cond = 0;
    ASSERT_EQ(CxPseudoInverse(a.data(), 5, 3, -1, want.data()), 0);
    ASSERT_EQ(CxGenLinEqs(a.data(), 5, 3, b.values().data(), xc.data()), 0);
    ASSERT_EQ(CxPseudoInverse_head(p, byRef(-1.0), &error), 0);
    EXPECT_TRUE(error == 0 && p.rows() == 3 && p.cols() == 5 && same(p.values(), want));
    ASSERT_EQ(CxGenLinEqs_head(kept, b, x, &error), 0);
    EXPECT_TRUE(error == 0 && same(x.values(), xc));
    ASSERT_EQ(CxRank_head(kept, byRef(-1.0), &rank, &error), 0);
    ASSERT_EQ(CxNorm_head(kept, byRef(0), &norm, &error), 0);
    ASSERT_EQ(CxCondNumber_head(kept, byRef(0), &cond, &error), 0);
    EXPECT_TRUE(rank == 3 && norm == sv[0] && cond == sv[0] / sv[2]) << rank << " " << norm << " " << cond;
}

ORIN_CONTRACT_TABLE(CxSvdEntryPoints) {
    const CMat six = randomCx(2, 3, 1400), four = {{1, 0}, {0, 0}, {0, 0}, {0, 0}}, three(3, complexnum{1, 0});
    CMat nan = six;
    nan[4].re = std::nan("");
    // Rows of CxSVD_head, CxRank_head (rank -1 on error) and a real measure, on r x c values v.
    auto svd = [](const char *name, int32_t code, int r, int c, CMat v) {
        return errorRow(name, code, [=](Contract &k, int32_t *e) { return CxSVD_head(k.output<ComplexMatrix>(r, c, v), k.output<DoubleArray>(std::vector<double>{1}), k.output<ComplexMatrix>(1, 1, CMat{{1, 0}}), e); });
    };
    auto rankRow = [](const char *name, int32_t code, int r, int c, CMat v) {
        return errorRow(name, code, [=](Contract &k, int32_t *e) {
            int32_t rank = 5;
            const MgErr ret = CxRank_head(k.input<ComplexMatrix>(r, c, v), byRef(-1.0), &rank, e);
            EXPECT_EQ(rank, -1);
            return ret;
        });
    };
    using Measure = int32_t (*)(ComplexMatrixHdl, const int32_t *, double *, int32_t *);
    auto measure = [](const char *name, int32_t code, Measure f, int r, int c, CMat v, int32_t which) {
        return errorRow(name, code, [=](Contract &k, int32_t *e) { return f(k.input<ComplexMatrix>(r, c, v), &which, k.scalar(), e); });
    };
    return {
        svd("CxSVD_head wide", kErrBadArraySize, 2, 3, six),
        svd("CxSVD_head empty", kErrEmptyArray, 0, 3, {}),
        svd("CxSVD_head NaN", kErrNoConvergence, 3, 2, nan),
        errorRow("CxSVDS_head wide", kErrBadArraySize, [six](Contract &c, int32_t *e) { return CxSVDS_head(c.input<ComplexMatrix>(2, 3, six), c.output<DoubleArray>(std::vector<double>{1, 2}), e); }),
        errorRow("CxSVDS_head empty", kErrEmptyArray, [](Contract &c, int32_t *e) { return CxSVDS_head(c.input<ComplexMatrix>(0, 2, CMat{}), c.output<DoubleArray>(std::vector<double>{1}), e); }),
        errorRow("CxPseudoInverse_head empty", kErrEmptyArray, [](Contract &c, int32_t *e) { return CxPseudoInverse_head(c.output<ComplexMatrix>(2, 0, CMat{}), byRef(-1.0), e); }),
        errorRow("CxPseudoInverse_head NaN", kErrNoConvergence, [nan](Contract &c, int32_t *e) { return CxPseudoInverse_head(c.output<ComplexMatrix>(2, 3, nan), byRef(-1.0), e); }),
        rankRow("CxRank_head empty", kErrEmptyArray, 0, 0, {}),
        rankRow("CxRank_head NaN", kErrNoConvergence, 2, 3, nan),
        measure("CxNorm_head code", kErrInvalidSelector, CxNorm_head, 2, 3, six, 5),
        measure("CxNorm_head empty", kErrEmptyArray, CxNorm_head, 1, 0, {}, 0),
        measure("CxCondNumber_head empty", kErrEmptyArray, CxCondNumber_head, 0, 2, {}, 0),
        measure("CxCondNumber_head not square", kErrNotSquare, CxCondNumber_head, 2, 3, six, 1),
        measure("CxCondNumber_head singular", kErrSingularMatrix, CxCondNumber_head, 2, 2, four, 3),
        measure("CxCondNumber_head code", kErrInvalidSelector, CxCondNumber_head, 2, 2, four, -1),
        errorRow("CxGenLinEqs_head length", kErrArraySizeMismatch, [six, three](Contract &c, int32_t *e) { return CxGenLinEqs_head(c.input<ComplexMatrix>(2, 3, six), c.input<ComplexArray>(three), c.output<ComplexArray>(three), e); }),
        errorRow("CxGenLinEqs_head empty", kErrEmptyArray, [three](Contract &c, int32_t *e) { return CxGenLinEqs_head(c.input<ComplexMatrix>(0, 2, CMat{}), c.input<ComplexArray>(), c.output<ComplexArray>(three), e); }),
    };
}

const CMat kCx = {{4, 0}, {1, 1}, {0, 2}, {1, -1}, {5, 0}, {3, 0}, {0, -2}, {3, 0}, {6, 0}};
