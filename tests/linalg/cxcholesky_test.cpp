// Complex packed storage, the Hermitian Cholesky factor by its residual,
// packed solves and inverses in both triangles, the definiteness test
// against Sylvester's criterion, and determinants against the Leibniz sum
// and long-double elimination.
#include <orin/linalg.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numeric>
#include <ostream>
#include <utility>
#include <vector>

#include "cx_reference.h"
#include "support/allocation_failure.h"
#include "support/contract.h"
#include "support/handles.h"
#include "support/reference.h"

// Exact comparison and printing of complex elements for the checks below
// (file-local: the suites share one executable).
static bool operator==(complexnum a, complexnum b) { return a.re == b.re && a.im == b.im; }
static void PrintTo(complexnum z, std::ostream *os) { *os << "(" << z.re << ", " << z.im << ")"; }

using cxtest::at;
using cxtest::CMat;
using cxtest::LMat;
using orintest::kEps;
using orintest::LCx;

namespace {

// A backward-stable method keeps every ratio at O(1); the suites accept < 30.
constexpr double kBound = 30.0;

CMat pack(const CMat &a, int n, int mode) {
    CMat p(size_t(n) * (n + 1) / 2, complexnum{-7, -7});
    EXPECT_EQ(CxMatrix_to_Compact(a.data(), n, mode, p.data()), 0);
    return p;
}

CMat unpack(const CMat &p, int n, int mode) {
    CMat a(size_t(n) * n, complexnum{-7, -7});
    EXPECT_EQ(CxCompact_to_Matrix(p.data(), n, mode, a.data()), 0);
    return a;
}

// The matrix with the triangle other than the selected one zeroed.
CMat triangle(const CMat &a, int n, bool lower) {
    CMat t = a;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            if (lower ? j > i : j < i) t[size_t(i) * n + j] = {0, 0};
    return t;
}

// Determinant by the Leibniz sum over all n! permutations, in long double.
LCx leibniz(const CMat &a, int n) {
    std::vector<int> p(n);
    std::iota(p.begin(), p.end(), 0);
    LCx sum = 0;
    do {
        int inversions = 0;
        for (int i = 0; i < n; ++i)
            for (int j = i + 1; j < n; ++j) inversions += p[i] > p[j];
        LCx term = inversions % 2 ? -1.0L : 1.0L;
        for (int i = 0; i < n; ++i) term *= at(a, size_t(i) * n + p[i]);
        sum += term;
    } while (std::next_permutation(p.begin(), p.end()));
    return sum;
}

// The determinant by long-double Gauss-Jordan and kappa = ||A|| ||A^-1||.
std::pair<LCx, long double> detAndKappa(const CMat &a, int n) {
    LCx det;
    const LMat inv = cxtest::inverseL(a, n, &det);
    return {det, cxtest::normInf(a, n, n) * cxtest::normInf(inv, n, n)};
}

// |got - want| / |want| within 30 n^2 kappa eps: the factorisation is exact
// for A + dA with ||dA|| <= c n eps ||A||, and |d det / det| = |tr(A^-1 dA)|
// <= n ||A^-1|| ||dA||.
void expectDeterminant(complexnum got, LCx want, long double kappa, int n, const char *what) {
    const long double err = std::abs(LCx(got.re, got.im) - want) / std::abs(want);
    EXPECT_LT(err, 30.0L * n * n * kappa * kEps) << what << " n=" << n << " got " << got.re << "," << got.im;
}

}  // namespace

