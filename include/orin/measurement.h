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
 * t0, dt and count (a record of another count is measured afresh, so that
 * no cached position points past its end). A change of the reference levels
 * or options clears the session's caches by itself (a NaN level counts as a
 * change every time); results that depend on the occurrence are kept per
 * occurrence. A fetch with session id -1 uses a one-shot session and needs
 * none of the other calls.
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
    double highRef; /* high reference level */
    double midRef;  /* middle reference level (crossings, widths, periods) */
    double lowRef;  /* low reference level */
    int32_t units;  /* 0 signal units, 1 percent; used for the hysteresis too */
} tRefLevels;

/* Options of a fetch. method (with percent units): 0 the range from the
   histogram low level to the high level, 1 from the minimum to the maximum,
   2 from base to top. histogramBins: number of bins of the value histogram
   from which the low and high levels are taken (at least 1). */
typedef struct {
    int32_t method;        /* 0, 1 or 2 (percent units only) */
    int32_t histogramBins; /* >= 1 */
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
    kMeasLow = 3,       /* mode of the lower 40 % of the histogram */
    kMeasHigh = 4,      /* mode of the upper 40 % of the histogram */
    kMeasAmplitude = 5, /* high - low */
    kMeasTop = 6,       /* high if its mode holds over 5 % of the samples, else the maximum */
    kMeasBase = 7,      /* low if its mode holds over 5 % of the samples, else the minimum */
    kMeasTopMinusBase = 8,
    kMeasLowReference = 9, /* the reference levels in signal units */
    kMeasMidReference = 10,
    kMeasHighReference = 11,
    kMeasHysteresis = 12, /* hysteresis in signal units */
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
    kMeasNone = 34 /* answered at once with 0 */
};

/* Status of the engine's construction at load: 0, or -20328 when building
   the session registry failed. While it is non-zero every entry point except
   isCycleMeasurement returns it and does nothing else. */
ORIN_API int32_t initStatus;

/* Creates a session.
   sessionId  out  the new session's id: never 0 or -1; the first after load
                   is 1112, and ids still in use are skipped when they wrap
   Returns 0, -20330 (sessionId null), -20311 (out of memory), -20328
   (construction failed), -20327 (internal exception) or initStatus. */
ORIN_API int32_t measurements_create(int32_t *sessionId);

/* Computes one measurement of a waveform, and its cursors.
   sessionId   in   a created session, or -1 for a one-shot session
                    (created and destroyed within the call; its creation
                    codes as for measurements_create)
   measId      in   a kMeas... identifier, 0..34 (others: -20325)
   levels      in   reference levels, highRef >= midRef >= lowRef
   options     in   reference method and histogram bins
   occurrence  in   1-based pulse, edge or cycle number (timing and cycle
                    measurements), >= 1
   t0          in   time of the first sample
   dt          in   sampling interval, > 0
   waveform    in   count samples, only read
   count       in   number of samples, >= 1
   result      out  the value (times in the units of dt, levels in signal
                    units); set to 0 once the pointers are checked, not
                    meaningful on failure
   cursor      out  where a host draws the measurement's cursors
   Checks in order: initStatus; levels or options null -20331; levels not
   ordered -20313 (NaN levels pass); result null -20330; cursor null -20329;
   waveform null -20312; measId 34 returns 0 with *result 0 and nothing else
   done; unknown session -20321; count < 1 -20312; dt <= 0 -20315 (a NaN dt
   passes); then the measurement's own codes (-20308 to -20326, see the
   error table) and -20318 for a result that is not finite; -20327 for an
   internal exception. NaN samples are passed over by the edge and crossing
   scans: a crossing between the finite samples on either side of them is
   interpolated across the gap. */
ORIN_API int32_t measurements_fetch(int32_t sessionId, int32_t measId, const tRefLevels *levels,
                                    const tRefOptions *options, int32_t occurrence, double t0, double dt,
                                    const double *waveform, int32_t count, double *result, tCursorStruct *cursor);

/* Forgets every cached result of the session; call it whenever the waveform
   changes. Waits for a fetch running on the session.
   sessionId  in  a created session
   Returns 0, -20321 (unknown session), -20327 or initStatus. */
ORIN_API int32_t measurements_clear(int32_t sessionId);

/* Deletes the session; its memory is released once a fetch running on it
   has ended.
   sessionId  in  a created session
   Returns 0, -20321 (unknown session), -20327 or initStatus. */
ORIN_API int32_t measurements_destroy(int32_t sessionId);

/* Whether a measurement's occurrence counts cycles.
   measId  in  any value
   Returns 1 for the cycle measurements (ids 15, 16, 17, 18, 24, 25), 0 for
   every other value. Ignores initStatus. */
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
ORIN_MEAS_LAYOUT(offsetof(tRefOptions, histogramBins) == 4 && sizeof(tRefOptions) == 8, "tRefOptions: two int32");
ORIN_MEAS_LAYOUT(offsetof(tCursorStruct, y1) == 24 && sizeof(tCursorStruct) == 48, "tCursorStruct: six doubles");
#undef ORIN_MEAS_LAYOUT

#endif /* ORIN_MEASUREMENT_H */
