// Handle entry points of the complex packed, Cholesky, triangular,
// definiteness and determinant routines.
#include <orin/linalg.h>

#include "detail.h"

using namespace orin;
using orin::linalg::packedOrderOf;

int32_t CxCholesky_head(ComplexArrayHdl packed, int32_t *error) {
    ComplexArrayView P(packed);
    return runEntry(error, {P}, [&]() -> Outcome {
        int32_t n = 0;
        ORIN_TRY(packedOrderOf(P.size(), &n));
        return CxCholesky(P.data(), n);
    });
}

int32_t CxCholeskyLinEqs_head(ComplexArrayHdl packed, ComplexArrayHdl b, int32_t *error) {
    ComplexArrayView B(b);
    return runEntry(error, {B}, [&]() -> Outcome {
        const ComplexArrayView P(packed);
        int32_t n = 0;
        ORIN_TRY(packedOrderOf(P.size(), &n));
        if (B.size() != n) return kErrArraySizeMismatch;
        return CxCholeskyLinEqs(P.data(), B.data(), n, B.data());
    });
}

int32_t CxCholesky_InvMatrix_head(ComplexArrayHdl packed, int32_t *error) {
    ComplexArrayView P(packed);
    return runEntry(error, {P}, [&]() -> Outcome {
        int32_t n = 0;
        ORIN_TRY(packedOrderOf(P.size(), &n));
        return CxCholesky_InvMatrix(P.data(), n, P.data());
    });
}

int32_t CxTriLinEqs_head(ComplexArrayHdl packed, const int32_t *triangle, ComplexArrayHdl b, int32_t *error) {
    ComplexArrayView B(b);
    return runEntry(error, {B}, [&]() -> Outcome {
        const ComplexArrayView P(packed);
        if (*triangle != 0 && *triangle != 1) return kErrInvalidSelector;
        int32_t n = 0;
        ORIN_TRY(packedOrderOf(P.size(), &n));
        if (B.size() != n) return kErrArraySizeMismatch;
        return CxTriLinEqs(P.data(), B.data(), n, *triangle, B.data());
    });
}

int32_t CxTri_InvMatrix_head(ComplexArrayHdl packed, const int32_t *triangle, int32_t *error) {
    ComplexArrayView P(packed);
    return runEntry(error, {P}, [&]() -> Outcome {
        if (*triangle != 0 && *triangle != 1) return kErrInvalidSelector;
        int32_t n = 0;
        ORIN_TRY(packedOrderOf(P.size(), &n));
        return CxTri_InvMatrix(P.data(), n, *triangle, P.data());
    });
}

int32_t CxMatrix_to_Compact_head(ComplexMatrixHdl a, const int32_t *mode, ComplexArrayHdl packed, int32_t *error) {
    ComplexArrayView P(packed);
    return runEntry(error, {P}, [&]() -> Outcome {
        const ComplexMatrixView A(a);
        ORIN_TRY(linalg::checkSquare(A));
        if (*mode < 0 || *mode > 2) return kErrInvalidSelector;
        // checkSquare keeps rows^2 within INT32_MAX, so the packed count fits.
        ORIN_TRY(P.resize(static_cast<int32_t>(linalg::packedCount(A.rows()))));
        return CxMatrix_to_Compact(A.data(), A.rows(), *mode, P.data());
    });
}

int32_t CxCompact_to_Matrix_head(ComplexArrayHdl packed, const int32_t *mode, ComplexMatrixHdl a, int32_t *error) {
    ComplexMatrixView A(a);
    return runEntry(error, {A}, [&]() -> Outcome {
        const ComplexArrayView P(packed);
        int32_t n = 0;
        ORIN_TRY(packedOrderOf(P.size(), &n));
        if (*mode < 0 || *mode > 2) return kErrInvalidSelector;
        ORIN_TRY(A.resize(n, n));
        return CxCompact_to_Matrix(P.data(), n, *mode, A.data());
    });
}

int32_t CxCheckPosdef_head(ComplexMatrixHdl a, int32_t *result, int32_t *error) {
    *result = 0;
    return runEntry(error, {result}, [&]() -> Outcome {
        const ComplexMatrixView A(a);
        ORIN_TRY(linalg::checkSquare(A));
        return CxCheckPosdef(A.data(), A.rows(), result);
    });
}

int32_t CxDeterminant_head(ComplexMatrixHdl a, const int32_t *type, complexnum *det, int32_t *error) {
    return runEntry(error, {det}, [&]() -> Outcome {
        const ComplexMatrixView A(a);
        ORIN_TRY(linalg::checkSquare(A));
        return CxDeterminant(A.data(), A.rows(), *type, det);
    });
}