TEST(CxPacked, LayoutsRoundTripsAndConjugateMirror) {
    CMat a(9);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) a[size_t(i) * 3 + j] = {10.0 * i + j, 1.0 + i - 2.0 * j};
    auto z = [&](int i, int j) { return a[size_t(i) * 3 + j]; };
    EXPECT_EQ(pack(a, 3, 0), (CMat{z(0, 0), z(1, 0), z(2, 0), z(1, 1), z(2, 1), z(2, 2)}));
    EXPECT_EQ(pack(a, 3, 2), pack(a, 3, 0));
    EXPECT_EQ(pack(a, 3, 1), (CMat{z(0, 0), z(0, 1), z(1, 1), z(0, 2), z(1, 2), z(2, 2)}));
    const complexnum o{0, 0};
    EXPECT_EQ(unpack(pack(a, 3, 0), 3, 0), (CMat{z(0, 0), o, o, z(1, 0), z(1, 1), o, z(2, 0), z(2, 1), z(2, 2)}));
    EXPECT_EQ(unpack(pack(a, 3, 1), 3, 1), (CMat{z(0, 0), z(0, 1), z(0, 2), o, z(1, 1), z(1, 2), o, o, z(2, 2)}));
    // Mode 2 mirrors the lower triangle with conjugates into the upper one.
    const CMat h = unpack(pack(a, 3, 2), 3, 2);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            const complexnum lower = z(std::max(i, j), std::min(i, j));
            const complexnum want = i >= j ? lower : complexnum{lower.re, -lower.im};
            EXPECT_EQ(h[size_t(i) * 3 + j], want) << i << "," << j;
        }
    // Every mode: unpacking then packing gives back any packed array, and a
    // Hermitian matrix survives packing in mode 2 and unpacking.
    for (int n : {1, 6}) {
        const CMat p = cxtest::randomCx(1, n * (n + 1) / 2, 700 + n);
        for (int mode : {0, 1, 2}) EXPECT_EQ(pack(unpack(p, n, mode), n, mode), p) << n << " mode " << mode;
        const CMat herm = cxtest::hermitianPositive(n, 710 + n);
        EXPECT_EQ(unpack(pack(herm, n, 2), n, 2), herm) << n;
    }
    CMat untouched(9, complexnum{5, 5});  // an unknown mode is refused and writes nothing
    EXPECT_EQ(CxMatrix_to_Compact(a.data(), 3, 3, untouched.data()), kErrInvalidSelector);
    EXPECT_EQ(CxCompact_to_Matrix(a.data(), 3, -1, untouched.data()), kErrInvalidSelector);
    EXPECT_EQ(CxCompact_to_Matrix(a.data(), 0, 0, untouched.data()), kErrEmptyArray);
    EXPECT_EQ(untouched, CMat(9, complexnum{5, 5}));
}

TEST(CxCholesky, FactorSolveAndInverseOfHermitianPositiveMatrices) {
    // Hand case: [[4, 2+2i], [2-2i, 6]] = L L^H with L = [[2, 0], [1-i, 2]].
    CMat small = {{4, 0}, {2, -2}, {6, 0}};
    ASSERT_EQ(CxCholesky(small.data(), 2), 0);
    EXPECT_EQ(small, (CMat{{2, 0}, {1, -1}, {2, 0}}));
    for (int n : {1, 7, 40}) {
        SCOPED_TRACE(n);
        const CMat a = cxtest::hermitianPositive(n, 800 + n);
        CMat p = pack(a, n, 2);
        ASSERT_EQ(CxCholesky(p.data(), n), 0);
        const CMat l = unpack(p, n, 0);
        for (int i = 0; i < n; ++i) EXPECT_EQ(l[size_t(i) * n + i].im, 0.0) << "real diagonal";
        EXPECT_LT(cxtest::reconstructionRatio(a, cxtest::productL(l, cxtest::adjoint(l, n, n), n, n, n), n, n), kBound);
        const CMat b = cxtest::randomCx(n, 1, 810 + n);
        CMat x(n);
        ASSERT_EQ(CxCholeskyLinEqs(p.data(), b.data(), n, x.data()), 0);
        EXPECT_LT(cxtest::residualRatio(a, x, b, n, n), kBound);
        CMat inPlace = b;
        ASSERT_EQ(CxCholeskyLinEqs(p.data(), inPlace.data(), n, inPlace.data()), 0);
        EXPECT_EQ(inPlace, x);
        CMat inv(p.size());
        ASSERT_EQ(CxCholesky_InvMatrix(p.data(), n, inv.data()), 0);
        EXPECT_LT(cxtest::residualRatio(a, unpack(inv, n, 2), cxtest::identityCx(n), n, n, n), kBound);
        ASSERT_EQ(CxCholesky_InvMatrix(p.data(), n, p.data()), 0);  // in place
        EXPECT_EQ(p, inv);
        for (int i = 0; i < n; ++i) EXPECT_EQ(inv[size_t(i) * (2 * n - i + 1) / 2].im, 0.0) << "Hermitian diagonal";
    }
}

