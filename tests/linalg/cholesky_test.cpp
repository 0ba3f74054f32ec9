// Packed layouts both ways, the Cholesky factor by its residual, packed
// solves and inverses in both triangles, determinants against long-double
// elimination, their signs, singular matrices and selectors, the floors,
// codes and definiteness test, real and complex alike; the complex factor's
// own floor, and the complex entry points' codes.
#include "support/prelude.h"

#include "linalg_reference.h"

using namespace linalgtest;

TWIN_SUITE(CholeskyFamily);

TYPED_TEST(CholeskyFamily, PackedLayoutsBothWaysAndTheConjugateMirror) {
    using T = typename TypeParam::T;
    std::vector<T> a(9);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) a[size_t(i) * 3 + j] = elem<T>(10.0 * i + j, 1.0 + i - 2.0 * j);
    auto z = [&](int i, int j) { return a[size_t(i) * 3 + j]; };
    auto m = [&](int i, int j) { return narrow<T>(cj(wide(z(j, i)))); };  // the conjugate mirror of (j, i)
    const T o = elem<T>(0);
    EXPECT_EQ(pack(a, 3, 0),
              (std::vector<T>{z(0, 0), z(1, 0), z(2, 0), z(1, 1), z(2, 1), z(2, 2)}));  // lower by columns
    EXPECT_EQ(pack(a, 3, 2), pack(a, 3, 0));
    EXPECT_EQ(pack(a, 3, 1),
              (std::vector<T>{z(0, 0), z(0, 1), z(1, 1), z(0, 2), z(1, 2), z(2, 2)}));  // upper by columns
    EXPECT_EQ(unpack(pack(a, 3, 0), 3, 0),
              (std::vector<T>{z(0, 0), o, o, z(1, 0), z(1, 1), o, z(2, 0), z(2, 1), z(2, 2)}));
    EXPECT_EQ(unpack(pack(a, 3, 1), 3, 1),
              (std::vector<T>{z(0, 0), z(0, 1), z(0, 2), o, z(1, 1), z(1, 2), o, o, z(2, 2)}));
    EXPECT_EQ(unpack(pack(a, 3, 2), 3, 2),
              (std::vector<T>{z(0, 0), m(0, 1), m(0, 2), z(1, 0), z(1, 1), m(1, 2), z(2, 0), z(2, 1), z(2, 2)}));
    std::vector<T> untouched(9, elem<T>(5, 5));  // an unknown mode or size is refused and writes nothing
    EXPECT_EQ(TypeParam::toPacked(a.data(), 3, 3, untouched.data()), kErrInvalidSelector);
    EXPECT_EQ(TypeParam::fromPacked(a.data(), 3, -1, untouched.data()), kErrInvalidSelector);
    EXPECT_EQ(untouched, std::vector<T>(9, elem<T>(5, 5)));
}

TYPED_TEST(CholeskyFamily, FactorSolveAndInverse) {
    using T = typename TypeParam::T;
    for (int n : {1, 7, 12, 60}) {
        SCOPED_TRACE(n);
        const std::vector<T> a = hermitianPositive<T>(n, 800 + n), b = random<T>(n, 1, 810 + n);
        std::vector<T> p = pack(a, n, 2), x(n), inv(p.size());
        ASSERT_EQ(TypeParam::cholesky(p.data(), n), 0);
        const std::vector<T> l = unpack(p, n, 0);
        EXPECT_LT(reconstructionRatio(a, productL(l, adjoint(l, n, n), n, n, n), n, n), kBound);
        ASSERT_EQ(TypeParam::cholSolve(p.data(), b.data(), n, x.data()), 0);
        EXPECT_LT(residualRatio(a, x, b, n, n), kBound);
        ASSERT_EQ(TypeParam::cholInv(p.data(), n, inv.data()), 0);  // (in place: the sweep's aliased calls)
        EXPECT_LT(inverseRatio(a, inv, n, 2), kBound);
    }
    // The solve takes any lower factor with A = L L^H, a complex diagonal included.
    const int n = 6;
    std::vector<T> l = triangle(random<T>(n, n, 850), n, true);
    for (int i = 0; i < n; ++i) l[size_t(i) * n + i] = elem<T>(1.5 + 0.1 * i, 1.0 - 0.3 * i);
    const std::vector<T> a = product(l, adjoint(l, n, n), n, n, n), b = random<T>(n, 1, 851);
    std::vector<T> x(n);
    ASSERT_EQ(TypeParam::cholSolve(pack(l, n, 0).data(), b.data(), n, x.data()), 0);
    EXPECT_LT(residualRatio(a, x, b, n, n), kBound);
}

