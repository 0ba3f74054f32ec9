/*
 * orinanalysis: array operations — linear and polynomial evaluation, extremes,
 * normalisation and scaling, unit vectors, rectangular and polar forms.
 *
 * 1D arrays are n doubles; 2D arrays rows x cols doubles in row-major order,
 * treated as rows*cols elements in storage order. In every core routine the
 * output array may be the input array. Degenerate data (a constant array, a
 * zero vector) are not errors: they give infinite or NaN results.
 *
 * Codes: -20003 kErrEmptyArray (n, rows, cols or a coefficient count below 1),
 * -20001 kErrOutOfMemory (rows*cols beyond what an int32 count holds),
 * -20002 kErrArraySizeMismatch (conversion handles of different lengths).
 * Handle entry points work in place on their first handle, set *error, and on
 * failure empty every array they write and set every double output to iDNaN;
 * they return 0 (nothing is resized). Coefficient handles are inputs only.
 */
#ifndef ORIN_ARRAYS_H
#define ORIN_ARRAYS_H

#include <orin/common.h>

/* ---- Evaluation ----------------------------------------------------------- */

/* out[i] = x[i]*a + b.
   x    in   n doubles          n    in  >= 1
   out  out  n doubles (may be x) */
ORIN_API int32_t LinEv1D(const double *x, int32_t n, double a, double b, double *out);
/* LinEv1D over the rows*cols elements of a 2D array. */
ORIN_API int32_t LinEv2D(const double *x, int32_t rows, int32_t cols, double a, double b, double *out);
/* out[i] = sum_k c[k] x[i]^k, the powers by repeated multiplication and the
   terms added from the constant upward (c[0] is the constant term).
   x    in   n doubles          c    in  m coefficients, m >= 1
   out  out  n doubles (may be x) */
ORIN_API int32_t PolyEv1D(const double *x, int32_t n, const double *c, int32_t m, double *out);
ORIN_API int32_t PolyEv2D(const double *x, int32_t rows, int32_t cols, const double *c, int32_t m, double *out);

/* Line1: x = x*a + b in place. x in/out 1D handle (n >= 1), b and a in. */
ORIN_API int32_t Line1(DoubleArrayHdl x, const double *b, const double *a, int32_t *error);
/* LinEv: x = x*a + b in place. x in/out 2D handle (rows, cols >= 1). */
ORIN_API int32_t LinEv(DoubleMatrixHdl x, const double *a, const double *b, int32_t *error);
/* PolyEv, EvPoly2D: x = sum_k c[k] x^k in place. x in/out 1D or 2D handle,
   coeffs in (at least 1 coefficient; never emptied). */
ORIN_API int32_t PolyEv(DoubleArrayHdl x, DoubleArrayHdl coeffs, int32_t *error);
ORIN_API int32_t EvPoly2D(DoubleMatrixHdl x, DoubleArrayHdl coeffs, int32_t *error);

/* ---- Extremes ------------------------------------------------------------- */

/* Largest and smallest element with the index of their first occurrence
   (strict comparisons from x[0]: a NaN after the first element is never
   taken). Nothing is written on failure.
   x   in  n doubles, n >= 1
   max, maxIndex, min, minIndex  out */
ORIN_API int32_t MaxMin1D(const double *x, int32_t n, double *max, int32_t *maxIndex, double *min, int32_t *minIndex);
/* The same over a rows x cols array, positions as row and column. */
ORIN_API int32_t MaxMin2D(const double *x, int32_t rows, int32_t cols, double *max, int32_t *maxRow, int32_t *maxCol,
                          double *min, int32_t *minRow, int32_t *minCol);

/* ---- Normalisation and scaling ------------------------------------------- */

/* out = (x - mean)/sd with the mean and the population standard deviation
   (divisor n, as StdDev).
   x  in  n doubles (n >= 1)   out  out n doubles (may be x)   mean, sd  out */
ORIN_API int32_t Normal1D(const double *x, int32_t n, double *out, double *mean, double *sd);
ORIN_API int32_t Normal2D(const double *x, int32_t rows, int32_t cols, double *out, double *mean, double *sd);
/* Into [-1, 1] by the range: scale = (max - min)/2, offset = scale + min
   (both formed in extended precision), out = (x - offset)/scale. */
ORIN_API int32_t Scale1D(const double *x, int32_t n, double *out, double *offset, double *scale);
ORIN_API int32_t Scale2D(const double *x, int32_t rows, int32_t cols, double *out, double *offset, double *scale);
/* By the largest magnitude: scale = max |x| (0 for an all-zero array, whose
   outputs are then NaN), out = x/scale. */
ORIN_API int32_t QScale1D(const double *x, int32_t n, double *out, double *scale);
ORIN_API int32_t QScale2D(const double *x, int32_t rows, int32_t cols, double *out, double *scale);
/* x = x/||x|| in place; norm out = ||x|| (Euclidean, summed in extended
   precision). */
ORIN_API int32_t UnitVector(double *x, int32_t n, double *norm);

/* Entry points, in place on x; the order of the scalar outputs is each
   routine's own. */
ORIN_API int32_t Norm1(DoubleArrayHdl x, double *sd, double *mean, int32_t *error);
ORIN_API int32_t Norm2(DoubleMatrixHdl x, double *mean, double *sd, int32_t *error);
ORIN_API int32_t Scale1DCIN(DoubleArrayHdl x, double *offset, double *scale, int32_t *error);
ORIN_API int32_t Scale(DoubleMatrixHdl x, double *scale, double *offset, int32_t *error);
ORIN_API int32_t QS1D(DoubleArrayHdl x, double *scale, int32_t *error);
ORIN_API int32_t QScale(DoubleMatrixHdl x, double *scale, int32_t *error);
ORIN_API int32_t UnitVector_head(DoubleArrayHdl x, double *norm, int32_t *error);

/* ---- Rectangular and polar forms ----------------------------------------- */

/* magnitude = |re + i im| (0 with phase 0 at the origin; formed in extended
   precision, no spurious overflow), phase = atan2(im, re) in (-pi, pi]. */
ORIN_API int32_t ToPolar(double re, double im, double *magnitude, double *phase);
/* re = magnitude cos(phase), im = magnitude sin(phase). */
ORIN_API int32_t ToRect(double magnitude, double phase, double *re, double *im);
/* Element by element over n >= 1 pairs; the outputs may be the inputs. */
ORIN_API int32_t ToPolar1D(const double *re, const double *im, int32_t n, double *magnitudes, double *phases);
ORIN_API int32_t ToRect1D(const double *magnitudes, const double *phases, int32_t n, double *re, double *im);
/* In place on both handles (re becomes magnitudes, im phases; or the
   reverse). Handles of different lengths: -20002; both emptied on failure. */
ORIN_API int32_t RectToPolar1D_head(DoubleArrayHdl re, DoubleArrayHdl im, int32_t *error);
ORIN_API int32_t PolarToRect1D_head(DoubleArrayHdl magnitudes, DoubleArrayHdl phases, int32_t *error);

#endif /* ORIN_ARRAYS_H */
