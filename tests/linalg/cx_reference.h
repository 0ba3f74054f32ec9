// Complex matrices for the complex linear-algebra suites: random and
// structured inputs, and products, ratios and inverses formed in long double.
#ifndef ORIN_TESTS_LINALG_CX_REFERENCE_H
#define ORIN_TESTS_LINALG_CX_REFERENCE_H

#include <orin/common.h>

#include <algorithm>
#include <complex>
#include <numbers>
#include <vector>

#include "linalg_reference.h"
#include "support/handles.h"
#include "support/reference.h"

namespace cxtest {

using linalgtest::byRef;
using orintest::kEps;
using orintest::LCx;
using CMat = std::vector<complexnum>;
using LMat = std::vector<LCx>;

inline LCx at(const CMat &v, size_t i) { return {v[i].re, v[i].im}; }
inline LCx lc(complexnum z) { return {z.re, z.im}; }
inline LCx lc(LCx z) { return z; }
inline std::vector<LCx> toL(const CMat &w) {
    std::vector<LCx> out;
    for (const complexnum &z : w) out.push_back(lc(z));
    return out;
}

inline bool same(complexnum a, complexnum b) { return a.re == b.re && a.im == b.im; }
inline bool same(const CMat &a, const CMat &b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](complexnum x, complexnum y) { return same(x, y); });
}
inline bool bothIDNaN(complexnum z) { return orintest::isIDNaN(z.re) && orintest::isIDNaN(z.im); }

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

// A random m x n matrix of rank r (the product of m x r and r x n).
inline CMat lowRankCx(int m, int n, int r, uint64_t seed) {
    return product(randomCx(m, r, seed), randomCx(r, n, seed + 1), m, r, n);
}

// A random Hermitian matrix (not definite).
inline CMat hermitian(int n, uint64_t seed) {
    CMat a = randomCx(n, n, seed);
    for (int i = 0; i < n; ++i) {
        a[size_t(i) * n + i].im = 0;
        for (int j = 0; j < i; ++j) a[size_t(j) * n + i] = {a[size_t(i) * n + j].re, -a[size_t(i) * n + j].im};
    }
    return a;
}

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
        for (int j = 0; j < n; ++j) s += std::abs(lc(a[size_t(i) * n + j]));
        best = std::max(best, s);
    }
    return best;
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

// The first n columns of the m x m unitary DFT matrix, in long double.
inline CMat dftColumns(int m, int n) {
    LMat f(size_t(m) * n);
    for (int i = 0; i < m; ++i)
        for (int j = 0; j < n; ++j) f[size_t(i) * n + j] = std::polar(1 / std::sqrt((long double)m), -2 * std::numbers::pi_v<long double> * i * j / m);
    return toCx(f);
}

// The inverse of an n x n matrix by Gauss-Jordan elimination with partial
// pivoting in long double (empty when a pivot vanishes), and on request the
// determinant as the signed product of the pivots.
inline LMat inverseL(const CMat &a, int n, LCx *det = nullptr) {
    LMat w(size_t(n) * 2 * n);
    const size_t ld = 2 * size_t(n);
    if (det) *det = 1;
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) w[i * ld + j] = at(a, size_t(i) * n + j);
        w[i * ld + n + i] = 1;
    }
    for (int c = 0; c < n; ++c) {
        int p = c;
        for (int i = c + 1; i < n; ++i)
            if (std::abs(w[i * ld + c]) > std::abs(w[p * ld + c])) p = i;
        if (std::abs(w[p * ld + c]) == 0) {
            if (det) *det = 0;
            return {};
        }
        if (p != c && det) *det = -*det;
        for (size_t j = 0; j < ld; ++j) std::swap(w[c * ld + j], w[p * ld + j]);
        const LCx piv = w[c * ld + c];
        if (det) *det *= piv;
        for (size_t j = 0; j < ld; ++j) w[c * ld + j] /= piv;
        for (int i = 0; i < n; ++i) {
            if (i == c) continue;
            const LCx f = w[i * ld + c];
            if (f == LCx(0)) continue;
            for (size_t j = 0; j < ld; ++j) w[i * ld + j] -= f * w[c * ld + j];
        }
    }
    LMat inv(size_t(n) * n);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) inv[size_t(i) * n + j] = w[i * ld + n + j];
    return inv;
}

// ---- eigenvalue references -------------------------------------------------

// True when each wanted value has its own computed value within tol, taken
// greedily nearest first (clusters lie further apart than tol).
inline bool matchWithin(std::vector<LCx> got, const std::vector<LCx> &want, long double tol) {
    if (got.size() != want.size()) return false;
    for (const LCx &w : want) {
        const auto best = std::min_element(got.begin(), got.end(), [&](LCx x, LCx y) { return std::abs(x - w) < std::abs(y - w); });
        if (std::abs(*best - w) > tol) return false;
        got.erase(best);
    }
    return true;
}

// max_j ||A v_j - lambda_j v_j|| / (||A|| ||v_j|| n eps) over the columns of
// v (n x n), infinity norms, in long double.
inline double eigenResidual(const CMat &a, int n, const std::vector<LCx> &lambda, const CMat &v) {
    long double worst = 0;
    const long double normA = normInf(a, n, n);
    for (int j = 0; j < n; ++j) {
        long double res = 0, vn = 0;
        for (int i = 0; i < n; ++i) {
            LCx s = 0;
            for (int k = 0; k < n; ++k) s += at(a, size_t(i) * n + k) * at(v, size_t(k) * n + j);
            res = std::max(res, std::abs(s - lambda[j] * at(v, size_t(i) * n + j)));
            vn = std::max(vn, std::abs(at(v, size_t(i) * n + j)));
        }
        const long double denom = normA * vn * n * kEps;
        worst = std::max(worst, denom == 0 ? res : res / denom);
    }
    return double(worst);
}

}  // namespace cxtest

#endif  // ORIN_TESTS_LINALG_CX_REFERENCE_H
