#include <orin/linalg.h>

#include "detail.h"

using orin::extended;

int32_t MatrixMul(const double *a, const double *b, int32_t m, int32_t k, int32_t n, double *c) {
    for (auto [rows, cols] : {std::pair{m, k}, {k, n}, {m, n}})
        if (const int32_t shape = orin::checkShape(rows, cols)) return shape;
    const orin::ConstMatrix A(a, m, k), B(b, k, n);
    orin::Matrix C(c, m, n);
    // Row i of C gathers the rows of B weighted by row i of A, so the inner
    // loop runs along rows; each element still sums its k products in index
    // order from 0, in extended precision.
    orin::Scratch<extended> acc(n);
    if (!acc) {
        // Without a row of accumulators, one element at a time.
        for (ptrdiff_t i = 0; i < m; ++i)
            for (ptrdiff_t j = 0; j < n; ++j) {
                extended s = 0;
                for (ptrdiff_t l = 0; l < k; ++l) s += static_cast<extended>(A(i, l)) * B(l, j);
                C(i, j) = static_cast<double>(s);
            }
        return kErrNone;
    }
    for (ptrdiff_t i = 0; i < m; ++i) {
        std::fill(acc.begin(), acc.end(), extended(0));
        for (ptrdiff_t l = 0; l < k; ++l) {
            const extended f = A(i, l);
            const double *brow = B.row(l).data();
            for (ptrdiff_t j = 0; j < n; ++j) acc[j] += f * brow[j];
        }
        for (ptrdiff_t j = 0; j < n; ++j) C(i, j) = static_cast<double>(acc[j]);
    }
    return kErrNone;
}

int32_t AxVect(const double *a, int32_t m, int32_t n, const double *x, double *y) {
    if (const int32_t shape = orin::checkShape(m, n)) return shape;
    const orin::ConstMatrix A(a, m, n);
    for (ptrdiff_t i = 0; i < m; ++i) {
        extended s = 0;
        const double *row = A.row(i).data();
        for (ptrdiff_t j = 0; j < n; ++j) s += static_cast<extended>(row[j]) * x[j];
        y[i] = static_cast<double>(s);
    }
    return kErrNone;
}

int32_t DotProduct(const double *x, const double *y, int32_t n, double *out) {
    if (n < 1) return kErrEmptyArray;
    extended s = 0;
    for (int32_t i = 0; i < n; ++i) s += static_cast<extended>(x[i]) * y[i];
    *out = static_cast<double>(s);
    return kErrNone;
}

int32_t OuterProduct(const double *x, int32_t m, const double *y, int32_t n, double *out) {
    if (const int32_t shape = orin::checkShape(m, n)) return shape;
    orin::Matrix o(out, m, n);
    for (ptrdiff_t i = 0; i < m; ++i)
        for (ptrdiff_t j = 0; j < n; ++j) o(i, j) = x[i] * y[j];
    return kErrNone;
}

int32_t Trace(const double *a, int32_t m, int32_t n, double *out) {
    if (const int32_t shape = orin::checkShape(m, n)) return shape;
    const orin::ConstMatrix A(a, m, n);
    extended s = 0;
    for (ptrdiff_t i = 0; i < std::min(m, n); ++i) s += A(i, i);
    *out = static_cast<double>(s);
    return kErrNone;
}

int32_t Vnorm2(const double *x, int32_t n, double *out) {
    if (n < 1) return kErrEmptyArray;
    // Scaled by the largest magnitude so that neither the squares of huge
    // entries overflow nor those of tiny ones vanish.
    double big = 0;
    for (int32_t i = 0; i < n; ++i) big = std::max(big, std::fabs(x[i]));
    if (big == 0 || !std::isfinite(big)) {
        extended s = 0;
        for (int32_t i = 0; i < n; ++i) s += static_cast<extended>(x[i]) * x[i];
        *out = static_cast<double>(std::sqrt(s));
        return kErrNone;
    }
    extended s = 0;
    for (int32_t i = 0; i < n; ++i) {
        const extended r = x[i] / static_cast<extended>(big);
        s += r * r;
    }
    *out = static_cast<double>(big * std::sqrt(s));
    return kErrNone;
}

// A column that does not exist reads as NaN rather than outside a.
void IndexMatrixCol(const double *a, int32_t m, int32_t n, int32_t col, double *out) {
    if (col < 0 || col >= n) {
        for (int32_t i = 0; i < m; ++i) orin::writeNaN(&out[i]);
        return;
    }
    const orin::ConstMatrix A(a, m, n);
    for (ptrdiff_t i = 0; i < m; ++i) out[i] = A(i, col);
}
