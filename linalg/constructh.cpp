#include <orin/linalg.h>

#include "detail.h"

int32_t SpecialMatrix_head(int32_t code, int32_t n, DoubleArrayHdl x, DoubleArrayHdl y, DoubleMatrixHdl out,
                           int32_t *error) {
    orin::DoubleMatrixView o(out);
    return orin::runEntry(error, {o}, [&]() -> orin::Outcome {
        const orin::DoubleArrayView xv(x), yv(y);
        int32_t rows = 0, cols = 0;
        switch (code) {
            case 0: rows = cols = n; break;
            case 1:
            case 3: rows = cols = xv.size(); break;
            case 2: rows = xv.size(), cols = yv.size(); break;
            case 4: rows = cols = xv.size() - 1; break;
            default: return kErrInvalidSelector;
        }
        ORIN_TRY(orin::checkShape(rows, cols));
        ORIN_TRY(o.resize(rows, cols));
        return SpecialMatrix(code, n, xv.data(), xv.size(), yv.data(), yv.size(), o.data());
    });
}
