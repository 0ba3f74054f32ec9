// Eigen-decompositions, real and complex alike: eigenvalues against closed
// forms, known spectra and as sets, residuals ||A v - lambda v||, the
// eigenvector scalings; matrices that deflate at once at every scale, for
// the real and the complex routine; the complex ones on scaled matrices,
// the Hermitian routine's read triangle, the dispatch by matrix type and
// the entry point's failures.
#include "support/prelude.h"

#include "linalg_reference.h"

using namespace linalgtest;

TWIN_SUITE(EigenFamily);

TYPED_TEST(EigenFamily, GeneralResidualsScalingAndValuesAlone) {
    using T = typename TypeParam::T;
    for (int n : {1, 2, 5, 30, 40}) {
        SCOPED_TRACE(n);
        const std::vector<T> a = random<T>(n, n, (std::is_same_v<T, double> ? 1400 : 4000) + n);
        CMat w(n), v(size_t(n) * n), w2(n);
        ASSERT_EQ(TypeParam::genEigen(a.data(), n, 1, w.data(), v.data()), 0);
        EXPECT_LT(eigenResidual(a, n, toL(w), v), kBound);
        expectUnitColumns(v, n, std::is_same_v<T, double> ? 0 : 4 * kEps);
        // Values alone: the same set. Both runs are backward stable
        // (||dA|| ~ n eps ||A||) and random matrices' eigenvalues have
        // condition numbers below about 30 (a looser factor of 30 covers the
        // odd worse one).
        ASSERT_EQ(TypeParam::genEigen(a.data(), n, 0, w2.data(), nullptr), 0);
        EXPECT_TRUE(matchWithin(toL(w), toL(w2), kBound * 30 * n * kEps * normInf(a, n, n)));
    }
}

TYPED_TEST(EigenFamily, SymmetricKnownSpectraResidualsAndScaling) {
    using T = typename TypeParam::T;
    for (int n : {1, 2, 12, 40}) {
        SCOPED_TRACE(n);
        // A = U diag(d) U^H with U = P F (F orthonormal, P a diagonal of
        // phases, complex only) has the eigenvalues d; rounding A to double
        // moves them by at most n eps ||A|| (Weyl), the backward-stable method
        // by 30 n eps ||A||.
        std::vector<T> u = orthonormalColumns<T>(n, n), ud = u;
        const std::vector<double> d = orintest::randomDoubles(size_t(n), 4400 + n);
        for (size_t k = 0; k < u.size(); ++k) {
            if constexpr (!std::is_same_v<T, double>)
                u[k] = narrow<T>(wide(u[k]) * std::polar(1.0L, 0.7L * (long double)((k / n) * (k / n))));
            ud[k] = narrow<T>(wide(u[k]) * (long double)d[k % n]);
        }
        const std::vector<T> a = product(ud, adjoint(u, n, n), n, n, n);
        std::vector<double> w(n), w2(n);
        std::vector<T> v(size_t(n) * n);
        ASSERT_EQ(TypeParam::symEigen(a.data(), n, 0, v.data(), w.data()), 0);
        EXPECT_TRUE(matchWithin(toL(w), toL(d), kBound * n * kEps * normInf(a, n, n)));
        // Vectors of a random Hermitian matrix: small residuals; each column's
        // first component of largest magnitude is exactly 1; normalised, the
        // columns are orthonormal. Values alone: the same set.
        const std::vector<T> h = hermitian<T>(n, 4410 + n);
        std::vector<T> unit(v.size());
        ASSERT_EQ(TypeParam::symEigen(h.data(), n, 1, v.data(), w.data()), 0);
        ASSERT_EQ(TypeParam::symEigen(h.data(), n, 0, unit.data(), w2.data()), 0);  // real: unit is work space
        EXPECT_TRUE(matchWithin(toL(w), toL(w2), kBound * n * kEps * normInf(h, n, n)));
        EXPECT_LT(eigenResidual(h, n, toL(w), v), kBound);
        for (int j = 0; j < n; ++j) {
            int best = 0;
            long double norm = 0;
            for (int i = 0; i < n; ++i) {
                norm += std::norm(LCx(at(v, size_t(i) * n + j)));
                if (std::abs(at(v, size_t(i) * n + j)) > std::abs(at(v, size_t(best) * n + j))) best = i;
            }
            EXPECT_EQ(v[size_t(best) * n + j], elem<T>(1)) << "column " << j;
            for (int i = 0; i < n; ++i) unit[size_t(i) * n + j] = narrow<T>(at(v, size_t(i) * n + j) / std::sqrt(norm));
        }
        EXPECT_LT(orthogonalityRatio(unit, n, n), kBound);
    }
    // Equal magnitudes: the first of them becomes 1. [[2, 1], [1, 2]]
    // ([[2, i], [-i, 2]]) has the eigenvectors (1, -1) and (1, 1) ((1, i) and
    // (1, -i)), and both come out with these components exactly tied.
    const T off = elem<T>(std::is_same_v<T, double>, !std::is_same_v<T, double>);
    const std::vector<T> tied = {elem<T>(2), off, narrow<T>(cj(wide(off))), elem<T>(2)};
    std::vector<T> tv(4);
    std::vector<double> tw(2);
    ASSERT_EQ(TypeParam::symEigen(tied.data(), 2, 1, tv.data(), tw.data()), 0);
    EXPECT_TRUE(tv[0] == elem<T>(1) && tv[1] == elem<T>(1)) << "each column's first component";
    for (double bad : {std::nan(""), HUGE_VAL}) {  // bounded, with a code
        std::vector<T> x = {elem<T>(1), elem<T>(bad), elem<T>(bad), elem<T>(1)}, vx(4);
        std::vector<double> wx(2);
        EXPECT_EQ(TypeParam::symEigen(x.data(), 2, 1, vx.data(), wx.data()), kErrNoConvergence);
    }
}