TYPED_TEST(CholeskyFamily, TriangularSolvesAndInversesInBothLayouts) {
    using T = typename TypeParam::T;
    const int n = 9;
    std::vector<T> a = random<T>(n, n, 900);
    for (int i = 0; i < n; ++i) a[size_t(i) * n + i] = narrow<T>(wide(a[size_t(i) * n + i]) + wide(elem<T>(3, -2)));
    for (int tri : {0, 1}) {
        SCOPED_TRACE(tri);
        const std::vector<T> p = pack(a, n, tri), t = triangle(a, n, tri == 0), b = random<T>(n, 1, 901);
        std::vector<T> x = b, inv(p.size()), self = p;
        ASSERT_EQ(TypeParam::triSolve(p.data(), x.data(), n, tri, x.data()), 0);
        EXPECT_LT(residualRatio(t, x, b, n, n), kBound);
        ASSERT_EQ(TypeParam::triInv(p.data(), n, tri, inv.data()), 0);
        EXPECT_LT(inverseRatio(t, inv, n, tri), kBound);
        ASSERT_EQ(TypeParam::triInv(self.data(), n, tri, self.data()), 0);
        EXPECT_EQ(self, inv);
    }
}

TYPED_TEST(CholeskyFamily, DeterminantMatchesLongDoubleElimination) {
    using T = typename TypeParam::T;
    for (int n : {4, 5, 30}) {
        const std::vector<T> a = random<T>(n, n, 1300 + n), h = hermitianPositive<T>(n, 1400 + n);
        T det = elem<T>(0);
        ASSERT_EQ(TypeParam::determinant(a.data(), n, 0, &det), 0);
        expectDeterminant(det, a, n, "general");
        ASSERT_EQ(TypeParam::determinant(h.data(), n, 1, &det), 0);
        EXPECT_EQ(std::imag(wide(det)), 0.0);
        expectDeterminant(det, h, n, "Hermitian positive definite");
    }
    // Triangular types: the product of the diagonal of a triangle, in
    // extended precision (no elimination error).
    const std::vector<T> a = random<T>(5, 5, 1305);
    for (int type : {2, 3}) {
        T det = elem<T>(0);
        ASSERT_EQ(TypeParam::determinant(triangle(a, 5, type == 2).data(), 5, type, &det), 0);
        expectDeterminant(det, triangle(a, 5, type == 2), 5, "triangular", true);
    }
}

// (The signs of row exchanges: DeterminantMatchesLongDoubleElimination.)
TYPED_TEST(CholeskyFamily, DeterminantsOfSingularMatricesAndSelectors) {
    using T = typename TypeParam::T;
    constexpr bool real = std::is_same_v<T, double>;
    const T zero = elem<T>(0);
    T det = zero;
    // Equal rows, a zero row, and an indefinite matrix given as type 1 are
    // singular for their factorisations: 0 with success.
    const std::vector<T> equalRows = {elem<T>(1, 2), elem<T>(3, -1), elem<T>(1, 2), elem<T>(3, -1)},
                         zeroRow = {zero, zero, elem<T>(1, 1), elem<T>(2, 2)},
                         indefinite = {elem<T>(1), elem<T>(real * 1.5, 1.5), elem<T>(real * 1.5, -1.5), elem<T>(1)};
    for (auto [m, type] : {std::pair{&equalRows, 0}, std::pair{&zeroRow, 0}, std::pair{&indefinite, 1}}) {
        det = elem<T>(5, 5);
        ASSERT_EQ(TypeParam::determinant(m->data(), 2, type, &det), 0);
        EXPECT_EQ(det, zero) << type;
    }
    for (int type : {-1, 4}) {
        det = elem<T>(5, 5);
        EXPECT_EQ(TypeParam::determinant(equalRows.data(), 2, type, &det), kErrInvalidSelector);
        EXPECT_TRUE(bothIDNaN(det)) << type;
    }
}

