// Least squares, pseudo-inverse, rank, norms and condition numbers of complex
// matrices. All but the element norms come from the SVD of a tall matrix: A
// itself, or A^H when A is wide (then A = V diag(s) U^H, and the roles of U
// and V swap); the condition number in the 1-, Frobenius and infinity norms
// comes from the LU inverse instead.
#include <orin/linalg.h>

#include <algorithm>
#include <cmath>

#include "cxsvd.h"
#include "detail.h"

using orin::ConstCxMatrix;
using orin::extended;
using orin::Scratch;
using orin::linalg::cells;
using orin::linalg::elementNorm;
using orin::linalg::startMeasure;

namespace {

using orin::kEpsilon;
using orin::kTwoPowMinus63;

int32_t checkComplexShape(int32_t m, int32_t n) { return orin::checkShape(m, n, sizeof(complexnum)); }

// The SVD of the tall form of an m x n matrix: the q = min(m, n) singular
// values and, when asked, the factors expressed for A itself: A = left
// diag(s) right^H with left m x q and right n x q. The values are kept
// divided by 2^scale (the power of two that brings A's largest part below
// 1), so that a matrix near the ends of the double range keeps its rank, its
// pseudo-inverse and its least-squares solution.
struct CxTallSvd {
    Scratch<double> s;
    Scratch<complexnum> u, v;
    int32_t m = 0, n = 0, q = 0;
    int scale = 0;

    int32_t compute(const complexnum *a, int32_t rows, int32_t cols, bool wantVectors) {
        m = rows;
        n = cols;
        q = std::min(m, n);
        const int32_t p = std::max(m, n);
        if (!s.allocate(q)) return kErrOutOfMemory;
        if (wantVectors && (!u.allocate(cells(p, q)) || !v.allocate(cells(q, q)))) return kErrOutOfMemory;
        return orin::linalg::cxSingularValues(a, p, q, m < n, s.data(), wantVectors ? u.data() : nullptr,
                                              wantVectors ? v.data() : nullptr, &scale);
    }
    ConstCxMatrix left() const { return m >= n ? ConstCxMatrix(u.data(), m, q) : ConstCxMatrix(v.data(), q, q); }
    ConstCxMatrix right() const { return m >= n ? ConstCxMatrix(v.data(), q, q) : ConstCxMatrix(u.data(), n, q); }
    double largest() const { return std::ldexp(s[0], scale); }
    // The drop threshold in the units of s: tol < 0 selects the relative
    // default max(m, n) s[0] 2^-52; an explicit tol is absolute.
    double threshold(double tol) const { return tol < 0 ? std::max(m, n) * s[0] * kEpsilon : std::ldexp(tol, -scale); }
    int32_t rank(double tol) const {
        const double t = threshold(tol);
        int32_t r = 0;
        for (int32_t j = 0; j < q; ++j)
            if (s[j] > t) ++r;
        return r;
    }
    // A quantity formed with reciprocals of s, brought back to A's units.
    complexnum unscaled(extended re, extended im) const {
        return {std::ldexp(static_cast<double>(re), -scale), std::ldexp(static_cast<double>(im), -scale)};
    }
};

}  // namespace

int32_t CxGenLinEqs(const complexnum *a, int32_t m, int32_t n, const complexnum *b, complexnum *x) {
    if (const int32_t shape = checkComplexShape(m, n)) return shape;
    CxTallSvd d;
    if (const int32_t code = d.compute(a, m, n, true)) return code;
    const int32_t rank = d.rank(-1);
    // x = right diag(1/s) left^H b over the kept values: the minimum-norm
    // least-squares solution.
    Scratch<complexnum> c(std::max(rank, 1));
    if (!c) return kErrOutOfMemory;
    const ConstCxMatrix L = d.left(), R = d.right();
    for (int32_t j = 0; j < rank; ++j) {
        extended re = 0, im = 0;
        for (int32_t i = 0; i < m; ++i) {
            const complexnum l = L(i, j);
            re += static_cast<extended>(l.re) * b[i].re + static_cast<extended>(l.im) * b[i].im;
            im += static_cast<extended>(l.re) * b[i].im - static_cast<extended>(l.im) * b[i].re;
        }
        c[j] = {static_cast<double>(re / d.s[j]), static_cast<double>(im / d.s[j])};
    }
    for (int32_t k = 0; k < n; ++k) {
        extended re = 0, im = 0;
        for (int32_t j = 0; j < rank; ++j) {
            const complexnum r = R(k, j);
            re += static_cast<extended>(r.re) * c[j].re - static_cast<extended>(r.im) * c[j].im;
            im += static_cast<extended>(r.re) * c[j].im + static_cast<extended>(r.im) * c[j].re;
        }
        x[k] = d.unscaled(re, im);
    }
    return kErrNone;
}

