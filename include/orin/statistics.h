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

/* Mean of x[0..n-1], summed in index order. No checks: n must be at least 1
   (n = 0 gives 0/0, a NaN). */
ORIN_API void Ave(const double *x, int32_t n, double *mean);

/* Median: the middle value of a sorted copy (the mean of the middle pair for
   even n). x is not reordered. Scratch: one copy of n doubles.
   Returns 0, -20003 (n < 1), -20001 (no scratch). */
ORIN_API int32_t Median(const double *x, int32_t n, double *median);

/* Central moment of the given order with divisor n: (1/n) sum (x[i]-mean)^order.
   Returns 0, -20003 (n < 1, checked first), -20021 (order < 1). */
ORIN_API int32_t Moment(const double *x, int32_t n, int32_t order, double *moment);

/* Mean and population standard deviation sqrt(|sum x^2/n - mean^2|), in one
   pass over the data. Returns 0 or -20003 (n < 1). */
ORIN_API int32_t StdDev(const double *x, int32_t n, double *mean, double *sdev);

/* Root mean square sqrt(sum x^2 / n). Returns 0 or -20003 (n < 1). */
ORIN_API int32_t RMS(const double *x, int32_t n, double *rms);

/* Mean squared difference of x and y over the shorter length m:
   (1/m) sum (x[i]-y[i])^2. ny is a count passed as a double (truncated).
   Returns 0 or -20003 (nx < 1, or ny not at least 1, NaN included). */
ORIN_API int32_t MSE(const double *x, int32_t nx, const double *y, double ny, double *mse);

/* Sorted copy of x into out (out may be x): ascending, or descending when
   descending is non-zero. NaN compares equal to everything, so NaN elements
   leave the order around them unspecified. Returns 0 or -20003 (n < 1). */
ORIN_API int32_t Sort(const double *x, int32_t n, int32_t descending, double *out);

/* Reverses x[0..n-1] in place. */
ORIN_API void Rev(double *x, int32_t n);

/* Largest and smallest of x[0..n-1], n at least 1 (x[0] is read
   unconditionally). NaN elements after the first are ignored; a NaN in x[0]
   is returned as both. */
ORIN_API void MaxMin(const double *x, int32_t n, double *max, double *min);

/* ---- Descriptive statistics: handle entry points -------------------------
   Error output last: 0 on success, else the code, with iDNaN in the scalar
   result. Each returns 0 (none of them resizes an array). */

ORIN_API int32_t Mean_head(DoubleArrayHdl x, double *mean, int32_t *error);
ORIN_API int32_t Median_head(DoubleArrayHdl x, double *median, int32_t *error);
ORIN_API int32_t Moment_head(DoubleArrayHdl x, const int32_t *order, double *moment, int32_t *error);
ORIN_API int32_t RMS_head(DoubleArrayHdl x, double *rms, int32_t *error);
/* Passes the y count to MSE as a double, as the core routine takes it. */
ORIN_API int32_t MSE_head(DoubleArrayHdl x, DoubleArrayHdl y, double *mse, int32_t *error);

/* ---- Histograms ------------------------------------------------------------ */

/* axis[i] = start + i step, the running value kept in extended precision. */
ORIN_API void SetAxis(double *axis, int32_t n, double start, double step);

/* Equal-width histogram of x over [min, max] in nbins bins (nbins >= 1):
   bin k holds [min + k w, min + (k+1) w) with w = (max - min)/nbins, the
   maximum itself the last bin; centres are the bin mid-points. Every sample
   with min <= x <= max is counted (a product landing one bin beyond the range
   is counted in the end bin), also when max - min overflows a double; NaN
   and samples outside the range are not. With max == min every sample equal
   to it lands in the last bin. counts is cleared first. */
ORIN_API void Histogra(const double *x, int32_t n, double max, double min, int32_t *counts, double *centres,
                       int32_t nbins);
/* Histogra over the measured range of x (n >= 1, nbins >= 1). */
ORIN_API void cacula_Histogra(const double *x, int32_t n, double *centres, int32_t *counts, int32_t nbins);
/* Resizes counts and centres to *nbins. Returns in *error -20003 (no samples
   or nbins below 1), -20001 (resize refused; the memory manager's status is
   returned); outputs emptied on failure. */
ORIN_API int32_t histgran_head(DoubleArrayHdl x, const int32_t *nbins, Int32ArrayHdl counts, DoubleArrayHdl centres,
                               int32_t *error);

/* 0 when x lies in the bin, -1 below it, +1 above it (by the bin's
   inclusion rule); another value (2, or the code itself for an inclusion
   above 3) for NaN or an unknown inclusion. */
ORIN_API int32_t CheckBin(const HistogramBin *bin, double x);
/* General histogram over caller bins, expected in ascending order. A sample
   is counted in every bin that holds it. totals: outside (counted in no bin),
   below (below the first bin), above (above the last bin and in no bin);
   with no bins every sample is outside. counts[0..nbins-1] and totals are
   cleared first. Returns 0, -20008 (nbins < 0), -20003 (n < 1). */
ORIN_API int32_t GeneralHistogram(const double *x, int32_t n, const HistogramBin *bins, int32_t nbins,
                                  int32_t *counts, int32_t *totals);
/* counts resized to the number of bins; totals: three int32. Returns in
   *error -20003 (no samples: counts keep nbins zeros), -20008 (negative bin
   count), -20001 (resize refused, status returned); counts emptied after
   the last two; totals zero on failure. */
ORIN_API int32_t GenHistH(DoubleArrayHdl x, HistogramBinArrayHdl bins, Int32ArrayHdl counts, int32_t *totals,
                          int32_t *error);

#endif /* ORIN_STATISTICS_H */
