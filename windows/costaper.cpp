#include <orin/windows.h>

#include <cmath>

#include "detail.h"

// A sin^2 (Tukey-style) taper over the first and last tenth of the record.
int32_t CosTaperedWin(double *x, int32_t n) {
    const int32_t m = n / 10;
    if (m < 1) return kErrNone;
    x[0] = 0;
    x[n - 1] = 0;
    const orin::extended step = orin::kPi / (2.0 * m);
    orin::extended theta = 0;
    for (int32_t i = 1; i < m; ++i) {
        theta += step;
        const orin::extended s = std::sin(static_cast<double>(theta));
        const orin::extended w = s * s;
        orin::windows::scale(x[i], w);
        orin::windows::scale(x[n - 1 - i], w);
    }
    return kErrNone;
}
