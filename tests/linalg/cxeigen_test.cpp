// Complex eigen-decompositions: eigenvalues as sets against matrices built
// from known spectra (V D V^-1) and against the real symmetric embedding of
// a Hermitian matrix, closed forms, residuals ||A v - lambda v||, the
// eigenvector scalings, the dispatch and the entry point's failures.
#include <orin/linalg.h>

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "cx_reference.h"
#include "support/allocation_failure.h"
#include "support/contract.h"
#include "support/handles.h"

using cxtest::at;
using cxtest::CMat;
using cxtest::hermitian;
using cxtest::toL;
using orintest::kEps;
using orintest::LCx;

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

// Columns scaled to unit 2-norm, in long double.
CMat unitColumns(const CMat &v, int n) {
    CMat out(v.size());
    for (int j = 0; j < n; ++j) {
        long double norm = 0;
        for (int i = 0; i < n; ++i) norm += std::norm(at(v, size_t(i) * n + j));
        for (int i = 0; i < n; ++i) {
            const LCx z = at(v, size_t(i) * n + j) / std::sqrt(norm);
            out[size_t(i) * n + j] = {double(z.real()), double(z.imag())};
        }
    }
    return out;
}

}  // namespace

TEST(CxGenEigen, ResidualsScalingAndValuesAlone) {
    for (int n : {1, 8, 60}) {
        if (orintest::kReducedSuite && n > 25) continue;
        SCOPED_TRACE(n);
        const CMat a = cxtest::randomCx(n, n, 4000 + n);
        CMat w(n), v(size_t(n) * n), w2(n);
        ASSERT_EQ(CxGenEigenVectorValue(a.data(), n, 1, w.data(), v.data()), 0);
        EXPECT_LT(cxtest::eigenResidual(a, n, toL(w), v), kBound);
        expectUnitColumns(v, n);
        // Values alone: the same set. Both runs are backward stable and
        // random matrices' eigenvalues have condition numbers below about
        // 30 (a looser factor of 30 covers the odd worse one).
        ASSERT_EQ(CxGenEigenVectorValue(a.data(), n, 0, w2.data(), nullptr), 0);
        EXPECT_TRUE(cxtest::matchWithin(toL(w), toL(w2), kBound * 30 * n * kEps * cxtest::normInf(a, n, n)));
    }
}

TEST(CxGenEigen, KnownSpectraAsSets) {
    // A = V D V^-1 with V random: Bauer-Fike bounds every computed
    // eigenvalue's distance to the spectrum by kappa(V) ||dA|| with the
    // backward error ||dA|| below 30 n eps ||A|| (infinity norms).
    struct Spectrum {
        const char *name;
        std::vector<LCx> d;
    };
    const std::vector<Spectrum> spectra = {
        {"distinct complex", {{1, 2}, {-3, 0.5}, {0.25, -1}, {2, 2}, {-1, -1}, {0, 3}, {5, 0}}},
        {"repeated", {{2, 1}, {2, 1}, {2, 1}, {-1, 0}, {-1, 0}, {0.5, -3}}},
        {"zero and tiny", {{0, 0}, {0, 0}, {1e-8, 0}, {1, 1}, {-1, 1}}}};
    for (const Spectrum &s : spectra) {
        SCOPED_TRACE(s.name);
        const int n = int(s.d.size());
        const CMat v = cxtest::randomCx(n, n, 4100 + n);
        const cxtest::LMat vinv = cxtest::inverseL(v, n);
        ASSERT_FALSE(vinv.empty());
        cxtest::LMat vd(size_t(n) * n);
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j) vd[size_t(i) * n + j] = at(v, size_t(i) * n + j) * s.d[j];
        cxtest::LMat al(size_t(n) * n, 0);
        for (int i = 0; i < n; ++i)
            for (int k = 0; k < n; ++k)
                for (int j = 0; j < n; ++j) al[size_t(i) * n + j] += vd[size_t(i) * n + k] * vinv[size_t(k) * n + j];
        const CMat a = cxtest::toCx(al);
        const long double kappa = cxtest::normInf(v, n, n) * cxtest::normInf(vinv, n, n);
        // Rounding A to double is itself a perturbation of eps ||A||.
        const long double tol = kBound * n * kEps * cxtest::normInf(a, n, n) * kappa;
        CMat w(n), vec(size_t(n) * n);
        ASSERT_EQ(CxGenEigenVectorValue(a.data(), n, 1, w.data(), vec.data()), 0);
        EXPECT_TRUE(cxtest::matchWithin(toL(w), s.d, tol)) << "tolerance " << double(tol);
        EXPECT_LT(cxtest::eigenResidual(a, n, toL(w), vec), kBound);
    }
}

