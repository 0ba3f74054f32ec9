/*
 * orinanalysis: time-domain signal operations.
 *
 * Calculus, decimation and phase unwrapping on sampled records; multi-channel
 * level triggering with hysteresis; a threshold-run peak detector and a
 * streaming least-squares peak detector; single-pulse parameters. Codes:
 * -20001 kErrOutOfMemory, -20003 kErrEmptyArray, -20008 kErrBadArraySize,
 * -20013 kErrPeakWidth, -20016 kErrSamplingInterval, -20022
 * kErrDecimatingFactor, -20041 kErrSingularMatrix, -20061
 * kErrInvalidSelector, -20064 kErrNoState.
 */
#ifndef ORIN_TIMEDOMAIN_H
#define ORIN_TIMEDOMAIN_H

#include <orin/common.h>
#include <orin/host.h>

/* ---- Calculus -------------------------------------------------------------
   initial stands for x[-1] and final for x[n]. */

/* Running integral: out[i] = sum_{k<=i} (x[k-1] + 4 x[k] + x[k+1]) dt/6,
   summed in extended precision. out may be x. Nothing for n < 1. */
ORIN_API void Integrate(const double *x, int32_t n, double dt, double initial, double final, double *out);

/* Central difference out[i] = (x[i+1] - x[i-1]) / (2 dt). out may be x.
   Sets *error to 0 (it checks nothing). */
ORIN_API void Difference(const double *x, int32_t n, double dt, double initial, double final, double *out,
                         int32_t *error);

/* Integral of the whole record with step |dt| by a composite closed rule:
   method 0 trapezoidal (n >= 2), 1 Simpson (n >= 3), 2 Simpson's 3/8
   (n >= 4), 3 Boole (n >= 5); intervals left over after the whole panels are
   integrated by the lower rules. Returns 0, -20061 (method outside 0..3,
   checked first), -20008 (too few samples for the rule). */
ORIN_API int32_t NumerIntegration(const double *x, int32_t n, double dt, double *value, int32_t method);

/* In place on the handle. Integral: -20003 (no samples) before -20016 (dt
   not positive, NaN included); Derivative: -20016 before -20003. The handle
   is emptied on failure. */
ORIN_API int32_t Integral(DoubleArrayHdl x, const double *initial, const double *final, const double *dt,
                          int32_t *error);
ORIN_API int32_t Derivative(DoubleArrayHdl x, const double *initial, const double *final, const double *dt,
                            int32_t *error);
/* -20003 for no samples, else NumerIntegration's code; iDNaN on failure. */
ORIN_API int32_t NumerIntegration_head(DoubleArrayHdl x, const double *dt, const int32_t *method, double *value,
                                       int32_t *error);

/* ---- Decimation and unwrapping -------------------------------------------- */

/* Mean of x[0..n-1] summed in extended precision (n >= 1). */
ORIN_API void Mean(const double *x, int32_t n, double *mean);
/* floor(n/factor) outputs: the first sample of each whole group of factor
   samples, or the group's mean when average is non-zero; a trailing partial
   group is dropped. out may be x. Returns 0, -20003 (n < 1), -20022 (factor
   below 1 or above n). */
ORIN_API int32_t Decimate(const double *x, int32_t n, int32_t factor, int32_t average, double *out);
/* In place; the handle is resized to floor(n/factor) (emptied on failure).
   average is a host Boolean byte. */
ORIN_API int32_t DecimateCIN(DoubleArrayHdl x, const int32_t *factor, const uint8_t *average, int32_t *error);

/* Phase unwrapping in place: p[i] -= 2 pi floor((p[i] - p[i-1])/(2 pi) + 1/2)
   against the already unwrapped p[i-1], so a step of exactly half a turn is
   taken as a wrap upward. Returns 0 or -20003 (n < 1). */
ORIN_API int32_t UnWrap1D(double *p, int32_t n);
ORIN_API int32_t UnWrap(DoubleArrayHdl p, int32_t *error);

