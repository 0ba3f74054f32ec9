/* orinanalysis: timedomain routines. */
#ifndef ORIN_TIMEDOMAIN_H
#define ORIN_TIMEDOMAIN_H

#include <orin/common.h>

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
ORIN_API int32_t Rxy(DoubleArrayHdl x, DoubleArrayHdl y, DoubleArrayHdl out, const int32_t *selector,
                     int32_t *error);

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
