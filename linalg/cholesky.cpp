// The Cholesky factorisation of a symmetric positive-definite matrix in
// packed lower layout (left-looking, Golub and Van Loan alg. 4.2.1) and its
// solve. Packed storage, the triangular solves and the inverses are the
// complex family's templates (packed.h) taken over double.
#include <orin/linalg.h>

#include "packed.h"

using orin::extended;
using orin::linalg::kCholeskyRelativeFloor;
using orin::linalg::lowerAt;
using orin::linalg::lowerColumn;

int32_t Matrix_to_Compact(const double *a, int32_t n, int32_t mode, double *packed) {
    return orin::linalg::toPacked(a, n, mode, packed);
}

int32_t Compact_to_Matrix(const double *packed, int32_t n, int32_t mode, double *a) {
    return orin::linalg::fromPacked(packed, n, mode, a);
}

int32_t Cholesky(double *packed, int32_t n) {
    if (const int32_t shape = orin::linalg::checkPacked(n)) return shape;
    using orin::linalg::kLanes;
    // Entry (i, j) is a[i][j] - L[i][0] L[j][0] - L[i][1] L[j][1] - ...,
    // subtracted term by term in extended precision and rounded once.
    // Columns are reduced a panel of kPanel at a time without reordering
    // that: the terms k below the panel's first column j0 are taken for
    // every entry of the panel with kLanes sums in flight, each row of L
    // read from a row-major copy of the finished columns against the
    // panel's rows of L (contiguous in the packed layout, copied into groups
    // of kLanes interleaved rows); the partial sums wait in extended
    // precision while the terms inside the panel are taken column by column.
    // Without the scratch the same sums are formed one entry at a time.
    constexpr ptrdiff_t kPanel = 2 * kLanes;
    orin::ScratchLayout layout;
    const auto accPart = layout.add<extended>(kPanel * static_cast<int64_t>(n));
    const auto lanesPart = layout.add<double>(kPanel * static_cast<int64_t>(n));
    const auto rowsPart = layout.add<double>(orin::linalg::packedCount(n));
    orin::CarvedScratch scratch(layout);
    double largest = 0;
    // Finishes column j from its reduced entries: the square root of the
    // diagonal, the division below it, and the relative floor.
    auto finish = [&](ptrdiff_t j) -> bool {
        double *cj = packed + lowerColumn(n, j);
        const double d = cj[0];
        if (!(d > 0)) return false;
        const double root = std::sqrt(d);
        cj[0] = root;
        largest = std::max(largest, root);
        for (ptrdiff_t i = 1; i < n - j; ++i) {
            cj[i] /= root;
            largest = std::max(largest, std::fabs(cj[i]));
        }
        const double floor = largest * kCholeskyRelativeFloor;
        for (ptrdiff_t k = 0; k <= j; ++k)
            if (packed[lowerColumn(n, k)] < floor) return false;
        return true;
    };
    if (!scratch) {
        for (ptrdiff_t j = 0; j < n; ++j) {
            double *cj = packed + lowerColumn(n, j);
            for (ptrdiff_t i = 0; i < n - j; ++i) {
                extended s = cj[i];
                for (ptrdiff_t k = 0; k < j; ++k)
                    s -= static_cast<extended>(packed[lowerAt(n, j + i, k)]) * packed[lowerAt(n, j, k)];
                cj[i] = static_cast<double>(s);
            }
            if (!finish(j)) return kErrSingularMatrix;
        }
        return kErrNone;
    }
    extended *acc = scratch.get(accPart);  // acc[i kPanel + c]: entry (i, j0 + c)
    double *lanes = scratch.get(lanesPart);
    double *rows = scratch.get(rowsPart);  // row i of L at i(i+1)/2
    auto row = [&](ptrdiff_t i) { return rows + i * (i + 1) / 2; };
    for (ptrdiff_t j0 = 0; j0 < n; j0 += kPanel) {
        const ptrdiff_t width = std::min<ptrdiff_t>(kPanel, n - j0);
        // Group g: L[j0 + g kLanes + c][k] at k kLanes + c, k < j0; rows
        // past the matrix's edge are zeros.
        auto group = [&](ptrdiff_t g) { return lanes + g * kLanes * j0; };
        for (ptrdiff_t k = 0; k < j0; ++k) {
            const double *ck = packed + lowerAt(n, j0, k);  // rows j0.. of column k
            for (ptrdiff_t c = 0; c < kPanel; ++c) group(c / kLanes)[k * kLanes + c % kLanes] = c < width ? ck[c] : 0.0;
        }
        for (ptrdiff_t i = j0; i < n; ++i)
            for (ptrdiff_t g = 0; g < kPanel / kLanes; ++g) {
                extended *s = acc + i * kPanel + g * kLanes;
// Entries above the diagonal start (and stay) unused.
#pragma GCC unroll 4  // the sums stay in registers
                for (ptrdiff_t c = 0; c < kLanes; ++c) {
                    const ptrdiff_t j = j0 + g * kLanes + c;
                    s[c] = j <= i ? packed[lowerAt(n, i, j)] : 0.0;
                }
                orin::linalg::rowTimesLanes<true>(row(i), group(g), j0, s);
            }
        for (ptrdiff_t c = 0; c < width; ++c) {
            const ptrdiff_t j = j0 + c;
            double *cj = packed + lowerColumn(n, j);
            for (ptrdiff_t i = j; i < n; ++i) {
                extended s = acc[i * kPanel + c];
                for (ptrdiff_t k = j0; k < j; ++k)
                    s -= static_cast<extended>(packed[lowerAt(n, j, k)]) * packed[lowerAt(n, i, k)];
                cj[i - j] = static_cast<double>(s);
            }
            if (!finish(j)) return kErrSingularMatrix;
            for (ptrdiff_t i = j; i < n; ++i) row(i)[j] = cj[i - j];
        }
    }
    return kErrNone;
}

int32_t CholeskyLinEqs(const double *factor, const double *b, int32_t n, double *x) {
    if (const int32_t shape = orin::linalg::checkPacked(n)) return shape;
    orin::linalg::copyCells(b, n, x);
    // L y = b by columns, then L^T x = y by dot products down the same columns.
    for (ptrdiff_t i = 0; i < n; ++i) {
        const double *ci = factor + lowerColumn(n, i);
        x[i] /= ci[0];
        for (ptrdiff_t k = i + 1; k < n; ++k) x[k] -= ci[k - i] * x[i];
    }
    for (ptrdiff_t i = n - 1; i >= 0; --i) {
        const double *ci = factor + lowerColumn(n, i);
        extended s = x[i];
        for (ptrdiff_t k = i + 1; k < n; ++k) s -= static_cast<extended>(ci[k - i]) * x[k];
        x[i] = static_cast<double>(s / ci[0]);
    }
    return kErrNone;
}

int32_t Cholesky_InvMatrix(const double *factor, int32_t n, double *inv) {
    return orin::linalg::choleskyInverse(factor, n, inv);
}

int32_t TriLinEqs(const double *packed, const double *b, int32_t n, int32_t triangle, double *x) {
    return orin::linalg::triangularSolve(packed, b, n, triangle, x);
}

int32_t Tri_InvMatrix(const double *packed, int32_t n, int32_t triangle, double *inv) {
    return orin::linalg::triangularInverse(packed, n, triangle, inv);
}