/* ---- Trigger detection ------------------------------------------------------
   Level triggering with hysteresis over one block per channel. Channel k's
   band is levels[k] -+ hysteresis[k]/2. A rising channel (slopes[k] != 0)
   triggers where the signal, having been below the band, first reaches its
   lower edge; a falling one (slopes[k] == 0) where the signal, having been
   above the band, first comes down to its upper edge. Before the next
   trigger of the same direction the signal must cross the whole band and
   come back. Limitation: the state at the start of a block is derived from
   the previous block's last sample alone (below, above, or inside the band);
   a signal that was inside the band, on its way up or down, starts the block
   as if it had come from above. NaN samples change nothing.

   data: nChannels rows of nSamples. Per channel: a trigger count and a
   triggered flag that are only incremented or set (the caller clears them;
   a count stops at INT32_MAX instead of wrapping), and the last sample (the
   previous value when nSamples <= 0), to be passed back as previous with
   the next block. triggerIndices: one list in channel
   order of the first 50 trigger indices of the block (within the block). At
   most maxTriggers triggers per channel. Returns 0. */
ORIN_API int32_t qaTriggerDetection(const double *data, int32_t nSamples, int32_t nChannels, const double *levels,
                                    const double *previous, const double *hysteresis, const int32_t *slopes,
                                    int32_t maxTriggers, int32_t *triggerIndices, int32_t *triggerCounts,
                                    int32_t *triggered, double *lastValues);

/* data: 2D (rows are channels, columns samples). Outputs resized to
   maxTriggers x channels indices (int32; positions past the triggers found
   hold 0), channels counts and flags (cleared before the scan, so they
   describe this block) and channels last values. Returns -20002 when a
   per-channel input holds fewer entries than there are channels; -20001
   (and the memory manager's status) when an output cannot be resized. All
   outputs are emptied on failure. */
ORIN_API int32_t Triggerh(DoubleMatrixHdl data, DoubleArrayHdl levels, DoubleArrayHdl previous,
                          DoubleArrayHdl hysteresis, Int32ArrayHdl slopes, int32_t maxTriggers, Int32ArrayHdl indices,
                          Int32ArrayHdl counts, Int32ArrayHdl triggered, DoubleArrayHdl lastValues, int32_t *error);

/* ---- Threshold-run peak detector -------------------------------------------
   Reports the start index of every run of at least *width consecutive
   samples not below *threshold (NaN counts as not below). locations is
   resized to the number of runs (*count). Returns in *error -20003 (no
   samples), -20013 (width below 1 or not below n; locations emptied),
   -20001 (resize refused). */
ORIN_API int32_t PeakDetector(DoubleArrayHdl x, const double *threshold, const int32_t *width, Int32ArrayHdl locations,
                              int32_t *count, int32_t *error);

/* ---- Streaming least-squares peak detector ---------------------------------
   A window of width samples slides over the signal, block after block; a
   quadratic c0 + c1 t + c2 t^2 is fitted to each window by least squares (t
   centred on the window). A peak (valley for polarity 1) is reported where the
   slope c1 changes sign between consecutive windows and the fitted vertex lies
   inside the window, curves the right way and lies above (below) the
   threshold. Locations are fractional global sample indices; a vertex is
   reported once. */

/* The caller's control block. In the 32-bit build the byte offsets are
   0 data, 4 threshold, 12 width, 16 polarity, 20 locations, 24 amplitudes,
   28 secondDerivatives, 32 count, 36 control; the 64-bit build keeps the
   order with 8-byte handles. control: bit 0 first call of a series, bit 2
   last call. */
#pragma pack(push, 4)
typedef struct {
    DoubleArrayHdl data;              /* in: the block, at least width samples */
    double threshold;                 /* in */
    int32_t width;                    /* in: window length, at least 3 */
    int32_t polarity;                 /* in: 0 peaks, 1 valleys */
    DoubleArrayHdl locations;         /* out: fractional sample positions */
    DoubleArrayHdl amplitudes;        /* out: fitted values at the vertex */
    DoubleArrayHdl secondDerivatives; /* out: 2 c2 */
    int32_t count;                    /* out: peaks found in this call */
    int32_t control;                  /* in: bit 0 first call, bit 2 last call */
} PeakCINControl;