TEST(CxGenEigen, TriangularJordanAndZeroMatrices) {
    // Upper triangular: already in Schur form, the diagonal comes back
    // exactly (no sub-diagonal entry to deflate).
    const int n = 5;
    CMat t = cxtest::randomCx(n, n, 4200);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < i; ++j) t[size_t(i) * n + j] = {0, 0};
    CMat w(n), v(size_t(n) * n);
    ASSERT_EQ(CxGenEigenVectorValue(t.data(), n, 1, w.data(), v.data()), 0);
    std::vector<LCx> diag;
    for (int i = 0; i < n; ++i) diag.push_back(at(t, size_t(i) * n + i));
    EXPECT_TRUE(cxtest::matchWithin(toL(w), diag, 0));
    EXPECT_LT(cxtest::eigenResidual(t, n, toL(w), v), kBound);
    // A Jordan block (defective): bounded time, finite unit vectors that
    // still satisfy the eigen-equation to rounding.
    const CMat j = {{2, 1}, {1, 0}, {0, 0}, {0, 0}, {2, 1}, {1, 0}, {0, 0}, {0, 0}, {2, 1}};
    CMat wj(3), vj(9);
    ASSERT_EQ(CxGenEigenVectorValue(j.data(), 3, 1, wj.data(), vj.data()), 0);
    for (const complexnum &z : wj) EXPECT_TRUE(z.re == 2 && z.im == 1);
    EXPECT_LT(cxtest::eigenResidual(j, 3, toL(wj), vj), kBound);
    expectUnitColumns(vj, 3);
    // The zero matrix: zero eigenvalues, the unit vectors.
    const CMat z(16, complexnum{0, 0});
    CMat wz(4), vz(16);
    ASSERT_EQ(CxGenEigenVectorValue(z.data(), 4, 1, wz.data(), vz.data()), 0);
    for (const complexnum &x : wz) EXPECT_TRUE(x.re == 0 && x.im == 0);
    expectUnitColumns(vz, 4);
}

TEST(CxGenEigen, NonFiniteInputEndsWithACode) {
    for (double bad : {std::nan(""), -HUGE_VAL}) {
        CMat a = cxtest::randomCx(6, 6, 4300);
        a[14].im = bad;
        CMat w(6), v(36);
        EXPECT_EQ(CxGenEigenVectorValue(a.data(), 6, 1, w.data(), v.data()), kErrNoConvergence);
        EXPECT_EQ(CxGenEigenVectorValue(a.data(), 6, 0, w.data(), nullptr), kErrNoConvergence);
        CMat h = hermitian(6, 4301);
        h[13].re = bad;  // row 2, column 1: read
        std::vector<double> hw(6);
        EXPECT_EQ(HermEvectorEvalue(h.data(), 6, 1, v.data(), hw.data()), kErrNoConvergence);
        EXPECT_EQ(CxEigenValueVector(h.data(), 6, 1, 0, w.data(), nullptr), kErrNoConvergence);
    }
    CMat w(1), v(1);
    std::vector<double> hw(1);
    EXPECT_EQ(CxGenEigenVectorValue(w.data(), 0, 1, w.data(), v.data()), kErrEmptyArray);
    EXPECT_EQ(HermEvectorEvalue(w.data(), -1, 1, v.data(), hw.data()), kErrEmptyArray);
    EXPECT_EQ(CxEigenValueVector(w.data(), 0, 1, 1, w.data(), v.data()), kErrEmptyArray);
}