TYPED_TEST(CholeskyFamily, RejectsIndefiniteNaNAndTinyDiagonals) {
    // [[1, 2], [2, 1]] ([[1, 2i], [-2i, 1]]) has eigenvalues -1 and 3: the
    // second diagonal 1 - 4 is not positive. sqrt(1e-20) = 1e-10 lies below
    // sqrt(2^-63) ~ 3.3e-10 of the largest entry (1); sqrt(1e-18) does not.
    // The same without the panel accumulators (their work space refused).
    using T = typename TypeParam::T;
    constexpr bool real = std::is_same_v<T, double>;
    const double nan = std::nan("");
    const T o = elem<T>(0), one = elem<T>(1);
    for (int64_t refused : {0, 1})
        for (std::vector<T> bad : {std::vector<T>{one, elem<T>(2 * real, -2 * !real), one},
                                   {elem<T>(-1), o, one},
                                   {elem<T>(nan), o, one},
                                   {one, elem<T>(nan), one},
                                   {one, o, elem<T>(1e-20)}}) {
            OrinHostFailAllocation(refused);
            EXPECT_EQ(TypeParam::cholesky(bad.data(), 2), kErrSingularMatrix) << refused;
            OrinHostFailAllocation(0);
        }
    std::vector<T> ok = {one, o, elem<T>(1e-18)};
    EXPECT_EQ(TypeParam::cholesky(ok.data(), 2), 0);
}

// The triangle code first (before the size and any access), then each
// diagonal's modulus against 2^-63 of the largest packed modulus (5 here).
TYPED_TEST(CholeskyFamily, TriangularCodesInTheirOrder) {
    using T = typename TypeParam::T;
    constexpr bool real = std::is_same_v<T, double>;
    std::vector<T> p = {elem<T>(real ? 5 : 3, 4), elem<T>(0), elem<T>(real ? 1e-19 : 0, 1e-19)},
                   x = {elem<T>(1), elem<T>(1)};
    EXPECT_EQ(TypeParam::triSolve(p.data(), x.data(), 0, 2, x.data()), kErrInvalidSelector);
    EXPECT_EQ(TypeParam::triInv(nullptr, 1, -1, nullptr), kErrInvalidSelector);
    EXPECT_EQ(TypeParam::triSolve(p.data(), x.data(), 2, 0, x.data()), kErrSingularMatrix);  // 1e-19 <= 5 * 2^-63
    p[2] = elem<T>(real ? 0x1p-56 : 0, 0x1p-56);  // (complex: purely imaginary) above the floor
    EXPECT_EQ(TypeParam::triSolve(p.data(), x.data(), 2, 0, x.data()), 0);
    EXPECT_EQ(x[1], elem<T>(real ? 0x1p56 : 0, -0x1p56));
    p[2] = elem<T>(std::nan(""));
    EXPECT_EQ(TypeParam::triInv(p.data(), 2, 0, p.data()), kErrSingularMatrix);
    // The diagonal sits at 0, 2, 5 in the upper layout, at 0, 3, 5 in the lower one.
    const std::vector<T> u = {elem<T>(1), elem<T>(7), elem<T>(0), elem<T>(7), elem<T>(7), elem<T>(1)};
    std::vector<T> out(6);
    EXPECT_EQ(TypeParam::triInv(u.data(), 3, 1, out.data()), kErrSingularMatrix);
    EXPECT_EQ(TypeParam::triInv(u.data(), 3, 0, out.data()), 0);
}

