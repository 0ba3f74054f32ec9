/*
 * orinanalysis: the pulse measurement engine.
 *
 * The engine measures one sampled waveform at a time: levels (minimum,
 * maximum, histogram low and high, base and top), reference levels, rise and
 * fall times, slew rates, pulse widths and centres, periods, frequencies,
 * duty cycles, preshoot, overshoot, RMS and mean. Work is organised in
 * sessions: a session keeps every result and every shared intermediate (the
 * value histogram, the edge list, the mid-level crossing list) of one waveform
 * and one set of reference parameters, so asking for many measurements of the
 * same waveform computes each intermediate once.
 *
 * Expected calling order: measurements_create once; for every new waveform
 * measurements_clear, then any number of measurements_fetch on it;
 * measurements_destroy at the end. The caches do not look at the samples: a
 * session assumes every fetch between two clears is given the same waveform,
 * t0, dt and count. A fetch with session id -1 uses a one-shot session and
 * needs none of the other calls.
 *
 * All entry points may be called from any thread. Fetches on one session run
 * one at a time; fetches on different sessions run in parallel. Clearing or
 * destroying a session while another thread fetches on it is safe: the clear
 * waits for the fetch, and a destroyed session lives until its last fetch
 * ends.
 *
 * The library also exports the engine's session registry under the data
 * symbol `library`; it is an opaque C++ object of no use to callers.
 */
#ifndef ORIN_MEASUREMENT_H
#define ORIN_MEASUREMENT_H

#include <orin/common.h>

/* Reference levels of a fetch. units 0: the three levels are in signal
   units; units 1: percent of the range chosen by tRefOptions.method. The
   levels must be ordered highRef >= midRef >= lowRef. The hysteresis of the
   middle-level crossings is the smaller of highRef - midRef and
   midRef - lowRef, in the same units. */
typedef struct {
    double highRef;
    double midRef;
    double lowRef;
    int32_t units;
} tRefLevels;

/* Options of a fetch. method (with percent units): 0 the range from the
   histogram low level to the high level, 1 from the minimum to the maximum,
   2 from base to top. histogramBins: number of bins of the value histogram
   from which the low and high levels are taken (at least 1). */
typedef struct {
    int32_t method;
    int32_t histogramBins;
} tRefOptions;

/* Three abscissae (times) and three ordinates (levels) at which a host draws
   the cursors of a measurement. */
typedef struct {
    double x1;
    double x2;
    double x3;
    double y1;
    double y2;
    double y3;
} tCursorStruct;

/* Measurement identifiers for measurements_fetch. Occurrences are 1-based:
   the pulse, edge or cycle measured. Times are in the units of dt, levels in
   signal units; overshoot and preshoot are percent of the amplitude, duty
   cycles fractions between 0 and 1. */
enum {
    kMeasMinimum = 0,
    kMeasMaximum = 1,
    kMeasPeakToPeak = 2,
    kMeasLow = 3,            /* mode of the lower 40 % of the histogram */
    kMeasHigh = 4,           /* mode of the upper 40 % of the histogram */
    kMeasAmplitude = 5,      /* high - low */
    kMeasTop = 6,            /* high if its mode holds over 5 % of the samples, else the maximum */
    kMeasBase = 7,           /* low if its mode holds over 5 % of the samples, else the minimum */
    kMeasTopMinusBase = 8,
    kMeasLowReference = 9,   /* the reference levels in signal units */
    kMeasMidReference = 10,
    kMeasHighReference = 11,
    kMeasHysteresis = 12,    /* hysteresis in signal units */
    kMeasRms = 13,
    kMeasMean = 14,
    kMeasPeriod = 15,
    kMeasFrequency = 16,
    kMeasCycleRms = 17,
    kMeasCycleMean = 18,
    kMeasFallTime = 19,
    kMeasRiseTime = 20,
    kMeasRootSumSquares = 21,
    kMeasPositiveWidth = 22,
    kMeasNegativeWidth = 23,
    kMeasPositiveDutyCycle = 24,
    kMeasNegativeDutyCycle = 25,
    kMeasRisingPreshoot = 26,
    kMeasFallingPreshoot = 27,
    kMeasRisingOvershoot = 28,
    kMeasFallingOvershoot = 29,
    kMeasPositivePulseCenter = 30,
    kMeasNegativePulseCenter = 31,
    kMeasRisingSlewRate = 32,
    kMeasFallingSlewRate = 33,
    kMeasNone = 34           /* answered at once with 0 */
};

