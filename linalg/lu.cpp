// LU factorisation with partial pivoting (Crout's left-looking order, each
// entry reduced by one extended-precision dot product: Golub and Van Loan
// sec. 3.4, Crout variant), the two substitution kernels, and the solves,
// inverses and determinants built on them.
#include <orin/linalg.h>

#include "detail.h"

using orin::extended;
using orin::linalg::cells;

namespace {

// A pivot must exceed this magnitude; smaller columns count as singular.
constexpr double kPivotFloor = 1e-12;

// The factorisation shared by LUFactor and LU. Returns false when a column
// has no acceptable pivot (the matrix is then partly factored).
bool factor(double *a, int32_t n, int32_t *perm, int32_t *parity) {
    orin::Matrix A(a, n, n);
    for (int32_t i = 0; i < n; ++i) perm[i] = i;
    *parity = 0;
    // Column j is gathered into a contiguous vector so that every dot product
    // runs along a row; without it the same sums are formed down the column.
    orin::Scratch<double> gathered(n);
    for (int32_t j = 0; j < n; ++j) {
        double *col = gathered ? gathered.data() : &A(0, j);
        const int32_t stride = gathered ? 1 : n;
        auto at = [&](ptrdiff_t i) -> double & { return col[i * stride]; };
        if (gathered)
            for (int32_t i = 0; i < n; ++i) col[i] = A(i, j);
        for (int32_t i = 1; i < j; ++i)
            at(i) = static_cast<double>(at(i) - orin::dotExtended(A.row(i).data(), col, i, 1, stride));
        double best = kPivotFloor;
        ptrdiff_t pivot = -1;
        for (int32_t i = j; i < n; ++i) {
            at(i) = static_cast<double>(at(i) - orin::dotExtended(A.row(i).data(), col, j, 1, stride));
            if (std::fabs(at(i)) > best) {
                best = std::fabs(at(i));
                pivot = i;
            }
        }
        if (gathered)
            for (int32_t i = 0; i < n; ++i) A(i, j) = col[i];
        if (pivot < 0) return false;
        if (pivot != j) {
            std::swap_ranges(A.row(pivot).data(), A.row(pivot).data() + n, A.row(j).data());
            perm[j] = static_cast<int32_t>(pivot);
            *parity ^= 1;
        }
        const double p = A(j, j);
        for (ptrdiff_t i = j + 1; i < n; ++i) A(i, j) /= p;
    }
    return true;
}

}  // namespace

int32_t LUFactor(double *a, int32_t n, int32_t *perm, int32_t *parity) {
    if (const int32_t shape = orin::checkShape(n, n)) return shape;
    return factor(a, n, perm, parity) ? kErrNone : kErrSingularMatrix;
}

void LU(double *a, int32_t *perm, int32_t n, int32_t *parity, int32_t *singular) {
    *singular = 0;
    if (n < 1) return;
    *singular = factor(a, n, perm, parity) ? 0 : 1;
}

// Both kernels trust their caller for the sizes, but a count below 1 is an
// empty system: nothing to do, and n - 1 must not be formed in int32 (it
// overflows for INT32_MIN).
void ForwSub(const double *lu, const int32_t *perm, int32_t n, double *b) {
    if (n <= 1) return;
    const orin::ConstMatrix L(lu, n, n);
    for (ptrdiff_t i = 0; i < n; ++i) {
        const ptrdiff_t p = perm[i];
        extended s = b[p];
        if (p != i) b[p] = b[i];
        const double *row = L.row(i).data();
        for (ptrdiff_t k = 0; k < i; ++k) s -= static_cast<extended>(row[k]) * b[k];
        b[i] = static_cast<double>(s);
    }
}

void BackSub(const double *lu, int32_t n, double *b) {
    if (n <= 0) return;
    const orin::ConstMatrix U(lu, n, n);
    for (ptrdiff_t i = static_cast<ptrdiff_t>(n) - 1; i >= 0; --i) {
        const double *row = U.row(i).data();
        extended s = b[i];
        for (ptrdiff_t k = i + 1; k < n; ++k) s -= static_cast<extended>(row[k]) * b[k];
        b[i] = static_cast<double>(s / row[i]);
    }
}

int32_t LULinEqs(const double *lu, const int32_t *perm, const double *b, int32_t n, double *x) {
    if (const int32_t shape = orin::checkShape(n, n)) return shape;
    orin::linalg::copyCells(b, n, x);
    ForwSub(lu, perm, n, x);
    BackSub(lu, n, x);
    return kErrNone;
}

