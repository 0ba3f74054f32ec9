// Long-double references for the linear-algebra suites: products, norms and
// the LAPACK-style residual ratios ||residual|| / (n eps ||A|| ...), which a
// backward-stable method keeps at O(1); the suites accept anything below 30.
#ifndef ORIN_TESTS_LINALG_REFERENCE_H
#define ORIN_TESTS_LINALG_REFERENCE_H

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "support/reference.h"

namespace linalgtest {

using Mat = std::vector<double>;
using orintest::kEps;

constexpr double kRatioBound = 30.0;

inline Mat randomMatrix(int m, int n, uint64_t seed) { return orintest::randomDoubles(size_t(m) * n, seed); }

inline Mat hilbert(int n) {
    Mat h(size_t(n) * n);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) h[size_t(i) * n + j] = 1.0 / (i + j + 1);
    return h;
}

inline Mat identity(int n) {
    Mat e(size_t(n) * n, 0.0);
    for (int i = 0; i < n; ++i) e[size_t(i) * n + i] = 1.0;
    return e;
}

// c (m x n) = a (m x k) b (k x n) in long double.
inline std::vector<long double> mul(const Mat &a, const Mat &b, int m, int k, int n) {
    std::vector<long double> c(size_t(m) * n, 0.0L);
    for (int i = 0; i < m; ++i)
        for (int l = 0; l < k; ++l)
            for (int j = 0; j < n; ++j) c[size_t(i) * n + j] += (long double)a[size_t(i) * k + l] * b[size_t(l) * n + j];
    return c;
}

inline Mat transpose(const Mat &a, int m, int n) {
    Mat t(size_t(m) * n);
    for (int i = 0; i < m; ++i)
        for (int j = 0; j < n; ++j) t[size_t(j) * m + i] = a[size_t(i) * n + j];
    return t;
}

// Largest column sum of magnitudes (the 1-norm), for residual ratios.
template <class T>
long double norm1(const std::vector<T> &a, int m, int n) {
    long double best = 0;
    for (int j = 0; j < n; ++j) {
        long double s = 0;
        for (int i = 0; i < m; ++i) s += std::fabs((long double)a[size_t(i) * n + j]);
        best = std::max(best, s);
    }
    return best;
}

// ||a - b||_1 / (scale * max(m, n) * eps), with a guard for scale 0.
template <class A, class B>
double ratio(const std::vector<A> &a, const std::vector<B> &b, int m, int n, long double scale) {
    std::vector<long double> d(size_t(m) * n);
    for (size_t i = 0; i < d.size(); ++i) d[i] = (long double)a[i] - (long double)b[i];
    const long double denom = std::max(scale, (long double)1e-300) * std::max(m, n) * kEps;
    return double(norm1(d, m, n) / denom);
}

// ||Q^T Q - I|| / (n eps) for the columns of q (m x n).
inline double orthogonality(const Mat &q, int m, int n) {
    const auto qtq = mul(transpose(q, m, n), q, n, m, n);
    return ratio(qtq, identity(n), n, n, 1.0L);
}

}  // namespace linalgtest

#endif  // ORIN_TESTS_LINALG_REFERENCE_H
