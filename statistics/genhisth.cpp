#include <orin/statistics.h>

#include "detail.h"

int32_t GenHistH(DoubleArrayHdl xHandle, HistogramBinArrayHdl binsHandle, Int32ArrayHdl countsHandle,
                 int32_t *totals, int32_t *error) {
    orin::Int32ArrayView counts(countsHandle);
    totals[0] = totals[1] = totals[2] = 0;
    // With no samples the counts keep their nbins (zeroed) elements, so they
    // are emptied here for the other failures only.
    return orin::runEntry(error, {}, [&]() -> orin::Outcome {
        const orin::DoubleArrayView x(xHandle);
        const HistogramBinArray *block = binsHandle ? *binsHandle : nullptr;
        const int32_t nbins = block ? block->dimSize : 0;
        if (nbins < 0) {
            counts.empty();
            return kErrBadArraySize;
        }
        const orin::Outcome resized = counts.resize(nbins);
        if (!resized.ok()) {
            counts.empty();
            return resized;
        }
        return GeneralHistogram(x.data(), x.size(), block ? block->elt : nullptr, nbins, counts.data(), totals);
    });
}