TEST(CxCholesky, RejectsIndefiniteNaNAndTinyDiagonals) {
    // [[1, 2i], [-2i, 1]] has eigenvalues -1 and 3 (its real part is the
    // identity): the second diagonal 1 - |2i|^2 = -3 is not positive.
    CMat indefinite = {{1, 0}, {0, -2}, {1, 0}};
    EXPECT_EQ(CxCholesky(indefinite.data(), 2), kErrSingularMatrix);
    for (const CMat &bad : {CMat{{-1, 0}, {0, 0}, {1, 0}}, CMat{{std::nan(""), 0}, {0, 0}, {1, 0}},
                            CMat{{1, 0}, {std::nan(""), 0}, {1, 0}}}) {
        CMat p = bad;
        EXPECT_EQ(CxCholesky(p.data(), 2), kErrSingularMatrix) << bad[0].re << " " << bad[1].re;
    }
    // sqrt(1e-20) = 1e-10 lies below sqrt(2^-63) ~ 3.3e-10 of the largest
    // entry (1); sqrt(1e-18) = 1e-9 does not.
    CMat nearly = {{1, 0}, {0, 0}, {1e-20, 0}}, ok = {{1, 0}, {0, 0}, {1e-18, 0}};
    EXPECT_EQ(CxCholesky(nearly.data(), 2), kErrSingularMatrix);
    EXPECT_EQ(CxCholesky(ok.data(), 2), 0);
    // The imaginary part of a diagonal (0 in a Hermitian matrix) is not
    // read: L(1, 1) = sqrt(2.75 - |0.5 + 0.5i|^2) = 1.5.
    CMat complexOff = {{1, 5}, {0.5, 0.5}, {2.75, -9}};
    ASSERT_EQ(CxCholesky(complexOff.data(), 2), 0);
    EXPECT_EQ(complexOff, (CMat{{1, 0}, {0.5, 0.5}, {1.5, 0}}));
    EXPECT_EQ(CxCholesky(complexOff.data(), 0), kErrEmptyArray);
    // The floor follows the largest modulus of L, here the purely imaginary
    // L(1, 0) = 2^32 i: L(0, 0) = 1 lies below 2^32 sqrt(2^-63) ~ 1.41,
    // although L(1, 1) = sqrt(2^13) is not small.
    CMat imaginaryGrowth = {{1, 0}, {0, std::ldexp(1.0, 32)}, {std::ldexp(1.0, 64) + std::ldexp(1.0, 13), 0}};
    EXPECT_EQ(CxCholesky(imaginaryGrowth.data(), 2), kErrSingularMatrix);
}

// The solve takes any lower factor with A = L L^H, a complex diagonal included.
TEST(CxCholesky, SolvesWithAFactorOfComplexDiagonal) {
    const int n = 6;
    CMat l = triangle(cxtest::randomCx(n, n, 850), n, true);
    for (int i = 0; i < n; ++i) l[size_t(i) * n + i] = {1.5 + 0.1 * i, 1.0 - 0.3 * i};
    const CMat a = cxtest::product(l, cxtest::adjoint(l, n, n), n, n, n), b = cxtest::randomCx(n, 1, 851);
    CMat x(n);
    ASSERT_EQ(CxCholeskyLinEqs(pack(l, n, 0).data(), b.data(), n, x.data()), 0);
    EXPECT_LT(cxtest::residualRatio(a, x, b, n, n), kBound);
}

