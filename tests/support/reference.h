// Independent references shared by the suites: seeded data, long-double π,
// and the DFT and the convolution computed directly in long double.
#ifndef ORIN_TESTS_REFERENCE_H
#define ORIN_TESTS_REFERENCE_H

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <limits>
#include <random>
#include <type_traits>
#include <vector>

namespace orintest {

constexpr double kEps = std::numeric_limits<double>::epsilon();  // 2^-52
constexpr long double kPiL = 3.141592653589793238462643383279502884L;

// Under emulation (32-bit) long double is done in software and the sanitizer
// build is slow: those builds check a subset of sizes and skip the largest.
#if defined(__SANITIZE_ADDRESS__) || defined(__i386__)
constexpr bool kReducedSuite = true;
#else
constexpr bool kReducedSuite = false;
#endif

// n uniform doubles in [lo, hi), reproducible from the seed.
inline std::vector<double> randomDoubles(size_t n, uint64_t seed, double lo = -1.0, double hi = 1.0) {
    std::mt19937_64 gen(seed);
    std::uniform_real_distribution<double> dist(lo, hi);
    std::vector<double> v(n);
    for (double &x : v) x = dist(gen);
    return v;
}

using LCx = std::complex<long double>;

// X[k] = sum_t x[t] e^(sign 2 pi i t k / n) in long double, the exponentials
// from a table indexed by t k mod n (exact indices). For real x, the Hartley
// transform is Re X - Im X (sign -1).
inline std::vector<LCx> directDFT(const std::vector<double> &re, const std::vector<double> &im, int sign = -1) {
    const size_t n = re.size();
    std::vector<long double> c(n), s(n);
    for (size_t j = 0; j < n; ++j) c[j] = std::cos(2 * kPiL * j / n), s[j] = sign * std::sin(2 * kPiL * j / n);
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

inline std::vector<LCx> directDFT(const std::vector<double> &re) {
    return directDFT(re, std::vector<double>(re.size(), 0.0));
}

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

// The 2-norm of re + i im (im empty: of re alone), summed in long double.
inline long double norm2(const std::vector<double> &re, const std::vector<double> &im = {}) {
    long double s = 0;
    for (size_t i = 0; i < re.size(); ++i)
        s += static_cast<long double>(re[i]) * re[i] + (im.empty() ? 0.0L : static_cast<long double>(im[i]) * im[i]);
    return std::sqrt(s);
}

// Full linear convolution (length nx + ny - 1) summed directly in long double.
inline std::vector<long double> directConvolution(const std::vector<double> &x, const std::vector<double> &y) {
    if (x.empty() || y.empty()) return {};
    std::vector<long double> out(x.size() + y.size() - 1, 0.0L);
    for (size_t i = 0; i < x.size(); ++i)
        for (size_t j = 0; j < y.size(); ++j) out[i + j] += static_cast<long double>(x[i]) * y[j];
    return out;
}

}  // namespace orintest

#endif  // ORIN_TESTS_REFERENCE_H
