#include <orin/windows.h>

#include "detail.h"

// Triangle (Bartlett) window on the periodic grid: w[i] = i/h, h = n/2,
// symmetric about n/2.
int32_t TriWin(double *x, int32_t n) {
    if (n < 1) return kErrEmptyArray;
    const int32_t h = n / 2;
    x[0] = 0;
    if (h < 1) return kErrNone;
    const int32_t K = (n % 2 == 0) ? h - 1 : h;
    const orin::extended step = 1.0L / h;
    orin::extended w = 0;
    for (int32_t i = 1; i <= K; ++i) {
        w += step;
        orin::windows::scale(x[i], w);
        orin::windows::scale(x[n - i], w);
    }
    return kErrNone;
}
