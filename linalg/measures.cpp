// Least squares, pseudo-inverse, rank, norms and condition numbers, all
// from the singular value decomposition of a tall copy of the matrix.
#include <orin/linalg.h>

#include "detail.h"

using orin::extended;
using orin::linalg::cells;

namespace {

using orin::kEpsilon;
using orin::kTwoPowMinus63;

// A tall p x q copy of a (its transpose when m < n), the q singular values
// and, when asked, the q x q right factor.
struct TallSvd {
    orin::Scratch<double> u, s, v;
    int32_t p = 0, q = 0;
    bool transposed = false;

    int32_t compute(const double *a, int32_t m, int32_t n, bool wantVectors) {
        transposed = m < n;
        p = std::max(m, n);
        q = std::min(m, n);
        if (!u.allocate(cells(p, q)) || !s.allocate(q)) return kErrOutOfMemory;
        if (wantVectors && !v.allocate(cells(q, q))) return kErrOutOfMemory;
        if (transposed) orin::linalg::transposeInto(a, m, n, u.data());
        else orin::linalg::copyCells(a, cells(m, n), u.data());
        return orin::linalg::singularValues(u.data(), p, q, s.data(), wantVectors ? v.data() : nullptr, wantVectors);
    }
};

}  // namespace

int32_t GenLinEqs(const double *a, int32_t m, int32_t n, const double *b, double *x) {
    if (const int32_t shape = orin::checkShape(m, n)) return shape;
    TallSvd d;
    if (const int32_t code = d.compute(a, m, n, true)) return code;
    const double tol = d.s[0] * std::max(m, n) * kEpsilon;
    int32_t rank = 0;
    while (rank < d.q && d.s[rank] > tol) ++rank;
    // x = V diag(1/s) U^T b over the rank's columns; the roles of U and V
    // swap when the tall copy held A^T.
    const orin::ConstMatrix U(d.u.data(), d.p, d.q), V(d.v.data(), d.q, d.q);
    const orin::ConstMatrix &left = d.transposed ? V : U;   // m x q
    const orin::ConstMatrix &right = d.transposed ? U : V;  // n x q
    orin::Scratch<double> c(std::max(rank, 1));
    if (!c) return kErrOutOfMemory;
    for (ptrdiff_t j = 0; j < rank; ++j) {
        extended t = 0;
        for (ptrdiff_t i = 0; i < m; ++i) t += static_cast<extended>(left(i, j)) * b[i];
        c[j] = static_cast<double>(t / d.s[j]);
    }
    for (ptrdiff_t k = 0; k < n; ++k) {
        extended t = 0;
        for (ptrdiff_t j = 0; j < rank; ++j) t += static_cast<extended>(right(k, j)) * c[j];
        x[k] = static_cast<double>(t);
    }
    return kErrNone;
}

int32_t PseudoInverse(const double *a, int32_t m, int32_t n, double tol, double *out) {
    if (const int32_t shape = orin::checkShape(m, n)) return shape;
    TallSvd d;
    if (const int32_t code = d.compute(a, m, n, true)) return code;
    // The default threshold is relative to the largest singular value, so a
    // scaled matrix has the scaled pseudo-inverse; an explicit one is
    // absolute.
    if (tol < 0) tol = std::max(m, n) * d.s[0] * kEpsilon;
    const orin::ConstMatrix U(d.u.data(), d.p, d.q), V(d.v.data(), d.q, d.q);
    const orin::ConstMatrix &left = d.transposed ? V : U;   // m x q
    const orin::ConstMatrix &right = d.transposed ? U : V;  // n x q
    // out = right diag(1/s) left^T, with the kept reciprocals folded into a
    // scaled copy of right's rows as they are used.
    orin::Scratch<double> scaled(d.q);
    if (!scaled) return kErrOutOfMemory;
    orin::Matrix O(out, n, m);
    for (ptrdiff_t i = 0; i < n; ++i) {
        for (ptrdiff_t j = 0; j < d.q; ++j) scaled[j] = d.s[j] > tol ? right(i, j) / d.s[j] : 0.0;
        for (ptrdiff_t k = 0; k < m; ++k) {
            extended t = 0;
            const double *lrow = left.row(k).data();
            for (ptrdiff_t j = 0; j < d.q; ++j) t += static_cast<extended>(scaled[j]) * lrow[j];
            O(i, k) = static_cast<double>(t);
        }
    }
    return kErrNone;
}

int32_t Rank(const double *a, int32_t m, int32_t n, double tol, int32_t *rank) {
    *rank = -1;
    if (const int32_t shape = orin::checkShape(m, n)) return shape;
    TallSvd d;
    if (const int32_t code = d.compute(a, m, n, false)) return code;
    if (tol < 0) tol = std::max(m, n) * d.s[0] * kEpsilon;
    int32_t r = 0;
    for (int32_t j = 0; j < d.q; ++j)
        if (d.s[j] > tol) ++r;
    *rank = r;
    return kErrNone;
}

int32_t Norm(const double *a, int32_t m, int32_t n, int32_t normCode, double *out) {
    if (const int32_t code = orin::linalg::startMeasure<double>(out, m, n, normCode)) return code;
    if (orin::linalg::normWithoutSvd(a, m, n, normCode, out)) return kErrNone;
    TallSvd d;
    if (const int32_t code = d.compute(a, m, n, false)) return code;
    *out = d.s[0];
    return kErrNone;
}

int32_t CondNumber(const double *a, int32_t m, int32_t n, int32_t normCode, double *cond) {
    if (const int32_t code = orin::linalg::startMeasure<double>(cond, m, n, normCode)) return code;
    if (normCode != 0 && m != n) return kErrNotSquare;
    if (normCode == 0) {
        TallSvd d;
        if (const int32_t code = d.compute(a, m, n, false)) return code;
        const double first = d.s[0], last = d.s[d.q - 1];
        if (last == 0 || std::fabs(last) < std::fabs(first) * d.p * kTwoPowMinus63) return kErrSingularMatrix;
        *cond = first / last;
        return kErrNone;
    }
    orin::linalg::LUCopy lu;
    if (const int32_t code = lu.factor(a, n)) return code;
    if (const int32_t code = LUInvMatrix(lu.factors, lu.perm.data(), n, lu.factors)) return code;
    *cond = orin::linalg::elementNorm(a, n, n, normCode) * orin::linalg::elementNorm(lu.factors, n, n, normCode);
    return kErrNone;
}
