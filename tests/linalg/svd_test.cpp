// SVD by reconstruction and orthogonality, singular values against closed
// forms and known spectra, and the measures built on it, real and complex
// alike: pseudo-inverse by the Penrose conditions, rank, norms against
// direct formulas, condition numbers, minimum-norm least squares; the
// complex routines at the ends of the double range, and the complex handle
// forms' codes.
#include "support/prelude.h"

#include "linalg_reference.h"

using namespace linalgtest;

namespace {

template <class T>
struct Shape {
    const char *name;
    int m, n;
    std::vector<T> a;
};

// The normal equations' residual ||A^H (A x - b)|| / (||A^H|| (||A|| ||x||
// + ||b||) m eps), the measure of a least-squares solution.
template <class T>
double normalRatio(const std::vector<T> &a, const std::vector<T> &x, const std::vector<T> &b, int m, int n) {
    auto r = productL(a, x, m, n, 1);
    for (int i = 0; i < m; ++i) r[i] -= wide(b[i]);
    const std::vector<T> ah = adjoint(a, m, n);
    const auto g = productL(ah, narrow<T>(r), n, m, 1);
    const long double scale = normInf(ah, n, m) * (normInf(a, m, n) * normInf(x, n, 1) + normInf(b, m, 1));
    return double(normInf(g, n, 1) / (scale * m * kEps));
}

// The 1-norm (code 1) or infinity norm (code 3), in long double.
template <class V>
long double sumNorm(const V &a, int m, int n, int code) {
    return code == 1 ? normInf(adjoint(a, m, n), n, m) : normInf(a, m, n);
}

}  // namespace

TWIN_SUITE(SVDFamily);

TYPED_TEST(SVDFamily, ReconstructsWithOrthogonalFactorsAndKnownValues) {
    using T = typename TypeParam::T;
    // U's column for the zero value must be made orthogonal to generic ones.
    std::vector<T> zeroColumn = random<T>(5, 3, 704), phased(100);
    for (int i = 0; i < 5; ++i) zeroColumn[size_t(i) * 3 + 1] = elem<T>(0);
    // Hilbert 10 (condition about 1.6e13), complex: D H D^H, D a unitary diagonal.
    for (int i = 0; i < 10; ++i)
        for (int j = 0; j < 10; ++j)
            phased[size_t(i) * 10 + j] =
                elem<T>(std::cos(0.3 * (i - j)) / (i + j + 1), std::sin(0.3 * (i - j)) / (i + j + 1));
    const int big = orintest::kReducedSuite ? 40 : 120;
    const std::vector<Shape<T>> cases = {{"1x1", 1, 1, {elem<T>(-3, 4)}},
                                         {"rank 3 of 15x9", 15, 9, lowRank<T>(15, 9, 3, 702)},
                                         {"zero 4x3", 4, 3, std::vector<T>(12, elem<T>(0))},
                                         {"zero column of 5x3", 5, 3, zeroColumn},
                                         {"hilbert 10", 10, 10, std::is_same_v<T, double> ? hilbert<T>(10) : phased},
                                         {"orthogonal 8 (all values 1)", 8, 8, orthonormalColumns<T>(8, 8)},
                                         {"tall 30x7", 30, 7, random<T>(30, 7, 701)},
                                         {"large tall", big + 5, big, random<T>(big + 5, big, 720)}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<T> u = c.a, v(size_t(c.n) * c.n), copy = c.a;
        std::vector<double> s(c.n), s2(c.n);
        ASSERT_EQ(TypeParam::svd(u.data(), c.m, c.n, s.data(), v.data()), 0);
        EXPECT_TRUE(std::is_sorted(s.rbegin(), s.rend()) && s.back() >= 0) << "descending, non-negative";
        EXPECT_LT(svdRatio(c.a, c.m, c.n, u, s, v), kBound);
        EXPECT_LT(std::max(orthogonalityRatio(u, c.m, c.n), orthogonalityRatio(v, c.n, c.n)), kBound);
        ASSERT_EQ(TypeParam::svds(copy.data(), c.m, c.n, s2.data()), 0);  // the values alone agree
        for (int j = 0; j < c.n; ++j) EXPECT_NEAR(s2[j], s[j], kBound * c.m * kEps * s[0]) << j;
    }
    // Known values: rounding the product to double moves each by at most
    // about m eps s_max (Weyl).
    const std::vector<double> sigma = {1e3, 7, 2, 2, 1e-4, 0};
    std::vector<T> a = withValues<T>(9, 6, sigma);
    std::vector<double> s(6);
    ASSERT_EQ(TypeParam::svds(a.data(), 9, 6, s.data()), 0);
    for (int j = 0; j < 6; ++j) EXPECT_NEAR(s[j], sigma[j], 4 * 9 * kEps * sigma[0]) << j;
}

