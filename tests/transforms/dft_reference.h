// Independent references for the transform suites: the DFT computed directly
// in long double, and error measures.
#ifndef ORIN_TESTS_TRANSFORMS_DFT_REFERENCE_H
#define ORIN_TESTS_TRANSFORMS_DFT_REFERENCE_H

#include <cmath>
#include <complex>
#include <cstdint>
#include <vector>

#include <orin/transforms.h>

namespace orintest {

// Under emulation (32-bit) long double is done in software and the sanitizer
// build is slow: those builds check a subset of lengths and skip the largest.
#if defined(__SANITIZE_ADDRESS__) || defined(__i386__)
constexpr bool kReducedSuite = true;
#else
constexpr bool kReducedSuite = false;
#endif

using LCx = std::complex<long double>;

// X[k] = sum_t x[t] e^(sign 2 pi i t k / n) in long double, the exponentials
// from a table indexed by t k mod n (exact indices). For real x, the Hartley
// transform is Re X - Im X (sign -1).
inline std::vector<LCx> directDFT(const std::vector<double> &re, const std::vector<double> &im, int sign = -1) {
    const size_t n = re.size();
    const long double pi = 3.141592653589793238462643383279502884L;
    std::vector<long double> c(n), s(n);
    for (size_t j = 0; j < n; ++j) c[j] = std::cos(2 * pi * j / n), s[j] = sign * std::sin(2 * pi * j / n);
    std::vector<LCx> out(n);
    for (size_t k = 0; k < n; ++k) {
        long double sr = 0, si = 0;
        for (size_t t = 0, j = 0; t < n; ++t, j = j + k >= n ? j + k - n : j + k) {
            sr += re[t] * c[j] - im[t] * s[j];
            si += re[t] * s[j] + im[t] * c[j];
        }
        out[k] = LCx(sr, si);
    }
    return out;
}

inline std::vector<LCx> directDFT(const std::vector<double> &re) { return directDFT(re, std::vector<double>(re.size(), 0.0)); }

// Relative RMS error sqrt(sum |got - want|^2 / sum |want|^2) (absolute if want = 0).
inline double relativeRms(const std::vector<double> &re, const std::vector<double> &im, const std::vector<LCx> &want) {
    long double e = 0, w = 0;
    for (size_t k = 0; k < want.size(); ++k) e += std::norm(LCx(re[k], im[k]) - want[k]), w += std::norm(want[k]);
    return std::sqrt(static_cast<double>(w == 0 ? e : e / w));
}

inline double relativeRms(const std::vector<double> &got, const std::vector<double> &want) {
    long double e = 0, w = 0;
    for (size_t k = 0; k < want.size(); ++k) e += std::norm(LCx(got[k]) - LCx(want[k])), w += std::norm(LCx(want[k]));
    return std::sqrt(static_cast<double>(w == 0 ? e : e / w));
}

// Bound for a transform of length n: c log2(n) 2^-52 (one stage for n < 2).
inline double logBound(double c, int64_t n) {
    return c * std::max(1.0, std::log2(static_cast<double>(n))) * 2.220446049250313e-16;
}

// Lengths whose factor list holds a radix of 3, 5, 8 or 10 (through MixFFT).
inline bool usesShortConstants(int32_t n) {
    if ((n & (n - 1)) == 0 && n <= 10000000) return false;
    int32_t factors[32], count = -1;
    factorize(n, &count, factors);
    for (int32_t i = 1; i <= count; ++i)
        if (factors[i] == 3 || factors[i] == 5 || factors[i] == 8 || factors[i] == 10) return true;
    return false;
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
