#include <orin/windows.h>

#include "detail.h"

int32_t ForceWindCIN(DoubleArrayHdl x, const double *duty, int32_t *error) {
    return orin::windows::applyInPlace(x, error, [&](double *v, int32_t n) { return ForceWin(v, n, *duty); });
}
