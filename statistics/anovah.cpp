#include <orin/statistics.h>

#include <initializer_list>

#include "anova.h"

namespace {

// Every index array must match the observations, else -20002. This is the
// entry points' only check of their own: an empty set of observations is
// judged by the analysis, in its order (for the balanced designs the
// observations per cell and the level counts come before any count of data).
orin::Outcome checkLengths(const orin::DoubleArrayView &x, std::initializer_list<orin::Int32ArrayView> indices) {
    for (const auto &levels : indices)
        if (levels.size() != x.size()) return kErrArraySizeMismatch;
    return kErrNone;
}

}  // namespace

int32_t Anova1Way_head(DoubleArrayHdl x, Int32ArrayHdl levels, const int32_t *k, double *ssa, double *msa, double *f,
                       double *p, double *sse, double *mse, double *sst, int32_t *error) {
    return orin::runEntry(error, {ssa, msa, f, p, sse, mse, sst}, [&]() -> orin::Outcome {
        const orin::DoubleArrayView data(x);
        const orin::Int32ArrayView groups(levels);
        ORIN_TRY(checkLengths(data, {groups}));
        return ANOVA1Way(data.data(), groups.data(), data.size(), *k, ssa, msa, f, p, sse, mse, sst);
    });
}

int32_t Anova2Way_head(DoubleArrayHdl x, Int32ArrayHdl levelsA, Int32ArrayHdl levelsB, const int32_t *m,
                       const int32_t *kA, const int32_t *kB, DoubleMatrixHdl table, double *pA, double *pB, double *pAB,
                       int32_t *error) {
    return orin::runEntry(error, {table, pA, pB, pAB}, [&]() -> orin::Outcome {
        const orin::DoubleArrayView data(x);
        const orin::Int32ArrayView a(levelsA), b(levelsB);
        ORIN_TRY(checkLengths(data, {a, b}));
        orin::DoubleMatrixView out(table);
        ORIN_TRY(out.resize(4, 4));
        // The analysis leaves the error row's F cell alone; it has no F.
        out.data()[15] = 0;
        return ANOVA2Way(data.data(), a.data(), b.data(), data.size(), *m, *kA, *kB, out.data(), pA, pB, pAB);
    });
}

int32_t ANOVA3Way_head(DoubleArrayHdl x, Int32ArrayHdl levelsA, Int32ArrayHdl levelsB, Int32ArrayHdl levelsC,
                       const int32_t *m, const int32_t *kA, const int32_t *kB, const int32_t *kC, DoubleMatrixHdl table,
                       double *pA, double *pB, double *pC, double *pAB, double *pAC, double *pBC, double *pABC,
                       int32_t *error) {
    return orin::runEntry(error, {table, pA, pB, pC, pAB, pAC, pBC, pABC}, [&]() -> orin::Outcome {
        const orin::DoubleArrayView data(x);
        const orin::Int32ArrayView a(levelsA), b(levelsB), c(levelsC);
        ORIN_TRY(checkLengths(data, {a, b, c}));
        orin::DoubleMatrixView out(table);
        ORIN_TRY(out.resize(8, 4));
        return ANOVA3Way(data.data(), a.data(), b.data(), c.data(), data.size(), *m, *kA, *kB, *kC, out.data(), pA, pB,
                         pC, pAB, pAC, pBC, pABC);
    });
}
