#include <orin/statistics.h>

#include "detail.h"

void Ave(const double *x, int32_t n, double *mean) { *mean = static_cast<double>(orin::sumExtended(x, n) / n); }
