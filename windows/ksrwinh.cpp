#include <orin/windows.h>

#include "detail.h"

int32_t Kaiser_Bessel(DoubleArrayHdl x, const double *beta, int32_t *error) {
    return orin::windows::applyInPlace(x, error, [&](double *v, int32_t n) { return KsrWin(v, n, *beta); });
}