TEST(CxTriangular, SolvesAndInversesInBothLayouts) {
    const int n = 9;
    CMat a = cxtest::randomCx(n, n, 900);
    for (int i = 0; i < n; ++i) a[size_t(i) * n + i].re += 2, a[size_t(i) * n + i].im -= 2;
    for (int tri : {0, 1}) {
        SCOPED_TRACE(tri);
        const CMat p = pack(a, n, tri), t = triangle(a, n, tri == 0), b = cxtest::randomCx(n, 1, 901);
        EXPECT_EQ(unpack(p, n, tri), t);
        CMat x = b, inv(p.size());
        ASSERT_EQ(CxTriLinEqs(p.data(), x.data(), n, tri, x.data()), 0);
        EXPECT_LT(cxtest::residualRatio(t, x, b, n, n), kBound);
        ASSERT_EQ(CxTri_InvMatrix(p.data(), n, tri, inv.data()), 0);
        EXPECT_LT(cxtest::residualRatio(t, unpack(inv, n, tri), cxtest::identityCx(n), n, n, n), kBound);
        CMat self = p;
        ASSERT_EQ(CxTri_InvMatrix(self.data(), n, tri, self.data()), 0);
        EXPECT_EQ(self, inv);
    }
    // The triangle code first, then the size, then each diagonal's modulus
    // against 2^-63 of the largest packed modulus (|3 + 4i| = 5 here).
    CMat p = {{3, 4}, {0, 0}, {0, 1e-19}};
    complexnum x[2] = {{1, 0}, {1, 0}};
    EXPECT_EQ(CxTriLinEqs(p.data(), x, 0, 2, x), kErrInvalidSelector);
    EXPECT_EQ(CxTri_InvMatrix(p.data(), 0, -1, p.data()), kErrInvalidSelector);
    EXPECT_EQ(CxTriLinEqs(p.data(), x, 0, 0, x), kErrEmptyArray);
    EXPECT_EQ(CxTriLinEqs(p.data(), x, 2, 0, x), kErrSingularMatrix);  // 1e-19 <= 5 * 2^-63
    p[2] = {0, std::ldexp(1.0, -56)};  // purely imaginary, its modulus above the floor
    EXPECT_EQ(CxTriLinEqs(p.data(), x, 2, 0, x), 0);
    EXPECT_EQ(x[1], (complexnum{0, -std::ldexp(1.0, 56)}));
    p[2] = {std::nan(""), 0};
    EXPECT_EQ(CxTri_InvMatrix(p.data(), 2, 0, p.data()), kErrSingularMatrix);
    // The diagonal sits at 0, 2, 5 in the upper layout, at 0, 3, 5 in the
    // lower one.
    const CMat u = {{1, 0}, {7, 0}, {0, 0}, {7, 0}, {7, 0}, {1, 0}};
    CMat out(6);
    EXPECT_EQ(CxTri_InvMatrix(u.data(), 3, 1, out.data()), kErrSingularMatrix);
    EXPECT_EQ(CxTri_InvMatrix(u.data(), 3, 0, out.data()), 0);
}

TEST(CxCheckPosdef, DecidesByHermitianSymmetryAndEigenvalues) {
    int32_t result = -1;
    for (int n : {1, 12}) {
        CMat a = cxtest::hermitianPositive(n, 1000 + n);
        ASSERT_EQ(CxCheckPosdef(a.data(), n, &result), 0);
        EXPECT_EQ(result, 1) << n;
        if (n < 3) continue;
        // One ulp off in one conjugate pair, in either part.
        for (bool imag : {false, true}) {
            CMat off = a;
            double &v = imag ? off[1 * n + 2].im : off[1 * n + 2].re;
            v = std::nextafter(v, INFINITY);
            result = -1;
            ASSERT_EQ(CxCheckPosdef(off.data(), n, &result), 0);
            EXPECT_EQ(result, 0) << n << (imag ? " imaginary" : " real");
        }
        CMat nonReal = a;
        nonReal[size_t(n) + 1].im = 1e-300;
        result = -1;
        ASSERT_EQ(CxCheckPosdef(nonReal.data(), n, &result), 0);
        EXPECT_EQ(result, 0) << "non-real diagonal";
        // A non-finite diagonal entry, or conjugate pair, is not definite.
        for (double bad : {std::nan(""), double(INFINITY)})
            for (bool pair : {false, true}) {
                CMat b = a;
                if (pair) b[1] = b[size_t(n)] = {bad, 0};
                else b[size_t(n) + 1] = {bad, 0};
                result = -1;
                ASSERT_EQ(CxCheckPosdef(b.data(), n, &result), 0);
                EXPECT_EQ(result, 0) << bad << (pair ? " off-diagonal pair" : " diagonal");
            }
    }
    const CMat indefinite = {{1, 0}, {0, 1.5}, {0, -1.5}, {1, 0}};
    // Eigenvalues 1 and t: t = 0 is semidefinite, t = 1e-20 lies below
    // 2^-63 ~ 1.08e-19 of the largest, t = 1e-18 does not.
    for (double t : {0.0, 1e-20, 1e-18}) {
        const CMat d = {{1, 0}, {0, 0}, {0, 0}, {t, 0}};
        result = -1;
        ASSERT_EQ(CxCheckPosdef(d.data(), 2, &result), 0);
        EXPECT_EQ(result, t > 1e-19 ? 1 : 0) << t;
    }
    EXPECT_EQ(CxCheckPosdef(indefinite.data(), 0, &result), kErrEmptyArray);
    EXPECT_EQ(result, 0);
}

