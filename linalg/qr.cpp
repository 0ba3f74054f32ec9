// QR factorisations A = Q R of a real m x n matrix with a full orthogonal Q
// and an upper-staircase R: Householder reflections (Golub and Van Loan
// alg. 5.2.1), Givens rotations (alg. 5.2.2) and square-root-free fast
// Givens rotations (alg. 5.1.4, Gentleman 1973). Columns negligible below the
// current pivot row are skipped, so a rank-deficient matrix gives a staircase.
#include <orin/linalg.h>

#include "detail.h"

using orin::extended;
using orin::linalg::cells;

namespace {

using orin::kTwoPowMinus63;

double norm2(const double *x, int32_t n) {
    double out = 0;
    Vnorm2(x, n, &out);
    return out;
}

// A non-finite column cannot be reflected; what depends on it (the rest of
// R from the pivot row and all of Q) is NaN, rather than a silent zero.
void poison(orin::Matrix r, ptrdiff_t p, ptrdiff_t c, double *w, int64_t wCount) {
    const double nan = std::nan("");
    for (ptrdiff_t i = p; i < r.rows(); ++i)
        for (ptrdiff_t j = c; j < r.cols(); ++j) r(i, j) = nan;
    std::fill(w, w + wCount, nan);
}

}  // namespace

int32_t house_calc(const double *x, int32_t len, HouseholderVector *hh) {
    double norm = 0;
    if (len < 1 || Vnorm2(x, len, &norm) != 0 || !(norm > 0)) return kErrZeroNormVector;
    if (x[0] < 0) norm = -norm;
    const double delta = x[0] + norm;
    double *v = hh->v;
    v[0] = 1.0;
    extended s = 1;
    for (int32_t i = 1; i < len; ++i) {
        v[i] = x[i] / delta;
        s += static_cast<extended>(v[i]) * v[i];
    }
    hh->beta = static_cast<double>(-2.0L / s);
    hh->length = len;
    return kErrNone;
}

int32_t MVprod_house(const HouseholderVector *hh, int32_t offset, const double *x, int32_t n, double *y) {
    if (offset < 0 || static_cast<int64_t>(offset) + hh->length != n) return kErrBadArraySize;
    orin::linalg::copyCells(x, n, y);
    const double *v = hh->v;
    extended s = 0;
    for (int32_t i = offset; i < n; ++i) s += static_cast<extended>(y[i]) * v[i - offset];
    const double f = static_cast<double>(hh->beta * s);
    for (int32_t i = offset; i < n; ++i) y[i] += f * v[i - offset];
    return kErrNone;
}

int32_t Mhhld_step(const double *s, int32_t p, int32_t q, HouseholderVector *hh, double *out) {
    if (const int32_t shape = orin::checkShape(p, q)) return shape;
    orin::Scratch<double> column(p);
    if (!column) return kErrOutOfMemory;
    IndexMatrixCol(s, p, q, 0, column.data());
    if (const int32_t code = house_calc(column.data(), p, hh)) return code;
    const orin::ConstMatrix S(s, p, q);
    orin::Matrix O(out, p, q);
    for (ptrdiff_t j = 0; j < q; ++j) {
        for (ptrdiff_t i = 0; i < p; ++i) column[i] = S(i, j);
        MVprod_house(hh, 0, column.data(), p, column.data());
        for (ptrdiff_t i = 0; i < p; ++i) O(i, j) = column[i];
    }
    for (ptrdiff_t i = 1; i < p; ++i) O(i, 0) = 0.0;
    return kErrNone;
}