TYPED_TEST(SVDFamily, WideAndNonFiniteInputEndWithACode) {
    using T = typename TypeParam::T;
    constexpr bool real = std::is_same_v<T, double>;
    std::vector<T> a(6, elem<T>(1, 1)), v(16);
    std::vector<double> s(4);
    EXPECT_EQ(TypeParam::svd(a.data(), 2, 3, s.data(), v.data()), kErrBadArraySize);
    EXPECT_EQ(TypeParam::svds(a.data(), 2, 3, s.data()), kErrBadArraySize);
    EXPECT_EQ(a, std::vector<T>(6, elem<T>(1, 1))) << "untouched";
    // NaN or an infinity (complex: in either part) ends at once, with a code.
    for (const T bad : {elem<T>(std::nan("")), elem<T>(HUGE_VAL), elem<T>(real ? -HUGE_VAL : 0.5, -HUGE_VAL)}) {
        std::vector<T> x = random<T>(5, 4, 800);
        x[7] = bad;
        std::vector<T> y = x;
        EXPECT_EQ(TypeParam::svd(x.data(), 5, 4, s.data(), v.data()), kErrNoConvergence);
        EXPECT_EQ(TypeParam::svds(y.data(), 5, 4, s.data()), kErrNoConvergence);
    }
}

TYPED_TEST(SVDFamily, PseudoInverseSatisfiesPenroseConditions) {
    using T = typename TypeParam::T;
    std::vector<T> up = lowRank<T>(5, 4, 2, 902), down = up;
    for (T &x : up) x = narrow<T>(wide(x) * 1e3L);
    for (T &x : down) x = narrow<T>(wide(x) * 1e-3L);
    const std::vector<Shape<T>> shapes = {{"1x2", 1, 2, {elem<T>(1), elem<T>(1, 1)}},
                                          {"wide 4x9", 4, 9, random<T>(4, 9, 901)},
                                          {"tall 9x4", 9, 4, random<T>(9, 4, 900)},
                                          {"rank 2 of 5x4", 5, 4, lowRank<T>(5, 4, 2, 902)},
                                          {"rank 2 scaled 1e3", 5, 4, up},
                                          {"rank 2 scaled 1e-3", 5, 4, down}};
    for (const auto &c : shapes) {
        SCOPED_TRACE(c.name);
        const int m = c.m, n = c.n;
        std::vector<T> p(size_t(m) * n);
        ASSERT_EQ(TypeParam::pinv(c.a.data(), m, n, -1, p.data()), 0);
        // A P A = A, P A P = P, (A P)^H = A P, (P A)^H = P A.
        const std::vector<T> ap = product(c.a, p, m, n, m), pa = product(p, c.a, n, m, n), im = identity<T>(m),
                             in = identity<T>(n);
        EXPECT_LT(tripleRatio(c.a, p, c.a, c.a, m, n, m, n), kBound);
        EXPECT_LT(tripleRatio(p, c.a, p, p, n, m, n, m), kBound);
        EXPECT_LT(tripleRatio(ap, im, im, adjoint(ap, m, m), m, m, m, m), kBound);
        EXPECT_LT(tripleRatio(pa, in, in, adjoint(pa, n, n), n, n, n, n), kBound);
        // The default threshold is relative: A^+ scales as 1/k when A scales
        // by k, so ||A|| ||A^+|| stays at the rank-2 condition (< 1e3 here,
        // where an absolute threshold kept noise of 1e-13 and gave 1e16).
        EXPECT_LT(double(normInf(c.a, m, n) * normInf(p, n, m)), 1e3);
    }
    const T two = elem<T>(std::is_same_v<T, double> ? 2 : 0, 2);  // 2 or 2i; an explicit tolerance is absolute
    for (auto [tol, want] : {std::pair{1.5, narrow<T>(1.0L / wide(two))}, {2.0, elem<T>(0)}}) {
        T out = elem<T>(7);
        ASSERT_EQ(TypeParam::pinv(&two, 1, 1, tol, &out), 0);
        EXPECT_EQ(out, want) << tol;
    }
}

