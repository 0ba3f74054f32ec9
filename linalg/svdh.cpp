#include <orin/linalg.h>

#include "detail.h"

using orin::linalg::cells;

int32_t SVD_head(DoubleMatrixHdl a, DoubleArrayHdl s, DoubleMatrixHdl v, int32_t *error) {
    orin::DoubleMatrixView A(a), V(v);
    orin::DoubleArrayView S(s);
    S.empty();
    V.empty();
    return orin::runEntry(error, {A, S, V}, [&]() -> orin::Outcome {
        ORIN_TRY(orin::checkShape(A.rows(), A.cols()));
        if (A.rows() < A.cols()) return kErrBadArraySize;
        ORIN_TRY(V.resize(A.cols(), A.cols()));
        ORIN_TRY(S.resize(A.cols()));
        return SVD(A.data(), A.rows(), A.cols(), S.data(), V.data());
    });
}

int32_t SVDS_head(DoubleMatrixHdl a, DoubleArrayHdl s, int32_t *error) {
    orin::DoubleArrayView S(s);
    return orin::runEntry(error, {S}, [&]() -> orin::Outcome {
        const orin::DoubleMatrixView A(a);
        ORIN_TRY(orin::checkShape(A.rows(), A.cols()));
        if (A.rows() < A.cols()) return kErrBadArraySize;
        // The values are taken from a copy: the caller's matrix survives.
        orin::Scratch<double> copy(cells(A.rows(), A.cols()));
        if (!copy) return kErrOutOfMemory;
        orin::linalg::copyCells(A.data(), cells(A.rows(), A.cols()), copy.data());
        ORIN_TRY(S.resize(A.cols()));
        return SVDS(copy.data(), A.rows(), A.cols(), S.data());
    });
}

int32_t PseudoInverse_head(DoubleMatrixHdl a, const double *tol, int32_t *error) {
    orin::DoubleMatrixView A(a);
    return orin::runEntry(error, {A}, [&]() -> orin::Outcome {
        const int32_t m = A.rows(), n = A.cols();
        ORIN_TRY(orin::checkShape(m, n));
        orin::Scratch<double> out(cells(m, n));
        if (!out) return kErrOutOfMemory;
        ORIN_TRY(PseudoInverse(A.data(), m, n, *tol, out.data()));
        ORIN_TRY(A.resize(n, m));
        orin::linalg::copyCells(out.data(), cells(m, n), A.data());
        return kErrNone;
    });
}

int32_t Rank_head(DoubleMatrixHdl a, const double *tol, int32_t *rank, int32_t *error) {
    *rank = -1;
    return orin::runEntry(error, {}, [&]() -> orin::Outcome {
        const orin::DoubleMatrixView A(a);
        ORIN_TRY(orin::checkShape(A.rows(), A.cols()));
        const int32_t code = Rank(A.data(), A.rows(), A.cols(), *tol, rank);
        if (code != kErrNone) *rank = -1;
        return code;
    });
}

int32_t Norm_head(DoubleMatrixHdl a, const int32_t *normCode, double *out, int32_t *error) {
    return orin::runEntry(error, {out}, [&]() -> orin::Outcome {
        const orin::DoubleMatrixView A(a);
        ORIN_TRY(orin::checkShape(A.rows(), A.cols()));
        return Norm(A.data(), A.rows(), A.cols(), *normCode, out);
    });
}
