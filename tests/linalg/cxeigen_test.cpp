// Complex eigen-decompositions: eigenvalues as sets against matrices built
// from known spectra (V D V^-1), against the real symmetric embedding of a
// Hermitian matrix and a closed form; residuals ||A v - lambda v||, the
// eigenvector scalings, the dispatch and the entry point's failures.
#include <orin/linalg.h>

#include "support/prelude.h"

#include <numbers>

#include "cx_reference.h"

using namespace cxtest;

namespace {

constexpr double kBound = 30.0;

std::vector<LCx> toL(const std::vector<double> &w) { return std::vector<LCx>(w.begin(), w.end()); }

// Unit 2-norm columns whose component of largest magnitude is real and
// positive (to rounding: ties are broken by rounding).
void expectUnitColumns(const CMat &v, int n) {
    for (int j = 0; j < n; ++j) {
        long double norm = 0, big = -1;
        int where = 0;
        for (int i = 0; i < n; ++i) {
            const long double mag = std::abs(at(v, size_t(i) * n + j));
            norm += mag * mag;
            if (mag > big) big = mag, where = i;
        }
        EXPECT_NEAR(double(norm), 1.0, 8 * n * kEps) << "column " << j;
        EXPECT_LE(std::fabs(v[size_t(where) * n + j].im), 4 * kEps) << "column " << j;
        EXPECT_GT(v[size_t(where) * n + j].re, 0) << "column " << j;
    }
}

}  // namespace

TEST(CxGenEigen, ResidualsScalingAndValuesAlone) {
    for (int n : {1, 40}) {
        SCOPED_TRACE(n);
        const CMat a = randomCx(n, n, 4000 + n);
        CMat w(n), v(size_t(n) * n), w2(n);
        ASSERT_EQ(CxGenEigenVectorValue(a.data(), n, 1, w.data(), v.data()), 0);
        EXPECT_LT(eigenResidual(a, n, toL(w), v), kBound);
        expectUnitColumns(v, n);
        // Values alone: the same set. Both runs are backward stable and
        // random matrices' eigenvalues have condition numbers below about
        // 30 (a looser factor of 30 covers the odd worse one).
        ASSERT_EQ(CxGenEigenVectorValue(a.data(), n, 0, w2.data(), nullptr), 0);
        EXPECT_TRUE(matchWithin(toL(w), toL(w2), kBound * 30 * n * kEps * normInf(a, n, n)));
    }
}

TEST(CxGenEigen, KnownSpectraAsSets) {
    // A = V D V^-1 with V random: Bauer-Fike bounds every computed
    // eigenvalue's distance to the spectrum by kappa(V) ||dA|| with the
    // backward error ||dA|| below 30 n eps ||A|| (infinity norms; rounding
    // V D and A to double adds a few eps ||A|| kappa(V) more).
    for (const std::vector<LCx> &d : {std::vector<LCx>{{2, 1}, {2, 1}, {2, 1}, {-1, 0}, {-1, 0}, {0.5, -3}},
                                      std::vector<LCx>{{0, 0}, {0, 0}, {1e-8, 0}, {1, 1}, {-1, 1}}}) {
        const int n = int(d.size());
        SCOPED_TRACE(n);
        const CMat v = randomCx(n, n, 4100 + n), vinv = toCx(inverseL(v, n));
        CMat dm(size_t(n) * n, complexnum{0, 0});
        for (int i = 0; i < n; ++i) dm[size_t(i) * n + i] = {double(d[i].real()), double(d[i].imag())};
        const CMat a = toCx(productL(product(v, dm, n, n, n), vinv, n, n, n));
        const long double tol = kBound * n * kEps * normInf(a, n, n) * normInf(v, n, n) * normInf(vinv, n, n);
        CMat w(n), vec(size_t(n) * n);
        ASSERT_EQ(CxGenEigenVectorValue(a.data(), n, 1, w.data(), vec.data()), 0);
        EXPECT_TRUE(matchWithin(toL(w), d, tol)) << "tolerance " << double(tol);
        EXPECT_LT(eigenResidual(a, n, toL(w), vec), kBound);
    }
}