TEST(GenEigen, MatricesThatDeflateAtOnceConvergeAtEveryScale) {
    // An exactly zero sub-diagonal entry is a deflation, not a stall: the
    // zero, diagonal and triangular matrices and block-diagonal ones with a
    // zero block, with and without vectors, at the scales 1, 1e-300 and
    // 1e300, for the real routine and for the complex one on the same
    // matrices. Eigenvalues: within 3 (their condition numbers here) times a
    // backward error of 30 n eps ||A|| of the closed forms, the scale's
    // rounding of the entries included.
    const long double root33 = std::sqrt(33.0L), low = (5 - root33) / 2, high = (5 + root33) / 2;
    struct Case {
        const char *name;
        int n;
        Mat a;
        std::vector<long double> values;
        bool independent;  // n independent eigenvectors exist
    };
    const std::vector<Case> cases = {
        {"zero", 3, Mat(9, 0.0), {0, 0, 0}, true},
        {"diagonal", 3, {3, 0, 0, 0, -1, 0, 0, 0, 2}, {3, -1, 2}, true},
        {"upper triangular", 3, {1, 2, 4, 0, 3, 5, 0, 0, 6}, {1, 3, 6}, true},
        {"lower triangular", 3, {1, 0, 0, 2, 3, 0, 4, 5, 6}, {1, 3, 6}, true},
        {"zero block last", 4, {1, 2, 0, 0, 3, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {low, high, 0, 0}, true},
        {"zero block first", 4, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 0, 0, 3, 4}, {0, 0, low, high}, true},
        {"nilpotent", 3, {0, 1, 0, 0, 0, 1, 0, 0, 0}, {0, 0, 0}, false},
    };
    for (const Case &c : cases)
        for (const double scale : {1.0, 1e-300, 1e300}) {
            SCOPED_TRACE(testing::Message() << c.name << " times " << scale);
            const int n = c.n;
            Mat a = c.a;
            for (double &x : a) x *= scale;
            const long double tol = 3 * kBound * n * kEps * normInf(a, n, n);
            std::vector<complexnum> w(n), v(size_t(n) * n), w0(n), cw(n), cv(size_t(n) * n);
            ASSERT_EQ(GenEigenValueVector(a.data(), n, 1, w.data(), v.data()), 0);
            ASSERT_EQ(GenEigenValueVector(a.data(), n, 0, w0.data(), nullptr), 0);
            const CMat ca = toCx(toL(a));
            ASSERT_EQ(CxGenEigenVectorValue(ca.data(), n, 1, cw.data(), cv.data()), 0);
            std::vector<LCx> want;
            for (long double x : c.values) want.push_back(x * scale);
            for (const auto &[values, vectors] : {std::pair{&w, &v}, {&w0, nullptr}, {&cw, &cv}}) {
                EXPECT_TRUE(matchWithin(toL(*values), want, tol)) << "eigenvalues as a set";
                if (!vectors) continue;
                EXPECT_LT(eigenResidual(a, n, toL(*values), *vectors), kBound);
                // Unit columns, and no two of them parallel where the matrix
                // has n independent eigenvectors (zero columns fail the norm).
                expectUnitColumns(*vectors, n, 4 * kEps);
                auto column = [&](int j, int i) { return wide((*vectors)[size_t(i) * n + j]); };
                for (int j = 0; j < n && c.independent; ++j)
                    for (int k = j + 1; k < n; ++k) {
                        LCx dot = 0;
                        for (int i = 0; i < n; ++i) dot += std::conj(column(j, i)) * column(k, i);
                        EXPECT_LT(std::abs(dot), 0.99L) << "columns " << j << ", " << k;
                    }
            }
        }
}

