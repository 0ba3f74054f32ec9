// Complex packed storage, the Hermitian Cholesky factor by its residual,
// packed solves and inverses in both triangles, the definiteness test
// against Sylvester's criterion, and determinants against the Leibniz sum
// and long-double elimination.
#include <orin/linalg.h>

#include "support/prelude.h"

#include <numeric>
#include <ostream>

#include "cx_reference.h"

// Exact comparison and printing of complex elements for the checks below
// (file-local: the suites share one executable).
static bool operator==(complexnum a, complexnum b) { return a.re == b.re && a.im == b.im; }
static void PrintTo(complexnum z, std::ostream *os) { *os << "(" << z.re << ", " << z.im << ")"; }

using namespace cxtest;

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
CMat triangle(CMat t, int n, bool lower) {
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            if (lower ? j > i : j < i) t[size_t(i) * n + j] = {0, 0};
    return t;
}

// ||A X - I|| for the packed inverse X of A (mode 2 Hermitian, else the triangle).
double inverseRatio(const CMat &a, const CMat &packedInv, int n, int mode) {
    return residualRatio(a, unpack(packedInv, n, mode), identityCx(n), n, n, n);
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

// |got - want| / |want| within 30 n^2 kappa eps, kappa = ||A|| ||A^-1||: the
// factorisation is exact for A + dA with ||dA|| <= c n eps ||A||, and
// |d det / det| = |tr(A^-1 dA)| <= n ||A^-1|| ||dA||. The reference is the
// Leibniz sum up to n = 5, long-double elimination beyond.
void expectDeterminant(complexnum got, const CMat &a, int n, const char *what, bool exact = false) {
    LCx det;
    const long double kappa = exact ? 1 : normInf(a, n, n) * normInf(inverseL(a, n, &det), n, n);
    const LCx want = n <= 5 ? leibniz(a, n) : det;
    const long double err = std::abs(LCx(got.re, got.im) - want) / std::abs(want);
    EXPECT_LT(err, 30.0L * n * n * kappa * kEps) << what << " n=" << n << " got " << got.re << "," << got.im;
}

}  // namespace

TEST(CxPacked, LayoutsRoundTripsAndConjugateMirror) {
    CMat a(9);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) a[size_t(i) * 3 + j] = {10.0 * i + j, 1.0 + i - 2.0 * j};
    auto z = [&](int i, int j) { return a[size_t(i) * 3 + j]; };
    const complexnum o{0, 0};
    EXPECT_EQ(pack(a, 3, 0), (CMat{z(0, 0), z(1, 0), z(2, 0), z(1, 1), z(2, 1), z(2, 2)}));
    EXPECT_EQ(pack(a, 3, 2), pack(a, 3, 0));
    EXPECT_EQ(pack(a, 3, 1), (CMat{z(0, 0), z(0, 1), z(1, 1), z(0, 2), z(1, 2), z(2, 2)}));
    EXPECT_EQ(unpack(pack(a, 3, 0), 3, 0), (CMat{z(0, 0), o, o, z(1, 0), z(1, 1), o, z(2, 0), z(2, 1), z(2, 2)}));
    EXPECT_EQ(unpack(pack(a, 3, 1), 3, 1), (CMat{z(0, 0), z(0, 1), z(0, 2), o, z(1, 1), z(1, 2), o, o, z(2, 2)}));
    // Mode 2 mirrors the lower triangle with conjugates into the upper one.
    const complexnum m01{z(1, 0).re, -z(1, 0).im}, m02{z(2, 0).re, -z(2, 0).im}, m12{z(2, 1).re, -z(2, 1).im};
    EXPECT_EQ(unpack(pack(a, 3, 2), 3, 2), (CMat{z(0, 0), m01, m02, z(1, 0), z(1, 1), m12, z(2, 0), z(2, 1), z(2, 2)}));
    // Unpacking then packing gives back any packed array in every mode.
    const CMat p = randomCx(1, 21, 706);
    for (int mode : {0, 1, 2}) EXPECT_EQ(pack(unpack(p, 6, mode), 6, mode), p) << mode;
    CMat untouched(9, complexnum{5, 5});  // an unknown mode or size is refused and writes nothing
    EXPECT_EQ(CxMatrix_to_Compact(a.data(), 3, 3, untouched.data()), kErrInvalidSelector);
    EXPECT_EQ(CxCompact_to_Matrix(a.data(), 3, -1, untouched.data()), kErrInvalidSelector);
    EXPECT_EQ(CxCompact_to_Matrix(a.data(), 0, 0, untouched.data()), kErrEmptyArray);
    EXPECT_EQ(CxMatrix_to_Compact(a.data(), 0, 0, untouched.data()), kErrEmptyArray);
    EXPECT_EQ(untouched, CMat(9, complexnum{5, 5}));
}

