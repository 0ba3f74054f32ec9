// Timing measurements on the mid-level crossing list: period, frequency,
// pulse widths and centres, duty cycles.
#ifndef ORIN_MEASUREMENT_TIMING_H
#define ORIN_MEASUREMENT_TIMING_H

#include "engine.h"
#include "select.h"

namespace orin::meas {

// The middle level, its hysteresis, and the crossing list holding at least
// `wanted` records if the record has them.
struct tCrossings {
    double mid = 0;
    double h = 0;
    const tCrossPoint *points = nullptr;
    int32_t found = 0;
};
int32_t fetchCrossings(tMediary &mediary, const tParamStruct &params, const tWaveform &w, int64_t wanted,
                       tCrossings *c);

// One cycle: from a crossing to the next crossing of the same slope.
class tPeriod : public tMeasure<tPeriod, 15, true> {
protected:
    int32_t _algorithm(const tParamStruct &params, const tWaveform &w, double *result, tCursorStruct *cursor) override;
};

class tFrequency : public tMeasure<tFrequency, 16, true> {
protected:
    int32_t _algorithm(const tParamStruct &params, const tWaveform &w, double *result, tCursorStruct *cursor) override;
};

// Width of the k-th positive (kSlope 1) or negative pulse at the middle
// level: from its first crossing to the next.
template <int32_t kId, int32_t kSlope>
class tWidth : public tMeasure<tWidth<kId, kSlope>, kId, true> {
protected:
    int32_t _algorithm(const tParamStruct &params, const tWaveform &w, double *result, tCursorStruct *cursor) override {
        const int64_t k = params.occurrence;
        if (k < 1) return kErrEdgeCount;
        tCrossings c;
        if (const int32_t code = fetchCrossings(*this->_mediary, params, w, 2 * k + 1, &c)) return code;
        const int64_t m = selectBySlope(c.points, c.found, k, kSlope, 1);
        if (m < 0) return kErrTooFewCrossings;
        const double start = c.points[m].time, end = c.points[m + 1].time;
        *result = end - start;
        cursor->x1 = start;
        cursor->x2 = cursor->x3 = end;
        bandOrdinates(*cursor, c.mid, c.h);
        return 0;
    }
};

// Midpoint in time of the pulse whose width kWidth measures.
template <int32_t kId, int32_t kWidth>
class tPulseCenter : public tMeasure<tPulseCenter<kId, kWidth>, kId, true> {
protected:
    int32_t _algorithm(const tParamStruct &params, const tWaveform &w, double *result, tCursorStruct *cursor) override {
        double width = 0;
        if (const int32_t code = this->_mediary->fetchDependency(kWidth, params, w, &width, cursor)) return code;
        *result = (cursor->x1 + cursor->x3) / 2;
        cursor->x2 = *result;
        return 0;
    }
};

// Fraction of cycle k spent above (kSlope 1) or below the middle level.
template <int32_t kId, int32_t kSlope>
class tDutyCycle : public tMeasure<tDutyCycle<kId, kSlope>, kId, true> {
protected:
    int32_t _algorithm(const tParamStruct &params, const tWaveform &w, double *result, tCursorStruct *cursor) override {
        const int64_t m = params.occurrence;  // the cycle's first crossing, 1-based
        if (m < 1) return kErrEdgeCount;
        tCrossings c;
        if (const int32_t code = fetchCrossings(*this->_mediary, params, w, m + 2, &c)) return code;
        if (c.found < m + 2) return kErrTooFewCrossings;
        const double ta = c.points[m - 1].time, tb = c.points[m].time, tc = c.points[m + 1].time;
        const double part = c.points[m - 1].slope == kSlope ? tb - ta : tc - tb;
        *result = part / (tc - ta);
        cursor->x1 = ta;
        cursor->x2 = tb;
        cursor->x3 = tc;
        bandOrdinates(*cursor, c.mid, c.h);
        return 0;
    }
};

}  // namespace orin::meas

#endif  // ORIN_MEASUREMENT_TIMING_H