TEST(CxGenEigen, NonFiniteInputEndsWithACode) {
    // A NaN or infinity (in the read lower triangle or on the diagonal of a
    // Hermitian matrix), or, for the Hermitian routine, finite entries whose
    // column norm overflows (the general routine scales those first and
    // converges: its residual is small).
    for (double bad : {std::nan(""), -HUGE_VAL, 1.5e308}) {
        CMat a = randomCx(6, 6, 4300), h = hermitian(6, 4301), w(6), v(36);
        a[14].im = bad;
        h[bad < 0 ? 14 : 13].re = bad;                        // row 2, column 2 or 1: read
        if (bad > 1) a[6] = a[12] = h[6] = h[12] = {bad, 0};  // column 0 below the diagonal
        std::vector<double> hw(6);
        if (bad > 1) {
            ASSERT_EQ(CxGenEigenVectorValue(a.data(), 6, 1, w.data(), v.data()), 0);
            EXPECT_LT(eigenResidual(a, 6, toL(w), v), kBound);
        } else {
            EXPECT_EQ(CxGenEigenVectorValue(a.data(), 6, 1, w.data(), v.data()), kErrNoConvergence);
            EXPECT_EQ(CxGenEigenVectorValue(a.data(), 6, 0, w.data(), nullptr), kErrNoConvergence);
        }
        EXPECT_EQ(HermEvectorEvalue(h.data(), 6, 1, v.data(), hw.data()), kErrNoConvergence);
        EXPECT_EQ(CxEigenValueVector(h.data(), 6, 1, 0, w.data(), nullptr), kErrNoConvergence);
    }
    CMat w(1), v(1);
    std::vector<double> hw(1);
    EXPECT_EQ(HermEvectorEvalue(w.data(), -1, 1, v.data(), hw.data()), kErrEmptyArray);
}

TEST(HermEigen, ReadsTheLowerTriangleAndWorksInPlace) {
    // Poison in the strict upper triangle and the diagonal's imaginary parts
    // changes nothing, bit for bit; nor does writing the vectors over a.
    const int n = 6;
    const CMat a = hermitian(n, 4500);
    CMat poisoned = a, v1(size_t(n) * n), v2(size_t(n) * n), inPlace = a;
    for (int i = 0; i < n; ++i) {
        poisoned[size_t(i) * n + i].im = std::nan("");
        for (int j = i + 1; j < n; ++j) poisoned[size_t(i) * n + j] = {std::nan(""), HUGE_VAL};
    }
    std::vector<double> w1(n), w2(n), w3(n);
    ASSERT_EQ(HermEvectorEvalue(a.data(), n, 1, v1.data(), w1.data()), 0);
    ASSERT_EQ(HermEvectorEvalue(poisoned.data(), n, 1, v2.data(), w2.data()), 0);
    ASSERT_EQ(HermEvectorEvalue(inPlace.data(), n, 1, inPlace.data(), w3.data()), 0);
    EXPECT_TRUE(w1 == w2 && w1 == w3 && v1 == v2 && v1 == inPlace);
}