/* The caller-held state header (44 bytes in the 32-bit build). Its pointers
   lead into the internal data block and are set from that block's handle on
   every call. */
typedef struct {
    int32_t width;         /* window length the internal block was made for */
    int32_t fitsDone;      /* windows fitted so far: global index of the next window */
    int32_t historyCount;  /* samples in the history */
    int32_t available;     /* new samples of this block after the history fill */
    int32_t rising;        /* 1 when the last window's slope c1 was >= 0 */
    int32_t lastReported;  /* 1 when the last window's own vertex was reported */
    double **rows;         /* the three rows of (R^-1 Q^T) of the fit */
    double *window;        /* scratch: one window */
    double *history;       /* the last width samples seen */
    double *prevCoeffs;    /* the last window's c0, c1, c2 */
    const double *current; /* first new sample after the history fill */
} PeakCINState;
#pragma pack(pop)

enum { kPeakFirstCall = 1, kPeakLastCall = 4 };

/* One block. stateHandle: address of the internal data block's handle (null
   before the first call; made on the first call, released after the last
   call or any failure, when it is set to null). Returns in *error -20061
   (width below 3), -20064 (a later call without the block, or with a block,
   width or state counters that are not the series'), -20013 (block shorter
   than width), -20010 (the series would pass INT32_MAX windows),
   -20041 (fit matrix), -20001 (memory); on failure the three outputs are
   emptied and count is 0. Returns 2 after -20001, else the status of the
   output resizes. */
ORIN_API int32_t PeakD(PeakCINControl *control, PeakCINState *state, UHandle *stateHandle, int32_t *error);

/* The analysis of one block (history fill, windows, new history); the
   state's pointers must be set. Returns 0, -20013, -20061, -20041, -20001,
   -20010. */
ORIN_API int32_t dPeakAnalysis(PeakCINControl *control, PeakCINState *state);
/* The windows of one block after the history fill. Returns 0, -20001 or
   -20010 (fitsDone would pass INT32_MAX). */
ORIN_API int32_t _dPeakAnalysis(PeakCINControl *control, PeakCINState *state);
/* Tests one window's coefficients (c0, c1, c2) against the previous window
   (state->prevCoeffs, state->fitsDone). peak[0..2] receives location,
   amplitude and second derivative whether or not accepted; returns 1 for a
   peak, 0 otherwise. */
ORIN_API int32_t dCheckPeak(const PeakCINControl *control, const PeakCINState *state, const double *coeffs,
                            double *peak);
/* Appends peak[0..2] at index control->count of the three outputs, growing
   them (AddRoom) when any is short. Returns 1 when stored; *error 0 or
   -20001. */
ORIN_API int32_t dSavePeak(PeakCINControl *control, const double *peak, int32_t *error);
/* Grows each output array by 500 zeroed elements; returns the memory
   manager's status. */
ORIN_API MgErr AddRoom(PeakCINControl *control);
/* Resizes a 1D double array to count elements, zeroing the new ones and
   writing dimSize. Returns the memory manager's status. */
ORIN_API MgErr PeakDataResize(DoubleArrayHdl h, int32_t count);
/* Resizes a 1D double array to count elements and writes dimSize. */
ORIN_API MgErr dResize1D(DoubleArrayHdl h, int32_t count);
/* Window at position p of history followed by the new samples: a pointer
   into the block when the window lies in it, else buffer filled with it. */
ORIN_API const double *GetDataBuffer(const PeakCINState *state, int32_t position, double *buffer);
/* Fills the history from the block; sets current and available. Returns 1
   when the history holds width samples. */