int32_t Householder_Factor(const double *a, int32_t m, int32_t n, double *q, double *r) {
    if (const int32_t shape = orin::checkShape(m, n)) return shape;
    if (const int32_t shape = orin::checkShape(m, m)) return shape;
    orin::linalg::copyCells(a, cells(m, n), r);
    orin::Scratch<double> block(cells(m, n));
    if (!block) return kErrOutOfMemory;
    orin::Scratch<double> w(cells(m, m));
    if (!w) return kErrOutOfMemory;
    orin::Scratch<double> v(m), x(m);
    if (!v || !x) return kErrOutOfMemory;
    IdentityMatrix(m, w.data());
    orin::Matrix R(r, m, n), W(w.data(), m, m);
    HouseholderVector hh{0, 0.0, v.data()};
    ptrdiff_t p = 0;
    for (ptrdiff_t c = 0; c < n && p < m; ++c) {
        IndexMatrixCol(r, m, n, static_cast<int32_t>(c), x.data());
        const double full = norm2(x.data(), m);
        if (!std::isfinite(full)) {
            poison(R, p, c, w.data(), cells(m, m));
            break;
        }
        const double part = norm2(x.data() + p, static_cast<int32_t>(m - p));
        if (full != 0 && part >= 2 * kTwoPowMinus63 * full) {
            const ptrdiff_t rows = m - p, cols = n - c;
            orin::Matrix B(block.data(), rows, cols);
            for (ptrdiff_t i = 0; i < rows; ++i)
                std::copy(R.row(p + i).data() + c, R.row(p + i).data() + n, B.row(i).data());
            if (const int32_t code =
                    Mhhld_step(block.data(), static_cast<int32_t>(rows), static_cast<int32_t>(cols), &hh, block.data()))
                return code;
            for (ptrdiff_t i = 0; i < rows; ++i)
                std::copy(B.row(i).data(), B.row(i).data() + cols, R.row(p + i).data() + c);
            for (ptrdiff_t j = 0; j < m; ++j) {
                for (ptrdiff_t i = 0; i < m; ++i) x[i] = W(i, j);
                MVprod_house(&hh, static_cast<int32_t>(p), x.data(), m, x.data());
                for (ptrdiff_t i = 0; i < m; ++i) W(i, j) = x[i];
            }
            ++p;
        } else {
            for (ptrdiff_t i = p; i < m; ++i) R(i, c) = 0.0;
        }
    }
    orin::linalg::transposeInto(w.data(), m, m, q);
    return kErrNone;
}

void givens(double a, double b, double *c, double *s) {
    if (b == 0) {
        *c = 1;
        *s = 0;
    } else if (std::fabs(b) <= std::fabs(a)) {
        const double t = b / a;
        *c = 1 / std::sqrt(t * t + 1);
        *s = t * *c;
    } else {
        const double t = a / b;
        *s = 1 / std::sqrt(t * t + 1);
        *c = t * *s;
    }
}

int32_t MMprod_givens(double c, double s, int32_t i, int32_t k, double *M, int32_t rows, int32_t cols) {
    if (i < 0 || i >= rows || k < 0 || k >= rows) return kErrIndexOutOfRange;
    orin::Matrix A(M, rows, cols);
    double *ri = A.row(i).data(), *rk = A.row(k).data();
    for (ptrdiff_t j = 0; j < cols; ++j) {
        const double x = ri[j], y = rk[j];
        ri[j] = s * y + c * x;
        rk[j] = c * y - s * x;
    }
    return kErrNone;
}

void fast_givens(double a, double b, int32_t *type, double *alpha, double *beta, double *d1, double *d2) {
    if (b == 0) {
        *alpha = 0;
        *beta = 0;
        *type = 2;
        return;
    }
    *alpha = -a / b;
    *beta = -*alpha * *d2 / *d1;
    const double gamma = -*alpha * *beta;
    if (gamma >= 1) {
        *type = 2;
        *alpha = 1 / *alpha;
        *beta = 1 / *beta;
        const double g = 1 / gamma;
        *d1 = *d1 * (1 + g);
        *d2 = (1 + g) * *d2;
    } else {
        *type = 1;
        const double t = *d1;
        *d1 = (1 + gamma) * *d2;
        *d2 = (1 + gamma) * t;
    }
}

int32_t MMprod_fast_giv(double alpha, double beta, int32_t type, int32_t i, int32_t k, double *M, int32_t rows,
                        int32_t cols) {
    if (i < 0 || i >= rows || k < 0 || k >= rows) return kErrIndexOutOfRange;
    orin::Matrix A(M, rows, cols);
    double *ri = A.row(i).data(), *rk = A.row(k).data();
    for (ptrdiff_t j = 0; j < cols; ++j) {
        const double x = ri[j], y = rk[j];
        if (type == 1) {
            ri[j] = beta * x + y;
            rk[j] = x + alpha * y;
        } else {
            ri[j] = x + beta * y;
            rk[j] = alpha * x + y;
        }
    }
    return kErrNone;
}

int32_t MDprod(const double *a, int32_t rows, int32_t cols, const double *d, int32_t len, double *out) {
    if (len != cols) return kErrBadArraySize;
    const orin::ConstMatrix A(a, rows, cols);
    orin::Matrix O(out, rows, cols);
    for (ptrdiff_t i = 0; i < rows; ++i)
        for (ptrdiff_t j = 0; j < cols; ++j) O(i, j) = A(i, j) * d[j];
    return kErrNone;
}

int32_t DMprod(const double *a, int32_t rows, int32_t cols, const double *d, int32_t len, double *out) {
    if (len != rows) return kErrBadArraySize;
    const orin::ConstMatrix A(a, rows, cols);
    orin::Matrix O(out, rows, cols);
    for (ptrdiff_t i = 0; i < rows; ++i)
        for (ptrdiff_t j = 0; j < cols; ++j) O(i, j) = d[i] * A(i, j);
    return kErrNone;
}