/* Status of the engine's construction at load: 0, or -20328 when building
   the session registry failed. While it is non-zero every entry point except
   isCycleMeasurement returns it and does nothing else. */
ORIN_API int32_t initStatus;

/* Creates a session and writes its id (never 0 or -1; the first is 1112) to
   *sessionId. Returns 0, -20311 (out of memory), -20328 (construction
   failed), -20327 (internal exception) or initStatus. */
ORIN_API int32_t measurements_create(int32_t *sessionId);

/* Computes measurement measId of the count samples at waveform, taken at
   times t0 + i * dt, into *result, and its cursors into *cursor.
   sessionId: a created session, or -1 for a one-shot session.
   occurrence: 1-based pulse, edge or cycle number (timing measurements).
   Checks in order: initStatus; levels or options null -20331; levels not
   ordered -20313; result null -20330; cursor null -20329; waveform null
   -20312; measId 34 returns 0 with *result 0 and nothing else done; unknown
   session -20321; count < 1 -20312; dt <= 0 -20315; then the measurement's
   own codes (-20308 to -20326, see the error table) and -20318 for a result
   that is not finite. On failure *result is not meaningful. The waveform is
   only read. NaN samples are passed over by the edge and crossing scans: a
   crossing between the finite samples on either side of them is
   interpolated across the gap. */
ORIN_API int32_t measurements_fetch(int32_t sessionId, int32_t measId, const tRefLevels *levels,
                                    const tRefOptions *options, int32_t occurrence, double t0, double dt,
                                    const double *waveform, int32_t count, double *result,
                                    tCursorStruct *cursor);

/* Forgets every cached result of the session; call it whenever the waveform
   changes. Returns 0, -20321 (unknown session) or initStatus. */
ORIN_API int32_t measurements_clear(int32_t sessionId);

/* Deletes the session (once a fetch running on it has ended). Returns 0,
   -20321 (unknown session) or initStatus. */
ORIN_API int32_t measurements_destroy(int32_t sessionId);

/* 1 for the cycle measurements (ids 15, 16, 17, 18, 24, 25), whose
   occurrence counts cycles; 0 for every other value. Ignores initStatus. */
ORIN_API int32_t isCycleMeasurement(int32_t measId);

/* The host's 32-bit layouts of the caller blocks (doubles 4-byte aligned). */
#ifdef __cplusplus
#define ORIN_MEAS_LAYOUT(cond, what) static_assert(sizeof(void *) != 4 || (cond), what)
#else
#define ORIN_MEAS_LAYOUT(cond, what) _Static_assert(sizeof(void *) != 4 || (cond), what)
#endif
ORIN_MEAS_LAYOUT(offsetof(tRefLevels, midRef) == 8 && offsetof(tRefLevels, lowRef) == 16 &&
                     offsetof(tRefLevels, units) == 24 && sizeof(tRefLevels) == 28,
                 "tRefLevels: three doubles then an int32, 28 bytes");
ORIN_MEAS_LAYOUT(offsetof(tRefOptions, histogramBins) == 4 && sizeof(tRefOptions) == 8,
                 "tRefOptions: two int32");
ORIN_MEAS_LAYOUT(offsetof(tCursorStruct, y1) == 24 && sizeof(tCursorStruct) == 48,
                 "tCursorStruct: six doubles");
#undef ORIN_MEAS_LAYOUT

#endif /* ORIN_MEASUREMENT_H */
