#include <orin/statistics.h>

#include <climits>

#include "probability.h"

int32_t Contingency_Table(int32_t rows, int32_t cols, const int32_t *counts, double *chi2, double *p) {
    using orin::extended;
    // The shape is checked before any scratch is taken, so a table too small
    // (or with negative dimensions) is reported as such, never as a failed
    // allocation.
    if (rows < 2 || cols < 2) return kErrTableTooSmall;
    if (static_cast<int64_t>(rows) * cols > INT32_MAX) return kErrOutOfMemory;
    // Totals in 64-bit integers: sums of int32 counts overflow int32.
    orin::Scratch<int64_t> totals(static_cast<int64_t>(rows) + cols, orin::Fill::kZeroed);
    if (!totals) return kErrOutOfMemory;
    int64_t *const rowTotal = totals.data();
    int64_t *const colTotal = totals.data() + rows;
    int64_t grand = 0;
    for (int32_t i = 0; i < rows; ++i) {
        const int32_t *row = counts + static_cast<int64_t>(i) * cols;
        for (int32_t j = 0; j < cols; ++j) {
            if (row[j] < 0) return kErrNegativeCount;
            rowTotal[i] += row[j];
            colTotal[j] += row[j];
        }
        grand += rowTotal[i];
    }
    // Pearson's statistic sum (O - E)^2 / E, E = row total * column total /
    // grand total. A zero row or column gives 0/0 there: the statistic is not
    // defined for such a table and comes out NaN.
    extended statistic = 0;
    for (int32_t i = 0; i < rows; ++i) {
        const int32_t *row = counts + static_cast<int64_t>(i) * cols;
        for (int32_t j = 0; j < cols; ++j) {
            const extended expected = static_cast<extended>(rowTotal[i]) * colTotal[j] / grand;
            const extended d = row[j] - expected;
            statistic += d * d / expected;
        }
    }
    const double x2 = static_cast<double>(statistic);
    double lower = 0;
    // rows, cols >= 2 give at least one degree of freedom, the only refusal.
    orin::stats::chiSquareCdf(x2, (rows - 1) * (cols - 1), &lower);
    *chi2 = x2;
    *p = 1 - lower;
    return kErrNone;
}
