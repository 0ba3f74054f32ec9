// LU factorisation with partial pivoting (Crout's left-looking order, each
// entry reduced by one extended-precision dot product: Golub and Van Loan
// sec. 3.4, Crout variant), the two substitution kernels, and the solves,
// inverses and determinants built on them.
#include <orin/linalg.h>

#include "detail.h"

using orin::extended;
using orin::linalg::cells;
using orin::linalg::kLanes;

namespace {

// A pivot must exceed this magnitude; smaller columns count as singular.
constexpr double kPivotFloor = 1e-12;

// Columns reduced together by the blocked factorisation: two groups of
// kLanes, so that each row of L is read once from memory per panel.
constexpr ptrdiff_t kPanel = 2 * orin::linalg::kLanes;

// Chooses the pivot of column j among rows j..n-1 (already reduced): the
// first row of largest magnitude above kPivotFloor; false when there is
// none. Exchanges rows j and p in full, records the exchange and divides
// the multipliers by the pivot.
bool pivot(orin::Matrix A, ptrdiff_t j, int32_t *perm, int32_t *parity) {
    const ptrdiff_t n = A.rows();
    double best = kPivotFloor;
    ptrdiff_t p = -1;
    for (ptrdiff_t i = j; i < n; ++i)
        if (std::fabs(A(i, j)) > best) {
            best = std::fabs(A(i, j));
            p = i;
        }
    if (p < 0) return false;
    if (p != j) {
        std::swap_ranges(A.row(p).data(), A.row(p).data() + n, A.row(j).data());
        perm[j] = static_cast<int32_t>(p);
        *parity ^= 1;
    }
    const double d = A(j, j);
    for (ptrdiff_t i = j + 1; i < n; ++i) A(i, j) /= d;
    return true;
}

// One column at a time, each entry reduced by its own dot product: the
// factorisation when the panel scratch cannot be had.
bool factorByColumns(orin::Matrix A, int32_t *perm, int32_t *parity) {
    const ptrdiff_t n = A.rows();
    for (ptrdiff_t j = 0; j < n; ++j) {
        for (ptrdiff_t i = j == 0 ? 0 : 1; i < n; ++i)
            A(i, j) = static_cast<double>(
                A(i, j) - orin::dotExtended(A.row(i).data(), &A(0, j), static_cast<int32_t>(std::min(i, j)), 1, n));
        if (!pivot(A, j, perm, parity)) return false;
    }
    return true;
}

// Crout's order in panels of kPanel columns j0 .. j0+w-1. Entry (i, j) is
// a[i][j] - sum_{k < min(i, j)} a[i][k] u[k][j], the sum formed from 0 in
// index order; the panel splits it at k = j0 without reordering it:
//   1. rows i < j0: the upper factor's entries, sum over k < i, one row at a
//      time (each needs the rows above it) with the panel's columns in
//      flight together, on a contiguous copy u of those rows;
//   2. rows i >= j0: the part k < j0 of every sum, kept in extended
//      precision in acc;
//   3. column by column, the part j0 <= k < min(i, j), then the pivot.
// An exchange of rows p and j moves their partial sums with them, as it
// moves their entries.
void reducePanel(orin::Matrix A, ptrdiff_t j0, double *u, extended *acc) {
    const ptrdiff_t n = A.rows(), w = std::min(kPanel, n - j0);
    // u holds the panel's rows 0..j0-1 as kPanel / kLanes groups, each
    // j0 x kLanes; columns past the matrix's edge are zeros.
    auto group = [&](ptrdiff_t g) { return u + g * kLanes * j0; };
    for (ptrdiff_t k = 0; k < j0; ++k)
        for (ptrdiff_t c = 0; c < kPanel; ++c) group(c / kLanes)[k * kLanes + c % kLanes] = c < w ? A(k, j0 + c) : 0.0;
    for (ptrdiff_t i = 1; i < j0; ++i)
        for (ptrdiff_t g = 0; g < kPanel / kLanes; ++g) {
            extended s[kLanes] = {0, 0, 0, 0};
            double *ui = group(g) + i * kLanes;
            orin::linalg::rowTimesLanes(A.row(i).data(), group(g), i, s);
#pragma GCC unroll 4  // the sums stay in registers
            for (ptrdiff_t c = 0; c < kLanes; ++c) ui[c] = static_cast<double>(ui[c] - s[c]);
        }
    for (ptrdiff_t i = j0; i < n; ++i)
        for (ptrdiff_t g = 0; g < kPanel / kLanes; ++g) {
            extended *s = acc + i * kPanel + g * kLanes;
            std::fill(s, s + kLanes, extended(0));
            orin::linalg::rowTimesLanes(A.row(i).data(), group(g), j0, s);
        }
}

bool factorByPanels(orin::Matrix A, int32_t *perm, int32_t *parity, double *u, extended *acc) {
    const ptrdiff_t n = A.rows();
    for (ptrdiff_t j0 = 0; j0 < n; j0 += kPanel) {
        reducePanel(A, j0, u, acc);
        for (ptrdiff_t j = j0; j < std::min(j0 + kPanel, n); ++j) {
            // Column j's rows above the panel are stored only now, so that a
            // failure leaves the later columns as the column order would.
            const ptrdiff_t c = j - j0;
            const double *uc = u + (c / kLanes) * kLanes * j0 + c % kLanes;
            for (ptrdiff_t k = 0; k < j0; ++k) A(k, j) = uc[k * kLanes];
            // The terms j0 <= k < min(i, j) of each sum: above the diagonal
            // one row after another (each needs the rows before it), from
            // the diagonal down kLanes rows at a time on the same c entries
            // of column j. Row 0 of the upper factor is the matrix's own.
            auto finishRow = [&](ptrdiff_t i) {
                extended s = acc[i * kPanel + c];
                const double *row = A.row(i).data();
                for (ptrdiff_t k = j0; k < std::min(i, j); ++k) s += static_cast<extended>(row[k]) * A(k, j);
                A(i, j) = static_cast<double>(A(i, j) - s);
            };
            ptrdiff_t i = j > 0 ? std::max<ptrdiff_t>(j0, 1) : 0;
            for (; i < j; ++i) finishRow(i);
            double above[kPanel];
            for (ptrdiff_t k = j0; k < j; ++k) above[k - j0] = A(k, j);
            for (; i + kLanes <= n; i += kLanes) {
                const double *rows[kLanes] = {&A(i, j0), &A(i + 1, j0), &A(i + 2, j0), &A(i + 3, j0)};
                extended s[kLanes];
#pragma GCC unroll 4  // the sums stay in registers
                for (ptrdiff_t r = 0; r < kLanes; ++r) s[r] = acc[(i + r) * kPanel + c];
                orin::linalg::rowsTimesVector(rows, above, c, s);
#pragma GCC unroll 4  // the sums stay in registers
                for (ptrdiff_t r = 0; r < kLanes; ++r) A(i + r, j) = static_cast<double>(A(i + r, j) - s[r]);
            }
            for (; i < n; ++i) finishRow(i);
            if (!pivot(A, j, perm, parity)) return false;
            if (const ptrdiff_t p = perm[j]; p != j)
                std::swap_ranges(acc + p * kPanel, acc + (p + 1) * kPanel, acc + j * kPanel);
        }
    }
    return true;
}

// The factorisation shared by LUFactor and LU. Returns false when a column
// has no acceptable pivot (the matrix is then partly factored).
bool factor(double *a, int32_t n, int32_t *perm, int32_t *parity) {
    orin::Matrix A(a, n, n);
    for (int32_t i = 0; i < n; ++i) perm[i] = i;
    *parity = 0;
    orin::ScratchLayout layout;
    const auto u = layout.add<double>(kPanel * static_cast<int64_t>(n));
    const auto acc = layout.add<extended>(kPanel * static_cast<int64_t>(n));
    orin::CarvedScratch panel(layout);
    if (!panel) return factorByColumns(A, perm, parity);
    return factorByPanels(A, perm, parity, panel.get(u), panel.get(acc));
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

namespace {

// Columns of the inverse solved together: kRhs unit vectors per pass over
// the factors (their right-hand sides stay in cache), kLanes in flight.
constexpr ptrdiff_t kRhs = 32;

// inv = A^-1 from the factors lu and the exchanges perm, one column per unit
// vector e_j. Each column gets exactly the arithmetic of ForwSub and BackSub
// on e_j (every entry a running extended difference over k in index order,
// the back substitution's quotient taken in extended precision); kLanes
// right-hand sides share each row of the factors. The forward substitution
// meets the 1 of e_j at the row the exchanges carry it to, and nothing but
// zeros before it (skipped, see below), so the unit vectors are taken in
// the order of those rows: the kLanes of a group then start together.
// Scratch: rhs holds kRhs * n doubles, order n entries; inv must not
// overlap lu.
void invertFactored(const double *lu, const int32_t *perm, ptrdiff_t n, double *inv, double *rhs, int32_t *order) {
    const orin::ConstMatrix F(lu, n, n);
    bool finite = true;
    for (ptrdiff_t i = 1; i < n && finite; ++i) finite = orin::linalg::allFinite(F.row(i).data(), i);
    // order[i]: the unit vector whose 1 the exchanges bring to row i.
    for (ptrdiff_t i = 0; i < n; ++i) order[i] = static_cast<int32_t>(i);
    for (ptrdiff_t i = 0; i < n && n > 1; ++i) std::swap(order[i], order[perm[i]]);
    for (ptrdiff_t t0 = 0; t0 < n; t0 += kRhs) {
        const ptrdiff_t count = std::min(kRhs, n - t0), groups = (count + kLanes - 1) / kLanes;
        // Group g holds e_j for j = order[t0 + g kLanes + c] as b[k kLanes + c];
        // lanes past the last unit vector stay zero.
        auto group = [&](ptrdiff_t g) { return rhs + g * kLanes * n; };
        std::fill(rhs, rhs + groups * kLanes * n, 0.0);
        for (ptrdiff_t t = 0; t < count; ++t) group(t / kLanes)[order[t0 + t] * kLanes + t % kLanes] = 1.0;
        for (ptrdiff_t g = 0; g < groups; ++g) {
            double *b = group(g);
            extended s[kLanes];
            // The forward substitution's first `lead` results are +0 in every
            // lane. Their terms come first in each difference, which then
            // still holds an entry of e_j (+0 or 1); with finite multipliers
            // they are +-0 and leave it unchanged, so they are skipped.
            ptrdiff_t lead = 0;
            if (n > 1)
                for (ptrdiff_t i = 0; i < n; ++i) {
                    const ptrdiff_t p = perm[i];
#pragma GCC unroll 4  // the sums stay in registers
                    for (ptrdiff_t c = 0; c < kLanes; ++c) {
                        s[c] = b[p * kLanes + c];
                        if (p != i) b[p * kLanes + c] = b[i * kLanes + c];
                    }
                    const ptrdiff_t from = finite ? lead : 0;
                    orin::linalg::rowTimesLanes<true>(F.row(i).data() + from, b + from * kLanes, i - from, s);
                    bool zero = lead == i;
#pragma GCC unroll 4  // the sums stay in registers
                    for (ptrdiff_t c = 0; c < kLanes; ++c) {
                        b[i * kLanes + c] = static_cast<double>(s[c]);
                        zero = zero && b[i * kLanes + c] == 0 && !std::signbit(b[i * kLanes + c]);
                    }
                    if (zero) lead = i + 1;
                }
            for (ptrdiff_t i = n - 1; i >= 0; --i) {
#pragma GCC unroll 4  // the sums stay in registers
                for (ptrdiff_t c = 0; c < kLanes; ++c) s[c] = b[i * kLanes + c];
                orin::linalg::rowTimesLanes<true>(F.row(i).data() + i + 1, b + (i + 1) * kLanes, n - 1 - i, s);
#pragma GCC unroll 4  // the sums stay in registers
                for (ptrdiff_t c = 0; c < kLanes; ++c) b[i * kLanes + c] = static_cast<double>(s[c] / F(i, i));
            }
        }
        for (ptrdiff_t t = 0; t < count; ++t) {
            const double *b = group(t / kLanes) + t % kLanes;
            const ptrdiff_t j = order[t0 + t];
            for (ptrdiff_t k = 0; k < n; ++k) inv[k * n + j] = b[k * kLanes];
        }
    }
}

// The solves' scratch (kRhs right-hand sides, the order of the unit
// vectors) in one block, with room in front for copyCount doubles.
struct InverseScratch {
    orin::ScratchLayout layout;
    orin::Part<double> copy, rhs;
    orin::Part<int32_t> order;
    orin::CarvedScratch block;

    InverseScratch(int32_t n, int64_t copyCount)
        : copy(layout.add<double>(copyCount)),
          rhs(layout.add<double>(kRhs * static_cast<int64_t>(n))),
          order(layout.add<int32_t>(n)),
          block(layout) {}

    void invert(const double *lu, const int32_t *perm, int32_t n, double *inv) const {
        invertFactored(lu, perm, n, inv, block.get(rhs), block.get(order));
    }
};

}  // namespace

int32_t LUInvMatrix(const double *lu, const int32_t *perm, int32_t n, double *inv) {
    if (const int32_t shape = orin::checkShape(n, n)) return shape;
    const InverseScratch work(n, 0);
    if (!work.block) return kErrOutOfMemory;
    orin::Scratch<double> copy;
    if (lu == inv) {
        if (!copy.allocate(cells(n, n))) return kErrOutOfMemory;
        orin::linalg::copyCells(lu, cells(n, n), copy.data());
        lu = copy.data();
    }
    work.invert(lu, perm, n, inv);
    return kErrNone;
}

int32_t InvMatrix(const double *a, int32_t n, double *inv) {
    if (const int32_t shape = orin::checkShape(n, n)) return shape;
    const InverseScratch work(n, cells(n, n));
    if (!work.block) return kErrOutOfMemory;
    orin::linalg::LUCopy lu;
    const int32_t code = lu.factor(a, n, work.block.get(work.copy));
    // A singular matrix leaves the identity in inv.
    if (code == kErrSingularMatrix) IdentityMatrix(n, inv);
    if (code) return code;
    work.invert(lu.factors, lu.perm.data(), n, inv);
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
        if (!orin::linalg::allFinite(lu.factors, cells(n, n))) {
            *det = std::nan("");
            return kErrNone;
        }
        if (code == kErrSingularMatrix) {
            *det = 0.0;
            return kErrNone;
        }
        extended p = 1;
        for (ptrdiff_t i = 0; i < n; ++i) p *= lu.factors[i * n + i];
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
