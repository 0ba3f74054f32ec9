// The complex packed and Cholesky routines' own rules: definiteness and
// the floors of the diagonals, and the entry points (their shared
// properties are typed tests in cholesky_test.cpp).
#include <orin/linalg.h>

#include "support/prelude.h"

#include "linalg_reference.h"

using namespace linalgtest;

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
    ASSERT_EQ(CxCholesky_InvMatrix_head(P, &error), 0);
    EXPECT_LT(inverseRatio(a, P.values(), n, 2), kBound);
    ASSERT_EQ(CxCheckPosdef_head(A, &result, &error), 0);
    EXPECT_EQ(result, 1);
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
        ORIN_ROW(kErrEmptyArray, CxCholesky_InvMatrix_head(c.output<ComplexArray>(CMat{}), e)),
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
        ORIN_ROW(kErrNotSquare, checked(CxCheckPosdef_head(c.input<ComplexMatrix>(1, 3, three), &(intOut = 1), e), intOut, 0)),
        ORIN_ROW(kErrNotSquare, checked(CxDeterminant_head(c.input<ComplexMatrix>(3, 1, three), byRef(0), &(cxOut = {1, 1}), e), cxOut)),
        ORIN_ROW(kErrInvalidSelector, checked(CxDeterminant_head(c.input<ComplexMatrix>(2, 2, four), byRef(4), &(cxOut = {1, 1}), e), cxOut)),
    };
}
// clang-format on
