// What overshoot and preshoot share: the histogram levels they are measured
// against, and the k-th edge of a slope with its neighbours.
#ifndef ORIN_MEASUREMENT_PULSE_DURATION_EXCURSION_H
#define ORIN_MEASUREMENT_PULSE_DURATION_EXCURSION_H

#include "measurement/engine.h"
#include "measurement/select.h"

namespace orin::meas {

struct tExcursionFrame {
    double high = 0;       // histogram high level (id 4)
    double low = 0;        // histogram low level (id 3)
    double amplitude = 0;  // high - low (id 5)
    const tEdge *edges = nullptr;
    int32_t found = 0;
    int64_t edge = -1;  // index of the selected edge
};

// Levels first, then the edge list with `wanted` records; the k-th edge of
// the slope (-20310 when there is none).
inline int32_t excursionFrame(tMediary &mediary, const tParamStruct &params, const tWaveform &w, int64_t wanted,
                              int32_t slope, tExcursionFrame *f) {
    if (const int32_t code = mediary.fetchDependency(kMeasHigh, params, w, &f->high, nullptr)) return code;
    if (const int32_t code = mediary.fetchDependency(kMeasLow, params, w, &f->low, nullptr)) return code;
    if (const int32_t code = mediary.fetchDependency(kMeasAmplitude, params, w, &f->amplitude, nullptr)) return code;
    if (const int32_t code = mediary.fetchEdgeTimes(recordsWanted(wanted), params, w, &f->edges, f->found)) return code;
    f->edge = selectBySlope(f->edges, f->found, params.occurrence, slope, 0);
    return f->edge < 0 ? kErrTooFewEdges : 0;
}

// The excursion beyond a level over x[first..last] in percent of the
// amplitude, with its cursor. beyondHigh: how far the maximum rises above
// high (ordinates low, high, maximum); otherwise how far the minimum falls
// below low (ordinates minimum, low, high).
inline double excursionPercent(const tWaveform &w, const tExcursionFrame &f, int64_t first, int64_t last,
                               bool beyondHigh, tCursorStruct *cursor) {
    double largest = 0, smallest = 0;
    windowExtremes(w.samples, first, last, &largest, &smallest);
    cursor->x1 = cursor->x2 = w.timeAt(first);
    cursor->x3 = w.timeAt(last);
    if (beyondHigh) {
        cursor->y1 = f.low;
        cursor->y2 = f.high;
        cursor->y3 = largest;
        return (largest - f.high) * 100 / f.amplitude;
    }
    cursor->y1 = smallest;
    cursor->y2 = f.low;
    cursor->y3 = f.high;
    return (f.low - smallest) * 100 / f.amplitude;
}

}  // namespace orin::meas

#endif  // ORIN_MEASUREMENT_PULSE_DURATION_EXCURSION_H