TYPED_TEST(SVDFamily, RankCountsValuesAboveTheThreshold) {
    using T = typename TypeParam::T;
    // The default threshold is relative: the same rank at any scale; an
    // explicit one is absolute (known values 1, 1e-6, 1e-12). Hilbert 12
    // (condition ~1.7e16) is numerically rank-deficient, but with tol 0
    // every non-zero value counts.
    const std::vector<T> g = withValues<T>(4, 3, {1, 1e-6, 1e-12});
    const struct {
        int m, n;
        double scale, tol;
        int r;
        std::vector<T> a;
    } cases[] = {{7, 5, 1, -1, 3, lowRank<T>(7, 5, 3, 985)},
                 {5, 7, 1e-200, -1, 2, lowRank<T>(5, 7, 2, 986)},
                 {4, 1, 1e200, -1, 1, lowRank<T>(4, 1, 1, 954)},
                 {6, 6, 1, -1, 6, random<T>(6, 6, 987)},
                 {2, 3, 1, -1, 0, std::vector<T>(6, elem<T>(0))},
                 {4, 3, 1, 1e-9, 2, g},
                 {4, 3, 1, 0, 3, g},
                 {12, 12, 1, -1, -1, hilbert<T>(12)},
                 {12, 12, 1, 0, 12, hilbert<T>(12)}};
    int32_t rank = 0;
    for (const auto &c : cases) {
        std::vector<T> a = c.a;
        for (T &z : a) z = narrow<T>(wide(z) * (long double)c.scale);
        ASSERT_EQ(TypeParam::rank(a.data(), c.m, c.n, c.tol, &rank), 0) << c.m << "x" << c.n << " scale " << c.scale;
        if (c.r < 0) EXPECT_LT(rank, c.m) << "numerically deficient";
        else EXPECT_EQ(rank, c.r) << c.m << "x" << c.n << " scale " << c.scale << " tol " << c.tol;
    }
    std::vector<T> bad = g;
    bad[1] = elem<T>(std::nan(""));
    EXPECT_EQ(TypeParam::rank(bad.data(), 2, 2, -1, &rank), kErrNoConvergence);
    EXPECT_EQ(rank, -1);
}

TYPED_TEST(SVDFamily, GenLinEqsGivesTheMinimumNormLeastSquaresSolution) {
    using T = typename TypeParam::T;
    // (x1 + x2 = 2 and its minimum-norm (1, 1): HostCalls, GenLinEqs_head.)
    // x meets the normal equations A^H (A x - b) = 0 and, for A = F G of
    // rank r < n, lies in the range of G^H (the complement of the null
    // space): x = G^H (G G^H)^-1 G x, formed in long double.
    for (auto [m, n, r] : {std::tuple{12, 5, 5}, {4, 9, 4}, {5, 12, 5}, {8, 5, 2}, {6, 10, 2}}) {
        SCOPED_TRACE(testing::Message() << m << "x" << n << " rank " << r);
        const std::vector<T> f = r < m ? random<T>(m, r, 1100 + m) : identity<T>(m),
                             g = r < n ? random<T>(r, n, 1101 + n) : identity<T>(n);
        const std::vector<T> a = product(f, g, m, r, n), b = random<T>(m, 1, 1102);
        std::vector<T> x(n);
        ASSERT_EQ(TypeParam::genLinEqs(a.data(), m, n, b.data(), x.data()), 0);
        EXPECT_LT(normalRatio(a, x, b, m, n), r < std::min(m, n) ? 1e3 : kBound);
        if (r == n) continue;
        const LMat coef = productL(toCx(inverseL(product(g, adjoint(g, r, n), r, n, r), r)),
                                   toCx(toL(product(g, x, r, n, 1))), r, r, 1);
        const LMat back = productL(toCx(toL(adjoint(g, r, n))), toCx(coef), n, r, 1);
        for (int k = 0; k < n; ++k)
            EXPECT_LT(double(std::abs(LCx(at(x, k)) - back[k])), 1e3 * kEps * double(normInf(x, n, 1))) << k;
    }
}

