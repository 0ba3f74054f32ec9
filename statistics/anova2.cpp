#include <orin/statistics.h>

#include "anova.h"

int32_t ANOVA2Way(const double *x, const int32_t *levelsA, const int32_t *levelsB, int32_t n, int32_t m, int32_t kA,
                  int32_t kB, double *table, double *pA, double *pB, double *pAB) {
    using orin::extended;
    const int64_t a = orin::stats::levelCount(kA), b = orin::stats::levelCount(kB);
    if (orin::stats::designSize({a, b, m}) != n) return kErrAnovaSize;
    if (a < 2 || b < 2) return kErrAnovaLevels;
    if (m < 1) return kErrAnovaNoObservations;
    orin::Scratch<orin::stats::GroupSum> cells(a * b, orin::Fill::kZeroed);
    if (!cells) return kErrOutOfMemory;

    // One pass, summed about the first observation (see ANOVA1Way); the
    // row and column totals follow from the cell totals.
    const extended shift = x[0];
    extended s = 0, q = 0;
    for (int32_t t = 0; t < n; ++t) {
        const int32_t i = levelsA[t], j = levelsB[t];
        if (i < 0 || i >= a || j < 0 || j >= b) return kErrAnovaLevelIndex;
        const extended d = x[t] - shift;
        s += d;
        q += d * d;
        auto &cell = cells[static_cast<size_t>(i * b + j)];
        cell.sum += d;
        ++cell.count;
    }
    for (const auto &cell : cells)
        if (cell.count != m) return kErrAnovaUnbalanced;
    const bool randomA = kA < 0, randomB = kB < 0;
    if (m == 1 && (randomA || randomB)) return kErrAnovaRandomSingle;

    const extended mean = s / n;
    orin::stats::Between ssCells{mean}, ssA{mean}, ssB{mean};
    for (int64_t i = 0; i < a; ++i) {
        extended row = 0;
        for (int64_t j = 0; j < b; ++j) {
            row += cells[static_cast<size_t>(i * b + j)].sum;
            ssCells.add(cells[static_cast<size_t>(i * b + j)].sum, m);
        }
        ssA.add(row, b * m);
    }
    for (int64_t j = 0; j < b; ++j) {
        extended column = 0;
        for (int64_t i = 0; i < a; ++i) column += cells[static_cast<size_t>(i * b + j)].sum;
        ssB.add(column, a * m);
    }
    const extended ssTotal = q - s * mean;
    const int64_t dfA = a - 1, dfB = b - 1;
    // With one observation per cell the interaction is the only estimate of
    // error (Tukey's additive model); otherwise the within-cell variation is.
    const int64_t dfAB = m == 1 ? 0 : dfA * dfB;
    const int64_t dfE = m == 1 ? dfA * dfB : n - a * b;
    const extended ssAB = m == 1 ? 0 : ssCells.value - ssA.value - ssB.value;
    const extended ssE = m == 1 ? ssCells.value - ssA.value - ssB.value : ssTotal - ssCells.value;
    const extended msA = ssA.value / dfA, msB = ssB.value / dfB;
    const extended msAB = m == 1 ? 0 : ssAB / dfAB, msE = ssE / dfE;

    // Under the mixed model a main effect is tested over the interaction when
    // the other factor is random; its p-value then uses the interaction's
    // degrees of freedom, the denominator the ratio was formed with.
    const double fA = static_cast<double>(msA / (randomB ? msAB : msE));
    const double fB = static_cast<double>(msB / (randomA ? msAB : msE));
    const double fAB = m == 1 ? 0 : static_cast<double>(msAB / msE);
    *pA = orin::stats::upperF(fA, dfA, randomB ? dfAB : dfE);
    *pB = orin::stats::upperF(fB, dfB, randomA ? dfAB : dfE);
    *pAB = m == 1 ? 0 : orin::stats::upperF(fAB, dfAB, dfE);

    const double rows[4][4] = {
        {static_cast<double>(ssA.value), static_cast<double>(dfA), static_cast<double>(msA), fA},
        {static_cast<double>(ssB.value), static_cast<double>(dfB), static_cast<double>(msB), fB},
        {static_cast<double>(ssAB), static_cast<double>(dfAB), static_cast<double>(msAB), fAB},
        {static_cast<double>(ssE), static_cast<double>(dfE), static_cast<double>(msE), 0},
    };
    // The error row has no F: 15 values are written.
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < (r < 3 ? 4 : 3); ++c) table[4 * r + c] = rows[r][c];
    return kErrNone;
}
