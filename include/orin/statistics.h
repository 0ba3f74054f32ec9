/*
 * orinanalysis: statistics and probability.
 *
 * Descriptive statistics of one real sample set. Sums are kept in extended
 * precision and rounded to double when stored. Inputs are read only; results
 * are written through pointers. Codes: -20003 kErrEmptyArray for fewer than 1
 * sample, -20021 kErrOrderNotPositive for a moment order below 1, -20001
 * kErrOutOfMemory when scratch cannot be had.
 */
#ifndef ORIN_STATISTICS_H
#define ORIN_STATISTICS_H

#include <orin/common.h>

/* ---- Histogram layouts --------------------------------------------------- */

/* A bin of the general histogram: 20 bytes, packed, in this order. inclusion
   says which limits belong to the bin: 0 [lower, upper), 1 (lower, upper],
   2 [lower, upper], 3 (lower, upper). */
#pragma pack(push, 4)
typedef struct {
    double lower;
    double upper;
    int32_t inclusion;
} HistogramBin;
/* A 1D host array of bins: dimSize, then the records. */
typedef struct {
    int32_t dimSize;
    HistogramBin elt[1];
} HistogramBinArray;
#pragma pack(pop)
typedef HistogramBinArray **HistogramBinArrayHdl;

#ifdef __cplusplus
static_assert(sizeof(HistogramBin) == 20, "a histogram bin record is 20 bytes");
static_assert(offsetof(HistogramBinArray, elt) == 4, "bin records start 4 bytes in");
#else
_Static_assert(sizeof(HistogramBin) == 20, "a histogram bin record is 20 bytes");
_Static_assert(offsetof(HistogramBinArray, elt) == 4, "bin records start 4 bytes in");
#endif

/* ---- Descriptive statistics: core routines ------------------------------ */

/* Mean of x[0..n-1], summed in index order. No checks.
   x     in   n doubles
   n     in   count, >= 1 (n = 0 gives 0/0, a NaN)
   mean  out  the mean */
ORIN_API void Ave(const double *x, int32_t n, double *mean);

/* Median: the middle value of a sorted copy (the mean of the middle pair for
   even n); x is not reordered.
   x       in   n doubles
   n       in   count, >= 1
   median  out  the median (untouched on failure)
   Returns 0, -20003 (n < 1), -20001 (scratch refused). Scratch: n doubles
   from the process heap. */
ORIN_API int32_t Median(const double *x, int32_t n, double *median);

/* Central moment with divisor n: (1/n) sum (x[i] - mean)^order, the power
   formed by repeated multiplication in extended precision.
   x       in   n doubles
   n       in   count, >= 1
   order   in   >= 1 (1 gives 0 up to rounding, 2 the population variance)
   moment  out  the moment (untouched on failure)
   Returns 0, -20003 (n < 1, checked first), -20021 (order < 1). */
ORIN_API int32_t Moment(const double *x, int32_t n, int32_t order, double *moment);

/* Mean and population standard deviation sqrt(|sum x^2/n - mean^2|), in one
   pass with extended-precision sums.
   x     in   n doubles
   n     in   count, >= 1
   mean  out  the mean
   sdev  out  the standard deviation, divisor n
   Returns 0 or -20003 (n < 1; outputs untouched). */
ORIN_API int32_t StdDev(const double *x, int32_t n, double *mean, double *sdev);

/* Root mean square sqrt(sum x^2 / n).
   x    in   n doubles
   n    in   count, >= 1
   rms  out  the root mean square (untouched on failure)
   Returns 0 or -20003 (n < 1). */
ORIN_API int32_t RMS(const double *x, int32_t n, double *rms);

/* Mean squared difference over the shorter length m = min(nx, ny):
   (1/m) sum (x[i] - y[i])^2.
   x    in   nx doubles
   nx   in   count of x, >= 1
   y    in   at least min(nx, ny) doubles
   ny   in   count of y passed as a double, truncated; >= 1 (NaN fails)
   mse  out  the mean squared error (untouched on failure)
   Returns 0 or -20003 (nx < 1, or ny not >= 1). */
ORIN_API int32_t MSE(const double *x, int32_t nx, const double *y, double ny, double *mse);

/* Sorted copy of x, through the host's QSort. NaN compares equal to
   everything, so NaN elements leave the order around them unspecified.
   x           in   n doubles
   n           in   count, >= 1
   descending  in   0 ascending, non-zero descending
   out         out  n doubles; may be x itself (sorts in place)
   Returns 0 or -20003 (n < 1). */
ORIN_API int32_t Sort(const double *x, int32_t n, int32_t descending, double *out);

/* Reverses the order of the elements, in place.
   x  in/out  n doubles
   n  in      count; n < 2 changes nothing */
ORIN_API void Rev(double *x, int32_t n);

/* Largest and smallest element. No checks. NaN elements after the first are
   passed over; a NaN in x[0] is returned as both.
   x    in   n doubles
   n    in   count, >= 1 (x[0] is read unconditionally)
   max  out  the largest element
   min  out  the smallest element */
ORIN_API void MaxMin(const double *x, int32_t n, double *max, double *min);

/* ---- Descriptive statistics: handle entry points -------------------------
   The same statistics of the dimSize doubles of a 1D handle, with an error
   output last. None resizes an array; each returns 0.
   x       in   handle of n doubles, n >= 1 (a null handle counts as empty)
   order   in   (Moment_head) >= 1
   y       in   (MSE_head) handle of ny doubles, ny >= 1; its count goes to
                MSE as a double
   mean, median, moment, rms, mse
           out  the result; iDNaN on failure
   error   out  0, -20003 (an empty array), -20021 (order < 1), -20001
                (Median_head: scratch refused) */

ORIN_API int32_t Mean_head(DoubleArrayHdl x, double *mean, int32_t *error);
ORIN_API int32_t Median_head(DoubleArrayHdl x, double *median, int32_t *error);
ORIN_API int32_t Moment_head(DoubleArrayHdl x, const int32_t *order, double *moment, int32_t *error);
ORIN_API int32_t RMS_head(DoubleArrayHdl x, double *rms, int32_t *error);
/* Passes the y count to MSE as a double, as the core routine takes it. */
ORIN_API int32_t MSE_head(DoubleArrayHdl x, DoubleArrayHdl y, double *mse, int32_t *error);

#endif /* ORIN_STATISTICS_H */
