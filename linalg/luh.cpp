#include <orin/linalg.h>

#include "detail.h"

int32_t LU_head(DoubleMatrixHdl a, Int32ArrayHdl perm, int32_t *parity, int32_t *error) {
    orin::DoubleMatrixView A(a);
    orin::Int32ArrayView P(perm);
    return orin::runEntry(error, {A, P, parity}, [&]() -> orin::Outcome {
        ORIN_TRY(orin::linalg::checkSquare(A));
        ORIN_TRY(P.resize(A.rows()));
        int32_t singular = 0;
        LU(A.data(), P.data(), A.rows(), parity, &singular);
        return singular ? kErrSingularMatrix : kErrNone;
    });
}

int32_t LULinEqs_head(DoubleMatrixHdl lu, Int32ArrayHdl perm, DoubleArrayHdl b, int32_t *error) {
    orin::DoubleArrayView B(b);
    return orin::runEntry(error, {B}, [&]() -> orin::Outcome {
        const orin::DoubleMatrixView L(lu);
        const orin::Int32ArrayView P(perm);
        ORIN_TRY(orin::linalg::checkSquare(L));
        if (P.size() != L.rows() || B.size() != L.rows()) return kErrArraySizeMismatch;
        ORIN_TRY(orin::linalg::checkPermutation(P, L.rows()));
        return LULinEqs(L.data(), P.data(), B.data(), L.rows(), B.data());
    });
}

int32_t LUInvMatrix_head(DoubleMatrixHdl lu, Int32ArrayHdl perm, int32_t *error) {
    orin::DoubleMatrixView L(lu);
    return orin::runEntry(error, {L}, [&]() -> orin::Outcome {
        const orin::Int32ArrayView P(perm);
        ORIN_TRY(orin::linalg::checkSquare(L));
        if (P.size() != L.rows()) return kErrArraySizeMismatch;
        ORIN_TRY(orin::linalg::checkPermutation(P, L.rows()));
        return LUInvMatrix(L.data(), P.data(), L.rows(), L.data());
    });
}

int32_t GenLinEqs_head(DoubleMatrixHdl a, DoubleArrayHdl b, DoubleArrayHdl x, int32_t *error) {
    orin::DoubleArrayView X(x);
    return orin::runEntry(error, {X}, [&]() -> orin::Outcome {
        const orin::DoubleMatrixView A(a);
        const orin::DoubleArrayView B(b);
        ORIN_TRY(orin::checkShape(A.rows(), A.cols()));
        if (B.size() != A.rows()) return kErrArraySizeMismatch;
        ORIN_TRY(X.resize(A.cols()));
        return GenLinEqs(A.data(), A.rows(), A.cols(), B.data(), X.data());
    });
}

int32_t Determinant_head(DoubleMatrixHdl a, const int32_t *type, double *det, int32_t *error) {
    return orin::runEntry(error, {det}, [&]() -> orin::Outcome {
        const orin::DoubleMatrixView A(a);
        ORIN_TRY(orin::linalg::checkSquare(A));
        return Determinant(A.data(), A.rows(), *type, det);
    });
}

int32_t CondNumber_head(DoubleMatrixHdl a, const int32_t *normCode, double *cond, int32_t *error) {
    return orin::runEntry(error, {cond}, [&]() -> orin::Outcome {
        const orin::DoubleMatrixView A(a);
        ORIN_TRY(orin::checkShape(A.rows(), A.cols()));
        return CondNumber(A.data(), A.rows(), A.cols(), *normCode, cond);
    });
}

int32_t CheckPosdef_head(DoubleMatrixHdl a, int32_t *result, int32_t *error) {
    *result = 0;
    return orin::runEntry(error, {result}, [&]() -> orin::Outcome {
        const orin::DoubleMatrixView A(a);
        ORIN_TRY(orin::linalg::checkSquare(A));
        return CheckPosdef(A.data(), A.rows(), result);
    });
}
