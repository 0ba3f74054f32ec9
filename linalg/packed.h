// The packed-triangle routines whose arithmetic is the same for real and
// complex elements (T is double or complexnum): conversion between a square
// matrix and its packed triangle, triangular solves and inverses, and the
// inverse from a Cholesky factor. The factorisations and the Cholesky solve
// round differently in the two families and stay in their own files.
#ifndef ORIN_LINALG_PACKED_H
#define ORIN_LINALG_PACKED_H

#include "detail.h"

namespace orin::linalg {

// sqrt(2^-63): a diagonal of a Cholesky factor below this fraction of its
// largest entry means the matrix is singular to working precision.
constexpr double kCholeskyRelativeFloor = 3.2927225399135965e-10;
// 2^-63: the triangular routines' relative floor for a diagonal entry.
constexpr double kTriangularRelativeFloor = 1.0842021724855044e-19;

// -a b. The real routines negate the factor and the complex ones the
// product; the two differ in the sign of a NaN or a zero, so each keeps its
// own.
inline double negatedProduct(double a, double b) { return -a * b; }
inline complexnum negatedProduct(complexnum a, complexnum b) { return -(a * b); }

// mode 0 lower, 1 upper, 2 lower of a Hermitian (symmetric) matrix.
template <class T>
int32_t toPacked(const T *a, int32_t n, int32_t mode, T *packed) {
    if (const int32_t shape = checkShape(n, n, sizeof(T))) return shape;
    if (mode < 0 || mode > 2) return kErrInvalidSelector;
    const MatrixRef<const T> A(a, n, n);
    T *out = packed;
    for (ptrdiff_t j = 0; j < n; ++j) {
        if (mode == 1) {
            for (ptrdiff_t i = 0; i <= j; ++i) *out++ = A(i, j);
        } else {
            for (ptrdiff_t i = j; i < n; ++i) *out++ = A(i, j);
        }
    }
    return kErrNone;
}

// In mode 2 the upper triangle is the conjugate mirror of the stored lower.
template <class T>
int32_t fromPacked(const T *packed, int32_t n, int32_t mode, T *a) {
    if (const int32_t shape = checkShape(n, n, sizeof(T))) return shape;
    if (mode < 0 || mode > 2) return kErrInvalidSelector;
    const MatrixRef<T> A(a, n, n);
    for (ptrdiff_t i = 0; i < n; ++i)
        for (ptrdiff_t j = 0; j < n; ++j) {
            if (mode == 1) A(i, j) = i <= j ? packed[upperAt(i, j)] : T{};
            else if (i >= j) A(i, j) = packed[lowerAt(n, i, j)];
            else A(i, j) = mode == 2 ? conjugate(packed[lowerAt(n, j, i)]) : T{};
        }
    return kErrNone;
}

// Inverts a lower triangle in packed lower layout in place, column by column
// from the left: column j of L^-1 solves L y = e_j by forward elimination,
// which needs column j of L only as it is consumed and the columns to its
// right untouched.
template <class T>
void invertLower(T *p, ptrdiff_t n) {
    for (ptrdiff_t j = 0; j < n; ++j) {
        T *cj = p + lowerColumn(n, j);
        cj[0] = one<T>() / cj[0];
        for (ptrdiff_t k = 1; k < n - j; ++k) cj[k] = negatedProduct(cj[k], cj[0]);
        for (ptrdiff_t i = j + 1; i < n; ++i) {
            const T *ci = p + lowerColumn(n, i);
            T &yi = cj[i - j];
            yi /= ci[0];
            for (ptrdiff_t k = i + 1; k < n; ++k) cj[k - j] -= ci[k - i] * yi;
        }
    }
}

// The same for an upper triangle in packed upper layout, columns from the
// right so that the columns to the left are still those of U.
template <class T>
void invertUpper(T *p, ptrdiff_t n) {
    for (ptrdiff_t j = n - 1; j >= 0; --j) {
        T *cj = p + upperAt(0, j);
        cj[j] = one<T>() / cj[j];
        for (ptrdiff_t k = 0; k < j; ++k) cj[k] = negatedProduct(cj[k], cj[j]);
        for (ptrdiff_t i = j - 1; i >= 0; --i) {
            const T *ci = p + upperAt(0, i);
            T &yi = cj[i];
            yi /= ci[i];
            for (ptrdiff_t k = 0; k < i; ++k) cj[k] -= ci[k] * yi;
        }
    }
}

// A^-1 = L^-H L^-1 from the packed lower factor L (LAPACK's dpotri and
// zpotri: invert the factor, then multiply). Entry (i, j), i >= j, is
// sum_{k >= i} conj(L^-1(k, i)) L^-1(k, j), in extended precision; column j
// is saved first because it is overwritten while the later entries of the
// same column still need it. A complex diagonal comes out exactly real:
// each of its terms is conj(z) z.
template <class T>
int32_t choleskyInverse(const T *factor, int32_t n, T *inv) {
    if (const int32_t shape = checkPacked(n)) return shape;
    Scratch<T> column(n);
    if (!column) return kErrOutOfMemory;
    copyCells(factor, packedCount(n), inv);
    invertLower(inv, n);
    for (ptrdiff_t j = 0; j < n; ++j) {
        T *cj = inv + lowerColumn(n, j);
        std::copy(cj, cj + (n - j), column.data() + j);
        for (ptrdiff_t i = j; i < n; ++i) {
            const T *ci = inv + lowerColumn(n, i);
            ExtendedSum<T> s;
            for (ptrdiff_t k = i; k < n; ++k) s.addProduct(conjugate(ci[k - i]), column[k]);
            cj[i - j] = s.rounded();
        }
    }
    return kErrNone;
}

// The singularity test of the packed triangular routines: a diagonal of
// magnitude at most 2^-63 times the largest packed magnitude, or NaN.
template <class T>
bool triangularSingular(const T *packed, int32_t n, int32_t triangle) {
    double largest = 0;
    const int64_t count = packedCount(n);
    for (int64_t i = 0; i < count; ++i) largest = std::max(largest, magnitude(packed[i]));
    const double floor = largest * kTriangularRelativeFloor;
    for (ptrdiff_t i = 0; i < n; ++i) {
        const T d = triangle == 0 ? packed[lowerColumn(n, i)] : packed[upperAt(i, i)];
        if (!(magnitude(d) > floor)) return true;
    }
    return false;
}

// x = T^-1 b for a packed triangle (0 lower, 1 upper), by columns.
template <class T>
int32_t triangularSolve(const T *packed, const T *b, int32_t n, int32_t triangle, T *x) {
    if (triangle != 0 && triangle != 1) return kErrInvalidSelector;
    if (const int32_t shape = checkPacked(n)) return shape;
    copyCells(b, n, x);
    if (triangularSingular(packed, n, triangle)) return kErrSingularMatrix;
    if (triangle == 0) {
        for (ptrdiff_t i = 0; i < n; ++i) {
            const T *ci = packed + lowerColumn(n, i);
            x[i] /= ci[0];
            for (ptrdiff_t k = i + 1; k < n; ++k) x[k] -= ci[k - i] * x[i];
        }
    } else {
        for (ptrdiff_t i = n - 1; i >= 0; --i) {
            const T *ci = packed + upperAt(0, i);
            x[i] /= ci[i];
            for (ptrdiff_t k = 0; k < i; ++k) x[k] -= ci[k] * x[i];
        }
    }
    return kErrNone;
}

template <class T>
int32_t triangularInverse(const T *packed, int32_t n, int32_t triangle, T *inv) {
    if (triangle != 0 && triangle != 1) return kErrInvalidSelector;
    if (const int32_t shape = checkPacked(n)) return shape;
    copyCells(packed, packedCount(n), inv);
    if (triangularSingular(inv, n, triangle)) return kErrSingularMatrix;
    if (triangle == 0) invertLower(inv, n);
    else invertUpper(inv, n);
    return kErrNone;
}

}  // namespace orin::linalg

#endif  // ORIN_LINALG_PACKED_H