int32_t CxPseudoInverse(const complexnum *a, int32_t m, int32_t n, double tol, complexnum *out) {
    if (const int32_t shape = checkComplexShape(m, n)) return shape;
    CxTallSvd d;
    if (const int32_t code = d.compute(a, m, n, true)) return code;
    // The default threshold is relative to the largest singular value, so
    // that a scaled matrix has the scaled pseudo-inverse.
    const double t = d.threshold(tol);
    Scratch<complexnum> scaled(d.q);
    if (!scaled) return kErrOutOfMemory;
    const ConstCxMatrix L = d.left(), R = d.right();
    const orin::CxMatrix O(out, n, m);
    // out = right diag(1/s) left^H, the kept reciprocals folded into a
    // scaled copy of each row of right.
    for (int32_t i = 0; i < n; ++i) {
        for (int32_t j = 0; j < d.q; ++j) scaled[j] = d.s[j] > t ? R(i, j) / d.s[j] : complexnum{0, 0};
        for (int32_t k = 0; k < m; ++k) {
            extended re = 0, im = 0;
            for (int32_t j = 0; j < d.q; ++j) {
                const complexnum r = scaled[j], l = L(k, j);
                re += static_cast<extended>(r.re) * l.re + static_cast<extended>(r.im) * l.im;
                im += static_cast<extended>(r.im) * l.re - static_cast<extended>(r.re) * l.im;
            }
            O(i, k) = d.unscaled(re, im);
        }
    }
    return kErrNone;
}

int32_t CxRank(const complexnum *a, int32_t m, int32_t n, double tol, int32_t *rank) {
    *rank = -1;
    if (const int32_t shape = checkComplexShape(m, n)) return shape;
    CxTallSvd d;
    if (const int32_t code = d.compute(a, m, n, false)) return code;
    *rank = d.rank(tol);
    return kErrNone;
}

int32_t CxNorm(const complexnum *a, int32_t m, int32_t n, int32_t normCode, double *out) {
    if (const int32_t code = startMeasure<complexnum>(out, m, n, normCode)) return code;
    if (orin::linalg::normWithoutSvd(a, m, n, normCode, out)) return kErrNone;
    CxTallSvd d;
    if (const int32_t code = d.compute(a, m, n, false)) return code;
    *out = d.largest();
    return kErrNone;
}

int32_t CxCondNumber(const complexnum *a, int32_t m, int32_t n, int32_t normCode, double *cond) {
    if (const int32_t code = startMeasure<complexnum>(cond, m, n, normCode)) return code;
    if (normCode != 0 && m != n) return kErrNotSquare;
    if (normCode == 0) {
        CxTallSvd d;
        if (const int32_t code = d.compute(a, m, n, false)) return code;
        const double first = d.s[0], last = d.s[d.q - 1];
        if (last == 0 || last < first * std::max(m, n) * kTwoPowMinus63) return kErrSingularMatrix;
        *cond = first / last;
        return kErrNone;
    }
    // ||A|| ||A^-1|| with the inverse from the complex LU of a copy. The LU
    // would run on NaN entries without noticing; their norm is NaN anyway.
    const double normA = elementNorm(a, n, n, normCode);
    if (std::isnan(normA)) {
        *cond = normA;
        return kErrNone;
    }
    Scratch<complexnum> inv(cells(n, n));
    Scratch<int32_t> perm(n);
    if (!inv || !perm) return kErrOutOfMemory;
    std::copy_n(a, static_cast<size_t>(cells(n, n)), inv.data());
    int32_t parity = 0;
    if (const int32_t code = CxLU(inv.data(), n, perm.data(), &parity)) return code;
    if (const int32_t code = CxLUInvMatrix(inv.data(), perm.data(), n, inv.data())) return code;
    *cond = normA * elementNorm(inv.data(), n, n, normCode);
    return kErrNone;
}