TEST(CxGenEigen, TriangularJordanAndZeroMatrices) {
    // Upper triangular: already in Schur form, the diagonal comes back
    // exactly. A Jordan block (defective): bounded time, finite vectors that
    // satisfy the eigen-equation to rounding. Zero: zero eigenvalues.
    CMat t = randomCx(5, 5, 4200);
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < i; ++j) t[size_t(i) * 5 + j] = {0, 0};
    const CMat jordan = {{2, 1}, {1, 0}, {0, 0}, {0, 0}, {2, 1}, {1, 0}, {0, 0}, {0, 0}, {2, 1}};
    for (auto [a, n] : {std::pair{t, 5}, {jordan, 3}, {CMat(16, complexnum{0, 0}), 4}}) {
        SCOPED_TRACE(n);
        CMat w(n), v(size_t(n) * n);
        ASSERT_EQ(CxGenEigenVectorValue(a.data(), n, 1, w.data(), v.data()), 0);
        std::vector<LCx> diag;
        for (int i = 0; i < n; ++i) diag.push_back(at(a, size_t(i) * n + i));
        EXPECT_TRUE(matchWithin(toL(w), diag, 0));
        EXPECT_LT(eigenResidual(a, n, toL(w), v), kBound);
        expectUnitColumns(v, n);
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
        h[bad < 0 ? 14 : 13].re = bad;  // row 2, column 2 or 1: read
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
    EXPECT_EQ(CxGenEigenVectorValue(w.data(), 0, 1, w.data(), v.data()), kErrEmptyArray);
    EXPECT_EQ(HermEvectorEvalue(w.data(), -1, 1, v.data(), hw.data()), kErrEmptyArray);
    EXPECT_EQ(CxEigenValueVector(w.data(), 0, 1, 1, w.data(), v.data()), kErrEmptyArray);
}

TEST(HermEigen, KnownSpectraResidualsAndScaling) {
    // A = U diag(d) U^H with U = P F (F the unitary DFT, P a diagonal of
    // phases) has the eigenvalues d; rounding A to double moves them by at
    // most n eps ||A|| (Weyl), the backward-stable method by 30 n eps ||A||.
    for (int n : {1, 12}) {
        SCOPED_TRACE(n);
        CMat u = dftColumns(n, n), ud = u;
        const std::vector<double> d = orintest::randomDoubles(size_t(n), 4400 + n);
        for (size_t k = 0; k < u.size(); ++k) {
            const LCx z = lc(u[k]) * std::polar(1.0L, 0.7L * (long double)((k / n) * (k / n)));
            u[k] = {double(z.real()), double(z.imag())};
            ud[k] = {u[k].re * d[k % n], u[k].im * d[k % n]};
        }
        const CMat a = product(ud, adjoint(u, n, n), n, n, n);
        std::vector<double> w(n), w2(n);
        CMat v(size_t(n) * n);
        ASSERT_EQ(HermEvectorEvalue(a.data(), n, 0, nullptr, w.data()), 0);
        EXPECT_TRUE(matchWithin(toL(w), toL(d), kBound * n * kEps * normInf(a, n, n)));
        // Vectors of a random Hermitian matrix: small residuals; each column's
        // first component of largest magnitude is exactly 1; normalised, the
        // columns are unitary. Values alone: the same QL, the same order.
        const CMat h = hermitian(n, 4410 + n);
        ASSERT_EQ(HermEvectorEvalue(h.data(), n, 1, v.data(), w.data()), 0);
        ASSERT_EQ(HermEvectorEvalue(h.data(), n, 0, nullptr, w2.data()), 0);
        const double tol = kBound * n * kEps * double(normInf(h, n, n));
        for (int i = 0; i < n; ++i) EXPECT_NEAR(w[i], w2[i], tol) << i;
        EXPECT_LT(eigenResidual(h, n, toL(w), v), kBound);
        CMat unit(v.size());
        for (int j = 0; j < n; ++j) {
            int best = 0;
            long double norm = 0;
            for (int i = 0; i < n; ++i) {
                norm += std::norm(at(v, size_t(i) * n + j));
                if (std::abs(at(v, size_t(i) * n + j)) > std::abs(at(v, size_t(best) * n + j))) best = i;
            }
            EXPECT_TRUE(v[size_t(best) * n + j].re == 1 && v[size_t(best) * n + j].im == 0) << "column " << j;
            for (int i = 0; i < n; ++i) unit[size_t(i) * n + j] = toCx({at(v, size_t(i) * n + j) / std::sqrt(norm)})[0];
        }
        EXPECT_LT(unitarityRatio(unit, n, n), kBound);
    }
    // Tridiagonal Toeplitz, diag a, sub-diagonal c, super-diagonal conj(c):
    // a + 2|c| cos(k pi/(n+1)).
    const int n = 10;
    const complexnum c = {0.3, -0.4};  // |c| = 0.5
    CMat a(size_t(n) * n, complexnum{0, 0});
    for (int i = 0; i < n; ++i) {
        a[size_t(i) * n + i] = {1.5, 0};
        if (i + 1 < n) a[size_t(i + 1) * n + i] = c, a[size_t(i) * n + i + 1] = {c.re, -c.im};
    }
    std::vector<double> w(n);
    ASSERT_EQ(HermEvectorEvalue(a.data(), n, 0, nullptr, w.data()), 0);
    std::sort(w.begin(), w.end());
    for (int k = 1; k <= n; ++k) EXPECT_NEAR(w[n - k], 1.5 + std::cos(k * std::numbers::pi / (n + 1)), kBound * n * kEps) << k;
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
    EXPECT_TRUE(w1 == w2 && w1 == w3 && same(v1, v2) && same(v1, inPlace));
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
    EXPECT_TRUE(same(v, hv));
    // Type 0 on the same matrix: the general method, the same spectrum (real
    // to rounding).
    ASSERT_EQ(CxEigenValueVector(h.data(), n, 0, 1, w.data(), v.data()), 0);
    EXPECT_TRUE(matchWithin(toL(w), toL(real), kBound * n * kEps * normInf(h, n, n)));
    EXPECT_LT(eigenResidual(h, n, toL(w), v), kBound);
    for (int type : {2, -1}) EXPECT_EQ(CxEigenValueVector(h.data(), n, type, 1, w.data(), v.data()), kErrInvalidSelector);
    EXPECT_EQ(CxEigenValueVector(h.data(), 0, 2, 1, w.data(), v.data()), kErrInvalidSelector);  // the type first
}

