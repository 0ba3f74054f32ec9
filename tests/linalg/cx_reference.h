// Complex matrices for the complex linear-algebra suites: random and
// structured inputs, products and ratios formed in long double, and the real
// 2n x 2n embedding [[Re, -Im], [Im, Re]] whose singular values are those of
// the complex matrix, each twice, and whose eigenvalues (for a Hermitian
// matrix) are its eigenvalues, each twice.
#ifndef ORIN_TESTS_LINALG_CX_REFERENCE_H
#define ORIN_TESTS_LINALG_CX_REFERENCE_H

#include <orin/common.h>

#include <algorithm>
#include <complex>
#include <vector>

#include "support/reference.h"

namespace cxtest {

using orintest::kEps;
using orintest::LCx;
using CMat = std::vector<complexnum>;
using LMat = std::vector<LCx>;

inline LCx at(const CMat &v, size_t i) { return {v[i].re, v[i].im}; }

inline CMat randomCx(int m, int n, uint64_t seed) {
    const std::vector<double> v = orintest::randomDoubles(2 * size_t(m) * n, seed);
    CMat out(size_t(m) * n);
    for (size_t i = 0; i < out.size(); ++i) out[i] = {v[2 * i], v[2 * i + 1]};
    return out;
}

inline CMat identityCx(int n) {
    CMat e(size_t(n) * n, complexnum{0, 0});
    for (int i = 0; i < n; ++i) e[size_t(i) * n + i] = {1, 0};
    return e;
}

// The conjugate transpose of an m x n matrix.
inline CMat adjoint(const CMat &a, int m, int n) {
    CMat t(a.size());
    for (int i = 0; i < m; ++i)
        for (int j = 0; j < n; ++j) t[size_t(j) * m + i] = {a[size_t(i) * n + j].re, -a[size_t(i) * n + j].im};
    return t;
}

// A (m x k) times B (k x n), summed in long double.
inline LMat productL(const CMat &a, const CMat &b, int m, int k, int n) {
    LMat c(size_t(m) * n);
    for (int i = 0; i < m; ++i)
        for (int j = 0; j < n; ++j) {
            LCx s = 0;
            for (int l = 0; l < k; ++l) s += at(a, size_t(i) * k + l) * at(b, size_t(l) * n + j);
            c[size_t(i) * n + j] = s;
        }
    return c;
}

inline CMat toCx(const LMat &v) {
    CMat out(v.size());
    for (size_t i = 0; i < v.size(); ++i) out[i] = {double(v[i].real()), double(v[i].imag())};
    return out;
}

inline CMat product(const CMat &a, const CMat &b, int m, int k, int n) { return toCx(productL(a, b, m, k, n)); }

// A random Hermitian positive definite matrix B^H B + n I.
inline CMat hermitianPositive(int n, uint64_t seed) {
    const CMat b = randomCx(n, n, seed);
    CMat h = product(adjoint(b, n, n), b, n, n, n);
    for (int i = 0; i < n; ++i) h[size_t(i) * n + i] = {h[size_t(i) * n + i].re + n, 0};
    return h;
}

// Infinity norm (largest row sum of magnitudes) of an m x n matrix.
template <class V>
long double normInf(const V &a, int m, int n) {
    long double best = 0;
    for (int i = 0; i < m; ++i) {
        long double s = 0;
        for (int j = 0; j < n; ++j) s += std::abs(LCx(a[size_t(i) * n + j]));
        best = std::max(best, s);
    }
    return best;
}
inline long double normInf(const CMat &a, int m, int n) {
    LMat l(a.size());
    for (size_t i = 0; i < a.size(); ++i) l[i] = at(a, i);
    return normInf(l, m, n);
}

// ||A X - B|| / (||A|| ||X|| max(m, n) eps) for A m x n and nrhs columns.
inline double residualRatio(const CMat &a, const CMat &x, const CMat &b, int m, int n, int nrhs = 1) {
    LMat r = productL(a, x, m, n, nrhs);
    for (size_t i = 0; i < r.size(); ++i) r[i] -= at(b, i);
    const long double denom = normInf(a, m, n) * normInf(x, n, nrhs) * std::max(m, n) * kEps;
    return double(denom == 0 ? normInf(r, m, nrhs) : normInf(r, m, nrhs) / denom);
}

// ||A - P|| / (||A|| max(m, n) eps) for a product P formed in long double.
inline double reconstructionRatio(const CMat &a, const LMat &p, int m, int n) {
    LMat d(a.size());
    for (size_t i = 0; i < d.size(); ++i) d[i] = at(a, i) - p[i];
    const long double denom = normInf(a, m, n) * std::max(m, n) * kEps;
    return double(denom == 0 ? normInf(d, m, n) : normInf(d, m, n) / denom);
}

// Loss of unitarity ||Q^H Q - I|| / (rows eps) of the columns of m x n Q.
inline double unitarityRatio(const CMat &q, int m, int n) {
    long double worst = 0;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            LCx s = 0;
            for (int r = 0; r < m; ++r) s += std::conj(at(q, size_t(r) * n + i)) * at(q, size_t(r) * n + j);
            worst = std::max(worst, std::abs(s - LCx(i == j ? 1 : 0)));
        }
    return double(worst / (m * kEps));
}

// The real 2m x 2n embedding [[Re A, -Im A], [Im A, Re A]] (row-major).
inline std::vector<double> realEmbedding(const CMat &a, int m, int n) {
    std::vector<double> e(4 * size_t(m) * n);
    const size_t w = 2 * size_t(n);
    for (int i = 0; i < m; ++i)
        for (int j = 0; j < n; ++j) {
            const complexnum z = a[size_t(i) * n + j];
            e[size_t(i) * w + j] = z.re;
            e[size_t(i) * w + n + j] = -z.im;
            e[(size_t(m) + i) * w + j] = z.im;
            e[(size_t(m) + i) * w + n + j] = z.re;
        }
    return e;
}

}  // namespace cxtest

#endif  // ORIN_TESTS_LINALG_CX_REFERENCE_H