TEST(HermEigen, EigenvaluesAgainstTheRealEmbedding) {
    // [[Re A, -Im A], [Im A, Re A]] is real symmetric with each eigenvalue
    // of A twice; Hermitian eigenvalues move by at most ||dA||_2.
    for (int n : {1, 10, 30}) {
        SCOPED_TRACE(n);
        const CMat a = hermitian(n, 4400 + n);
        std::vector<double> w(n);
        CMat v(size_t(n) * n);
        ASSERT_EQ(HermEvectorEvalue(a.data(), n, 1, v.data(), w.data()), 0);
        const std::vector<long double> ref = cxtest::jacobiEigenvalues(cxtest::realEmbedding(a, n, n), 2 * n);
        std::vector<double> twice;
        for (double x : w) twice.push_back(x), twice.push_back(x);
        std::sort(twice.begin(), twice.end());
        const double tol = kBound * n * kEps * double(cxtest::normInf(a, n, n));
        for (int i = 0; i < 2 * n; ++i) EXPECT_NEAR(twice[i], double(ref[i]), tol) << i;
        EXPECT_LT(cxtest::eigenResidual(a, n, toL(w), v), kBound);
        // Unitary once the columns are normalised; each column's first
        // component of largest magnitude is exactly 1.
        EXPECT_LT(cxtest::unitarityRatio(unitColumns(v, n), n, n), kBound);
        for (int j = 0; j < n; ++j) {
            int best = 0;
            for (int i = 1; i < n; ++i)
                if (std::abs(at(v, size_t(i) * n + j)) > std::abs(at(v, size_t(best) * n + j))) best = i;
            EXPECT_TRUE(v[size_t(best) * n + j].re == 1 && v[size_t(best) * n + j].im == 0) << "column " << j;
        }
        // Values alone are the same numbers (the same QL on the same
        // tridiagonal).
        std::vector<double> w2(n);
        ASSERT_EQ(HermEvectorEvalue(a.data(), n, 0, nullptr, w2.data()), 0);
        std::vector<double> s1 = w, s2 = w2;
        std::sort(s1.begin(), s1.end());
        std::sort(s2.begin(), s2.end());
        for (int i = 0; i < n; ++i) EXPECT_NEAR(s1[i], s2[i], tol) << i;
    }
}

TEST(HermEigen, TridiagonalToeplitzClosedFormAndTriangleRead) {
    // diag a, sub-diagonal c, super-diagonal conj(c): a + 2|c| cos(k pi/(n+1)).
    const double diag = 1.5;
    const complexnum c = {0.3, -0.4};  // |c| = 0.5
    for (int n : {2, 50}) {
        if (orintest::kReducedSuite && n > 10) continue;
        CMat a(size_t(n) * n, complexnum{0, 0});
        for (int i = 0; i < n; ++i) {
            a[size_t(i) * n + i] = {diag, 0};
            if (i + 1 < n) a[size_t(i + 1) * n + i] = c, a[size_t(i) * n + i + 1] = {c.re, -c.im};
        }
        std::vector<double> w(n);
        ASSERT_EQ(HermEvectorEvalue(a.data(), n, 0, nullptr, w.data()), 0);
        std::sort(w.begin(), w.end());
        for (int k = 1; k <= n; ++k)
            EXPECT_NEAR(w[n - k], diag + std::cos(k * std::numbers::pi / (n + 1)), kBound * n * kEps) << n;
    }
    // Only the lower triangle and the real diagonal are read: poison in the
    // rest changes nothing, bit for bit; and the routine runs in place.
    const int n = 6;
    const CMat a = hermitian(n, 4500);
    CMat poisoned = a;
    for (int i = 0; i < n; ++i) {
        poisoned[size_t(i) * n + i].im = std::nan("");
        for (int j = i + 1; j < n; ++j) poisoned[size_t(i) * n + j] = {std::nan(""), HUGE_VAL};
    }
    std::vector<double> w1(n), w2(n), w3(n);
    CMat v1(size_t(n) * n), v2(size_t(n) * n), inPlace = a;
    ASSERT_EQ(HermEvectorEvalue(a.data(), n, 1, v1.data(), w1.data()), 0);
    ASSERT_EQ(HermEvectorEvalue(poisoned.data(), n, 1, v2.data(), w2.data()), 0);
    ASSERT_EQ(HermEvectorEvalue(inPlace.data(), n, 1, inPlace.data(), w3.data()), 0);
    EXPECT_EQ(w1, w2);
    EXPECT_EQ(w1, w3);
    for (size_t i = 0; i < v1.size(); ++i) {
        EXPECT_TRUE(v1[i].re == v2[i].re && v1[i].im == v2[i].im) << i;
        EXPECT_TRUE(v1[i].re == inPlace[i].re && v1[i].im == inPlace[i].im) << i;
    }
}

