// Handle entry points of the complex special matrices and the conjugate
// transpose.
#include <orin/linalg.h>

#include "detail.h"

using namespace orin;

int32_t CxSpecialMatrix_head(const int32_t *code, const int32_t *n, ComplexArrayHdl x, ComplexArrayHdl y,
                             ComplexMatrixHdl out, int32_t *error) {
    ComplexMatrixView o(out);
    return runEntry(error, {o}, [&]() -> Outcome {
        const ComplexArrayView xv(x), yv(y);
        int32_t rows = 0, cols = 0;
        ORIN_TRY(linalg::specialShape(*code, *n, xv.size(), yv.size(), &rows, &cols));
        ORIN_TRY(checkShape(rows, cols, sizeof(complexnum)));
        ORIN_TRY(o.resize(rows, cols));
        return CxSpecialMatrix(*code, *n, xv.data(), xv.size(), yv.data(), yv.size(), o.data());
    });
}

int32_t CxTranspose_head(ComplexMatrixHdl a, ComplexMatrixHdl out, int32_t *error) {
    ComplexMatrixView o(out);
    return runEntry(error, {o}, [&]() -> Outcome {
        const ComplexMatrixView A(a);
        const int32_t m = A.rows(), n = A.cols();
        ORIN_TRY(checkShape(m, n, sizeof(complexnum)));
        ORIN_TRY(o.resize(n, m));
        // Read after the resize: when out is a itself, its block (same
        // element count) may have moved, and the core transposes in place.
        return CxTranspose(A.data(), m, n, o.data());
    });
}
