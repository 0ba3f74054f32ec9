#include "timing.h"

namespace orin::meas {

int32_t fetchCrossings(tMediary &mediary, const tParamStruct &params, const tWaveform &w, int64_t wanted,
                       tCrossings *c) {
    if (const int32_t code = mediary.fetchDependency(kMeasMidReference, params, w, &c->mid, nullptr)) return code;
    if (const int32_t code = mediary.fetchDependency(kMeasHysteresis, params, w, &c->h, nullptr)) return code;
    return mediary.fetchCrossPoints(recordsWanted(wanted), c->mid, c->h, w, &c->points, c->found);
}

int32_t tPeriod::_algorithm(const tParamStruct &params, const tWaveform &w, double *result, tCursorStruct *cursor) {
    const int64_t m = params.occurrence;  // the cycle's first crossing, 1-based
    if (m < 1) return kErrEdgeCount;
    tCrossings c;
    if (const int32_t code = fetchCrossings(*_mediary, params, w, m + 2, &c)) return code;
    if (c.found < m + 2) return kErrTooFewCrossings;
    // Crossings alternate in slope, so m - 1 and m + 1 (0-based) bound a cycle.
    const double start = c.points[m - 1].time, end = c.points[m + 1].time;
    *result = end - start;
    cursor->x1 = cursor->x2 = start;
    cursor->x3 = end;
    bandOrdinates(*cursor, c.mid, c.h);
    return 0;
}

int32_t tFrequency::_algorithm(const tParamStruct &params, const tWaveform &w, double *result, tCursorStruct *cursor) {
    double period = 0;
    if (const int32_t code = _mediary->fetchDependency(kMeasPeriod, params, w, &period, cursor)) return code;
    if (period <= 0) return kErrNoPeriod;  // a NaN period passes and gives NaN
    *result = 1 / period;
    return 0;
}

}  // namespace orin::meas
