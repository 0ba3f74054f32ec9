#include <orin/timedomain.h>

#include <algorithm>

#include "../frame/kit.h"

int32_t PeakDetector(DoubleArrayHdl xHandle, const double *threshold, const int32_t *width,
                     Int32ArrayHdl locationsHandle, int32_t *count, int32_t *error) {
    orin::Int32ArrayView locations(locationsHandle);
    *count = 0;
    return orin::runEntry(error, {locations, count}, [&]() -> orin::Outcome {
        const orin::DoubleArrayView xv(xHandle);
        const int32_t n = xv.size();
        const int32_t w = *width;
        if (n < 1) return kErrEmptyArray;
        if (w < 1 || w >= n) return kErrPeakWidth;
        // Each reported run holds w samples and is followed by one below the
        // threshold, so n / w + 1 slots always suffice (and never more than
        // n: formed so that n = INT32_MAX, w = 1 does not wrap).
        ORIN_TRY(locations.resize(std::min(n / w, n - 1) + 1));
        const double *x = xv.data();
        const double level = *threshold;
        int32_t found = 0;
        for (int32_t i = 0; i < n; ++i) {
            if (x[i] < level) continue;
            const int32_t start = i;
            // NaN is not below the threshold, so it extends a run.
            while (i < n && !(x[i] < level)) ++i;
            if (i - start >= w) locations.data()[found++] = start;
        }
        ORIN_TRY(locations.resize(found));
        *count = found;
        return kErrNone;
    });
}
