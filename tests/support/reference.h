// Independent references shared by the suites: seeded data, long-double π,
// the DFT and the convolution computed directly in long double, and the
// residual ratios by which linear algebra is judged.
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

// Full linear convolution (length nx + ny - 1) summed directly in long double.
inline std::vector<long double> directConvolution(const std::vector<double> &x, const std::vector<double> &y) {
    if (x.empty() || y.empty()) return {};
    std::vector<long double> out(x.size() + y.size() - 1, 0.0L);
    for (size_t i = 0; i < x.size(); ++i)
        for (size_t j = 0; j < y.size(); ++j) out[i + j] += static_cast<long double>(x[i]) * y[j];
    return out;
}

// ---- linear algebra: row-major matrices as flat vectors -------------------

// C = A B in long double, A m x k, B k x n.
inline std::vector<long double> productL(const std::vector<double> &a, const std::vector<double> &b, int m, int k, int n) {
    std::vector<long double> c(static_cast<size_t>(m) * n, 0.0L);
    for (int i = 0; i < m; ++i)
        for (int p = 0; p < k; ++p)
            for (int j = 0; j < n; ++j) c[static_cast<size_t>(i) * n + j] += static_cast<long double>(a[static_cast<size_t>(i) * k + p]) * b[static_cast<size_t>(p) * n + j];
    return c;
}

// Infinity norm (largest absolute row sum) of a real m x n matrix.
template <class T>
    requires std::is_arithmetic_v<T>
long double normInf(const std::vector<T> &a, int m, int n) {
    long double best = 0;
    for (int i = 0; i < m; ++i) {
        long double s = 0;
        for (int j = 0; j < n; ++j) s += std::fabs(static_cast<long double>(a[static_cast<size_t>(i) * n + j]));
        best = std::max(best, s);
    }
    return best;
}

// The backward-error ratio ||A x - b|| / (||A|| ||x|| n eps) (infinity norms,
// m x n matrix A, nrhs right-hand sides as columns of x and b). A stable
// solver keeps it of order 1; a wrong solution gives 1e10 and more.
inline double residualRatio(const std::vector<double> &a, const std::vector<double> &x, const std::vector<double> &b,
                            int m, int n, int nrhs = 1) {
    const std::vector<long double> ax = productL(a, x, m, n, nrhs);
    std::vector<long double> r(ax.size());
    for (size_t i = 0; i < r.size(); ++i) r[i] = ax[i] - b[i];
    const long double denom = normInf(a, m, n) * normInf(x, n, nrhs) * std::max(m, n) * kEps;
    return static_cast<double>(denom == 0 ? normInf(r, m, nrhs) : normInf(r, m, nrhs) / denom);
}

// The reconstruction ratio ||A - P|| / (||A|| max(m, n) eps) of a factorisation
// whose product P (m x n) was formed in long double.
inline double reconstructionRatio(const std::vector<double> &a, const std::vector<long double> &p, int m, int n) {
    std::vector<long double> d(a.size());
    for (size_t i = 0; i < d.size(); ++i) d[i] = a[i] - p[i];
    const long double denom = normInf(a, m, n) * std::max(m, n) * kEps;
    return static_cast<double>(denom == 0 ? normInf(d, m, n) : normInf(d, m, n) / denom);
}

// Loss of orthogonality ||Q^T Q - I|| / (rows eps) of the columns of an
// m x n matrix Q.
inline double orthogonalityRatio(const std::vector<double> &q, int m, int n) {
    long double worst = 0;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            long double s = 0;
            for (int r = 0; r < m; ++r) s += static_cast<long double>(q[static_cast<size_t>(r) * n + i]) * q[static_cast<size_t>(r) * n + j];
            worst = std::max(worst, std::fabs(s - (i == j ? 1 : 0)));
        }
    return static_cast<double>(worst / (m * kEps));
}

}  // namespace orintest

#endif  // ORIN_TESTS_REFERENCE_H
