#include <orin/linalg.h>

#include "detail.h"

int32_t SpecialMatrix_head(const int32_t *code, const int32_t *n, DoubleArrayHdl x, DoubleArrayHdl y,
                           DoubleMatrixHdl out, int32_t *error) {
    orin::DoubleMatrixView o(out);
    return orin::runEntry(error, {o}, [&]() -> orin::Outcome {
        const orin::DoubleArrayView xv(x), yv(y);
        int32_t rows = 0, cols = 0;
        ORIN_TRY(orin::linalg::specialShape(*code, *n, xv.size(), yv.size(), &rows, &cols));
        ORIN_TRY(orin::checkShape(rows, cols));
        ORIN_TRY(o.resize(rows, cols));
        return SpecialMatrix(*code, *n, xv.data(), xv.size(), yv.data(), yv.size(), o.data());
    });
}