// Sylvester's criterion: a Hermitian matrix is positive definite exactly when
// its leading principal minors (Leibniz sums in long double) are positive.
// Matrices with a minor below 1e-6 are skipped: with entries of order 1 every
// eigenvalue is then at least about 1e-7 from 0, far beyond rounding.
TEST(CxCheckPosdef, AgreesWithSylvesterOnRandomHermitianMatrices) {
    int decided[2] = {0, 0};
    for (uint64_t seed = 0; seed < 300; ++seed) {
        const int n = 2 + int(seed % 3);
        const std::vector<double> r = orintest::randomDoubles(size_t(2 * n * n), 1200 + seed);
        CMat a(size_t(n) * n);
        for (int i = 0; i < n; ++i) {
            a[size_t(i) * n + i] = {1.0 + r[size_t(i) * n + i], 0};
            for (int j = 0; j < i; ++j) {
                const complexnum z = {0.8 * r[size_t(i) * n + j], 0.8 * r[size_t(n * n) + size_t(i) * n + j]};
                a[size_t(i) * n + j] = z;
                a[size_t(j) * n + i] = {z.re, -z.im};
            }
        }
        bool positive = true, clear = true;
        for (int k = 1; k <= n; ++k) {
            CMat lead(size_t(k) * k);
            for (int i = 0; i < k; ++i)
                for (int j = 0; j < k; ++j) lead[size_t(i) * k + j] = a[size_t(i) * n + j];
            const LCx minor = leibniz(lead, k);
            clear = clear && std::fabs(minor.real()) > 1e-6L;
            positive = positive && minor.real() > 0;
        }
        if (!clear) continue;
        int32_t result = -1;
        ASSERT_EQ(CxCheckPosdef(a.data(), n, &result), 0);
        EXPECT_EQ(result, positive ? 1 : 0) << "seed " << seed;
        ++decided[positive];
    }
    EXPECT_GT(decided[0], 30);  // both answers well represented
    EXPECT_GT(decided[1], 30);
}

TEST(CxDeterminant, MatchesLeibnizAndLongDoubleElimination) {
    for (int n : {1, 3, 5, 30}) {
        const CMat a = cxtest::randomCx(n, n, 1300 + n);
        const auto [elimination, kappa] = detAndKappa(a, n);
        const LCx want = n <= 5 ? leibniz(a, n) : elimination;
        complexnum det{0, 0};
        ASSERT_EQ(CxDeterminant(a.data(), n, 0, &det), 0);
        expectDeterminant(det, want, kappa, n, "general");
        // Triangular types: the product of the diagonal of a triangle, in
        // extended precision (kappa 1: no elimination error).
        for (int type : {2, 3}) {
            if (n > 5) break;
            const CMat t = triangle(a, n, type == 2);
            ASSERT_EQ(CxDeterminant(t.data(), n, type, &det), 0);
            expectDeterminant(det, leibniz(t, n), 1, n, "triangular");
        }
        const CMat h = cxtest::hermitianPositive(n, 1400 + n);
        const auto [hDet, hKappa] = detAndKappa(h, n);
        ASSERT_EQ(CxDeterminant(h.data(), n, 1, &det), 0);
        EXPECT_EQ(det.im, 0.0);
        expectDeterminant(det, n <= 5 ? leibniz(h, n) : hDet, hKappa, n, "Hermitian positive definite");
    }
}

TEST(CxDeterminant, SignsSingularNaNAndSelectors) {
    complexnum det{0, 0};
    const CMat swap = {{0, 0}, {1, 0}, {1, 0}, {0, 0}};
    const CMat iswap = {{0, 0}, {0, 1}, {0, 1}, {0, 0}};  // 0 - i i = 1, after a row exchange
    ASSERT_EQ(CxDeterminant(iswap.data(), 2, 0, &det), 0);
    EXPECT_EQ(det, (complexnum{1, 0}));
    // Equal rows, a zero row, and an indefinite matrix given as type 1 are
    // singular for their factorisations: 0 with success.
    const CMat equalRows = {{1, 2}, {3, -1}, {1, 2}, {3, -1}}, zeroRow = {{0, 0}, {0, 0}, {1, 1}, {2, 2}};
    const CMat indefinite = {{1, 0}, {0, 1.5}, {0, -1.5}, {1, 0}};
    for (auto [m, type] : {std::pair{&equalRows, 0}, std::pair{&zeroRow, 0}, std::pair{&indefinite, 1}}) {
        det = {5, 5};
        ASSERT_EQ(CxDeterminant(m->data(), 2, type, &det), 0);
        EXPECT_EQ(det, (complexnum{0, 0})) << type;
    }
    for (int type : {0, 1, 2}) {
        CMat nan = cxtest::hermitianPositive(3, 1500);
        nan[4] = {std::nan(""), 0};
        det = {5, 5};
        ASSERT_EQ(CxDeterminant(nan.data(), 3, type, &det), 0);
        EXPECT_TRUE(std::isnan(det.re) && std::isnan(det.im)) << type;
    }
    for (int type : {-1, 4}) {
        det = {5, 5};
        EXPECT_EQ(CxDeterminant(swap.data(), 2, type, &det), kErrInvalidSelector);
        EXPECT_TRUE(cxtest::bothIDNaN(det));
    }
    det = {5, 5};
    EXPECT_EQ(CxDeterminant(swap.data(), 0, 0, &det), kErrEmptyArray);
    EXPECT_TRUE(cxtest::bothIDNaN(det));
}