TEST(CxEigen, DispatchByMatrixType) {
    const int n = 7;
    const CMat h = hermitian(n, 4600);
    CMat w(n), v(size_t(n) * n);
    std::vector<double> real(n);
    CMat hv(size_t(n) * n);
    ASSERT_EQ(HermEvectorEvalue(h.data(), n, 1, hv.data(), real.data()), 0);
    // Type 1: the Hermitian routine's values with imaginary part 0 and its
    // vectors, exactly.
    ASSERT_EQ(CxEigenValueVector(h.data(), n, 1, 1, w.data(), v.data()), 0);
    for (int i = 0; i < n; ++i) EXPECT_TRUE(w[i].re == real[i] && w[i].im == 0) << i;
    for (size_t i = 0; i < v.size(); ++i) EXPECT_TRUE(v[i].re == hv[i].re && v[i].im == hv[i].im) << i;
    // Type 0 on the same matrix: the general method, unit columns, the same
    // spectrum (real to rounding).
    ASSERT_EQ(CxEigenValueVector(h.data(), n, 0, 1, w.data(), v.data()), 0);
    expectUnitColumns(v, n);
    EXPECT_TRUE(cxtest::matchWithin(toL(w), toL(real), kBound * n * kEps * cxtest::normInf(h, n, n)));
    EXPECT_LT(cxtest::eigenResidual(h, n, toL(w), v), kBound);
    for (int type : {2, -1, 5}) EXPECT_EQ(CxEigenValueVector(h.data(), n, type, 1, w.data(), v.data()), kErrInvalidSelector);
    EXPECT_EQ(CxEigenValueVector(h.data(), 0, 2, 1, w.data(), v.data()), kErrInvalidSelector);  // the type first
}

TEST(CxEigen, HandleFormResizes) {
    const int n = 4;
    const CMat a = cxtest::randomCx(n, n, 4700);
    for (int type : {0, 1}) {
        const CMat in = type ? hermitian(n, 4701) : a;
        orintest::ComplexMatrixHandle A(n, n, in), Z(1, 1, {{9, 9}});
        orintest::ComplexHandle W(std::vector<complexnum>{{9, 9}});
        int32_t error = -1;
        ASSERT_EQ(CxEigenValueVector_head(A, type, 1, W, Z, &error), 0);
        ASSERT_EQ(error, 0);
        ASSERT_EQ(W.size(), n);
        ASSERT_EQ(Z.rows(), n);
        ASSERT_EQ(Z.cols(), n);
        EXPECT_LT(cxtest::eigenResidual(in, n, toL(W.values()), Z.values()), kBound) << type;
        // Without vectors the vector output stays empty.
        ASSERT_EQ(CxEigenValueVector_head(A, type, 0, W, Z, &error), 0);
        EXPECT_EQ(W.size(), n);
        EXPECT_TRUE(Z.emptied());
    }
}

ORIN_CONTRACT_TABLE(CxEigenEntryPoint) {
    using orintest::Contract;
    using orintest::errorRow;
    const CMat six(6, complexnum{1, 2}), four = {{1, 0}, {2, 1}, {2, -1}, {3, 0}};
    CMat bad = four;
    bad[2].re = std::nan("");
    auto outputs = [](Contract &c) {
        return std::pair{c.output<ComplexArray>(std::vector<complexnum>{{1, 0}}),
                         c.output<ComplexMatrix>(1, 1, CMat{{1, 0}})};
    };
    return {
        errorRow("CxEigenValueVector_head empty", kErrEmptyArray, [outputs](Contract &c, int32_t *e) {
            auto [w, z] = outputs(c);
            return CxEigenValueVector_head(c.input<ComplexMatrix>(0, 0, {}), 0, 1, w, z, e);
        }),
        errorRow("CxEigenValueVector_head not square", kErrNotSquare, [six, outputs](Contract &c, int32_t *e) {
            auto [w, z] = outputs(c);
            return CxEigenValueVector_head(c.input<ComplexMatrix>(2, 3, six), 1, 1, w, z, e);
        }),
        errorRow("CxEigenValueVector_head type 2", kErrInvalidSelector, [four, outputs](Contract &c, int32_t *e) {
            auto [w, z] = outputs(c);
            return CxEigenValueVector_head(c.input<ComplexMatrix>(2, 2, four), 2, 1, w, z, e);
        }),
        errorRow("CxEigenValueVector_head general NaN", kErrNoConvergence, [bad, outputs](Contract &c, int32_t *e) {
            auto [w, z] = outputs(c);
            return CxEigenValueVector_head(c.input<ComplexMatrix>(2, 2, bad), 0, 1, w, z, e);
        }),
        errorRow("CxEigenValueVector_head Hermitian NaN", kErrNoConvergence, [bad, outputs](Contract &c, int32_t *e) {
            auto [w, z] = outputs(c);
            return CxEigenValueVector_head(c.input<ComplexMatrix>(2, 2, bad), 1, 0, w, z, e);
        }),
    };
}

