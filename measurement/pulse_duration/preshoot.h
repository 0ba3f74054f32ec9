// Preshoot before the k-th rising (kSlope 1) or falling edge, in percent of
// the amplitude: how far the signal moves away from the edge's direction,
// from halfway after the previous edge (or the start of the record) to the
// start of the edge.
#ifndef ORIN_MEASUREMENT_PULSE_DURATION_PRESHOOT_H
#define ORIN_MEASUREMENT_PULSE_DURATION_PRESHOOT_H

#include "excursion.h"

namespace orin::meas {

template <int32_t kId, int32_t kSlope>
class tPreshoot : public tMeasure<tPreshoot<kId, kSlope>, kId, true> {
protected:
    int32_t _algorithm(const tParamStruct &params, const tWaveform &w, double *result, tCursorStruct *cursor) override {
        tExcursionFrame f;
        // An occurrence below 1 is refused by the edge list (after the levels).
        if (const int32_t code = excursionFrame(*this->_mediary, params, w, 2 * int64_t{params.occurrence}, kSlope, &f))
            return code;
        const int64_t last = f.edges[f.edge].firstIndex;
        const int64_t first = f.edge > 0 ? midIndex(f.edges[f.edge - 1].secondIndex, last) : 0;
        *result = excursionPercent(w, f, first, last, kSlope == 0, cursor);
        return 0;
    }
};

}  // namespace orin::meas

#endif  // ORIN_MEASUREMENT_PULSE_DURATION_PRESHOOT_H