TEST(CxCholesky, FactorSolveAndInverseOfHermitianPositiveMatrices) {
    // Hand case: [[4, 2+2i], [2-2i, 6]] = L L^H with L = [[2, 0], [1-i, 2]].
    CMat small = {{4, 0}, {2, -2}, {6, 0}};
    ASSERT_EQ(CxCholesky(small.data(), 2), 0);
    EXPECT_EQ(small, (CMat{{2, 0}, {1, -1}, {2, 0}}));
    for (int n : {1, 12}) {
        SCOPED_TRACE(n);
        const CMat a = hermitianPositive(n, 800 + n), b = randomCx(n, 1, 810 + n);
        CMat p = pack(a, n, 2), x(n), inPlace = b, inv(p.size());
        ASSERT_EQ(CxCholesky(p.data(), n), 0);
        const CMat l = unpack(p, n, 0);
        EXPECT_LT(reconstructionRatio(a, productL(l, adjoint(l, n, n), n, n, n), n, n), kBound);
        ASSERT_EQ(CxCholeskyLinEqs(p.data(), b.data(), n, x.data()), 0);
        EXPECT_LT(residualRatio(a, x, b, n, n), kBound);
        ASSERT_EQ(CxCholeskyLinEqs(p.data(), inPlace.data(), n, inPlace.data()), 0);
        EXPECT_EQ(inPlace, x);
        ASSERT_EQ(CxCholesky_InvMatrix(p.data(), n, inv.data()), 0);
        EXPECT_LT(inverseRatio(a, inv, n, 2), kBound);
        ASSERT_EQ(CxCholesky_InvMatrix(p.data(), n, p.data()), 0);  // in place
        EXPECT_EQ(p, inv);
        for (int i = 0; i < n; ++i)
            EXPECT_TRUE(l[size_t(i) * n + i].im == 0 && inv[size_t(i) * (2 * n - i + 1) / 2].im == 0) << "real diagonals";
    }
    // The solve takes any lower factor with A = L L^H, a complex diagonal included.
    const int n = 6;
    CMat l = triangle(randomCx(n, n, 850), n, true);
    for (int i = 0; i < n; ++i) l[size_t(i) * n + i] = {1.5 + 0.1 * i, 1.0 - 0.3 * i};
    const CMat a = product(l, adjoint(l, n, n), n, n, n), b = randomCx(n, 1, 851);
    CMat x(n);
    ASSERT_EQ(CxCholeskyLinEqs(pack(l, n, 0).data(), b.data(), n, x.data()), 0);
    EXPECT_LT(residualRatio(a, x, b, n, n), kBound);
}

