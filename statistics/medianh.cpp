#include <orin/statistics.h>

#include "detail.h"

int32_t Median_head(DoubleArrayHdl x, double *median, int32_t *error) {
    return orin::runEntry(error, {median}, [&]() -> orin::Outcome {
        const orin::DoubleArrayView in(x);
        if (in.size() < 1) return kErrEmptyArray;
        return Median(in.data(), in.size(), median);
    });
}
