// Overshoot after the k-th rising (kSlope 1) or falling edge, in percent of
// the amplitude: how far the signal passes the level it settles at, between
// the end of the edge and halfway to the next edge (or the end of the record).
#ifndef ORIN_MEASUREMENT_PULSE_DURATION_OVERSHOOT_H
#define ORIN_MEASUREMENT_PULSE_DURATION_OVERSHOOT_H

#include "excursion.h"

namespace orin::meas {

template <int32_t kId, int32_t kSlope>
class tOvershoot : public tMeasure<tOvershoot<kId, kSlope>, kId, true> {
protected:
    int32_t _algorithm(const tParamStruct &params, const tWaveform &w, double *result, tCursorStruct *cursor) override {
        const int64_t k = params.occurrence;
        if (k < 1) return kErrEdgeCount;
        tExcursionFrame f;
        if (const int32_t code = excursionFrame(*this->_mediary, params, w, 2 * k + 1, kSlope, &f)) return code;
        const int64_t first = f.edges[f.edge].secondIndex;
        const int64_t last =
            f.edge + 1 < f.found ? midIndex(first, f.edges[f.edge + 1].firstIndex) : int64_t{w.count} - 1;
        *result = excursionPercent(w, f, first, last, kSlope == 1, cursor);
        return 0;
    }
};

}  // namespace orin::meas

#endif  // ORIN_MEASUREMENT_PULSE_DURATION_OVERSHOOT_H