TYPED_TEST(SVDFamily, NormMatchesDirectSumsAndKnownValues) {
    using T = typename TypeParam::T;
    constexpr bool real = std::is_same_v<T, double>;
    const int m = 6, n = 4;
    const std::vector<T> a = random<T>(m, n, 1000), k = withValues<T>(m, n, {3.5, 1, 0.5, 0.25});
    double out = 0;
    long double fro = 0;
    for (const T &z : a) fro += std::norm(LCx(wide(z)));
    // The 2-norm from a known largest value (wide: CondNumber); 1, Frobenius,
    // infinity directly (a real sum of magnitudes is one extended sum,
    // rounded once: exact).
    for (auto [code, want, x, tol] : {std::tuple{0, 3.5L, &k, 4 * m * kEps},
                                      {1, sumNorm(a, m, n, 1), &a, real ? 0 : 4 * m * kEps},
                                      {2, std::sqrt(fro), &a, (real ? 4 : 4 * m) * kEps},
                                      {3, sumNorm(a, m, n, 3), &a, real ? 0 : 4 * m * kEps}}) {
        ASSERT_EQ(TypeParam::norm(x->data(), m, n, code, &out), 0);
        EXPECT_NEAR(out, double(want), tol * out) << code;
    }
    // NaN in either part wins, also against an infinite other part; an
    // infinite part alone gives infinity.
    for (auto [bad, nan] : {std::pair{elem<T>(std::nan("")), true},
                            {elem<T>(HUGE_VAL, std::nan("")), !real},
                            {elem<T>(-HUGE_VAL), false}}) {
        std::vector<T> x = a;
        x[5] = bad;
        for (int code = 0; code < 4; ++code) {
            const int32_t ret = TypeParam::norm(x.data(), m, n, code, &out);
            if (real && code == 0 && !nan) continue;  // the real SVD of an infinity does not converge
            ASSERT_EQ(ret, 0) << code;
            EXPECT_TRUE(nan ? std::isnan(out) : out == HUGE_VAL) << code << " " << nan;
        }
    }
    for (double scale : {1e300, 1e-300}) {  // Frobenius neither overflows nor underflows early
        const std::vector<T> z = {elem<T>(3 * scale, -4 * scale), elem<T>(real ? -4 * scale : 0)};
        ASSERT_EQ(TypeParam::norm(z.data(), 1, 2, 2, &out), 0);
        EXPECT_NEAR(out, 5 * scale, 4 * kEps * 5 * scale);
    }
}

TYPED_TEST(SVDFamily, CondNumberMatchesClosedFormsAndReferences) {
    using T = typename TypeParam::T;
    double cond = 0;
    // Code 0 against known values, tall and wide: rounding the product moves
    // s_min by about m eps s_max.
    const std::vector<T> k = withValues<T>(7, 4, {50, 3, 2, 0.1});
    for (auto [x, m] : {std::pair{k, 7}, {adjoint(k, 7, 4), 4}}) {
        ASSERT_EQ(TypeParam::cond(x.data(), m, 11 - m, 0, &cond), 0);
        EXPECT_NEAR(cond, 500, 500 * 7 * 500 * kEps) << m;
    }
    // Codes 1-3 against ||A|| ||A^-1|| with the inverse in long double
    // (cond(A) < 1e3 here; rounding the inverse adds eps to each entry).
    const int n = 6;
    const std::vector<T> a = random<T>(n, n, 1201), sing = {elem<T>(1), elem<T>(0), elem<T>(0), elem<T>(0)};
    const CMat inv = toCx(inverseL(a, n));
    long double fa = 0, fi = 0;
    for (size_t i = 0; i < a.size(); ++i) fa += std::norm(LCx(at(a, i))), fi += std::norm(at(inv, i));
    for (auto [code, want] : {std::pair{1, sumNorm(a, n, n, 1) * sumNorm(inv, n, n, 1)},
                              {2, std::sqrt(fa * fi)},
                              {3, sumNorm(a, n, n, 3) * sumNorm(inv, n, n, 3)}}) {
        ASSERT_EQ(TypeParam::cond(a.data(), n, n, code, &cond), 0);
        EXPECT_NEAR(cond, double(want), double(want) * 1e3 * n * kEps) << code;
    }
    for (int code = 0; code < 4; ++code) {
        EXPECT_EQ(TypeParam::cond(sing.data(), 2, 2, code, &cond), kErrSingularMatrix) << code;
        EXPECT_TRUE(orintest::isIDNaN(cond));
    }
    EXPECT_EQ(TypeParam::cond(k.data(), 3, 2, 7, &cond), kErrInvalidSelector);
    EXPECT_EQ(TypeParam::cond(k.data(), 3, 2, 1, &cond), kErrNotSquare);
    // Non-finite entries end with a code (the SVD's; the real LU's) or a NaN.
    std::vector<T> nan = a;
    nan[3] = elem<T>(std::nan(""));
    EXPECT_EQ(TypeParam::cond(nan.data(), n, n, 0, &cond), kErrNoConvergence);
    EXPECT_TRUE(orintest::isIDNaN(cond));
    for (int code = 1; code < 4; ++code) {
        EXPECT_EQ(TypeParam::cond(nan.data(), n, n, code, &cond), (std::is_same_v<T, double> ? kErrSingularMatrix : 0))
            << code;
        EXPECT_TRUE(std::isnan(cond)) << code;
    }
}

