#include <orin/linalg.h>

#include "detail.h"

int32_t MatrixMul_head(DoubleMatrixHdl a, DoubleMatrixHdl b, DoubleMatrixHdl c, int32_t *error) {
    orin::DoubleMatrixView out(c);
    return orin::runEntry(error, {out}, [&]() -> orin::Outcome {
        const orin::DoubleMatrixView A(a), B(b);
        ORIN_TRY(orin::checkShape(A.rows(), A.cols()));
        ORIN_TRY(orin::checkShape(B.rows(), B.cols()));
        ORIN_TRY(orin::requireConformable(A.cols(), B.rows()));
        const int32_t m = A.rows(), k = A.cols(), n = B.cols();
        ORIN_TRY(orin::checkShape(m, n));
        // c may be a or b: then the product is formed before the resize.
        return orin::linalg::productInto(
            out, c == a || c == b, orin::linalg::cells(m, n), [&] { return out.resize(m, n); },
            [&](double *dest) { return MatrixMul(A.data(), B.data(), m, k, n, dest); });
    });
}

int32_t DotProduct_head(DoubleArrayHdl x, DoubleArrayHdl y, double *out, int32_t *error) {
    return orin::runEntry(error, {out}, [&]() -> orin::Outcome {
        const orin::DoubleArrayView X(x), Y(y);
        if (X.size() != Y.size()) return kErrArraySizeMismatch;
        if (X.size() < 1) return kErrEmptyArray;
        return DotProduct(X.data(), Y.data(), X.size(), out);
    });
}

int32_t AxVect_head(DoubleMatrixHdl a, DoubleArrayHdl x, DoubleArrayHdl y, int32_t *error) {
    orin::DoubleArrayView out(y);
    return orin::runEntry(error, {out}, [&]() -> orin::Outcome {
        const orin::DoubleMatrixView A(a);
        const orin::DoubleArrayView X(x);
        ORIN_TRY(orin::checkShape(A.rows(), A.cols()));
        if (X.size() < 1) return kErrEmptyArray;
        ORIN_TRY(orin::requireConformable(A.cols(), X.size()));
        return orin::linalg::productInto(
            out, y == x, A.rows(), [&] { return out.resize(A.rows()); },
            [&](double *dest) { return AxVect(A.data(), A.rows(), A.cols(), X.data(), dest); });
    });
}

int32_t OuterProd_head(DoubleArrayHdl x, DoubleArrayHdl y, DoubleMatrixHdl out, int32_t *error) {
    orin::DoubleMatrixView o(out);
    return orin::runEntry(error, {o}, [&]() -> orin::Outcome {
        const orin::DoubleArrayView X(x), Y(y);
        ORIN_TRY(orin::checkShape(X.size(), Y.size()));
        ORIN_TRY(o.resize(X.size(), Y.size()));
        return OuterProduct(X.data(), X.size(), Y.data(), Y.size(), o.data());
    });
}

int32_t Trace_head(DoubleMatrixHdl a, double *out, int32_t *error) {
    return orin::runEntry(error, {out}, [&]() -> orin::Outcome {
        const orin::DoubleMatrixView A(a);
        ORIN_TRY(orin::checkShape(A.rows(), A.cols()));
        return Trace(A.data(), A.rows(), A.cols(), out);
    });
}
