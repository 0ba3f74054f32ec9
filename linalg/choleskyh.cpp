#include <orin/linalg.h>

#include "detail.h"

int32_t Cholesky_head(DoubleArrayHdl packed, int32_t *error) {
    orin::DoubleArrayView P(packed);
    return orin::runEntry(error, {P}, [&]() -> orin::Outcome {
        int32_t n = 0;
        ORIN_TRY(orin::linalg::packedOrderOf(P.size(), &n));
        return Cholesky(P.data(), n);
    });
}

int32_t CholeskyLinEqs_head(DoubleArrayHdl packed, DoubleArrayHdl b, int32_t *error) {
    orin::DoubleArrayView B(b);
    return orin::runEntry(error, {B}, [&]() -> orin::Outcome {
        const orin::DoubleArrayView P(packed);
        int32_t n = 0;
        ORIN_TRY(orin::linalg::packedOrderOf(P.size(), &n));
        if (B.size() != n) return kErrArraySizeMismatch;
        return CholeskyLinEqs(P.data(), B.data(), n, B.data());
    });
}

int32_t Cholesky_InvMatrix_head(DoubleArrayHdl packed, int32_t *error) {
    orin::DoubleArrayView P(packed);
    return orin::runEntry(error, {P}, [&]() -> orin::Outcome {
        int32_t n = 0;
        ORIN_TRY(orin::linalg::packedOrderOf(P.size(), &n));
        return Cholesky_InvMatrix(P.data(), n, P.data());
    });
}

int32_t TriLinEqs_head(DoubleArrayHdl packed, const int32_t *triangle, DoubleArrayHdl b, int32_t *error) {
    orin::DoubleArrayView B(b);
    return orin::runEntry(error, {B}, [&]() -> orin::Outcome {
        const orin::DoubleArrayView P(packed);
        if (*triangle != 0 && *triangle != 1) return kErrInvalidSelector;
        int32_t n = 0;
        ORIN_TRY(orin::linalg::packedOrderOf(P.size(), &n));
        if (B.size() != n) return kErrArraySizeMismatch;
        return TriLinEqs(P.data(), B.data(), n, *triangle, B.data());
    });
}

int32_t Tri_InvMatrix_head(DoubleArrayHdl packed, const int32_t *triangle, int32_t *error) {
    orin::DoubleArrayView P(packed);
    return orin::runEntry(error, {P}, [&]() -> orin::Outcome {
        if (*triangle != 0 && *triangle != 1) return kErrInvalidSelector;
        int32_t n = 0;
        ORIN_TRY(orin::linalg::packedOrderOf(P.size(), &n));
        return Tri_InvMatrix(P.data(), n, *triangle, P.data());
    });
}

int32_t Matrix_to_Compact_head(DoubleMatrixHdl a, const int32_t *mode, DoubleArrayHdl packed, int32_t *error) {
    orin::DoubleArrayView P(packed);
    return orin::runEntry(error, {P}, [&]() -> orin::Outcome {
        const orin::DoubleMatrixView A(a);
        ORIN_TRY(orin::linalg::checkSquare(A));
        if (*mode < 0 || *mode > 2) return kErrInvalidSelector;
        // checkSquare keeps rows^2 within INT32_MAX, so the packed count fits.
        ORIN_TRY(P.resize(static_cast<int32_t>(orin::linalg::packedCount(A.rows()))));
        return Matrix_to_Compact(A.data(), A.rows(), *mode, P.data());
    });
}

int32_t Compact_to_Matrix_head(DoubleArrayHdl packed, const int32_t *mode, DoubleMatrixHdl a, int32_t *error) {
    orin::DoubleMatrixView A(a);
    return orin::runEntry(error, {A}, [&]() -> orin::Outcome {
        const orin::DoubleArrayView P(packed);
        int32_t n = 0;
        ORIN_TRY(orin::linalg::packedOrderOf(P.size(), &n));
        if (*mode < 0 || *mode > 2) return kErrInvalidSelector;
        ORIN_TRY(A.resize(n, n));
        return Compact_to_Matrix(P.data(), n, *mode, A.data());
    });
}