TEST(CxCholesky, RejectsIndefiniteNaNAndTinyDiagonals) {
    // [[1, 2i], [-2i, 1]] has eigenvalues -1 and 3: the second diagonal
    // 1 - |2i|^2 = -3 is not positive. sqrt(1e-20) = 1e-10 lies below
    // sqrt(2^-63) ~ 3.3e-10 of the largest entry (1); sqrt(1e-18) does not.
    // The floor follows the largest modulus of L, here the purely imaginary
    // L(1, 0) = 2^32 i: L(0, 0) = 1 lies below 2^32 sqrt(2^-63) ~ 1.41,
    // although L(1, 1) = sqrt(2^13) is not small.
    const double nan = std::nan("");
    for (CMat bad : {CMat{{1, 0}, {0, -2}, {1, 0}}, CMat{{-1, 0}, {0, 0}, {1, 0}}, CMat{{nan, 0}, {0, 0}, {1, 0}},
                     CMat{{1, 0}, {nan, 0}, {1, 0}}, CMat{{1, 0}, {0, 0}, {1e-20, 0}},
                     CMat{{1, 0}, {0, std::ldexp(1.0, 32)}, {std::ldexp(1.0, 64) + std::ldexp(1.0, 13), 0}}})
        EXPECT_EQ(CxCholesky(bad.data(), 2), kErrSingularMatrix) << bad[0].re << " " << bad[1].im << " " << bad[2].re;
    CMat ok = {{1, 0}, {0, 0}, {1e-18, 0}};
    EXPECT_EQ(CxCholesky(ok.data(), 2), 0);
    // The imaginary part of a diagonal (0 in a Hermitian matrix) is not
    // read: L(1, 1) = sqrt(2.75 - |0.5 + 0.5i|^2) = 1.5.
    CMat complexDiag = {{1, 5}, {0.5, 0.5}, {2.75, -9}};
    ASSERT_EQ(CxCholesky(complexDiag.data(), 2), 0);
    EXPECT_EQ(complexDiag, (CMat{{1, 0}, {0.5, 0.5}, {1.5, 0}}));
    EXPECT_EQ(CxCholesky(complexDiag.data(), 0), kErrEmptyArray);
    EXPECT_EQ(CxCholeskyLinEqs(complexDiag.data(), ok.data(), 0, ok.data()), kErrEmptyArray);
    EXPECT_EQ(CxCholesky_InvMatrix(complexDiag.data(), 0, ok.data()), kErrEmptyArray);
}

