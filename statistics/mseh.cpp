#include <orin/statistics.h>

#include "detail.h"

int32_t MSE_head(DoubleArrayHdl x, DoubleArrayHdl y, double *mse, int32_t *error) {
    return orin::runEntry(error, {mse}, [&]() -> orin::Outcome {
        const orin::DoubleArrayView xs(x);
        const orin::DoubleArrayView ys(y);
        return MSE(xs.data(), xs.size(), ys.data(), ys.size(), mse);
    });
}
