#include <orin/statistics.h>

#include "detail.h"

int32_t MSE(const double *x, int32_t nx, const double *y, double ny, double *mse) {
    if (nx < 1) return kErrEmptyArray;
    // Written so that a NaN count fails too: it could not be truncated to a
    // length.
    if (!(ny >= 1)) return kErrEmptyArray;
    // The shorter length; ny converts only when it is below nx, so it fits.
    const int32_t m = nx <= ny ? nx : static_cast<int32_t>(ny);
    orin::extended s = 0;
    for (int32_t i = 0; i < m; ++i) {
        const orin::extended d = static_cast<orin::extended>(x[i]) - y[i];
        s += d * d;
    }
    *mse = static_cast<double>(s / m);
    return kErrNone;
}