ORIN_API int32_t IsHistoryBufferFilled(const PeakCINControl *control, PeakCINState *state);
/* The last width samples of history and new samples become the history. */
ORIN_API void SaveHistoryData(PeakCINState *state);
/* coeffs[k] = ddDot(window, rows[k], width) for k < order. */
ORIN_API void dComputeLSQFitCoeff(const double *window, int32_t width, double *const *rows, double *coeffs,
                                  int32_t order);
/* Dot product summed in extended precision. */
ORIN_API double ddDot(const double *a, const double *b, int32_t n);

/* Bytes of the internal data after its size word: 40 width + 24 + three
   pointers, rounded up to a multiple of 8 (0 when width is below 1 or the
   size exceeds int32). */
ORIN_API int32_t InternalPeakDataSize(int32_t width);
/* Makes (or resizes) the internal block for width and writes its size word
   (in doubles). Returns 0 or -20001. */
ORIN_API int32_t AllocPeakCINData(int32_t width, UHandle *stateHandle);
/* Releases the internal block and sets the handle to null. */
ORIN_API void DisposePeakCINData(UHandle *stateHandle);
/* Points the state at the internal block base (the handle's block) for
   state->width, including the three row pointers kept inside the block. */
ORIN_API void SetInternalPeakPointers(PeakCINState *state, void *base);

/* ---- The fit-matrix kit ------------------------------------------------------
   Matrices are arrays of row pointers, made by dAllocMatrix in one host
   pointer block (DSNewPClr) and released by FreeMatrix. */
ORIN_API double **dAllocMatrix(int32_t rows, int32_t cols);
ORIN_API void FreeMatrix(double **m);
/* DSDisposePtr when p is not null. */
ORIN_API void FreeNonNull(void *p);
/* Householder QR in place (Golub and Van Loan alg. 5.2.1): the
   reflections' vectors end up below the diagonal of a (m x n, m >= n) with
   their scaling in beta, R on and above it. Returns 0 or -20041 (n > m, or
   a column with nothing left to reflect). */
ORIN_API int32_t _dQRFactorization(double **a, int32_t m, int32_t n, double *beta);
/* a = Q R with q m x n (orthonormal columns) and r n x n upper triangular;
   a is left unchanged. Returns 0, -20041, -20001. */
ORIN_API int32_t dQRFactorization(double *const *a, int32_t m, int32_t n, double **q, double **r);
/* LU factorisation with partial pivoting in place (Golub and Van Loan alg.
   3.4.1); perm receives the row order. Returns 0 or -20041 (zero or
   non-finite pivot). */
ORIN_API int32_t dLUPivot(double **a, int32_t n, int32_t *perm);
/* Solves (LU) x = P b in place in b with the factors of dLUPivot; nothing
   for n < 1. */
ORIN_API void dLUBackSubPivot(double *const *lu, int32_t n, const int32_t *perm, double *b);
/* inv = a^-1 (n x n) by LU with partial pivoting; a is left unchanged.
   Returns 0, -20041, -20001. */
ORIN_API int32_t dMatrixInv(double *const *a, int32_t n, double **inv);
/* out (n x m) = R^-1 Q^T from the thin factors q (m x n), r (n x n).
   Returns 0, -20041, -20001. */
ORIN_API int32_t dRinvQt(double *const *q, double *const *r, int32_t m, int32_t n, double **out);
/* rows (order rows of width doubles) = R^-1 Q^T of the width x order matrix
   A[i][k] = t_i^k, t_i = i - (width-1)/2: the least-squares polynomial
   coefficients of a window are its dot products with these rows. Returns 0,
   -20041 (order > width), -20001. */
ORIN_API int32_t dUnifPolyRinvQt(double **rows, int32_t order, int32_t width);

/* ---- Pulse parameters ----------------------------------------------------------
   One pulse in a record; times in samples (fractional indices). Levels from
   a 101-bin histogram of the record: base = fullest bin of the lower half,
   top = fullest of the upper half. A record that starts above the 50 % level
   is a negative-going pulse: amplitude negative, top and base exchanged,
   slew rate of the amplitude's sign. Overshoot = max - top and preshoot =
   base - min in signal units (not exchanged for negative pulses). Outputs
   whose crossings are not inside the record (a level never reached, a first
   sample exactly at the 50 % level) keep the values the caller passed. */
