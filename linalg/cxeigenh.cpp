// Handle entry point of the complex eigen-decompositions.
#include <orin/linalg.h>

#include "detail.h"

int32_t CxEigenValueVector_head(ComplexMatrixHdl a, const int32_t *matrixType, const int32_t *wantVectors,
                                ComplexArrayHdl values, ComplexMatrixHdl vectors, int32_t *error) {
    orin::ComplexArrayView W(values);
    orin::ComplexMatrixView Z(vectors);
    W.empty();
    Z.empty();
    return orin::runEntry(error, {W, Z}, [&]() -> orin::Outcome {
        const orin::ComplexMatrixView A(a);
        ORIN_TRY(orin::linalg::checkSquare(A));
        if (*matrixType != 0 && *matrixType != 1) return kErrInvalidSelector;
        const bool want = *wantVectors == 1;
        ORIN_TRY(W.resize(A.rows()));
        if (want) ORIN_TRY(Z.resize(A.rows(), A.cols()));
        return CxEigenValueVector(A.data(), A.rows(), *matrixType, *wantVectors, W.data(), want ? Z.data() : nullptr);
    });
}
