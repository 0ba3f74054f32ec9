#include <orin/statistics.h>

#include "anova.h"

int32_t ANOVA1Way(const double *x, const int32_t *levels, int32_t n, int32_t k, double *ssa, double *msa, double *f,
                  double *p, double *sse, double *mse, double *sst) {
    using orin::extended;
    if (n <= 0) return kErrEmptyArray;
    if (k < 2 || k >= n) return kErrAnovaLevels;
    orin::Scratch<orin::stats::GroupSum> groups(k, orin::Fill::kZeroed);
    if (!groups) return kErrOutOfMemory;

    // One pass. The data are summed about the first observation: sums of
    // squares do not change under a shift, and sum x^2 - (sum x)^2 / n then
    // does not cancel when the data lie far from zero.
    const extended shift = x[0];
    extended s = 0, q = 0;
    for (int32_t i = 0; i < n; ++i) {
        const int32_t j = levels[i];
        if (j < 0 || j >= k) return kErrAnovaLevelIndex;
        const extended d = x[i] - shift;
        s += d;
        q += d * d;
        groups[j].sum += d;
        ++groups[j].count;
    }
    orin::stats::Between between{s / n};
    for (const auto &g : groups) {
        if (g.count == 0) return kErrAnovaNoObservations;
        between.add(g.sum, g.count);
    }
    const extended total = q - s * between.mean;
    const extended error = total - between.value;
    const extended meanA = between.value / (k - 1);
    const extended meanE = error / (n - k);
    const double fRatio = static_cast<double>(meanA / meanE);
    *ssa = static_cast<double>(between.value);
    *msa = static_cast<double>(meanA);
    *f = fRatio;
    *p = orin::stats::upperF(fRatio, k - 1, n - k);
    *sse = static_cast<double>(error);
    *mse = static_cast<double>(meanE);
    *sst = static_cast<double>(total);
    return kErrNone;
}
