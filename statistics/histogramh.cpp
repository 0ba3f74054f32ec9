#include <orin/statistics.h>

#include "detail.h"

int32_t histgran_head(DoubleArrayHdl xHandle, const int32_t *nbins, Int32ArrayHdl countsHandle,
                      DoubleArrayHdl centresHandle, int32_t *error) {
    orin::Int32ArrayView counts(countsHandle);
    orin::DoubleArrayView centres(centresHandle);
    return orin::runEntry(error, {counts, centres}, [&]() -> orin::Outcome {
        const orin::DoubleArrayView x(xHandle);
        const int32_t bins = *nbins;
        if (x.size() < 1 || bins < 1) return kErrEmptyArray;
        ORIN_TRY(centres.resize(bins));
        ORIN_TRY(counts.resize(bins));
        cacula_Histogra(x.data(), x.size(), centres.data(), counts.data(), bins);
        return kErrNone;
    });
}