ORIN_API void Neg1D(double *x, int32_t n);
/* i - (x[i] - level)/(x[i] - x[i-1]); i must be 1..n-1. */
ORIN_API double Interpolate(int32_t i, const double *x, double level);
/* Modes of a histogram: base from the lower half, top from the upper half
   (nothing written for nBins < 1). */
ORIN_API void FindModes(const int32_t *counts, const double *centres, int32_t nBins, double *top, double *base);
/* n >= 1; nothing is read or written for n < 1. */
ORIN_API void AmpParameters(const double *x, int32_t n, double *amplitude, double *top, double *base, double *overshoot,
                            double *preshoot);
/* The crossing times of the levels; x is negated and restored for a record
   starting above mid50. slewRate = amplitude 0.8 / riseTime. */
ORIN_API void TimeParameters(double *x, int32_t n, double amplitude, double top, double base, double low10,
                             double mid50, double high90, double *delay, double *width, double *riseTime,
                             double *fallTime, double *slewRate);
/* *error -20003 for n < 1 (nothing written), else 0. x is negated and
   restored in place for a negative pulse. */
ORIN_API void PulseParam(double *x, int32_t n, double *amplitude, double *high90, double *mid50, double *low10,
                         double *top, double *base, double *overshoot, double *preshoot, double *delay, double *width,
                         double *riseTime, double *fallTime, double *slewRate, int32_t *error);
/* Handle entry point; on failure all ten outputs are 0.0. Returns 0. */
ORIN_API int32_t PulseParameters(DoubleArrayHdl x, double *top, double *base, double *amplitude, double *delay,
                                 double *width, double *slewRate, double *fallTime, double *riseTime, double *overshoot,
                                 double *preshoot, int32_t *error);

#ifdef __cplusplus
#define ORIN_TD_ASSERT(c, m) static_assert(c, m)
#else
#define ORIN_TD_ASSERT(c, m) _Static_assert(c, m)
#endif
#if UINTPTR_MAX == 0xFFFFFFFFu
ORIN_TD_ASSERT(offsetof(PeakCINControl, threshold) == 4 && offsetof(PeakCINControl, width) == 12 &&
                   offsetof(PeakCINControl, polarity) == 16 && offsetof(PeakCINControl, locations) == 20 &&
                   offsetof(PeakCINControl, amplitudes) == 24 && offsetof(PeakCINControl, secondDerivatives) == 28 &&
                   offsetof(PeakCINControl, count) == 32 && offsetof(PeakCINControl, control) == 36 &&
                   sizeof(PeakCINControl) == 40,
               "peak control block layout");
ORIN_TD_ASSERT(offsetof(PeakCINState, rows) == 24 && offsetof(PeakCINState, current) == 40 &&
                   sizeof(PeakCINState) == 44,
               "peak state header layout");
#endif
#undef ORIN_TD_ASSERT

/* ---- Convolution, correlation and deconvolution ---------------------------
   Real sequences x (nx values) and y (ny values). The linear convolution is
   (x*y)[k] = sum_i x[i] y[k-i], k = 0 .. nx+ny-2; the cross-correlation
   Rxy[k] = sum_i x[i] y[i + k - (nx-1)], so element nx-1 is lag 0, element 0
   lag -(nx-1) and element nx+ny-2 lag ny-1; neither is normalised.
   Two methods: a direct sum with each output accumulated in extended
   precision (error about nx eps sum|x_i y_(k-i)| per output), or the product
   of real FFTs at the power of two N >= nx+ny-1 (cost O(N log N); error about
   eps log2 N ||x|| ||y|| on every output). */