namespace {

void expectNear(const CMat &got, const CMat &want, double tol) {
    for (size_t k = 0; k < want.size(); ++k) EXPECT_LT(std::abs(at(got, k) - at(want, k)), tol) << k;
}

}  // namespace

TEST(CxSVD, TinyValuesKeepTheirRelativeAccuracy) {
    // The scaled identity at 1e-300, whose squares underflow (the top of the
    // range: CxMeasures.KeepWorkingNearTheTopOfTheRange).
    std::vector<double> s(2);
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

// A table, one entry per line:
// clang-format off
ORIN_CONTRACT_TABLE(CxSvdEntryPoints) {
    const CMat six = randomCx(2, 3, 1400), four = {{1, 0}, {0, 0}, {0, 0}, {0, 0}}, three(3, complexnum{1, 0});
    CMat nan = six;
    nan[4].re = std::nan("");
    return {
        ORIN_ROW(kErrBadArraySize, CxSVD_head(c.output<ComplexMatrix>(2, 3, six), c.output<DoubleArray>(std::vector<double>{1}), c.output<ComplexMatrix>(1, 1, CMat{{1, 0}}), e)),
        ORIN_ROW(kErrNoConvergence, CxSVD_head(c.output<ComplexMatrix>(3, 2, nan), c.output<DoubleArray>(std::vector<double>{1}), c.output<ComplexMatrix>(1, 1, CMat{{1, 0}}), e)),
        ORIN_ROW(kErrBadArraySize, CxSVDS_head(c.input<ComplexMatrix>(2, 3, six), c.output<DoubleArray>(std::vector<double>{1, 2}), e)),
        ORIN_ROW(kErrEmptyArray, CxSVDS_head(c.input<ComplexMatrix>(0, 2, CMat{}), c.output<DoubleArray>(std::vector<double>{1}), e)),
        ORIN_ROW(kErrEmptyArray, CxPseudoInverse_head(c.output<ComplexMatrix>(2, 0, CMat{}), byRef(-1.0), e)),
        ORIN_ROW(kErrNoConvergence, CxPseudoInverse_head(c.output<ComplexMatrix>(2, 3, nan), byRef(-1.0), e)),
        ORIN_ROW(kErrNoConvergence, CxRank_head(c.input<ComplexMatrix>(2, 3, nan), byRef(-1.0), c.intOutput(-1), e)),
        ORIN_ROW(kErrInvalidSelector, CxNorm_head(c.input<ComplexMatrix>(2, 3, six), byRef(5), c.scalar(), e)),
        ORIN_ROW(kErrEmptyArray, CxNorm_head(c.input<ComplexMatrix>(1, 0, CMat{}), byRef(0), c.scalar(), e)),
        ORIN_ROW(kErrEmptyArray, CxCondNumber_head(c.input<ComplexMatrix>(0, 2, CMat{}), byRef(0), c.scalar(), e)),
        ORIN_ROW(kErrNotSquare, CxCondNumber_head(c.input<ComplexMatrix>(2, 3, six), byRef(1), c.scalar(), e)),
        ORIN_ROW(kErrSingularMatrix, CxCondNumber_head(c.input<ComplexMatrix>(2, 2, four), byRef(3), c.scalar(), e)),
        ORIN_ROW(kErrInvalidSelector, CxCondNumber_head(c.input<ComplexMatrix>(2, 2, four), byRef(-1), c.scalar(), e)),
        ORIN_ROW(kErrArraySizeMismatch, CxGenLinEqs_head(c.input<ComplexMatrix>(2, 3, six), c.input<ComplexArray>(three), c.output<ComplexArray>(three), e)),
        ORIN_ROW(kErrEmptyArray, CxGenLinEqs_head(c.input<ComplexMatrix>(0, 2, CMat{}), c.input<ComplexArray>(), c.output<ComplexArray>(three), e)),
    };
}
// clang-format on
