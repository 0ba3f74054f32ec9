#include <orin/statistics.h>

#include "anova.h"

namespace {

using orin::extended;

// Rows of the table.
enum Row { rowA, rowB, rowC, rowAB, rowAC, rowBC, rowABC, rowError, kRows };
constexpr int kNone = -1;

// The mean square each effect is tested over, by the pattern of random
// factors 4 (A random) + 2 (B random) + 1 (C random): the row whose expected
// mean square equals the effect's under the null hypothesis (restricted
// mixed model's expected mean squares; Montgomery, Design and Analysis of
// Experiments, the chapters on random and mixed models).
// kNone marks a main effect that would need a quasi-F ratio.
constexpr int kDenominator[8][7] = {
    //  A       B       C       AB     AC     BC     ABC
    {rowError, rowError, rowError, rowError, rowError, rowError, rowError},  // none random
    {rowAC, rowBC, rowError, rowABC, rowError, rowError, rowError},          // C
    {rowAB, rowError, rowBC, rowError, rowABC, rowError, rowError},          // B
    {kNone, rowBC, rowBC, rowABC, rowABC, rowError, rowError},               // B, C
    {rowError, rowAB, rowAC, rowError, rowError, rowABC, rowError},          // A
    {rowAC, kNone, rowAC, rowABC, rowError, rowABC, rowError},               // A, C
    {rowAB, rowAB, kNone, rowError, rowABC, rowABC, rowError},               // A, B
    {kNone, kNone, kNone, rowABC, rowABC, rowABC, rowError},                 // A, B, C
};

}  // namespace

int32_t ANOVA3Way(const double *x, const int32_t *levelsA, const int32_t *levelsB, const int32_t *levelsC, int32_t n,
                  int32_t m, int32_t kA, int32_t kB, int32_t kC, double *table, double *pA, double *pB, double *pC,
                  double *pAB, double *pAC, double *pBC, double *pABC) {
    const int64_t a = orin::stats::levelCount(kA), b = orin::stats::levelCount(kB), c = orin::stats::levelCount(kC);
    if (orin::stats::designSize({a, b, c, m}) != n) return kErrAnovaSize;
    if (m < 2) return kErrAnovaNoObservations;
    if (a < 2 || b < 2 || c < 2) return kErrAnovaLevels;
    orin::Scratch<orin::stats::GroupSum> cells(a * b * c, orin::Fill::kZeroed);
    if (!cells) return kErrOutOfMemory;
    const auto cell = [&](int64_t i, int64_t j, int64_t k) -> orin::stats::GroupSum & {
        return cells[static_cast<size_t>((i * b + j) * c + k)];
    };

    // One pass, summed about the first observation (see ANOVA1Way); every
    // marginal total follows from the cell totals.
    const extended shift = x[0];
    extended s = 0, q = 0;
    for (int32_t t = 0; t < n; ++t) {
        const int32_t i = levelsA[t], j = levelsB[t], k = levelsC[t];
        if (i < 0 || i >= a || j < 0 || j >= b || k < 0 || k >= c) return kErrAnovaLevelIndex;
        const extended d = x[t] - shift;
        s += d;
        q += d * d;
        auto &g = cell(i, j, k);
        g.sum += d;
        ++g.count;
    }
    for (const auto &g : cells)
        if (g.count != m) return kErrAnovaUnbalanced;

    const extended mean = s / n;
    using Between = orin::stats::Between;
    Between sA{mean}, sB{mean}, sC{mean}, sAB{mean}, sAC{mean}, sBC{mean}, sCells{mean};
    // Marginal totals as sums over the cells they collect.
    const auto total = [&](int64_t i0, int64_t i1, int64_t j0, int64_t j1, int64_t k0, int64_t k1) {
        extended t = 0;
        for (int64_t i = i0; i < i1; ++i)
            for (int64_t j = j0; j < j1; ++j)
                for (int64_t k = k0; k < k1; ++k) t += cell(i, j, k).sum;
        return t;
    };
    for (int64_t i = 0; i < a; ++i) sA.add(total(i, i + 1, 0, b, 0, c), b * c * m);
    for (int64_t j = 0; j < b; ++j) sB.add(total(0, a, j, j + 1, 0, c), a * c * m);
    for (int64_t k = 0; k < c; ++k) sC.add(total(0, a, 0, b, k, k + 1), a * b * m);
    for (int64_t i = 0; i < a; ++i) {
        for (int64_t j = 0; j < b; ++j) sAB.add(total(i, i + 1, j, j + 1, 0, c), c * m);
        for (int64_t k = 0; k < c; ++k) sAC.add(total(i, i + 1, 0, b, k, k + 1), b * m);
    }
    for (int64_t j = 0; j < b; ++j)
        for (int64_t k = 0; k < c; ++k) sBC.add(total(0, a, j, j + 1, k, k + 1), a * m);
    for (const auto &g : cells) sCells.add(g.sum, m);

    extended ss[kRows];
    ss[rowA] = sA.value;
    ss[rowB] = sB.value;
    ss[rowC] = sC.value;
    ss[rowAB] = sAB.value - ss[rowA] - ss[rowB];
    ss[rowAC] = sAC.value - ss[rowA] - ss[rowC];
    ss[rowBC] = sBC.value - ss[rowB] - ss[rowC];
    ss[rowABC] = sCells.value - ss[rowA] - ss[rowB] - ss[rowC] - ss[rowAB] - ss[rowAC] - ss[rowBC];
    ss[rowError] = (q - s * mean) - sCells.value;
    const int64_t df[kRows] = {a - 1,
                               b - 1,
                               c - 1,
                               (a - 1) * (b - 1),
                               (a - 1) * (c - 1),
                               (b - 1) * (c - 1),
                               (a - 1) * (b - 1) * (c - 1),
                               a * b * c * (m - 1)};
    extended ms[kRows];
    for (int e = 0; e < kRows; ++e) ms[e] = ss[e] / df[e];

    const int pattern = 4 * (kA < 0) + 2 * (kB < 0) + (kC < 0);
    double *const p[rowABC + 1] = {pA, pB, pC, pAB, pAC, pBC, pABC};
    for (int e = 0; e < kRows; ++e) {
        double *row = table + 4 * e;
        row[0] = static_cast<double>(ss[e]);
        row[1] = static_cast<double>(df[e]);
        row[2] = static_cast<double>(ms[e]);
        if (e == rowError) {
            row[3] = 0;
            continue;
        }
        const int den = kDenominator[pattern][e];
        if (den == kNone) {
            row[3] = -1;
            *p[e] = -1;
        } else {
            row[3] = static_cast<double>(ms[e] / ms[den]);
            *p[e] = orin::stats::upperF(row[3], df[e], df[den]);
        }
    }
    return kErrNone;
}
