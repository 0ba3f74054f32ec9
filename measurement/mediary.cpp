// The broker through which measurements reach one another and the shared
// intermediates of their session.
#include <algorithm>
#include <cmath>

#include "engine.h"
#include "levels.h"
#include "lists.h"
#include "probe.h"

namespace orin::meas {

// The object filed under T's id was made by the class the function map
// registered for that id, which is T: no other class carries an
// intermediate's id, and a second class with one id leaves the map refusing
// to make any object. (Were T missing from the map, find would refuse.)
template <class T>
int32_t tMediary::_findAs(T **object) {
    tBaseMeas *measure = nullptr;
    if (const int32_t code = _bundle->find(T::kMeasId, &measure)) return code;
    *object = static_cast<T *>(measure);
    return 0;
}

int32_t tMediary::fetchDependency(int32_t id, const tParamStruct &params, const tWaveform &w, double *result,
                                  tCursorStruct *cursor) {
    tBaseMeas *measure = nullptr;
    if (const int32_t code = _bundle->find(id, &measure)) return code;
    tCursorStruct unused;
    return measure->fetch(params, w, result, cursor ? cursor : &unused);
}

int32_t tMediary::setResult(int32_t id, double value, const tCursorStruct &cursor) {
    tBaseMeas *measure = nullptr;
    if (const int32_t code = _bundle->find(id, &measure)) return code;
    measure->_cacheValid = true;
    measure->_cachedResult = value;
    measure->_cachedCursor = cursor;
    return 0;
}

int32_t tMediary::fetchCrossPoints(int32_t maxCross, double mid, double h, const tWaveform &w,
                                   const tCrossPoint **points, int32_t &found) {
    tCrossPoints *list = nullptr;
    if (const int32_t code = _findAs(&list)) return code;
    return list->fetchCrossPoints(maxCross, mid, h, w, points, found);
}

int32_t tMediary::fetchEdgeTimes(int32_t maxCross, const tParamStruct &params, const tWaveform &w, const tEdge **edges,
                                 int32_t &found) {
    tEdgeTimes *list = nullptr;
    if (const int32_t code = _findAs(&list)) return code;
    return list->_edgeTimes(maxCross, params, w, edges, found);
}

// The value histogram: histogramBins equal bins from the minimum to the
// maximum, the maximum itself counted in the last bin. A failed histogram
// stays invalid, so no later request reports success over unfilled bins.
int32_t tMediary::fetchHistogram(const tParamStruct &params, const tWaveform &w, const int32_t **bins,
                                 double &firstBinCenter, double &binWidth) {
    tHistogram *h = nullptr;
    if (const int32_t code = _findAs(&h)) return code;
    if (!h->_cacheValid) {
        double minimum = 0, peakToPeak = 0;
        if (const int32_t code = fetchDependency(kMeasMinimum, params, w, &minimum, nullptr)) return code;
        if (const int32_t code = fetchDependency(kMeasPeakToPeak, params, w, &peakToPeak, nullptr)) return code;
        const int32_t n = params.histogramBins;
        if (n <= 0) return kErrHistogramBins;
        // Four interleaved sets of counts, summed at the end: on a plateau
        // consecutive samples fall into one bin, and incrementing a single
        // counter would make each sample wait for the previous increment.
        // Past 2^16 bins the sets would only multiply the memory (up to
        // 32 GiB) and the zeroing by four, so one set is kept.
        const int64_t lanes = n <= 65536 ? 4 : 1;
        if (h->_capacity < lanes * n) {
            h->_capacity = 0;
            if (!h->_bins.allocate(lanes * n)) return kErrEngineOutOfMemory;
            h->_capacity = lanes * n;
        }
        const double width = peakToPeak / n;
        h->_firstBinCenter = minimum + 0.5 * width;
        h->_binWidth = width;
        if (width <= 0) {
            *bins = h->_bins.data();
            firstBinCenter = h->_firstBinCenter;
            binWidth = h->_binWidth;
            return kErrHistogramBinWidth;
        }
        probe::computed(kMeasHistogram);
        int32_t *counts = h->_bins.data();
        std::fill(counts, counts + lanes * n, 0);
        const double scale = 1 / width;
        // Truncation toward zero; anything not inside [0, n), the maximum and
        // a NaN sample included, is counted in the last bin.
        const auto bin = [&](double x) {
            const double k = (x - minimum) * scale;
            return k > -1.0 && k < n ? static_cast<int32_t>(k) : n - 1;
        };
        const double *x = w.samples;
        const size_t lane = static_cast<size_t>(n);
        int64_t i = 0;
        if (lanes == 4) {
            for (; i + 4 <= w.count; i += 4) {
                ++counts[bin(x[i])];
                ++counts[lane + bin(x[i + 1])];
                ++counts[2 * lane + bin(x[i + 2])];
                ++counts[3 * lane + bin(x[i + 3])];
            }
        }
        for (; i < w.count; ++i) ++counts[bin(x[i])];
        if (lanes == 4)
            for (size_t k = 0; k < lane; ++k)
                counts[k] += counts[lane + k] + counts[2 * lane + k] + counts[3 * lane + k];
        h->_cacheValid = true;
    }
    *bins = h->_bins.data();
    firstBinCenter = h->_firstBinCenter;
    binWidth = h->_binWidth;
    return 0;
}

}  // namespace orin::meas
