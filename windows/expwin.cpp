#include <orin/windows.h>

#include <cmath>

#include "detail.h"

// w[i] = final^(i/(n-1)), the exponent accumulated by addition.
int32_t ExpWin(double *x, int32_t n, double final) {
    if (n < 2) return kErrTooFewSamples;
    if (!(final > 0)) return kErrFinalValue;
    const orin::extended a = std::log(final) / static_cast<orin::extended>(n - 1);
    orin::extended e = 0;
    for (int32_t i = 0; i < n; ++i) {
        orin::windows::scale(x[i], std::exp(static_cast<double>(e)));
        e += a;
    }
    return kErrNone;
}
