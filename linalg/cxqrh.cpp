// Handle entry point of the complex QR factorisation.
#include <orin/linalg.h>

#include "detail.h"

int32_t Cxqrd_head(ComplexMatrixHdl a, const int32_t *algorithm, ComplexMatrixHdl q, ComplexMatrixHdl r,
                   int32_t *error) {
    orin::ComplexMatrixView Q(q), R(r);
    return orin::runEntry(error, {Q, R}, [&]() -> orin::Outcome {
        const orin::ComplexMatrixView A(a);
        const int32_t m = A.rows(), n = A.cols();
        ORIN_TRY(orin::checkShape(m, n, sizeof(complexnum)));
        ORIN_TRY(orin::checkShape(m, m, sizeof(complexnum)));
        if (*algorithm != 0) return kErrInvalidSelector;
        ORIN_TRY(Q.resize(m, m));
        ORIN_TRY(R.resize(m, n));
        return Cxqrd(A.data(), m, n, *algorithm, Q.data(), R.data(), nullptr);
    });
}
