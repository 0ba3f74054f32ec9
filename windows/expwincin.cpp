#include <orin/windows.h>

#include "detail.h"

int32_t ExpWindCIN(DoubleArrayHdl x, const double *final, int32_t *error) {
    return orin::windows::applyInPlace(x, error, [&](double *v, int32_t n) { return ExpWin(v, n, *final); });
}