TEST(CxTriangular, SolvesAndInversesInBothLayouts) {
    const int n = 9;
    CMat a = randomCx(n, n, 900);
    for (int i = 0; i < n; ++i) a[size_t(i) * n + i].re += 2, a[size_t(i) * n + i].im -= 2;
    for (int tri : {0, 1}) {
        SCOPED_TRACE(tri);
        const CMat p = pack(a, n, tri), t = triangle(a, n, tri == 0), b = randomCx(n, 1, 901);
        CMat x = b, inv(p.size()), self = p;
        ASSERT_EQ(CxTriLinEqs(p.data(), x.data(), n, tri, x.data()), 0);
        EXPECT_LT(residualRatio(t, x, b, n, n), kBound);
        ASSERT_EQ(CxTri_InvMatrix(p.data(), n, tri, inv.data()), 0);
        EXPECT_LT(inverseRatio(t, inv, n, tri), kBound);
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
    EXPECT_EQ(CxTri_InvMatrix(p.data(), 0, 1, p.data()), kErrEmptyArray);
    EXPECT_EQ(CxTriLinEqs(p.data(), x, 2, 0, x), kErrSingularMatrix);  // 1e-19 <= 5 * 2^-63
    p[2] = {0, std::ldexp(1.0, -56)};  // purely imaginary, its modulus above the floor
    EXPECT_EQ(CxTriLinEqs(p.data(), x, 2, 0, x), 0);
    EXPECT_EQ(x[1], (complexnum{0, -std::ldexp(1.0, 56)}));
    p[2] = {std::nan(""), 0};
    EXPECT_EQ(CxTri_InvMatrix(p.data(), 2, 0, p.data()), kErrSingularMatrix);
    // The diagonal sits at 0, 2, 5 in the upper layout, at 0, 3, 5 in the lower one.
    const CMat u = {{1, 0}, {7, 0}, {0, 0}, {7, 0}, {7, 0}, {1, 0}};
    CMat out(6);
    EXPECT_EQ(CxTri_InvMatrix(u.data(), 3, 1, out.data()), kErrSingularMatrix);
    EXPECT_EQ(CxTri_InvMatrix(u.data(), 3, 0, out.data()), 0);
}

// Sylvester's criterion: a Hermitian matrix is positive definite exactly when
// its leading principal minors (Leibniz sums in long double) are positive.
TEST(CxCheckPosdef, DecidesBySylvesterSymmetryAndFiniteness) {
    auto decide = [](const CMat &a, int n) {
        int32_t result = -1;
        EXPECT_EQ(CxCheckPosdef(a.data(), n, &result), 0);
        return result;
    };
    // Entries of order 1 on both sides of the boundary: the leading minors
    // are 1, 1/2 and det(A) = (d - 1/2) / 2, at least 5e-4 away from 0.
    for (double d : {0.4, 0.499, 0.501, 0.6, 3.0}) {
        const CMat a = {{1, 0}, {0.5, 0.5}, {0, 0}, {0.5, -0.5}, {1, 0}, {0, 0.5}, {0, 0}, {0, -0.5}, {d, 0}};
        LCx minors[3] = {1, leibniz({a[0], a[1], a[3], a[4]}, 2), leibniz(a, 3)};
        const bool positive = minors[1].real() > 0 && minors[2].real() > 0;
        EXPECT_EQ(decide(a, 3), positive ? 1 : 0) << d;
    }
    const int n = 12;
    const CMat a = hermitianPositive(n, 1012);
    EXPECT_EQ(decide(a, n), 1);
    // One ulp off in one conjugate pair (either part), a non-real diagonal,
    // a non-finite diagonal entry or conjugate pair: not definite.
    for (int k = 0; k < 7; ++k) {
        CMat b = a;
        const double bad = k % 2 ? std::nan("") : double(INFINITY);
        if (k == 0) b[1 * n + 2].re = std::nextafter(b[1 * n + 2].re, INFINITY);
        if (k == 1) b[1 * n + 2].im = std::nextafter(b[1 * n + 2].im, INFINITY);
        if (k == 2) b[size_t(n) + 1].im = 1e-300;
        if (k == 3 || k == 4) b[size_t(n) + 1] = {bad, 0};
        if (k >= 5) b[1] = b[size_t(n)] = {bad, 0};
        EXPECT_EQ(decide(b, n), 0) << k;
    }
    // Eigenvalues 1 and t: t = 0 is semidefinite, t = 1e-20 lies below
    // 2^-63 ~ 1.08e-19 of the largest, t = 1e-18 does not.
    for (double t : {0.0, 1e-20, 1e-18}) EXPECT_EQ(decide({{1, 0}, {0, 0}, {0, 0}, {t, 0}}, 2), t > 1e-19 ? 1 : 0) << t;
    int32_t result = -1;
    EXPECT_EQ(CxCheckPosdef(a.data(), 0, &result), kErrEmptyArray);
    EXPECT_EQ(result, 0);
}

TEST(CxDeterminant, MatchesLeibnizAndLongDoubleElimination) {
    for (int n : {4, 30}) {
        const CMat a = randomCx(n, n, 1300 + n), h = hermitianPositive(n, 1400 + n);
        complexnum det{0, 0};
        ASSERT_EQ(CxDeterminant(a.data(), n, 0, &det), 0);
        expectDeterminant(det, a, n, "general");
        ASSERT_EQ(CxDeterminant(h.data(), n, 1, &det), 0);
        EXPECT_EQ(det.im, 0.0);
        expectDeterminant(det, h, n, "Hermitian positive definite");
    }
    // Triangular types: the product of the diagonal of a triangle, in
    // extended precision (no elimination error).
    const CMat a = randomCx(5, 5, 1305);
    for (int type : {2, 3}) {
        complexnum det{0, 0};
        ASSERT_EQ(CxDeterminant(triangle(a, 5, type == 2).data(), 5, type, &det), 0);
        expectDeterminant(det, triangle(a, 5, type == 2), 5, "triangular", true);
    }
}

TEST(CxDeterminant, SignsSingularNaNAndSelectors) {
    complexnum det{0, 0};
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
    CMat nan = hermitianPositive(3, 1500);
    nan[4] = {std::nan(""), 0};
    for (int type : {0, 1, 2}) {
        det = {5, 5};
        ASSERT_EQ(CxDeterminant(nan.data(), 3, type, &det), 0);
        EXPECT_TRUE(std::isnan(det.re) && std::isnan(det.im)) << type;
    }
    for (auto [n, type, code] : {std::tuple{2, -1, kErrInvalidSelector}, {2, 4, kErrInvalidSelector}, {0, 0, kErrEmptyArray}}) {
        det = {5, 5};
        EXPECT_EQ(CxDeterminant(iswap.data(), n, type, &det), code);
        EXPECT_TRUE(bothIDNaN(det));
    }
}

TEST(CxCholeskyHandles, PackFactorSolveInvertAndDecide) {
    const int n = 5;
    const CMat a = hermitianPositive(n, 1600), b = randomCx(n, 1, 1601);
    orintest::ComplexMatrixHandle A(n, n, a), back(0, 0, {});
    orintest::ComplexHandle P, X(b);
    int32_t error = -1, result = -1;
    ASSERT_EQ(CxMatrix_to_Compact_head(A, byRef(2), P, &error), 0);
    ASSERT_TRUE(error == 0 && P.size() == n * (n + 1) / 2);
    ASSERT_EQ(CxCompact_to_Matrix_head(P, byRef(2), back, &error), 0);
    EXPECT_TRUE(error == 0 && back.rows() == n && back.cols() == n && back.values() == a);
    ASSERT_EQ(CxCholesky_head(P, &error), 0);
    ASSERT_EQ(CxCholeskyLinEqs_head(P, X, &error), 0);
    ASSERT_EQ(error, 0);
    EXPECT_LT(residualRatio(a, X.values(), b, n, n), kBound);
    const CMat l = unpack(P.values(), n, 0);
    orintest::ComplexHandle L(P.values()), y(b);
    ASSERT_EQ(CxCholesky_InvMatrix_head(P, &error), 0);
    EXPECT_LT(inverseRatio(a, P.values(), n, 2), kBound);
    ASSERT_EQ(CxTriLinEqs_head(L, byRef(0), y, &error), 0);  // y = L^-1 b
    EXPECT_LT(residualRatio(l, y.values(), b, n, n), kBound);
    ASSERT_EQ(CxTri_InvMatrix_head(L, byRef(0), &error), 0);
    EXPECT_LT(inverseRatio(l, L.values(), n, 0), kBound);
    ASSERT_EQ(CxCheckPosdef_head(A, &result, &error), 0);
    EXPECT_EQ(result, 1);
    complexnum det{0, 0};
    ASSERT_EQ(CxDeterminant_head(A, byRef(1), &det, &error), 0);
    EXPECT_EQ(error, 0);
    expectDeterminant(det, a, n, "handle");
}

ORIN_CONTRACT_TABLE(CxPackedCholeskyEntryPoints) {
    const CMat three(3, complexnum{1, 0}), four(4, complexnum{1, 0}), two(2, complexnum{1, 0});
    const CMat indefinite = {{1, 0}, {2, 0}, {1, 0}}, singularTri = {{1, 0}, {0, 0}, {0, 0}};
    auto detRow = [](const char *name, int32_t code, int32_t rows, int32_t cols, CMat v, int32_t type) {
        return errorRow(name, code, [=](Contract &c, int32_t *e) {
            complexnum det{1, 1};
            const MgErr ret = CxDeterminant_head(c.input<ComplexMatrix>(rows, cols, v), byRef(type), &det, e);
            EXPECT_TRUE(bothIDNaN(det));
            return ret;
        });
    };
    auto posdefRow = [](const char *name, int32_t code, int32_t rows, int32_t cols, CMat v) {
        return errorRow(name, code, [=](Contract &c, int32_t *e) {
            int32_t result = 1;
            const MgErr ret = CxCheckPosdef_head(c.input<ComplexMatrix>(rows, cols, v), &result, e);
            EXPECT_EQ(result, 0);
            return ret;
        });
    };
    return {
        errorRow("CxCholesky_head empty", kErrEmptyArray, [](Contract &c, int32_t *e) { return CxCholesky_head(c.output<ComplexArray>(CMat{}), e); }),
        errorRow("CxCholesky_head length 4", kErrNotSquare, [four](Contract &c, int32_t *e) { return CxCholesky_head(c.output<ComplexArray>(four), e); }),
        errorRow("CxCholesky_head indefinite", kErrSingularMatrix, [indefinite](Contract &c, int32_t *e) { return CxCholesky_head(c.output<ComplexArray>(indefinite), e); }),
        errorRow("CxCholeskyLinEqs_head b", kErrArraySizeMismatch, [three](Contract &c, int32_t *e) { return CxCholeskyLinEqs_head(c.input<ComplexArray>(three), c.output<ComplexArray>(three), e); }),
        errorRow("CxCholeskyLinEqs_head length 2", kErrNotSquare, [two, three](Contract &c, int32_t *e) { return CxCholeskyLinEqs_head(c.input<ComplexArray>(two), c.output<ComplexArray>(three), e); }),
        errorRow("CxCholesky_InvMatrix_head empty", kErrEmptyArray, [](Contract &c, int32_t *e) { return CxCholesky_InvMatrix_head(c.output<ComplexArray>(CMat{}), e); }),
        errorRow("CxTriLinEqs_head triangle", kErrInvalidSelector, [two, three](Contract &c, int32_t *e) { return CxTriLinEqs_head(c.input<ComplexArray>(three), byRef(2), c.output<ComplexArray>(two), e); }),
        errorRow("CxTriLinEqs_head b", kErrArraySizeMismatch, [three](Contract &c, int32_t *e) { return CxTriLinEqs_head(c.input<ComplexArray>(three), byRef(0), c.output<ComplexArray>(three), e); }),
        errorRow("CxTriLinEqs_head singular", kErrSingularMatrix, [two, singularTri](Contract &c, int32_t *e) { return CxTriLinEqs_head(c.input<ComplexArray>(singularTri), byRef(1), c.output<ComplexArray>(two), e); }),
        errorRow("CxTriLinEqs_head length 4", kErrNotSquare, [two, four](Contract &c, int32_t *e) { return CxTriLinEqs_head(c.input<ComplexArray>(four), byRef(0), c.output<ComplexArray>(two), e); }),
        errorRow("CxTri_InvMatrix_head length 4", kErrNotSquare, [four](Contract &c, int32_t *e) { return CxTri_InvMatrix_head(c.output<ComplexArray>(four), byRef(1), e); }),
        errorRow("CxTri_InvMatrix_head triangle", kErrInvalidSelector, [three](Contract &c, int32_t *e) { return CxTri_InvMatrix_head(c.output<ComplexArray>(three), byRef(-1), e); }),
        errorRow("CxTri_InvMatrix_head singular", kErrSingularMatrix, [singularTri](Contract &c, int32_t *e) { return CxTri_InvMatrix_head(c.output<ComplexArray>(singularTri), byRef(0), e); }),
        errorRow("CxMatrix_to_Compact_head not square", kErrNotSquare, [three](Contract &c, int32_t *e) { return CxMatrix_to_Compact_head(c.input<ComplexMatrix>(1, 3, three), byRef(0), c.output<ComplexArray>(three), e); }),
        errorRow("CxMatrix_to_Compact_head empty", kErrEmptyArray, [three](Contract &c, int32_t *e) { return CxMatrix_to_Compact_head(c.input<ComplexMatrix>(0, 0, {}), byRef(0), c.output<ComplexArray>(three), e); }),
        errorRow("CxMatrix_to_Compact_head mode", kErrInvalidSelector, [four, three](Contract &c, int32_t *e) { return CxMatrix_to_Compact_head(c.input<ComplexMatrix>(2, 2, four), byRef(3), c.output<ComplexArray>(three), e); }),
        errorRow("CxCompact_to_Matrix_head length 5", kErrNotSquare, [four](Contract &c, int32_t *e) { return CxCompact_to_Matrix_head(c.input<ComplexArray>(CMat(5, complexnum{1, 0})), byRef(0), c.output<ComplexMatrix>(2, 2, four), e); }),
        errorRow("CxCompact_to_Matrix_head mode", kErrInvalidSelector, [three, four](Contract &c, int32_t *e) { return CxCompact_to_Matrix_head(c.input<ComplexArray>(three), byRef(-1), c.output<ComplexMatrix>(2, 2, four), e); }),
        posdefRow("CxCheckPosdef_head not square", kErrNotSquare, 1, 3, three),
        posdefRow("CxCheckPosdef_head empty", kErrEmptyArray, 0, 3, {}),
        detRow("CxDeterminant_head not square", kErrNotSquare, 3, 1, three, 0),
        detRow("CxDeterminant_head empty", kErrEmptyArray, 0, 0, {}, 0),
        detRow("CxDeterminant_head type", kErrInvalidSelector, 2, 2, four, 4),
    };
}
