#include <orin/statistics.h>

#include "detail.h"

int32_t Moment_head(DoubleArrayHdl x, const int32_t *order, double *moment, int32_t *error) {
    return orin::runEntry(error, {moment}, [&]() -> orin::Outcome {
        const orin::DoubleArrayView in(x);
        return Moment(in.data(), in.size(), *order, moment);
    });
}
