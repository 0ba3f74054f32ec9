#include <orin/linalg.h>

#include "detail.h"

namespace {

// The order n of a packed triangle of length len: -20003 when empty,
// -20040 when len is not a triangular number n(n+1)/2.
int32_t packedOrder(const orin::DoubleArrayView &p, int32_t *n) {
    const int32_t len = p.size();
    if (len < 1) return kErrEmptyArray;
    const int64_t order = std::llround((std::sqrt(8.0 * len + 1.0) - 1.0) / 2.0);
    if (orin::linalg::packedCount(static_cast<int32_t>(order)) != len) return kErrNotSquare;
    *n = static_cast<int32_t>(order);
    return kErrNone;
}


}  // namespace

int32_t Cholesky_head(DoubleArrayHdl packed, int32_t *error) {
    orin::DoubleArrayView P(packed);
    return orin::runEntry(error, {P}, [&]() -> orin::Outcome {
        int32_t n = 0;
        ORIN_TRY(packedOrder(P, &n));
        return Cholesky(P.data(), n);
    });
}

int32_t CholeskyLinEqs_head(DoubleArrayHdl packed, DoubleArrayHdl b, int32_t *error) {
    orin::DoubleArrayView B(b);
    return orin::runEntry(error, {B}, [&]() -> orin::Outcome {
        const orin::DoubleArrayView P(packed);
        int32_t n = 0;
        ORIN_TRY(packedOrder(P, &n));
        if (B.size() != n) return kErrArraySizeMismatch;
        return CholeskyLinEqs(P.data(), B.data(), n, B.data());
    });
}

int32_t Cholesky_InvMatrix_head(DoubleArrayHdl packed, int32_t *error) {
    orin::DoubleArrayView P(packed);
    return orin::runEntry(error, {P}, [&]() -> orin::Outcome {
        int32_t n = 0;
        ORIN_TRY(packedOrder(P, &n));
        return Cholesky_InvMatrix(P.data(), n, P.data());
    });
}

int32_t TriLinEqs_head(DoubleArrayHdl packed, int32_t triangle, DoubleArrayHdl b, int32_t *error) {
    orin::DoubleArrayView B(b);
    return orin::runEntry(error, {B}, [&]() -> orin::Outcome {
        const orin::DoubleArrayView P(packed);
        if (triangle != 0 && triangle != 1) return kErrInvalidSelector;
        int32_t n = 0;
        ORIN_TRY(packedOrder(P, &n));
        if (B.size() != n) return kErrArraySizeMismatch;
        return TriLinEqs(P.data(), B.data(), n, triangle, B.data());
    });
}

int32_t Tri_InvMatrix_head(DoubleArrayHdl packed, int32_t triangle, int32_t *error) {
    orin::DoubleArrayView P(packed);
    return orin::runEntry(error, {P}, [&]() -> orin::Outcome {
        if (triangle != 0 && triangle != 1) return kErrInvalidSelector;
        int32_t n = 0;
        ORIN_TRY(packedOrder(P, &n));
        return Tri_InvMatrix(P.data(), n, triangle, P.data());
    });
}

int32_t Matrix_to_Compact_head(DoubleMatrixHdl a, int32_t mode, DoubleArrayHdl packed, int32_t *error) {
    orin::DoubleArrayView P(packed);
    return orin::runEntry(error, {P}, [&]() -> orin::Outcome {
        const orin::DoubleMatrixView A(a);
        ORIN_TRY(orin::linalg::checkSquare(A));
        if (mode < 0 || mode > 2) return kErrInvalidSelector;
        const int64_t len = orin::linalg::packedCount(A.rows());
        if (len > INT32_MAX) return kErrOutOfMemory;
        ORIN_TRY(P.resize(static_cast<int32_t>(len)));
        return Matrix_to_Compact(A.data(), A.rows(), mode, P.data());
    });
}

int32_t Compact_to_Matrix_head(DoubleArrayHdl packed, int32_t mode, DoubleMatrixHdl a, int32_t *error) {
    orin::DoubleMatrixView A(a);
    return orin::runEntry(error, {A}, [&]() -> orin::Outcome {
        const orin::DoubleArrayView P(packed);
        int32_t n = 0;
        ORIN_TRY(packedOrder(P, &n));
        if (mode < 0 || mode > 2) return kErrInvalidSelector;
        ORIN_TRY(A.resize(n, n));
        return Compact_to_Matrix(P.data(), n, mode, A.data());
    });
}
