#include <orin/statistics.h>

#include <cmath>

#include "detail.h"

int32_t RMS(const double *x, int32_t n, double *rms) {
    if (n < 1) return kErrEmptyArray;
    *rms = static_cast<double>(std::sqrt(orin::sumOfSquaresExtended(x, n) / n));
    return kErrNone;
}
