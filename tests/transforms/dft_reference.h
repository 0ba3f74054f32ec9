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

// The 32-bit suite runs under user-mode emulation, where long double
// arithmetic is done in software, and the sanitizer build is slow as well:
// those builds check a subset of the lengths and leave out the largest.
#if defined(__SANITIZE_ADDRESS__) || defined(__i386__)
constexpr bool kReducedSuite = true;
#else
constexpr bool kReducedSuite = false;
#endif

using LCx = std::complex<long double>;

// X[k] = sum_t x[t] e^(sign 2 pi i t k / n), O(n^2) in long double, with the
// exponentials from a table of n roots indexed by t k mod n (exact indices,
// so the only rounding is that of long double arithmetic).
inline std::vector<LCx> directDFT(const std::vector<double> &re, const std::vector<double> &im, int sign = -1) {
    const size_t n = re.size();
    const long double pi = 3.141592653589793238462643383279502884L;
    std::vector<long double> c(n), s(n);
    for (size_t j = 0; j < n; ++j) {
        c[j] = std::cos(2 * pi * j / n);
        s[j] = sign * std::sin(2 * pi * j / n);
    }
    std::vector<LCx> out(n);
    for (size_t k = 0; k < n; ++k) {
        long double sr = 0, si = 0;
        size_t j = 0;
        for (size_t t = 0; t < n; ++t) {
            sr += re[t] * c[j] - im[t] * s[j];
            si += re[t] * s[j] + im[t] * c[j];
            j += k;
            if (j >= n) j -= n;
        }
        out[k] = LCx(sr, si);
    }
    return out;
}

// Discrete Hartley transform sum_t x[t] (cos + sin)(2 pi t k / n), directly.
inline std::vector<double> directDHT(const std::vector<double> &x) {
    const size_t n = x.size();
    const long double pi = 3.141592653589793238462643383279502884L;
    std::vector<long double> cas(n);
    for (size_t j = 0; j < n; ++j) cas[j] = std::cos(2 * pi * j / n) + std::sin(2 * pi * j / n);
    std::vector<double> out(n);
    for (size_t k = 0; k < n; ++k) {
        long double s = 0;
        size_t j = 0;
        for (size_t t = 0; t < n; ++t) {
            s += x[t] * cas[j];
            j += k;
            if (j >= n) j -= n;
        }
        out[k] = static_cast<double>(s);
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



// Lengths whose factor list holds a radix of 3, 5, 8 or 10 (through MixFFT).
inline bool usesShortConstants(int32_t n) {
    if ((n & (n - 1)) == 0 && n <= 10000000) return false;
    int32_t factors[32], count = -1;
    factorize(n, &count, factors);
    for (int32_t i = 1; i <= count; ++i)
        if (factors[i] == 3 || factors[i] == 5 || factors[i] == 8 || factors[i] == 10) return true;
    return false;
}

// The forward transform's bound for length n (see accuracy_test.cpp).
inline double forwardBound(int32_t n) { return usesShortConstants(n) ? 2.5e-14 : logBound(1, n); }

}  // namespace orintest

#endif
