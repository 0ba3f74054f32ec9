// Complex packed storage, the Cholesky factorisation A = L L^H of a Hermitian
// positive-definite matrix in packed lower layout (left-looking, Golub and
// Van Loan alg. 4.2.1 with conjugates), and packed triangular solves and
// inverses. The layouts are those of the real routines; in mode 2 the upper
// triangle is the conjugate mirror of the stored lower one.
#include <orin/linalg.h>

#include "detail.h"

using orin::Scratch;
using orin::conj;
using orin::linalg::ExtendedCx;
using orin::linalg::lowerAt;
using orin::linalg::lowerColumn;
using orin::linalg::packedCount;
using orin::linalg::upperAt;

namespace {

// sqrt(2^-63): a diagonal of the factor below this fraction of its largest
// entry means the matrix is singular to working precision.
constexpr double kCholeskyRelativeFloor = 3.2927225399135965e-10;
// 2^-63: the triangular routines' relative floor for a diagonal entry.
constexpr double kTriangularRelativeFloor = 1.0842021724855044e-19;

void copyPacked(const complexnum *from, int32_t n, complexnum *to) {
    if (from != to) std::copy_n(from, static_cast<size_t>(packedCount(n)), to);
}

}  // namespace

int32_t CxMatrix_to_Compact(const complexnum *a, int32_t n, int32_t mode, complexnum *packed) {
    if (const int32_t shape = orin::checkShape(n, n, sizeof(complexnum))) return shape;
    if (mode < 0 || mode > 2) return kErrInvalidSelector;
    const orin::ConstCxMatrix A(a, n, n);
    complexnum *out = packed;
    for (int32_t j = 0; j < n; ++j) {
        if (mode == 1) {
            for (int32_t i = 0; i <= j; ++i) *out++ = A(i, j);
        } else {
            for (int32_t i = j; i < n; ++i) *out++ = A(i, j);
        }
    }
    return kErrNone;
}

int32_t CxCompact_to_Matrix(const complexnum *packed, int32_t n, int32_t mode, complexnum *a) {
    if (const int32_t shape = orin::checkShape(n, n, sizeof(complexnum))) return shape;
    if (mode < 0 || mode > 2) return kErrInvalidSelector;
    const orin::CxMatrix A(a, n, n);
    for (int32_t i = 0; i < n; ++i)
        for (int32_t j = 0; j < n; ++j) {
            if (mode == 1) A(i, j) = i <= j ? packed[upperAt(i, j)] : complexnum{0, 0};
            else if (i >= j) A(i, j) = packed[lowerAt(n, i, j)];
            else A(i, j) = mode == 2 ? conj(packed[lowerAt(n, j, i)]) : complexnum{0, 0};
        }
    return kErrNone;
}

int32_t CxCholesky(complexnum *packed, int32_t n) {
    if (const int32_t shape = orin::linalg::checkPacked(n)) return shape;
    // Column j of L, rows j..n-1: A(i, j) - sum_{k<j} L(i, k) conj(L(j, k)),
    // each entry summed in the order k = 0, 1, ... in extended precision and
    // rounded once. With an accumulator per entry of the column, column k is
    // read down its contiguous packed tail; without one (the scratch refused)
    // the same sums are formed one entry at a time, with the same rounding.
    Scratch<ExtendedCx> acc(n);
    double largest = 0;
    // Finishes column j from its reduced entries: the real square root of
    // the diagonal (whose imaginary part a Hermitian matrix has as 0 and
    // which is not read), the division below it, and the relative floor.
    auto finish = [&](int32_t j) -> bool {
        complexnum *cj = packed + lowerColumn(n, j);
        const double d = cj[0].re;
        if (!(d > 0)) return false;
        const double root = std::sqrt(d);
        cj[0] = {root, 0};
        largest = std::max(largest, root);
        for (int32_t i = 1; i < n - j; ++i) {
            cj[i] = cj[i] / root;
            largest = std::max(largest, orin::abs(cj[i]));
        }
        const double floor = largest * kCholeskyRelativeFloor;
        for (int32_t k = 0; k <= j; ++k)
            if (packed[lowerColumn(n, k)].re < floor) return false;
        return true;
    };
    for (int32_t j = 0; j < n; ++j) {
        complexnum *cj = packed + lowerColumn(n, j);
        const int32_t len = n - j;
        if (acc) {
            for (int32_t i = 0; i < len; ++i) acc[i] = ExtendedCx(cj[i]);
            for (int32_t k = 0; k < j; ++k) {
                const complexnum *ck = packed + lowerAt(n, j, k);  // rows j.. of column k
                const complexnum l = conj(ck[0]);
                for (int32_t i = 0; i < len; ++i) acc[i].subtractProduct(ck[i], l);
            }
            for (int32_t i = 0; i < len; ++i) cj[i] = acc[i].rounded();
        } else {
            for (int32_t i = 0; i < len; ++i) {
                ExtendedCx s(cj[i]);
                for (int32_t k = 0; k < j; ++k)
                    s.subtractProduct(packed[lowerAt(n, j + i, k)], conj(packed[lowerAt(n, j, k)]));
                cj[i] = s.rounded();
            }
        }
        if (!finish(j)) return kErrSingularMatrix;
    }
    return kErrNone;
}