TEST(CxEigen, DispatchByMatrixType) {
    const int n = 7;
    const CMat h = hermitian(n, 4600);
    CMat w(n), v(size_t(n) * n), hv(size_t(n) * n);
    std::vector<double> real(n);
    ASSERT_EQ(HermEvectorEvalue(h.data(), n, 1, hv.data(), real.data()), 0);
    // Type 1: the Hermitian routine's values with imaginary part 0 and its
    // vectors, exactly.
    ASSERT_EQ(CxEigenValueVector(h.data(), n, 1, 1, w.data(), v.data()), 0);
    for (int i = 0; i < n; ++i) EXPECT_TRUE(w[i].re == real[i] && w[i].im == 0) << i;
    EXPECT_EQ(v, hv);
    // Type 0 on the same matrix: the general method, the same spectrum (real
    // to rounding).
    ASSERT_EQ(CxEigenValueVector(h.data(), n, 0, 1, w.data(), v.data()), 0);
    EXPECT_TRUE(matchWithin(toL(w), toL(real), kBound * n * kEps * normInf(h, n, n)));
    EXPECT_LT(eigenResidual(h, n, toL(w), v), kBound);
    for (int type : {2, -1})
        EXPECT_EQ(CxEigenValueVector(h.data(), n, type, 1, w.data(), v.data()), kErrInvalidSelector);
    EXPECT_EQ(CxEigenValueVector(h.data(), 0, 2, 1, w.data(), v.data()), kErrInvalidSelector);  // the type first
}

TEST(CxEigen, ScaledMatricesNeitherOverflowNorUnderflow) {
    // 2^k A has the eigenvalues 2^k lambda; at k = +-900 squares of entries
    // would overflow or underflow.
    const int n = 6;
    const CMat a = randomCx(n, n, 5000), h = hermitian(n, 5001);
    CMat w(n);
    std::vector<double> hw(n);
    ASSERT_EQ(CxGenEigenVectorValue(a.data(), n, 0, w.data(), nullptr), 0);
    ASSERT_EQ(HermEvectorEvalue(h.data(), n, 0, nullptr, hw.data()), 0);
    for (int k : {900, -900}) {
        SCOPED_TRACE(k);
        const double s = std::ldexp(1.0, k);
        CMat as = a, hs = h, ws(n), vs(size_t(n) * n), hv(size_t(n) * n);
        for (complexnum &z : as) z = {z.re * s, z.im * s};
        for (complexnum &z : hs) z = {z.re * s, z.im * s};
        std::vector<double> hws(n);
        ASSERT_EQ(CxGenEigenVectorValue(as.data(), n, 1, ws.data(), vs.data()), 0);
        ASSERT_EQ(HermEvectorEvalue(hs.data(), n, 1, hv.data(), hws.data()), 0);
        std::vector<LCx> scaled, hermScaled;
        for (const complexnum &z : w) scaled.push_back(wide(z) * (long double)s);
        for (double x : hw) hermScaled.push_back((long double)x * s);
        EXPECT_TRUE(matchWithin(toL(ws), scaled, kBound * n * kEps * normInf(as, n, n)));
        EXPECT_TRUE(matchWithin(toL(hws), hermScaled, kBound * n * kEps * normInf(hs, n, n)));
        EXPECT_LT(std::max(eigenResidual(as, n, toL(ws), vs), eigenResidual(hs, n, toL(hws), hv)), kBound);
    }
}

// A table, one entry per line:
// clang-format off
ORIN_CONTRACT_TABLE(CxEigenEntryPoint) {
    const CMat four = {{1, 0}, {2, 1}, {2, -1}, {3, 0}};
    CMat bad = four;
    bad[2].re = std::nan("");
    return {
        ORIN_ROW(kErrNotSquare, CxEigenValueVector_head(c.input<ComplexMatrix>(2, 3, CMat(6, complexnum{1, 2})), byRef(1), byRef(1), c.output<ComplexArray>(CMat{{1, 0}}), c.output<ComplexMatrix>(1, 1, CMat{{1, 0}}), e)),
        ORIN_ROW(kErrInvalidSelector, CxEigenValueVector_head(c.input<ComplexMatrix>(2, 2, four), byRef(2), byRef(1), c.output<ComplexArray>(CMat{{1, 0}}), c.output<ComplexMatrix>(1, 1, CMat{{1, 0}}), e)),
        ORIN_ROW(kErrNoConvergence, CxEigenValueVector_head(c.input<ComplexMatrix>(2, 2, bad), byRef(0), byRef(1), c.output<ComplexArray>(CMat{{1, 0}}), c.output<ComplexMatrix>(1, 1, CMat{{1, 0}}), e)),  // general
        ORIN_ROW(kErrNoConvergence, CxEigenValueVector_head(c.input<ComplexMatrix>(2, 2, bad), byRef(1), byRef(0), c.output<ComplexArray>(CMat{{1, 0}}), c.output<ComplexMatrix>(1, 1, CMat{{1, 0}}), e)),  // Hermitian
    };
}
// clang-format on
