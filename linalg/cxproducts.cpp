// Complex matrix, matrix-vector, dot and outer products, the trace, the
// 2-norm and the column copy. No product conjugates.
#include <orin/linalg.h>

#include "detail.h"

using orin::ConstCxMatrix;
using orin::CxMatrix;
using orin::extended;

namespace {

// Each product element is a sum of complex products in extended precision
// (parts formed from the extended factors) rounded to double once when it is
// stored; an outer-product element is such a sum of one term.
using CxSum = orin::linalg::ExtendedCx;

int32_t checkCx(int32_t rows, int32_t cols) { return orin::checkShape(rows, cols, sizeof(complexnum)); }

}  // namespace

int32_t MatrixMulCx(const complexnum *a, const complexnum *b, int32_t m, int32_t k, int32_t n, complexnum *c) {
    for (auto [rows, cols] : {std::pair{m, k}, {k, n}, {m, n}})
        if (const int32_t shape = checkCx(rows, cols)) return shape;
    const ConstCxMatrix A(a, m, k), B(b, k, n);
    const CxMatrix C(c, m, n);
    // Row i of C gathers the rows of B weighted by row i of A, so the inner
    // loop runs along rows; each element still sums its k products in index
    // order from 0.
    orin::Scratch<CxSum> acc(n);
    if (!acc) {
        // Without a row of accumulators, one element at a time.
        for (int32_t i = 0; i < m; ++i)
            for (int32_t j = 0; j < n; ++j) {
                CxSum s;
                for (int32_t l = 0; l < k; ++l) s.addProduct(A(i, l), B(l, j));
                C(i, j) = s.rounded();
            }
        return kErrNone;
    }
    for (int32_t i = 0; i < m; ++i) {
        std::fill(acc.begin(), acc.end(), CxSum{});
        for (int32_t l = 0; l < k; ++l) {
            const complexnum f = A(i, l);
            const complexnum *brow = B.row(l).data();
            for (int32_t j = 0; j < n; ++j) acc[j].addProduct(f, brow[j]);
        }
        for (int32_t j = 0; j < n; ++j) C(i, j) = acc[j].rounded();
    }
    return kErrNone;
}

int32_t AxVectCx(const complexnum *a, int32_t m, int32_t n, const complexnum *x, complexnum *y) {
    if (const int32_t shape = checkCx(m, n)) return shape;
    const ConstCxMatrix A(a, m, n);
    for (int32_t i = 0; i < m; ++i) {
        CxSum s;
        for (int32_t j = 0; j < n; ++j) s.addProduct(A(i, j), x[j]);
        y[i] = s.rounded();
    }
    return kErrNone;
}

int32_t DotProductCx(const complexnum *x, const complexnum *y, int32_t n, complexnum *out) {
    if (n < 1) return kErrEmptyArray;
    CxSum s;
    for (int32_t i = 0; i < n; ++i) s.addProduct(x[i], y[i]);
    *out = s.rounded();
    return kErrNone;
}

int32_t OuterProductCx(const complexnum *x, int32_t m, const complexnum *y, int32_t n, complexnum *out) {
    if (const int32_t shape = checkCx(m, n)) return shape;
    const CxMatrix o(out, m, n);
    for (int32_t i = 0; i < m; ++i)
        for (int32_t j = 0; j < n; ++j) {
            CxSum s;
            s.addProduct(x[i], y[j]);
            o(i, j) = s.rounded();
        }
    return kErrNone;
}

int32_t CxTrace(const complexnum *a, int32_t m, int32_t n, complexnum *out) {
    if (const int32_t shape = checkCx(m, n)) return shape;
    const ConstCxMatrix A(a, m, n);
    extended re = 0, im = 0;
    for (int32_t i = 0; i < std::min(m, n); ++i) re += A(i, i).re, im += A(i, i).im;
    *out = {static_cast<double>(re), static_cast<double>(im)};
    return kErrNone;
}

// |x| is the real 2-norm of the 2n parts taken as one real vector, so the
// real routine's scaled sum serves. It counts in int32, so a vector of more
// than 2^30 elements goes in pieces joined by hypot (itself overflow-free).
int32_t CxVnorm2(const complexnum *x, int32_t n, double *out) {
    if (n < 1) return kErrEmptyArray;
    constexpr int32_t kPiece = 1 << 29;
    double total = 0;
    for (int32_t start = 0, len = 0; start < n; start += len) {
        len = std::min(kPiece, n - start);
        double part = 0;
        Vnorm2(reinterpret_cast<const double *>(x + start), 2 * len, &part);
        total = start == 0 ? part : std::hypot(total, part);
    }
    *out = total;
    return kErrNone;
}

// A column that does not exist reads as NaN rather than outside a.
void CxIndexMatrixCol(const complexnum *a, int32_t m, int32_t n, int32_t col, complexnum *out) {
    if (m < 1) return;
    if (col < 0 || col >= n) {
        for (int32_t i = 0; i < m; ++i) {
            orin::writeNaN(&out[i].re);
            orin::writeNaN(&out[i].im);
        }
        return;
    }
    const ConstCxMatrix A(a, m, n);
    for (int32_t i = 0; i < m; ++i) out[i] = A(i, col);
}
