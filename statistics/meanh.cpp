#include <orin/statistics.h>

#include "detail.h"

int32_t Mean_head(DoubleArrayHdl x, double *mean, int32_t *error) {
    return orin::runEntry(error, {mean}, [&]() -> orin::Outcome {
        const orin::DoubleArrayView in(x);
        if (in.size() < 1) return kErrEmptyArray;
        *mean = static_cast<double>(orin::sumExtended(in.data(), in.size()) / in.size());
        return kErrNone;
    });
}
