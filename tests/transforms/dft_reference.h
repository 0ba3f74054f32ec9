// Independent references for the transform suites: the DFT computed directly
// in long double, and error measures.
#ifndef ORIN_TESTS_TRANSFORMS_DFT_REFERENCE_H
#define ORIN_TESTS_TRANSFORMS_DFT_REFERENCE_H

#include <cmath>
#include <complex>
#include <cstdint>
#include <vector>

namespace orintest {

using LCx = std::complex<long double>;

// X[k] = sum_t x[t] e^(sign 2 pi i t k / n), O(n^2) in long double, with the
// exponentials from a table of n roots indexed by t k mod n (exact indices,
// so the only rounding is that of long double arithmetic).
inline std::vector<LCx> directDFT(const std::vector<double> &re, const std::vector<double> &im, int sign = -1) {
    const size_t n = re.size();
    const long double pi = 3.141592653589793238462643383279502884L;
    std::vector<LCx> roots(n), out(n);
    for (size_t j = 0; j < n; ++j)
        roots[j] = LCx(std::cos(2 * pi * j / n), sign * std::sin(2 * pi * j / n));
    for (size_t k = 0; k < n; ++k) {
        LCx s = 0;
        size_t j = 0;
        for (size_t t = 0; t < n; ++t) {
            s += LCx(re[t], im[t]) * roots[j];
            j += k;
            if (j >= n) j -= n;
        }
        out[k] = s;
    }
    return out;
}

// Relative RMS error sqrt(sum |got - want|^2 / sum |want|^2).
inline double relativeRms(const std::vector<double> &re, const std::vector<double> &im, const std::vector<LCx> &want) {
    long double e = 0, w = 0;
    for (size_t k = 0; k < want.size(); ++k) {
        const LCx d = LCx(re[k], im[k]) - want[k];
        e += std::norm(d);
        w += std::norm(want[k]);
    }
    return w == 0 ? std::sqrt(static_cast<double>(e)) : std::sqrt(static_cast<double>(e / w));
}

// The same against a real reference vector.
inline double relativeRms(const std::vector<double> &got, const std::vector<double> &want) {
    long double e = 0, w = 0;
    for (size_t k = 0; k < want.size(); ++k) {
        const long double d = static_cast<long double>(got[k]) - want[k];
        e += d * d;
        w += static_cast<long double>(want[k]) * want[k];
    }
    return w == 0 ? std::sqrt(static_cast<double>(e)) : std::sqrt(static_cast<double>(e / w));
}

// Bound for a transform of length n: c log2(n) 2^-52 (at least one
// stage's worth for n < 2).
inline double logBound(double c, int64_t n) {
    return c * std::max(1.0, std::log2(static_cast<double>(n))) * 2.220446049250313e-16;
}

}  // namespace orintest

#endif