/* Linear convolution into out (nx+ny-1 doubles, not overlapping x or y).
   The method is chosen by cost: the direct sum while it is not much dearer
   than the FFT, the FFT beyond (so a long signal by a long kernel never runs
   the O(nx ny) loop). Returns 0, -20003 (nx or ny below 1), -20001 (the FFT's
   scratch of 2N doubles refused). */
ORIN_API int32_t Convolve(const double *x, int32_t nx, const double *y, int32_t ny, double *out);

/* Convolution of two handles into out (resized to nx+ny-1). *selector: 0 the
   method chosen by cost as in Convolve, 1 the FFT. out may be x or y (the
   input is copied first). Codes in *error: -20003 (an empty input), -20061
   (selector not 0 or 1), -20001 (scratch or the resize refused; the memory
   manager's status is then returned). On any failure out is emptied. */
ORIN_API int32_t Convolution(DoubleArrayHdl x, DoubleArrayHdl y, DoubleArrayHdl out, const int32_t *selector,
                             int32_t *error);

/* Cross-correlation of two handles into out (nx+ny-1 values, lags as above),
   with the selector, codes and failure rules of Convolution. */
ORIN_API int32_t Rxy(DoubleArrayHdl x, DoubleArrayHdl y, DoubleArrayHdl out, const int32_t *selector, int32_t *error);

/* a = a*b bin by bin for two packed real spectra of length N (the layout of
   SpReFFT). */
ORIN_API void ReFFTMultiply(double *a, const double *b, int32_t N);

/* Autocorrelation in place: the handle's n values become the 2n-1 values
   r[k] = sum_i x[i] x[i + k - (n-1)] (element n-1 is lag 0), by the FFT.
   Codes in *error: -20010 (n below 1 or above 4194303), -20001 (a resize
   refused; its status is returned). On failure the handle is emptied. */
ORIN_API int32_t AutoCorrelation(DoubleArrayHdl h, int32_t *error);

/* Circular autocorrelation in place after ZeroPad (length N = the padded
   length): lags 0 .. at the front, lag -t at N-t. Returns the memory
   manager's status of the pad. */
ORIN_API int32_t Rxx(DoubleArrayHdl h);

/* Packed real spectrum of length N replaced by its squared magnitude (in the
   real slots; the imaginary slots become 0). */
ORIN_API void MagnitudeSquared(double *X, int32_t N);

/* Rotates the whole array in place: the last s elements move to the front in
   order, the others follow. s is taken modulo the length (a negative s
   rotates the other way). Allocates nothing; returns 0. */
ORIN_API int32_t Rotate(DoubleArrayHdl h, int32_t s);

/* Deconvolution of y by h in place in y: the ny-nh+1 values x with x*h = y,
   by spectral division at a power-of-two length at or above ny. h is left
   as it was. A kernel whose spectrum vanishes at some bin gives infinite or
   NaN values (no code). Codes in *error: -20010 (ny or nh outside
   1..8388607, or nh = ny+1), -20008 (nh > ny+1), -20001 (a copy or resize
   refused; its status is returned). On failure y is emptied. */
ORIN_API int32_t Deconvolution(DoubleArrayHdl y, DoubleArrayHdl h, int32_t *error);

/* Pads a and b with zeros to one power-of-two length and leaves IFFT(FFT(a) /
   FFT(b)) in a (b holds its spectrum). Returns 0 or the memory manager's
   status of a refused pad (kMgArgErr for an empty handle). */
ORIN_API int32_t Deconvolve(DoubleArrayHdl a, DoubleArrayHdl b);

/* a = IFFT(FFT(a)/FFT(b)) for N = 2^m values each; b is left holding its
   packed spectrum. Returns 0. */
ORIN_API int32_t Dxy(double *a, double *b, int32_t N, int32_t m);

/* a = a/b bin by bin for two packed real spectra of length N (Smith's
   division; a zero bin of b gives an infinite or NaN value). */
ORIN_API void Divide(double *a, const double *b, int32_t N);

#endif /* ORIN_TIMEDOMAIN_H */
