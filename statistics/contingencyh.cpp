#include <orin/statistics.h>

#include "../frame/kit.h"

int32_t Contingency_head(Int32MatrixHdl counts, double *chi2, double *p, int32_t *error) {
    return orin::runEntry(error, {chi2, p}, [&]() -> orin::Outcome {
        const orin::Int32MatrixView table(counts);
        if (table.rows() < 0 || table.cols() < 0) return kErrNegativeCount;
        return Contingency_Table(table.rows(), table.cols(), table.data(), chi2, p);
    });
}
