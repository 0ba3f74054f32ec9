#include <orin/statistics.h>

#include "detail.h"

int32_t GenHistH(DoubleArrayHdl xHandle, HistogramBinArrayHdl binsHandle, Int32ArrayHdl countsHandle, int32_t *totals,
                 int32_t *error) {
    orin::Int32ArrayView counts(countsHandle);
    const orin::RecordArrayView<HistogramBinArray> bins(binsHandle);
    totals[0] = totals[1] = totals[2] = 0;
    // With no samples the counts keep their nbins elements, all zero.
    return orin::runEntry(error, {orin::Output(counts).keepOn({kErrEmptyArray})}, [&]() -> orin::Outcome {
        const orin::DoubleArrayView x(xHandle);
        const int32_t nbins = bins.size();
        if (nbins < 0) return kErrBadArraySize;
        ORIN_TRY(counts.resize(nbins));
        return GeneralHistogram(x.data(), x.size(), bins.data(), nbins, counts.data(), totals);
    });
}
