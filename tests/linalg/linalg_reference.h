// Matrices for the linear-algebra suites; the products and the residual,
// reconstruction and orthogonality ratios come from support/reference.h
// (a backward-stable method keeps each at O(1); the suites accept < 30).
#ifndef ORIN_TESTS_LINALG_REFERENCE_H
#define ORIN_TESTS_LINALG_REFERENCE_H

#include <algorithm>
#include <cmath>
#include <vector>

#include "support/reference.h"

namespace linalgtest {

using Mat = std::vector<double>;
using orintest::kEps;
using orintest::orthogonalityRatio;
using orintest::productL;
using orintest::reconstructionRatio;
using orintest::residualRatio;

constexpr double kBound = 30.0;

// A scalar handed to a handle entry point by address, as the host passes
// every scalar; the temporary lives to the end of the call's full expression.
template <class T>
const T *byRef(const T &value) {
    return &value;
}

inline Mat random(int m, int n, uint64_t seed) { return orintest::randomDoubles(size_t(m) * n, seed); }
inline Mat toDouble(const std::vector<long double> &v) { return Mat(v.begin(), v.end()); }
inline Mat product(const Mat &a, const Mat &b, int m, int k, int n) { return toDouble(productL(a, b, m, k, n)); }
// A random m x n matrix of rank r: the product of m x r and r x n factors.
inline Mat lowRank(int m, int n, int r, uint64_t seed) { return product(random(m, r, seed), random(r, n, seed + 1), m, r, n); }

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

inline Mat transpose(const Mat &a, int m, int n) {
    Mat t(a.size());
    for (int i = 0; i < m; ++i)
        for (int j = 0; j < n; ++j) t[size_t(j) * m + i] = a[size_t(i) * n + j];
    return t;
}

// ||X Y Z - W|| / (||X|| ||Y|| ||Z|| n eps) for the Penrose identities.
inline double tripleRatio(const Mat &x, const Mat &y, const Mat &z, const Mat &w, int m, int k, int l, int n) {
    const auto xyz = productL(product(x, y, m, k, l), z, m, l, n);
    const long double scale = orintest::normInf(x, m, k) * orintest::normInf(y, k, l) * orintest::normInf(z, l, n);
    long double worst = 0;
    for (size_t i = 0; i < w.size(); ++i) worst = std::max(worst, std::fabs(xyz[i] - w[i]));
    return double(worst / (scale * std::max(m, n) * kEps));
}

}  // namespace linalgtest

#endif  // ORIN_TESTS_LINALG_REFERENCE_H
