// Rise and fall times between the low and high references, and the slew
// rates over them.
#ifndef ORIN_MEASUREMENT_PULSE_DURATION_EDGE_H
#define ORIN_MEASUREMENT_PULSE_DURATION_EDGE_H

#include "measurement/engine.h"
#include "measurement/select.h"

namespace orin::meas {

// Duration of the k-th rising (kSlope 1) or falling edge.
template <int32_t kId, int32_t kSlope>
class tRiseFallTime : public tMeasure<tRiseFallTime<kId, kSlope>, kId, true> {
protected:
    int32_t _algorithm(const tParamStruct &params, const tWaveform &w, double *result, tCursorStruct *cursor) override {
        double low = 0, high = 0;
        if (const int32_t code = this->_value(kMeasLowReference, params, w, &low)) return code;
        if (const int32_t code = this->_value(kMeasHighReference, params, w, &high)) return code;
        const int64_t k = params.occurrence;
        const tEdge *edges = nullptr;
        int32_t found = 0;
        if (const int32_t code = this->_mediary->fetchEdgeTimes(recordsWanted(2 * k), params, w, &edges, found))
            return code;
        const int64_t e = selectBySlope(edges, found, k, kSlope, 0);
        if (e < 0) return kErrTooFewEdges;
        *result = edges[e].secondTime - edges[e].firstTime;
        cursor->x1 = cursor->x2 = edges[e].firstTime;
        cursor->x3 = edges[e].secondTime;
        cursor->y1 = cursor->y2 = low;
        cursor->y3 = high;
        return 0;
    }
};

// Reference span over the rise or fall time kSource: positive for both.
template <int32_t kId, int32_t kSource>
class tSlewRate : public tMeasure<tSlewRate<kId, kSource>, kId, true> {
protected:
    int32_t _algorithm(const tParamStruct &params, const tWaveform &w, double *result, tCursorStruct *cursor) override {
        double duration = 0, low = 0, high = 0;
        if (const int32_t code = this->_mediary->fetchDependency(kSource, params, w, &duration, cursor)) return code;
        if (const int32_t code = this->_value(kMeasLowReference, params, w, &low)) return code;
        if (const int32_t code = this->_value(kMeasHighReference, params, w, &high)) return code;
        if (duration <= 0) return kErrZeroDuration;
        *result = (high - low) / duration;
        return 0;
    }
};

}  // namespace orin::meas

#endif  // ORIN_MEASUREMENT_PULSE_DURATION_EDGE_H