// Sylvester's criterion: a Hermitian matrix is positive definite exactly when
// its leading principal minors are positive.
TYPED_TEST(CholeskyFamily, CheckPosdefDecidesBySylvesterSymmetryAndFiniteness) {
    using T = typename TypeParam::T;
    constexpr bool real = std::is_same_v<T, double>;
    auto decide = [](const std::vector<T> &a, int n) {
        int32_t result = -1;
        EXPECT_EQ(TypeParam::checkPosdef(a.data(), n, &result), 0);
        return result;
    };
    // Entries of order 1 on both sides of the boundary: the leading minors
    // are 1, 1/2 and det(A) = (d - 1/2) / 2, at least 5e-4 away from 0
    // (real: 1, 3/4, 3 d / 4 - 1/4 with the off-diagonal 1/2 of row 2), so
    // definite exactly for d > 1/2 (real: d > 1/3).
    for (double d : {0.3, 0.4, 0.499, 0.501, 0.6, 3.0}) {
        const std::vector<T> a = {elem<T>(1),    elem<T>(0.5, 0.5),
                                  elem<T>(0, 0), elem<T>(0.5, -0.5),
                                  elem<T>(1),    elem<T>(real ? 0.5 : 0, 0.5),
                                  elem<T>(0),    elem<T>(real ? 0.5 : 0, -0.5),
                                  elem<T>(d)};
        EXPECT_EQ(decide(a, 3), d > (real ? 1.0 / 3 : 0.5) ? 1 : 0) << d;
    }
    const int n = 12;
    const std::vector<T> a = hermitianPositive<T>(n, 1012);
    EXPECT_EQ(decide(a, n), 1);
    // One ulp off in one conjugate pair (either part), a non-real diagonal,
    // a non-finite diagonal entry or conjugate pair: not definite.
    for (int k = 0; k < 7; ++k) {
        std::vector<T> b = a;
        const double bad = k % 2 ? std::nan("") : double(INFINITY);
        double *re = reinterpret_cast<double *>(&b[1 * n + 2]), *im = re + 1;  // a complexnum is (re, im)
        if (k == 0) *re = std::nextafter(*re, INFINITY);
        if (k == 1 && !real) *im = std::nextafter(*im, INFINITY);
        if (k == 2 && !real) reinterpret_cast<double *>(&b[size_t(n) + 1])[1] = 1e-300;
        if (k == 3 || k == 4) b[size_t(n) + 1] = elem<T>(bad);
        if (k >= 5) b[1] = b[size_t(n)] = elem<T>(bad);
        if (real && (k == 4 || k == 6)) {  // the real test stops on an infinity with the eigen-solver's code
            int32_t result = -1;
            EXPECT_EQ(TypeParam::checkPosdef(b.data(), n, &result), kErrNoConvergence);
            EXPECT_EQ(result, 0);
            continue;
        }
        EXPECT_EQ(decide(b, n), real && (k == 1 || k == 2) ? 1 : 0) << k;
    }
    // Eigenvalues 1 and t: t = 0 is semidefinite, t below 2^-63 of the
    // largest is taken as 0, t = 2^-63 itself is not; eigenvalues 3 and -1
    // are indefinite.
    const double floor = std::ldexp(1.0, -63);
    for (double t : {0.0, 1e-20, std::nextafter(floor, 0.0), floor, 1e-18})
        EXPECT_EQ(decide({elem<T>(1), elem<T>(0), elem<T>(0), elem<T>(t)}, 2), t >= floor ? 1 : 0) << t;
    EXPECT_EQ(decide({elem<T>(1), elem<T>(2), elem<T>(2), elem<T>(1)}, 2), 0);
    int32_t result = -1;
    EXPECT_EQ(TypeParam::checkPosdef(a.data(), 0, &result), kErrEmptyArray);
    EXPECT_EQ(result, 0);
}

TEST(CxCholesky, FloorFollowsTheLargestModulusAndDiagonalsAreReal) {
    // The floor follows the largest modulus of L, here the purely imaginary
    // L(1, 0) = 2^32 i: L(0, 0) = 1 lies below 2^32 sqrt(2^-63) ~ 1.41,
    // although L(1, 1) = sqrt(2^13) is not small.
    CMat big = {{1, 0}, {0, std::ldexp(1.0, 32)}, {std::ldexp(1.0, 64) + std::ldexp(1.0, 13), 0}};
    EXPECT_EQ(CxCholesky(big.data(), 2), kErrSingularMatrix);
    // The imaginary part of a diagonal (0 in a Hermitian matrix) is not
    // read: L(1, 1) = sqrt(2.75 - |0.5 + 0.5i|^2) = 1.5.
    CMat complexDiag = {{1, 5}, {0.5, 0.5}, {2.75, -9}};
    ASSERT_EQ(CxCholesky(complexDiag.data(), 2), 0);
    EXPECT_EQ(complexDiag, (CMat{{1, 0}, {0.5, 0.5}, {1.5, 0}}));
}