int32_t LUInvMatrix(const double *lu, const int32_t *perm, int32_t n, double *inv) {
    if (const int32_t shape = orin::checkShape(n, n)) return shape;
    orin::Scratch<double> column(n);
    if (!column) return kErrOutOfMemory;
    orin::Scratch<double> copy;
    if (lu == inv) {
        if (!copy.allocate(cells(n, n))) return kErrOutOfMemory;
        orin::linalg::copyCells(lu, cells(n, n), copy.data());
        lu = copy.data();
    }
    // Row j of the result first holds A^-1 e_j, so each solve writes a
    // contiguous row; the final transpose turns rows into columns.
    orin::Matrix out(inv, n, n);
    for (ptrdiff_t j = 0; j < n; ++j) {
        std::fill(column.begin(), column.end(), 0.0);
        column[j] = 1.0;
        LULinEqs(lu, perm, column.data(), n, out.row(j).data());
    }
    orin::linalg::transposeSquare(inv, n);
    return kErrNone;
}

int32_t InvMatrix(const double *a, int32_t n, double *inv) {
    if (const int32_t shape = orin::checkShape(n, n)) return shape;
    orin::Scratch<double> work(cells(n, n));
    if (!work) return kErrOutOfMemory;
    orin::Scratch<int32_t> perm(n);
    if (!perm) return kErrOutOfMemory;
    orin::linalg::copyCells(a, cells(n, n), work.data());
    IdentityMatrix(n, inv);
    int32_t parity = 0, singular = 0;
    LU(work.data(), perm.data(), n, &parity, &singular);
    if (singular) return kErrSingularMatrix;
    orin::Matrix out(inv, n, n);
    for (ptrdiff_t j = 0; j < n; ++j) {
        ForwSub(work.data(), perm.data(), n, out.row(j).data());
        BackSub(work.data(), n, out.row(j).data());
    }
    orin::linalg::transposeSquare(inv, n);
    return kErrNone;
}

int32_t Determinant(const double *a, int32_t n, int32_t type, double *det) {
    orin::writeNaN(det);
    if (const int32_t shape = orin::checkShape(n, n)) return shape;
    if (type < 0 || type > 3) return kErrInvalidSelector;
    // A non-finite entry leaves no finite determinant to report, for any
    // type: the factorisations would take a NaN column (or inf - inf) for a
    // singular one and report 0, and a product of the diagonal alone would
    // ignore an infinity beside it.
    if (!orin::linalg::allFinite(a, cells(n, n))) {
        *det = std::nan("");
        return kErrNone;
    }
    const orin::ConstMatrix A(a, n, n);
    if (type >= 2) {
        extended p = 1;
        for (ptrdiff_t i = 0; i < n; ++i) p *= A(i, i);
        *det = static_cast<double>(p);
        return kErrNone;
    }
    if (type == 0) {
        orin::linalg::LUCopy lu;
        const int32_t code = lu.factor(a, n);
        if (code != kErrNone && code != kErrSingularMatrix) return code;
        // Finite entries near the largest double can overflow inside the
        // elimination; a factor holding an infinity or NaN has lost the
        // determinant, its "singular" verdict included.
        if (!orin::linalg::allFinite(lu.work.data(), cells(n, n))) {
            *det = std::nan("");
            return kErrNone;
        }
        if (code == kErrSingularMatrix) {
            *det = 0.0;
            return kErrNone;
        }
        extended p = 1;
        for (ptrdiff_t i = 0; i < n; ++i) p *= lu.work[i * n + i];
        *det = static_cast<double>(lu.parity ? -p : p);
        return kErrNone;
    }
    // Cholesky of a positive definite matrix cannot overflow (|L(i, k)|^2 <=
    // a(i, i)): an overflow only ever shows as a failed diagonal, and a
    // matrix that is not positive definite has the determinant 0 here.
    orin::Scratch<double> packed(orin::linalg::packedCount(n));
    if (!packed) return kErrOutOfMemory;
    Matrix_to_Compact(a, n, 2, packed.data());
    const int32_t code = Cholesky(packed.data(), n);
    if (code == kErrSingularMatrix) {
        *det = 0.0;
        return kErrNone;
    }
    if (code != kErrNone) return code;
    extended p = 1;
    for (ptrdiff_t j = 0; j < n; ++j) p *= packed[orin::linalg::lowerColumn(n, j)];
    *det = static_cast<double>(p * p);
    return kErrNone;
}
