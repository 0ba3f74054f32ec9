#include <orin/linalg.h>

#include "detail.h"

using orin::linalg::cells;

int32_t ConstrUnitMatrix(int32_t n, double *out) { return IdentityMatrix(n, out); }

int32_t IdentityMatrix(int32_t n, double *out) {
    if (const int32_t shape = orin::checkShape(n, n)) return shape;
    orin::Matrix o(out, n, n);
    for (ptrdiff_t i = 0; i < n; ++i) {
        std::fill(o.row(i).data(), o.row(i).data() + n, 0.0);
        o(i, i) = 1.0;
    }
    return kErrNone;
}

int32_t DiagonalMatrix(const double *x, int32_t n, double *out) {
    if (const int32_t shape = orin::checkShape(n, n)) return shape;
    orin::Matrix o(out, n, n);
    for (ptrdiff_t i = 0; i < n; ++i) {
        std::fill(o.row(i).data(), o.row(i).data() + n, 0.0);
        o(i, i) = x[i];
    }
    return kErrNone;
}

int32_t ToeplitzMatrix(const double *x, int32_t nx, const double *y, int32_t ny, double *out) {
    if (const int32_t shape = orin::checkShape(nx, ny)) return shape;
    orin::Matrix o(out, nx, ny);
    for (ptrdiff_t i = 0; i < nx; ++i)
        for (ptrdiff_t j = 0; j < ny; ++j) o(i, j) = i >= j ? x[i - j] : y[j - i];
    return kErrNone;
}

int32_t VanderMatrix(const double *x, int32_t n, double *out) {
    if (const int32_t shape = orin::checkShape(n, n)) return shape;
    orin::Matrix o(out, n, n);
    for (ptrdiff_t i = 0; i < n; ++i)
        for (ptrdiff_t j = 0; j < n; ++j) o(i, j) = std::pow(x[i], static_cast<double>(n - 1 - j));
    return kErrNone;
}

int32_t CompanMatrix(const double *c, int32_t m, double *out) { return orin::linalg::companion(c, m, out); }

int32_t SpecialMatrix(int32_t code, int32_t n, const double *x, int32_t nx, const double *y, int32_t ny, double *out) {
    switch (code) {
        case 0: return IdentityMatrix(n, out);
        case 1: return DiagonalMatrix(x, nx, out);
        case 2: return ToeplitzMatrix(x, nx, y, ny, out);
        case 3: return VanderMatrix(x, nx, out);
        case 4: return CompanMatrix(x, nx, out);
        default: return kErrInvalidSelector;
    }
}

int32_t Transpose(const double *a, int32_t m, int32_t n, double *out) {
    if (const int32_t shape = orin::checkShape(m, n)) return shape;
    if (a == out) {
        // In place: a square block swaps across the diagonal; a rectangular
        // one needs a copy of the source.
        if (m == n) {
            orin::linalg::transposeSquare(out, n);
            return kErrNone;
        }
        orin::Scratch<double> copy(cells(m, n));
        if (!copy) return kErrOutOfMemory;
        orin::linalg::copyCells(a, cells(m, n), copy.data());
        orin::linalg::transposeInto(copy.data(), m, n, out);
        return kErrNone;
    }
    orin::linalg::transposeInto(a, m, n, out);
    return kErrNone;
}