ORIN_ALLOCATION_CASE(CxEigenCores, 5) {
    // CxGenEigenVectorValue with and without vectors: one carved block each;
    // HermEvectorEvalue: one; CxEigenValueVector type 1: the real values,
    // then the Hermitian routine's block.
    const CMat a = cxtest::randomCx(3, 3, 4800), h = hermitian(3, 4801);
    CMat w(3), v(9), w2(3), hv(9), dw(3), dv(9);
    std::vector<double> hw(3);
    int32_t codes[4] = {-1, -1, -1, -1};
    inj.call([&] {
        codes[0] = CxGenEigenVectorValue(a.data(), 3, 1, w.data(), v.data());
        codes[1] = CxGenEigenVectorValue(a.data(), 3, 0, w2.data(), nullptr);
        codes[2] = HermEvectorEvalue(h.data(), 3, 1, hv.data(), hw.data());
        codes[3] = CxEigenValueVector(h.data(), 3, 1, 1, dw.data(), dv.data());
        return 0;
    });
    const int64_t s = inj.site();
    const int failed = !inj.failing() ? -1 : s <= 3 ? int(s - 1) : 3;
    for (int k = 0; k < 4; ++k) EXPECT_EQ(codes[k], k == failed ? kErrOutOfMemory : 0) << k;
    if (failed != 0) {
        EXPECT_LT(cxtest::eigenResidual(a, 3, toL(w), v), kBound);
    }
    if (failed != 3) {
        EXPECT_LT(cxtest::eigenResidual(h, 3, toL(dw), dv), kBound);
    }
}

ORIN_ALLOCATION_CASE(CxEigenHandle, 4) {
    // values and vectors resized, the real values, the Hermitian block.
    const CMat h = hermitian(3, 4900);
    orintest::ComplexMatrixHandle A(3, 3, h), Z(0, 0, {});
    orintest::ComplexHandle W;
    int32_t error = -1;
    const MgErr status = inj.call([&] { return CxEigenValueVector_head(A, 1, 1, W, Z, &error); });
    EXPECT_EQ(error, inj.failing() ? kErrOutOfMemory : 0);
    EXPECT_EQ(status != 0, inj.site() == 1 || inj.site() == 2);
    EXPECT_EQ(W.emptied() && Z.emptied(), inj.failing());
    if (!inj.failing()) {
        EXPECT_LT(cxtest::eigenResidual(h, 3, toL(W.values()), Z.values()), kBound);
    }
}

TEST(CxEigen, ScaledMatricesNeitherOverflowNorUnderflow) {
    // 2^k A has the eigenvalues 2^k lambda and the same eigenvectors; at
    // k = +-900 squares of entries would overflow or underflow.
    const int n = 6;
    const CMat a = cxtest::randomCx(n, n, 5000), h = hermitian(n, 5001);
    CMat w(n), v(size_t(n) * n);
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
        for (const complexnum &z : w) scaled.push_back(LCx(z.re, z.im) * (long double)s);
        for (double x : hw) hermScaled.push_back((long double)x * s);
        EXPECT_TRUE(cxtest::matchWithin(toL(ws), scaled, kBound * n * kEps * cxtest::normInf(as, n, n)));
        EXPECT_TRUE(cxtest::matchWithin(toL(hws), hermScaled, kBound * n * kEps * cxtest::normInf(hs, n, n)));
        EXPECT_LT(cxtest::eigenResidual(as, n, toL(ws), vs), kBound);
        EXPECT_LT(cxtest::eigenResidual(hs, n, toL(hws), hv), kBound);
        expectUnitColumns(vs, n);
    }
}
