// The transform suites' error bounds, over the shared direct DFT of
// support/reference.h (which the prelude brings).
#ifndef ORIN_TESTS_TRANSFORMS_DFT_REFERENCE_H
#define ORIN_TESTS_TRANSFORMS_DFT_REFERENCE_H

#include "support/prelude.h"

namespace orintest {

// Bound for a transform of length n: c log2(n) 2^-52 (one stage for n < 2).
inline double logBound(double c, int64_t n) {
    return c * std::max(1.0, std::log2(static_cast<double>(n))) * 2.220446049250313e-16;
}

// Lengths that may get a radix-3, 5, 8 or 10 stage with 14-digit constants:
// those with a prime factor above 5, and the powers of two beyond the
// split-radix limit of 10,000,000. The 2, 3, 5-smooth lengths go by passes
// with full-precision constants. Decided from n alone, not from the
// library's own factor list.
inline bool usesShortConstants(int32_t n) {
    if ((n & (n - 1)) == 0) return n > 10000000;
    int32_t rest = n;
    for (int32_t p : {2, 3, 5})
        while (rest % p == 0) rest /= p;
    return rest > 1 && (n % 3 == 0 || n % 5 == 0 || n % 8 == 0);
}

// The forward transform's bound for length n (see accuracy_test.cpp), and
// that of a forward-inverse pair.
inline double forwardBound(int32_t n) { return usesShortConstants(n) ? 2.5e-14 : logBound(1, n); }
inline double roundTripBound(int32_t n) { return 2 * forwardBound(n) + logBound(2, n); }

// Splits interleaved pairs, and the reverse.
inline void deinterleave(const double *c, int32_t n, std::vector<double> &re, std::vector<double> &im) {
    re.resize(n), im.resize(n);
    for (int32_t k = 0; k < n; ++k) re[k] = c[2 * k], im[k] = c[2 * k + 1];
}
inline std::vector<double> interleave(const std::vector<double> &re, const std::vector<double> &im) {
    std::vector<double> c(2 * re.size());
    for (size_t i = 0; i < re.size(); ++i) c[2 * i] = re[i], c[2 * i + 1] = im.empty() ? 0.0 : im[i];
    return c;
}

}  // namespace orintest

#endif
