// The Cholesky factorisation A = L L^H of a Hermitian positive-definite
// matrix in packed lower layout (left-looking, Golub and Van Loan alg. 4.2.1
// with conjugates) and its solve. Packed storage (in mode 2 the upper
// triangle is the conjugate mirror of the stored lower one), the triangular
// solves and the inverses are the real family's templates (packed.h) taken
// over complexnum.
#include <orin/linalg.h>

#include "packed.h"

using orin::conj;
using orin::Scratch;
using orin::linalg::ExtendedCx;
using orin::linalg::kCholeskyRelativeFloor;
using orin::linalg::lowerAt;
using orin::linalg::lowerColumn;

int32_t CxMatrix_to_Compact(const complexnum *a, int32_t n, int32_t mode, complexnum *packed) {
    return orin::linalg::toPacked(a, n, mode, packed);
}

int32_t CxCompact_to_Matrix(const complexnum *packed, int32_t n, int32_t mode, complexnum *a) {
    return orin::linalg::fromPacked(packed, n, mode, a);
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

int32_t CxCholesky_InvMatrix(const complexnum *factor, int32_t n, complexnum *inv) {
    return orin::linalg::choleskyInverse(factor, n, inv);
}

int32_t CxTriLinEqs(const complexnum *packed, const complexnum *b, int32_t n, int32_t triangle, complexnum *x) {
    return orin::linalg::triangularSolve(packed, b, n, triangle, x);
}

int32_t CxTri_InvMatrix(const complexnum *packed, int32_t n, int32_t triangle, complexnum *inv) {
    return orin::linalg::triangularInverse(packed, n, triangle, inv);
}
