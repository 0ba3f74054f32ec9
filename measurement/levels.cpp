#include "levels.h"

#include <cstdint>

#include "frame/numeric.h"

namespace orin::meas {

int32_t tVoltageMinAndMax::_algorithm(const tParamStruct &, const tWaveform &w, double *, tCursorStruct *) {
    const double *x = w.samples;
    double lowest = x[0], highest = x[0];
    for (int32_t i = 1; i < w.count; ++i) {
        if (x[i] > highest) highest = x[i];
        else if (x[i] < lowest) lowest = x[i];
    }
    tCursorStruct c;
    w.span(c);
    c.y1 = c.y2 = c.y3 = lowest;
    if (const int32_t code = _mediary->setResult(kMeasMinimum, lowest, c)) return code;
    c.y1 = c.y2 = c.y3 = highest;
    return _mediary->setResult(kMeasMaximum, highest, c);
}

template <class Derived, int32_t kId, bool kUpper>
int32_t tHistogramLevel<Derived, kId, kUpper>::_algorithm(const tParamStruct &params, const tWaveform &w,
                                                          double *result, tCursorStruct *cursor) {
    const int32_t *bins = nullptr;
    double firstBinCenter = 0, binWidth = 0;
    if (const int32_t code = this->_mediary->fetchHistogram(params, w, &bins, firstBinCenter, binWidth)) return code;
    const int32_t n = params.histogramBins;
    // The bounds 0.4 n and 0.6 n are formed in extended precision from the
    // doubles nearest 0.4 and 0.6 and truncated: 0.6 lies just below its
    // double, so for n a multiple of 5 the upper search starts one bin lower.
    int32_t best = 0, bestIndex = 0;
    if (kUpper) {
        for (int32_t i = static_cast<int32_t>(static_cast<extended>(0.6) * n); i < n; ++i)
            if (bins[i] >= best) best = bins[i], bestIndex = i;  // ties: the highest bin
    } else {
        for (int32_t i = static_cast<int32_t>(static_cast<extended>(0.4) * n); i >= 0; --i)
            if (bins[i] >= best) best = bins[i], bestIndex = i;  // ties: the lowest bin
    }
    const double level = firstBinCenter + bestIndex * binWidth;
    *result = level;
    w.span(*cursor);
    cursor->y1 = level - 0.5 * binWidth;
    cursor->y2 = level;
    cursor->y3 = level + 0.5 * binWidth;
    if (best > 0.05 * w.count) return this->_mediary->setResult(kUpper ? kMeasTop : kMeasBase, level, *cursor);
    return 0;
}

template class tHistogramLevel<tVoltageLow, 3, false>;
template class tHistogramLevel<tVoltageHigh, 4, true>;

int32_t referenceRange(tMediary &mediary, const tParamStruct &params, const tWaveform &w, double *range, double *base) {
    int32_t rangeId = 0, baseId = 0;
    switch (params.refMethod) {
        case 0: rangeId = kMeasAmplitude, baseId = kMeasLow; break;
        case 1: rangeId = kMeasPeakToPeak, baseId = kMeasMinimum; break;
        case 2: rangeId = kMeasTopMinusBase, baseId = kMeasBase; break;
        default: return kErrReferenceMethod;
    }
    if (const int32_t code = mediary.fetchDependency(rangeId, params, w, range, nullptr)) return code;
    return base ? mediary.fetchDependency(baseId, params, w, base, nullptr) : 0;
}

int32_t tHystVolts::_algorithm(const tParamStruct &params, const tWaveform &w, double *result, tCursorStruct *cursor) {
    if (params.hystUnits == 0) {
        *result = params.hysteresis;
    } else if (params.hystUnits == 1) {
        double range = 0;
        if (const int32_t code = referenceRange(*_mediary, params, w, &range, nullptr)) return code;
        *result = params.hysteresis * 0.01 * range;
    } else {
        return kErrReferenceUnits;
    }
    w.span(*cursor);
    cursor->y1 = cursor->y2 = cursor->y3 = 0;
    return 0;
}

}  // namespace orin::meas