// A table, one entry per line:
// clang-format off
ORIN_CONTRACT_TABLE(CxPackedCholeskyEntryPoints) {
    const CMat three(3, complexnum{1, 0}), four(4, complexnum{1, 0}), two(2, complexnum{1, 0});
    const CMat indefinite = {{1, 0}, {2, 0}, {1, 0}}, singularTri = {{1, 0}, {0, 0}, {0, 0}};
    return {
        ORIN_ROW(kErrNotSquare, CxCholesky_head(c.output<ComplexArray>(four), e)),
        ORIN_ROW(kErrSingularMatrix, CxCholesky_head(c.output<ComplexArray>(indefinite), e)),
        ORIN_ROW(kErrArraySizeMismatch, CxCholeskyLinEqs_head(c.input<ComplexArray>(three), c.output<ComplexArray>(three), e)),
        ORIN_ROW(kErrNotSquare, CxCholeskyLinEqs_head(c.input<ComplexArray>(two), c.output<ComplexArray>(three), e)),
        ORIN_ROW(kErrInvalidSelector, CxTriLinEqs_head(c.input<ComplexArray>(three), byRef(2), c.output<ComplexArray>(two), e)),
        ORIN_ROW(kErrArraySizeMismatch, CxTriLinEqs_head(c.input<ComplexArray>(three), byRef(0), c.output<ComplexArray>(three), e)),
        ORIN_ROW(kErrSingularMatrix, CxTriLinEqs_head(c.input<ComplexArray>(singularTri), byRef(1), c.output<ComplexArray>(two), e)),
        ORIN_ROW(kErrNotSquare, CxTriLinEqs_head(c.input<ComplexArray>(four), byRef(0), c.output<ComplexArray>(two), e)),
        ORIN_ROW(kErrNotSquare, CxTri_InvMatrix_head(c.output<ComplexArray>(four), byRef(1), e)),
        ORIN_ROW(kErrInvalidSelector, CxTri_InvMatrix_head(c.output<ComplexArray>(three), byRef(-1), e)),
        ORIN_ROW(kErrSingularMatrix, CxTri_InvMatrix_head(c.output<ComplexArray>(singularTri), byRef(0), e)),
        ORIN_ROW(kErrNotSquare, CxMatrix_to_Compact_head(c.input<ComplexMatrix>(1, 3, three), byRef(0), c.output<ComplexArray>(three), e)),
        ORIN_ROW(kErrInvalidSelector, CxMatrix_to_Compact_head(c.input<ComplexMatrix>(2, 2, four), byRef(3), c.output<ComplexArray>(three), e)),
        ORIN_ROW(kErrNotSquare, CxCompact_to_Matrix_head(c.input<ComplexArray>(CMat(5, complexnum{1, 0})), byRef(0), c.output<ComplexMatrix>(2, 2, four), e)),
        ORIN_ROW(kErrInvalidSelector, CxCompact_to_Matrix_head(c.input<ComplexArray>(three), byRef(-1), c.output<ComplexMatrix>(2, 2, four), e)),
        ORIN_ROW(kErrNotSquare, CxCheckPosdef_head(c.input<ComplexMatrix>(1, 3, three), c.intOutput(0), e)),
        ORIN_ROW(kErrNotSquare, CxDeterminant_head(c.input<ComplexMatrix>(3, 1, three), byRef(0), c.complexScalar(), e)),
        ORIN_ROW(kErrInvalidSelector, CxDeterminant_head(c.input<ComplexMatrix>(2, 2, four), byRef(4), c.complexScalar(), e)),
    };
}
// clang-format on
