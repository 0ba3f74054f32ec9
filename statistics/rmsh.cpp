#include <orin/statistics.h>

#include "detail.h"

int32_t RMS_head(DoubleArrayHdl x, double *rms, int32_t *error) {
    return orin::runEntry(error, {rms}, [&]() -> orin::Outcome {
        const orin::DoubleArrayView in(x);
        return RMS(in.data(), in.size(), rms);
    });
}
