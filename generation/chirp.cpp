#include <orin/generation.h>

#include <cmath>

#include "detail.h"

using orin::extended;

// Linear chirp: the phase i (a i + 2 pi f1) has the derivative 2 pi f1 + 2 a i,
// which runs from 2 pi f1 at i = 0 to 2 pi f2 at i = n.
int32_t Chirp(int32_t n, double amp, double f1, double f2, double *out) {
    if (n < 1) return kErrEmptyArray;
    const extended a = (static_cast<extended>(f2) - f1) * orin::kPi / n;
    const double w1 = orin::kTwoPi * f1;
    for (int32_t i = 0; i < n; ++i) out[i] = static_cast<double>(amp * std::sin(i * (a * i + w1)));
    return kErrNone;
}
