#include <orin/linalg.h>

#include "detail.h"

int32_t SymEvectorEvalue_head(DoubleMatrixHdl a, const int32_t *wantVectors, DoubleArrayHdl values, int32_t *error) {
    orin::DoubleMatrixView A(a);
    orin::DoubleArrayView W(values);
    const MgErr status = orin::runEntry(error, {A, W}, [&]() -> orin::Outcome {
        ORIN_TRY(orin::linalg::checkSquare(A));
        ORIN_TRY(W.resize(A.rows()));
        return SymEvectorEvalue(A.data(), A.rows(), *wantVectors, A.data(), W.data());
    });
    // Without vectors the matrix handle held only work space.
    if (*error == 0 && *wantVectors != 1) A.empty();
    return status;
}

int32_t EigenValueVector_head(DoubleMatrixHdl a, const int32_t *wantVectors, ComplexArrayHdl values,
                              ComplexMatrixHdl vectors, int32_t *error) {
    orin::ComplexArrayView W(values);
    orin::ComplexMatrixView Z(vectors);
    W.empty();
    Z.empty();
    return orin::runEntry(error, {W, Z}, [&]() -> orin::Outcome {
        const orin::DoubleMatrixView A(a);
        ORIN_TRY(orin::linalg::checkSquare(A));
        ORIN_TRY(W.resize(A.rows()));
        if (*wantVectors == 1) ORIN_TRY(Z.resize(A.rows(), A.rows()));
        return GenEigenValueVector(A.data(), A.rows(), *wantVectors, W.data(), *wantVectors == 1 ? Z.data() : nullptr);
    });
}

int32_t qrd_head(DoubleMatrixHdl a, const int32_t *algorithm, DoubleMatrixHdl q, DoubleMatrixHdl r, int32_t *error) {
    orin::DoubleMatrixView Q(q), R(r);
    return orin::runEntry(error, {Q, R}, [&]() -> orin::Outcome {
        const orin::DoubleMatrixView A(a);
        const int32_t m = A.rows(), n = A.cols();
        ORIN_TRY(orin::checkShape(m, n));
        if (*algorithm < 0 || *algorithm > 2) return kErrInvalidSelector;
        ORIN_TRY(Q.resize(m, m));
        ORIN_TRY(R.resize(m, n));
        int32_t rank = 0;
        return qrd(A.data(), m, n, *algorithm, Q.data(), R.data(), &rank);
    });
}