int32_t CxCholeskyLinEqs(const complexnum *factor, const complexnum *b, int32_t n, complexnum *x) {
    if (const int32_t shape = orin::linalg::checkPacked(n)) return shape;
    if (x != b) std::copy_n(b, n, x);
    // L y = b by columns, then L^H x = y by dot products with the conjugates
    // down the same columns. The diagonal is divided as a complex number, so
    // any lower triangle L with A = L L^H serves, not only CxCholesky's.
    for (int32_t i = 0; i < n; ++i) {
        const complexnum *ci = factor + lowerColumn(n, i);
        x[i] /= ci[0];
        for (int32_t k = i + 1; k < n; ++k) x[k] -= ci[k - i] * x[i];
    }
    for (int32_t i = n - 1; i >= 0; --i) {
        const complexnum *ci = factor + lowerColumn(n, i);
        ExtendedCx s(x[i]);
        for (int32_t k = i + 1; k < n; ++k) s.subtractProduct(conj(ci[k - i]), x[k]);
        x[i] = s.rounded() / conj(ci[0]);
    }
    return kErrNone;
}

namespace {

// Inverts a lower triangle in packed lower layout in place, column by column
// from the left: column j of L^-1 solves L y = e_j by forward elimination,
// which needs column j of L only as it is consumed and the columns to its
// right untouched.
void invertLower(complexnum *p, int32_t n) {
    for (int32_t j = 0; j < n; ++j) {
        complexnum *cj = p + lowerColumn(n, j);
        cj[0] = complexnum{1, 0} / cj[0];
        for (int32_t k = 1; k < n - j; ++k) cj[k] = -(cj[k] * cj[0]);
        for (int32_t i = j + 1; i < n; ++i) {
            const complexnum *ci = p + lowerColumn(n, i);
            complexnum &yi = cj[i - j];
            yi /= ci[0];
            for (int32_t k = i + 1; k < n; ++k) cj[k - j] -= ci[k - i] * yi;
        }
    }
}

// The same for an upper triangle in packed upper layout, columns from the
// right so that the columns to the left are still those of U.
void invertUpper(complexnum *p, int32_t n) {
    for (int32_t j = n - 1; j >= 0; --j) {
        complexnum *cj = p + upperAt(0, j);
        cj[j] = complexnum{1, 0} / cj[j];
        for (int32_t k = 0; k < j; ++k) cj[k] = -(cj[k] * cj[j]);
        for (int32_t i = j - 1; i >= 0; --i) {
            const complexnum *ci = p + upperAt(0, i);
            complexnum &yi = cj[i];
            yi /= ci[i];
            for (int32_t k = 0; k < i; ++k) cj[k] -= ci[k] * yi;
        }
    }
}

}  // namespace

int32_t CxCholesky_InvMatrix(const complexnum *factor, int32_t n, complexnum *inv) {
    if (const int32_t shape = orin::linalg::checkPacked(n)) return shape;
    Scratch<complexnum> column(n);
    if (!column) return kErrOutOfMemory;
    copyPacked(factor, n, inv);
    // A^-1 = L^-H L^-1 (LAPACK's zpotri: invert the factor, then multiply).
    // Entry (i, j), i >= j, is sum_{k >= i} conj(L^-1(k, i)) L^-1(k, j);
    // column j is saved first because it is overwritten while the later
    // entries of the same column still need it. The diagonal comes out
    // exactly real: each of its terms is conj(z) z.
    invertLower(inv, n);
    for (int32_t j = 0; j < n; ++j) {
        complexnum *cj = inv + lowerColumn(n, j);
        std::copy(cj, cj + (n - j), column.data() + j);
        for (int32_t i = j; i < n; ++i) {
            const complexnum *ci = inv + lowerColumn(n, i);
            ExtendedCx s;
            for (int32_t k = i; k < n; ++k) s.addProduct(conj(ci[k - i]), column[k]);
            cj[i - j] = s.rounded();
        }
    }
    return kErrNone;
}

namespace {

// The singularity test shared by the packed triangular routines: a diagonal
// of magnitude at most 2^-63 times the largest packed magnitude, or NaN.
bool triangularSingular(const complexnum *packed, int32_t n, int32_t triangle) {
    double largest = 0;
    const int64_t count = packedCount(n);
    for (int64_t i = 0; i < count; ++i) largest = std::max(largest, orin::abs(packed[i]));
    const double floor = largest * kTriangularRelativeFloor;
    for (int32_t i = 0; i < n; ++i) {
        const complexnum d = triangle == 0 ? packed[lowerColumn(n, i)] : packed[upperAt(i, i)];
        if (!(orin::abs(d) > floor)) return true;
    }
    return false;
}

}  // namespace

int32_t CxTriLinEqs(const complexnum *packed, const complexnum *b, int32_t n, int32_t triangle, complexnum *x) {
    if (triangle != 0 && triangle != 1) return kErrInvalidSelector;
    if (const int32_t shape = orin::linalg::checkPacked(n)) return shape;
    if (x != b) std::copy_n(b, n, x);
    if (triangularSingular(packed, n, triangle)) return kErrSingularMatrix;
    if (triangle == 0) {
        for (int32_t i = 0; i < n; ++i) {
            const complexnum *ci = packed + lowerColumn(n, i);
            x[i] /= ci[0];
            for (int32_t k = i + 1; k < n; ++k) x[k] -= ci[k - i] * x[i];
        }
    } else {
        for (int32_t i = n - 1; i >= 0; --i) {
            const complexnum *ci = packed + upperAt(0, i);
            x[i] /= ci[i];
            for (int32_t k = 0; k < i; ++k) x[k] -= ci[k] * x[i];
        }
    }
    return kErrNone;
}

int32_t CxTri_InvMatrix(const complexnum *packed, int32_t n, int32_t triangle, complexnum *inv) {
    if (triangle != 0 && triangle != 1) return kErrInvalidSelector;
    if (const int32_t shape = orin::linalg::checkPacked(n)) return shape;
    copyPacked(packed, n, inv);
    if (triangularSingular(inv, n, triangle)) return kErrSingularMatrix;
    if (triangle == 0) invertLower(inv, n);
    else invertUpper(inv, n);
    return kErrNone;
}