namespace {

// The column loop shared by both Givens variants; rotate(i, column) zeroes
// R(i, column) against R(i-1, column) and applies the same rotation to W.
template <class Rotate>
int32_t givensSweep(orin::Matrix R, double *x, Rotate &&rotate) {
    const ptrdiff_t m = R.rows(), n = R.cols();
    ptrdiff_t p = 0;
    for (ptrdiff_t c = 0; c < n && p < m; ++c) {
        IndexMatrixCol(R.data(), static_cast<int32_t>(m), static_cast<int32_t>(n), static_cast<int32_t>(c), x);
        const double norm = norm2(x, static_cast<int32_t>(m));
        if (norm == 0) continue;
        // The floor grows with the column index and shrinks with the rows
        // left, scaled to this column's norm (0 for the first column).
        const double t = norm * kTwoPowMinus63 * static_cast<double>(c) / std::sqrt(static_cast<double>(m - p));
        auto significant = [t](double value) { return !(-t < value && value < t); };
        bool advance = significant(x[p]);
        for (ptrdiff_t i = m - 1; i > p; --i) {
            if (!significant(R(i, c))) continue;
            advance = true;
            rotate(i, c);
        }
        if (advance) ++p;
        for (ptrdiff_t i = p; i < m; ++i) R(i, c) = 0.0;
    }
    return static_cast<int32_t>(p);
}

}  // namespace

int32_t givens_qrd(const double *a, int32_t m, int32_t n, double *q, double *r, int32_t *rank) {
    if (const int32_t shape = orin::checkShape(m, n)) return shape;
    if (const int32_t shape = orin::checkShape(m, m)) return shape;
    orin::Scratch<double> x(m);
    if (!x) return kErrOutOfMemory;
    orin::Scratch<double> w(cells(m, m));
    if (!w) return kErrOutOfMemory;
    orin::linalg::copyCells(a, cells(m, n), r);
    ConstrUnitMatrix(m, w.data());
    orin::Matrix R(r, m, n);
    *rank = givensSweep(R, x.data(), [&](ptrdiff_t i, ptrdiff_t c) {
        double cs = 0, sn = 0;
        givens(R(i - 1, c), R(i, c), &cs, &sn);
        MMprod_givens(cs, sn, static_cast<int32_t>(i - 1), static_cast<int32_t>(i), r, m, n);
        MMprod_givens(cs, sn, static_cast<int32_t>(i - 1), static_cast<int32_t>(i), w.data(), m, m);
    });
    Transpose(w.data(), m, m, q);
    return kErrNone;
}

int32_t fast_giv_qrd(const double *a, int32_t m, int32_t n, double *q, double *r, int32_t *rank) {
    if (const int32_t shape = orin::checkShape(m, n)) return shape;
    if (const int32_t shape = orin::checkShape(m, m)) return shape;
    orin::Scratch<double> x(m), d(m);
    if (!x || !d) return kErrOutOfMemory;
    orin::Scratch<double> w(cells(m, m));
    if (!w) return kErrOutOfMemory;
    orin::linalg::copyCells(a, cells(m, n), r);
    ConstrUnitMatrix(m, w.data());
    std::fill(d.begin(), d.end(), 1.0);
    orin::Matrix R(r, m, n);
    *rank = givensSweep(R, x.data(), [&](ptrdiff_t i, ptrdiff_t c) {
        int32_t type = 0;
        double alpha = 0, beta = 0;
        fast_givens(R(i - 1, c), R(i, c), &type, &alpha, &beta, &d[i - 1], &d[i]);
        MMprod_fast_giv(alpha, beta, type, static_cast<int32_t>(i - 1), static_cast<int32_t>(i), r, m, n);
        MMprod_fast_giv(alpha, beta, type, static_cast<int32_t>(i - 1), static_cast<int32_t>(i), w.data(), m, m);
    });
    // W A = D^(1/2) R-tilde with D^(-1/2) W orthogonal: Q = W^T D^(-1/2),
    // R = D^(-1/2) R-tilde.
    for (double &di : d) di = 1.0 / std::sqrt(di);
    Transpose(w.data(), m, m, q);
    MDprod(q, m, m, d.data(), m, q);
    DMprod(r, m, n, d.data(), m, r);
    return kErrNone;
}

int32_t qrd(const double *a, int32_t m, int32_t n, int32_t algorithm, double *q, double *r, int32_t *rank) {
    switch (algorithm) {
        case 0: return Householder_Factor(a, m, n, q, r);
        case 1: return givens_qrd(a, m, n, q, r, rank);
        case 2: return fast_giv_qrd(a, m, n, q, r, rank);
        default: return kErrInvalidSelector;
    }
}