TEST(CxCholeskyHandles, PackFactorSolveInvertAndDecide) {
    const int n = 5;
    const CMat a = cxtest::hermitianPositive(n, 1600), b = cxtest::randomCx(n, 1, 1601);
    orintest::ComplexMatrixHandle A(n, n, a), back(0, 0, {});
    orintest::ComplexHandle P, X(b), inv;
    int32_t error = -1, result = -1;
    ASSERT_EQ(CxMatrix_to_Compact_head(A, 2, P, &error), 0);
    ASSERT_EQ(error, 0);
    ASSERT_EQ(P.size(), n * (n + 1) / 2);
    ASSERT_EQ(CxCompact_to_Matrix_head(P, 2, back, &error), 0);
    ASSERT_EQ(error, 0);
    EXPECT_TRUE(back.rows() == n && back.cols() == n && back.values() == a);
    ASSERT_EQ(CxCholesky_head(P, &error), 0);
    ASSERT_EQ(error, 0);
    ASSERT_EQ(CxCholeskyLinEqs_head(P, X, &error), 0);
    ASSERT_EQ(error, 0);
    EXPECT_LT(cxtest::residualRatio(a, X.values(), b, n, n), kBound);
    const CMat l = unpack(P.values(), n, 0);
    orintest::ComplexHandle L(P.values()), y(b);
    ASSERT_EQ(CxCholesky_InvMatrix_head(P, &error), 0);
    ASSERT_EQ(error, 0);
    EXPECT_LT(cxtest::residualRatio(a, unpack(P.values(), n, 2), cxtest::identityCx(n), n, n, n), kBound);
    ASSERT_EQ(CxTriLinEqs_head(L, 0, y, &error), 0);  // y = L^-1 b
    ASSERT_EQ(error, 0);
    EXPECT_LT(cxtest::residualRatio(l, y.values(), b, n, n), kBound);
    ASSERT_EQ(CxTri_InvMatrix_head(L, 0, &error), 0);
    ASSERT_EQ(error, 0);
    EXPECT_LT(cxtest::residualRatio(l, unpack(L.values(), n, 0), cxtest::identityCx(n), n, n, n), kBound);
    ASSERT_EQ(CxCheckPosdef_head(A, &result, &error), 0);
    EXPECT_EQ(error, 0);
    EXPECT_EQ(result, 1);
    complexnum det{0, 0};
    ASSERT_EQ(CxDeterminant_head(A, 1, &det, &error), 0);
    EXPECT_EQ(error, 0);
    expectDeterminant(det, leibniz(a, n), detAndKappa(a, n).second, n, "handle");
}

