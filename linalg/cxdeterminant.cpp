// The complex determinant for the four matrix types, and the test for a
// Hermitian positive-definite matrix.
#include <orin/linalg.h>

#include "detail.h"

using orin::Scratch;
using orin::linalg::cells;
using orin::linalg::ExtendedCx;

namespace {

// 2^-63: eigenvalues below this fraction of the largest are taken as 0.
constexpr double kEigenRelativeFloor = 1.0842021724855044e-19;

ExtendedCx diagonalProduct(const complexnum *a, int32_t n) {
    ExtendedCx p(complexnum{1, 0});
    for (int32_t i = 0; i < n; ++i) p.multiply(a[static_cast<ptrdiff_t>(i) * n + i]);
    return p;
}

}  // namespace

int32_t CxDeterminant(const complexnum *a, int32_t n, int32_t type, complexnum *det) {
    orin::writeNaN(&det->re);
    orin::writeNaN(&det->im);
    if (const int32_t shape = orin::checkShape(n, n, sizeof(complexnum))) return shape;
    if (type < 0 || type > 3) return kErrInvalidSelector;
    // A non-finite entry leaves no finite determinant, for any type (see
    // Determinant): NaN in both parts.
    const complexnum none{std::nan(""), std::nan("")};
    if (!orin::linalg::allFinite(a, cells(n, n))) {
        *det = none;
        return kErrNone;
    }
    if (type >= 2) {
        *det = diagonalProduct(a, n).rounded();
        return kErrNone;
    }
    if (type == 0) {
        // det A = (-1)^parity prod U(i, i) from the factors of a copy.
        Scratch<complexnum> work(cells(n, n));
        if (!work) return kErrOutOfMemory;
        Scratch<int32_t> perm(n);
        if (!perm) return kErrOutOfMemory;
        std::copy_n(a, static_cast<size_t>(cells(n, n)), work.data());
        int32_t parity = 0;
        const int32_t code = CxLU(work.data(), n, perm.data(), &parity);
        if (code != kErrNone && code != kErrSingularMatrix) return code;
        // An elimination that overflowed has lost the determinant, its
        // "singular" verdict included.
        if (!orin::linalg::allFinite(work.data(), cells(n, n))) {
            *det = none;
            return kErrNone;
        }
        if (code == kErrSingularMatrix) {
            *det = {0, 0};
            return kErrNone;
        }
        ExtendedCx p = diagonalProduct(work.data(), n);
        if (parity) p.multiply({-1, 0});
        *det = p.rounded();
        return kErrNone;
    }
    // Hermitian positive definite: det A = (prod L(i, i))^2 with A = L L^H
    // (the diagonal of L is real and positive), from the lower triangle. As
    // in the real case, the factorisation of a positive definite matrix
    // cannot overflow, so a failure means the determinant 0 here.
    Scratch<complexnum> packed(orin::linalg::packedCount(n));
    if (!packed) return kErrOutOfMemory;
    CxMatrix_to_Compact(a, n, 2, packed.data());
    const int32_t code = CxCholesky(packed.data(), n);
    if (code == kErrSingularMatrix) {
        *det = {0, 0};
        return kErrNone;
    }
    if (code != kErrNone) return code;  // defensive: CxCholesky's other codes are the shape codes excluded above
    orin::extended p = 1;
    for (int32_t j = 0; j < n; ++j) p *= packed[orin::linalg::lowerColumn(n, j)].re;
    *det = {static_cast<double>(p * p), 0};
    return kErrNone;
}

int32_t CxCheckPosdef(const complexnum *a, int32_t n, int32_t *result) {
    *result = 0;
    if (const int32_t shape = orin::checkShape(n, n, sizeof(complexnum))) return shape;
    // The eigenvalues of the real symmetric embedding [[Re A, -Im A],
    // [Im A, Re A]] of order 2n are those of the Hermitian A, each twice
    // (A x = lambda x gives the two real eigenvectors (Re x, Im x) and
    // (-Im x, Re x)), so the real symmetric eigen-solver decides. The shape
    // check keeps n n within INT32_MAX, so 2 n cannot overflow.
    const int32_t m = 2 * n;
    Scratch<double> values(m);
    if (!values) return kErrOutOfMemory;
    Scratch<double> work(cells(m, m));
    if (!work) return kErrOutOfMemory;
    const orin::ConstCxMatrix A(a, n, n);
    // Exactly Hermitian: a real diagonal and a(j, i) = conj(a(i, j)); a NaN
    // fails the comparisons. An infinite entry makes no positive-definite
    // matrix either (the eigenvalue iteration could only fail on it).
    for (int32_t i = 0; i < n; ++i) {
        if (!(A(i, i).im == 0) || !std::isfinite(A(i, i).re)) return kErrNone;
        for (int32_t j = i + 1; j < n; ++j)
            if (!(A(i, j) == orin::conj(A(j, i))) || !orin::isFinite(A(i, j))) return kErrNone;
    }
    const orin::Matrix E(work.data(), m, m);
    for (int32_t i = 0; i < n; ++i)
        for (int32_t j = 0; j < n; ++j) {
            const complexnum z = A(i, j);
            E(i, j) = z.re;
            E(i, n + j) = -z.im;
            E(n + i, j) = z.im;
            E(n + i, n + j) = z.re;
        }
    if (const int32_t code = orin::linalg::symmetricEigen(work.data(), m, false, values.data())) return code;
    double largest = values[0];
    for (int32_t i = 0; i < m; ++i) {
        if (!(values[i] > 0)) return kErrNone;
        largest = std::max(largest, values[i]);
    }
    const double floor = largest * kEigenRelativeFloor;
    for (int32_t i = 0; i < m; ++i)
        if (values[i] < floor) return kErrNone;
    *result = 1;
    return kErrNone;
}