TEST(CxEigen, HandleFormResizes) {
    const int n = 4;
    for (int type : {0, 1}) {
        const CMat in = type ? hermitian(n, 4701) : randomCx(n, n, 4700);
        orintest::ComplexMatrixHandle A(n, n, in), Z(1, 1, {{9, 9}});
        orintest::ComplexHandle W(CMat{{9, 9}});
        int32_t error = -1;
        ASSERT_EQ(CxEigenValueVector_head(A, byRef(type), byRef(1), W, Z, &error), 0);
        ASSERT_TRUE(error == 0 && W.size() == n && Z.rows() == n && Z.cols() == n);
        EXPECT_LT(eigenResidual(in, n, toL(W.values()), Z.values()), kBound) << type;
        // Without vectors the vector output stays empty.
        ASSERT_EQ(CxEigenValueVector_head(A, byRef(type), byRef(0), W, Z, &error), 0);
        EXPECT_TRUE(W.size() == n && Z.emptied());
    }
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
        for (const complexnum &z : w) scaled.push_back(lc(z) * (long double)s);
        for (double x : hw) hermScaled.push_back((long double)x * s);
        EXPECT_TRUE(matchWithin(toL(ws), scaled, kBound * n * kEps * normInf(as, n, n)));
        EXPECT_TRUE(matchWithin(toL(hws), hermScaled, kBound * n * kEps * normInf(hs, n, n)));
        EXPECT_LT(std::max(eigenResidual(as, n, toL(ws), vs), eigenResidual(hs, n, toL(hws), hv)), kBound);
    }
}

ORIN_CONTRACT_TABLE(CxEigenEntryPoint) {
    const CMat four = {{1, 0}, {2, 1}, {2, -1}, {3, 0}};
    CMat bad = four;
    bad[2].re = std::nan("");
    auto row = [](const char *name, int32_t code, int r, int c, CMat a, int32_t type, int32_t wantVectors) {
        return orintest::errorRow(name, code, [=](Contract &k, int32_t *e) {
            return CxEigenValueVector_head(k.input<ComplexMatrix>(r, c, a), byRef(type), byRef(wantVectors), k.output<ComplexArray>(CMat{{1, 0}}),
                                           k.output<ComplexMatrix>(1, 1, CMat{{1, 0}}), e);
        });
    };
    return {row("CxEigenValueVector_head empty", kErrEmptyArray, 0, 0, {}, 0, 1),
            row("CxEigenValueVector_head not square", kErrNotSquare, 2, 3, CMat(6, complexnum{1, 2}), 1, 1),
            row("CxEigenValueVector_head type 2", kErrInvalidSelector, 2, 2, four, 2, 1),
            row("CxEigenValueVector_head general NaN", kErrNoConvergence, 2, 2, bad, 0, 1),
            row("CxEigenValueVector_head Hermitian NaN", kErrNoConvergence, 2, 2, bad, 1, 0)};
}
