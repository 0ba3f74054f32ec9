// The engine's exported C interface. No exception crosses it: whatever
// escapes the engine is reported as -20327.
#include <orin/measurement.h>

#include <cstdint>

#include "engine.h"

extern "C" orin::meas::tLibrary library;

namespace {

using orin::meas::tParamStruct;

template <class Body>
int32_t guarded(Body body) {
    if (initStatus != 0) return initStatus;
    try {
        return body();
    } catch (...) {
        return kErrEngineException;
    }
}

// The 1-based number of the first mid-level crossing of cycle n: 2n - 1,
// kept within int32 (an occurrence that large is never found anyway).
int32_t firstCrossingOfCycle(int32_t n) {
    const int64_t crossing = 2 * static_cast<int64_t>(n) - 1;
    if (crossing > INT32_MAX) return INT32_MAX;
    if (crossing < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(crossing);
}

}  // namespace

int32_t isCycleMeasurement(int32_t measId) {
    switch (measId) {
        case kMeasPeriod:
        case kMeasFrequency:
        case kMeasCycleRms:
        case kMeasCycleMean:
        case kMeasPositiveDutyCycle:
        case kMeasNegativeDutyCycle: return 1;
        default: return 0;
    }
}

int32_t measurements_create(int32_t *sessionId) {
    return guarded([&] {
        if (!sessionId) return static_cast<int32_t>(kErrNullResult);
        return library.create(sessionId);
    });
}

int32_t measurements_clear(int32_t sessionId) {
    return guarded([&] { return library.clear(sessionId); });
}

int32_t measurements_destroy(int32_t sessionId) {
    return guarded([&] { return library.destroy(sessionId); });
}

int32_t measurements_fetch(int32_t sessionId, int32_t measId, const tRefLevels *levels, const tRefOptions *options,
                           int32_t occurrence, double t0, double dt, const double *waveform, int32_t count,
                           double *result, tCursorStruct *cursor) {
    return guarded([&] {
        if (!levels || !options) return static_cast<int32_t>(kErrNullParameters);
        tParamStruct params{};
        params.lowRef = levels->lowRef;
        params.midRef = levels->midRef;
        params.highRef = levels->highRef;
        params.hystUnits = levels->units;
        params.refUnits = levels->units;
        params.refMethod = options->method;
        params.histogramBins = options->histogramBins;
        const double above = params.highRef - params.midRef;
        const double below = params.midRef - params.lowRef;
        params.hysteresis = above < below ? above : below;
        // The order is tested on the levels themselves: a negative width
        // misses misordered infinite levels (high 10, mid = low = +inf makes
        // mid - low NaN). Only a NaN level passes.
        if (params.highRef < params.midRef || params.midRef < params.lowRef)
            return static_cast<int32_t>(kErrReferenceOrder);
        params.occurrence = isCycleMeasurement(measId) ? firstCrossingOfCycle(occurrence) : occurrence;
        const orin::meas::tWaveform w{t0, dt, waveform, count};
        return library.fetch(sessionId, measId, params, w, result, cursor);
    });
}
