// Complex eigen-decompositions: eigenvalues as sets against matrices built
// from known spectra (V D V^-1), against the real symmetric embedding of a
// Hermitian matrix and a closed form; residuals ||A v - lambda v||, the
// eigenvector scalings, the dispatch and the entry point's failures.
#include <orin/linalg.h>

#include "support/prelude.h"

#include <numbers>

#include "linalg_reference.h"

using namespace linalgtest;

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
        expectUnitColumns(v, n, 4 * kEps);
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
    for (int type : {2, -1})
        EXPECT_EQ(CxEigenValueVector(h.data(), n, type, 1, w.data(), v.data()), kErrInvalidSelector);
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
