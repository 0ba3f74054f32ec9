// Linear-phase FIR responses evaluated directly in long double, for judging
// designs by what they achieve.
#ifndef ORIN_TESTS_FILTERS_FIR_REFERENCE_H
#define ORIN_TESTS_FIR_REFERENCE_H

#include <cmath>
#include <vector>

#include "support/reference.h"

namespace firtest {

// Real amplitude A(f) of taps h at f (cycles per sample) about the centre
// c = (N-1)/2: sum h[k] cos(w (k - c)) for symmetric taps, sum h[k]
// sin(w (c - k)) for antisymmetric ones, so that H = A e^(-j w c) (times -j
// when antisymmetric).
inline long double amplitude(const std::vector<double> &h, long double f, bool symmetric) {
    const long double w = 2 * orintest::kPiL * f, c = (h.size() - 1) / 2.0L;
    long double a = 0;
    for (size_t k = 0; k < h.size(); ++k)
        a += h[k] * (symmetric ? std::cos(w * (k - c)) : std::sin(w * (c - k)));
    return a;
}

}  // namespace firtest

#endif