ORIN_CONTRACT_TABLE(CxPackedCholeskyEntryPoints) {
    using orintest::Contract;
    using orintest::errorRow;
    const std::vector<complexnum> three(3, complexnum{1, 0}), four(4, complexnum{1, 0});
    const std::vector<complexnum> indefinite = {{1, 0}, {2, 0}, {1, 0}}, singularTri = {{1, 0}, {0, 0}, {0, 0}};
    auto detRow = [](const char *name, int32_t code, int32_t rows, int32_t cols, std::vector<complexnum> v, int32_t type) {
        return errorRow(name, code, [=](Contract &c, int32_t *e) {
            complexnum det{1, 1};
            const MgErr ret = CxDeterminant_head(c.input<ComplexMatrix>(rows, cols, v), type, &det, e);
            EXPECT_TRUE(cxtest::bothIDNaN(det));
            return ret;
        });
    };
    auto posdefRow = [](const char *name, int32_t code, int32_t rows, int32_t cols, std::vector<complexnum> v) {
        return errorRow(name, code, [=](Contract &c, int32_t *e) {
            int32_t result = 1;
            const MgErr ret = CxCheckPosdef_head(c.input<ComplexMatrix>(rows, cols, v), &result, e);
            EXPECT_EQ(result, 0);
            return ret;
        });
    };
    return {
        errorRow("CxCholesky_head empty", kErrEmptyArray, [](Contract &c, int32_t *e) { return CxCholesky_head(c.output<ComplexArray>(std::vector<complexnum>{}), e); }),
        errorRow("CxCholesky_head length 4", kErrNotSquare, [four](Contract &c, int32_t *e) { return CxCholesky_head(c.output<ComplexArray>(four), e); }),
        errorRow("CxCholesky_head indefinite", kErrSingularMatrix, [indefinite](Contract &c, int32_t *e) { return CxCholesky_head(c.output<ComplexArray>(indefinite), e); }),
        errorRow("CxCholeskyLinEqs_head b", kErrArraySizeMismatch, [three](Contract &c, int32_t *e) { return CxCholeskyLinEqs_head(c.input<ComplexArray>(three), c.output<ComplexArray>(three), e); }),
        errorRow("CxCholeskyLinEqs_head length 2", kErrNotSquare, [three](Contract &c, int32_t *e) { return CxCholeskyLinEqs_head(c.input<ComplexArray>({{1, 0}, {1, 0}}), c.output<ComplexArray>(three), e); }),
        errorRow("CxCholesky_InvMatrix_head empty", kErrEmptyArray, [](Contract &c, int32_t *e) { return CxCholesky_InvMatrix_head(c.output<ComplexArray>(std::vector<complexnum>{}), e); }),
        errorRow("CxTriLinEqs_head triangle", kErrInvalidSelector, [three](Contract &c, int32_t *e) { return CxTriLinEqs_head(c.input<ComplexArray>(three), 2, c.output<ComplexArray>(std::vector<complexnum>{{1, 0}, {1, 0}}), e); }),
        errorRow("CxTriLinEqs_head b", kErrArraySizeMismatch, [three](Contract &c, int32_t *e) { return CxTriLinEqs_head(c.input<ComplexArray>(three), 0, c.output<ComplexArray>(three), e); }),
        errorRow("CxTriLinEqs_head singular", kErrSingularMatrix, [singularTri](Contract &c, int32_t *e) { return CxTriLinEqs_head(c.input<ComplexArray>(singularTri), 1, c.output<ComplexArray>(std::vector<complexnum>{{1, 0}, {1, 0}}), e); }),
        errorRow("CxTri_InvMatrix_head triangle", kErrInvalidSelector, [three](Contract &c, int32_t *e) { return CxTri_InvMatrix_head(c.output<ComplexArray>(three), -1, e); }),
        errorRow("CxTri_InvMatrix_head singular", kErrSingularMatrix, [singularTri](Contract &c, int32_t *e) { return CxTri_InvMatrix_head(c.output<ComplexArray>(singularTri), 0, e); }),
        errorRow("CxMatrix_to_Compact_head not square", kErrNotSquare, [three](Contract &c, int32_t *e) { return CxMatrix_to_Compact_head(c.input<ComplexMatrix>(1, 3, three), 0, c.output<ComplexArray>(three), e); }),
        errorRow("CxMatrix_to_Compact_head empty", kErrEmptyArray, [three](Contract &c, int32_t *e) { return CxMatrix_to_Compact_head(c.input<ComplexMatrix>(0, 0, {}), 0, c.output<ComplexArray>(three), e); }),
        errorRow("CxMatrix_to_Compact_head mode", kErrInvalidSelector, [four, three](Contract &c, int32_t *e) { return CxMatrix_to_Compact_head(c.input<ComplexMatrix>(2, 2, four), 3, c.output<ComplexArray>(three), e); }),
        errorRow("CxCompact_to_Matrix_head length 5", kErrNotSquare, [four](Contract &c, int32_t *e) { return CxCompact_to_Matrix_head(c.input<ComplexArray>(std::vector<complexnum>(5, complexnum{1, 0})), 0, c.output<ComplexMatrix>(2, 2, four), e); }),
        errorRow("CxCompact_to_Matrix_head mode", kErrInvalidSelector, [three, four](Contract &c, int32_t *e) { return CxCompact_to_Matrix_head(c.input<ComplexArray>(three), -1, c.output<ComplexMatrix>(2, 2, four), e); }),
        posdefRow("CxCheckPosdef_head not square", kErrNotSquare, 1, 3, three),
        posdefRow("CxCheckPosdef_head empty", kErrEmptyArray, 0, 3, {}),
        detRow("CxDeterminant_head not square", kErrNotSquare, 3, 1, three, 0),
        detRow("CxDeterminant_head empty", kErrEmptyArray, 0, 0, {}, 0),
        detRow("CxDeterminant_head type", kErrInvalidSelector, 2, 2, four, 4),
    };
}

// Cholesky's accumulator only makes the column access contiguous: refused,
// the same sums are formed directly (the same factor, bit for bit). Every
// other site fails with -20001 and leaves its output as documented.
ORIN_ALLOCATION_CASE(CxCholeskyFamily, 10) {
    // Sites: CxCholesky accumulator (falls back); CxCholesky_InvMatrix
    // column; CxCheckPosdef values, embedding, eigen work; CxDeterminant 0:
    // copy, permutation, CxLU's scales; 1: packed, (accumulator).
    const int n = 4;
    const CMat a = cxtest::hermitianPositive(n, 1700);
    CMat p = pack(a, n, 2), inv(p.size());
    complexnum d0{0, 0}, d1{0, 0};
    int32_t result = -1;
    int32_t codes[5] = {-1, -1, -1, -1, -1};
    inj.call([&] {
        codes[0] = CxCholesky(p.data(), n);
        codes[1] = CxCholesky_InvMatrix(p.data(), n, inv.data());
        codes[2] = CxCheckPosdef(a.data(), n, &result);
        codes[3] = CxDeterminant(a.data(), n, 0, &d0);
        codes[4] = CxDeterminant(a.data(), n, 1, &d1);
        return 0;
    });
    const int64_t s = inj.site();
    // The call that met the failing allocation (-1: none or a fallback).
    const int failed = !inj.failing() || s == 1 || s == 10 ? -1 : s == 2 ? 1 : s <= 5 ? 2 : s <= 8 ? 3 : 4;
    for (int k = 0; k < 5; ++k) EXPECT_EQ(codes[k], k == failed ? kErrOutOfMemory : 0) << "call " << k << " site " << s;
    const CMat l = unpack(p, n, 0);
    EXPECT_LT(cxtest::reconstructionRatio(a, cxtest::productL(l, cxtest::adjoint(l, n, n), n, n, n), n, n), kBound);
    EXPECT_EQ(result, failed == 2 ? 0 : 1);
    const LCx want = leibniz(a, n);
    const long double kappa = detAndKappa(a, n).second;
    if (failed == 3) {
        EXPECT_TRUE(cxtest::bothIDNaN(d0));
    } else {
        expectDeterminant(d0, want, kappa, n, "general");
    }
    if (failed == 4) {
        EXPECT_TRUE(cxtest::bothIDNaN(d1));
    } else {
        expectDeterminant(d1, want, kappa, n, "Hermitian");
    }
    if (failed != 1) {
        EXPECT_LT(cxtest::residualRatio(a, unpack(inv, n, 2), cxtest::identityCx(n), n, n, n), kBound);
    }
}

ORIN_ALLOCATION_CASE(CxPackingHandleResizes, 2) {
    const CMat a = cxtest::hermitianPositive(3, 1800);
    orintest::ComplexMatrixHandle A(3, 3, a), back(1, 1, {{9, 9}});
    orintest::ComplexHandle P;
    int32_t e[2] = {-1, -1};
    MgErr ret[2] = {0, 0};
    inj.call([&] {
        ret[0] = CxMatrix_to_Compact_head(A, 2, P, &e[0]);
        ret[1] = CxCompact_to_Matrix_head(P, 2, back, &e[1]);
        return 0;
    });
    const int64_t s = inj.site();
    EXPECT_EQ(e[0], s == 1 ? kErrOutOfMemory : 0);
    EXPECT_EQ(ret[0] != 0, s == 1) << "the host's status is returned";
    EXPECT_EQ(P.emptied(), s == 1);
    if (s == 1) {
        EXPECT_EQ(e[1], kErrEmptyArray);  // the emptied packed array fed onward
    } else {
        EXPECT_EQ(e[1], s == 2 ? kErrOutOfMemory : 0);
        EXPECT_EQ(ret[1] != 0, s == 2);
    }
    EXPECT_EQ(back.emptied(), inj.failing());
    if (!inj.failing()) {
        EXPECT_EQ(back.values(), a);
    }
}
